// TextFileToArray on a generated 20 MB comma-separated file against a plain
// two-pass C++ read of the same file (lines and delimiters counted, then the
// fields split into strings), and the text builder's growth with length.
// Figures are ratios within one run; bench/data_text_bench.sh builds and
// runs it optimised and without sanitizers.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/text_builder.h"
#include "data/delimited_text.h"
#include "dv/codepage.h"
#include "dv/host.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The library reads files through the host seam; on this machine that is
// the disk, for reading only.
class DiskFiles : public dv::FileSystem {
 public:
  std::optional<int64_t> fileLength(const std::string& p) override {
    std::error_code ec;
    auto n = std::filesystem::file_size(p, ec);
    return ec ? std::nullopt : std::optional<int64_t>(static_cast<int64_t>(n));
  }
  bool fileExists(const std::string& p) override {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
  }
  bool folderExists(const std::string& p) override { return std::filesystem::is_directory(p); }
  bool deleteFile(const std::string& p) override { return std::filesystem::remove(p); }
  bool replaceFile(const std::string& from, const std::string& to) override {
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    return !ec;
  }
  int createFolder(const std::string& p) override { return std::filesystem::create_directory(p) ? 0 : 75; }
  std::vector<dv::FileEntry> list(const std::string&) override { return {}; }
  std::optional<std::string> readFile(const std::string& p) override {
    std::ifstream in(p, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return std::move(text).str();
  }
  bool writeFile(const std::string& p, const std::string& b) override {
    std::ofstream out(p, std::ios::binary);
    out << b;
    return static_cast<bool>(out);
  }
  std::string currentDirectory() override { return std::filesystem::current_path().string(); }
  std::string longPathName(const std::string& p) override { return p; }
  std::string shortPathName(const std::string& p) override { return p; }
  uint32_t ansiCodePage() override { return dv::codepage::kWestern; }
  std::string fromAnsi(std::string_view b) override { return dv::codepage::decode(dv::codepage::kWestern, b); }
  std::optional<std::string> toAnsi(std::string_view t) override {
    return dv::codepage::encode(dv::codepage::kWestern, t);
  }
};

std::string makeCsv(const std::string& path, size_t bytes) {
  std::ofstream out(path, std::ios::binary);
  size_t written = 0;
  char line[160];
  for (long row = 0; written < bytes; ++row) {
    // Lines of varying width, some quoted fields, some short lines.
    const int n = row % 7 == 0
                      ? std::snprintf(line, sizeof line, "%ld,short,%ld\r\n", row, row * 3)
                      : std::snprintf(line, sizeof line, "%ld,\"Customer %ld\",Street %ld,%ld.%02ld,city,%ld,note\r\n",
                                      row, row % 9973, row % 311, row % 1000, row % 100, row * 7);
    out.write(line, n);
    written += static_cast<size_t>(n);
  }
  return path;
}

// The baseline: what a careful C++ programmer writes without thinking about
// speed. Pass one counts lines and delimiters, pass two splits the fields.
size_t plainTwoPass(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  size_t lines = 0, most = 0;
  while (std::getline(in, line)) {
    ++lines;
    most = std::max(most, static_cast<size_t>(std::count(line.begin(), line.end(), ',')));
  }
  in.clear();
  in.seekg(0);
  std::vector<std::string> cells(lines * (most + 1));
  size_t row = 0;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t column = 0, start = 0;
    for (;;) {
      const size_t hit = line.find(',', start);
      cells[row * (most + 1) + column++] =
          line.substr(start, hit == std::string::npos ? std::string::npos : hit - start);
      if (hit == std::string::npos) break;
      start = hit + 1;
    }
    ++row;
  }
  return cells.size();
}

template <typename F>
double best(int runs, F&& f) {
  double fastest = 1e300;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    f();
    fastest = std::min(fastest, secondsSince(start));
  }
  return fastest;
}

}  // namespace

int main() {
  const std::string path = (std::filesystem::temp_directory_path() / "dv_bench_20mb.csv").string();
  makeCsv(path, 20u << 20);
  DiskFiles files;

  size_t baselineCells = 0, libraryCells = 0;
  const double baseline = best(3, [&] { baselineCells = plainTwoPass(path); });
  const double library = best(3, [&] {
    dv::Variant v;
    if (dv::lib::TextFileToArray(files, path, v, ",", false) != dv::lib::kTextFileRead) std::abort();
    libraryCells = v.arrayValue().size();
  });
  std::filesystem::remove(path);
  std::printf("TextFileToArray, 20 MB CSV: %.3f s; plain two-pass read: %.3f s; ratio %.2f (goal <= 2)\n", library,
              baseline, library / baseline);
  if (baselineCells != libraryCells) std::printf("cell counts differ: %zu vs %zu\n", libraryCells, baselineCells);

  // The builder: time per character should not grow with the length.
  double first = 0;
  for (size_t pieces : {500000u, 1000000u, 2000000u, 4000000u}) {
    const double t = best(3, [&] {
      dv::lib::TextBuilder c;
      for (size_t i = 0; i < pieces; ++i) c.Append("0123456789");
      if (c.TakeText().size() != pieces * 10) std::abort();
    });
    const double perChar = t / static_cast<double>(pieces * 10);
    if (first == 0) first = perChar;
    std::printf("TextBuilder, %zu characters in pieces of 10: %.4f s; cost per character vs 5 MB: %.2f\n", pieces * 10,
                t, perChar / first);
  }
  return 0;
}

// CreatePDFfromMultiPDF of 10 and of 50 ten-page PDF files against qpdf
// merging the same files directly (qpdf --empty --pages ... --), round by
// round in one run.
//
// Each round times, for each count, in rotating order:
//   qpdf     qpdf run by bash and timed by it around qpdf alone
//            ($EPOCHREALTIME), so Wine's start of bash is not counted;
//   viewer   the viewer stand-in's document objects driven directly
//            through COM with the calls the merge makes (Create, then per
//            file Open, GetNumPages twice, InsertPages, Close; Save, Close);
//   docvane  Docvane's CreatePDFfromMultiPDF through COM.
// Docvane's own share is (docvane - viewer) / docvane: what the library
// adds to the viewer's work it drives.
//
//   merge_pdf_bench.exe <work folder> [rounds]
//
// Prints each round's figures and a summary; exits non-zero when a merge
// fails or a merged file is not a clean PDF of all the pages.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dv/standins/tools.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"
#include "wine_bench.h"

namespace {

using dv::pos;
using dv::Variant;
using Clock = std::chrono::steady_clock;

constexpr int kPagesPerFile = 10;
constexpr int kCounts[] = {10, 50};

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

using dv::bench::median;

using dv::bench::shellWord;

int pagesOf(const std::string& pdf) {
  dv::standins::ToolRunner& tools = dv::standins::toolRunner();
  if (!dv::standins::runTool({"qpdf", "--check", tools.toolPath(pdf)}).ok()) return -1;
  auto r = dv::standins::runTool({"qpdf", "--show-npages", tools.toolPath(pdf)});
  return r.ok() ? std::atoi(r.output.c_str()) : -1;
}

int run(const std::string& folder, int rounds) {
  dv::win32::ComApartment apartment;
  if (!apartment.ok()) {
    std::fprintf(stderr, "merge_pdf_bench: COM did not start\n");
    return 1;
  }
  dv::standins::ToolRunner& tools = dv::standins::toolRunner();
  // Files not yet written have no Unix name of their own: the folder's is used.
  const std::string unixFolder = tools.toolPath(folder);
  auto unixName = [&](const std::string& name) { return unixFolder + "/" + name; };
  // Fifty different ten-page files of running text.
  std::vector<std::string> inputs;
  for (int i = 1; i <= kCounts[1]; ++i) {
    const std::string pdf = folder + "\\in" + std::to_string(i) + ".pdf";
    std::string program = "/Times-Roman findfont 11 scalefont setfont ";
    for (int page = 1; page <= kPagesPerFile; ++page) {
      program += "72 740 moveto (File " + std::to_string(i) + " page " + std::to_string(page) + ") show ";
      // Forty lines of text, as a PostScript loop: the command line stays short.
      program +=
          "0 1 39 { 15 mul 712 exch sub 72 exch moveto (the quick brown fox jumps over the lazy dog) show } for ";
      program += "showpage ";
    }
    program += "[/Title (File " + std::to_string(i) + ") /Page 1 /OUT pdfmark";
    const dv::standins::ToolResult made = tools.run({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-o",
                                                     unixName("in" + std::to_string(i) + ".pdf"), "-c", program},
                                                    nullptr, std::chrono::seconds(120));
    if (!made.ok()) throw std::runtime_error("cannot make " + pdf + ": " + made.output);
    inputs.push_back(pdf);
  }

  dv::win32::Win32Automation automation;
  dv::ObjectPtr converter = automation.createObject("Docvane.CreatePDF");
  auto list = [&](int count) {
    std::vector<Variant> items(inputs.begin(), inputs.begin() + count);
    return Variant(dv::Array::vector(dv::VarType::Variant, std::move(items)));
  };
  // Each starts without the file of its last round, as the viewer's run
  // does: deleting it is no part of merging.
  auto viaDocvane = [&](int count, const std::string& pdf) {
    DeleteFileA(pdf.c_str());
    const auto start = Clock::now();
    converter->call("CreatePDFfromMultiPDF", {pos(Variant(pdf)), pos(list(count))});
    return seconds(Clock::now() - start);
  };
  auto viaViewer = [&](int count, const std::string& pdf) {
    DeleteFileA(pdf.c_str());
    const auto start = Clock::now();
    dv::ObjectPtr target = automation.createObject("AcroExch.PDDoc");
    dv::ObjectPtr source = automation.createObject("AcroExch.PDDoc");
    if (!dv::vb::CBool(target->call("Create"))) throw std::runtime_error("Create failed");
    for (int i = 0; i < count; ++i) {
      source->call("Open", {pos(Variant(inputs[static_cast<size_t>(i)]))});
      const int32_t n = dv::vb::CLng(source->call("GetNumPages"));
      const int32_t t = dv::vb::CLng(target->call("GetNumPages"));
      target->call("InsertPages", {pos(t - 1), pos(source), pos(int32_t{0}), pos(n), pos(true)});
      source->call("Close");
    }
    if (!dv::vb::CBool(target->call("Save", {pos(int16_t{1}), pos(Variant(pdf))})))
      throw std::runtime_error("Save failed");
    target->call("Close");
    return seconds(Clock::now() - start);
  };
  auto viaQpdf = [&](int count, const std::string& pdf) {
    std::string qpdf = "qpdf --empty --pages";
    for (int i = 0; i < count; ++i) qpdf += " " + shellWord(tools.toolPath(inputs[static_cast<size_t>(i)]));
    qpdf += " -- " + shellWord(unixName(pdf.substr(pdf.find_last_of('\\') + 1)));
    auto r = tools.run({"bash", "-c", "t0=$EPOCHREALTIME; " + qpdf + " || exit 1; t1=$EPOCHREALTIME; echo \"$t0 $t1\""},
                       nullptr, std::chrono::seconds(120));
    double t0 = 0, t1 = 0;
    if (!r.ok() || std::sscanf(r.output.c_str(), "%lf %lf", &t0, &t1) != 2 || t1 < t0)
      throw std::runtime_error("qpdf failed: " + r.output);
    return t1 - t0;
  };

  const std::vector<std::pair<std::string, std::function<double(int, const std::string&)>>> kinds = {
      {"qpdf", viaQpdf}, {"viewer", viaViewer}, {"docvane", viaDocvane}};
  // Loads the servers and the tools once, outside the figures.
  viaDocvane(2, folder + "\\warmup.pdf");
  viaQpdf(2, folder + "\\warmup-qpdf.pdf");
  std::map<std::string, std::vector<double>> times;  // "<kind> <count>"
  std::map<int, std::vector<double>> ratio, share;
  for (int round = 0; round < rounds; ++round) {
    std::printf("round %2d:", round + 1);
    for (int count : kCounts) {
      std::map<std::string, double> t;
      for (size_t i = 0; i < kinds.size(); ++i) {
        const auto& [kind, call] = kinds[(static_cast<size_t>(round) + i) % kinds.size()];
        t[kind] = call(count, folder + "\\" + kind + std::to_string(count) + ".pdf");
        times[kind + " " + std::to_string(count)].push_back(t[kind]);
      }
      ratio[count].push_back(t["docvane"] / t["qpdf"]);
      share[count].push_back((t["docvane"] - t["viewer"]) / t["docvane"]);
      std::printf("  %d files: qpdf %.3f s, viewer %.3f s, docvane %.3f s;", count, t["qpdf"], t["viewer"],
                  t["docvane"]);
    }
    std::printf("\n");
    std::fflush(stdout);
  }
  for (int count : kCounts)
    for (const char* kind : {"qpdf", "viewer", "docvane"}) {
      const std::string pdf = folder + "\\" + kind + std::to_string(count) + ".pdf";
      if (pagesOf(pdf) != count * kPagesPerFile) {
        std::fprintf(stderr, "merge_pdf_bench: %s is not a clean PDF of %d pages\n", pdf.c_str(),
                     count * kPagesPerFile);
        return 1;
      }
    }

  std::printf("\nCreatePDFfromMultiPDF of %d-page files, %d rounds (medians)\n", kPagesPerFile, rounds);
  for (int count : kCounts) {
    const std::string n = std::to_string(count);
    std::printf("  %2d files: qpdf %.3f s, viewer stand-in alone %.3f s, docvane %.3f s (%.1f ms a file)\n", count,
                median(times["qpdf " + n]), median(times["viewer " + n]), median(times["docvane " + n]),
                median(times["docvane " + n]) / count * 1000);
    std::printf("RATIO %d files: CreatePDFfromMultiPDF / qpdf = %.2f (median of the rounds' ratios)\n", count,
                median(ratio[count]));
    std::printf("SHARE %d files: Docvane's own share (docvane - viewer) / docvane = %+.1f %%, goal under 2 %%\n", count,
                median(share[count]) * 100);
  }
  const double perFile10 = median(times["docvane 10"]) / kCounts[0];
  const double perFile50 = median(times["docvane 50"]) / kCounts[1];
  std::printf("PER FILE: 50 files / 10 files = %.2f (time per file, goal flat: 1.00)\n", perFile50 / perFile10);
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return dv::bench::benchMain("merge_pdf_bench", 9, argc, argv, run); }

#include "word/word_document.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

namespace dv::standins::word {

namespace {

constexpr int kMargin = 72;
constexpr int kCharWidth = 6;  // Courier at 10 points
constexpr int kFontSize = 10;
constexpr int kLineHeight = 12;

std::string trimBlanks(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool startsWithNoCase(const std::string& s, const std::string& prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) {
      if (start < text.size()) lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

std::string expandTabs(const std::string& line) {
  std::string out;
  for (char c : line) {
    if (c == '\t') {
      do out += ' ';
      while (out.size() % 8 != 0);
    } else if (c != '\r') {
      out += c;
    }
  }
  return out;
}

// Breaks one paragraph into lines of at most `columns` characters, at the
// last blank that fits, or hard when a word is longer than a line.
void wrap(const std::string& paragraph, int columns, std::vector<std::string>& out) {
  std::string rest = expandTabs(paragraph);
  if (rest.empty()) {
    out.emplace_back();
    return;
  }
  const size_t width = static_cast<size_t>(columns);
  while (rest.size() > width) {
    size_t cut = rest.rfind(' ', width);
    if (cut == std::string::npos || cut == 0) cut = width;
    out.push_back(rest.substr(0, cut));
    size_t next = rest.find_first_not_of(' ', cut);
    rest = next == std::string::npos ? std::string() : rest.substr(next);
  }
  if (!rest.empty()) out.push_back(rest);
}

std::optional<int> parseNumber(const std::string& s) {
  std::string t = trimBlanks(s);
  if (t.empty() || t.size() > 6) return std::nullopt;
  for (char c : t) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  }
  return std::stoi(t);
}

int numberX(NumberAlignment alignment, int pageWidth, const std::string& text) {
  const int width = kCharWidth * static_cast<int>(text.size());
  switch (alignment) {
    case NumberAlignment::Left:
      return kMargin;
    case NumberAlignment::Right:
      return pageWidth - kMargin - width;
    case NumberAlignment::Center:
      break;
  }
  return (pageWidth - width) / 2;
}

}  // namespace

std::string psString(const std::string& s) {
  std::string out = "(";
  for (unsigned char c : s) {
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 32 || c > 126) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\%03o", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + ")";
}

DocumentFile parseDocumentFile(const std::string& bytes) {
  DocumentFile file;
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text += bytes[i];
  }
  size_t pos = 0;
  for (;;) {
    size_t nl = text.find('\n', pos);
    std::string line = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
    if (startsWithNoCase(line, "#password:")) {
      file.password = trimBlanks(line.substr(10));
    } else if (startsWithNoCase(line, "#write-password:")) {
      file.writePassword = trimBlanks(line.substr(16));
    } else {
      break;
    }
    if (nl == std::string::npos) {
      pos = text.size();
      break;
    }
    pos = nl + 1;
  }
  file.text = text.substr(pos);
  return file;
}

PageGeometry geometry(Orientation orientation) {
  const bool landscape = orientation == Orientation::Landscape;
  const int width = landscape ? 792 : 612;
  const int height = landscape ? 612 : 792;
  return {width, height, (width - 2 * kMargin) / kCharWidth, (height - 2 * kMargin) / kLineHeight};
}

std::vector<std::vector<std::string>> paginate(const std::string& text, Orientation orientation) {
  const PageGeometry g = geometry(orientation);
  std::vector<std::vector<std::string>> pages;
  size_t start = 0;
  for (;;) {
    size_t ff = text.find('\f', start);
    std::string section = text.substr(start, ff == std::string::npos ? std::string::npos : ff - start);
    std::vector<std::string> lines;
    for (const std::string& paragraph : splitLines(section)) wrap(paragraph, g.columns, lines);
    // A form feed at the start of a line leaves that line's break behind.
    if (!lines.empty() && lines.front().empty() && start > 0) lines.erase(lines.begin());
    if (lines.empty()) lines.emplace_back();
    for (size_t i = 0; i < lines.size(); i += static_cast<size_t>(g.lines)) {
      size_t end = std::min(lines.size(), i + static_cast<size_t>(g.lines));
      pages.emplace_back(lines.begin() + static_cast<std::ptrdiff_t>(i),
                         lines.begin() + static_cast<std::ptrdiff_t>(end));
    }
    if (ff == std::string::npos) break;
    start = ff + 1;
    if (start >= text.size()) break;
  }
  if (pages.empty()) pages.emplace_back();
  return pages;
}

std::optional<std::vector<int>> parsePageList(const std::string& pages, int pageCount) {
  std::set<int> chosen;
  size_t start = 0;
  for (;;) {
    size_t comma = pages.find(',', start);
    std::string item = trimBlanks(pages.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    size_t dash = item.find('-');
    if (dash == std::string::npos) {
      auto n = parseNumber(item);
      if (!n || *n < 1) return std::nullopt;
      if (*n <= pageCount) chosen.insert(*n);
    } else {
      auto from = parseNumber(item.substr(0, dash));
      std::string toText = trimBlanks(item.substr(dash + 1));
      auto to = toText.empty() ? std::optional<int>(std::max(pageCount, from.value_or(0))) : parseNumber(toText);
      if (!from || !to || *from < 1 || *to < *from) return std::nullopt;
      for (int p = *from; p <= std::min(*to, pageCount); ++p) chosen.insert(p);
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (chosen.empty()) return std::nullopt;
  return std::vector<int>(chosen.begin(), chosen.end());
}

std::string renderPostScript(const std::vector<std::vector<std::string>>& pages, const std::vector<int>& selected,
                             const Layout& layout, const std::string& title) {
  const PageGeometry g = geometry(layout.orientation);
  const bool landscape = layout.orientation == Orientation::Landscape;
  std::string ps;
  ps += "%!PS-Adobe-3.0\n";
  ps += "%%Creator: Microsoft Word\n";
  ps += "%%Title: " + title + "\n";
  ps += "%%Pages: " + std::to_string(selected.size()) + "\n";
  ps += "%%PageOrder: Ascend\n";
  ps += std::string("%%Orientation: ") + (landscape ? "Landscape" : "Portrait") + "\n";
  ps += "%%BoundingBox: 0 0 " + std::to_string(g.width) + " " + std::to_string(g.height) + "\n";
  ps += "%%DocumentNeededResources: font Courier\n";
  ps += "%%EndComments\n";
  ps += "%%BeginProlog\n";
  ps += "/F { /Courier findfont " + std::to_string(kFontSize) + " scalefont setfont } bind def\n";
  ps += "/L { moveto show } bind def\n";
  ps += "%%EndProlog\n";
  ps += "%%BeginSetup\n";
  ps += "<< /PageSize [" + std::to_string(g.width) + " " + std::to_string(g.height) + "] >> setpagedevice\n";
  ps += "%%EndSetup\n";
  int ordinal = 0;
  for (int number : selected) {
    if (number < 1 || number > static_cast<int>(pages.size())) continue;
    ++ordinal;
    ps += "%%Page: " + std::to_string(number) + " " + std::to_string(ordinal) + "\n";
    ps += "F\n";
    int y = g.height - kMargin - kFontSize;
    for (const std::string& line : pages[static_cast<size_t>(number - 1)]) {
      if (!line.empty()) ps += psString(line) + " " + std::to_string(kMargin) + " " + std::to_string(y) + " L\n";
      y -= kLineHeight;
    }
    const std::string label = std::to_string(number);
    for (const auto* numbers : {&layout.header, &layout.footer}) {
      if (!numbers->present || (number == 1 && !numbers->firstPage)) continue;
      const int ny = numbers == &layout.header ? g.height - kMargin / 2 : kMargin / 2 - kFontSize / 2;
      ps += psString(label) + " " + std::to_string(numberX(numbers->alignment, g.width, label)) + " " +
            std::to_string(ny) + " L\n";
    }
    ps += "showpage\n";
  }
  ps += "%%Trailer\n%%EOF\n";
  return ps;
}

}  // namespace dv::standins::word

#include "word/word_document.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "word/composed_document.h"

namespace dv::standins::word {

namespace {

constexpr int kMargin = 72;  // where page numbers sit

// Average advance of a character as a share of the font size: Courier's
// exact, the proportional faces' a fair mean for running text.
double charWidth(const TextFont& font) {
  return postScriptFont(font).rfind("Courier", 0) == 0 ? 0.6 * font.size : 0.5 * font.size;
}
double lineHeight(const TextFont& font) { return 1.2 * font.size; }

// A PostScript number: integers without a fraction, others to 0.01.
std::string num(double v) {
  char buf[32];
  if (v == static_cast<double>(static_cast<long long>(v))) {
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
  } else {
    std::snprintf(buf, sizeof buf, "%.2f", v);
  }
  return buf;
}

bool containsNoCase(const std::string& s, const std::string& part) {
  auto it = std::search(s.begin(), s.end(), part.begin(), part.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
  return it != s.end();
}

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
  const int width = 6 * static_cast<int>(text.size());  // page numbers: Courier 10
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

DocumentFile parseDocumentFile(const std::string& raw) {
  DocumentFile file;
  // Word opens an RTF file as the text it holds.
  const std::string bytes = raw.compare(0, 5, "{\\rtf") == 0 ? rtfPlainText(raw) : raw;
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

std::string postScriptFont(const TextFont& font) {
  const bool bold = font.bold, italic = font.italic;
  if (containsNoCase(font.name, "Courier"))
    return bold && italic ? "Courier-BoldOblique" : bold ? "Courier-Bold" : italic ? "Courier-Oblique" : "Courier";
  for (const char* sans : {"Arial", "Helvetica", "Verdana", "Tahoma", "Calibri"}) {
    if (containsNoCase(font.name, sans))
      return bold && italic ? "Helvetica-BoldOblique"
             : bold         ? "Helvetica-Bold"
             : italic       ? "Helvetica-Oblique"
                            : "Helvetica";
  }
  return bold && italic ? "Times-BoldItalic" : bold ? "Times-Bold" : italic ? "Times-Italic" : "Times-Roman";
}

PageGeometry geometry(Orientation orientation) {
  Layout layout;
  layout.orientation = orientation;
  return geometry(layout);
}

PageGeometry geometry(const Layout& layout) {
  const bool landscape = layout.orientation == Orientation::Landscape;
  const int width = landscape ? 792 : 612;
  const int height = landscape ? 612 : 792;
  const double usableWidth = width - layout.leftMargin - layout.rightMargin;
  const double usableHeight = height - layout.topMargin - layout.bottomMargin;
  // At least one character and one line, however wide the margins.
  const int columns = std::max(1, static_cast<int>(usableWidth / charWidth(layout.font) + 1e-9));
  const int lines = std::max(1, static_cast<int>(usableHeight / lineHeight(layout.font) + 1e-9));
  return {width, height, columns, lines};
}

std::vector<std::vector<std::string>> paginate(const std::string& text, Orientation orientation) {
  Layout layout;
  layout.orientation = orientation;
  return paginate(text, layout);
}

std::vector<std::vector<std::string>> paginate(const std::string& text, const Layout& layout) {
  const PageGeometry g = geometry(layout);
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
  const PageGeometry g = geometry(layout);
  const TextFont& font = layout.font;
  const bool landscape = layout.orientation == Orientation::Landscape;
  std::string ps;
  ps += "%!PS-Adobe-3.0\n";
  ps += "%%Creator: Microsoft Word\n";
  ps += "%%Title: " + title + "\n";
  ps += "%%Pages: " + std::to_string(selected.size()) + "\n";
  ps += "%%PageOrder: Ascend\n";
  ps += std::string("%%Orientation: ") + (landscape ? "Landscape" : "Portrait") + "\n";
  ps += "%%BoundingBox: 0 0 " + std::to_string(g.width) + " " + std::to_string(g.height) + "\n";
  const std::string face = postScriptFont(font);
  ps += "%%DocumentNeededResources: font " + face + (face == "Courier" ? "" : " Courier") + "\n";
  ps += "%%EndComments\n";
  ps += "%%BeginProlog\n";
  ps += "/F { /" + face + " findfont " + num(font.size) + " scalefont setfont } bind def\n";
  ps += "/L { moveto show } bind def\n";
  // Page numbers keep Courier 10 in black, whatever the text's font.
  const bool plainNumbers = face != "Courier" || font.size != 10 || font.color != 0;
  if (plainNumbers) ps += "/N { /Courier findfont 10 scalefont setfont 0 setgray moveto show } bind def\n";
  if (font.underline) ps += "/U { moveto 0 rlineto " + num(font.size / 20) + " setlinewidth stroke } bind def\n";
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
    if (font.color != 0) {
      const auto part = [&](int shift) { return num(((static_cast<uint32_t>(font.color) >> shift) & 0xFF) / 255.0); };
      ps += part(0) + " " + part(8) + " " + part(16) + " setrgbcolor\n";
    }
    double y = g.height - layout.topMargin - font.size;
    const std::string x = num(layout.leftMargin);
    for (const std::string& line : pages[static_cast<size_t>(number - 1)]) {
      if (!line.empty()) {
        ps += psString(line) + " " + x + " " + num(y) + " L\n";
        if (font.underline) ps += psString(line) + " stringwidth pop " + x + " " + num(y - font.size / 8) + " U\n";
      }
      y -= lineHeight(font);
    }
    const std::string label = std::to_string(number);
    for (const auto* numbers : {&layout.header, &layout.footer}) {
      if (!numbers->present || (number == 1 && !numbers->firstPage)) continue;
      const int ny = numbers == &layout.header ? g.height - kMargin / 2 : kMargin / 2 - 5;
      ps += psString(label) + " " + std::to_string(numberX(numbers->alignment, g.width, label)) + " " +
            std::to_string(ny) + (plainNumbers ? " N\n" : " L\n");
    }
    ps += "showpage\n";
  }
  ps += "%%Trailer\n%%EOF\n";
  return ps;
}

}  // namespace dv::standins::word

#include "excel/excel_workbook.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <tuple>

#include "word/word_document.h"

namespace dv::standins::excel {

using word::psString;

namespace {

constexpr int kFontSize = 10;
constexpr int kCellPadding = 3;
constexpr int kMinColumnChars = 4;
constexpr int kMaxColumnChars = 40;

std::string trimBlanks(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool startsWithNoCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && lower(s.substr(0, prefix.size())) == prefix;
}

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> cells;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  while (!cells.empty() && cells.back().empty()) cells.pop_back();
  return cells;
}

// One corner: "$A$1", "b7"; nullopt outside the sheet's limits.
std::optional<std::pair<int, int>> parseCell(const std::string& text) {
  size_t i = 0;
  if (i < text.size() && text[i] == '$') ++i;
  int column = 0;
  size_t letters = 0;
  while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i]))) {
    column = column * 26 + (std::toupper(static_cast<unsigned char>(text[i])) - 'A' + 1);
    ++i;
    if (++letters > 3) return std::nullopt;
  }
  if (letters == 0 || column > kMaxColumns) return std::nullopt;
  if (i < text.size() && text[i] == '$') ++i;
  if (i >= text.size() || text.size() - i > 7) return std::nullopt;
  int row = 0;
  for (; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    row = row * 10 + (text[i] - '0');
  }
  if (row < 1 || row > kMaxRows) return std::nullopt;
  return std::make_pair(row, column);
}

std::string columnName(int column) {
  std::string name;
  for (; column > 0; column = (column - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (column - 1) % 26));
  return name;
}

const std::string& cell(const Sheet& sheet, int row, int column) {
  static const std::string empty;
  if (row < 1 || row > static_cast<int>(sheet.rows.size())) return empty;
  const auto& cells = sheet.rows[static_cast<size_t>(row - 1)];
  if (column < 1 || column > static_cast<int>(cells.size())) return empty;
  return cells[static_cast<size_t>(column - 1)];
}

int columnChars(const Sheet& sheet, const CellRange& range, int column) {
  int widest = kMinColumnChars;
  const int last = std::min(range.lastRow, static_cast<int>(sheet.rows.size()));
  for (int row = range.firstRow; row <= last; ++row)
    widest = std::max(widest, static_cast<int>(cell(sheet, row, column).size()));
  return std::min(widest, kMaxColumnChars);
}

int columnWidth(int chars) { return chars * kCharWidth + 2 * kCellPadding; }

std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

struct Paper {
  double width, height;
};
Paper paper(const PageSetup& setup) { return setup.orientation == kLandscape ? Paper{792, 612} : Paper{612, 792}; }

}  // namespace

WorkbookFile parseWorkbookFile(const std::string& bytes) {
  WorkbookFile book;
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t nl = bytes.find('\n', start);
    std::string line = bytes.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  size_t i = 0;
  for (; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (startsWithNoCase(line, "#password:")) {
      book.password = trimBlanks(line.substr(10));
    } else if (startsWithNoCase(line, "#write-password:")) {
      book.writePassword = trimBlanks(line.substr(16));
    } else if (startsWithNoCase(line, "#name:")) {
      const std::string def = trimBlanks(line.substr(6));
      const size_t eq = def.find('='), bang = def.rfind('!');
      if (eq == std::string::npos || bang == std::string::npos || bang < eq) continue;
      book.names.push_back({trimBlanks(def.substr(0, eq)), trimBlanks(def.substr(eq + 1, bang - eq - 1)),
                            trimBlanks(def.substr(bang + 1))});
    } else {
      break;
    }
  }
  Sheet* current = nullptr;
  for (; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      book.sheets.push_back({line.substr(1, line.size() - 2), {}});
      current = &book.sheets.back();
      continue;
    }
    if (!current) {
      book.sheets.push_back({"Sheet1", {}});
      current = &book.sheets.back();
    }
    current->rows.push_back(splitTabs(line));
  }
  if (book.sheets.empty()) book.sheets.push_back({"Sheet1", {}});
  for (Sheet& s : book.sheets)
    while (!s.rows.empty() && s.rows.back().empty()) s.rows.pop_back();
  return book;
}

std::optional<CellRange> parseReference(const std::string& reference, const std::string& sheet) {
  std::string text = trimBlanks(reference);
  const size_t bang = text.rfind('!');
  if (bang != std::string::npos) {
    std::string named = text.substr(0, bang);
    if (named.size() >= 2 && named.front() == '\'' && named.back() == '\'') named = named.substr(1, named.size() - 2);
    if (lower(named) != lower(sheet)) return std::nullopt;
    text = text.substr(bang + 1);
  }
  const size_t colon = text.find(':');
  auto a = parseCell(text.substr(0, colon));
  auto b = colon == std::string::npos ? a : parseCell(text.substr(colon + 1));
  if (!a || !b) return std::nullopt;
  return CellRange{std::min(a->first, b->first), std::min(a->second, b->second), std::max(a->first, b->first),
                   std::max(a->second, b->second)};
}

std::optional<CellRange> resolveRange(const WorkbookFile& book, const Sheet& sheet, const std::string& text) {
  for (const DefinedName& n : book.names) {
    if (lower(n.name) != lower(trimBlanks(text))) continue;
    // A name of another sheet is no range of this one.
    if (lower(n.sheet) != lower(sheet.name)) return std::nullopt;
    return parseReference(n.reference, sheet.name);
  }
  return parseReference(text, sheet.name);
}

CellRange usedRange(const Sheet& sheet) {
  std::optional<CellRange> used;
  for (size_t r = 0; r < sheet.rows.size(); ++r) {
    for (size_t c = 0; c < sheet.rows[r].size(); ++c) {
      if (sheet.rows[r][c].empty()) continue;
      const int row = static_cast<int>(r) + 1, column = static_cast<int>(c) + 1;
      if (!used) {
        used = CellRange{row, column, row, column};
        continue;
      }
      used->firstRow = std::min(used->firstRow, row);
      used->lastRow = std::max(used->lastRow, row);
      used->firstColumn = std::min(used->firstColumn, column);
      used->lastColumn = std::max(used->lastColumn, column);
    }
  }
  return used.value_or(CellRange{});
}

std::string address(const CellRange& range) {
  auto corner = [](int row, int column) { return "$" + columnName(column) + "$" + std::to_string(row); };
  std::string a = corner(range.firstRow, range.firstColumn);
  if (range.lastRow == range.firstRow && range.lastColumn == range.firstColumn) return a;
  return a + ":" + corner(range.lastRow, range.lastColumn);
}

bool hasContent(const Sheet& sheet, const CellRange& range) {
  const int last = std::min(range.lastRow, static_cast<int>(sheet.rows.size()));
  for (int row = range.firstRow; row <= last; ++row)
    for (int column = range.firstColumn; column <= range.lastColumn; ++column)
      if (!cell(sheet, row, column).empty()) return true;
  return false;
}

std::vector<PrintedPage> paginate(const Sheet& sheet, const CellRange& range, const PageSetup& setup) {
  const Paper p = paper(setup);
  const double usableHeight = p.height - setup.topMargin - setup.bottomMargin;
  const double usableWidth = p.width - setup.leftMargin - setup.rightMargin;
  const int rowsPerPage = std::max(1, static_cast<int>(std::floor(usableHeight / kRowHeight)));
  // Only rows up to the last one holding data are printed, as Excel does
  // for a range reaching past the sheet's contents.
  const int lastRow = std::max(range.firstRow, std::min(range.lastRow, usedRange(sheet).lastRow));
  const int lastColumn = std::max(range.firstColumn, std::min(range.lastColumn, usedRange(sheet).lastColumn));
  std::vector<std::pair<int, int>> columnBlocks;
  for (int column = range.firstColumn; column <= lastColumn;) {
    const int first = column;
    double used = 0;
    while (column <= lastColumn) {
      const double w = columnWidth(columnChars(sheet, range, column));
      if (column > first && used + w > usableWidth) break;
      used += w;
      ++column;
    }
    columnBlocks.emplace_back(first, column - 1);
  }
  std::vector<PrintedPage> pages;
  for (const auto& [first, last] : columnBlocks)
    for (int row = range.firstRow; row <= lastRow; row += rowsPerPage)
      pages.push_back({row, std::min(lastRow, row + rowsPerPage - 1), first, last});
  return pages;
}

std::string expandHeaderFooter(const std::string& text, int page, int pages) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    const char code = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
    if (code == 'P') out += std::to_string(page);
    else if (code == 'N') out += std::to_string(pages);
    else if (code == '&') out += '&';
    else out += text.substr(i, 2);
    ++i;
  }
  return out;
}

std::string renderPostScript(const Sheet& sheet, const CellRange& range, const PageSetup& setup,
                             const std::string& title) {
  const Paper p = paper(setup);
  const std::vector<PrintedPage> pages = paginate(sheet, range, setup);
  const bool landscape = setup.orientation == kLandscape;
  const int w = static_cast<int>(p.width), h = static_cast<int>(p.height);
  std::string ps;
  ps += "%!PS-Adobe-3.0\n";
  ps += "%%Creator: Microsoft Excel\n";
  ps += "%%Title: " + title + "\n";
  ps += "%%Pages: " + std::to_string(pages.size()) + "\n";
  ps += "%%PageOrder: Ascend\n";
  ps += std::string("%%Orientation: ") + (landscape ? "Landscape" : "Portrait") + "\n";
  ps += "%%BoundingBox: 0 0 " + std::to_string(w) + " " + std::to_string(h) + "\n";
  ps += "%%DocumentNeededResources: font Courier\n";
  ps += "%%EndComments\n";
  ps += "%%BeginProlog\n";
  ps += "/F { /Courier findfont " + std::to_string(kFontSize) + " scalefont setfont } bind def\n";
  ps += "/L { moveto show } bind def\n";
  ps += "/R { moveto dup stringwidth pop neg 0 rmoveto show } bind def\n";
  ps += "/C { moveto dup stringwidth pop 2 div neg 0 rmoveto show } bind def\n";
  ps += "/G { newpath 4 2 roll moveto lineto 0.5 setlinewidth stroke } bind def\n";
  ps += "%%EndProlog\n";
  ps += "%%BeginSetup\n";
  ps += "<< /PageSize [" + std::to_string(w) + " " + std::to_string(h) + "] >> setpagedevice\n";
  ps += "%%EndSetup\n";
  const int firstNumber = setup.firstPageNumber == kAutomatic ? 1 : setup.firstPageNumber;
  const int total = static_cast<int>(pages.size());
  for (int index = 0; index < total; ++index) {
    const PrintedPage& page = pages[static_cast<size_t>(index)];
    const int number = firstNumber + index;
    ps += "%%Page: " + std::to_string(number) + " " + std::to_string(index + 1) + "\n";
    ps += "F\n";
    std::vector<double> xs{setup.leftMargin};
    std::vector<int> chars;
    for (int column = page.firstColumn; column <= page.lastColumn; ++column) {
      chars.push_back(columnChars(sheet, range, column));
      xs.push_back(xs.back() + columnWidth(chars.back()));
    }
    const double top = p.height - setup.topMargin;
    for (int row = page.firstRow; row <= page.lastRow; ++row) {
      const double y = top - (row - page.firstRow + 1) * kRowHeight + 4;
      for (int column = page.firstColumn; column <= page.lastColumn; ++column) {
        const size_t k = static_cast<size_t>(column - page.firstColumn);
        std::string text = cell(sheet, row, column);
        if (text.empty()) continue;
        text = text.substr(0, static_cast<size_t>(chars[k]));
        ps += psString(text) + " " + num(xs[k] + kCellPadding) + " " + num(y) + " L\n";
      }
    }
    if (setup.printGridlines) {
      const double bottom = top - (page.lastRow - page.firstRow + 1) * kRowHeight;
      for (int line = 0; line <= page.lastRow - page.firstRow + 1; ++line) {
        const double y = top - line * kRowHeight;
        ps += num(xs.front()) + " " + num(y) + " " + num(xs.back()) + " " + num(y) + " G\n";
      }
      for (double x : xs) ps += num(x) + " " + num(top) + " " + num(x) + " " + num(bottom) + " G\n";
    }
    const double headerY = p.height - setup.headerMargin - kFontSize;
    const double footerY = setup.footerMargin;
    const double leftX = setup.leftMargin, centerX = p.width / 2, rightX = p.width - setup.rightMargin;
    for (auto [text, x, y, op] :
         {std::tuple{&setup.leftHeader, leftX, headerY, "L"}, std::tuple{&setup.centerHeader, centerX, headerY, "C"},
          std::tuple{&setup.rightHeader, rightX, headerY, "R"}, std::tuple{&setup.leftFooter, leftX, footerY, "L"},
          std::tuple{&setup.centerFooter, centerX, footerY, "C"},
          std::tuple{&setup.rightFooter, rightX, footerY, "R"}}) {
      if (text->empty()) continue;
      ps += psString(expandHeaderFooter(*text, number, total)) + " " + num(x) + " " + num(y) + " " + op + "\n";
    }
    ps += "showpage\n";
  }
  ps += "%%Trailer\n%%EOF\n";
  return ps;
}

}  // namespace dv::standins::excel

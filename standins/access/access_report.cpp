#include "access/access_report.h"

#include <algorithm>

#include "word/word_document.h"

namespace dv::standins::access {

namespace {

constexpr int kWidth = 612, kHeight = 792, kMargin = 54;
constexpr int kTitleSize = 16, kTextSize = 10, kLineHeight = 14;

// Cells longer than their column are cut, as a fixed-width report control
// cuts them.
std::string fitted(const std::string& text, size_t chars) {
  return text.size() <= chars ? text : text.substr(0, chars > 1 ? chars - 1 : 0) + "~";
}

}  // namespace

int pageCount(const PrintedReport& report) {
  const size_t rows = report.rows.size();
  return std::max<int>(1, static_cast<int>((rows + kRowsPerPage - 1) / kRowsPerPage));
}

std::string renderReport(const PrintedReport& report) {
  using word::psString;
  const int pages = pageCount(report);
  const size_t columns = std::max<size_t>(1, report.headings.size());
  const int columnWidth = (kWidth - 2 * kMargin) / static_cast<int>(columns);
  // Helvetica at 10 points averages about 5.5 points a character.
  const size_t columnChars = static_cast<size_t>(std::max(2, (columnWidth - 6) * 2 / 11));
  std::string ps;
  ps += "%!PS-Adobe-3.0\n";
  ps += "%%Creator: Microsoft Access\n";
  ps += "%%Title: " + report.title + "\n";
  ps += "%%Pages: " + std::to_string(pages) + "\n";
  ps += "%%PageOrder: Ascend\n";
  ps += "%%BoundingBox: 0 0 " + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n";
  ps += "%%DocumentNeededResources: font Helvetica Helvetica-Bold\n";
  ps += "%%EndComments\n";
  ps += "%%BeginProlog\n";
  ps += "/T { /Helvetica-Bold findfont " + std::to_string(kTitleSize) + " scalefont setfont } bind def\n";
  ps += "/H { /Helvetica-Bold findfont " + std::to_string(kTextSize) + " scalefont setfont } bind def\n";
  ps += "/R { /Helvetica findfont " + std::to_string(kTextSize) + " scalefont setfont } bind def\n";
  ps += "/L { moveto show } bind def\n";
  ps += "/C { exch dup stringwidth pop 2 div " + std::to_string(kWidth / 2) +
        " exch sub 3 -1 roll moveto show } bind def\n";
  ps += "%%EndProlog\n";
  ps += "%%BeginSetup\n";
  ps += "<< /PageSize [" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "] >> setpagedevice\n";
  ps += "%%EndSetup\n";
  auto rowLine = [&](const std::vector<std::string>& cells, int y) {
    std::string line;
    for (size_t c = 0; c < cells.size() && c < columns; ++c) {
      if (cells[c].empty()) continue;
      line += psString(fitted(cells[c], columnChars)) + " " +
              std::to_string(kMargin + static_cast<int>(c) * columnWidth) + " " + std::to_string(y) + " L\n";
    }
    return line;
  };
  for (int page = 1; page <= pages; ++page) {
    ps += "%%Page: " + std::to_string(page) + " " + std::to_string(page) + "\n";
    int y = kHeight - kMargin - kTitleSize;
    ps += "T " + psString(report.title) + " " + std::to_string(kMargin) + " " + std::to_string(y) + " L\n";
    y -= kTitleSize + kLineHeight;
    ps += "H\n" + rowLine(report.headings, y);
    ps += std::to_string(kMargin) + " " + std::to_string(y - 4) + " moveto " + std::to_string(kWidth - kMargin) + " " +
          std::to_string(y - 4) + " lineto 0.5 setlinewidth stroke\n";
    y -= kLineHeight + 4;
    ps += "R\n";
    const size_t first = static_cast<size_t>(page - 1) * kRowsPerPage;
    for (size_t r = first; r < report.rows.size() && r < first + kRowsPerPage; ++r) {
      ps += rowLine(report.rows[r], y);
      y -= kLineHeight;
    }
    ps += psString("Page " + std::to_string(page) + " of " + std::to_string(pages)) + " " +
          std::to_string(kMargin / 2) + " C\n";
    ps += "showpage\n";
  }
  ps += "%%Trailer\n%%EOF\n";
  return ps;
}

}  // namespace dv::standins::access

// The workbook side of the Excel stand-in: reading a stand-in workbook,
// resolving range references and defined names, and printing a range as
// PostScript with Excel's page setup. Free of automation so that it can be
// tested on its own.
//
// A stand-in workbook is a text file. Lines at its very top protect it or
// name ranges:
//
//     #password: <text>            open password
//     #write-password: <text>      write-reservation password
//     #name: <Name>=<Sheet>!<A1:B2>  a defined name of the workbook
//
// then come the sheets, each started by a line "[<sheet name>]" and made of
// rows of tab-separated cells. Text before the first sheet line (or a file
// without any) is a sheet named "Sheet1", so any text file opens.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dv::standins::excel {

struct Sheet {
  std::string name;
  std::vector<std::vector<std::string>> rows;  // [row][column], from A1
};

struct DefinedName {
  std::string name;
  std::string sheet;
  std::string reference;  // "A1:B3"
};

struct WorkbookFile {
  std::string password;       // empty: none
  std::string writePassword;  // empty: none
  std::vector<DefinedName> names;
  std::vector<Sheet> sheets;
};
WorkbookFile parseWorkbookFile(const std::string& bytes);

// A rectangle of cells, rows and columns counted from 1.
struct CellRange {
  int firstRow = 1, firstColumn = 1, lastRow = 1, lastColumn = 1;
  bool operator==(const CellRange&) const = default;
};

// Excel's limits: 1,048,576 rows, 16,384 columns (XFD).
inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;

// "A1", "$B$2", "A1:C3" (either corner first), optionally behind
// "<sheet>!" naming `sheet`; nullopt when Excel would refuse it.
std::optional<CellRange> parseReference(const std::string& reference, const std::string& sheet);
// A reference or a defined name of the workbook on that sheet (names are
// compared without regard to case); nullopt when Excel would refuse it.
std::optional<CellRange> resolveRange(const WorkbookFile& book, const Sheet& sheet, const std::string& text);
// The smallest rectangle holding every non-empty cell; A1 on an empty sheet.
CellRange usedRange(const Sheet& sheet);
// "$A$1:$C$3" (or "$A$1" for one cell).
std::string address(const CellRange& range);

// Excel's XlPageOrientation.
inline constexpr int32_t kPortrait = 1;
inline constexpr int32_t kLandscape = 2;
// xlAutomatic as FirstPageNumber: numbering starts at 1.
inline constexpr int32_t kAutomatic = -4105;

struct PageSetup {
  bool printGridlines = false;
  int32_t orientation = kPortrait;
  std::string leftHeader, centerHeader, rightHeader;
  std::string leftFooter, centerFooter, rightFooter;
  // Points; Excel's defaults.
  double topMargin = 72, leftMargin = 54, rightMargin = 54, bottomMargin = 72;
  double headerMargin = 36, footerMargin = 36;
  int32_t firstPageNumber = kAutomatic;
};

// Courier 10 points on rows 14 points high.
inline constexpr int kRowHeight = 14;
inline constexpr int kCharWidth = 6;

// The range's cells split into pages (down, then over, as Excel orders
// them): each page a block of rows and columns of the range.
struct PrintedPage {
  int firstRow, lastRow, firstColumn, lastColumn;
};
std::vector<PrintedPage> paginate(const Sheet& sheet, const CellRange& range, const PageSetup& setup);

// Whether the range holds anything to print (a range of empty cells prints
// nothing, and Excel then writes no file).
bool hasContent(const Sheet& sheet, const CellRange& range);

// A header or footer section with its codes: "&P" the page number, "&N"
// the number of pages, "&&" an ampersand.
std::string expandHeaderFooter(const std::string& text, int page, int pages);

// The range as a DSC-conforming PostScript job.
std::string renderPostScript(const Sheet& sheet, const CellRange& range, const PageSetup& setup,
                             const std::string& title);

}  // namespace dv::standins::excel

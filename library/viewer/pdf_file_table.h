// The table of PDF files in one folder, as the folder operations print or
// merge them: lower-cased name, size and modification date per row, sorted
// as the caller asks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dv/host.h"

namespace dv::lib {

struct PdfFileRow {
  std::string name;  // lower-cased, without the folder
  int64_t size = 0;
  double modified = 0;  // OLE date
};

// Values of the SortType and SortOrderType enumerations.
inline constexpr int32_t kSortNone = 0, kSortByName = 1, kSortBySize = 2, kSortByDate = 3;
inline constexpr int32_t kSortAscending = 0;

// The folder with a final "\".
std::string withTrailingBackslash(std::string folder);

// Lists folder + pattern (wildcards apply, subfolders are not entered).
std::vector<PdfFileRow> listPdfFiles(FileSystem& files, const std::string& folder, const std::string& pattern);

// Sorts whole rows. Sort types outside 0 to 3 count as none; any order but
// ascending (0) is descending. Rows with equal keys keep no defined order.
void sortPdfFiles(std::vector<PdfFileRow>& rows, int32_t sortType, int32_t sortOrder);

}  // namespace dv::lib

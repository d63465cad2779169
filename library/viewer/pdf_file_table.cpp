#include "viewer/pdf_file_table.h"

#include <algorithm>

#include "dv/vb.h"

namespace dv::lib {

std::string withTrailingBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

std::vector<PdfFileRow> listPdfFiles(FileSystem& files, const std::string& folder, const std::string& pattern) {
  // One listing serves both the count and the rows, so a file that appears
  // or vanishes meanwhile cannot make the two disagree.
  std::vector<PdfFileRow> rows;
  for (const FileEntry& e : vb::Dir(files, folder + pattern))
    rows.push_back(PdfFileRow{vb::LCase(e.name), e.size, e.modified});
  return rows;
}

void sortPdfFiles(std::vector<PdfFileRow>& rows, int32_t sortType, int32_t sortOrder) {
  if (sortType < kSortByName || sortType > kSortByDate) return;
  const bool ascending = sortOrder == kSortAscending;
  auto less = [&](const PdfFileRow& a, const PdfFileRow& b) {
    int c = 0;
    switch (sortType) {
      case kSortByName:
        c = vb::compareBinary(a.name, b.name);
        break;
      case kSortBySize:
        c = (a.size > b.size) - (a.size < b.size);
        break;
      default:
        c = (a.modified > b.modified) - (a.modified < b.modified);
        break;
    }
    return ascending ? c < 0 : c > 0;
  };
  std::sort(rows.begin(), rows.end(), less);
}

}  // namespace dv::lib

// A printed Access report as PostScript: the title, the column headings
// and the rows on letter pages, "Page n of m" at the foot of each.
#pragma once

#include <string>
#include <vector>

#include "access/access_database.h"

namespace dv::standins::access {

struct PrintedReport {
  std::string title;
  std::vector<std::string> headings;
  Rows rows;
};

// Rows that fit on one page under the title and headings.
inline constexpr int kRowsPerPage = 40;

// The number of pages the report takes (at least one: an empty report
// prints its title and headings).
int pageCount(const PrintedReport& report);

// A DSC-conforming PostScript job of the report.
std::string renderReport(const PrintedReport& report);

}  // namespace dv::standins::access

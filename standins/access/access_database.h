// The stand-in Access's databases: SQLite files read through ODBC (under
// Wine: Wine's odbc32, unixODBC and the SQLite ODBC driver; natively the
// same code on unixODBC). What Access keeps in its own system objects
// lives in three tables of the file:
//
//   dv_reports(name TEXT PRIMARY KEY, title TEXT, record_source TEXT,
//              columns TEXT, sort_by TEXT)
//       one row per report: the table or view it prints, the columns
//       (names separated by commas, printed in that order under their
//       names), and an ORDER BY list ("" for none)
//   dv_filters(name TEXT PRIMARY KEY, condition TEXT)
//       saved filters, the FilterName of OpenReport: an SQL condition
//   dv_database(password TEXT)
//       the database password (no row, or an empty one: none)
//
// Every connection is read-only (the driver is told not to create a
// missing file, and the connection is put in query-only mode), so the
// conditions a caller passes can only filter.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace dv::standins::access {

// A failure of the driver, with its diagnostic text.
class DatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ReportDefinition {
  std::string name, title, recordSource, sortBy;
  std::vector<std::string> columns;
};

using Rows = std::vector<std::vector<std::string>>;

class Database {
 public:
  // Connects to the SQLite file at `unixPath` (the driver's own path).
  static std::unique_ptr<Database> open(const std::string& unixPath);
  virtual ~Database() = default;

  virtual std::string password() = 0;
  virtual std::optional<ReportDefinition> report(const std::string& name) = 0;
  virtual std::optional<std::string> filter(const std::string& name) = 0;
  // The report's rows, restricted by the conditions that are not blank,
  // each in parentheses, in one statement.
  virtual Rows rows(const ReportDefinition& report, const std::string& filterCondition, const std::string& where) = 0;
};

// The statement `rows` runs (for the tests of what reaches the driver).
std::string reportStatement(const ReportDefinition& report, const std::string& filterCondition,
                            const std::string& where);

}  // namespace dv::standins::access

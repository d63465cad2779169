#include "access/access_database.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include "dv/vb.h"

namespace dv::standins::access {

namespace {

// The SQLite3 driver unixODBC knows from odbcinst.ini.
constexpr const char* kDriver = "SQLite3";

std::string quoteIdentifier(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string quoteText(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

// The diagnostic of the last failure on a handle.
std::string diagnostic(SQLSMALLINT type, SQLHANDLE handle) {
  SQLCHAR state[6] = {};
  SQLCHAR message[1024] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length)))
    return "the ODBC driver failed";
  return reinterpret_cast<const char*>(message);
}

class Handle {
 public:
  Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &handle_))) {
      handle_ = SQL_NULL_HANDLE;
      throw DatabaseError("no ODBC handle could be allocated");
    }
  }
  ~Handle() {
    if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  SQLHANDLE get() const { return handle_; }
  void check(SQLRETURN result) const {
    if (!SQL_SUCCEEDED(result)) throw DatabaseError(diagnostic(type_, handle_));
  }

 private:
  SQLSMALLINT type_;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

class OdbcDatabase : public Database {
 public:
  explicit OdbcDatabase(const std::string& unixPath)
      : env_(SQL_HANDLE_ENV, SQL_NULL_HANDLE), dbc_(SQL_HANDLE_DBC, prepareEnvironment(env_)) {
    std::string connection = std::string("DRIVER=") + kDriver + ";Database=" + unixPath + ";NoCreat=1;Timeout=5000;";
    SQLCHAR out[1024] = {};
    SQLSMALLINT outLength = 0;
    dbc_.check(SQLDriverConnect(dbc_.get(), nullptr, reinterpret_cast<SQLCHAR*>(connection.data()),
                                static_cast<SQLSMALLINT>(connection.size()), out, sizeof out, &outLength,
                                SQL_DRIVER_NOPROMPT));
    connected_ = true;
    query("PRAGMA query_only = 1");
  }
  ~OdbcDatabase() override {
    if (connected_) SQLDisconnect(dbc_.get());
  }
  OdbcDatabase(const OdbcDatabase&) = delete;
  OdbcDatabase& operator=(const OdbcDatabase&) = delete;

  std::string password() override {
    Rows r = query("SELECT password FROM dv_database");
    return r.empty() || r.front().empty() ? std::string() : r.front().front();
  }

  std::optional<ReportDefinition> report(const std::string& name) override {
    // Access finds objects by name without regard to case.
    Rows r =
        query("SELECT name, title, record_source, columns, sort_by FROM dv_reports WHERE name = " + quoteText(name) +
              " COLLATE NOCASE");
    if (r.empty() || r.front().size() < 5) return std::nullopt;
    ReportDefinition d{r[0][0], r[0][1], r[0][2], r[0][4], {}};
    for (const std::string& c : vb::Split(r[0][3], ",")) {
      std::string column = vb::Trim(c);
      if (!column.empty()) d.columns.push_back(column);
    }
    return d;
  }

  std::optional<std::string> filter(const std::string& name) override {
    Rows r = query("SELECT condition FROM dv_filters WHERE name = " + quoteText(name) + " COLLATE NOCASE");
    if (r.empty() || r.front().empty()) return std::nullopt;
    return r.front().front();
  }

  Rows rows(const ReportDefinition& report, const std::string& filterCondition, const std::string& where) override {
    return query(reportStatement(report, filterCondition, where));
  }

 private:
  static SQLHANDLE prepareEnvironment(Handle& env) {
    env.check(SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0));
    return env.get();
  }

  Rows query(const std::string& statement) {
    Handle stmt(SQL_HANDLE_STMT, dbc_.get());
    std::string text = statement;
    stmt.check(
        SQLExecDirect(stmt.get(), reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size())));
    SQLSMALLINT columns = 0;
    stmt.check(SQLNumResultCols(stmt.get(), &columns));
    Rows rows;
    if (columns == 0) return rows;  // a statement without a result set
    for (;;) {
      SQLRETURN fetched = SQLFetch(stmt.get());
      if (fetched == SQL_NO_DATA) break;
      stmt.check(fetched);
      std::vector<std::string> row;
      for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) row.push_back(cell(stmt, c));
      rows.push_back(std::move(row));
    }
    return rows;
  }

  // One value as text, read in pieces; NULL reads as "".
  static std::string cell(Handle& stmt, SQLUSMALLINT column) {
    std::string value;
    char buffer[512];
    for (;;) {
      SQLLEN indicator = 0;
      SQLRETURN r = SQLGetData(stmt.get(), column, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
      if (r == SQL_NO_DATA || indicator == SQL_NULL_DATA) break;
      stmt.check(r);
      const size_t room = sizeof buffer - 1;
      const size_t got =
          indicator == SQL_NO_TOTAL || indicator > static_cast<SQLLEN>(room) ? room : static_cast<size_t>(indicator);
      value.append(buffer, got);
      if (r == SQL_SUCCESS) break;
    }
    return value;
  }

  Handle env_;
  Handle dbc_;
  bool connected_ = false;
};

}  // namespace

std::string reportStatement(const ReportDefinition& report, const std::string& filterCondition,
                            const std::string& where) {
  std::string columns;
  for (const std::string& c : report.columns) columns += (columns.empty() ? "" : ", ") + quoteIdentifier(c);
  std::string sql =
      "SELECT " + (columns.empty() ? std::string("*") : columns) + " FROM " + quoteIdentifier(report.recordSource);
  std::vector<std::string> conditions;
  for (const std::string* c : {&filterCondition, &where})
    if (!vb::Trim(*c).empty()) conditions.push_back("(" + *c + ")");
  for (size_t i = 0; i < conditions.size(); ++i) sql += (i ? " AND " : " WHERE ") + conditions[i];
  if (!vb::Trim(report.sortBy).empty()) sql += " ORDER BY " + report.sortBy;
  return sql;
}

std::unique_ptr<Database> Database::open(const std::string& unixPath) {
  return std::make_unique<OdbcDatabase>(unixPath);
}

}  // namespace dv::standins::access

// Microsoft Access, played for the report conversions: "Access.Application"
// with Visible, Printers (Item by name or index, Count), Printer (get, and
// set with a Printer: DeviceName, Port, DriverName),
// OpenCurrentDatabase(filepath, Exclusive, bstrPassword),
// CloseCurrentDatabase, DoCmd (OpenReport, Close) and Quit. Its version
// follows the machine's Access.Application\CurVer: Access 9 has no
// Printer, Printers or bstrPassword. Databases are SQLite files read
// through ODBC (access_database.h); a report printed with view 0 is
// rendered as PostScript (access_report.h) and printed as its printer
// prints (access_printing.h).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "access/access_database.h"
#include "dv/host.h"
#include "dv/standins/standin.h"

namespace dv::standins::access {

inline constexpr const char* kErrorSource = "Microsoft Access";

// Access's errors as automation clients see them (0x800A0000 + n).
inline constexpr int32_t accessError(int n) { return static_cast<int32_t>(0x800A0000u + static_cast<uint32_t>(n)); }
inline constexpr int32_t kReportMissing = accessError(2103);
inline constexpr int32_t kNotAValidPassword = accessError(3031);
inline constexpr int32_t kSyntaxError = accessError(3075);
inline constexpr int32_t kInvalidProcedureCall = accessError(5);  // a printer Printers does not hold
inline constexpr int32_t kCannotOpenDatabase = accessError(7866);
inline constexpr int32_t kActionNotAvailable = accessError(2046);  // OpenReport without a database
inline constexpr int32_t kCannotPrint = accessError(2212);
inline constexpr int32_t kObjectMissing = accessError(7874);  // a FilterName the database lacks

// How printed output reaches its file a moment after OpenReport returned
// (the spooler's work): `produce` makes the bytes; nullopt drops the job.
using Spooler = std::function<void(const std::string& path, std::function<std::optional<std::string>()> produce)>;

// What Access reaches outside itself. The COM hosting installs the
// machine's; native tests install in-memory ones.
struct Environment {
  FileSystem* files = nullptr;
  Printers* printers = nullptr;
  Registry* registry = nullptr;
  // The print queues of the machine (the PDF printer is added to them).
  std::function<std::vector<std::string>()> queues;
  // The path under which the ODBC driver finds a database a client names.
  std::function<std::string(const std::string& clientPath)> databasePath;
  // A modal file-name dialog of the given caption; nullopt when cancelled.
  std::function<std::optional<std::string>(const std::string& caption)> askFileName;
  Spooler spool;
  // One raw PostScript job on a queue of the machine (the PDF printer's
  // queue hands it to its agent, which asks for the file afterwards);
  // empty on success, otherwise what failed.
  std::function<std::string(const std::string& printer, const std::string& documentName, const std::string& postScript)>
      sendToQueue;
  // The PDF printer's work: PostScript in, PDF bytes out.
  std::function<std::optional<std::string>(const std::string& postScript)> makePdf;
};
void setEnvironment(Environment env);
Environment& environment();
// The machine's own surroundings (the COM hosting on Windows installs them
// when the first Access starts).
void installPlatformEnvironment();

const TypeLibDef& accessLib();
const ClassDef& applicationClass();
const ClassDef& printersClass();
const ClassDef& printerClass();
const ClassDef& doCmdClass();

// Access instances started and not yet quit.
int runningInstances();
void resetRunningInstances();

}  // namespace dv::standins::access

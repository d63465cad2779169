// The VB-compatible runtime: the one place where conversion, comparison,
// string and error rules of the language the behaviour was written in
// live. Everything in the library uses these, never ad hoc variants.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dv/automation.h"
#include "dv/host.h"
#include "dv/variant.h"

namespace dv::vb {

// ---- Error numbers ----
inline constexpr int32_t kLibraryError = static_cast<int32_t>(0x80004100u);  // -2147467008
inline constexpr const char* kLibrarySource = "Docvane";

// VB runtime errors travel as 0x800A0000 + n.
enum RuntimeError : int {
  kInvalidProcedureCall = 5,
  kOverflow = 6,
  kSubscriptOutOfRange = 9,
  kTypeMismatch = 13,
  kFileNotFound = 53,
  kFileAlreadyOpen = 55,
  kPathFileAccess = 75,
  kPathNotFound = 76,
  kObjectNotSet = 91,
  kInvalidUseOfNull = 94,
  kCantCreateObject = 429,
  kObjectDoesntSupport = 438,
  kApplicationDefined = 1004,  // 0x800A03EC, Excel's "number 1004"
};

int32_t runtimeErrorNumber(int vbError);                         // 0x800A0000 + n
int runtimeErrorOf(int32_t number);                              // n for 0x800A0000 + n, else 0
std::string runtimeErrorDescription(int vbError);                // VB's standard text
[[noreturn]] void raise(int vbError);                            // AutomationError with VB's text
[[noreturn]] void raiseLibrary(const std::string& description);  // 0x80004100, "Docvane"

// ---- Strings ----
std::string Trim(std::string_view s);  // blanks (space) only, not tabs
std::string LTrim(std::string_view s);
std::string RTrim(std::string_view s);
std::string LCase(std::string_view s);  // ANSI (Windows-1252) letters
std::string UCase(std::string_view s);
// Option Compare Text / Binary: <0, 0, >0.
int compareText(std::string_view a, std::string_view b);
int compareBinary(std::string_view a, std::string_view b);
// Positions and lengths below count characters (code points of the UTF-8
// text), as VB counts them; do not mix them with std::string byte offsets.
int64_t Len(std::string_view s);
// InStr(start, haystack, needle): 1-based position or 0.
int32_t InStr(int32_t start, std::string_view haystack, std::string_view needle, bool textCompare = false);
int32_t InStrRev(std::string_view haystack, std::string_view needle);
std::string Left(std::string_view s, int64_t n);
std::string Right(std::string_view s, int64_t n);
std::string Mid(std::string_view s, int64_t start, int64_t length = -1);
std::string Replace(std::string_view s, std::string_view find, std::string_view with);
std::vector<std::string> Split(std::string_view s, std::string_view delimiter);

// ---- Numbers ----
// The leading-number rule: "8.0" -> 8, "10.1.2" -> 10.1, " 7x" -> 7, "x" -> 0.
double Val(std::string_view s);
// Banker's rounding (halves to even), as CInt/CLng do.
double roundHalfEven(double x);
// Checked 16-bit arithmetic: overflow raises 6.
int16_t add16(int16_t a, int16_t b);
int16_t mul16(int16_t a, int16_t b);

// ---- Variant conversions (VB coercion rules; errors 6 and 13) ----
bool IsMissing(const Variant& v);
bool CBool(const Variant& v);
uint8_t CByte(const Variant& v);
int16_t CInt(const Variant& v);
int32_t CLng(const Variant& v);
float CSng(const Variant& v);
double CDbl(const Variant& v);
std::string CStr(const Variant& v);
// CDate: numbers as OLE dates, strings as "m/d/yyyy [h:mm[:ss] [AM|PM]]",
// "yyyy-mm-dd[ hh:mm[:ss]]" or a time alone; anything else raises 13.
double CDate(const Variant& v);
// Converts to a given element type (used by typed arrays and by-ref coercion).
Variant convert(const Variant& v, VarType to);
// Variant comparison as VB sorts: numbers numerically, strings by the
// chosen compare mode, Empty as 0 or "", numbers before strings.
int compareVariants(const Variant& a, const Variant& b, bool textCompare = false);

// ---- Dates (OLE dates: days since 30 Dec 1899, time as the fraction) ----
// DateSerial/TimeSerial normalise out-of-range months, days and seconds.
double DateSerial(int year, int month, int day);
double TimeSerial(int hour, int minute, int second);
struct DateParts {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};
// Rounded to the second, as VB shows it; 5 outside the OLE date range
// (1 Jan 100 to 31 Dec 9999), so also CStr of such a date.
DateParts dateParts(double oleDate);

// ---- Files with VB's errors ----
int64_t FileLen(FileSystem& fs, const std::string& path);  // 53 when missing
// Kill accepts wildcards in the name; 53 when nothing matches, 75 when a
// matching file cannot be deleted.
void Kill(FileSystem& fs, const std::string& path);
void MkDir(FileSystem& fs, const std::string& path);                     // 75 exists, 76 no parent
std::vector<FileEntry> Dir(FileSystem& fs, const std::string& pattern);  // files only

}  // namespace dv::vb

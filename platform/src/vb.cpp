// The VB-compatible runtime. Every rule here mirrors what the VB6 runtime
// (and OLE Automation's Var* conversions underneath it) does, because the
// behaviour the library reproduces was written against those rules: blanks
// vs. whitespace, banker's rounding, Val's forgiving parse vs. CDbl's strict
// one, "True"/"False" texts, en-US date texts, and the standard error texts.
#include "dv/vb.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace dv::vb {

// ===========================================================================
// Errors

int32_t runtimeErrorNumber(int vbError) { return static_cast<int32_t>(0x800A0000u + static_cast<uint32_t>(vbError)); }

int runtimeErrorOf(int32_t number) {
  const auto u = static_cast<uint32_t>(number);
  return (u & 0xFFFF0000u) == 0x800A0000u ? static_cast<int>(u & 0xFFFFu) : 0;
}

std::string runtimeErrorDescription(int vbError) {
  switch (vbError) {
    case 3:
      return "Return without GoSub";
    case 5:
      return "Invalid procedure call or argument";
    case 6:
      return "Overflow";
    case 7:
      return "Out of memory";
    case 9:
      return "Subscript out of range";
    case 10:
      return "This array is fixed or temporarily locked";
    case 11:
      return "Division by zero";
    case 13:
      return "Type mismatch";
    case 28:
      return "Out of stack space";
    case 52:
      return "Bad file name or number";
    case 53:
      return "File not found";
    case 54:
      return "Bad file mode";
    case 55:
      return "File already open";
    case 57:
      return "Device I/O error";
    case 58:
      return "File already exists";
    case 61:
      return "Disk full";
    case 62:
      return "Input past end of file";
    case 67:
      return "Too many files";
    case 68:
      return "Device unavailable";
    case 70:
      return "Permission denied";
    case 71:
      return "Disk not ready";
    case 74:
      return "Can't rename with different drive";
    case 75:
      return "Path/File access error";
    case 76:
      return "Path not found";
    case 91:
      return "Object variable or With block variable not set";
    case 92:
      return "For loop not initialized";
    case 94:
      return "Invalid use of Null";
    case 424:
      return "Object required";
    case 429:
      return "ActiveX component can't create object";
    case 430:
      return "Class does not support Automation or does not support expected interface";
    case 438:
      return "Object doesn't support this property or method";
    case 440:
      return "Automation error";
    case 445:
      return "Object doesn't support this action";
    case 448:
      return "Named argument not found";
    case 449:
      return "Argument not optional";
    case 450:
      return "Wrong number of arguments or invalid property assignment";
    case 451:
      return "Property let procedure not defined and property get procedure did not return an object";
    case 457:
      return "This key is already associated with an element of this collection";
    case 458:
      return "Variable uses an Automation type not supported in Visual Basic";
    case 459:
      return "Object or class does not support the set of events";
    // VB gives every number it has no text for this description, 1004 included.
    default:
      return "Application-defined or object-defined error";
  }
}

void raise(int vbError) {
  throw AutomationError(runtimeErrorNumber(vbError), kLibrarySource, runtimeErrorDescription(vbError));
}

void raiseLibrary(const std::string& description) { throw AutomationError(kLibraryError, kLibrarySource, description); }

// ===========================================================================
// UTF-8 text handled as characters

namespace {

// Decodes one code point. Bytes that are not valid UTF-8 count as one
// character each (as the ANSI byte they most likely were).
uint32_t decode(std::string_view s, size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  auto cont = [&](size_t k) { return i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80; };
  auto byte = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(s[i + k]) & 0x3F); };
  if (b0 < 0x80) {
    i += 1;
    return b0;
  }
  if ((b0 & 0xE0) == 0xC0 && b0 >= 0xC2 && cont(1)) {
    const uint32_t cp = ((b0 & 0x1Fu) << 6) | byte(1);
    i += 2;
    return cp;
  }
  if ((b0 & 0xF0) == 0xE0 && cont(1) && cont(2)) {
    const uint32_t cp = ((b0 & 0x0Fu) << 12) | (byte(1) << 6) | byte(2);
    i += 3;
    return cp;
  }
  if ((b0 & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
    const uint32_t cp = ((b0 & 0x07u) << 18) | (byte(1) << 12) | (byte(2) << 6) | byte(3);
    i += 4;
    return cp;
  }
  i += 1;
  return b0;
}

void encode(uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Case pairs of Windows-1252: ASCII, Latin-1 letters and the few extra
// letters 1252 puts in 0x80-0x9F (Š Œ Ž Ÿ).
uint32_t lowerOf(uint32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
  switch (cp) {
    case 0x160:
      return 0x161;
    case 0x152:
      return 0x153;
    case 0x17D:
      return 0x17E;
    case 0x178:
      return 0xFF;
  }
  return cp;
}

uint32_t upperOf(uint32_t cp) {
  if (cp >= 'a' && cp <= 'z') return cp - 32;
  if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 32;
  switch (cp) {
    case 0x161:
      return 0x160;
    case 0x153:
      return 0x152;
    case 0x17E:
      return 0x17D;
    case 0xFF:
      return 0x178;
  }
  return cp;
}

// Only bytes that decode as themselves can be copied straight through.
template <typename Map>
std::string mapCase(std::string_view s, Map map) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const size_t start = i;
    const uint32_t cp = decode(s, i);
    const uint32_t mapped = map(cp);
    if (mapped == cp) {
      out.append(s.substr(start, i - start));
    } else {
      encode(mapped, out);
    }
  }
  return out;
}

// Byte offset of the character with 0-based index `chars` (or s.size()).
size_t byteOffset(std::string_view s, int64_t chars) {
  size_t i = 0;
  for (int64_t n = 0; n < chars && i < s.size(); ++n) decode(s, i);
  return i;
}

int64_t charCount(std::string_view s, size_t bytes) {
  int64_t n = 0;
  for (size_t i = 0; i < bytes && i < s.size(); ++n) decode(s, i);
  return n;
}

bool isBlank(char c) { return c == ' '; }

}  // namespace

// ===========================================================================
// Strings

std::string LTrim(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && isBlank(s[b])) ++b;
  return std::string(s.substr(b));
}

std::string RTrim(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && isBlank(s[e - 1])) --e;
  return std::string(s.substr(0, e));
}

std::string Trim(std::string_view s) { return LTrim(RTrim(s)); }

std::string LCase(std::string_view s) { return mapCase(s, lowerOf); }
std::string UCase(std::string_view s) { return mapCase(s, upperOf); }

int compareBinary(std::string_view a, std::string_view b) {
  // UTF-8 byte order is code point order.
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int compareText(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const uint32_t ca = lowerOf(decode(a, i));
    const uint32_t cb = lowerOf(decode(b, j));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

int64_t Len(std::string_view s) { return charCount(s, s.size()); }

int32_t InStr(int32_t start, std::string_view haystack, std::string_view needle, bool textCompare) {
  if (start < 1) raise(kInvalidProcedureCall);
  if (haystack.empty()) return 0;
  const int64_t length = Len(haystack);
  if (start > length) return 0;
  if (needle.empty()) return start;
  // Case folding keeps every character's byte length (all 1252 pairs are
  // both one or both two bytes long), so offsets carry over.
  const std::string h = textCompare ? LCase(haystack) : std::string(haystack);
  const std::string n = textCompare ? LCase(needle) : std::string(needle);
  const size_t from = byteOffset(h, start - 1);
  const size_t at = h.find(n, from);
  if (at == std::string::npos) return 0;
  return static_cast<int32_t>(charCount(h, at) + 1);
}

int32_t InStrRev(std::string_view haystack, std::string_view needle) {
  if (haystack.empty()) return 0;
  if (needle.empty()) return static_cast<int32_t>(Len(haystack));
  const size_t at = haystack.rfind(needle);
  if (at == std::string_view::npos) return 0;
  return static_cast<int32_t>(charCount(haystack, at) + 1);
}

std::string Left(std::string_view s, int64_t n) {
  if (n < 0) raise(kInvalidProcedureCall);
  return std::string(s.substr(0, byteOffset(s, n)));
}

std::string Right(std::string_view s, int64_t n) {
  if (n < 0) raise(kInvalidProcedureCall);
  const int64_t length = Len(s);
  if (n >= length) return std::string(s);
  return std::string(s.substr(byteOffset(s, length - n)));
}

std::string Mid(std::string_view s, int64_t start, int64_t length) {
  if (start < 1 || length < -1) raise(kInvalidProcedureCall);
  const size_t from = byteOffset(s, start - 1);
  if (length == -1) return std::string(s.substr(from));
  const std::string_view rest = s.substr(from);
  return std::string(rest.substr(0, byteOffset(rest, length)));
}

std::string Replace(std::string_view s, std::string_view find, std::string_view with) {
  if (find.empty()) return std::string(s);
  std::string out;
  size_t pos = 0;
  for (;;) {
    const size_t at = s.find(find, pos);
    if (at == std::string_view::npos) break;
    out.append(s.substr(pos, at - pos));
    out.append(with);
    pos = at + find.size();
  }
  out.append(s.substr(pos));
  return out;
}

std::vector<std::string> Split(std::string_view s, std::string_view delimiter) {
  std::vector<std::string> parts;
  if (s.empty()) return parts;  // VB: an array with UBound -1
  if (delimiter.empty()) return {std::string(s)};
  size_t pos = 0;
  for (;;) {
    const size_t at = s.find(delimiter, pos);
    if (at == std::string_view::npos) break;
    parts.emplace_back(s.substr(pos, at - pos));
    pos = at + delimiter.size();
  }
  parts.emplace_back(s.substr(pos));
  return parts;
}

// ===========================================================================
// Numbers

namespace {

double checkedDouble(double d) {
  if (!std::isfinite(d)) raise(kOverflow);
  return d;
}

double parseDecimal(const std::string& text) {
  double d = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), d);
  if (r.ec == std::errc::result_out_of_range) raise(kOverflow);
  return checkedDouble(d);
}

// &H / &O literals: up to 16 bits they are Integers, up to 32 bits Longs,
// both signed ("&HFFFF" is -1, "&H10000" is 65536).
std::optional<double> radixValue(std::string_view digits, int radix, bool& overflow) {
  overflow = false;
  uint64_t value = 0;
  size_t used = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (radix == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (radix == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else break;
    if (d >= radix) break;
    value = value * radix + static_cast<uint64_t>(d);
    if (value > 0xFFFFFFFFu) overflow = true;
    ++used;
  }
  if (used == 0) return std::nullopt;
  if (overflow) return std::nullopt;
  if (value <= 0xFFFF) return static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(value)));
  return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

// Scans the longest number at the front of `s` (no blanks inside). Returns
// the characters used; `text` receives a from_chars-ready form.
size_t scanDecimal(std::string_view s, std::string& text) {
  size_t i = 0;
  text.clear();
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') text += '-';
    ++i;
  }
  size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') text += s[i++], ++digits;
  if (i < s.size() && s[i] == '.') {
    size_t j = i + 1;
    std::string frac;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') frac += s[j++];
    if (digits > 0 || !frac.empty()) {
      text += '.';
      text += frac;
      digits += frac.size();
      i = j;
    }
  }
  if (digits == 0) {
    text.clear();
    return 0;
  }
  // Exponent (E or D, as VB writes doubles), only when digits follow.
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    size_t j = i + 1;
    std::string exp = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exp += s[j++];
    const size_t expStart = j;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') exp += s[j++];
    if (j > expStart) {
      text += exp;
      i = j;
    }
  }
  return i;
}

bool isSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

// CDbl of a string: the whole text (blanks and tabs around it aside) must
// be a number. Anything else is a type mismatch.
std::optional<double> parseStrict(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && isSpaceOrTab(s[b])) ++b;
  while (e > b && isSpaceOrTab(s[e - 1])) --e;
  s = s.substr(b, e - b);
  if (s.empty()) return std::nullopt;
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
    const int radix = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
    const std::string_view digits = s.substr(2);
    bool overflow = false;
    const auto v = radixValue(digits, radix, overflow);
    if (overflow) raise(kOverflow);
    if (!v) return std::nullopt;
    // Every character must have been a digit of the radix.
    for (char c : digits) {
      const bool ok = radix == 16 ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : (c >= '0' && c <= '7');
      if (!ok) return std::nullopt;
    }
    return v;
  }
  std::string text;
  const size_t used = scanDecimal(s, text);
  if (used == 0 || used != s.size()) return std::nullopt;
  return parseDecimal(text);
}

}  // namespace

double Val(std::string_view s) {
  // Val ignores blanks, tabs and line feeds wherever they are ("1 2" is 12).
  std::string t;
  t.reserve(s.size());
  for (char c : s) {
    if (c != ' ' && c != '\t' && c != '\n') t += c;
  }
  if (t.size() >= 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h' || t[1] == 'O' || t[1] == 'o')) {
    bool overflow = false;
    const auto v = radixValue(std::string_view(t).substr(2), (t[1] == 'H' || t[1] == 'h') ? 16 : 8, overflow);
    if (overflow) raise(kOverflow);
    return v.value_or(0.0);
  }
  std::string text;
  if (scanDecimal(t, text) == 0) return 0.0;
  return parseDecimal(text);
}

double roundHalfEven(double x) {
  const double lower = std::floor(x);
  const double diff = x - lower;
  if (diff > 0.5) return lower + 1;
  if (diff < 0.5) return lower;
  return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

int16_t add16(int16_t a, int16_t b) {
  const int32_t r = int32_t{a} + int32_t{b};
  if (r < INT16_MIN || r > INT16_MAX) raise(kOverflow);
  return static_cast<int16_t>(r);
}

int16_t mul16(int16_t a, int16_t b) {
  const int32_t r = int32_t{a} * int32_t{b};
  if (r < INT16_MIN || r > INT16_MAX) raise(kOverflow);
  return static_cast<int16_t>(r);
}

// ===========================================================================
// Dates

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date and back
// (H. Hinnant's algorithms); OLE day 0 is 1899-12-30, Unix day -25569.
constexpr int64_t kOleToUnixDays = 25569;
// The OLE date range: 1 Jan 100 up to the end of 31 Dec 9999.
constexpr double kOleDateMin = -657434.0;
constexpr double kOleDateEnd = 2958466.0;

int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}

// OLE dates before 1899-12-30 keep the time as a positive fraction after a
// negative day number: -1.25 is 29 Dec 1899, 06:00.
double oleFromDayAndSeconds(int64_t day, int64_t seconds) {
  const double frac = static_cast<double>(seconds) / 86400.0;
  return day >= 0 ? static_cast<double>(day) + frac : static_cast<double>(day) - frac;
}

}  // namespace

double DateSerial(int year, int month, int day) {
  // Normalise the month into the year first, then let the day run on.
  int64_t y = year;
  int64_t m0 = static_cast<int64_t>(month) - 1;
  y += m0 >= 0 ? m0 / 12 : -((11 - m0) / 12);
  m0 = ((m0 % 12) + 12) % 12;
  const int64_t days = daysFromCivil(y, static_cast<unsigned>(m0 + 1), 1) + kOleToUnixDays + day - 1;
  return static_cast<double>(days);
}

double TimeSerial(int hour, int minute, int second) {
  const int64_t total = int64_t{hour} * 3600 + int64_t{minute} * 60 + second;
  const int64_t day = total >= 0 ? total / 86400 : -((86399 - total) / 86400);
  const int64_t rest = total - day * 86400;
  // A negative total lands on the previous day(s), like VB's TimeSerial.
  return oleFromDayAndSeconds(day, rest);
}

DateParts dateParts(double oleDate) {
  // Outside the OLE date range the parts are no calendar date (and do not
  // fit the integers below); OLE refuses to show such a date as well.
  if (!(oleDate >= kOleDateMin && oleDate < kOleDateEnd)) raise(kInvalidProcedureCall);
  double whole = std::trunc(oleDate);
  int64_t seconds = std::llround(std::fabs(oleDate - whole) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    whole += oleDate >= 0 ? 1 : -1;
  }
  DateParts p;
  civilFromDays(static_cast<int64_t>(whole) - kOleToUnixDays, p.year, p.month, p.day);
  p.hour = static_cast<int>(seconds / 3600);
  p.minute = static_cast<int>(seconds / 60 % 60);
  p.second = static_cast<int>(seconds % 60);
  return p;
}

namespace {

// The general date format of an en-US system: "m/d/yyyy h:mm:ss AM", the
// date alone at midnight, the time alone on day zero.
std::string formatDate(double oleDate) {
  const DateParts p = dateParts(oleDate);
  const bool hasTime = p.hour != 0 || p.minute != 0 || p.second != 0;
  const bool hasDate = std::trunc(oleDate) != 0;
  char date[32] = {0}, time[32] = {0};
  std::snprintf(date, sizeof date, "%d/%d/%d", p.month, p.day, p.year);
  const int h12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
  std::snprintf(time, sizeof time, "%d:%02d:%02d %s", h12, p.minute, p.second, p.hour < 12 ? "AM" : "PM");
  if (hasDate && hasTime) return std::string(date) + " " + time;
  if (hasDate) return date;
  return time;
}

bool readInt(std::string_view s, size_t& i, int& out, size_t maxDigits) {
  const size_t start = i;
  out = 0;
  while (i < s.size() && i - start < maxDigits && s[i] >= '0' && s[i] <= '9') out = out * 10 + (s[i++] - '0');
  return i > start;
}

bool validDate(int y, int m, int d) {
  if (m < 1 || m > 12 || d < 1 || y < 100 || y > 9999) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

// Parses "h:mm[:ss] [AM|PM]" at s[i..]; sets seconds of the day.
bool parseTime(std::string_view s, size_t& i, int64_t& seconds) {
  int h = 0, mi = 0, se = 0;
  if (!readInt(s, i, h, 2) || i >= s.size() || s[i] != ':') return false;
  ++i;
  if (!readInt(s, i, mi, 2)) return false;
  if (i < s.size() && s[i] == ':') {
    ++i;
    if (!readInt(s, i, se, 2)) return false;
  }
  while (i < s.size() && s[i] == ' ') ++i;
  if (i + 1 < s.size() && (s[i] == 'A' || s[i] == 'a' || s[i] == 'P' || s[i] == 'p') &&
      (s[i + 1] == 'M' || s[i + 1] == 'm')) {
    const bool pm = s[i] == 'P' || s[i] == 'p';
    if (h < 1 || h > 12) return false;
    h = h % 12 + (pm ? 12 : 0);
    i += 2;
  }
  if (h > 23 || mi > 59 || se > 59) return false;
  seconds = int64_t{h} * 3600 + mi * 60 + se;
  return true;
}

std::optional<double> parseDate(std::string_view text) {
  const std::string t = Trim(text);
  const std::string_view s = t;
  size_t i = 0;
  int a = 0, b = 0, c = 0;
  int64_t day = 0;
  bool haveDate = false;
  if (readInt(s, i, a, 4)) {
    if (i < s.size() && (s[i] == '/' || s[i] == '-')) {
      const char sep = s[i++];
      if (!readInt(s, i, b, 2) || i >= s.size() || s[i] != sep) return std::nullopt;
      ++i;
      const size_t yearStart = i;
      if (!readInt(s, i, c, 4)) return std::nullopt;
      int y, m, d;
      if (sep == '-' && a >= 100) {  // ISO yyyy-mm-dd
        y = a, m = b, d = c;
      } else {  // en-US m/d/yyyy; two-digit years fall in 1930..2029
        m = a, d = b, y = c;
        if (i - yearStart <= 2) y += y < 30 ? 2000 : 1900;
      }
      if (!validDate(y, m, d)) return std::nullopt;
      day = daysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) + kOleToUnixDays;
      haveDate = true;
      while (i < s.size() && s[i] == ' ') ++i;
      if (i < s.size() && (s[i] == 'T' || s[i] == 't')) ++i;
    } else {
      i = 0;  // a time alone
    }
  } else {
    return std::nullopt;
  }
  int64_t seconds = 0;
  if (i < s.size()) {
    if (!parseTime(s, i, seconds)) return std::nullopt;
    while (i < s.size() && s[i] == ' ') ++i;
    if (i != s.size()) return std::nullopt;
  } else if (!haveDate) {
    return std::nullopt;
  }
  return oleFromDayAndSeconds(day, seconds);
}

}  // namespace

// ===========================================================================
// Variant conversions

namespace {

[[noreturn]] void mismatch() { raise(kTypeMismatch); }

// The numeric value of a variant as CDbl sees it.
double numericValue(const Variant& v) {
  if (v.isArray()) mismatch();
  switch (v.type()) {
    case VarType::Empty:
      return 0.0;
    case VarType::Null:
      raise(kInvalidUseOfNull);
    case VarType::Bool:
      return v.boolValue() ? -1.0 : 0.0;
    case VarType::Int16:
      return v.int16Value();
    case VarType::Int32:
      return v.int32Value();
    case VarType::Byte:
      return v.byteValue();
    case VarType::Single:
      return v.singleValue();
    case VarType::Double:
      return v.doubleValue();
    case VarType::Date:
      return v.dateValue();
    case VarType::String: {
      const auto d = parseStrict(v.stringValue());
      if (!d) mismatch();
      return *d;
    }
    default:
      mismatch();
  }
}

double roundedIn(const Variant& v, double lo, double hi) {
  const double d = roundHalfEven(numericValue(v));
  if (!(d >= lo && d <= hi)) raise(kOverflow);
  return d;
}

std::string formatNumber(double d, int digits) {
  if (d == 0) return "0";  // also "-0"
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.*G", digits, d);
  return buf;
}

}  // namespace

bool IsMissing(const Variant& v) { return v.isMissing(); }

bool CBool(const Variant& v) {
  if (!v.isArray() && v.type() == VarType::String) {
    const std::string t = Trim(v.stringValue());
    if (compareText(t, "True") == 0) return true;
    if (compareText(t, "False") == 0) return false;
  }
  return numericValue(v) != 0.0;
}

uint8_t CByte(const Variant& v) { return static_cast<uint8_t>(roundedIn(v, 0, 255)); }
int16_t CInt(const Variant& v) { return static_cast<int16_t>(roundedIn(v, INT16_MIN, INT16_MAX)); }
int32_t CLng(const Variant& v) { return static_cast<int32_t>(roundedIn(v, INT32_MIN, INT32_MAX)); }

float CSng(const Variant& v) {
  const double d = numericValue(v);
  if (std::fabs(d) > FLT_MAX) raise(kOverflow);
  return static_cast<float>(d);
}

double CDbl(const Variant& v) { return numericValue(v); }

double CDate(const Variant& v) {
  if (!v.isArray() && v.type() == VarType::String) {
    if (const auto d = parseDate(v.stringValue())) return *d;
    mismatch();
  }
  const double d = numericValue(v);
  if (!(d >= kOleDateMin && d < kOleDateEnd)) raise(kOverflow);  // NaN too
  return d;
}

std::string CStr(const Variant& v) {
  if (v.isArray()) mismatch();
  switch (v.type()) {
    case VarType::Empty:
      return std::string();
    case VarType::Null:
      raise(kInvalidUseOfNull);
    case VarType::Bool:
      return v.boolValue() ? "True" : "False";
    case VarType::Int16:
      return std::to_string(v.int16Value());
    case VarType::Int32:
      return std::to_string(v.int32Value());
    case VarType::Byte:
      return std::to_string(v.byteValue());
    // VB shows 7 significant digits of a Single and 15 of a Double,
    // switching to "1E+15" / "1E-05" as %G does.
    case VarType::Single:
      return formatNumber(v.singleValue(), 7);
    case VarType::Double:
      return formatNumber(v.doubleValue(), 15);
    case VarType::Date:
      return formatDate(v.dateValue());
    case VarType::String:
      return v.stringValue();
    default:
      mismatch();
  }
}

Variant convert(const Variant& v, VarType to) {
  switch (to) {
    case VarType::Variant:
      return v.target();
    case VarType::Empty:
      return Variant();
    case VarType::Null:
      return Variant::null();
    case VarType::Int16:
      return Variant(CInt(v));
    case VarType::Int32:
      return Variant(CLng(v));
    case VarType::Byte:
      return Variant(CByte(v));
    case VarType::Single:
      return Variant(CSng(v));
    case VarType::Double:
      return Variant(CDbl(v));
    case VarType::Date:
      return Variant::date(CDate(v));
    case VarType::String:
      return Variant(CStr(v));
    case VarType::Bool:
      return Variant(CBool(v));
    case VarType::Object:
      if (v.isArray()) mismatch();
      if (v.type() == VarType::Object) return v.target();
      if (v.type() == VarType::Empty) return Variant(ObjectPtr());
      mismatch();
    case VarType::Error:
      if (!v.isArray() && v.type() == VarType::Error) return v.target();
      mismatch();
  }
  mismatch();
}

int compareVariants(const Variant& a, const Variant& b, bool textCompare) {
  enum Kind { kNull, kEmpty, kNumber, kString };
  auto kindOf = [](const Variant& v) {
    if (v.isArray()) mismatch();
    switch (v.type()) {
      case VarType::Null:
        return kNull;
      case VarType::Empty:
        return kEmpty;
      case VarType::String:
        return kString;
      case VarType::Bool:
      case VarType::Int16:
      case VarType::Int32:
      case VarType::Byte:
      case VarType::Single:
      case VarType::Double:
      case VarType::Date:
        return kNumber;
      default:
        mismatch();
    }
  };
  const Kind ka = kindOf(a), kb = kindOf(b);
  auto numbers = [](double x, double y) { return x < y ? -1 : (x > y ? 1 : 0); };
  auto strings = [&](std::string_view x, std::string_view y) {
    return textCompare ? compareText(x, y) : compareBinary(x, y);
  };
  // Null sorts first; Empty takes the other side's type (0 or "").
  if (ka == kNull || kb == kNull) return ka == kb ? 0 : (ka == kNull ? -1 : 1);
  if (ka == kEmpty && kb == kEmpty) return 0;
  if (ka == kEmpty) return kb == kNumber ? numbers(0, CDbl(b)) : strings("", b.stringValue());
  if (kb == kEmpty) return ka == kNumber ? numbers(CDbl(a), 0) : strings(a.stringValue(), "");
  if (ka == kNumber && kb == kNumber) return numbers(CDbl(a), CDbl(b));
  if (ka == kString && kb == kString) return strings(a.stringValue(), b.stringValue());
  return ka == kNumber ? -1 : 1;  // numbers before strings
}

// ===========================================================================
// Files

namespace {
bool hasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

std::string folderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
}  // namespace

int64_t FileLen(FileSystem& fs, const std::string& path) {
  const auto n = fs.fileLength(path);
  if (!n) raise(kFileNotFound);
  return *n;
}

void Kill(FileSystem& fs, const std::string& path) {
  std::vector<FileEntry> files = Dir(fs, path);
  if (files.empty()) raise(kFileNotFound);
  const std::string folder = folderOf(path);
  for (const FileEntry& f : files) {
    const std::string full = hasWildcard(path) ? folder + f.name : path;
    if (!fs.deleteFile(full)) raise(kPathFileAccess);
  }
}

void MkDir(FileSystem& fs, const std::string& path) {
  const int rc = fs.createFolder(path);
  if (rc != 0) raise(rc);
}

std::vector<FileEntry> Dir(FileSystem& fs, const std::string& pattern) {
  std::vector<FileEntry> entries = fs.list(pattern);
  std::erase_if(entries, [](const FileEntry& e) { return e.directory; });
  return entries;
}

}  // namespace dv::vb

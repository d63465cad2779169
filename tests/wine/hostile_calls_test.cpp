// Every member of the public interfaces, read from Docvane.dll's type
// library, called through IDispatch::Invoke with hostile arguments drawn
// from a seeded generator. A child process runs the calls of one interface
// (so a crash kills only the child and is pinned to a member and seed); a
// watchdog thread in the child bounds each call. After every call the child
// checks: failures carry source and description, an invalid input file is
// not a success, no stand-in object is left alive (journal create/destroy),
// the default printer is unchanged, nothing new in the temporary folder,
// no dlgrelay.exe left running.
//
// The bench runs a fixed sample (DV_HOSTILE_SEEDS seeds per member, from
// DV_HOSTILE_SEED; DV_HOSTILE_MEMBER="_CreatePDF.PrintAPI" keeps one member).
// Findings are printed as "FINDING <Interface.Member>#<seed> <what>".
#include <windows.h>
#include <oleauto.h>
#include <tlhelp32.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench_files.h"
#include "dv/standins/com_hosting.h"
#include "dv/win32/com.h"
#include "dv/win32/handle.h"
#include "frame_wine_common.h"

namespace {

using dv::win32::ComPtr;
using dv::win32::FuncDesc;
using dv::win32::TypeAttr;
using dv::winetest::env;
using dv::winetest::exists;

// ---- members ---------------------------------------------------------

struct Param {
  std::string name;
  VARTYPE type = VT_VARIANT;  // the declared type, without VT_BYREF
  bool byRef = false;
  bool optional = false;
};

struct Member {
  std::string itf, name;
  MEMBERID id = 0;
  INVOKEKIND kind = INVOKE_FUNC;
  std::vector<Param> params;  // without the retval
  std::string label() const {
    std::string k = kind == INVOKE_PROPERTYGET ? " get" : kind == INVOKE_PROPERTYPUT ? " put" : "";
    return itf + "." + name + k;
  }
};

VARTYPE declared(ITypeInfo* info, const TYPEDESC& t) {
  if (t.vt != VT_USERDEFINED) return t.vt;
  ComPtr<ITypeInfo> ref;
  if (SUCCEEDED(info->GetRefTypeInfo(t.hreftype, ref.put()))) {
    TypeAttr a(ref.get());
    if (a && a->typekind == TKIND_ENUM) return VT_I4;
  }
  return VT_VARIANT;
}

std::vector<Member> listMembers(const wchar_t* itf) {
  std::vector<Member> out;
  ComPtr<ITypeLib> lib;
  if (FAILED(LoadTypeLibEx(dvtest::docvanePath().c_str(), REGKIND_NONE, lib.put()))) return out;
  ITypeInfo* raw = nullptr;
  MEMBERID id = 0;
  USHORT found = 1;
  std::wstring name = itf;
  if (FAILED(lib->FindName(name.data(), 0, &raw, &id, &found)) || !found || !raw) return out;
  auto dispatchView = ComPtr<ITypeInfo>::adopt(raw);
  ComPtr<ITypeInfo> view = dispatchView, vtable;
  HREFTYPE ref = 0;
  if (SUCCEEDED(dispatchView->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
      SUCCEEDED(dispatchView->GetRefTypeInfo(ref, vtable.put())))
    view = vtable;
  TypeAttr attr(view.get());
  for (UINT i = 0; attr && i < attr->cFuncs; ++i) {
    FuncDesc f(view.get(), i);
    if (!f) continue;
    BSTR names[64] = {};
    UINT count = 0;
    view->GetNames(f->memid, names, 64, &count);
    Member m{dv::win32::narrow(itf), dv::win32::fromBstr(names[0]), f->memid, f->invkind, {}};
    for (SHORT p = 0; p < f->cParams; ++p) {
      const ELEMDESC& e = f->lprgelemdescParam[p];
      if (e.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) continue;
      Param q;
      q.name = static_cast<UINT>(p + 1) < count ? dv::win32::fromBstr(names[p + 1]) : "value";
      q.byRef = e.tdesc.vt == VT_PTR;
      q.type = declared(view.get(), q.byRef ? *e.tdesc.lptdesc : e.tdesc);
      q.optional = (e.paramdesc.wParamFlags & PARAMFLAG_FOPT) != 0;
      m.params.push_back(q);
    }
    for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
    out.push_back(m);
  }
  return out;
}

// ---- per-member hints ------------------------------------------------
// The parameter naming an input file that must exist: a call that succeeds
// without one did nothing with an invalid input.
std::string inputFileParam(const Member& m) {
  static const std::map<std::string, std::string> hints = {
      // Not OpenDocument: its Document is made even when the file does not open; its members then fail.
      {"_CreatePDF.CreatePDFfromPS", "strPSFile"},
      {"_CreatePDF.CreatePDFfromWord", "strWordDocument"},
      {"_CreatePDF.CreatePDFfromWord2", "strWordDocument"},
      {"_CreatePDF.CreatePDFfromWord3", "strWordDocument"},
      {"_CreatePDF.CreatePSfromWord", "strWordDocument"},
      {"_CreatePDF.CreatePSfromWord2", "strWordDocument"},
      {"_CreatePDF.CreatePDFfromExcel", "strExcelWorkbook"},
      {"_CreatePDF.CreatePDFfromExcel2", "strExcelWorkbook"},
      {"_CreatePDF.CreatePDFfromExcel3", "strExcelWorkbook"},
      {"_CreatePDF.CreatePDFfromMultiExcel", "strExcelWorkbook"},
      {"_CreatePDF.CreatePDFfromMultiExcel2", "strExcelWorkbook"},
      {"_CreatePDF.CreatePDFfromMultiExcel3", "strExcelWorkbook"},
      {"_CreatePDF.CreatePSfromExcel", "strExcelWorkbook"},
      {"_CreatePDF.CreatePSfromExcel2", "strExcelWorkbook"},
      {"_CreatePDF.GetNumPagesPDF", "strPDFFile"},
      {"_CreatePDF.PrintPDF", "strPDFFile"},
      {"_CreatePDF.OpenPDF", "strPDFFile"},
      {"_CreatePDF.ReduceFileSize", "strPDFFile"},
      {"_CreatePDF.SaveFileAs", "strPDFFile"},
      {"_CreatePDF.SetOpenPassword", "strPDFFile"},
      {"_CreatePDF.CreatePageHeaderInPDF", "strPDFFile"},
      {"_CreatePDF.CreateLinksInPDF", "strPDFFile"},
      {"_CreatePDF.CreateBookmarksInPDF", "strPDFFile"},
      {"_CreatePDF.CreateBookmarkInPDF", "strPDFFile"},
      {"_CreatePDF.BookmarksToArray", "strPDFFile"},
      {"_CreatePDF.BookmarksToPDF", "strSourcePDF"},
      {"_CreatePDF.TextFileToArray", "strTextFile"},
      {"_Document.TextFileToArray", "strTextFile"},
      {"_Document.AttachFile", "strFile"},
      {"_Document.InsertPages", "strSourcePDF"},
      {"_Document.ReplacePages", "strSourcePDF"},
      {"_Document.AddWatermarkFromFile", "strSourcePDF"},
      {"_NewDocument.AddImage", "strImageFile"},
      // Never given a valid file: the shell would start a real program to print it.
      {"_CreatePDF.PrintAPI", "strFile"},
  };
  auto it = hints.find(m.itf + "." + m.name);
  return it == hints.end() ? std::string() : it->second;
}

// Seconds the member may legitimately wait, beyond the harness's margin.
// CloseAcrobat waits its own intTimeout: the generator keeps it at 2 s or
// less (see shortWait). Conversions wait for Distiller, whose jobs the
// bench bounds with DistillerTimeoutSeconds.
constexpr int kDistillerSeconds = 10;
// The bench gives the viewer stand-in's dialogs this long (ViewerDialogSeconds).
constexpr int kViewerDialogSeconds = 10;
int ownWait(const Member& m) {
  // A range that prints nothing leaves Excel's file missing: the wait for
  // it gives up after its 120 s.
  if (m.name.find("Excel") != std::string::npos) return 2 * kDistillerSeconds + 120;
  // So does a report printed where no file comes from (per report).
  if (m.name.find("AccessReport") != std::string::npos) return 2 * kDistillerSeconds + 3 * 120;
  // A printed file that never comes (a relay that finds no dialog, a
  // program that cannot read its input) is given up after 120 s of no change.
  if (m.name.rfind("CreatePDFfrom", 0) == 0 || m.name.rfind("CreatePSfrom", 0) == 0) return 2 * kDistillerSeconds + 120;
  if (m.name == "CloseAcrobat") return 2;
  if (m.itf == "_NewDocument" && m.name == "Save") return 2 * kDistillerSeconds;
  // A menu's dialogs that no relay fills give up one after the other.
  if (m.name == "ReduceFileSize" || m.name == "SaveFileAs" || m.name == "SetOpenPassword" ||
      m.name == "CreatePageHeaderInPDF")
    return 3 * kViewerDialogSeconds;
  // A second's pause for every title the viewer finds.
  if (m.name == "CreateBookmarksInPDF") return 30;
  if (m.name == "CreateBookmarkInPDF") return 2;
  if (m.name == "SignDocument") return 20;  // the digital ID checked, then the document signed and saved
  return 0;
}

int documentedWait(const Member& m) {
  // With a password the document opens through the viewer's menu, and the
  // relays answer its dialogs by their captions: a caption no dialog has
  // leaves the file name's or the password's prompt to give up.
  const bool opensWithPassword =
      std::any_of(m.params.begin(), m.params.end(), [](const Param& p) { return p.name == "strOpenPassword"; });
  return opensWithPassword ? ownWait(m) + 2 * kViewerDialogSeconds : ownWait(m);
}
constexpr int kMarginSeconds = 30;  // Wine under a loaded machine starts processes slowly

// Members that report an unusable input through their result, not an error.
bool resultSaysDone(const Member& m, const VARIANT& r) {
  if (m.name == "PrintAPI") return V_VT(&r) == VT_I4 && V_I4(&r) > 32;                    // the shell's result
  if (m.name == "TextFileToArray") return V_VT(&r) == VT_I2 && V_I2(&r) == 1;             // negative: not read
  if (m.name == "AttachFile") return V_VT(&r) == VT_BOOL && V_BOOL(&r) != VARIANT_FALSE;  // the viewer's answer
  return true;
}

bool shortWait(const Member& m, const Param& p) { return m.name == "CloseAcrobat" && p.name == "intTimeout"; }

// ---- hostile values --------------------------------------------------

struct Fixture {
  std::string bench;               // scratch folder of the run
  std::string pdf, ps, text, csv;  // valid inputs
  std::string readOnly, locked;
  IDispatch* object = nullptr;  // an object to pass where none belongs
};

BSTR makeBstr(const std::wstring& w) { return SysAllocStringLen(w.data(), static_cast<UINT>(w.size())); }
std::wstring wide(const std::string& s) { return dv::win32::widen(s); }

std::wstring hostileText(std::mt19937& rng, bool inArray, int lengthIndex = -1) {
  static const size_t lengths[] = {0, 1, 259, 260, 32768, 1000000};
  const size_t pick = lengthIndex >= 0 ? static_cast<size_t>(lengthIndex) % 6 : rng() % 6;
  const size_t n = std::min<size_t>(lengths[pick], inArray ? 300 : SIZE_MAX);  // arrays hold many
  std::wstring s(n, L'a');
  if (n == 0) return s;
  switch (rng() % 7) {
    case 0:
      s[n / 2] = L'\0';
      break;
    case 1:
      s[0] = L'"';
      s[n - 1] = L'"';
      break;
    case 2:
      s[n / 2] = L'~';
      break;
    case 3:
      s = (L"\\\\?\\c:\\" + s).substr(0, std::max<size_t>(n, 7));
      break;
    case 4:
      for (size_t i = 0; i < n; i += 3) s[i] = static_cast<wchar_t>(0x00E9 + (i % 0x4E00));
      break;
    case 5:
      s[n - 1] = 0xD800;
      break;  // a lone high surrogate at the end
    case 6:
      s[0] = 0xDC00;
      break;  // a lone low surrogate first
  }
  return s;
}

std::string hostilePath(std::mt19937& rng, const Fixture& f) {
  switch (rng() % 6) {
    case 0:
      return f.bench;  // a folder
    case 1:
      return "k:\\no drive\\file.pdf";  // a missing drive
    case 2:
      return f.readOnly;  // read-only
    case 3:
      return f.locked;  // opened without sharing
    case 4:
      return f.bench + "\\missing\\file.pdf";  // a missing folder
    default:
      return f.bench + "\\new-" + std::to_string(rng() % 1000) + ".pdf";
  }
}

SAFEARRAY* hostileArray(std::mt19937& rng, const Fixture& f, int depth);

// One hostile VARIANT; arrays nest up to three levels (hostileArray stops them).
void hostileValue(std::mt19937& rng, const Fixture& f, const Param& p, VARIANT* v, int depth = 0) {
  VariantInit(v);
  const bool stringish = p.type == VT_BSTR || p.type == VT_VARIANT;
  switch (rng() % 16) {
    case 0:
      V_VT(v) = VT_EMPTY;
      break;
    case 1:
      V_VT(v) = VT_NULL;
      break;
    case 2:
      V_VT(v) = VT_DISPATCH;
      V_DISPATCH(v) = nullptr;
      break;  // Nothing
    case 3:
      V_VT(v) = VT_DISPATCH;
      V_DISPATCH(v) = f.object;
      if (f.object) f.object->AddRef();
      break;
    case 4:
      V_VT(v) = VT_DATE;
      V_DATE(v) = (rng() % 2) ? 2958465.99 : -657434.0;
      break;
    case 5: {
      static const int32_t ints[] = {32767, 32768, -32768, -32769, 2147483647, INT32_MIN, -1, 0, 65536};
      V_VT(v) = VT_I4;
      V_I4(v) = ints[rng() % 9];
      break;
    }
    case 6:
      V_VT(v) = VT_I2;
      V_I2(v) = (rng() % 2) ? SHRT_MIN : SHRT_MAX;
      break;
    case 7: {
      static const double doubles[] = {
          std::numeric_limits<double>::quiet_NaN(), INFINITY, -INFINITY, 2147483648.0, -1e300, 32767.5, -0.5};
      V_VT(v) = VT_R8;
      V_R8(v) = doubles[rng() % 7];
      break;
    }
    case 8:
      V_VT(v) = VT_BOOL;
      V_BOOL(v) = (rng() % 2) ? VARIANT_TRUE : 1;
      break;  // 1: not VB's True
    case 9:
    case 10:
      V_VT(v) = VT_BSTR;
      V_BSTR(v) = makeBstr(hostileText(rng, depth > 0));
      break;
    case 11:
      V_VT(v) = VT_BSTR;
      V_BSTR(v) = makeBstr(wide(hostilePath(rng, f)));
      break;
    default:
      if (rng() % 3 == 0 || !stringish) {
        V_VT(v) = VT_ARRAY | VT_VARIANT;
        V_ARRAY(v) = hostileArray(rng, f, depth + 1);  // null: rank 0, an undimensioned array
      } else {
        V_VT(v) = VT_BSTR;
        V_BSTR(v) = makeBstr(wide(hostilePath(rng, f)));
      }
  }
}

SAFEARRAY* hostileArray(std::mt19937& rng, const Fixture& f, int depth) {
  const UINT rank = rng() % 4;
  if (rank == 0 || depth > 2) return nullptr;
  SAFEARRAYBOUND bounds[3];
  static const LONG lowers[] = {-3, 1, 7, 0};
  for (UINT d = 0; d < rank; ++d) bounds[d] = {1 + static_cast<ULONG>(rng() % 3), lowers[rng() % 4]};
  SAFEARRAY* a = SafeArrayCreate(VT_VARIANT, rank, bounds);
  if (!a) return nullptr;
  ULONG total = 1;
  for (UINT d = 0; d < rank; ++d) total *= bounds[d].cElements;
  dv::win32::SafeArrayData data(a);
  if (data)
    for (ULONG i = 0; i < total; ++i) hostileValue(rng, f, Param{}, &data.as<VARIANT>()[i], depth);
  return a;
}

// The argument set of one call: hostile values, or (sometimes) the valid
// input file, or nothing at all for an optional parameter.
struct Call {
  std::vector<VARIANT> values;   // in declaration order
  std::vector<VARIANT> holders;  // targets of VT_BYREF|VT_VARIANT
  size_t count = 0;              // arguments passed (trailing optionals left off)
  bool inputValid = true;        // false when the input file given cannot be used
  std::string summary;
  Call() = default;
  Call(const Call&) = delete;
  ~Call() {
    for (auto& v : values)
      if (!(V_VT(&v) & VT_BYREF)) VariantClear(&v);
    for (auto& v : holders) VariantClear(&v);
  }
};

std::string describe(const VARIANT& v) {
  std::ostringstream o;
  o << "vt" << V_VT(&v);
  if (V_VT(&v) != VT_BSTR) return o.str();
  // The length, then what sets the text apart from its filler of "a": a
  // path's start, or the other code units with their positions.
  const BSTR b = V_BSTR(&v);
  const UINT n = SysStringLen(b);
  o << "[" << n;
  int shown = 0;
  for (UINT i = 0; i < n && shown < 3; ++i) {
    if (b[i] == L'a') continue;
    if (std::wstring_view(b, std::min<UINT>(n, 8)).find_first_of(L":\\") != std::wstring_view::npos) {
      o << " " << dv::win32::narrow(std::wstring(b, std::min<UINT>(n, 60)));
      break;
    }
    char unit[24];
    std::snprintf(unit, sizeof unit, " @%u:%04x", i, static_cast<unsigned>(b[i]));
    o << unit;
    ++shown;
  }
  o << "]";
  return o.str();
}

void makeCall(uint32_t seed, const Member& m, const Fixture& f, Call& c) {
  std::mt19937 rng(seed * 2654435761u ^ static_cast<uint32_t>(std::hash<std::string>{}(m.label())));
  const std::string input = inputFileParam(m);
  c.values.resize(m.params.size());
  c.holders.resize(m.params.size());
  for (auto& h : c.holders) VariantInit(&h);
  c.count = m.params.size();
  bool trailingOmitted = rng() % 3 == 0;
  for (size_t i = m.params.size(); i-- > 0;) {
    const Param& p = m.params[i];
    VARIANT& v = c.values[i];
    VariantInit(&v);
    if (p.optional && (rng() % 3 == 0 || (trailingOmitted && i + 1 == c.count))) {
      if (i + 1 == c.count) {
        --c.count;
      } else {
        V_VT(&v) = VT_ERROR;
        V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
      }
      continue;
    }
    trailingOmitted = false;
    if (p.name == input && m.name != "PrintAPI" && rng() % 4 == 0) {
      const std::string& valid = p.name == "strPSFile"          ? f.ps
                                 : p.name == "strWordDocument"  ? f.text
                                 : p.name == "strExcelWorkbook" ? f.text
                                 : p.name == "strTextFile"      ? f.csv
                                 : p.name == "strFile"          ? f.text
                                                                : f.pdf;
      V_VT(&v) = VT_BSTR;
      V_BSTR(&v) = makeBstr(wide(valid));
    } else if (shortWait(m, p)) {
      V_VT(&v) = VT_I4;
      static const int32_t waits[] = {-32768, -1, 0, 1, 2};
      V_I4(&v) = waits[rng() % 5];
    } else if (p.type == VT_BSTR && seed % 2 == 0) {
      // Even seeds give every string parameter the lengths in turn, so a
      // few seeds cover all of them.
      V_VT(&v) = VT_BSTR;
      V_BSTR(&v) = makeBstr(hostileText(rng, false, static_cast<int>(seed / 2)));
      if (p.name == input) c.inputValid = false;
    } else {
      hostileValue(rng, f, p, &v);
      // The read-only and locked files exist: only a name of no file is an invalid input.
      if (p.name == input) {
        const DWORD a = V_VT(&v) == VT_BSTR ? GetFileAttributesW(V_BSTR(&v)) : INVALID_FILE_ATTRIBUTES;
        c.inputValid = a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) &&
                       SysStringLen(V_BSTR(&v)) == wcslen(V_BSTR(&v));
      }
    }
    if (p.byRef && rng() % 2 == 0) {
      c.holders[i] = v;
      VariantInit(&v);
      V_VT(&v) = VT_BYREF | VT_VARIANT;
      V_VARIANTREF(&v) = &c.holders[i];
    }
  }
  std::ostringstream o;
  for (size_t i = 0; i < c.count; ++i)
    o << (i ? "," : "") << describe(V_VT(&c.values[i]) & VT_BYREF ? c.holders[i] : c.values[i]);
  c.summary = o.str();
}

// ---- what a call may leave behind -------------------------------------

std::set<DWORD> relayProcesses() {
  std::set<DWORD> ids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e))
    if (_wcsicmp(e.szExeFile, L"dlgrelay.exe") == 0) ids.insert(e.th32ProcessID);
  CloseHandle(snap);
  return ids;
}

// Relays end by themselves within their 30 s search for a dialog that never
// came; one alive well past that was left behind by the call that started it.
class RelayWatch {
 public:
  static constexpr ULONGLONG kBoundMs = 45000;
  // Notes new relays against the call `id`; returns the calls whose relay outlived the bound.
  std::vector<std::string> poll(const std::string& id) {
    const auto alive = relayProcesses();
    const ULONGLONG now = GetTickCount64();
    std::vector<std::string> left;
    for (auto it = seen_.begin(); it != seen_.end();) it = alive.count(it->first) ? std::next(it) : seen_.erase(it);
    for (DWORD pid : alive) {
      auto& s = seen_.try_emplace(pid, Seen{now, id, false}).first->second;
      if (!s.reported && now - s.since > kBoundMs) {
        s.reported = true;
        left.push_back(s.id);
      }
    }
    return left;
  }
  // At the end: waits for the relays still searching, within their bound.
  std::vector<std::string> finish() {
    std::vector<std::string> left;
    for (ULONGLONG end = GetTickCount64() + kBoundMs; GetTickCount64() < end && !seen_.empty(); Sleep(500))
      for (auto& id : poll("")) left.push_back(id);
    for (auto& id : poll("")) left.push_back(id);
    for (auto& [pid, s] : seen_)
      if (!s.reported) left.push_back(s.id);
    return left;
  }

 private:
  struct Seen {
    ULONGLONG since;
    std::string id;
    bool reported;
  };
  std::map<DWORD, Seen> seen_;
};

std::wstring defaultPrinter() {
  wchar_t name[512] = {};
  DWORD n = 512;
  return GetDefaultPrinterW(name, &n) ? std::wstring(name) : std::wstring();
}

// SetDefaultPrinter cannot take the default away ("" picks the first
// printer when there is none), so "none" goes back through the profile.
void putBackDefaultPrinter(const std::wstring& printer) {
  if (printer.empty()) WriteProfileStringW(L"windows", L"device", nullptr);
  else SetDefaultPrinterW(printer.c_str());
}

std::set<std::wstring> folderFiles(const std::wstring& folder) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW((folder + L"*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (wcscmp(d.cFileName, L".") && wcscmp(d.cFileName, L"..")) names.insert(d.cFileName);
  } while (FindNextFileW(h, &d));
  FindClose(h);
  return names;
}

// Stand-in objects alive by the journal: creates minus destroys, read on
// from where the last reading stopped.
class JournalBalance {
 public:
  explicit JournalBalance(std::string path) : path_(std::move(path)) {}
  long read() {
    std::ifstream in(path_, std::ios::binary);
    if (!in) return live_;
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    if (end <= offset_) return live_;
    in.seekg(offset_);
    std::string line;
    while (std::getline(in, line)) {
      if (in.eof() && in.tellg() < 0) break;  // a line still being written
      offset_ = in.tellg();
      if (line.size() > 7 && line.compare(line.size() - 7, 7, " create") == 0 && line.find(' ') == line.size() - 7)
        ++live_;
      if (line.size() > 8 && line.compare(line.size() - 8, 8, " destroy") == 0 && line.find(' ') == line.size() - 8)
        --live_;
    }
    return live_;
  }

 private:
  std::string path_;
  std::streamoff offset_ = 0;
  long live_ = 0;
};

// ---- the child: one interface, from a given member and seed ------------

class Report {
 public:
  explicit Report(const std::string& path) : f_(std::fopen(path.c_str(), "ab")) {}
  ~Report() {
    if (f_) std::fclose(f_);
  }
  void line(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!f_) return;
    std::fputs((text + "\n").c_str(), f_);
    std::fflush(f_);
  }

 private:
  std::FILE* f_;
  std::mutex mutex_;
};

std::atomic<ULONGLONG> g_deadline{0};
std::string g_current;  // "member seed" of the call in progress
std::mutex g_currentMutex;

HRESULT invokeByName(IDispatch* d, const wchar_t* name, std::vector<VARIANT> argsReversed, VARIANT* result,
                     WORD flags = DISPATCH_METHOD) {
  DISPID id = 0;
  LPOLESTR n = const_cast<LPOLESTR>(name);
  HRESULT hr = d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS dp{argsReversed.data(), nullptr, static_cast<UINT>(argsReversed.size()), 0};
  return d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, result, nullptr, nullptr);
}

ComPtr<IDispatch> dispatchOf(const VARIANT& v) {
  return V_VT(&v) == VT_DISPATCH ? ComPtr<IDispatch>(V_DISPATCH(&v)) : ComPtr<IDispatch>();
}

struct Target {
  ComPtr<IDispatch> converter, document, field, newDocument;
};

// A fresh object of the member's interface. Documents are copies, so a
// SaveAs or a removal by one call does not change the next one's input.
bool openTarget(const std::string& itf, const Fixture& f, Target& t, const std::string& copyName, std::string& why) {
  t = Target{};
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"Docvane.CreatePDF", &clsid)) ||
      FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, t.converter.putVoid()))) {
    why = "Docvane.CreatePDF cannot be created";
    return false;
  }
  if (itf == "_CreatePDF") return true;
  if (itf == "_NewDocument") {
    if (FAILED(CLSIDFromProgID(L"Docvane.NewDocument", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, t.newDocument.putVoid()))) {
      why = "Docvane.NewDocument cannot be created";
      return false;
    }
    return true;
  }
  const std::string source =
      env("DV_TEST_DATA") + (itf == "_Field" ? "\\document_form.pdf" : "\\document_two_pages.pdf");
  const std::string copy = f.bench + "\\" + copyName;
  SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!CopyFileA(source.c_str(), copy.c_str(), FALSE)) {
    why = "cannot copy " + source;
    return false;
  }
  dv::win32::ScopedVariant path, doc;
  V_VT(path.get()) = VT_BSTR;
  V_BSTR(path.get()) = makeBstr(wide(copy));
  if (FAILED(invokeByName(t.converter.get(), L"OpenDocument", {*path.get()}, doc.get())) ||
      !(t.document = dispatchOf(doc.v))) {
    why = "OpenDocument failed on " + copy;
    return false;
  }
  if (itf != "_Field") return true;
  dv::win32::ScopedVariant index, name, field;
  V_VT(index.get()) = VT_I2;
  V_I2(index.get()) = 0;
  if (FAILED(invokeByName(t.document.get(), L"GetNthFieldName", {*index.get()}, name.get())) ||
      FAILED(invokeByName(t.document.get(), L"GetField", {*name.get()}, field.get())) ||
      !(t.field = dispatchOf(field.v))) {
    why = "no field in " + copy;
    return false;
  }
  return true;
}

IDispatch* targetOf(const std::string& itf, const Target& t) {
  if (itf == "_NewDocument") return t.newDocument.get();
  return itf == "_CreatePDF" ? t.converter.get() : itf == "_Document" ? t.document.get() : t.field.get();
}

// Runs the calls; each finding is one report line "FINDING <member> <seed> <kind> <detail>".
void runCalls(const std::string& itf, size_t fromMember, size_t toMember, uint32_t fromSeed, uint32_t seeds,
              uint32_t firstSeed, const std::string& only, Report& report, Fixture& f) {
  const auto members = listMembers(dv::win32::widen(itf).c_str());
  const std::string journal =
      f.bench + "\\hostile-journal-" + itf + "-" + std::to_string(GetCurrentProcessId()) + ".txt";
  {
    HKEY raw = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey, 0, nullptr, 0, KEY_WRITE, nullptr, &raw, nullptr);
    if (raw) {
      RegSetValueExA(raw, "JournalFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(journal.c_str()),
                     static_cast<DWORD>(journal.size() + 1));
      HKEY settings = nullptr;
      RegCreateKeyExA(raw, "Settings", 0, nullptr, 0, KEY_WRITE, nullptr, &settings, nullptr);
      if (settings) {
        const auto setSeconds = [&](const char* name, int value) {
          const std::string seconds = std::to_string(value);
          RegSetValueExA(settings, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(seconds.c_str()),
                         static_cast<DWORD>(seconds.size() + 1));
        };
        setSeconds("DistillerTimeoutSeconds", kDistillerSeconds);
        setSeconds("ViewerDialogSeconds", kViewerDialogSeconds);
        RegCloseKey(settings);
      }
      RegCloseKey(raw);
    }
  }
  JournalBalance balance(journal);
  RelayWatch relays;
  const std::wstring temp = L"c:\\temp\\";  // TempFilePath's default
  const std::wstring printer = defaultPrinter();
  Target target;
  std::string why;
  bool usedUp = true;  // the document needs opening (first, or closed or saved by the last call)
  int opened = 0;
  for (size_t mi = fromMember; mi < std::min(toMember, members.size()); ++mi) {
    const Member& m = members[mi];
    if (!only.empty() && m.label() != only && m.itf + "." + m.name != only) continue;
    for (uint32_t s = (mi == fromMember ? fromSeed : firstSeed); s < firstSeed + seeds; ++s) {
      const std::string id = m.label() + "#" + std::to_string(s);
      if (usedUp) {
        const std::string copy =
            "hostile-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++opened) + ".pdf";
        if (!openTarget(itf, f, target, copy, why)) {
          report.line("FINDING " + id + " setup " + why);
          return;
        }
        f.object = target.converter.get();
      }
      usedUp = itf != "_CreatePDF" && (m.name == "CloseDoc" || m.name == "Save" || m.name == "SaveAs");
      Call call;
      makeCall(s, m, f, call);
      const long liveBefore = balance.read();
      const auto tempBefore = folderFiles(temp);
      std::vector<VARIANT> reversed(call.values.rbegin() + static_cast<long>(call.values.size() - call.count),
                                    call.values.rend());
      DISPID putId = DISPID_PROPERTYPUT;
      DISPPARAMS dp{reversed.data(), nullptr, static_cast<UINT>(call.count), 0};
      WORD flags = DISPATCH_METHOD;
      if (m.kind == INVOKE_PROPERTYGET) flags = DISPATCH_PROPERTYGET;
      if (m.kind == INVOKE_PROPERTYPUT) {
        flags = DISPATCH_PROPERTYPUT;
        if (call.count) {
          dp.rgdispidNamedArgs = &putId;
          dp.cNamedArgs = 1;
        }
      }
      report.line("CALL " + id + " " + call.summary);
      {
        std::lock_guard<std::mutex> lock(g_currentMutex);
        g_current = id;
      }
      dv::win32::ScopedVariant result;
      EXCEPINFO info{};
      UINT argErr = 0;
      g_deadline = GetTickCount64() + 1000ull * (documentedWait(m) + kMarginSeconds);
      HRESULT hr =
          targetOf(itf, target)->Invoke(m.id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, result.get(), &info, &argErr);
      g_deadline = 0;
      std::vector<std::string> findings;
      if (hr == DISP_E_EXCEPTION) {
        if (!info.bstrSource || !SysStringLen(info.bstrSource) || !info.bstrDescription ||
            !SysStringLen(info.bstrDescription))
          findings.push_back("no-error-info scode=" + std::to_string(info.scode));
      } else if (FAILED(hr) && hr != DISP_E_TYPEMISMATCH && hr != DISP_E_PARAMNOTOPTIONAL &&
                 hr != DISP_E_BADPARAMCOUNT && hr != DISP_E_OVERFLOW && hr != DISP_E_BADVARTYPE &&
                 hr != DISP_E_MEMBERNOTFOUND) {
        // The dispatcher's own argument errors are standard IDispatch; anything else must explain itself.
        findings.push_back("bare-failure hr=" + std::to_string(hr));
      }
      if (SUCCEEDED(hr) && !call.inputValid && resultSaysDone(m, *result.get()))
        findings.push_back("success-on-invalid-input");
      SysFreeString(info.bstrSource);
      SysFreeString(info.bstrDescription);
      SysFreeString(info.bstrHelpFile);
      if (m.name == "SetDefPrinter") {
        // Changing the default printer is this member's job; put it back.
        if (defaultPrinter() != printer) putBackDefaultPrinter(printer);
      } else if (defaultPrinter() != printer) {
        findings.push_back("default-printer-changed");
        putBackDefaultPrinter(printer);
      }
      const long liveAfter = balance.read();
      if (liveAfter != liveBefore) findings.push_back("stand-ins-alive " + std::to_string(liveAfter - liveBefore));
      for (const auto& name : folderFiles(temp))
        if (!tempBefore.count(name)) {
          findings.push_back("temp-file-left " + dv::win32::narrow(name));
          DeleteFileW((temp + name).c_str());
        }
      for (const auto& call : relays.poll(id)) report.line("FINDING " + call + " relay-left");
      for (const auto& finding : findings) report.line("FINDING " + id + " " + finding);
      char hrText[16];
      std::snprintf(hrText, sizeof hrText, "%08lx", static_cast<unsigned long>(hr));
      report.line("DONE " + id + " " + hrText);
    }
  }
  for (const auto& call : relays.finish()) report.line("FINDING " + call + " relay-left");
  report.line("END");
}

DWORD WINAPI runWork(void* work) {
  (*static_cast<std::function<void()>*>(work))();
  return 0;
}

int childMain(int argc, char** argv) {
  // --child <itf> <fromMember> <toMember> <fromSeed> <seeds> <firstSeed> <report>
  if (argc < 9) return 2;
  const std::string itf = argv[2];
  Report report(argv[8]);
  Fixture f;
  f.bench = env("DV_BENCH_DIR");
  const std::string data = env("DV_TEST_DATA");
  f.pdf = f.bench + "\\hostile-input.pdf";
  f.ps = f.bench + "\\hostile-input.ps";
  f.text = f.bench + "\\hostile-input.txt";
  f.csv = f.bench + "\\hostile-input.csv";
  f.readOnly = f.bench + "\\hostile-readonly.pdf";
  f.locked = f.bench + "\\hostile-locked.pdf";
  CopyFileA((data + "\\document_two_pages.pdf").c_str(), f.pdf.c_str(), FALSE);
  CopyFileA((data + "\\two_pages.ps").c_str(), f.ps.c_str(), FALSE);
  std::ofstream(f.text) << "A letter\r\nof two lines\r\n";
  std::ofstream(f.csv) << "a,\"b\",c\r\n1,2,3\r\n";
  if (!exists(f.readOnly)) {
    CopyFileA(f.pdf.c_str(), f.readOnly.c_str(), FALSE);
    SetFileAttributesA(f.readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  }
  CopyFileA(f.pdf.c_str(), f.locked.c_str(), FALSE);
  dv::win32::UniqueHandle lock(
      CreateFileA(f.locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  const std::string only = env("DV_HOSTILE_MEMBER");
  std::function<void()> work = [&] {
    {
      dv::win32::ComApartment apartment;
      runCalls(itf, std::strtoul(argv[3], nullptr, 10), std::strtoul(argv[4], nullptr, 10),
               std::strtoul(argv[5], nullptr, 10), std::strtoul(argv[6], nullptr, 10),
               std::strtoul(argv[7], nullptr, 10), only, report, f);
    }
    // The report is complete (each line is flushed) and every call's
    // leftovers were checked. Under Wine, this thread's exit after the
    // Access members' calls can wait minutes on the loader lock, so the
    // child ends here without the DLLs' thread and process detach.
    TerminateProcess(GetCurrentProcess(), 0);
  };
  // The calls run on a worker (with the stack a client's main thread has)
  // so that this thread can bound each one.
  dv::win32::UniqueHandle worker(CreateThread(nullptr, 8u << 20, runWork, &work, 0, nullptr));
  if (!worker.get()) return 2;
  while (WaitForSingleObject(worker.get(), 200) == WAIT_TIMEOUT) {
    const ULONGLONG deadline = g_deadline.load();
    if (deadline && GetTickCount64() > deadline) {
      std::lock_guard<std::mutex> lock(g_currentMutex);
      report.line("FINDING " + g_current + " hang");
      report.line("HUNG " + g_current);
      TerminateProcess(GetCurrentProcess(), 3);
    }
  }
  return 0;
}

// ---- the parent: children per interface, counts, the test ------------

struct Counts {
  std::set<std::string> members;
  long calls = 0, crashes = 0, hangs = 0, leaks = 0, errorInfo = 0, invalidSuccess = 0, setup = 0;
  std::vector<std::string> findings;
};

std::string selfPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return dv::win32::narrow(path);
}

// Runs one child and returns its exit code (or -1 when it had to be ended).
long runChild(const std::string& commandLine, DWORD boundMs) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -2;
  dv::win32::UniqueHandle process(pi.hProcess), thread(pi.hThread);
  if (WaitForSingleObject(pi.hProcess, boundMs) == WAIT_TIMEOUT) {
    TerminateProcess(pi.hProcess, 4);
    WaitForSingleObject(pi.hProcess, 10000);
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  return static_cast<long>(code);
}

void classify(const std::string& finding, Counts& c) {
  if (finding.find(" hang") != std::string::npos) ++c.hangs;
  else if (finding.find("stand-ins-alive") != std::string::npos ||
           finding.find("temp-file-left") != std::string::npos || finding.find("relay-left") != std::string::npos ||
           finding.find("default-printer") != std::string::npos)
    ++c.leaks;
  else if (finding.find("error-info") != std::string::npos || finding.find("bare-failure") != std::string::npos)
    ++c.errorInfo;
  else if (finding.find("invalid") != std::string::npos) ++c.invalidSuccess;
  else if (finding.find(" setup ") != std::string::npos) ++c.setup;
  c.findings.push_back(finding);
}

// Members [begin, end) of one interface, `seeds` seeds each from
// `firstSeed`; a child that dies is relaunched after the call that killed it.
void runInterface(const std::string& itf, size_t begin, size_t end, uint32_t seeds, uint32_t firstSeed, Counts& c) {
  const auto members = listMembers(dv::win32::widen(itf).c_str());
  std::vector<std::string> labels;
  for (const auto& m : members) labels.push_back(m.label());
  end = std::min(end, members.size());
  const std::string report =
      env("DV_BENCH_DIR") + "\\hostile-" + itf + "-" + std::to_string(begin) + "-" + std::to_string(end) + ".txt";
  DeleteFileA(report.c_str());
  size_t fromMember = begin;
  uint32_t fromSeed = firstSeed;
  for (int attempt = 0; attempt < 200 && fromMember < end; ++attempt) {
    std::ostringstream cmd;
    cmd << "\"" << selfPath() << "\" --child " << itf << " " << fromMember << " " << end << " " << fromSeed << " "
        << seeds << " " << firstSeed << " \"" << report << "\"";
    const size_t remaining = end - fromMember;
    const long code = runChild(cmd.str(), static_cast<DWORD>(60000 + remaining * seeds * 120000ull));
    // Read what this child wrote: its calls, findings and how it ended.
    std::ifstream in(report, std::ios::binary);
    std::string line, lastCall;
    bool ended = false, hung = false;
    std::set<std::string> done;
    while (std::getline(in, line)) {
      if (line.rfind("CALL ", 0) == 0) {
        const size_t hash = line.find('#');
        lastCall = line.substr(5, line.find(' ', hash) - 5);
      } else if (line.rfind("DONE ", 0) == 0) {
        const size_t hash = line.find('#');
        done.insert(line.substr(5, line.find(' ', hash) - 5));
      } else if (line == "END") {
        ended = true;
      } else if (line.rfind("HUNG ", 0) == 0) {
        hung = true;
      }
    }
    in.close();
    if (ended || lastCall.empty()) {
      if (!ended) c.findings.push_back(itf + ": the child ended before any call (exit " + std::to_string(code) + ")");
      break;
    }
    // The last call did not finish: a crash, or a hang the watchdog or this bound ended.
    if (!done.count(lastCall)) {
      if (!hung) {
        ++c.crashes;
        c.findings.push_back("FINDING " + lastCall + " crash (exit " + std::to_string(code) + ")");
      }
    }
    // Resume after the call that ended the child.
    const auto hash = lastCall.rfind('#');
    const std::string member = lastCall.substr(0, hash);
    const uint32_t seed = static_cast<uint32_t>(std::stoul(lastCall.substr(hash + 1)));
    auto it = std::find(labels.begin(), labels.end(), member);
    if (it == labels.end()) break;
    fromMember = static_cast<size_t>(it - labels.begin());
    fromSeed = seed + 1;
    if (fromSeed >= firstSeed + seeds) {
      ++fromMember;
      fromSeed = firstSeed;
    }
    std::ofstream(report, std::ios::app) << "RESUME\n";
  }
  std::ifstream in(report, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("CALL ", 0) == 0) {
      ++c.calls;
      std::string rest = line.substr(5);
      for (const auto& l : labels)
        if (rest.rfind(l + "#", 0) == 0) c.members.insert(l);
    } else if (line.rfind("FINDING ", 0) == 0) {
      classify(line, c);
    }
  }
}

uint32_t envNumber(const char* name, uint32_t fallback) {
  const std::string v = env(name);
  return v.empty() ? fallback : static_cast<uint32_t>(std::strtoul(v.c_str(), nullptr, 10));
}

// Each interface in slices of its members, so that the bench can spread
// them over its lanes and each stays within a program's time bound.
struct Slice {
  const wchar_t* itf;
  int part, parts;
};

class HostileCalls : public ::testing::TestWithParam<Slice> {};

TEST_P(HostileCalls, EveryMemberSurvivesHostileArgumentsAndLeavesNothingBehind) {
  dv::win32::ComApartment apartment;
  ASSERT_TRUE(apartment.ok());
  const Slice slice = GetParam();
  const uint32_t seeds = envNumber("DV_HOSTILE_SEEDS", 8), first = envNumber("DV_HOSTILE_SEED", 1);
  const std::string only = env("DV_HOSTILE_MEMBER");
  Counts c;
  const size_t count = listMembers(slice.itf).size();
  const size_t begin = count * static_cast<size_t>(slice.part) / static_cast<size_t>(slice.parts);
  const size_t end = count * static_cast<size_t>(slice.part + 1) / static_cast<size_t>(slice.parts);
  const size_t listed = end - begin;
  // Installed as on a user's machine, so that the members that start relays
  // meet them whatever ran in this prefix before.
  ASSERT_EQ(dv::winetest::installRelay(), "");
  if (listed > 0) runInterface(dv::win32::narrow(slice.itf), begin, end, seeds, first, c);
  RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey);
  for (const auto& f : c.findings) std::printf("%s\n", f.c_str());
  // Prefixed like GoogleTest's summary lines, which the bench shows.
  std::printf(
      "[==========] hostile calls, %s part %d of %d: members %zu of %zu, calls %ld, crashes %ld, hangs %ld, "
      "leaks %ld, failures without error info %ld, successes on invalid input %ld, seeds %u from %u\n",
      dv::win32::narrow(slice.itf).c_str(), slice.part + 1, slice.parts, c.members.size(), listed, c.calls, c.crashes,
      c.hangs, c.leaks, c.errorInfo, c.invalidSuccess, seeds, first);
  std::fflush(stdout);
  EXPECT_GT(count, 0u);
  if (only.empty()) {
    EXPECT_EQ(c.members.size(), listed);
  }
  EXPECT_EQ(c.crashes, 0);
  EXPECT_EQ(c.hangs, 0);
  EXPECT_EQ(c.leaks, 0);
  EXPECT_EQ(c.errorInfo, 0);
  EXPECT_EQ(c.invalidSuccess, 0);
  EXPECT_EQ(c.setup, 0);
  EXPECT_TRUE(c.findings.empty());
}

INSTANTIATE_TEST_SUITE_P(Slices, HostileCalls,
                         ::testing::Values(Slice{L"_CreatePDF", 0, 4}, Slice{L"_CreatePDF", 1, 4},
                                           Slice{L"_CreatePDF", 2, 4}, Slice{L"_CreatePDF", 3, 4},
                                           Slice{L"_Document", 0, 3}, Slice{L"_Document", 1, 3},
                                           Slice{L"_Document", 2, 3}, Slice{L"_Field", 0, 3}, Slice{L"_Field", 1, 3},
                                           Slice{L"_Field", 2, 3}, Slice{L"_NewDocument", 0, 1}),
                         [](const ::testing::TestParamInfo<Slice>& info) {
                           return dv::win32::narrow(info.param.itf).substr(1) + "_" +
                                  std::to_string(info.param.part + 1) + "of" + std::to_string(info.param.parts);
                         });

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--child") return childMain(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

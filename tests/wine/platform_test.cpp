// The Win32 seams on a real Windows runtime (Wine): registry, files,
// processes, shell, clock and pump, and the IDispatch automation seam
// against objects of the system (Scripting.Dictionary and
// FileSystemObject) and against a probe object of this test that checks
// the exact DISPPARAMS layout of named and by-reference arguments.
#include <windows.h>
#include <shlobj.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "dv/vb.h"
#include "dv/win32/com_object.h"
#include "dv/win32/host.h"
#include "dv/win32/text.h"

namespace {

using dv::Arg;
using dv::Args;
using dv::named;
using dv::pos;
using dv::Variant;
using dv::VarType;
namespace vb = dv::vb;
namespace w32 = dv::win32;

std::string env(const char* name) {
  char buf[4096];
  const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
}

// A fresh folder for one test, removed (with its files) afterwards.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) {
    std::string base = env("DV_BENCH_DIR");
    if (base.empty()) {
      char tmp[MAX_PATH];
      GetTempPathA(MAX_PATH, tmp);
      base = tmp;
    }
    if (base.back() != '\\') base += '\\';
    path_ = base + name + "_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() { removeTree(path_); }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  static void removeTree(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        const std::string full = dir + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(full);
        else DeleteFileA(full.c_str());
      } while (FindNextFileA(h, &fd));
      FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
  }
  std::string path_;
};

int vbErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const dv::AutomationError& e) {
    return vb::runtimeErrorOf(e.number());
  }
  return 0;
}

class Win32Seams : public ::testing::Test {
 protected:
  w32::ComApartment apartment;
  w32::Win32Host win32;
  dv::Host host = win32.host();
};

// ---------------------------------------------------------------------------
// Registry

TEST_F(Win32Seams, RegistryRoundTripInCurrentUser) {
  const std::string path = "Software\\DocvanePlatformTest";
  dv::Registry& reg = host.registry;
  dv::RegKey key = 0;
  uint32_t disposition = 0;
  ASSERT_EQ(reg.createKey(dv::kHkeyCurrentUser, path + "\\Sub", KEY_ALL_ACCESS, key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<uint32_t>(REG_CREATED_NEW_KEY));
  const std::string text = "C:\\Program Files\\Docvane";
  std::vector<uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  ASSERT_EQ(reg.setValue(key, "Folder", REG_SZ, data), ERROR_SUCCESS);
  ASSERT_EQ(reg.setValue(key, "Count", REG_DWORD, {7, 0, 0, 0}), ERROR_SUCCESS);
  ASSERT_EQ(reg.closeKey(key), ERROR_SUCCESS);

  ASSERT_EQ(reg.openKey(dv::kHkeyCurrentUser, path + "\\SUB", KEY_READ, key), ERROR_SUCCESS);
  uint32_t type = 0, size = 0;
  ASSERT_EQ(reg.queryValue(key, "folder", type, nullptr, size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<uint32_t>(REG_SZ));
  EXPECT_EQ(size, data.size());
  std::vector<uint8_t> read;
  uint32_t small = 4;
  EXPECT_EQ(reg.queryValue(key, "Folder", type, &read, small), ERROR_MORE_DATA);
  EXPECT_EQ(small, data.size());
  ASSERT_EQ(reg.queryValue(key, "Folder", type, &read, size), ERROR_SUCCESS);
  EXPECT_EQ(read, data);
  size = 4;
  ASSERT_EQ(reg.queryValue(key, "Count", type, &read, size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<uint32_t>(REG_DWORD));
  EXPECT_EQ(read, (std::vector<uint8_t>{7, 0, 0, 0}));
  EXPECT_EQ(reg.queryValue(key, "Missing", type, nullptr, size), ERROR_FILE_NOT_FOUND);
  // Read access does not allow writing.
  EXPECT_EQ(reg.setValue(key, "Folder", REG_SZ, data), ERROR_ACCESS_DENIED);
  ASSERT_EQ(reg.closeKey(key), ERROR_SUCCESS);

  ASSERT_EQ(reg.openKey(dv::kHkeyCurrentUser, path, KEY_ALL_ACCESS, key), ERROR_SUCCESS);
  EXPECT_EQ(reg.deleteKey(key, "Sub"), ERROR_SUCCESS);
  EXPECT_EQ(reg.closeKey(key), ERROR_SUCCESS);
  EXPECT_EQ(reg.deleteKey(dv::kHkeyCurrentUser, path), ERROR_SUCCESS);
  EXPECT_EQ(reg.openKey(dv::kHkeyCurrentUser, path, KEY_READ, key), ERROR_FILE_NOT_FOUND);
}

// ---------------------------------------------------------------------------
// Files

TEST_F(Win32Seams, FilesListingAndFolders) {
  ScratchFolder dir("platform_files");
  dv::FileSystem& fs = host.files;
  ASSERT_TRUE(fs.writeFile(dir / "a.txt", "hello"));
  ASSERT_TRUE(fs.writeFile(dir / "B.TXT", std::string("x\0y", 3)));
  ASSERT_TRUE(fs.writeFile(dir / "c.pdf", ""));
  vb::MkDir(fs, dir / "sub.txt");
  ASSERT_TRUE(fs.writeFile(dir / "sub.txt\\inner.txt", "inner"));

  EXPECT_EQ(fs.fileLength(dir / "a.txt"), 5);
  EXPECT_EQ(fs.fileLength(dir / "b.txt"), 3);  // names ignore case
  EXPECT_FALSE(fs.fileLength(dir / "sub.txt"));
  EXPECT_FALSE(fs.fileLength(dir / "none.txt"));
  EXPECT_TRUE(fs.fileExists(dir / "C.PDF"));  // empty, still a file
  EXPECT_FALSE(fs.fileExists(dir / "sub.txt"));
  EXPECT_FALSE(fs.fileExists(dir / "none.txt"));
  EXPECT_FALSE(fs.fileExists(dir / "none\\a.txt"));
  EXPECT_EQ(fs.readFile(dir / "B.txt"), std::string("x\0y", 3));
  EXPECT_TRUE(fs.folderExists(dir.path()));
  EXPECT_FALSE(fs.folderExists(dir / "a.txt"));

  auto entries = fs.list(dir / "*.txt");
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(vb::LCase(e.name));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.txt", "sub.txt"}));  // no "inner.txt"
  const auto files = vb::Dir(fs, dir / "*.txt");
  EXPECT_EQ(files.size(), 2u);
  // Modified dates are local OLE dates of today.
  SYSTEMTIME now;
  GetLocalTime(&now);
  double today = 0;
  SystemTimeToVariantTime(&now, &today);
  for (const auto& e : files) EXPECT_NEAR(e.modified, today, 1.0) << e.name;
  EXPECT_TRUE(fs.list(dir / "*.none").empty());
  EXPECT_TRUE(fs.list(dir.path() + "\\missing\\*").empty());

  EXPECT_EQ(vbErrorOf([&] { vb::MkDir(fs, dir / "sub.txt"); }), 75);
  EXPECT_EQ(vbErrorOf([&] { vb::MkDir(fs, dir / "no\\such"); }), 76);
  EXPECT_EQ(vbErrorOf([&] { vb::FileLen(fs, dir / "none.txt"); }), 53);

  EXPECT_FALSE(fs.longPathName(dir / "a.txt").empty());
  EXPECT_EQ(fs.longPathName(dir / "none.txt"), "");
  // Names far beyond MAX_PATH are refused, not handed to a fixed buffer.
  const std::string endless = dir.path() + "\\" + std::string(4000, 'a') + ".txt";
  EXPECT_EQ(fs.longPathName(endless), "");
  EXPECT_EQ(fs.shortPathName(endless), "");
  EXPECT_EQ(fs.longPathName("\\\\?\\" + endless + std::string(32768, 'b')), "");
  EXPECT_FALSE(fs.currentDirectory().empty());

  vb::Kill(fs, dir / "*.txt");
  EXPECT_FALSE(fs.fileLength(dir / "a.txt"));
  EXPECT_TRUE(fs.folderExists(dir / "sub.txt"));
  EXPECT_TRUE(fs.deleteFile(dir / "c.pdf"));
  EXPECT_FALSE(fs.deleteFile(dir / "c.pdf"));
  EXPECT_FALSE(fs.writeFile(dir / "no\\such\\x.txt", "x"));
}

// ---------------------------------------------------------------------------
// Shell, processes, clock, pump

TEST_F(Win32Seams, ShellFolders) {
  const std::string windows = host.shell.specialFolder(CSIDL_WINDOWS);
  ASSERT_FALSE(windows.empty());
  EXPECT_TRUE(host.files.folderExists(windows));
  const std::string system = host.shell.systemDirectory();
  ASSERT_FALSE(system.empty());
  EXPECT_NE(system.back(), '\\');
  EXPECT_TRUE(host.files.folderExists(system));
  // The module holding this code is the test program itself.
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string folder = exe;
  folder.resize(folder.find_last_of('\\') + 1);
  EXPECT_EQ(vb::LCase(host.shell.libraryFolder()), vb::LCase(w32::fromAnsi(folder)));
  EXPECT_EQ(host.shell.specialFolder(0x7FFF), "");  // no such CSIDL
}

TEST_F(Win32Seams, StartsHiddenProcessesWithoutWaiting) {
  ScratchFolder dir("platform_proc");
  const std::string out = dir / "proc.txt";
  ASSERT_TRUE(host.processes.startHidden(host.shell.systemDirectory() + "\\cmd.exe /c echo started> \"" + out + "\""));
  // Bounded wait for the program's output.
  std::optional<std::string> text;
  for (int i = 0; i < 200 && !(text = host.files.readFile(out)); ++i) host.clock.sleepMs(50);
  for (int i = 0; i < 40 && text && text->find("started") == std::string::npos; ++i) {
    host.clock.sleepMs(50);
    text = host.files.readFile(out);
  }
  ASSERT_TRUE(text);
  EXPECT_NE(text->find("started"), std::string::npos);
  EXPECT_FALSE(host.processes.startHidden("c:\\no\\such\\program.exe"));
}

// Window procedures and deferred fill-in callbacks must be real functions:
// on i686 they use the stdcall convention, which a lambda cannot take.
int pumpProbeReceived = 0;
LRESULT CALLBACK pumpProbeProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_APP + 7) ++pumpProbeReceived;
  return DefWindowProcA(h, m, w, l);
}

HRESULT STDMETHODCALLTYPE deferredFillIn(EXCEPINFO* e) {
  e->bstrSource = SysAllocString(L"Probe");
  e->bstrDescription = SysAllocString(L"Deferred failure");
  return S_OK;
}

TEST_F(Win32Seams, ClockAndPump) {
  const double t = host.clock.secondsSinceMidnight();
  EXPECT_GE(t, 0.0);
  EXPECT_LT(t, 86400.0);
  const uint64_t before = host.clock.tickMs();
  host.clock.sleepMs(60);
  EXPECT_GE(host.clock.tickMs() - before, 40u);

  // A posted message reaches its window procedure through the pump.
  pumpProbeReceived = 0;
  WNDCLASSA wc{};
  wc.lpfnWndProc = pumpProbeProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "DvPlatformPumpProbe";
  RegisterClassA(&wc);
  HWND window = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  PostMessageA(window, WM_APP + 7, 0, 0);
  PostMessageA(window, WM_APP + 7, 0, 0);
  EXPECT_EQ(pumpProbeReceived, 0);
  host.pump.pump();
  EXPECT_EQ(pumpProbeReceived, 2);
  // A WM_QUIT is left for the thread's own loop.
  PostQuitMessage(3);
  host.pump.pump();
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
  DestroyWindow(window);
}

TEST_F(Win32Seams, ClipboardBitmapBecomesABmpFile) {
  ScratchFolder dir("platform_clip");
  // A 2x2 24-bit DIB: rows padded to 8 bytes.
  const SIZE_T pixels = 2 * 8;
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + pixels);
  ASSERT_NE(mem, nullptr);
  auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(mem));
  *header = BITMAPINFOHEADER{};
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = 2;
  header->biHeight = 2;
  header->biPlanes = 1;
  header->biBitCount = 24;
  header->biCompression = BI_RGB;
  std::memset(header + 1, 0xAB, pixels);
  GlobalUnlock(mem);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  ASSERT_NE(SetClipboardData(CF_DIB, mem), nullptr);  // the clipboard owns it now
  CloseClipboard();

  const std::string file = dir / "clip.bmp";
  ASSERT_TRUE(host.clipboard.saveBitmap(file));
  const auto bytes = host.files.readFile(file);
  ASSERT_TRUE(bytes);
  ASSERT_EQ(bytes->size(), sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + pixels);
  BITMAPFILEHEADER fh;
  std::memcpy(&fh, bytes->data(), sizeof fh);
  EXPECT_EQ(fh.bfType, 0x4D42);
  EXPECT_EQ(fh.bfSize, bytes->size());
  EXPECT_EQ(fh.bfOffBits, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER));
  EXPECT_EQ(static_cast<unsigned char>(bytes->back()), 0xAB);

  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_FALSE(host.clipboard.saveBitmap(dir / "none.bmp"));
  EXPECT_FALSE(host.files.fileLength(dir / "none.bmp"));
}

TEST_F(Win32Seams, SendKeysTypesIntoTheFocusedControl) {
  HWND frame = CreateWindowA("STATIC", "DvPlatformKeys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 100, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(frame, nullptr);
  HWND edit = CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 5, 5, 280, 24, frame, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(edit, nullptr);
  SetForegroundWindow(frame);
  SetFocus(edit);
  host.pump.pump();
  host.keyboard.sendKeys("Hi {+}+(ab)c{LEFT}{BS}{END}{x 2}");
  // Input arrives through the message queue; give it a bounded time.
  char text[64] = {0};
  for (int i = 0; i < 100; ++i) {
    host.pump.pump();
    GetWindowTextA(edit, text, sizeof text);
    if (std::string(text) == "Hi +Acxx") break;
    host.clock.sleepMs(20);
  }
  EXPECT_STREQ(text, "Hi +Acxx");
  EXPECT_EQ(vbErrorOf([&] { host.keyboard.sendKeys("{NOSUCHKEY}"); }), 5);
  EXPECT_EQ(vbErrorOf([&] { host.keyboard.sendKeys("{ENTER"); }), 5);
  DestroyWindow(frame);
}

// ---------------------------------------------------------------------------
// Automation against the system's objects

TEST_F(Win32Seams, DictionaryThroughIDispatch) {
  ASSERT_TRUE(apartment.ok());
  dv::ObjectPtr dict = host.automation.createObject("Scripting.Dictionary");
  dict->call("Add", {pos("a"), pos(1)});
  dict->call("Add", {pos("B"), pos("zwei")});
  EXPECT_EQ(vb::CLng(dict->get("Count")), 2);
  EXPECT_TRUE(vb::CBool(dict->get("Exists", {pos("a")})));
  EXPECT_FALSE(vb::CBool(dict->get("Exists", {pos("zzz")})));
  EXPECT_EQ(dict->get("Item", {pos("B")}).stringValue(), "zwei");
  dict->let("Item", Variant(int16_t{5}), {pos("a")});
  EXPECT_EQ(dict->get("item", {pos("a")}).int16Value(), 5);  // names ignore case

  const Variant keys = dict->get("Keys");
  ASSERT_TRUE(keys.isArray());
  const dv::Array& k = keys.arrayValue();
  EXPECT_EQ(k.rank(), 1);
  EXPECT_EQ(k.lbound(), 0);
  EXPECT_EQ(k.ubound(), 1);
  EXPECT_EQ(k.at(0).stringValue(), "a");
  EXPECT_EQ(k.at(1).stringValue(), "B");

  // Arrays of any shape survive a trip into the object and back.
  dv::Array grid(VarType::Variant, {dv::Bound{1, 2}, dv::Bound{-1, 3}});
  grid.at(2, -1) = Variant("r2c-1");
  grid.at(1, 1) = Variant(3.5);
  dv::Array texts = dv::Array::vector(VarType::String, {Variant("x"), Variant("y")}, 1);
  dict->call("Add", {pos("grid"), pos(grid)});
  dict->call("Add", {pos("texts"), pos(texts)});
  const Variant back = dict->get("Item", {pos("grid")});
  ASSERT_TRUE(back.isArray());
  EXPECT_EQ(back.arrayValue().bounds()[0].lower, 1);
  EXPECT_EQ(back.arrayValue().ubound(2), 1);
  EXPECT_EQ(back.arrayValue().at(2, -1).stringValue(), "r2c-1");
  EXPECT_EQ(back.arrayValue().at(1, 1).doubleValue(), 3.5);
  const Variant textsBack = dict->get("Item", {pos("texts")});
  EXPECT_EQ(textsBack.arrayValue().elementType(), VarType::String);
  EXPECT_EQ(textsBack.arrayValue().at(2).stringValue(), "y");

  // The duplicate key keeps the object's number and text.
  try {
    dict->call("Add", {pos("a"), pos(2)});
    FAIL() << "duplicate key accepted";
  } catch (const dv::AutomationError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x800A01C9));
    EXPECT_EQ(e.description(), "This key is already associated with an element of this collection");
  }
  // An unknown member is DISP_E_UNKNOWNNAME.
  try {
    dict->call("NoSuchMember");
    FAIL();
  } catch (const dv::AutomationError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(DISP_E_UNKNOWNNAME));
    EXPECT_EQ(e.description(), "Unknown name.");
  }
  EXPECT_EQ(vbErrorOf([&] { host.automation.createObject("No.Such.ProgId"); }), 429);
}

TEST_F(Win32Seams, FileSystemObjectCollectionsAndErrors) {
  ScratchFolder dir("platform_fso");
  dv::ObjectPtr fso = host.automation.createObject("Scripting.FileSystemObject");
  EXPECT_TRUE(vb::CBool(fso->get("FolderExists", {pos(dir.path())})));
  const std::string file = vb::CStr(fso->get("BuildPath", {pos(dir.path()), pos("note.txt")}));
  EXPECT_EQ(vb::LCase(file), vb::LCase(dir / "note.txt"));
  dv::ObjectPtr stream = dv::asObject(fso->call("CreateTextFile", {pos(file), pos(true)}));
  stream->call("Write", {pos("hello")});
  stream->call("Close");
  EXPECT_EQ(host.files.fileLength(file), 5);
  host.files.writeFile(dir / "second.txt", "22");

  dv::ObjectPtr folder = dv::asObject(fso->get("GetFolder", {pos(dir.path())}));
  dv::ObjectPtr files = dv::asObject(folder->get("Files"));
  EXPECT_EQ(vb::CLng(files->get("Count")), 2);
  std::vector<std::string> names;
  for (const Variant& item : files->items()) names.push_back(vb::LCase(vb::CStr(dv::asObject(item)->get("Name"))));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"note.txt", "second.txt"}));

  try {
    fso->get("GetFile", {pos(dir / "missing.txt")});
    FAIL();
  } catch (const dv::AutomationError& e) {
    EXPECT_EQ(vb::runtimeErrorOf(e.number()), 53);
    EXPECT_EQ(e.description(), "File not found");
  }
  // A dictionary has no events and the file object is no collection.
  struct Quiet : dv::EventSink {
    void onEvent(std::string_view, std::vector<Variant>&) override {}
  };
  dv::ObjectPtr dict = host.automation.createObject("Scripting.Dictionary");
  EXPECT_EQ(vbErrorOf([&] { dict->advise(std::make_shared<Quiet>()); }), 459);
  EXPECT_NE(vbErrorOf([&] { dv::asObject(fso->get("GetFile", {pos(file)}))->items(); }), 0);
}

// ---------------------------------------------------------------------------
// A probe object: checks the argument layout it receives.

// Members: Join(first, second, Optional sep) -> text; Swap(a, b) swaps two
// by-reference arguments; Fail(kind) fails in the ways servers do; Value
// is a property; Describe(x) reports an array as SafeArray* sees it.
class Probe final : public w32::ComObject<IDispatch> {
 public:
  enum : DISPID { kJoin = 1, kSwap, kFail, kValue, kDescribe };

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    ++lookups;
    static const std::pair<const wchar_t*, DISPID> members[] = {
        {L"Join", kJoin}, {L"Swap", kSwap}, {L"Fail", kFail}, {L"Value", kValue}, {L"Describe", kDescribe}};
    ids[0] = DISPID_UNKNOWN;
    for (const auto& [name, id] : members)
      if (_wcsicmp(names[0], name) == 0) ids[0] = id;
    // Parameter names are numbered by position, as type libraries do.
    static const wchar_t* params[] = {L"first", L"second", L"sep"};
    bool ok = ids[0] != DISPID_UNKNOWN;
    for (UINT i = 1; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      for (DISPID p = 0; p < 3; ++p)
        if (_wcsicmp(names[i], params[p]) == 0) ids[i] = p;
      ok = ok && ids[i] != DISPID_UNKNOWN;
    }
    return ok ? S_OK : DISP_E_UNKNOWNNAME;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* dp, VARIANT* result,
                                   EXCEPINFO* excep, UINT*) override {
    lastFlags = flags;
    switch (id) {
      case kJoin: {
        // Rebuild the argument list: named ones by DISPID, the rest are
        // positional from the end of rgvarg.
        std::wstring slots[3];
        bool present[3] = {false, false, false};
        const UINT positional = dp->cArgs - dp->cNamedArgs;
        for (UINT i = 0; i < dp->cNamedArgs; ++i) {
          const DISPID p = dp->rgdispidNamedArgs[i];
          if (p < 0 || p > 2 || dp->rgvarg[i].vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
          slots[p] = dp->rgvarg[i].bstrVal;
          present[p] = true;
        }
        for (UINT i = 0; i < positional; ++i) {
          const VARIANT& v = dp->rgvarg[dp->cArgs - 1 - i];
          if (v.vt != VT_BSTR || present[i]) return DISP_E_TYPEMISMATCH;
          slots[i] = v.bstrVal;
          present[i] = true;
        }
        if (!present[0] || !present[1]) return DISP_E_PARAMNOTOPTIONAL;
        const std::wstring text = slots[0] + (present[2] ? slots[2] : L"+") + slots[1];
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(text.c_str());
        return S_OK;
      }
      case kSwap: {
        if (dp->cArgs != 2) return DISP_E_BADPARAMCOUNT;
        for (UINT i = 0; i < 2; ++i)
          if (dp->rgvarg[i].vt != (VT_BYREF | VT_VARIANT)) return DISP_E_TYPEMISMATCH;
        std::swap(*dp->rgvarg[0].pvarVal, *dp->rgvarg[1].pvarVal);
        return S_OK;
      }
      case kFail: {
        const LONG kind = dp->cArgs == 1 ? dp->rgvarg[0].lVal : 0;
        if (kind == 1) {  // the description is filled in late, the number as wCode
          *excep = EXCEPINFO{};
          excep->wCode = 1004;
          excep->pfnDeferredFillIn = deferredFillIn;
          return DISP_E_EXCEPTION;
        }
        if (kind == 2) {
          w32::fillExcepInfo(excep, static_cast<HRESULT>(0x80004100), "Docvane", "Library failure");
          return DISP_E_EXCEPTION;
        }
        return E_INVALIDARG;
      }
      case kValue:
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
          if (dp->cNamedArgs != 1 || dp->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return DISP_E_PARAMNOTFOUND;
          return VariantCopy(value.get(), &dp->rgvarg[0]);
        }
        return VariantCopy(result, value.get());
      case kDescribe: {
        const VARIANT& v = dp->rgvarg[0];
        if (!(v.vt & VT_ARRAY) || !v.parray) return DISP_E_TYPEMISMATCH;
        std::string text = "vt=" + std::to_string(v.vt & VT_TYPEMASK);
        const UINT dims = SafeArrayGetDim(v.parray);
        for (UINT d = 1; d <= dims; ++d) {
          LONG lo = 0, hi = 0;
          SafeArrayGetLBound(v.parray, d, &lo);
          SafeArrayGetUBound(v.parray, d, &hi);
          text += " " + std::to_string(lo) + ".." + std::to_string(hi);
        }
        if (dims == 2 && (v.vt & VT_TYPEMASK) == VT_VARIANT) {
          // Element (2, -1) by index, leftmost dimension first.
          LONG index[2] = {2, -1};
          w32::ScopedVariant e;
          if (SUCCEEDED(SafeArrayGetElement(v.parray, index, e.get())) && e.v.vt == VT_BSTR) {
            text += " (2,-1)=" + w32::narrow(e.v.bstrVal);
          }
        }
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(w32::widen(text).c_str());
        return S_OK;
      }
    }
    return DISP_E_MEMBERNOTFOUND;
  }

  WORD lastFlags = 0;
  int lookups = 0;  // GetIDsOfNames calls
  w32::ScopedVariant value;
};

// The objects of this module (probes, sinks the seam made) alive now.
long liveComObjects() { return w32::moduleCounts().objects.load(); }

TEST_F(Win32Seams, NamedAndByReferenceArgumentsReachTheObjectAsVbPassesThem) {
  const long before = liveComObjects();
  {
    auto probe = w32::ComPtr<Probe>::adopt(new Probe);
    auto object = std::make_shared<w32::DispatchObject>(w32::ComPtr<IDispatch>(probe.get()));
    EXPECT_EQ(object->get("Join", {pos("a"), pos("b")}).stringValue(), "a+b");
    EXPECT_EQ(probe->lastFlags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    EXPECT_EQ(object->call("join", {pos("a"), named("Sep", "-"), named("second", "b")}).stringValue(), "a-b");
    EXPECT_EQ(probe->lastFlags, DISPATCH_METHOD);
    EXPECT_EQ(object->call("Join", {named("second", "2"), named("first", "1")}).stringValue(), "1+2");
    // Names are looked up once per object: the same member with the same
    // named arguments again asks the object nothing new; a name it does
    // not know is asked (and fails) every time.
    const int lookups = probe->lookups;
    EXPECT_EQ(object->call("Join", {named("second", "4"), named("first", "3")}).stringValue(), "3+4");
    EXPECT_EQ(object->call("join", {pos("x"), named("Sep", "*"), named("second", "y")}).stringValue(), "x*y");
    EXPECT_EQ(probe->lookups, lookups);
    EXPECT_EQ(object->call("Join", {named("first", "5"), named("second", "6")}).stringValue(), "5+6");
    EXPECT_EQ(probe->lookups, lookups + 1);
    for (int i = 0; i < 2; ++i) {
      try {
        object->call("Join", {pos("a"), named("nosuch", "b")});
        FAIL();
      } catch (const dv::AutomationError& e) {
        EXPECT_EQ(e.number(), static_cast<int32_t>(DISP_E_UNKNOWNNAME));
      }
    }
    EXPECT_EQ(probe->lookups, lookups + 3);

    Variant x("left"), y(int16_t{2});
    object->call("Swap", {pos(Variant::ref(x)), pos(Variant::ref(y))});
    EXPECT_EQ(x.int16Value(), 2);
    EXPECT_EQ(y.stringValue(), "left");

    object->let("Value", Variant(42));
    EXPECT_EQ(object->get("Value").int32Value(), 42);
    EXPECT_EQ(probe->lastFlags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    object->set("Value", Variant(dv::ObjectPtr(object)));
    EXPECT_EQ(probe->lastFlags, DISPATCH_PROPERTYPUTREF);
    // The object comes back as the same IDispatch.
    const auto same = std::dynamic_pointer_cast<w32::DispatchObject>(dv::asObject(object->get("Value")));
    ASSERT_TRUE(same);
    EXPECT_EQ(same->dispatch(), static_cast<IDispatch*>(probe.get()));
    object->let("Value", Variant());

    dv::Array grid(VarType::Variant, {dv::Bound{1, 2}, dv::Bound{-1, 3}});
    grid.at(2, -1) = Variant("here");
    EXPECT_EQ(object->call("Describe", {pos(grid)}).stringValue(), "vt=12 1..2 -1..1 (2,-1)=here");
    dv::Array texts(VarType::String, {dv::Bound{0, 0}});
    EXPECT_EQ(object->call("Describe", {pos(texts)}).stringValue(), "vt=8 0..-1");

    try {
      object->call("Fail", {pos(1)});
      FAIL();
    } catch (const dv::AutomationError& e) {
      EXPECT_EQ(e.number(), static_cast<int32_t>(0x800A03EC));
      EXPECT_EQ(e.source(), "Probe");
      EXPECT_EQ(e.description(), "Deferred failure");
    }
    try {
      object->call("Fail", {pos(2)});
      FAIL();
    } catch (const dv::AutomationError& e) {
      EXPECT_EQ(e.number(), vb::kLibraryError);
      EXPECT_EQ(e.source(), "Docvane");
      EXPECT_EQ(e.description(), "Library failure");
    }
    try {
      object->call("Fail", {pos(3)});
      FAIL();
    } catch (const dv::AutomationError& e) {
      EXPECT_EQ(e.number(), static_cast<int32_t>(E_INVALIDARG));
      EXPECT_EQ(e.description(), "The parameter is incorrect.");
    }
    // A failed call leaves by-reference variables as they were.
    Variant keep("kept");
    EXPECT_THROW(object->call("Swap", {pos(Variant::ref(keep))}), dv::AutomationError);
    EXPECT_EQ(keep.stringValue(), "kept");
  }
  EXPECT_EQ(liveComObjects(), before);  // every reference the seam took was released
}

// ---------------------------------------------------------------------------
// Events: a source object with a type library built in memory, offering
// its events through IProvideClassInfo2 or only IProvideClassInfo.

const IID kEventsIid = {0x6b1c2f10, 0x4d7e, 0x4a51, {0x9a, 0x11, 0x3e, 0x52, 0x70, 0x0d, 0x21, 0x01}};
const GUID kSourceClsid = {0x6b1c2f10, 0x4d7e, 0x4a51, {0x9a, 0x11, 0x3e, 0x52, 0x70, 0x0d, 0x21, 0x02}};
const GUID kLibId = {0x6b1c2f10, 0x4d7e, 0x4a51, {0x9a, 0x11, 0x3e, 0x52, 0x70, 0x0d, 0x21, 0x03}};

// dispinterface _ProbeEvents { [id(1)] void Progress(VARIANT percent, VARIANT cancel);
//                              [id(2)] void Done(VARIANT name); }
// coclass ProbeSource { [default, source] dispinterface _ProbeEvents; }
w32::ComPtr<ITypeLib> buildEventsLibrary() {
  w32::ComPtr<ICreateTypeLib2> lib;
  if (FAILED(CreateTypeLib2(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32, L"probe_events.tlb", lib.put()))) return {};
  lib->SetGuid(kLibId);
  w32::ComPtr<ITypeLib> stdole;
  if (FAILED(LoadRegTypeLib(IID_StdOle, 2, 0, LOCALE_NEUTRAL, stdole.put()))) return {};
  w32::ComPtr<ITypeInfo> dispatchInfo;
  if (FAILED(stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatchInfo.put()))) return {};

  w32::ComPtr<ICreateTypeInfo> events;
  if (FAILED(lib->CreateTypeInfo(const_cast<LPOLESTR>(L"_ProbeEvents"), TKIND_DISPATCH, events.put()))) return {};
  events->SetGuid(kEventsIid);
  HREFTYPE base = 0;
  events->AddRefTypeInfo(dispatchInfo.get(), &base);
  events->AddImplType(0, base);
  ELEMDESC params[2] = {};
  params[0].tdesc.vt = VT_VARIANT;
  params[1].tdesc.vt = VT_VARIANT;
  struct Method {
    MEMBERID id;
    const wchar_t* names[3];
    SHORT count;
  } methods[] = {{1, {L"Progress", L"percent", L"cancel"}, 2}, {2, {L"Done", L"name", nullptr}, 1}};
  for (UINT i = 0; i < 2; ++i) {
    FUNCDESC f{};
    f.memid = methods[i].id;
    f.funckind = FUNC_DISPATCH;
    f.invkind = INVOKE_FUNC;
    f.callconv = CC_STDCALL;
    f.cParams = methods[i].count;
    f.lprgelemdescParam = params;
    f.elemdescFunc.tdesc.vt = VT_VOID;
    if (FAILED(events->AddFuncDesc(i, &f))) return {};
    events->SetFuncAndParamNames(i, const_cast<LPOLESTR*>(methods[i].names), methods[i].count + 1);
  }
  if (FAILED(events->LayOut())) return {};

  w32::ComPtr<ICreateTypeInfo> coclass;
  if (FAILED(lib->CreateTypeInfo(const_cast<LPOLESTR>(L"ProbeSource"), TKIND_COCLASS, coclass.put()))) return {};
  coclass->SetGuid(kSourceClsid);
  auto eventsInfo = events.as<ITypeInfo>(IID_ITypeInfo);
  HREFTYPE source = 0;
  if (!eventsInfo || FAILED(coclass->AddRefTypeInfo(eventsInfo.get(), &source))) return {};
  coclass->AddImplType(0, source);
  coclass->SetImplTypeFlags(0, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
  if (FAILED(coclass->LayOut())) return {};
  return lib.as<ITypeLib>(IID_ITypeLib);
}

class EventSource final
    : public w32::ComObject<IDispatch, IProvideClassInfo2, IConnectionPointContainer, IConnectionPoint> {
 public:
  enum class Info { None, ClassInfo, ClassInfo2 };
  EventSource(Info info, w32::ComPtr<ITypeLib> lib) : info_(info), lib_(std::move(lib)) {}

  // Sources differ in how much class information they offer.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if ((IsEqualIID(riid, IID_IProvideClassInfo) && info_ == Info::None) ||
        (IsEqualIID(riid, IID_IProvideClassInfo2) && info_ != Info::ClassInfo2)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    return ComObject::QueryInterface(riid, out);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override {
    return lib_->GetTypeInfoOfGuid(kSourceClsid, out);
  }
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* out) override {
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *out = kEventsIid;
    return S_OK;
  }
  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) override {
    *out = nullptr;
    if (!IsEqualIID(riid, kEventsIid)) return CONNECT_E_NOCONNECTION;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  // IConnectionPoint
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* out) override {
    *out = kEventsIid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override {
    *out = static_cast<IConnectionPointContainer*>(this);
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    // Real sources ask the sink for the event interface itself.
    if (sink_ || FAILED(sink->QueryInterface(kEventsIid, sink_.putVoid()))) return CONNECT_E_CANNOTCONNECT;
    *cookie = 77;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    if (cookie != 77 || !sink_) return CONNECT_E_NOCONNECTION;
    sink_.reset();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  // Progress(percent, ByRef cancel As Boolean)
  HRESULT fireProgress(LONG percent, VARIANT_BOOL& cancel, EXCEPINFO& excep) {
    VARIANT args[2];
    args[1].vt = VT_I4;
    args[1].lVal = percent;
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    DISPPARAMS dp{args, nullptr, 2, 0};
    return sink_->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, &excep, nullptr);
  }
  // Done(ByRef name As String)
  HRESULT fireDone(BSTR& name) {
    VARIANT arg;
    arg.vt = VT_BYREF | VT_BSTR;
    arg.pbstrVal = &name;
    DISPPARAMS dp{&arg, nullptr, 1, 0};
    return sink_->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr);
  }
  bool connected() const { return static_cast<bool>(sink_); }

 private:
  Info info_;
  w32::ComPtr<ITypeLib> lib_;
  w32::ComPtr<IDispatch> sink_;
};

struct RecordingSink : dv::EventSink {
  std::vector<std::string> names;
  std::vector<std::vector<Variant>> args;
  void onEvent(std::string_view name, std::vector<Variant>& a) override {
    names.emplace_back(name);
    args.push_back(a);
    if (name == "Progress") {
      if (vb::CLng(a[0]) > 100) throw dv::AutomationError(vb::kLibraryError, "Docvane", "Too far");
      a[1].assign(Variant(true));
    }
    if (name == "Done") a[0].assign(Variant(vb::CStr(a[0]) + " done"));
  }
};

TEST_F(Win32Seams, EventsReachTheSinkWithByReferenceWriteBack) {
  const auto lib = buildEventsLibrary();
  ASSERT_TRUE(lib);
  const long before = liveComObjects();
  for (auto info : {EventSource::Info::ClassInfo2, EventSource::Info::ClassInfo}) {
    auto source = w32::ComPtr<EventSource>::adopt(new EventSource(info, lib));
    auto sink = std::make_shared<RecordingSink>();
    {
      auto object =
          std::make_shared<w32::DispatchObject>(w32::ComPtr<IDispatch>(static_cast<IDispatch*>(source.get())));
      std::unique_ptr<dv::EventConnection> connection = object->advise(sink);
      ASSERT_TRUE(source->connected());

      VARIANT_BOOL cancel = VARIANT_FALSE;
      w32::ScopedExcepInfo excep;
      ASSERT_EQ(source->fireProgress(50, cancel, excep.info), S_OK);
      EXPECT_EQ(cancel, VARIANT_TRUE);
      w32::ScopedVariant name;
      name.v.vt = VT_BSTR;
      name.v.bstrVal = SysAllocString(L"job");
      ASSERT_EQ(source->fireDone(name.v.bstrVal), S_OK);
      EXPECT_EQ(w32::fromBstr(name.v.bstrVal), "job done");
      ASSERT_EQ(sink->names, (std::vector<std::string>{"Progress", "Done"}));
      EXPECT_EQ(sink->args[0][0].int32Value(), 50);

      // A handler's error goes back to the source as an exception.
      cancel = VARIANT_FALSE;
      EXPECT_EQ(source->fireProgress(101, cancel, excep.info), DISP_E_EXCEPTION);
      EXPECT_EQ(excep.info.scode, vb::kLibraryError);
      EXPECT_EQ(w32::fromBstr(excep.info.bstrDescription), "Too far");
      EXPECT_EQ(cancel, VARIANT_FALSE);

      connection.reset();  // disconnects
      EXPECT_FALSE(source->connected());
    }
    EXPECT_EQ(sink.use_count(), 1);  // the COM sink is gone
  }
  {
    auto silent = w32::ComPtr<EventSource>::adopt(new EventSource(EventSource::Info::None, lib));
    auto object = std::make_shared<w32::DispatchObject>(w32::ComPtr<IDispatch>(static_cast<IDispatch*>(silent.get())));
    EXPECT_EQ(vbErrorOf([&] { object->advise(std::make_shared<RecordingSink>()); }), 459);
  }
  EXPECT_EQ(liveComObjects(), before);  // sources and the seam's sinks all released
}

TEST_F(Win32Seams, ObjectWrapperHookTurnsPlainObjectsIntoVariants) {
  struct Plain : dv::Object {
    Variant get(std::string_view, Args) override { return {}; }
    void let(std::string_view, const Variant&, Args) override {}
    void set(std::string_view, const Variant&, Args) override {}
    Variant call(std::string_view, Args) override { return {}; }
  };
  auto plain = std::make_shared<Plain>();
  const long before = liveComObjects();
  {
    w32::ScopedVariant v;
    EXPECT_EQ(vbErrorOf([&] { w32::toVariant(Variant(dv::ObjectPtr(plain)), v.v); }), 13);
    auto stand = w32::ComPtr<Probe>::adopt(new Probe);
    w32::setObjectWrapper([&](const dv::ObjectPtr& o) -> IDispatch* {
      return o == plain ? w32::ComPtr<IDispatch>(stand.get()).detach() : nullptr;
    });
    w32::setObjectUnwrapper([&](IDispatch* d) -> dv::ObjectPtr { return d == stand.get() ? plain : nullptr; });
    w32::toVariant(Variant(dv::ObjectPtr(plain)), v.v);
    EXPECT_EQ(v.v.vt, VT_DISPATCH);
    EXPECT_EQ(v.v.pdispVal, static_cast<IDispatch*>(stand.get()));
    EXPECT_EQ(w32::fromVariant(v.v).objectValue(), plain);  // not wrapped twice
    w32::setObjectWrapper(nullptr);
    w32::setObjectUnwrapper(nullptr);
  }
  EXPECT_EQ(liveComObjects(), before);
}

// By-reference write-back as servers and sinks do it: into the caller's
// variable, in the type the reference declares.
TEST_F(Win32Seams, StoreByRefConvertsIntoTheCallersVariable) {
  auto ref = [](VARTYPE vt, void* slot) {
    VARIANT r;
    VariantInit(&r);
    r.vt = static_cast<VARTYPE>(VT_BYREF | vt);
    r.byref = slot;
    return r;
  };
  auto text = [](w32::ScopedVariant& v, const wchar_t* s) {
    v.v.vt = VT_BSTR;
    v.v.bstrVal = SysAllocString(s);
  };
  {
    w32::ScopedVariant old, value;
    text(old, L"old");
    value.v.vt = VT_I4;
    value.v.lVal = 42;
    ASSERT_EQ(w32::storeByRef(ref(VT_BSTR, &old.v.bstrVal), value.v), S_OK);
    EXPECT_EQ(w32::fromBstr(old.v.bstrVal), "42");
    EXPECT_EQ(value.v.vt, VT_EMPTY);  // moved
  }
  {
    SHORT small = 7;
    w32::ScopedVariant value;
    text(value, L"12");
    ASSERT_EQ(w32::storeByRef(ref(VT_I2, &small), value.v), S_OK);
    EXPECT_EQ(small, 12);
    // What does not convert leaves both sides as they were.
    text(value, L"x");
    EXPECT_EQ(w32::storeByRef(ref(VT_I2, &small), value.v), DISP_E_TYPEMISMATCH);
    value.put()->vt = VT_I4;
    value.v.lVal = 70000;
    EXPECT_EQ(w32::storeByRef(ref(VT_I2, &small), value.v), DISP_E_OVERFLOW);
    EXPECT_EQ(small, 12);
    EXPECT_EQ(value.v.lVal, 70000);
  }
  {
    VARIANT_BOOL flag = VARIANT_FALSE;
    DATE date = 0;
    DECIMAL decimal{};
    w32::ScopedVariant value;
    value.v.vt = VT_I4;
    value.v.lVal = 1;
    ASSERT_EQ(w32::storeByRef(ref(VT_BOOL, &flag), value.v), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    value.v.vt = VT_R8;
    value.v.dblVal = 36526.5;
    ASSERT_EQ(w32::storeByRef(ref(VT_DATE, &date), value.v), S_OK);
    EXPECT_EQ(date, 36526.5);
    value.v.vt = VT_I4;
    value.v.lVal = 5;
    ASSERT_EQ(w32::storeByRef(ref(VT_DECIMAL, &decimal), value.v), S_OK);
    EXPECT_EQ(decimal.Lo64, 5u);
    EXPECT_EQ(decimal.wReserved, 0);
  }
  {
    // A script variable takes the value with its own type.
    w32::ScopedVariant variable, value;
    text(variable, L"before");
    value.v.vt = VT_I4;
    value.v.lVal = 3;
    ASSERT_EQ(w32::storeByRef(ref(VT_VARIANT, &variable.v), value.v), S_OK);
    EXPECT_EQ(variable.v.vt, VT_I4);
    EXPECT_EQ(variable.v.lVal, 3);
  }
  {
    // The object the variable held is released.
    const long before = liveComObjects();
    IDispatch* slot = new Probe;
    w32::ScopedVariant value;
    value.v.vt = VT_DISPATCH;
    value.v.pdispVal = new Probe;
    ASSERT_EQ(w32::storeByRef(ref(VT_DISPATCH, &slot), value.v), S_OK);
    EXPECT_EQ(liveComObjects(), before + 1);
    slot->Release();
    EXPECT_EQ(liveComObjects(), before);
  }
  {
    // Arrays must match the declared element type; they do not convert.
    SAFEARRAY* slot = SafeArrayCreateVector(VT_BSTR, 0, 1);
    w32::ScopedVariant value;
    value.v.vt = VT_ARRAY | VT_VARIANT;
    value.v.parray = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    EXPECT_EQ(w32::storeByRef(ref(VT_ARRAY | VT_BSTR, &slot), value.v), DISP_E_TYPEMISMATCH);
    value.put()->vt = VT_ARRAY | VT_BSTR;
    value.v.parray = SafeArrayCreateVector(VT_BSTR, 0, 3);
    SAFEARRAY* stored = value.v.parray;
    ASSERT_EQ(w32::storeByRef(ref(VT_ARRAY | VT_BSTR, &slot), value.v), S_OK);
    EXPECT_EQ(slot, stored);
    SafeArrayDestroy(slot);
  }
  {
    // Nothing to store into: the value stays with the caller.
    w32::ScopedVariant value;
    text(value, L"kept");
    EXPECT_EQ(w32::storeByRef(ref(VT_BSTR, nullptr), value.v), S_FALSE);
    EXPECT_EQ(w32::fromBstr(value.v.bstrVal), "kept");
    int record = 0;
    EXPECT_EQ(w32::storeByRef(ref(VT_RECORD, &record), value.v), S_FALSE);
    EXPECT_EQ(value.v.vt, VT_BSTR);
  }
}

TEST_F(Win32Seams, VariantConversionsOfScalarsAndByRefInputs) {
  const Variant values[] = {Variant(),
                            Variant::null(),
                            Variant(true),
                            Variant(int16_t{-3}),
                            Variant(70000),
                            Variant(uint8_t{200}),
                            Variant(1.5f),
                            Variant(2.25),
                            Variant::date(36526.5),
                            Variant("Grüße"),
                            Variant::missing()};
  for (const Variant& in : values) {
    w32::ScopedVariant v;
    w32::toVariant(in, v.v);
    const Variant out = w32::fromVariant(v.v);
    EXPECT_EQ(out.type(), in.type()) << dv::typeName(in.type());
    EXPECT_EQ(vb::compareVariants(in.isMissing() ? Variant() : in, out.isMissing() ? Variant() : out), 0)
        << dv::typeName(in.type());
  }
  w32::ScopedVariant missing;
  w32::toVariant(Variant::missing(), missing.v);
  EXPECT_EQ(missing.v.vt, VT_ERROR);
  EXPECT_EQ(missing.v.scode, DISP_E_PARAMNOTFOUND);
  // VT_BYREF inputs and types VB lacks.
  LONG target = 12;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_I4;
  ref.plVal = &target;
  EXPECT_EQ(w32::fromVariant(ref).int32Value(), 12);
  VARIANT big;
  VariantInit(&big);
  big.vt = VT_I8;
  big.llVal = 5000000000LL;
  EXPECT_EQ(w32::fromVariant(big).doubleValue(), 5e9);
  big.llVal = 5;
  EXPECT_EQ(w32::fromVariant(big).int32Value(), 5);
}

}  // namespace

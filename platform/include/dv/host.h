// The host-services seam: everything outside the process's own memory that
// the library and the relay touch. The core sees only these interfaces; the
// Win32 implementation lives in platform/win32, in-memory doubles in
// platform/fakes. Semantics follow the ANSI Win32 calls they stand for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dv/automation.h"

namespace dv {

// ---- Registry (RegOpenKeyExA and friends; results are Win32 error codes) ----
using RegKey = uint64_t;
inline constexpr RegKey kHkeyClassesRoot = 0x80000000u;
inline constexpr RegKey kHkeyCurrentUser = 0x80000001u;
inline constexpr RegKey kHkeyLocalMachine = 0x80000002u;
inline constexpr RegKey kHkeyUsers = 0x80000003u;

class Registry {
 public:
  virtual ~Registry() = default;
  virtual long openKey(RegKey root, const std::string& subKey, uint32_t access, RegKey& result) = 0;
  virtual long createKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& result,
                         uint32_t* disposition) = 0;
  // With data == nullptr only type and size are returned (the size query).
  // A buffer smaller than the value gives ERROR_MORE_DATA (234).
  virtual long queryValue(RegKey key, const std::string& name, uint32_t& type, std::vector<uint8_t>* data,
                          uint32_t& size) = 0;
  virtual long setValue(RegKey key, const std::string& name, uint32_t type, const std::vector<uint8_t>& data) = 0;
  virtual long deleteValue(RegKey key, const std::string& name) = 0;
  virtual long deleteKey(RegKey parent, const std::string& subKey) = 0;
  virtual long closeKey(RegKey key) = 0;
};

// The answer of RegQueryValueEx once a value of `value.size()` bytes has
// been read: the size query (data == nullptr), ERROR_MORE_DATA (234) when
// `size` is too small, else the bytes. Shared by every Registry.
long deliverRegistryValue(std::vector<uint8_t> value, std::vector<uint8_t>* data, uint32_t& size);

// ---- Files (paths are Windows paths; names compare case-insensitively) ----
struct FileEntry {
  std::string name;  // name only, no folder
  int64_t size = 0;
  double modified = 0;  // OLE date
  bool directory = false;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // FileLen: nullopt when the length cannot be read (missing, folder, locked).
  virtual std::optional<int64_t> fileLength(const std::string& path) = 0;
  // FileExists: true when a file (not a folder) is at the path and its
  // length can be read. Never raises.
  virtual bool fileExists(const std::string& path) = 0;
  virtual bool folderExists(const std::string& path) = 0;
  virtual bool deleteFile(const std::string& path) = 0;
  // Moves a file to `to`, replacing a file there (MoveFileEx with
  // MOVEFILE_REPLACE_EXISTING, copying across volumes). False when either
  // file is held or the move is refused; nothing changes then.
  virtual bool replaceFile(const std::string& from, const std::string& to) = 0;
  // MkDir: 0 on success, else the VB error number (75 exists, 76 path not found).
  virtual int createFolder(const std::string& path) = 0;
  // Entries matching a wildcard pattern ("c:\dir\*.pdf"), in directory
  // order, without entering subfolders; "." and ".." are left out.
  virtual std::vector<FileEntry> list(const std::string& pattern) = 0;
  virtual std::optional<std::string> readFile(const std::string& path) = 0;
  // Creates or truncates. False when the file cannot be written.
  virtual bool writeFile(const std::string& path, const std::string& bytes) = 0;
  virtual std::string currentDirectory() = 0;
  // GetLongPathNameA; empty when the path does not exist.
  virtual std::string longPathName(const std::string& path) = 0;
  // GetShortPathNameW: the 8.3 form of an existing path; a component that
  // has no short name stays as it is. Empty when the path does not exist.
  virtual std::string shortPathName(const std::string& path) = 0;

  // Text files without a Unicode form are in the system's ANSI code page
  // (GetACP), which differs between machines.
  virtual uint32_t ansiCodePage() = 0;
  // ANSI bytes as UTF-8.
  virtual std::string fromAnsi(std::string_view bytes) = 0;
  // UTF-8 text as ANSI bytes, exactly: nullopt when a character has no form
  // in the code page (no best-fit look-alikes, no "?").
  virtual std::optional<std::string> toAnsi(std::string_view text) = 0;
};

// ---- Processes ----
class Processes {
 public:
  virtual ~Processes() = default;
  // Starts a command line with a hidden window and does not wait.
  virtual bool startHidden(const std::string& commandLine) = 0;
  // Ends what startHidden started with exactly this command line and is
  // still running; a program that already ended is left alone.
  virtual void endStarted(const std::string& commandLine) = 0;
};

// ---- Shell ----
class Shell {
 public:
  virtual ~Shell() = default;
  // SHGetSpecialFolderPath for a CSIDL; empty on failure.
  virtual std::string specialFolder(int csidl) = 0;
  // Folder of the loaded library module (Docvane.dll), ending in "\".
  virtual std::string libraryFolder() = 0;
  // GetSystemDirectoryA, without a trailing "\".
  virtual std::string systemDirectory() = 0;
  // ShellExecuteA; returns the shell's result (> 32 on success).
  virtual intptr_t execute(const std::string& verb, const std::string& file, const std::string& parameters,
                           const std::string& directory, int showCommand) = 0;
};

// ---- Windows (user32) ----
using Hwnd = uintptr_t;

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
};

// The window messages the core sends or posts (winuser.h values).
namespace wm {
inline constexpr uint32_t kSetText = 0x000C;
inline constexpr uint32_t kGetText = 0x000D;
inline constexpr uint32_t kGetTextLength = 0x000E;
inline constexpr uint32_t kClose = 0x0010;
inline constexpr uint32_t kWinIniChange = 0x001A;
inline constexpr uint32_t kKeyDown = 0x0100;
inline constexpr uint32_t kKeyUp = 0x0101;
inline constexpr uint32_t kChar = 0x0102;
inline constexpr uint32_t kCommand = 0x0111;
inline constexpr uint32_t kLButtonDown = 0x0201;
inline constexpr uint32_t kLButtonUp = 0x0202;
}  // namespace wm

// Virtual-key codes.
namespace vk {
inline constexpr uint32_t kReturn = 0x0D;
inline constexpr uint32_t kEnd = 0x23;
inline constexpr uint32_t kHome = 0x24;
inline constexpr uint32_t kDown = 0x28;
inline constexpr uint32_t kY = 0x59;
}  // namespace vk

// Texts cross this seam as UTF-8; the Win32 side converts to and from the
// ANSI code page because it calls the ANSI functions.
class Windows {
 public:
  virtual ~Windows() = default;
  // FindWindowA; an absent optional matches any class or caption.
  virtual Hwnd findWindow(const std::optional<std::string>& className, const std::optional<std::string>& caption) = 0;
  virtual Hwnd firstChild(Hwnd parent) = 0;   // GetWindow(GW_CHILD)
  virtual Hwnd nextSibling(Hwnd window) = 0;  // GetWindow(GW_HWNDNEXT)
  // EnumChildWindows of GetDesktopWindow: every top-level window and all its
  // descendants, each window before its children.
  virtual std::vector<Hwnd> desktopChildren() = 0;
  virtual std::string className(Hwnd window) = 0;  // GetClassNameA, at most 255 characters
  // WM_GETTEXTLENGTH, then WM_GETTEXT into length + 1 characters (what the
  // control itself holds, also across processes); empty for a null handle.
  virtual std::string text(Hwnd window) = 0;
  virtual Rect rect(Hwnd window) = 0;  // GetWindowRect
  virtual bool isWindow(Hwnd window) = 0;
  virtual bool isVisible(Hwnd window) = 0;  // IsWindowVisible
  virtual intptr_t send(Hwnd window, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  virtual bool post(Hwnd window, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  // SendMessageA with lParam pointing at an ANSI text (WM_SETTEXT, WM_WININICHANGE).
  virtual intptr_t sendText(Hwnd window, uint32_t message, uintptr_t wParam, const std::string& text) = 0;
};
inline constexpr Hwnd kHwndBroadcast = 0xFFFF;

// ---- Printers ----
struct PrinterInfo5 {
  std::string printerName;
  std::string portName;
  uint32_t attributes = 0;
  uint32_t deviceNotSelectedTimeout = 0;
  uint32_t transmissionRetryTimeout = 0;
};

// PointerToString: the ANSI text at `address`, read the way the printer
// record's strings are read, through a 512-character buffer. Text of 512
// characters or more has no zero inside that buffer and does not fit:
// nullopt, so that a record read back cut short is never written back.
inline std::optional<std::string> pointerToString(const char* address) {
  constexpr size_t kBuffer = 512;
  if (address == nullptr) return std::string();
  size_t n = 0;
  while (n < kBuffer && address[n] != '\0') ++n;
  if (n == kBuffer) return std::nullopt;
  return std::string(address, n);
}

class Printers {
 public:
  virtual ~Printers() = default;
  virtual std::string profileString(const std::string& section, const std::string& key,
                                    const std::string& fallback) = 0;
  virtual bool writeProfileString(const std::string& section, const std::string& key, const std::string& value) = 0;
  virtual uint32_t platformId() = 0;  // GetVersionExA: 1 for the 9x family
  // OpenPrinterA (full access) + GetPrinterA(5); nullopt when either fails
  // or when a name does not fit pointerToString.
  virtual std::optional<PrinterInfo5> printerInfo5(const std::string& printer) = 0;
  // OpenPrinterA + SetPrinterA(5); false on failure.
  virtual bool setPrinterInfo5(const std::string& printer, const PrinterInfo5& info) = 0;
  // The device name of the current default printer; empty when none.
  virtual std::string defaultPrinter() = 0;
  // Prints plain text on the default printer (the platform printer object).
  virtual bool printTextOnDefault(const std::string& text) = 0;
};

// ---- Clipboard ----
class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Writes the clipboard's bitmap as a BMP file; false when it holds none.
  virtual bool saveBitmap(const std::string& path) = 0;
};

// ---- Time, message pump, input, user interface ----
class Clock {
 public:
  virtual ~Clock() = default;
  // VB's Timer: seconds since local midnight, with fractions.
  virtual double secondsSinceMidnight() = 0;
  // A monotonic millisecond counter for bounds that must not roll over.
  virtual uint64_t tickMs() = 0;
  virtual void sleepMs(uint32_t ms) = 0;
};

class MessagePump {
 public:
  virtual ~MessagePump() = default;
  // DoEvents: dispatches the calling thread's pending window messages.
  virtual void pump() = 0;
};

class Keyboard {
 public:
  virtual ~Keyboard() = default;
  // SendKeys-style input to the foreground window.
  virtual void sendKeys(const std::string& keys) = 0;
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  virtual void messageBox(const std::string& text, const std::string& caption) = 0;
};

// Everything the core needs, handed to it as one value.
struct Host {
  Registry& registry;
  FileSystem& files;
  Processes& processes;
  Shell& shell;
  Windows& windows;
  Printers& printers;
  Clipboard& clipboard;
  Clock& clock;
  MessagePump& pump;
  Keyboard& keyboard;
  UserInterface& ui;
  Automation& automation;
};

}  // namespace dv

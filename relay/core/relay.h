// dlgrelay: finds one dialog by caption, fills its controls and presses
// its buttons, driven only by its command line. Everything here runs over
// the windows, clock and message-pump seams, so the whole behaviour can
// be exercised on the in-memory window tree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dv/host.h"

namespace dv::relay {

// The most fields a command line yields; the rest of the line is ignored.
inline constexpr size_t kMaxFields = 32767;
// How long the search for the dialog lasts, and the pause after it.
inline constexpr uint64_t kSearchMs = 30000;
inline constexpr uint32_t kSettleMs = 1000;
// The pause between two search attempts: short beside a dialog's opening,
// long enough that a waiting relay takes next to no processor time.
inline constexpr uint32_t kSearchPauseMs = 25;
// How long, after the pause, a "save as" relay looks for the viewer's
// question whether to replace the file.
inline constexpr uint64_t kConfirmationMs = 10000;

// The text after the program's own path in a full process command line.
// A quoted path ends at its closing quote; an unquoted one is skipped as a
// whole when it is this program's own path (which may contain blanks, as
// in "C:\Program Files\..."), otherwise at the first blank or tab.
std::string argumentsOf(std::string_view commandLine, std::string_view ownPath);

// Splits the argument string into fields: blanks trimmed at both ends,
// every "~" closes a field, text after the last "~" is dropped; fields 0
// (the action) and 1 (the caption) are lower-cased.
std::vector<std::string> parseFields(std::string_view arguments);

// A decimal 16-bit integer ("-12", "007"); nullopt for anything else,
// the empty text and numbers outside -32768..32767 included.
std::optional<int16_t> parseInt16(std::string_view text);

struct WindowRecord {
  std::string className;
  Hwnd window = 0;
  std::string text;
};

struct RelayEnv {
  Windows& windows;
  Clock& clock;
  MessagePump& pump;
};

// The dialog's controls in pre-order (a window before its children,
// siblings in z-order), leaving out labels: every window whose class name
// occurs within the word "static", compared without regard to case.
std::vector<WindowRecord> listChildWindows(RelayEnv& env, Hwnd window);

// An untitled print-to-file dialog: a "#32770" of 374x101 or 384x112.
Hwnd findPrintToFileDialog(Windows& windows);

// Waits up to kSearchMs for a top-level window titled fields[1] (for
// "print to file" also the untitled dialog above); 0 when none appeared.
Hwnd searchDialog(RelayEnv& env, const std::vector<std::string>& fields);

// Runs the handler of fields[0] on the found dialog. False when the
// action is unknown, fields are missing or an integer field is invalid.
bool act(RelayEnv& env, Hwnd dialog, const std::vector<std::string>& fields);

// The whole program: parse, search, settle, act.
void run(RelayEnv& env, std::string_view arguments);

}  // namespace dv::relay

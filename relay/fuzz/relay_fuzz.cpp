// libFuzzer target: the command-line parser and every handler, run on an
// in-memory dialog built from the input. The clock moves a second per
// search attempt, so a run never waits; a crash, sanitizer report or hang
// is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dv/fakes/fake_services.h"
#include "dv/fakes/fake_windows.h"
#include "relay/core/relay.h"

namespace {

const char* const kClasses[] = {"#32770",      "Edit",        "ComboBox",    "Button",       "Static",
                                "RichEdit20W", "RICHEDIT50W", "richedit50w", "ComboBoxEx32", "",
                                "edit",        "BUTTON",      "tat"};
const char* const kTexts[] = {"",     "OK",      "&Insert",       "Ins&ert", "Inser&t", "&Require a password",
                              "&Yes", "Save As", "print to file", "Open"};
const dv::Rect kRects[] = {{0, 0, 384, 112}, {10, 10, 384, 111}, {0, 0, 100, 50}, {5, 5, 5, 5}};

template <class T, size_t N>
const T& pick(const T (&table)[N], uint8_t byte) {
  return table[byte % N];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  dv::fakes::FakeWindows windows;
  dv::fakes::FakeClock clock;
  dv::fakes::FakePump pump;
  pump.addHook([&] { clock.advanceMs(1000); });

  // Window records: class, text, parent (an earlier window or the
  // desktop), rectangle and whether a message to it closes the dialog.
  size_t at = 0;
  const size_t count = data[at++] % 24;
  std::vector<dv::Hwnd> made;
  for (size_t i = 0; i < count && at + 4 <= size; ++i, at += 4) {
    const uint8_t parentByte = data[at + 2];
    dv::Hwnd parent = made.empty() || parentByte % 4 == 0 ? 0 : made[parentByte % made.size()];
    dv::Hwnd h =
        windows.create(parent, pick(kClasses, data[at]), pick(kTexts, data[at + 1]), pick(kRects, data[at + 3]));
    made.push_back(h);
    if (data[at + 3] & 0x80) {
      // The dialog ends when this control is touched: later messages go
      // to windows that no longer exist.
      dv::Hwnd root = h;
      while (windows.parentOf(root) != windows.desktop()) root = windows.parentOf(root);
      windows.onMessage(h, 0, [&windows, root] { windows.destroy(root); });
    }
  }
  std::string line(reinterpret_cast<const char*>(data + at), size - at);

  // Give the first top-level window the caption the line asks for, so the
  // handlers run rather than only the search.
  auto fields = dv::relay::parseFields(line);
  if (fields.size() >= 2 && !made.empty() && (data[0] & 0x80)) windows.setText(made.front(), fields[1]);

  dv::relay::RelayEnv env{windows, clock, pump};
  dv::relay::run(env, dv::relay::argumentsOf(line, "C:\\Program Files\\Docvane\\dlgrelay.exe"));
  return 0;
}

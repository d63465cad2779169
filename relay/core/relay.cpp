#include "relay/core/relay.h"

#include <array>

#include "dv/vb.h"

namespace dv::relay {

namespace {

// Only ASCII letters are folded: the action keywords are ASCII, and the
// caption goes to FindWindowA, which ignores case itself. Folding bytes
// beyond ASCII would damage UTF-8 text.
char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lowerAscii(c);
  return out;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (lowerAscii(s[i]) != lowerAscii(prefix[i])) return false;
  return true;
}

}  // namespace

std::string argumentsOf(std::string_view commandLine, std::string_view ownPath) {
  size_t i = 0;
  while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
  std::string_view rest = commandLine.substr(i);
  size_t end;
  if (!rest.empty() && rest[0] == '"') {
    size_t close = rest.find('"', 1);
    end = close == std::string_view::npos ? rest.size() : close + 1;
  } else if (!ownPath.empty() && startsWithNoCase(rest, ownPath) &&
             (rest.size() == ownPath.size() || rest[ownPath.size()] == ' ' || rest[ownPath.size()] == '\t')) {
    end = ownPath.size();
  } else {
    end = rest.find_first_of(" \t");
    if (end == std::string_view::npos) end = rest.size();
  }
  // The single separating blank is part of the program token, not of the
  // arguments; the trim of the arguments removes any further blanks.
  return std::string(rest.substr(end));
}

std::vector<std::string> parseFields(std::string_view arguments) {
  std::string trimmed = vb::Trim(arguments);
  std::vector<std::string> fields;
  std::string current;
  for (char c : trimmed) {
    if (c != '~') {
      current.push_back(c);
      continue;
    }
    fields.push_back(std::move(current));
    current.clear();
    if (fields.size() == kMaxFields) break;
  }
  for (size_t i = 0; i < fields.size() && i < 2; ++i) fields[i] = lowerAscii(fields[i]);
  return fields;
}

std::optional<int16_t> parseInt16(std::string_view text) {
  size_t i = 0;
  bool negative = !text.empty() && text[0] == '-';
  if (negative) i = 1;
  if (i == text.size()) return std::nullopt;
  int32_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > 32768) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > 32767) return std::nullopt;
  return static_cast<int16_t>(value);
}

namespace {

// Guards the walk against a window tree that changes under it (a sibling
// chain that loops while the dialog rebuilds itself); the list is indexed
// by a 16-bit counter anyway.
constexpr size_t kMaxRecords = 32767;

void collect(RelayEnv& env, Hwnd window, std::vector<WindowRecord>& list, int depth) {
  if (list.size() >= kMaxRecords || depth > 256) return;
  std::string cls = env.windows.className(window);
  // Labels carry no input; InStr("static", class) also drops an empty class.
  if (std::string_view("static").find(lowerAscii(cls)) == std::string_view::npos)
    list.push_back(WindowRecord{cls, window, env.windows.text(window)});
  for (Hwnd child = env.windows.firstChild(window); child != 0 && list.size() < kMaxRecords;
       child = env.windows.nextSibling(child)) {
    env.pump.pump();
    collect(env, child, list, depth + 1);
  }
}

}  // namespace

std::vector<WindowRecord> listChildWindows(RelayEnv& env, Hwnd window) {
  std::vector<WindowRecord> list;
  collect(env, window, list, 0);
  return list;
}

Hwnd findPrintToFileDialog(Windows& windows) {
  for (Hwnd h : windows.desktopChildren()) {
    if (windows.className(h) != "#32770") continue;
    Rect r = windows.rect(h);
    int64_t width = int64_t{r.right} - r.left, height = int64_t{r.bottom} - r.top;
    if ((width == 374 && height == 101) || (width == 384 && height == 112)) return h;
  }
  return 0;
}

Hwnd searchDialog(RelayEnv& env, const std::vector<std::string>& fields) {
  // Without a caption (a line with fewer than two "~") nothing can be
  // found; the relay still waits out the same 30 seconds.
  const bool printToFile = !fields.empty() && fields[0] == "print to file";
  // The monotonic counter, not the seconds since midnight: those fall back
  // to 0 at midnight, which would make a deadline computed from them
  // unreachable (or reached at once).
  const uint64_t start = env.clock.tickMs();
  for (;;) {
    env.pump.pump();
    if (fields.size() >= 2) {
      if (Hwnd h = env.windows.findWindow(std::nullopt, fields[1])) return h;
      if (printToFile)
        if (Hwnd h = findPrintToFileDialog(env.windows)) return h;
    }
    if (env.clock.tickMs() - start > kSearchMs) return 0;
    // Leaves the processor to the program that is about to show the dialog.
    env.clock.sleepMs(kSearchPauseMs);
  }
}

namespace {

// A class test quoted with capitals: exact and case-sensitive.
auto exactly(const char* cls) {
  return [cls](const WindowRecord& r) { return r.className == cls; };
}

class Handlers {
 public:
  Handlers(RelayEnv& env, Hwnd dialog) : env_(env), dialog_(dialog) {}

  void selectCompatibility(const std::string& d) {
    if (d != "0" && d != "1" && d != "2" && d != "3") return;
    if (const WindowRecord* combo = first(exactly("ComboBox"))) {
      click(combo->window);
      if (d == "3") {
        key(combo->window, vk::kEnd);
      } else {
        key(combo->window, vk::kHome);
        downs(combo->window, d[0] - '0');
      }
      key(combo->window, vk::kReturn);
      key(combo->window, vk::kReturn);
    }
  }

  void selectCompatibility8(const std::string& d) {
    if (d != "0" && d != "1" && d != "2" && d != "3" && d != "4") return;
    if (const WindowRecord* combo = first(exactly("ComboBox"))) {
      click(combo->window);
      if (d == "4") {
        key(combo->window, vk::kEnd);
      } else {
        key(combo->window, vk::kHome);
        downs(combo->window, d[0] - '0' + 1);  // the list's first entry is skipped
      }
      key(combo->window, vk::kReturn);
      key(combo->window, vk::kReturn);
    }
  }

  void fillPrintToFile(const std::string& path) {
    if (const WindowRecord* edit = first(exactly("Edit"))) typeAndEnter(edit->window, path);
  }

  void fillSaveAs(const std::string& path) {
    if (const WindowRecord* edit = first(exactly("Edit"))) typeAndEnter(edit->window, path);
    // The viewer asks before replacing an existing file, in a box titled
    // like the dialog itself; its first button is Yes.
    env_.clock.sleepMs(1000);
    if (Hwnd confirm = confirmationBox()) {
      Handlers other(env_, confirm);
      if (const WindowRecord* button = other.first(exactly("Button"))) key(button->window, vk::kY);
    }
  }

  // The question comes once the viewer has taken the name. On a busy
  // machine that is later than the second waited above, and the dialog
  // just filled may still exist then under the same title: a window other
  // than it is looked for a while longer, else the first so titled.
  Hwnd confirmationBox() {
    const uint64_t start = env_.clock.tickMs();
    for (;;) {
      env_.pump.pump();
      for (Hwnd h : env_.windows.desktopChildren())
        if (h != dialog_ && env_.windows.isVisible(h) && lowerAscii(env_.windows.text(h)) == "save as") return h;
      if (env_.clock.tickMs() - start >= kConfirmationMs) break;
      env_.clock.sleepMs(kSearchPauseMs);
    }
    return env_.windows.findWindow(std::nullopt, std::string("save as"));
  }

  void fillSaveAsWithType(const std::string& path, int16_t n, int extraDowns) {
    int combos = 0;
    for (const WindowRecord& r : walk()) {
      env_.pump.pump();
      if (r.className == "Edit") env_.windows.sendText(r.window, wm::kSetText, 0, path);
      if (r.className == "ComboBox" && ++combos == 3) {
        click(r.window);
        key(r.window, vk::kHome);
        downs(r.window, extraDowns + (n > 0 ? n : 0));
        key(r.window, vk::kReturn);
        key(r.window, vk::kReturn);
        return;
      }
    }
  }

  void fillFirstEdit(const std::string& text, bool richEdit20) {
    auto test = [richEdit20](const WindowRecord& r) {
      std::string lower = lowerAscii(r.className);
      return lower == "edit" || lower == "richedit50w" || (richEdit20 && lower == "richedit20w");
    };
    if (const WindowRecord* edit = first(test)) typeAndEnter(edit->window, text);
  }

  void pressDefaultButton() {
    if (const WindowRecord* button = first(exactly("Button"))) key(button->window, vk::kReturn);
  }

  void fillPasswordSecurity(const std::string& password) {
    for (const WindowRecord& r : walk()) {
      env_.pump.pump();
      std::string lower = lowerAscii(r.className);
      if (lower == "edit" || lower == "richedit50w") {
        typeAndEnter(r.window, password);
        return;
      }
      // Ticks "Require a password to open the document" before the
      // password is typed; the edit is enabled only once it is ticked.
      if (lower == "button" && r.text.compare(0, 8, "&Require") == 0) {
        click(r.window);
        env_.clock.sleepMs(1000);
      }
    }
  }

  struct HeaderFields {
    int16_t font, fontSize, pageStyle, pageBox, dateStyle, dateBox;
    std::string customText;
    int16_t customBox;
  };

  // Viewer 6: three box buttons precede the insert buttons; an insert
  // button is pressed first, then the box that receives the item.
  void fillHeadersFooters6(const HeaderFields& f) {
    const auto& list = walk();
    int combos = 0;
    for (const WindowRecord& r : list) {
      env_.pump.pump();
      if (r.className == "ComboBox") {
        ++combos;
        if (combos == 1) select(r.window, f.font);
        else if (combos == 2) select(r.window, f.fontSize);
        else if (combos == 5) select(r.window, f.dateStyle);
        else if (combos == 6) select(r.window, f.pageStyle);
      }
      if ((r.className == "RichEdit20W" || lowerAscii(r.className) == "richedit50w") && !f.customText.empty())
        env_.windows.sendText(r.window, wm::kSetText, 0, f.customText);
    }
    std::array<Hwnd, 3> boxes{};
    int buttons = 0;
    for (const WindowRecord& r : list) {
      env_.pump.pump();
      if (r.className != "Button") continue;
      ++buttons;
      if (r.text == "&Insert") {
        if (f.dateStyle >= 0) {
          click(r.window);
          clickBox(boxes, f.dateBox);
        }
      } else if (r.text == "Ins&ert") {
        if (f.pageStyle >= 0) {
          click(r.window);
          clickBox(boxes, f.pageBox);
        }
      } else if (r.text == "Inser&t") {
        if (!f.customText.empty()) {
          click(r.window);
          clickBox(boxes, f.customBox);
        }
      } else if (r.text == "OK") {
        click(r.window);
        return;
      }
      if (buttons <= 3) boxes[static_cast<size_t>(buttons - 1)] = r.window;
    }
  }

  // Viewer 7 and later: the boxes are the three rich edits; the box is
  // clicked first, then the insert button.
  void fillHeadersFooters7(const HeaderFields& f) {
    const auto& list = walk();
    std::array<Hwnd, 3> boxes{};
    int combos = 0, richEdits = 0;
    for (const WindowRecord& r : list) {
      env_.pump.pump();
      if (r.className == "ComboBox") {
        ++combos;
        if (combos == 1) select(r.window, f.dateStyle);
        else if (combos == 2) select(r.window, f.pageStyle);
        else if (combos == 3) select(r.window, f.font);
        else if (combos == 4) select(r.window, f.fontSize);
      }
      if (lowerAscii(r.className) == "richedit50w") {
        ++richEdits;
        if (richEdits <= 3) boxes[static_cast<size_t>(richEdits - 1)] = r.window;
        if (!f.customText.empty() && f.customBox >= 0 && f.customBox <= 2 && richEdits == f.customBox + 1) {
          click(r.window);
          env_.windows.sendText(r.window, wm::kSetText, 0, f.customText);
        }
      }
    }
    for (const WindowRecord& r : list) {
      env_.pump.pump();
      if (r.className != "Button") continue;
      if (r.text == "&Insert") {
        if (f.dateStyle >= 0) {
          clickBox(boxes, f.dateBox);
          click(r.window);
        }
      } else if (r.text == "Ins&ert") {
        if (f.pageStyle >= 0) {
          clickBox(boxes, f.pageBox);
          click(r.window);
        }
      } else if (r.text == "Inser&t") {
        if (!f.customText.empty()) {
          clickBox(boxes, f.customBox);
          click(r.window);
        }
      } else if (r.text == "OK") {
        click(r.window);
        return;
      }
    }
  }

 private:
  template <class Test>
  const WindowRecord* first(Test test) {
    for (const WindowRecord& r : walk()) {
      env_.pump.pump();
      if (test(r)) return &r;
    }
    return nullptr;
  }

  // Each handler lists the dialog once, when it starts.
  const std::vector<WindowRecord>& walk() {
    if (!listed_) {
      list_ = listChildWindows(env_, dialog_);
      listed_ = true;
    }
    return list_;
  }

  void click(Hwnd h) {
    env_.windows.post(h, wm::kLButtonDown, 0, 0);
    env_.windows.post(h, wm::kLButtonUp, 0, 0);
  }
  void key(Hwnd h, uint32_t code) { env_.windows.post(h, wm::kKeyDown, code, 0); }
  void downs(Hwnd h, int count) {
    for (int i = 0; i < count; ++i) key(h, vk::kDown);
  }
  void typeAndEnter(Hwnd h, const std::string& text) {
    env_.windows.sendText(h, wm::kSetText, 0, text);
    key(h, vk::kReturn);
  }
  // Selecting entry k of a drop-down list: one Enter only, so that the
  // dialog stays open for the next control.
  void select(Hwnd combo, int16_t k) {
    if (k < 0) return;
    click(combo);
    key(combo, vk::kHome);
    downs(combo, k);
    key(combo, vk::kReturn);
  }
  // A box that is not 0, 1 or 2, or not met yet, gets no click.
  void clickBox(const std::array<Hwnd, 3>& boxes, int16_t box) {
    if (box >= 0 && box <= 2 && boxes[static_cast<size_t>(box)] != 0) click(boxes[static_cast<size_t>(box)]);
  }

  RelayEnv& env_;
  Hwnd dialog_;
  bool listed_ = false;
  std::vector<WindowRecord> list_;
};

}  // namespace

bool act(RelayEnv& env, Hwnd dialog, const std::vector<std::string>& fields) {
  if (fields.empty()) return false;
  const std::string& action = fields[0];
  auto has = [&](size_t count) { return fields.size() >= count; };
  Handlers h(env, dialog);

  if (action == "reduce file size") {
    if (!has(3)) return false;
    h.selectCompatibility(fields[2]);
  } else if (action == "reduce file size8") {
    if (!has(3)) return false;
    h.selectCompatibility8(fields[2]);
  } else if (action == "print to file") {
    if (!has(3)) return false;
    h.fillPrintToFile(fields[2]);
  } else if (action == "save as" && fields.size() == 3) {
    h.fillSaveAs(fields[2]);
  } else if (action == "save as" || action == "save as8") {
    if (!has(4)) return false;
    auto n = parseInt16(fields[3]);
    if (!n) return false;
    h.fillSaveAsWithType(fields[2], *n, action == "save as8" ? 1 : 0);
  } else if (action == "open" || action == "password" || action == "save pdf file as" ||
             action == "create pdf from web page" || action == "adobe acrobat - confirm open document password") {
    if (!has(3)) return false;
    h.fillFirstEdit(fields[2], false);
  } else if (action == "go to page") {
    if (!has(3)) return false;
    h.fillFirstEdit(fields[2], true);
  } else if (action == "adobe pdf - security" || action == "error: nothing done" || action == "there were errors" ||
             action == "conversion warnings" || action == "adobe acrobat" || action == "create web links") {
    h.pressDefaultButton();
  } else if (action == "password security - settings") {
    if (!has(3)) return false;
    h.fillPasswordSecurity(fields[2]);
  } else if (action == "add headers & footers") {
    if (!has(11)) return false;
    std::array<int16_t, 7> n{};
    const std::array<size_t, 7> numeric{2, 3, 4, 5, 6, 7, 9};
    for (size_t i = 0; i < numeric.size(); ++i) {
      auto v = parseInt16(fields[numeric[i]]);
      if (!v) return false;
      n[i] = *v;
    }
    Handlers::HeaderFields f{n[0], n[1], n[2], n[3], n[4], n[5], vb::Trim(fields[8]), n[6]};
    if (fields[10] == "7") h.fillHeadersFooters7(f);
    else h.fillHeadersFooters6(f);
  } else {
    return false;
  }
  return true;
}

void run(RelayEnv& env, std::string_view arguments) {
  std::vector<std::string> fields = parseFields(arguments);
  Hwnd dialog = searchDialog(env, fields);
  // Gives a dialog that has just appeared time to create its controls.
  env.clock.sleepMs(kSettleMs);
  if (dialog != 0) act(env, dialog, fields);
}

}  // namespace dv::relay

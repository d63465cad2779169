// The modal dialogs of the viewer's menu commands, described once: their
// controls in creation order (which is the order in which dlgrelay walks
// and counts them), and what the user - or the relay - left in them. The
// Win32 side builds a real dialog from a layout; native tests answer it
// with a scripted double.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dv::standins {

struct DialogControl {
  enum class Kind {
    Label,
    Edit,
    PasswordEdit,
    ComboBox,      // a drop-down list of `entries`, the first selected
    CheckBox,      // an automatic check box
    Button,        // clicking it is recorded; it ends nothing
    OkButton,      // the default button: confirms and ends the dialog
    YesButton,     // confirms and ends the dialog, not the default
    CancelButton,  // ends the dialog without confirming
    RichEdit20,    // "RichEdit20W"
    RichEdit50,    // "RICHEDIT50W"
  };
  Kind kind = Kind::Label;
  std::string text;  // caption or initial text
  std::vector<std::string> entries;
  // Position and size in dialog units.
  int16_t x = 7, y = 7, cx = 100, cy = 14;
  // A check box that opens this edit when ticked (index of the check box), -1: none.
  int enabledBy = -1;
  // The default button (Enter presses it); an OkButton always is.
  bool isDefault = false;
};

struct DialogLayout {
  std::string title;
  int16_t cx = 260, cy = 140;
  std::vector<DialogControl> controls;
};

// What a confirmed dialog holds, per control index.
struct DialogAnswer {
  std::vector<std::string> texts;  // edits and rich edits
  std::vector<int> selections;     // combo boxes: the selected entry, -1 none
  std::vector<bool> checked;       // check boxes
  // Clicks on buttons and rich edits, in the order the dialog received
  // them (control indices).
  std::vector<int> clicks;
};

}  // namespace dv::standins

// The viewer stand-in's menu dialogs as real modal windows.
#pragma once

#include <windows.h>

#include <optional>

#include "dv/standins/viewer_dialogs.h"

namespace dv::standins {

// Shows the dialog modally under `owner`; what it held when confirmed,
// nullopt when cancelled or not answered within giveUpMs.
std::optional<DialogAnswer> runDialog(HWND owner, const DialogLayout& layout, UINT giveUpMs);

}  // namespace dv::standins

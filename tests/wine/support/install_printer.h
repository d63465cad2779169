// Test-prefix setup shared by the Wine test programs: a PostScript printer
// driven by Wine's own wineps.drv and printing to the FILE: port, so that
// StartDoc without an output name shows the real "Print to File" dialog.
// Needs no CUPS: the driver reads the PPD written here.
#pragma once

#include <string>

namespace dv::winetest {

// Installs (or keeps, when it exists already) the printer `name` with a
// generic PostScript PPD on FILE:. Returns an empty string on success,
// otherwise which step failed and its Win32 error.
std::string installFilePrinter(const std::string& name);

// Removes the printer again; true when it is gone.
bool removePrinter(const std::string& name);

}  // namespace dv::winetest

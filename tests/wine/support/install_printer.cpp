#include "install_printer.h"

#include "dv/standins/printing.h"

namespace dv::winetest {

std::string installFilePrinter(const std::string& name) {
  return dv::standins::printing::installPostScriptQueue(name, "FILE:");
}

bool removePrinter(const std::string& name) { return dv::standins::printing::removeQueue(name); }

}  // namespace dv::winetest

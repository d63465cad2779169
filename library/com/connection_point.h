// Events of __CreatePDF: delivered to the sinks of the shared connection
// point, each argument converted to the type the source interface
// declares.
#pragma once

#include <string_view>
#include <vector>

#include "com_util.h"
#include "dv/variant.h"
#include "dv/win32/connection_point.h"

namespace dv::com {

// Calls the event on every connected sink, in the order they connected.
// Arguments arrive by reference as the source interface declares them;
// sinks get copies, so what a handler changes stays with the handler.
void fireEvent(const win32::ConnectionPoint& point, std::string_view name, const std::vector<Variant>& args);

}  // namespace dv::com

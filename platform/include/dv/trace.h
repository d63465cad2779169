// One line of diagnostics for errors that are swallowed on purpose (a
// clean-up step that fails, a best-effort reading), so that a problem in
// the field can still be seen. On Windows the line goes to the debugger
// (OutputDebugStringW; Wine shows it with WINEDEBUG=+debugstr); natively
// it goes nowhere unless a test installs a sink.
#pragma once

#include <string_view>

namespace dv {

using TraceSink = void (*)(std::string_view line);

// Installs the sink every trace line goes to (nullptr: none).
void setTraceSink(TraceSink sink);

// "Docvane: <where>: <what>" to the sink.
void trace(std::string_view where, std::string_view what);

// The message of the exception being handled, for a trace line inside a
// catch block ("unknown error" for anything that is not std::exception).
std::string_view currentErrorText();

}  // namespace dv

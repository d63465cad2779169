// Small RAII and conversion helpers of the COM surface, and the one place
// where core errors become HRESULTs with IErrorInfo.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "dv/automation.h"
#include "dv/win32/com.h"
#include "dv/win32/text.h"

namespace dv::com {

using win32::Bstr;
using win32::ComPtr;
using win32::fromBstr;
using win32::narrow;
using win32::widen;

// A VARIANT that clears itself.
// Its storage starts zeroed, so a member that fails before filling an
// output slot leaves nothing to free.
struct Var : VARIANT {
  Var() { std::memset(static_cast<VARIANT*>(this), 0, sizeof(VARIANT)); }
  Var(const Var&) = delete;
  Var& operator=(const Var&) = delete;
  ~Var() { VariantClear(this); }
};

// Writes an array back into the caller's variable, whichever way the
// variable was passed: a plain VARIANT, one by reference, or an array by
// reference (a typed dynamic array of an early-bound client).
void writeBack(VARIANT* target, const Variant& value);

// Allocates the BSTR of a string result; throws std::bad_alloc.
BSTR allocBstr(std::string_view utf8);

// The HRESULT that carries an automation error number: VB-style numbers
// (1 to 65535) travel as 0x800A0000 + n, everything else as it is.
HRESULT hresultOf(int32_t number);

// Records an error for the caller: IErrorInfo for early-bound clients and
// the pending exception that Invoke turns into EXCEPINFO.
HRESULT reportError(REFIID iid, HRESULT hr, const std::string& description);

// The error of the last failed member call on this thread, taken once by
// the dispatcher.
struct PendingError {
  bool set = false;
  HRESULT hr = S_OK;
  std::string description;
};
PendingError takePendingError();
// Frees this thread's state (the thread is ending).
void releaseThreadState();
void clearPendingError();

// Runs one member body and converts whatever it throws: the library's and
// outside components' AutomationError keep their number and description
// (source "Docvane"), VB runtime errors keep VB's text.
template <typename Body>
HRESULT comCall(REFIID iid, Body&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (const AutomationError& e) {
    return reportError(iid, hresultOf(e.number()), e.description());
  } catch (const std::bad_alloc&) {
    return reportError(iid, E_OUTOFMEMORY, "Out of memory");
  } catch (const std::exception& e) {
    return reportError(iid, E_FAIL, e.what());
  } catch (...) {
    return reportError(iid, E_UNEXPECTED, "Unexpected failure");
  }
}

}  // namespace dv::com

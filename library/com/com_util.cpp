#include "com_util.h"

#include "dv/vb.h"
#include "dv/win32/automation.h"
#include "dv/win32/com_object.h"

namespace dv::com {

namespace {
// A plain pointer, freed on DLL_THREAD_DETACH (see library_values.cpp).
thread_local PendingError* tPendingStorage = nullptr;
PendingError& pending() {
  if (!tPendingStorage) tPendingStorage = new PendingError();
  return *tPendingStorage;
}
}  // namespace

void releaseThreadState() { delete std::exchange(tPendingStorage, nullptr); }

BSTR allocBstr(std::string_view utf8) {
  // Converted straight into the BSTR's own buffer: one allocation per result.
  int n = utf8.empty() ? 0 : MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(n));
  if (!b) throw std::bad_alloc();
  if (n) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), b, n);
  return b;
}

void writeBack(VARIANT* target, const Variant& value) {
  Var fresh;
  win32::toVariant(value, fresh);
  if (target->vt == (VT_BYREF | VT_VARIANT)) {
    VariantClear(target->pvarVal);
    *target->pvarVal = fresh;
    fresh.vt = VT_EMPTY;
  } else if ((target->vt & VT_BYREF) && (target->vt & VT_ARRAY)) {
    if (fresh.vt != (target->vt & ~VT_BYREF)) vb::raise(vb::kTypeMismatch);
    if (*target->pparray) SafeArrayDestroy(*target->pparray);
    *target->pparray = fresh.parray;
    fresh.vt = VT_EMPTY;
  } else {
    VariantClear(target);
    *target = fresh;
    fresh.vt = VT_EMPTY;
  }
}

HRESULT hresultOf(int32_t number) {
  if (number > 0 && number <= 0xFFFF) return static_cast<HRESULT>(vb::runtimeErrorNumber(number));
  if (number == 0) return E_FAIL;
  return static_cast<HRESULT>(number);
}

HRESULT reportError(REFIID iid, HRESULT hr, const std::string& description) {
  PendingError& p = pending();
  p.set = true;
  p.hr = hr;
  p.description = description;
  win32::setErrorInfo(iid, vb::kLibrarySource, description);
  return hr;
}

PendingError takePendingError() { return std::exchange(pending(), PendingError{}); }

void clearPendingError() { pending().set = false; }

}  // namespace dv::com

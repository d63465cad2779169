// Small RAII and conversion helpers of the COM surface, and the one place
// where core errors become HRESULTs with IErrorInfo.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "dv/automation.h"

namespace dv::com {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T* p, bool addRef = true) : p_(p) {
    if (p_ && addRef) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() { reset(); }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: releases what is held first.
  T** put() {
    reset();
    return &p_;
  }
  T* detach() { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::string_view utf8);
  explicit Bstr(const wchar_t* text) : b_(SysAllocString(text)) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
  ~Bstr() { SysFreeString(b_); }
  BSTR get() const { return b_; }
  BSTR* put() {
    SysFreeString(std::exchange(b_, nullptr));
    return &b_;
  }
  BSTR detach() { return std::exchange(b_, nullptr); }

 private:
  BSTR b_ = nullptr;
};

// A VARIANT that clears itself.
struct Var : VARIANT {
  Var() { VariantInit(this); }
  Var(const Var&) = delete;
  Var& operator=(const Var&) = delete;
  ~Var() { VariantClear(this); }
};

std::wstring widen(std::string_view utf8);
std::string narrow(const wchar_t* text, size_t length);
std::string narrow(BSTR text);  // a null BSTR is the empty string

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

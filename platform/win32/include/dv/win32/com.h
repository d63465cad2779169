// The RAII family of COM resources: the apartment guard, an owning
// interface pointer, and owners for BSTR, VARIANT, SAFEARRAY data access
// and a type info's TYPEATTR and FUNCDESC, so that no path that throws
// leaks one. (Kernel handles and registry keys: handle.h.)
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dv::win32 {

// Enters a single-threaded apartment for the guard's lifetime. If the
// thread is already in an apartment of another kind (RPC_E_CHANGED_MODE),
// COM is usable and the guard leaves the thread as it found it.
class ComApartment {
 public:
  explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) : hr_(CoInitializeEx(nullptr, model)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  bool ok() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }
  HRESULT result() const { return hr_; }

 private:
  HRESULT hr_;
};

// An owning interface pointer: Release on destruction, AddRef on copy.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a reference of its own.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() { reset(); }

  // Adopts a reference the caller already owns (an out parameter's).
  static ComPtr adopt(T* p) {
    ComPtr r;
    r.p_ = p;
    return r;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out parameters: releases what is held and hands out the slot.
  T** put() {
    reset();
    return &p_;
  }
  void** putVoid() { return reinterpret_cast<void**>(put()); }
  // Gives up ownership (the caller now owns the reference).
  T* detach() { return std::exchange(p_, nullptr); }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

  template <typename U>
  ComPtr<U> as(REFIID iid) const {
    ComPtr<U> r;
    if (p_) p_->QueryInterface(iid, r.putVoid());
    return r;
  }

 private:
  T* p_ = nullptr;
};

// An owned BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::string_view utf8);
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b_); }
  BSTR get() const { return b_; }
  BSTR* put() {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }
  // The string's own storage, value kept: for in/out arguments.
  BSTR* slot() { return &b_; }
  BSTR detach() { return std::exchange(b_, nullptr); }
  std::string utf8() const;

 private:
  BSTR b_ = nullptr;
};

std::string fromBstr(BSTR b);  // null is ""

// An owned VARIANT, cleared on destruction. It contains the VARIANT
// rather than being one, so it never passes for a plain VARIANT by
// accident (a copy would free twice).
struct ScopedVariant {
  VARIANT v;
  ScopedVariant() { VariantInit(&v); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  ~ScopedVariant() { VariantClear(&v); }
  VARIANT* get() { return &v; }
  // Clears what is held and hands out the storage for an out parameter.
  VARIANT* put() {
    VariantClear(&v);
    return &v;
  }
  // Hands the value over (the caller frees it); the owner is left empty.
  VARIANT release() {
    VARIANT out = v;
    VariantInit(&v);
    return out;
  }
};

// Owned VARIANTs in one block (DISPPARAMS wants them contiguous), each
// cleared on destruction. The block never grows, so pointers into it (the
// targets of by-reference arguments) stay valid.
class VariantArray {
 public:
  explicit VariantArray(size_t count) : v_(count) {
    for (VARIANT& x : v_) VariantInit(&x);
  }
  VariantArray(const VariantArray&) = delete;
  VariantArray& operator=(const VariantArray&) = delete;
  ~VariantArray() {
    for (VARIANT& x : v_) VariantClear(&x);
  }
  VARIANT* data() { return v_.data(); }
  size_t size() const { return v_.size(); }
  VARIANT& operator[](size_t i) { return v_[i]; }

 private:
  std::vector<VARIANT> v_;
};

// Stores `value` into the variable a by-reference argument points at,
// converted to the type the reference declares (a VT_BYREF|VT_VARIANT
// variable takes it as it is); what the variable held is freed. On success
// `value` is left empty, its contents moved. S_OK: stored; S_FALSE: nothing
// to store into (a null reference, or a type without a plain slot such as
// VT_RECORD); a failure: `value` does not convert, the variable is
// unchanged.
HRESULT storeByRef(const VARIANT& target, VARIANT& value);

// Access to a SAFEARRAY's elements for the guard's lifetime.
class SafeArrayData {
 public:
  explicit SafeArrayData(SAFEARRAY* array) : array_(array) {
    if (array_ && FAILED(SafeArrayAccessData(array_, &data_))) data_ = nullptr;
  }
  SafeArrayData(const SafeArrayData&) = delete;
  SafeArrayData& operator=(const SafeArrayData&) = delete;
  ~SafeArrayData() {
    if (data_) SafeArrayUnaccessData(array_);
  }
  explicit operator bool() const { return data_ != nullptr; }
  template <typename T>
  T* as() const {
    return static_cast<T*>(data_);
  }

 private:
  SAFEARRAY* array_;
  void* data_ = nullptr;
};

// The TYPEATTR of a type info, released with it.
class TypeAttr {
 public:
  explicit TypeAttr(ITypeInfo* info) : info_(info) {
    if (info_ && FAILED(info_->GetTypeAttr(&attr_))) attr_ = nullptr;
  }
  TypeAttr(const TypeAttr&) = delete;
  TypeAttr& operator=(const TypeAttr&) = delete;
  ~TypeAttr() {
    if (attr_) info_->ReleaseTypeAttr(attr_);
  }
  explicit operator bool() const { return attr_ != nullptr; }
  const TYPEATTR* operator->() const { return attr_; }

 private:
  ITypeInfo* info_;
  TYPEATTR* attr_ = nullptr;
};

// The FUNCDESC of one function of a type info, released with it.
class FuncDesc {
 public:
  FuncDesc(ITypeInfo* info, UINT index) : info_(info) {
    if (info_ && FAILED(info_->GetFuncDesc(index, &desc_))) desc_ = nullptr;
  }
  FuncDesc(const FuncDesc&) = delete;
  FuncDesc& operator=(const FuncDesc&) = delete;
  ~FuncDesc() {
    if (desc_) info_->ReleaseFuncDesc(desc_);
  }
  explicit operator bool() const { return desc_ != nullptr; }
  const FUNCDESC* operator->() const { return desc_; }
  const FUNCDESC* get() const { return desc_; }

 private:
  ITypeInfo* info_;
  FUNCDESC* desc_ = nullptr;
};

}  // namespace dv::win32

// IDispatch of the dual interfaces, driven by the type library.
//
// Names, dispids, parameter types, optional parameters and their defaults
// all come from the type library; the member itself is reached through
// its vtable slot (DispCallFunc). Before that call the arguments are
// put into the exact declared form, because script clients pass their
// variables as VT_BYREF|VT_VARIANT (VBScript) or as plain values (JScript),
// which the stock Invoke refuses for a typed by-reference parameter such
// as BSTR*. A by-reference argument is coerced into a temporary of the
// declared type, the member works on that, and the new value is written
// back into the caller's variable. Errors the member reported become
// EXCEPINFO with source "Docvane".
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <map>
#include <memory>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dv::com {

class Dispatcher {
 public:
  // `iid` is a dual interface of the embedded type library.
  explicit Dispatcher(REFIID iid);
  ~Dispatcher();
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  // The dispinterface view, as IDispatch::GetTypeInfo hands it out.
  ITypeInfo* dispatchTypeInfo() const { return dispatchInfo_; }
  HRESULT getIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids);
  HRESULT invoke(void* instance, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                 UINT* argErr);

 private:
  struct Param {
    VARTYPE vt = VT_EMPTY;  // declared type without VT_BYREF
    bool byRef = false;
    bool optional = false;
    bool hasDefault = false;
    bool passThrough = false;       // records and other types the stock Invoke handles itself
    IRecordInfo* record = nullptr;  // a record parameter's type (owned)
    mutable VARIANT defaultValue;   // the oleaut32 calls take no const
  };
  struct Function {
    MEMBERID id = 0;
    INVOKEKIND kind = INVOKE_FUNC;
    std::vector<Param> params;  // without [out, retval]
    SHORT vtableOffset = 0;
    bool hasRetval = false;
    VARTYPE retvalVt = VT_EMPTY;          // declared type of [out, retval], without VT_BYREF
    IRecordInfo* retvalRecord = nullptr;  // a record result's type (owned)
  };

  const Function* find(DISPID id, WORD flags) const;
  VARTYPE resolve(const TYPEDESC& desc, bool& passThrough) const;
  // The record information of a record type; nullptr for anything else.
  IRecordInfo* recordInfo(const TYPEDESC& desc) const;

  ITypeInfo* dispatchInfo_ = nullptr;
  ITypeInfo* vtableInfo_ = nullptr;
  std::multimap<MEMBERID, std::unique_ptr<Function>> functions_;
  // Member names in lower case (ASCII) to their dispids. Script hosts ask
  // for the dispid on every call; the stock lookup walks every member of
  // the interface and its bases comparing names, which cost more than the
  // whole call of a simple property.
  std::deque<std::wstring> names_;  // storage of the keys below
  std::unordered_map<std::wstring_view, DISPID> dispids_;
};

// One dispatcher per interface, created on first use.
Dispatcher& dispatcherFor(REFIID iid);
void releaseDispatchers();

}  // namespace dv::com

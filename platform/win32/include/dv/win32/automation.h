// The automation seam over IDispatch: creating objects by ProgID, calling
// their members late-bound by name (positional, named and by-reference
// arguments), enumerating collections, connecting event sinks, and
// converting values between VARIANT and dv::Variant.
//
// Everything here runs on the thread (apartment) that created the objects;
// an EventConnection must also be destroyed there.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dv/automation.h"
#include "dv/win32/com.h"

namespace dv::win32 {

// ---- Values ----

// Fills `out` (which must be VT_EMPTY) from `in`; by-reference slots give
// their target's value. Raises "Type mismatch" (13) for an object that is
// neither a DispatchObject nor covered by the object wrapper.
void toVariant(const dv::Variant& in, VARIANT& out);
// Converts a VARIANT (also VT_BYREF ones) into a Variant; objects come back
// as DispatchObjects (or their original dv::Object, see the unwrapper).
dv::Variant fromVariant(const VARIANT& in);
// The VARTYPE that holds values of a type (also the element type of its
// arrays): VT_VARIANT for Variant, Empty and Null.
VARTYPE vartypeOf(VarType type);

// Turns a dv::Object that has no IDispatch of its own (an in-process
// stand-in, a library object) into one, returning an AddRef'd pointer.
using ObjectWrapper = std::function<IDispatch*(const ObjectPtr&)>;
void setObjectWrapper(ObjectWrapper wrapper);
// The reverse: given an IDispatch coming in, return the dv::Object it wraps
// (or null when it is not one of the wrapper's), so objects round-trip
// without being wrapped twice.
using ObjectUnwrapper = std::function<ObjectPtr(IDispatch*)>;
void setObjectUnwrapper(ObjectUnwrapper unwrapper);

// ---- Errors ----

// The AutomationError for a failed call: the EXCEPINFO's number, source and
// description when the object gave one (number = scode, or 0x800A0000 +
// wCode), else the HRESULT with the system's text for it.
AutomationError errorFromHresult(HRESULT hr, EXCEPINFO* info = nullptr);
// The system's text for an HRESULT ("Unknown name.", "Class not registered").
std::string describeHresult(HRESULT hr);

// ---- Objects ----

class DispatchObject : public dv::Object {
 public:
  explicit DispatchObject(ComPtr<IDispatch> dispatch);

  Variant get(std::string_view member, Args args = {}) override;
  void let(std::string_view member, const Variant& value, Args args = {}) override;
  void set(std::string_view member, const Variant& value, Args args = {}) override;
  Variant call(std::string_view member, Args args = {}) override;
  // Connects to the default source interface (IProvideClassInfo2, else the
  // coclass of IProvideClassInfo or of the object's type library).
  std::unique_ptr<EventConnection> advise(std::shared_ptr<EventSink> sink) override;
  // For Each: the items of _NewEnum (DISPID_NEWENUM) through IEnumVARIANT.
  std::vector<Variant> items() override;

  IDispatch* dispatch() const { return dispatch_.get(); }

 private:
  Variant invoke(std::string_view member, WORD flags, Args& args, const Variant* putValue);
  ComPtr<IDispatch> dispatch_;
  // The DISPIDs GetIDsOfNames gave for a member and its named arguments,
  // keyed by the names NUL-separated. An object's DISPIDs do not change
  // while it lives, and an object in another process answers each lookup
  // with a round trip of its own.
  std::map<std::wstring, std::vector<DISPID>> ids_;
};

// CreateObject / GetObject on the real COM runtime. The calling thread must
// be in an apartment (see ComApartment).
class Win32Automation : public dv::Automation {
 public:
  ObjectPtr createObject(std::string_view progId) override;
  ObjectPtr getObject(std::string_view progId) override;
};

}  // namespace dv::win32

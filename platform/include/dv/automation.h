// Late-bound automation: the only way the core talks to outside
// applications (and, in the stand-ins, the way they are offered).
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "dv/variant.h"

namespace dv {

// An automation failure: HRESULT-style number, source and description.
// Thrown by every seam call that fails and by the library's own checks;
// the COM surface turns it into an HRESULT plus IErrorInfo.
class AutomationError : public std::runtime_error {
 public:
  AutomationError(int32_t number, std::string source, std::string description);
  int32_t number() const { return number_; }
  const std::string& source() const { return source_; }
  const std::string& description() const { return description_; }

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
};

// One argument of a late-bound call. An empty name means positional.
// Pass Variant::ref(x) to have the callee write back into x.
struct Arg {
  std::string name;
  Variant value;
};
using Args = std::vector<Arg>;

inline Arg pos(Variant v) { return Arg{std::string(), std::move(v)}; }
inline Arg named(std::string name, Variant v) { return Arg{std::move(name), std::move(v)}; }

// Receives the events of a source interface, by member name. Arguments
// that the source passes by reference arrive as by-reference slots.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void onEvent(std::string_view name, std::vector<Variant>& args) = 0;
};

// An advise cookie: destroying it disconnects the sink.
class EventConnection {
 public:
  virtual ~EventConnection() = default;
};

// An automation object reached late-bound by member name. Member names
// match without regard to case, as IDispatch::GetIDsOfNames does.
class Object {
 public:
  virtual ~Object() = default;
  // Property get, or a method call whose result is wanted.
  virtual Variant get(std::string_view member, Args args = {}) = 0;
  // Property let (DISPATCH_PROPERTYPUT).
  virtual void let(std::string_view member, const Variant& value, Args args = {}) = 0;
  // Property set of an object reference (DISPATCH_PROPERTYPUTREF).
  virtual void set(std::string_view member, const Variant& value, Args args = {}) = 0;
  // Method call (DISPATCH_METHOD); by-reference arguments are written back.
  virtual Variant call(std::string_view member, Args args = {}) = 0;
  // Connects a sink to the object's default source interface.
  virtual std::unique_ptr<EventConnection> advise(std::shared_ptr<EventSink> sink);
  // The items of a collection (For Each over _NewEnum).
  virtual std::vector<Variant> items();
};

// Creation of objects by ProgID.
class Automation {
 public:
  virtual ~Automation() = default;
  // CreateObject: a new instance. Raises "ActiveX component can't create
  // object" (429) when the ProgID is not registered.
  virtual ObjectPtr createObject(std::string_view progId) = 0;
  // GetObject(, progId): the running instance, or an error (429).
  virtual ObjectPtr getObject(std::string_view progId) = 0;
};

// Helpers that read well at call sites: obj(x)->call("Quit").
ObjectPtr asObject(const Variant& v);  // raises 91 when not an object

}  // namespace dv

// The stand-in framework: strict, journaling, breakable automation objects
// that play the outside applications the library drives.
//
// A stand-in class declares its members once (a ClassDef); that one
// declaration drives late-bound dispatch here, the type library and the
// DISPIDs of the COM hosting (standins/win32), and the journal. The same
// behaviour code runs in-process for native tests and as a registered COM
// server in the Wine prefix.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dv/automation.h"
#include "dv/variant.h"

namespace dv::standins {

// DISP_E_* results a strict automation object answers with.
inline constexpr int32_t kUnknownName = static_cast<int32_t>(0x80020006u);     // DISP_E_UNKNOWNNAME
inline constexpr int32_t kMemberNotFound = static_cast<int32_t>(0x80020003u);  // DISP_E_MEMBERNOTFOUND
inline constexpr int32_t kBadParamCount = static_cast<int32_t>(0x8002000Eu);   // DISP_E_BADPARAMCOUNT
inline constexpr int32_t kParamNotFound = static_cast<int32_t>(0x80020004u);   // DISP_E_PARAMNOTFOUND

class StandIn;
class ClassDef;

// The type of a parameter, property or result, as the type library shows
// it. Variant accepts anything.
struct TypeDesc {
  VarType type = VarType::Variant;
  bool byRef = false;
};

struct ParamDef {
  std::string name;
  TypeDesc type;
  bool optional = false;
};

// One call as the handler sees it: arguments by declared position, named
// arguments already sorted in. Writing to arg(i) of a by-reference argument
// writes back into the caller's variable.
class Invocation {
 public:
  Invocation(StandIn& self, const ClassDef& cls, std::string_view member, std::vector<Variant*> args,
             const Variant* value)
      : self_(self), cls_(cls), member_(member), args_(std::move(args)), value_(value) {}
  StandIn& self() { return self_; }
  template <class T>
  T& as() {
    return static_cast<T&>(self_);
  }
  bool has(size_t i) const;
  // The argument (through its by-reference slot); raises DISP_E_PARAMNOTFOUND
  // when a required one is absent.
  Variant& arg(size_t i);
  // The argument or a default when absent or missing.
  Variant argOr(size_t i, Variant fallback) const;
  // The assigned value of a let/set.
  const Variant& value() const;
  size_t count() const { return args_.size(); }

 private:
  StandIn& self_;
  const ClassDef& cls_;
  std::string_view member_;
  std::vector<Variant*> args_;
  const Variant* value_;
};

using Handler = std::function<Variant(Invocation&)>;

struct MemberDef {
  std::string name;
  std::vector<ParamDef> params;
  TypeDesc result;         // of get and call
  Handler getter;          // property get
  Handler letter;          // property let (DISPATCH_PROPERTYPUT)
  Handler setter;          // property set (DISPATCH_PROPERTYPUTREF)
  Handler method;          // method call
  bool isDefault = false;  // DISPID_VALUE
  int32_t dispid = 0;      // assigned at declaration, stable in declaration order
  bool isProperty() const { return !method; }
};

struct EventDef {
  std::string name;
  std::vector<ParamDef> params;
  int32_t dispid = 0;
};

// A type library of stand-in classes (e.g. ACRODISTXLib). GUIDs are
// derived from the names so they are stable across builds.
struct TypeLibDef {
  std::string name;
  uint16_t major = 1;
  uint16_t minor = 0;
  std::string help;
};

class ClassDef {
 public:
  using Factory = std::function<std::shared_ptr<StandIn>()>;

  ClassDef(const TypeLibDef& lib, std::string name, std::vector<std::string> progIds);

  // Declarations (return *this for chaining).
  ClassDef& property(std::string name, TypeDesc type, Handler getter, Handler letter = {},
                     std::vector<ParamDef> params = {});
  // A plain stored property: reads what was last assigned (converted to
  // the declared type), starting from `initial`.
  ClassDef& field(std::string name, TypeDesc type, Variant initial, bool readOnly = false);
  ClassDef& objectProperty(std::string name, Handler getter, Handler setter = {});
  ClassDef& method(std::string name, std::vector<ParamDef> params, TypeDesc result, Handler handler);
  ClassDef& event(std::string name, std::vector<ParamDef> params);
  ClassDef& defaultMember(std::string_view name);
  // Member names compare without regard to case unless this is set (the
  // JavaScript objects of a viewer are case-sensitive).
  ClassDef& caseSensitive(bool on = true) {
    caseSensitive_ = on;
    return *this;
  }
  ClassDef& factory(Factory f) {
    factory_ = std::move(f);
    return *this;
  }
  ClassDef& help(std::string text) {
    help_ = std::move(text);
    return *this;
  }
  // Creatable classes have ProgIDs and are registered; others are only
  // returned by members of creatable ones.
  bool creatable() const { return !progIds_.empty() && factory_ != nullptr; }

  const TypeLibDef& typeLib() const { return lib_; }
  const std::string& name() const { return name_; }
  const std::vector<std::string>& progIds() const { return progIds_; }
  const std::vector<MemberDef>& members() const { return members_; }
  const std::vector<EventDef>& events() const { return events_; }
  const std::map<std::string, Variant>& fieldDefaults() const { return fieldDefaults_; }
  const std::string& helpText() const { return help_; }
  bool isCaseSensitive() const { return caseSensitive_; }
  const MemberDef* findMember(std::string_view name) const;
  const MemberDef* findMember(int32_t dispid) const;
  const EventDef* findEvent(std::string_view name) const;
  std::shared_ptr<StandIn> create() const;

 private:
  bool sameName(std::string_view a, std::string_view b) const;
  const TypeLibDef& lib_;
  std::string name_;
  std::vector<std::string> progIds_;
  std::vector<MemberDef> members_;
  std::vector<EventDef> events_;
  std::map<std::string, Variant> fieldDefaults_;
  std::string help_;
  bool caseSensitive_ = false;
  Factory factory_;
};

// ---- The journal ----
struct JournalEntry {
  std::string object;                                 // class name + "#" + serial, e.g. "PdfDistiller#1"
  std::string kind;                                   // create, destroy, get, let, set, call, event
  std::string member;                                 // declared spelling ("" for create/destroy)
  std::vector<std::pair<std::string, Variant>> args;  // name "" = positional
  std::optional<int32_t> error;                       // the call failed with this number
  std::string text() const;
};

// How a value shows in journal text: strings quoted VB-style, True/False,
// Empty, Null, Missing, Nothing, Object, Array(lo To hi, ...).
std::string describe(const Variant& v);

// ---- Failure injection ----
struct FailureRule {
  std::string object;  // class name ("PdfDistiller") or one instance ("PdfDistiller#2")
  std::string member;  // member name, case-insensitive; "*" for every member
  int nth = 0;         // fail only the nth call of the member on each instance (1-based); 0 = every call
  int32_t number = 0;
  std::string description;
  std::string source;  // empty: the first ProgID of the class
};
// Parses "Class.Member[#N]" and "number|description[|source]" (number in
// decimal or 0x hex), the form the Wine configuration uses.
std::optional<FailureRule> parseFailureRule(std::string_view target, std::string_view ruleText);

// Configuration from outside the process (under Wine: the registry), read
// on every call so a test can change it between calls.
struct ExternalConfig {
  std::string journalFile;  // appended to; empty for none
  std::vector<FailureRule> failures;
  std::map<std::string, std::string> values;  // other named settings
};
using ConfigSource = std::function<ExternalConfig()>;

// Process-wide state of all stand-ins. Thread-safe.
class Control {
 public:
  static Control& instance();

  // Journal.
  std::vector<JournalEntry> journal() const;
  std::vector<std::string> journalLines() const;
  void clearJournal();
  void record(JournalEntry entry);

  // Failures.
  void injectFailure(FailureRule rule);
  void clearFailures();
  // The rule that applies to this call, if any (counts calls).
  std::optional<FailureRule> failureFor(const std::string& cls, const std::string& object, const std::string& member,
                                        int callNumber) const;

  // Live instances per class name.
  int liveCount(const std::string& cls) const;
  int totalCreated(const std::string& cls) const;
  std::string created(const std::string& cls);  // returns the new object's name
  void destroyed(const std::string& cls);

  void setConfigSource(ConfigSource source);
  ExternalConfig external() const;
  // A named setting from the external configuration or set here.
  std::string setting(const std::string& name, const std::string& fallback = {}) const;
  void setSetting(const std::string& name, std::string value);

  // Native tests: back to a clean state (journal, failures, settings).
  void reset();

 private:
  mutable std::mutex mu_;
  std::vector<JournalEntry> journal_;
  std::vector<FailureRule> failures_;
  std::map<std::string, int> live_;
  std::map<std::string, int> serial_;
  std::map<std::string, std::string> settings_;
  ConfigSource config_;
};

// ---- The base of every stand-in ----
class StandIn : public Object, public std::enable_shared_from_this<StandIn> {
 public:
  explicit StandIn(const ClassDef& cls);
  ~StandIn() override;
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  Variant get(std::string_view member, Args args = {}) override;
  void let(std::string_view member, const Variant& value, Args args = {}) override;
  void set(std::string_view member, const Variant& value, Args args = {}) override;
  Variant call(std::string_view member, Args args = {}) override;
  std::unique_ptr<EventConnection> advise(std::shared_ptr<EventSink> sink) override;

  const ClassDef& classDef() const { return cls_; }
  const std::string& objectName() const { return name_; }
  int sinkCount() const;

  // Stored values of field() properties.
  Variant& field(const std::string& name);

 protected:
  // Raises an event to every connected sink, synchronously, and journals
  // it. Arguments declared by reference are passed as by-reference slots.
  void raiseEvent(std::string_view name, std::vector<Variant> args);
  // The source of errors this object raises (its first ProgID).
  std::string errorSource() const;

 private:
  enum class Access { Get, Let, Set, Call };
  Variant dispatch(Access access, std::string_view member, Args& args, const Variant* value);

  struct Sinks;
  const ClassDef& cls_;
  std::string name_;
  std::map<std::string, Variant> fields_;
  std::map<std::string, int> callCounts_;
  std::shared_ptr<Sinks> sinks_;
};

// ---- The catalogue of stand-in classes ----
// catalogue.cpp lists every stand-in class (explicitly, so a static link
// keeps them all).
std::vector<const ClassDef*> allClasses();
const ClassDef* findClassByProgId(std::string_view progId);

// The same DISPIDs and GUIDs on every build: derived from names.
struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0, data3 = 0;
  uint8_t data4[8] = {};
  std::string text() const;  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
};
Guid nameGuid(std::string_view kind, std::string_view name);

}  // namespace dv::standins

// Strict late-bound dispatch, journaling and failure injection shared by
// every stand-in.
#include "dv/standins/standin.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "dv/vb.h"

namespace dv::standins {

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && vb::compareText(a, b) == 0; }

}  // namespace

// ---------------------------------------------------------------- Invocation

bool Invocation::has(size_t i) const { return i < args_.size() && args_[i] != nullptr && !args_[i]->isMissing(); }

Variant& Invocation::arg(size_t i) {
  if (!has(i)) {
    std::string source = cls_.progIds().empty() ? cls_.name() : cls_.progIds().front();
    throw AutomationError(kParamNotFound, source, "Parameter not found.");
  }
  return args_[i]->target();
}

Variant Invocation::argOr(size_t i, Variant fallback) const {
  return has(i) ? args_[i]->target() : std::move(fallback);
}

const Variant& Invocation::value() const {
  if (!value_) throw std::logic_error("Invocation::value outside a property assignment");
  return *value_;
}

// ---------------------------------------------------------------- ClassDef

ClassDef::ClassDef(const TypeLibDef& lib, std::string name, std::vector<std::string> progIds)
    : lib_(lib), name_(std::move(name)), progIds_(std::move(progIds)) {}

bool ClassDef::sameName(std::string_view a, std::string_view b) const {
  return caseSensitive_ ? a == b : equalsNoCase(a, b);
}

ClassDef& ClassDef::property(std::string name, TypeDesc type, Handler getter, Handler letter,
                             std::vector<ParamDef> params) {
  MemberDef m;
  m.name = std::move(name);
  m.params = std::move(params);
  m.result = type;
  m.getter = std::move(getter);
  m.letter = std::move(letter);
  m.dispid = static_cast<int32_t>(members_.size()) + 1;
  members_.push_back(std::move(m));
  return *this;
}

ClassDef& ClassDef::field(std::string name, TypeDesc type, Variant initial, bool readOnly) {
  fieldDefaults_[name] = type.type == VarType::Variant ? initial : vb::convert(initial, type.type);
  std::string key = name;
  Handler getter = [key](Invocation& inv) { return inv.self().field(key); };
  Handler letter;
  if (!readOnly) {
    letter = [key, type](Invocation& inv) {
      inv.self().field(key) = type.type == VarType::Variant ? inv.value() : vb::convert(inv.value(), type.type);
      return Variant();
    };
  }
  return property(std::move(name), type, std::move(getter), std::move(letter));
}

ClassDef& ClassDef::objectProperty(std::string name, Handler getter, Handler setter) {
  property(std::move(name), TypeDesc{VarType::Object}, std::move(getter));
  members_.back().setter = std::move(setter);
  return *this;
}

ClassDef& ClassDef::method(std::string name, std::vector<ParamDef> params, TypeDesc result, Handler handler) {
  MemberDef m;
  m.name = std::move(name);
  m.params = std::move(params);
  m.result = result;
  m.method = std::move(handler);
  m.dispid = static_cast<int32_t>(members_.size()) + 1;
  members_.push_back(std::move(m));
  return *this;
}

ClassDef& ClassDef::event(std::string name, std::vector<ParamDef> params) {
  events_.push_back(EventDef{std::move(name), std::move(params), static_cast<int32_t>(events_.size()) + 1});
  return *this;
}

ClassDef& ClassDef::defaultMember(std::string_view name) {
  for (auto& m : members_) {
    if (sameName(m.name, name)) {
      m.isDefault = true;
      m.dispid = 0;
      return *this;
    }
  }
  throw std::logic_error("defaultMember: no member " + std::string(name));
}

const MemberDef* ClassDef::findMember(std::string_view name) const {
  // No name: the default member (DISPID_VALUE), as automation calls it.
  if (name.empty()) {
    for (const auto& m : members_)
      if (m.isDefault) return &m;
    return nullptr;
  }
  for (const auto& m : members_)
    if (sameName(m.name, name)) return &m;
  return nullptr;
}

const MemberDef* ClassDef::findMember(int32_t dispid) const {
  for (const auto& m : members_)
    if (m.dispid == dispid) return &m;
  return nullptr;
}

const EventDef* ClassDef::findEvent(std::string_view name) const {
  for (const auto& e : events_)
    if (sameName(e.name, name)) return &e;
  return nullptr;
}

std::shared_ptr<StandIn> ClassDef::create() const {
  if (!factory_) throw std::logic_error("class " + name_ + " has no factory");
  return factory_();
}

// ---------------------------------------------------------------- StandIn

struct StandIn::Sinks {
  std::mutex mu;
  int next = 1;
  std::map<int, std::shared_ptr<EventSink>> list;
};

namespace {

class SinkConnection : public EventConnection {
 public:
  SinkConnection(std::weak_ptr<void> owner, std::function<void()> disconnect)
      : owner_(std::move(owner)), disconnect_(std::move(disconnect)) {}
  ~SinkConnection() override {
    if (!owner_.expired()) disconnect_();
  }

 private:
  std::weak_ptr<void> owner_;
  std::function<void()> disconnect_;
};

}  // namespace

StandIn::StandIn(const ClassDef& cls)
    : cls_(cls),
      name_(Control::instance().created(cls.name())),
      fields_(cls.fieldDefaults()),
      sinks_(std::make_shared<Sinks>()) {
  Control::instance().record(JournalEntry{name_, "create", "", {}, std::nullopt});
}

StandIn::~StandIn() {
  Control::instance().destroyed(cls_.name());
  Control::instance().record(JournalEntry{name_, "destroy", "", {}, std::nullopt});
}

std::string StandIn::errorSource() const { return cls_.progIds().empty() ? cls_.name() : cls_.progIds().front(); }

Variant& StandIn::field(const std::string& name) {
  auto it = fields_.find(name);
  if (it == fields_.end()) throw std::logic_error("no field " + name + " in " + cls_.name());
  return it->second;
}

Variant StandIn::get(std::string_view member, Args args) { return dispatch(Access::Get, member, args, nullptr); }

void StandIn::let(std::string_view member, const Variant& value, Args args) {
  dispatch(Access::Let, member, args, &value);
}

void StandIn::set(std::string_view member, const Variant& value, Args args) {
  dispatch(Access::Set, member, args, &value);
}

Variant StandIn::call(std::string_view member, Args args) { return dispatch(Access::Call, member, args, nullptr); }

Variant StandIn::dispatch(Access access, std::string_view member, Args& args, const Variant* value) {
  static const char* const kKinds[] = {"get", "let", "set", "call"};
  JournalEntry entry{name_, kKinds[static_cast<int>(access)], std::string(member), {}, std::nullopt};
  for (const auto& a : args) entry.args.emplace_back(a.name, a.value.target());
  if (value) entry.args.emplace_back("", value->target());
  auto reject = [&](int32_t number, const char* description) {
    entry.error = number;
    Control::instance().record(entry);
    return AutomationError(number, errorSource(), description);
  };

  const MemberDef* m = cls_.findMember(member);
  if (!m) throw reject(kUnknownName, "Unknown name.");
  entry.member = m->name;
  const Handler* handler = nullptr;
  switch (access) {
    case Access::Get:
      handler = m->getter ? &m->getter : (m->method ? &m->method : nullptr);
      break;
    case Access::Let:
      handler = m->letter ? &m->letter : nullptr;
      break;
    case Access::Set:
      handler = m->setter ? &m->setter : nullptr;
      break;
    case Access::Call:
      handler = m->method ? &m->method : nullptr;
      break;
  }
  if (!handler || !*handler) throw reject(kMemberNotFound, "Member not found.");

  // Positional arguments first, then named ones at their declared place.
  std::vector<Variant*> slots;
  size_t positional = 0;
  for (auto& a : args) {
    if (!a.name.empty()) continue;
    if (positional >= m->params.size()) throw reject(kBadParamCount, "Invalid number of parameters.");
    slots.resize(std::max(slots.size(), positional + 1), nullptr);
    slots[positional++] = &a.value;
  }
  for (size_t i = 0; i < args.size(); ++i) {
    Arg& a = args[i];
    if (a.name.empty()) continue;
    auto p = std::find_if(m->params.begin(), m->params.end(),
                          [&](const ParamDef& d) { return equalsNoCase(d.name, a.name); });
    if (p == m->params.end()) throw reject(kUnknownName, "Unknown name.");
    size_t index = static_cast<size_t>(p - m->params.begin());
    entry.args[i].first = p->name;
    slots.resize(std::max(slots.size(), index + 1), nullptr);
    if (slots[index]) throw reject(kBadParamCount, "Invalid number of parameters.");
    slots[index] = &a.value;
  }
  for (size_t i = 0; i < m->params.size(); ++i) {
    bool present = i < slots.size() && slots[i] && !slots[i]->isMissing();
    if (!m->params[i].optional && !present) throw reject(kParamNotFound, "Parameter not found.");
  }

  int callNumber = ++callCounts_[m->name];
  if (auto rule = Control::instance().failureFor(cls_.name(), name_, m->name, callNumber)) {
    entry.error = rule->number;
    Control::instance().record(entry);
    throw AutomationError(rule->number, rule->source.empty() ? errorSource() : rule->source, rule->description);
  }
  Control::instance().record(entry);

  Invocation inv(*this, cls_, m->name, std::move(slots), value);
  return (*handler)(inv);
}

std::unique_ptr<EventConnection> StandIn::advise(std::shared_ptr<EventSink> sink) {
  if (cls_.events().empty()) vb::raise(vb::kObjectDoesntSupport);
  int id;
  {
    std::lock_guard<std::mutex> lock(sinks_->mu);
    id = sinks_->next++;
    sinks_->list[id] = std::move(sink);
  }
  std::weak_ptr<Sinks> weak = sinks_;
  return std::make_unique<SinkConnection>(std::weak_ptr<void>(sinks_), [weak, id] {
    if (auto s = weak.lock()) {
      std::shared_ptr<EventSink> released;
      std::lock_guard<std::mutex> lock(s->mu);
      auto it = s->list.find(id);
      if (it != s->list.end()) {
        released = std::move(it->second);  // destroyed after the lock is dropped
        s->list.erase(it);
      }
    }
  });
}

int StandIn::sinkCount() const {
  std::lock_guard<std::mutex> lock(sinks_->mu);
  return static_cast<int>(sinks_->list.size());
}

void StandIn::raiseEvent(std::string_view name, std::vector<Variant> args) {
  const EventDef* e = cls_.findEvent(name);
  if (!e || args.size() != e->params.size())
    throw std::logic_error(cls_.name() + " raises undeclared event " + std::string(name));
  JournalEntry entry{name_, "event", e->name, {}, std::nullopt};
  for (const auto& a : args) entry.args.emplace_back("", a);
  Control::instance().record(std::move(entry));

  std::vector<std::shared_ptr<EventSink>> sinks;
  {
    std::lock_guard<std::mutex> lock(sinks_->mu);
    for (auto& [id, s] : sinks_->list) sinks.push_back(s);
  }
  for (auto& sink : sinks) {
    // Each sink gets its own copies: what one handler writes into a
    // by-reference argument is not seen by the next one.
    std::vector<Variant> values = args;
    std::vector<Variant> slots;
    slots.reserve(values.size());
    for (size_t i = 0; i < values.size(); ++i)
      slots.push_back(e->params[i].type.byRef ? Variant::ref(values[i]) : values[i]);
    try {
      sink->onEvent(e->name, slots);
    } catch (const std::exception&) {
      // A failing handler does not stop the source, as with connection points.
    }
  }
}

// ---------------------------------------------------------------- journal text

std::string describe(const Variant& v) {
  const Variant& t = v.target();
  if (t.isArray()) {
    const Array& a = t.arrayValue();
    std::string s = "Array(";
    for (size_t i = 0; i < a.elements().size(); ++i) {
      if (i) s += ", ";
      s += describe(a.elements()[i]);
    }
    return s + ")";
  }
  switch (t.type()) {
    case VarType::Empty:
      return "Empty";
    case VarType::Null:
      return "Null";
    case VarType::Bool:
      return t.boolValue() ? "True" : "False";
    case VarType::Error: {
      if (t.isMissing()) return "Missing";
      char buf[32];
      std::snprintf(buf, sizeof buf, "Error(0x%08X)", static_cast<unsigned>(t.errorValue()));
      return buf;
    }
    case VarType::String: {
      std::string s = "\"";
      for (char c : t.stringValue()) {
        if (c == '"') s += "\"\"";
        else if (c == '\r') s += "\\r";
        else if (c == '\n') s += "\\n";
        else s += c;
      }
      return s + "\"";
    }
    case VarType::Object: {
      const ObjectPtr& p = t.objectValue();
      if (!p) return "Nothing";
      if (auto* s = dynamic_cast<StandIn*>(p.get())) return s->objectName();
      return "Object";
    }
    case VarType::Date:
      return "#" + vb::CStr(t) + "#";
    default:
      return vb::CStr(t);
  }
}

std::string JournalEntry::text() const {
  std::string s = object + " " + kind;
  if (!member.empty()) {
    s += " " + member + "(";
    for (size_t i = 0; i < args.size(); ++i) {
      if (i) s += ", ";
      if (!args[i].first.empty()) s += args[i].first + ":=";
      s += describe(args[i].second);
    }
    s += ")";
  }
  if (error) {
    char buf[32];
    std::snprintf(buf, sizeof buf, " -> error 0x%08X", static_cast<unsigned>(*error));
    s += buf;
  }
  return s;
}

// ---------------------------------------------------------------- failures

std::optional<FailureRule> parseFailureRule(std::string_view target, std::string_view ruleText) {
  // "Class.Member", "Class.Member#3" (third call), "Class#2.Member" (one instance).
  FailureRule r;
  size_t dot = target.find('.');
  if (dot == std::string_view::npos || dot == 0) return std::nullopt;
  r.object = std::string(target.substr(0, dot));
  std::string_view rest = target.substr(dot + 1);
  size_t hash = rest.find('#');
  if (hash != std::string_view::npos) {
    std::string_view n = rest.substr(hash + 1);
    rest = rest.substr(0, hash);
    if (n.empty() || n.size() > 9 || n.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    r.nth = std::stoi(std::string(n));
    if (r.nth < 1) return std::nullopt;
  }
  if (rest.empty()) return std::nullopt;
  r.member = std::string(rest);

  size_t bar = ruleText.find('|');
  std::string number(vb::Trim(ruleText.substr(0, bar)));
  if (number.empty()) return std::nullopt;
  try {
    size_t used = 0;
    long long n;
    if (number.size() > 2 && number[0] == '0' && (number[1] == 'x' || number[1] == 'X'))
      n = std::stoll(number.substr(2), &used, 16), used += 2;
    else n = std::stoll(number, &used, 10);
    if (used != number.size() || n < INT32_MIN || n > static_cast<long long>(UINT32_MAX)) return std::nullopt;
    r.number = static_cast<int32_t>(static_cast<uint32_t>(n));
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (bar != std::string_view::npos) {
    std::string_view tail = ruleText.substr(bar + 1);
    size_t bar2 = tail.find('|');
    r.description = std::string(tail.substr(0, bar2));
    if (bar2 != std::string_view::npos) r.source = std::string(tail.substr(bar2 + 1));
  }
  return r;
}

// ---------------------------------------------------------------- Control

Control& Control::instance() {
  static Control control;
  return control;
}

std::vector<JournalEntry> Control::journal() const {
  std::lock_guard<std::mutex> lock(mu_);
  return journal_;
}

std::vector<std::string> Control::journalLines() const {
  std::vector<std::string> lines;
  for (const auto& e : journal()) lines.push_back(e.text());
  return lines;
}

void Control::clearJournal() {
  // Entries may hold the last reference to a stand-in, whose destructor
  // takes the lock again: they are destroyed after it is released.
  std::vector<JournalEntry> old;
  std::lock_guard<std::mutex> lock(mu_);
  old.swap(journal_);
}

void Control::record(JournalEntry entry) {
  std::string file = external().journalFile;
  std::lock_guard<std::mutex> lock(mu_);
  if (!file.empty()) {
    std::ofstream out(file, std::ios::app | std::ios::binary);
    out << entry.text() << "\r\n";
  }
  journal_.push_back(std::move(entry));
}

void Control::injectFailure(FailureRule rule) {
  std::lock_guard<std::mutex> lock(mu_);
  failures_.push_back(std::move(rule));
}

void Control::clearFailures() {
  std::lock_guard<std::mutex> lock(mu_);
  failures_.clear();
}

std::optional<FailureRule> Control::failureFor(const std::string& cls, const std::string& object,
                                               const std::string& member, int callNumber) const {
  std::vector<FailureRule> rules;
  {
    std::lock_guard<std::mutex> lock(mu_);
    rules = failures_;
  }
  for (auto& r : external().failures) rules.push_back(std::move(r));
  for (const auto& r : rules) {
    bool objectMatches = equalsNoCase(r.object, cls) || equalsNoCase(r.object, object);
    bool memberMatches = r.member == "*" || equalsNoCase(r.member, member);
    if (objectMatches && memberMatches && (r.nth == 0 || r.nth == callNumber)) return r;
  }
  return std::nullopt;
}

int Control::liveCount(const std::string& cls) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = live_.find(cls);
  return it == live_.end() ? 0 : it->second;
}

int Control::totalCreated(const std::string& cls) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = serial_.find(cls);
  return it == serial_.end() ? 0 : it->second;
}

std::string Control::created(const std::string& cls) {
  std::lock_guard<std::mutex> lock(mu_);
  ++live_[cls];
  return cls + "#" + std::to_string(++serial_[cls]);
}

void Control::destroyed(const std::string& cls) {
  std::lock_guard<std::mutex> lock(mu_);
  --live_[cls];
}

void Control::setConfigSource(ConfigSource source) {
  std::lock_guard<std::mutex> lock(mu_);
  config_ = std::move(source);
}

ExternalConfig Control::external() const {
  ConfigSource source;
  {
    std::lock_guard<std::mutex> lock(mu_);
    source = config_;
  }
  return source ? source() : ExternalConfig{};
}

std::string Control::setting(const std::string& name, const std::string& fallback) const {
  ExternalConfig ext = external();
  auto e = ext.values.find(name);
  if (e != ext.values.end()) return e->second;
  std::lock_guard<std::mutex> lock(mu_);
  auto it = settings_.find(name);
  return it == settings_.end() ? fallback : it->second;
}

void Control::setSetting(const std::string& name, std::string value) {
  std::lock_guard<std::mutex> lock(mu_);
  settings_[name] = std::move(value);
}

void Control::reset() {
  std::vector<JournalEntry> old;  // destroyed after the lock, as in clearJournal
  std::lock_guard<std::mutex> lock(mu_);
  old.swap(journal_);
  failures_.clear();
  settings_.clear();
}

// ---------------------------------------------------------------- GUIDs

std::string Guid::text() const {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1, data2, data3, data4[0],
                data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
  return buf;
}

Guid nameGuid(std::string_view kind, std::string_view name) {
  // Two independent FNV-1a hashes give 128 stable bits; the version and
  // variant bits mark it as a name-based GUID.
  auto fnv = [&](uint64_t basis) {
    uint64_t h = basis;
    auto feed = [&](std::string_view s) {
      for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
      }
    };
    feed("dv-standins:");
    feed(kind);
    feed(":");
    feed(vb::LCase(name));
    return h;
  };
  uint64_t hi = fnv(14695981039346656037ull);
  uint64_t lo = fnv(0x84222325cbf29ce4ull ^ hi);
  Guid g;
  g.data1 = static_cast<uint32_t>(hi >> 32);
  g.data2 = static_cast<uint16_t>(hi >> 16);
  g.data3 = static_cast<uint16_t>((hi & 0x0FFF) | 0x5000);
  for (int i = 0; i < 8; ++i) g.data4[i] = static_cast<uint8_t>(lo >> (56 - 8 * i));
  g.data4[0] = static_cast<uint8_t>((g.data4[0] & 0x3F) | 0x80);
  return g;
}

}  // namespace dv::standins

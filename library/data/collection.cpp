#include "data/collection.h"

#include "dv/vb.h"

namespace dv::lib {

namespace {

bool sameName(std::string_view a, std::string_view b) { return vb::compareText(a, b) == 0; }

// The argument of that name, or the positional one at `index`.
const Variant* argument(const Args& args, size_t index, std::string_view name) {
  for (const Arg& a : args)
    if (!a.name.empty() && sameName(a.name, name)) return &a.value;
  size_t seen = 0;
  for (const Arg& a : args) {
    if (!a.name.empty()) continue;
    if (seen++ == index) return a.value.isMissing() ? nullptr : &a.value;
  }
  return nullptr;
}

const Variant& required(const Args& args, size_t index, std::string_view name) {
  const Variant* v = argument(args, index, name);
  if (!v) vb::raise(vb::kInvalidProcedureCall);
  return *v;
}

}  // namespace

void Collection::add(Variant item, std::optional<std::string> key) {
  if (key) {
    for (const Entry& e : items_)
      if (e.key && sameName(*e.key, *key))
        throw AutomationError(vb::runtimeErrorNumber(457), vb::kLibrarySource,
                              "This key is already associated with an element of this collection");
  }
  items_.push_back(Entry{std::move(item.target()), std::move(key)});
}

size_t Collection::position(const Variant& index) const {
  if (index.isString()) {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].key && sameName(*items_[i].key, index.stringValue())) return i;
    vb::raise(vb::kInvalidProcedureCall);
  }
  const int32_t n = vb::CLng(index);
  if (n < 1 || n > count()) vb::raise(vb::kSubscriptOutOfRange);
  return static_cast<size_t>(n - 1);
}

const Variant& Collection::item(const Variant& index) const { return items_[position(index)].value; }

void Collection::remove(const Variant& index) {
  items_.erase(items_.begin() + static_cast<ptrdiff_t>(position(index)));
}

Variant Collection::get(std::string_view member, Args args) {
  if (sameName(member, "Count")) return count();
  if (member.empty() || sameName(member, "Item")) return item(required(args, 0, "Index"));
  return call(member, std::move(args));
}

void Collection::let(std::string_view, const Variant&, Args) { vb::raise(vb::kObjectDoesntSupport); }
void Collection::set(std::string_view, const Variant&, Args) { vb::raise(vb::kObjectDoesntSupport); }

Variant Collection::call(std::string_view member, Args args) {
  if (sameName(member, "Add")) {
    const Variant& value = required(args, 0, "Item");
    const Variant* key = argument(args, 1, "Key");
    add(value, key ? std::optional<std::string>(vb::CStr(*key)) : std::nullopt);
    return Variant();
  }
  if (sameName(member, "Remove")) {
    remove(required(args, 0, "Index"));
    return Variant();
  }
  if (sameName(member, "Count") || sameName(member, "Item") || member.empty()) return get(member, std::move(args));
  vb::raise(vb::kObjectDoesntSupport);
}

std::vector<Variant> Collection::items() {
  std::vector<Variant> out;
  out.reserve(items_.size());
  for (const Entry& e : items_) out.push_back(e.value);
  return out;
}

}  // namespace dv::lib

// A VB Collection built by the library and handed to clients (field name
// lists and the like): Add, Count, Item, Remove and For Each. Items are
// addressed from 1; keys compare without regard to case, as VB's do.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dv/automation.h"

namespace dv::lib {

class Collection : public Object {
 public:
  void add(Variant item, std::optional<std::string> key = std::nullopt);
  int32_t count() const { return static_cast<int32_t>(items_.size()); }
  // By position (from 1) or by key; raises 5 for an unknown key and 9 for
  // a position out of range, as VB does.
  const Variant& item(const Variant& index) const;
  void remove(const Variant& index);

  // Automation: Add, Count, Item (also the default member), Remove.
  Variant get(std::string_view member, Args args = {}) override;
  void let(std::string_view member, const Variant& value, Args args = {}) override;
  void set(std::string_view member, const Variant& value, Args args = {}) override;
  Variant call(std::string_view member, Args args = {}) override;
  std::vector<Variant> items() override;

 private:
  size_t position(const Variant& index) const;
  struct Entry {
    Variant value;
    std::optional<std::string> key;
  };
  std::vector<Entry> items_;
};

}  // namespace dv::lib

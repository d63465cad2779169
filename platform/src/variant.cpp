// The automation value model: Variant and Array.
//
// Arrays are owned by value (a Variant copy is a deep copy, as assigning a
// variant array in VB copies it). By-reference slots hold a plain pointer to
// the caller's variable for the duration of one call; reads and writes go
// through it, and copying a slot copies the reference, not the value, so an
// argument list can be passed around without losing the write-back target.
#include "dv/variant.h"

#include <utility>

#include "dv/vb.h"

namespace dv {

const char* typeName(VarType t) {
  // The names VB's TypeName() reports for scalar values.
  switch (t) {
    case VarType::Empty:
      return "Empty";
    case VarType::Null:
      return "Null";
    case VarType::Int16:
      return "Integer";
    case VarType::Int32:
      return "Long";
    case VarType::Single:
      return "Single";
    case VarType::Double:
      return "Double";
    case VarType::Date:
      return "Date";
    case VarType::String:
      return "String";
    case VarType::Object:
      return "Object";
    case VarType::Error:
      return "Error";
    case VarType::Bool:
      return "Boolean";
    case VarType::Variant:
      return "Variant";
    case VarType::Byte:
      return "Byte";
  }
  return "Unknown";
}

// ---------------------------------------------------------------------------
// Array

namespace {

// The value a fresh element of a typed array holds (Dim a(3) As String
// gives "", As Integer gives 0, As Object gives Nothing).
Variant initialElement(VarType t) {
  switch (t) {
    case VarType::Int16:
      return Variant(int16_t{0});
    case VarType::Int32:
      return Variant(int32_t{0});
    case VarType::Byte:
      return Variant(uint8_t{0});
    case VarType::Single:
      return Variant(0.0f);
    case VarType::Double:
      return Variant(0.0);
    case VarType::Date:
      return Variant::date(0.0);
    case VarType::String:
      return Variant(std::string());
    case VarType::Bool:
      return Variant(false);
    case VarType::Object:
      return Variant(ObjectPtr());
    case VarType::Error:
      return Variant::error(0);
    default:
      return Variant();
  }
}

size_t elementCount(const std::vector<Bound>& bounds) {
  if (bounds.empty()) return 0;
  size_t n = 1;
  for (const Bound& b : bounds) n *= b.count;
  return n;
}

}  // namespace

Array::Array(VarType elementType, std::vector<Bound> bounds) : elementType_(elementType), bounds_(std::move(bounds)) {
  elements_.assign(elementCount(bounds_), initialElement(elementType_));
}

int32_t Array::lbound(int dimension) const {
  if (dimension < 1 || dimension > rank()) vb::raise(vb::kSubscriptOutOfRange);
  return bounds_[dimension - 1].lower;
}

int32_t Array::ubound(int dimension) const {
  if (dimension < 1 || dimension > rank()) vb::raise(vb::kSubscriptOutOfRange);
  return bounds_[dimension - 1].upper();
}

size_t Array::offset(std::span<const int32_t> index) const {
  if (index.size() != bounds_.size()) vb::raise(vb::kSubscriptOutOfRange);
  // SAFEARRAY order: the first index varies fastest.
  size_t result = 0;
  size_t stride = 1;
  for (size_t d = 0; d < bounds_.size(); ++d) {
    const Bound& b = bounds_[d];
    const int64_t rel = static_cast<int64_t>(index[d]) - b.lower;
    if (rel < 0 || rel >= static_cast<int64_t>(b.count)) vb::raise(vb::kSubscriptOutOfRange);
    result += static_cast<size_t>(rel) * stride;
    stride *= b.count;
  }
  return result;
}

Variant& Array::at(std::span<const int32_t> index) { return elements_[offset(index)]; }
const Variant& Array::at(std::span<const int32_t> index) const { return elements_[offset(index)]; }
Variant& Array::at(int32_t i) { return at(std::span<const int32_t>(&i, 1)); }
const Variant& Array::at(int32_t i) const { return at(std::span<const int32_t>(&i, 1)); }
Variant& Array::at(int32_t row, int32_t column) {
  const int32_t index[2] = {row, column};
  return at(std::span<const int32_t>(index, 2));
}
const Variant& Array::at(int32_t row, int32_t column) const {
  const int32_t index[2] = {row, column};
  return at(std::span<const int32_t>(index, 2));
}

void Array::put(std::span<const int32_t> index, const Variant& value) {
  Variant& slot = at(index);
  if (elementType_ == VarType::Variant) {
    slot = value.target();  // never store a by-reference slot in an array
  } else {
    slot = vb::convert(value, elementType_);
  }
}

void Array::redim(std::vector<Bound> bounds, bool preserve) {
  std::vector<Variant> fresh(elementCount(bounds), initialElement(elementType_));
  if (preserve && !elements_.empty() && bounds.size() == bounds_.size()) {
    // Walk every index of the old shape and move the element over when the
    // same index exists in the new one.
    std::vector<int32_t> index(bounds_.size());
    for (size_t d = 0; d < bounds_.size(); ++d) index[d] = bounds_[d].lower;
    for (size_t n = 0; n < elements_.size(); ++n) {
      size_t target = 0, stride = 1;
      bool inside = true;
      for (size_t d = 0; d < bounds.size(); ++d) {
        const int64_t rel = static_cast<int64_t>(index[d]) - bounds[d].lower;
        if (rel < 0 || rel >= static_cast<int64_t>(bounds[d].count)) {
          inside = false;
          break;
        }
        target += static_cast<size_t>(rel) * stride;
        stride *= bounds[d].count;
      }
      if (inside) fresh[target] = std::move(elements_[n]);
      // Advance the old index, first dimension fastest.
      for (size_t d = 0; d < bounds_.size(); ++d) {
        if (++index[d] <= bounds_[d].upper()) break;
        index[d] = bounds_[d].lower;
      }
    }
  } else if (preserve && !elements_.empty()) {
    // VB refuses to change the number of dimensions under Preserve.
    vb::raise(vb::kSubscriptOutOfRange);
  }
  bounds_ = std::move(bounds);
  elements_ = std::move(fresh);
}

Array Array::vector(VarType elementType, std::vector<Variant> items, int32_t lower) {
  Array a(elementType, {Bound{lower, static_cast<uint32_t>(items.size())}});
  for (size_t i = 0; i < items.size(); ++i) {
    const int32_t index = lower + static_cast<int32_t>(i);
    a.put(std::span<const int32_t>(&index, 1), items[i]);
  }
  return a;
}

// ---------------------------------------------------------------------------
// Variant

Variant::Variant(Array v) { v_ = ArrayBox{std::make_unique<Array>(std::move(v))}; }

Variant::Variant(const Variant& other) { *this = other; }

Variant& Variant::operator=(const Variant& other) {
  if (this == &other) return *this;
  // x = ref(x) would make x refer to itself; it already holds the value.
  if (const auto* p = std::get_if<Variant*>(&other.v_); p && *p == this) return *this;
  if (const auto* box = std::get_if<ArrayBox>(&other.v_)) {
    // Deep copy; build first so a self-contained element copy stays valid.
    Storage copy = ArrayBox{box->p ? std::make_unique<Array>(*box->p) : nullptr};
    v_ = std::move(copy);
  } else {
    v_ = std::visit(
        [](const auto& alt) -> Storage {
          using T = std::decay_t<decltype(alt)>;
          if constexpr (std::is_same_v<T, ArrayBox>) {
            return ArrayBox{};  // handled above
          } else {
            return alt;
          }
        },
        other.v_);
  }
  return *this;
}

Variant Variant::ref(Variant& target) {
  Variant v;
  // Collapse chains: a slot always points at a real variable.
  v.v_ = &target.target();
  return v;
}

Variant& Variant::target() {
  if (auto* p = std::get_if<Variant*>(&v_)) return **p;
  return *this;
}

const Variant& Variant::target() const {
  if (auto* p = std::get_if<Variant*>(&v_)) return **p;
  return *this;
}

VarType Variant::type() const {
  const Storage& s = target().v_;
  switch (s.index()) {
    case 0:
      return VarType::Empty;
    case 1:
      return VarType::Null;
    case 2:
      return VarType::Bool;
    case 3:
      return VarType::Int16;
    case 4:
      return VarType::Int32;
    case 5:
      return VarType::Byte;
    case 6:
      return VarType::Single;
    case 7:
      return VarType::Double;
    case 8:
      return VarType::Date;
    case 9:
      return VarType::String;
    case 10:
      return VarType::Object;
    case 11:
      return VarType::Error;
    case 12: {
      // An array reports its element type, as VarType() And Not vbArray.
      const auto& box = std::get<ArrayBox>(s);
      return box.p ? box.p->elementType() : VarType::Variant;
    }
  }
  return VarType::Empty;
}

bool Variant::isArray() const { return std::holds_alternative<ArrayBox>(target().v_); }

bool Variant::isMissing() const {
  const auto* e = std::get_if<ErrorValue>(&target().v_);
  return e && e->scode == kParamNotFound;
}

bool Variant::isNumeric() const {
  if (isArray()) return false;
  switch (type()) {
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Byte:
    case VarType::Single:
    case VarType::Double:
      return true;
    default:
      return false;
  }
}

void Variant::assign(const Variant& value) {
  // Copy the value first: `value` may alias the target (x = x).
  Variant copy = value.target();
  target() = std::move(copy);
}

namespace {
template <typename T, typename S>
const T& rawValue(const S& s) {
  if (const T* p = std::get_if<T>(&s)) return *p;
  vb::raise(vb::kTypeMismatch);
}
}  // namespace

bool Variant::boolValue() const { return rawValue<bool>(target().v_); }
int16_t Variant::int16Value() const { return rawValue<int16_t>(target().v_); }
int32_t Variant::int32Value() const { return rawValue<int32_t>(target().v_); }
uint8_t Variant::byteValue() const { return rawValue<uint8_t>(target().v_); }
float Variant::singleValue() const { return rawValue<float>(target().v_); }
double Variant::doubleValue() const { return rawValue<double>(target().v_); }
double Variant::dateValue() const { return rawValue<DateValue>(target().v_).value; }
int32_t Variant::errorValue() const { return rawValue<ErrorValue>(target().v_).scode; }
const std::string& Variant::stringValue() const { return rawValue<std::string>(target().v_); }
const ObjectPtr& Variant::objectValue() const { return rawValue<ObjectPtr>(target().v_); }

const Array& Variant::arrayValue() const {
  const ArrayBox& box = rawValue<ArrayBox>(target().v_);
  if (!box.p) vb::raise(vb::kTypeMismatch);
  return *box.p;
}

Array& Variant::arrayValue() {
  auto* box = std::get_if<ArrayBox>(&target().v_);
  if (!box || !box->p) vb::raise(vb::kTypeMismatch);
  return *box->p;
}

}  // namespace dv

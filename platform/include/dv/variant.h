// The automation value model shared by the library, the relay and the
// stand-ins. It mirrors what crosses an IDispatch boundary: VARIANT types,
// SAFEARRAYs of any rank with per-dimension lower bounds, and by-reference
// slots that a callee writes back into the caller's variable.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace dv {

class Object;
using ObjectPtr = std::shared_ptr<Object>;

// Numbering follows VARTYPE so conversions to and from VARIANT stay obvious.
enum class VarType : uint16_t {
  Empty = 0,
  Null = 1,
  Int16 = 2,
  Int32 = 3,
  Single = 4,
  Double = 5,
  Date = 7,
  String = 8,
  Object = 9,
  Error = 10,
  Bool = 11,
  Variant = 12,  // element type of a variant array only
  Byte = 17,
};

const char* typeName(VarType t);

// SCODE of a missing optional argument (DISP_E_PARAMNOTFOUND).
inline constexpr int32_t kParamNotFound = static_cast<int32_t>(0x80020004u);

class Variant;

struct Bound {
  int32_t lower = 0;
  uint32_t count = 0;
  int32_t upper() const { return lower + static_cast<int32_t>(count) - 1; }
};

// A rectangular array. Elements are kept in SAFEARRAY order (the first
// index varies fastest). A non-Variant element type constrains what the
// elements hold: storing converts with the runtime's rules.
class Array {
 public:
  Array() = default;
  Array(VarType elementType, std::vector<Bound> bounds);

  VarType elementType() const { return elementType_; }
  int rank() const { return static_cast<int>(bounds_.size()); }
  // Dimensions are counted from 1, as LBound/UBound do.
  int32_t lbound(int dimension = 1) const;
  int32_t ubound(int dimension = 1) const;
  const std::vector<Bound>& bounds() const { return bounds_; }
  size_t size() const;

  // Indexed access; raises "Subscript out of range" (9) outside the bounds.
  Variant& at(std::span<const int32_t> index);
  const Variant& at(std::span<const int32_t> index) const;
  Variant& at(int32_t i);
  const Variant& at(int32_t i) const;
  Variant& at(int32_t row, int32_t column);
  const Variant& at(int32_t row, int32_t column) const;

  // Stores with conversion to the element type.
  void put(std::span<const int32_t> index, const Variant& value);

  std::vector<Variant>& elements() { return elements_; }
  const std::vector<Variant>& elements() const { return elements_; }

  // ReDim / ReDim Preserve. Preserve keeps elements whose index exists in
  // both shapes (VB only lets the last dimension change; we allow any).
  void redim(std::vector<Bound> bounds, bool preserve);

  // A one-dimensional array with lower bound 0 (or `lower`).
  static Array vector(VarType elementType, std::vector<Variant> items, int32_t lower = 0);

 private:
  size_t offset(std::span<const int32_t> index) const;
  VarType elementType_ = VarType::Variant;
  std::vector<Bound> bounds_;
  std::vector<Variant> elements_;
};

class Variant {
 public:
  struct NullTag {};
  struct DateValue {
    double value;
  };
  struct ErrorValue {
    int32_t scode;
  };

  Variant() = default;
  Variant(bool v) : v_(v) {}
  Variant(int16_t v) : v_(v) {}
  Variant(int32_t v) : v_(v) {}
  Variant(uint8_t v) : v_(v) {}
  Variant(float v) : v_(v) {}
  Variant(double v) : v_(v) {}
  Variant(const char* v) : v_(std::string(v)) {}
  Variant(std::string v) : v_(std::move(v)) {}
  Variant(std::string_view v) : v_(std::string(v)) {}
  Variant(ObjectPtr v) : v_(std::move(v)) {}
  Variant(Array v);

  Variant(const Variant& other);
  Variant& operator=(const Variant& other);
  Variant(Variant&&) noexcept = default;
  Variant& operator=(Variant&&) noexcept = default;

  static Variant null() {
    Variant v;
    v.v_ = NullTag{};
    return v;
  }
  static Variant date(double oleDate) {
    Variant v;
    v.v_ = DateValue{oleDate};
    return v;
  }
  static Variant error(int32_t scode) {
    Variant v;
    v.v_ = ErrorValue{scode};
    return v;
  }
  static Variant missing() { return error(kParamNotFound); }
  // A by-reference slot: reads and writes go to `target`, which must
  // outlive the slot (it is the caller's variable for one call).
  static Variant ref(Variant& target);

  // Type of the value (through a by-reference slot).
  VarType type() const;
  bool isByRef() const { return std::holds_alternative<Variant*>(v_); }
  bool isArray() const;
  bool isEmpty() const { return type() == VarType::Empty && !isArray(); }
  bool isNull() const { return type() == VarType::Null; }
  bool isMissing() const;
  bool isObject() const { return type() == VarType::Object; }
  bool isString() const { return type() == VarType::String; }
  bool isNumeric() const;  // Int16, Int32, Byte, Single, Double, Bool excluded

  // The referenced variable (or this one when not by reference).
  Variant& target();
  const Variant& target() const;
  // Writes through a by-reference slot, otherwise replaces the value.
  void assign(const Variant& value);

  // Raw access to a value of exactly that type; other types raise
  // "Type mismatch" (13). Use the vb:: conversions for VB coercion.
  bool boolValue() const;
  int16_t int16Value() const;
  int32_t int32Value() const;
  uint8_t byteValue() const;
  float singleValue() const;
  double doubleValue() const;
  double dateValue() const;
  int32_t errorValue() const;
  const std::string& stringValue() const;
  const ObjectPtr& objectValue() const;
  const Array& arrayValue() const;
  Array& arrayValue();

 private:
  struct ArrayBox {
    std::unique_ptr<Array> p;
  };
  using Storage = std::variant<std::monostate, NullTag, bool, int16_t, int32_t, uint8_t, float, double, DateValue,
                               std::string, ObjectPtr, ErrorValue, ArrayBox, Variant*>;
  Storage v_;
};

// Defined here, where Variant is complete (clang insists on it).
inline size_t Array::size() const { return elements_.size(); }

}  // namespace dv

// The automation value model: arrays with bounds, deep copies, by-reference
// slots and the raw accessors' type checks.
#include <gtest/gtest.h>

#include "dv/automation.h"
#include "dv/variant.h"
#include "dv/vb.h"

namespace {

using dv::Array;
using dv::Bound;
using dv::Variant;
using dv::VarType;

int vbErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const dv::AutomationError& e) {
    return dv::vb::runtimeErrorOf(e.number());
  }
  return 0;
}

TEST(Array, BoundsAndSafeArrayOrder) {
  Array a(VarType::Variant, {Bound{1, 2}, Bound{-1, 3}});  // (1 To 2, -1 To 1)
  EXPECT_EQ(a.rank(), 2);
  EXPECT_EQ(a.lbound(1), 1);
  EXPECT_EQ(a.ubound(1), 2);
  EXPECT_EQ(a.lbound(2), -1);
  EXPECT_EQ(a.ubound(2), 1);
  EXPECT_EQ(a.size(), 6u);
  a.at(2, -1) = Variant("r2c-1");
  a.at(1, 0) = Variant("r1c0");
  // The first index varies fastest: (1,-1) (2,-1) (1,0) (2,0) ...
  EXPECT_EQ(a.elements()[1].stringValue(), "r2c-1");
  EXPECT_EQ(a.elements()[2].stringValue(), "r1c0");
}

TEST(Array, OutOfRangeAccessRaisesNine) {
  Array a(VarType::Variant, {Bound{0, 3}});
  EXPECT_EQ(vbErrorOf([&] { a.at(3); }), 9);
  EXPECT_EQ(vbErrorOf([&] { a.at(-1); }), 9);
  EXPECT_EQ(vbErrorOf([&] { a.at(0, 0); }), 9);  // wrong rank
  EXPECT_EQ(vbErrorOf([&] { a.lbound(2); }), 9);
  EXPECT_EQ(vbErrorOf([&] { a.ubound(0); }), 9);
  Array unallocated;
  EXPECT_EQ(vbErrorOf([&] { unallocated.ubound(); }), 9);
}

TEST(Array, EmptyDimensionHasUpperBelowLower) {
  Array a(VarType::String, {Bound{0, 0}});
  EXPECT_EQ(a.lbound(), 0);
  EXPECT_EQ(a.ubound(), -1);
  EXPECT_EQ(a.size(), 0u);
}

TEST(Array, TypedArraysInitialiseAndConvertOnPut) {
  Array s(VarType::String, {Bound{0, 2}});
  EXPECT_EQ(s.at(0).stringValue(), "");
  const int32_t i1 = 1;
  s.put({&i1, 1}, Variant(int16_t{42}));
  EXPECT_EQ(s.at(1).stringValue(), "42");

  Array n(VarType::Int16, {Bound{0, 1}});
  const int32_t i0 = 0;
  n.put({&i0, 1}, Variant(" 2.5 "));
  EXPECT_EQ(n.at(0).int16Value(), 2);  // banker's rounding through CInt
  EXPECT_EQ(vbErrorOf([&] { n.put({&i0, 1}, Variant("abc")); }), 13);
  EXPECT_EQ(vbErrorOf([&] { n.put({&i0, 1}, Variant(40000)); }), 6);

  Array v = Array::vector(VarType::Variant, {Variant(1), Variant("x")}, 1);
  EXPECT_EQ(v.lbound(), 1);
  EXPECT_EQ(v.at(2).stringValue(), "x");
}

TEST(Array, RedimPreserveKeepsOverlapOnly) {
  Array a(VarType::Variant, {Bound{0, 2}, Bound{0, 2}});
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) a.at(r, c) = Variant(int32_t(r * 10 + c));
  a.redim({Bound{0, 3}, Bound{1, 2}}, true);
  EXPECT_EQ(a.at(0, 1).int32Value(), 1);
  EXPECT_EQ(a.at(1, 1).int32Value(), 11);
  EXPECT_TRUE(a.at(2, 2).isEmpty());  // new element
  EXPECT_TRUE(a.at(1, 2).isEmpty());  // (1,2) did not exist before

  a.redim({Bound{0, 1}}, false);
  EXPECT_EQ(a.rank(), 1);
  EXPECT_TRUE(a.at(0).isEmpty());
  // Preserve may not change the number of dimensions.
  EXPECT_EQ(vbErrorOf([&] { a.redim({Bound{0, 1}, Bound{0, 1}}, true); }), 9);

  Array typed(VarType::Int32, {Bound{0, 1}});
  typed.redim({Bound{0, 3}}, true);
  EXPECT_EQ(typed.at(2).int32Value(), 0);  // typed arrays never hold Empty
}

TEST(Variant, ArrayCopiesAreDeep) {
  Variant a(Array::vector(VarType::Variant, {Variant(1), Variant(2)}));
  Variant b = a;
  b.arrayValue().at(0) = Variant("changed");
  EXPECT_EQ(a.arrayValue().at(0).int32Value(), 1);
  Variant c;
  c = b;
  EXPECT_EQ(c.arrayValue().at(0).stringValue(), "changed");
  // Nested arrays copy too.
  Variant outer(Array::vector(VarType::Variant, {a}));
  Variant copy = outer;
  copy.arrayValue().at(0).arrayValue().at(1) = Variant(99);
  EXPECT_EQ(outer.arrayValue().at(0).arrayValue().at(1).int32Value(), 2);
}

TEST(Variant, ByReferenceSlotsReadAndWriteTheTarget) {
  Variant x(5);
  Variant slot = Variant::ref(x);
  EXPECT_TRUE(slot.isByRef());
  EXPECT_EQ(slot.type(), VarType::Int32);
  EXPECT_EQ(slot.int32Value(), 5);
  slot.assign(Variant("written"));
  EXPECT_EQ(x.stringValue(), "written");
  // A copy of a slot still refers to the caller's variable.
  Variant copy = slot;
  copy.assign(Variant(7.5));
  EXPECT_EQ(x.doubleValue(), 7.5);
  // A slot to a slot collapses onto the real variable.
  Variant chained = Variant::ref(slot);
  chained.assign(Variant(true));
  EXPECT_TRUE(x.boolValue());
  // Assigning a slot's value stores the value, never the reference.
  Variant y;
  y.assign(slot);
  EXPECT_FALSE(y.isByRef());
  x = Variant(1);
  EXPECT_TRUE(y.boolValue());
  // Self-assignment through a slot keeps the value.
  slot.assign(slot);
  EXPECT_EQ(x.int32Value(), 1);
  x = slot;  // a variable never becomes a reference to itself
  EXPECT_FALSE(x.isByRef());
  EXPECT_EQ(x.int32Value(), 1);
  // Arrays are reachable and writable through a slot.
  Variant arr(Array::vector(VarType::Variant, {Variant(1)}));
  Variant arrSlot = Variant::ref(arr);
  EXPECT_TRUE(arrSlot.isArray());
  arrSlot.arrayValue().at(0) = Variant(2);
  EXPECT_EQ(arr.arrayValue().at(0).int32Value(), 2);
}

TEST(Variant, ArrayPutNeverStoresAReference) {
  Variant x("value");
  Array a(VarType::Variant, {Bound{0, 1}});
  const int32_t i = 0;
  a.put({&i, 1}, Variant::ref(x));
  x = Variant("later");
  EXPECT_FALSE(a.at(0).isByRef());
  EXPECT_EQ(a.at(0).stringValue(), "value");
}

TEST(Variant, TypesAndPredicates) {
  EXPECT_TRUE(Variant().isEmpty());
  EXPECT_TRUE(Variant::null().isNull());
  EXPECT_TRUE(Variant::missing().isMissing());
  EXPECT_FALSE(Variant::error(5).isMissing());
  EXPECT_EQ(Variant::date(1.5).type(), VarType::Date);
  EXPECT_EQ(Variant(uint8_t{1}).type(), VarType::Byte);
  EXPECT_TRUE(Variant(1.0f).isNumeric());
  EXPECT_FALSE(Variant(true).isNumeric());
  EXPECT_FALSE(Variant("1").isNumeric());
  // An array reports its element type and is never Empty.
  Variant empty(Array(VarType::Variant, {}));
  EXPECT_TRUE(empty.isArray());
  EXPECT_FALSE(empty.isEmpty());
  EXPECT_EQ(Variant(Array(VarType::String, {Bound{0, 1}})).type(), VarType::String);
  EXPECT_STREQ(dv::typeName(VarType::Int16), "Integer");
  EXPECT_STREQ(dv::typeName(VarType::Int32), "Long");
}

TEST(Variant, RawAccessorsRaiseTypeMismatch) {
  EXPECT_EQ(vbErrorOf([] { Variant(int16_t{1}).int32Value(); }), 13);
  EXPECT_EQ(vbErrorOf([] { Variant("1").doubleValue(); }), 13);
  EXPECT_EQ(vbErrorOf([] { Variant().stringValue(); }), 13);
  EXPECT_EQ(vbErrorOf([] { Variant(1).arrayValue(); }), 13);
  EXPECT_EQ(vbErrorOf([] { Variant(1.0).dateValue(); }), 13);
  EXPECT_EQ(vbErrorOf([] { Variant(1).objectValue(); }), 13);
}

}  // namespace

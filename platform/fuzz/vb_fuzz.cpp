// libFuzzer target: the VB runtime's conversions. Strings go through Val
// and every C* conversion; raw doubles go in as every numeric type and as
// dates. Errors 5, 6, 13 and 94 are answers; any other exception, a
// sanitizer report, or a broken round trip below is a finding.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "dv/automation.h"
#include "dv/variant.h"
#include "dv/vb.h"

namespace {

using dv::Variant;
using dv::VarType;

[[noreturn]] void finding(const char* what) {
  std::fprintf(stderr, "finding: %s\n", what);
  std::abort();
}

// The value of f(), or nothing when it raised one of VB's conversion errors.
template <typename F>
auto attempt(F&& f) -> std::optional<decltype(f())> {
  try {
    return f();
  } catch (const dv::AutomationError& e) {
    switch (dv::vb::runtimeErrorOf(e.number())) {
      case dv::vb::kInvalidProcedureCall:
      case dv::vb::kOverflow:
      case dv::vb::kTypeMismatch:
      case dv::vb::kInvalidUseOfNull:
        return std::nullopt;
      default:
        finding("unexpected error number");
    }
  }
}

const VarType kTargets[] = {VarType::Variant, VarType::Empty,  VarType::Null,   VarType::Int16, VarType::Int32,
                            VarType::Byte,    VarType::Single, VarType::Double, VarType::Date,  VarType::String,
                            VarType::Bool,    VarType::Object, VarType::Error};

// What every value must survive, whatever its type.
void convertAll(const Variant& v) {
  for (VarType to : kTargets) attempt([&] { return dv::vb::convert(v, to); });
  const auto d = attempt([&] { return dv::vb::CDbl(v); });
  const auto i = attempt([&] { return dv::vb::CInt(v); });
  const auto l = attempt([&] { return dv::vb::CLng(v); });
  attempt([&] { return dv::vb::CByte(v); });
  attempt([&] { return dv::vb::CSng(v); });
  attempt([&] { return dv::vb::CBool(v); });
  const auto s = attempt([&] { return dv::vb::CStr(v); });
  attempt([&] { return dv::vb::compareVariants(v, Variant(1.5)); });
  attempt([&] { return dv::vb::compareVariants(Variant("x"), v, true); });

  // CInt and CLng round the same number the same way.
  if (i && l && *i != *l) finding("CInt and CLng disagree");
  if (d && l && static_cast<double>(*l) != dv::vb::roundHalfEven(*d)) finding("CLng is not CDbl rounded half to even");
  // A number's text reads back as (nearly) the same number: 15 digits.
  // (VB has no text for NaN or infinity; no VB operation makes them.) The
  // largest doubles are the exception, in VB too: their 15 digits round up
  // past the largest double ("1.79769313486232E+308"), which CDbl refuses
  // with an overflow.
  constexpr double kLargestReadBack = 1.79769313486231e308;
  if (d && s && std::isfinite(*d) && (v.type() == VarType::Double || v.type() == VarType::Single)) {
    const auto back = attempt([&] { return dv::vb::CDbl(Variant(*s)); });
    if (!back) {
      if (std::fabs(*d) <= kLargestReadBack) finding("CStr of a number does not read back");
    } else if (std::fabs(*back - *d) > std::fabs(*d) * 1e-6) {
      finding("CStr of a number reads back as another number");
    }
  }
}

void fromText(const std::string& text) {
  const Variant v(text);
  attempt([&] { return dv::vb::Val(text); });
  convertAll(v);

  // A string CDbl accepts has the same value under Val's leading-number rule.
  const auto strict = attempt([&] { return dv::vb::CDbl(v); });
  if (strict) {
    const auto lenient = attempt([&] { return dv::vb::Val(text); });
    if (!lenient || *lenient != *strict) finding("Val and CDbl read a number differently");
  }
  // A date CDate accepts is written back in a form CDate reads to the same value.
  if (const auto date = attempt([&] { return dv::vb::CDate(v); })) {
    const auto shown = attempt([&] { return dv::vb::CStr(Variant::date(*date)); });
    if (!shown) finding("CStr refuses a date CDate made");
    const auto again = attempt([&] { return dv::vb::CDate(Variant(*shown)); });
    if (!again || *again != *date) finding("a date does not survive CStr and CDate");
  }
}

void fromNumber(const uint8_t* data, size_t size) {
  double d = 0;
  std::memcpy(&d, data, std::min(size, sizeof d));
  float f = 0;
  std::memcpy(&f, data, std::min(size, sizeof f));
  int32_t n = 0;
  std::memcpy(&n, data, std::min(size, sizeof n));
  convertAll(Variant(d));
  convertAll(Variant(f));
  convertAll(Variant::date(d));
  convertAll(Variant(static_cast<int16_t>(n)));
  convertAll(Variant(n));
  convertAll(Variant(static_cast<uint8_t>(n)));
  convertAll(Variant(n % 2 == 0));
  attempt([&] { return dv::vb::dateParts(d).year; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  if (data[0] & 1) {
    fromNumber(data + 1, size - 1);
  } else {
    fromText(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  }
  return 0;
}

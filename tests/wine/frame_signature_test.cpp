// Every member of the public interfaces, read back from the type library
// in Docvane.dll the way an early-bound client reads it (LoadTypeLib,
// GetFuncDesc), against the reference table tests/wine/data/signatures.txt:
// name, kind, order, parameter types, by value or by reference, optional,
// default value, result. A member added to the IDL is added to the table.
//
// Table lines: <interface>.<member>[ get| put| putref](<parameters>)[ -> <result>]
// with each parameter "[opt ][ref ]<type> <name>[ = <default>]"; strings
// quoted, booleans True/False. Lines starting with # are comments. The
// table the library actually has is written to signatures.actual.txt in
// the bench folder, for a diff.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "dv/win32/com.h"
#include "frame_wine_common.h"

namespace {

using dv::win32::Bstr;
using dv::win32::ComPtr;
using dv::win32::FuncDesc;
using dv::win32::TypeAttr;

const wchar_t* const kInterfaces[] = {L"_CreatePDF", L"_Document", L"_Field", L"_NewDocument"};

std::string typeName(ITypeInfo* info, const TYPEDESC& t) {
  switch (t.vt) {
    case VT_BSTR:
      return "BSTR";
    case VT_I2:
      return "short";
    case VT_I4:
      return "long";
    case VT_INT:
      return "int";
    case VT_UI1:
      return "byte";
    case VT_R4:
      return "float";
    case VT_R8:
      return "double";
    case VT_BOOL:
      return "VARIANT_BOOL";
    case VT_DATE:
      return "DATE";
    case VT_CY:
      return "CURRENCY";
    case VT_VARIANT:
      return "VARIANT";
    case VT_DISPATCH:
      return "IDispatch";
    case VT_UNKNOWN:
      return "IUnknown";
    case VT_VOID:
      return "void";
    case VT_HRESULT:
      return "HRESULT";
    case VT_SAFEARRAY:
      return "SAFEARRAY(" + typeName(info, *t.lptdesc) + ")";
    case VT_PTR:
      return typeName(info, *t.lptdesc) + "*";
    case VT_USERDEFINED: {
      ComPtr<ITypeInfo> ref;
      Bstr name;
      if (SUCCEEDED(info->GetRefTypeInfo(t.hreftype, ref.put())) &&
          SUCCEEDED(ref->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr)))
        return name.utf8();
      return "?";
    }
    default:
      return "vt" + std::to_string(t.vt);
  }
}

std::string defaultText(const VARIANT& v) {
  switch (V_VT(&v)) {
    case VT_BSTR:
      return "\"" + dv::win32::fromBstr(V_BSTR(&v)) + "\"";
    case VT_BOOL:
      return V_BOOL(&v) ? "True" : "False";
    default: {
      VARIANT text;
      VariantInit(&text);
      std::string out = "?";
      if (SUCCEEDED(VariantChangeType(&text, const_cast<VARIANT*>(&v), 0, VT_BSTR)))
        out = dv::win32::fromBstr(V_BSTR(&text));
      VariantClear(&text);
      return out;
    }
  }
}

// One line of the table for one function of the vtable view.
std::string describe(ITypeInfo* info, const FUNCDESC* f, const std::wstring& itf) {
  BSTR names[64] = {};
  UINT count = 0;
  info->GetNames(f->memid, names, 64, &count);
  std::ostringstream out;
  out << dv::win32::narrow(itf) << "." << dv::win32::fromBstr(names[0]);
  if (f->invkind == INVOKE_PROPERTYGET) out << " get";
  if (f->invkind == INVOKE_PROPERTYPUT) out << " put";
  if (f->invkind == INVOKE_PROPERTYPUTREF) out << " putref";
  out << "(";
  std::string result;
  bool first = true;
  for (SHORT p = 0; p < f->cParams; ++p) {
    const ELEMDESC& e = f->lprgelemdescParam[p];
    USHORT flags = e.paramdesc.wParamFlags;
    // Property puts name their value parameter nothing; the table says "value".
    std::string name = static_cast<UINT>(p + 1) < count ? dv::win32::fromBstr(names[p + 1]) : "value";
    if (flags & PARAMFLAG_FRETVAL) {
      const TYPEDESC& t = e.tdesc.vt == VT_PTR ? *e.tdesc.lptdesc : e.tdesc;
      result = typeName(info, t);
      if (result.size() > 1 && result.back() == '*') result.pop_back();  // an object returned by reference
      continue;
    }
    if (!first) out << ", ";
    first = false;
    if (flags & PARAMFLAG_FOPT) out << "opt ";
    const bool byRef = e.tdesc.vt == VT_PTR;
    if (byRef) out << "ref ";
    out << typeName(info, byRef ? *e.tdesc.lptdesc : e.tdesc) << " " << name;
    if ((flags & PARAMFLAG_FHASDEFAULT) && e.paramdesc.pparamdescex)
      out << " = " << defaultText(e.paramdesc.pparamdescex->varDefaultValue);
  }
  out << ")";
  if (!result.empty()) out << " -> " << result;
  for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
  return out.str();
}

std::vector<std::string> actualTable() {
  ComPtr<ITypeLib> lib;
  EXPECT_TRUE(SUCCEEDED(LoadTypeLibEx(dvtest::docvanePath().c_str(), REGKIND_NONE, lib.put())));
  std::vector<std::string> lines;
  if (!lib) return lines;
  for (const wchar_t* itf : kInterfaces) {
    ComPtr<ITypeInfo> dispatchView;
    MEMBERID id = 0;
    USHORT found = 1;
    ITypeInfo* raw = nullptr;
    std::wstring name = itf;
    if (FAILED(lib->FindName(name.data(), 0, &raw, &id, &found)) || found == 0 || !raw) {
      ADD_FAILURE() << "interface missing from the type library";
      continue;
    }
    dispatchView = ComPtr<ITypeInfo>::adopt(raw);
    // The vtable view lists the interface's own functions in slot order.
    ComPtr<ITypeInfo> view = dispatchView;
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> vtable;
    if (SUCCEEDED(dispatchView->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
        SUCCEEDED(dispatchView->GetRefTypeInfo(ref, vtable.put())))
      view = vtable;
    TypeAttr attr(view.get());
    for (UINT i = 0; attr && i < attr->cFuncs; ++i) {
      FuncDesc f(view.get(), i);
      if (f) lines.push_back(describe(view.get(), f.get(), itf));
    }
  }
  return lines;
}

std::vector<std::string> referenceTable() {
  const char* data = std::getenv("DV_TEST_DATA");
  std::ifstream in(std::string(data ? data : ".") + "\\signatures.txt");
  EXPECT_TRUE(in.good()) << "tests/wine/data/signatures.txt cannot be read";
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    lines.push_back(line);
  }
  return lines;
}

TEST(SignatureTest, EveryMemberMatchesTheReferenceTableInOrder) {
  std::vector<std::string> actual = actualTable();
  if (const char* bench = std::getenv("DV_BENCH_DIR")) {
    std::ofstream out(std::string(bench) + "\\signatures.actual.txt");
    for (const std::string& l : actual) out << l << "\n";
  }
  std::vector<std::string> expected = referenceTable();
  ASSERT_FALSE(expected.empty());
  // Differences as lines of either side that the other lacks, then order.
  for (const std::string& l : expected)
    EXPECT_NE(std::find(actual.begin(), actual.end(), l), actual.end()) << "in the table, not in the library: " << l;
  for (const std::string& l : actual)
    EXPECT_NE(std::find(expected.begin(), expected.end(), l), expected.end())
        << "in the library, not in the table: " << l;
  EXPECT_EQ(actual, expected) << "same members, another order (the vtable order is part of the interface)";
}

// What an early-bound client sees of an omitted optional argument: every
// optional parameter of a scalar or string type carries a default, by value
// or by reference (only variants may arrive as "missing").
TEST(SignatureTest, OptionalParametersOfPlainTypesCarryTheirDefault) {
  for (const std::string& line : actualTable()) {
    std::istringstream params(line.substr(line.find('(') + 1, line.rfind(')') - line.find('(') - 1));
    std::string p;
    while (std::getline(params, p, ',')) {
      if (p.find("opt ") == std::string::npos || p.find("VARIANT ") != std::string::npos) continue;
      EXPECT_NE(p.find(" = "), std::string::npos) << line << ": " << p;
    }
  }
}

}  // namespace

// Docvane.dll through real COM under Wine: registration, exports, the
// dispatcher's handling of by-reference and optional arguments, error
// translation, the connection point of __CreatePDF and per-thread values.
#include <gtest/gtest.h>
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "docvane_header.h"
#include "dv/win32/com_object.h"
#include "dv/win32/handle.h"
#include "frame_wine_common.h"

namespace {

using dv::win32::Bstr;
using dv::win32::ScopedExcepInfo;
using dv::win32::ScopedVariant;
using dvtest::ComPtr;

struct Apartment {
  Apartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~Apartment() { CoUninitialize(); }
};

// A variable holding text, as a script's would.
void setText(ScopedVariant& v, const wchar_t* text) {
  V_VT(v.put()) = VT_BSTR;
  V_BSTR(v.get()) = SysAllocString(text);
}

std::wstring readString(HKEY root, const std::wstring& path, const wchar_t* name) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof(buffer);
  if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
    return L"<missing>";
  return buffer;
}

bool keyExists(HKEY root, const std::wstring& path) {
  dv::win32::UniqueHkey key;
  return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::wstring guidText(REFGUID guid) {
  wchar_t text[64] = {};
  StringFromGUID2(guid, text, 64);
  return text;
}

ComPtr<IDispatch> createPdf() {
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(L"Docvane.CreatePDF", &clsid), S_OK);
  ComPtr<IDispatch> object;
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.putVoid()), S_OK);
  return object;
}

DISPID idOf(IDispatch* object, const wchar_t* name) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << dvtest::utf8(name);
  return id;
}

// Calls a member with arguments in natural order (the last one last).
struct Call {
  HRESULT hr = S_OK;
  ScopedVariant result;
  ScopedExcepInfo excep;
};
void invoke(Call& call, IDispatch* object, const wchar_t* member, std::vector<VARIANT> args,
            WORD flags = DISPATCH_METHOD, std::vector<DISPID> named = {}) {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), named.empty() ? nullptr : named.data(),
                       static_cast<UINT>(reversed.size()), static_cast<UINT>(named.size())};
  UINT argErr = 0;
  call.hr = object->Invoke(idOf(object, member), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, call.result.get(),
                           call.excep.get(), &argErr);
}

VARIANT byRef(VARTYPE vt, void* p) {
  VARIANT v;
  V_VT(&v) = static_cast<VARTYPE>(VT_BYREF | vt);
  V_BYREF(&v) = p;
  return v;
}
VARIANT refVariant(VARIANT* target) { return byRef(VT_VARIANT, target); }
VARIANT i4(LONG n) {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = n;
  return v;
}
VARIANT missing() {
  VARIANT v;
  V_VT(&v) = VT_ERROR;
  V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
  return v;
}

ComPtr<IDispatch> diagnostics(IDispatch* object) {
  ComPtr<_DocvaneDiagnostics> diag;
  EXPECT_EQ(object->QueryInterface(IID__DocvaneDiagnostics, diag.putVoid()), S_OK);
  return ComPtr<IDispatch>(diag.get());
}

class FrameComTest : public ::testing::Test {
 protected:
  Apartment apartment;
};

TEST_F(FrameComTest, RegistrationEntersTheCreatableClassesAndTheTypeLibrary) {
  for (const wchar_t* progId : {L"Docvane.CreatePDF", L"Docvane.NewDocument"}) {
    std::wstring versioned = std::wstring(progId) + L".1";
    std::wstring clsid = readString(HKEY_CLASSES_ROOT, progId + std::wstring(L"\\CLSID"), nullptr);
    ASSERT_NE(clsid, L"<missing>") << dvtest::utf8(progId);
    EXPECT_EQ(readString(HKEY_CLASSES_ROOT, versioned + L"\\CLSID", nullptr), clsid);
    EXPECT_EQ(readString(HKEY_CLASSES_ROOT, progId + std::wstring(L"\\CurVer"), nullptr), versioned);
    std::wstring key = L"CLSID\\" + clsid;
    EXPECT_EQ(readString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    std::wstring server = readString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr);
    EXPECT_NE(server.find(L"Docvane.dll"), std::wstring::npos);
    EXPECT_EQ(readString(HKEY_CLASSES_ROOT, key + L"\\ProgID", nullptr), versioned);
    EXPECT_EQ(readString(HKEY_CLASSES_ROOT, key + L"\\VersionIndependentProgID", nullptr), progId);
    std::wstring libId = readString(HKEY_CLASSES_ROOT, key + L"\\TypeLib", nullptr);
    EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + libId + L"\\1.0"));
  }
  // The noncreatable classes are not registered as classes.
  ComPtr<ITypeLib> lib;
  ASSERT_EQ(LoadTypeLibEx(dvtest::docvanePath().c_str(), REGKIND_NONE, lib.put()), S_OK);
  for (const wchar_t* name : {L"Document", L"Field"}) {
    ComPtr<ITypeInfo> info;
    MEMBERID id = 0;
    USHORT found = 1;
    std::wstring copy = name;
    ASSERT_EQ(lib->FindName(copy.data(), 0, info.put(), &id, &found), S_OK);
    dv::win32::TypeAttr attr(info.get());
    ASSERT_TRUE(attr);
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + guidText(attr->guid)));
  }
}

TEST_F(FrameComTest, UnregistrationRemovesItsKeysAndRegistrationIsRepeatable) {
  HMODULE dll = LoadLibraryW(dvtest::docvanePath().c_str());
  ASSERT_NE(dll, nullptr);
  auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(dll, "DllRegisterServer"));
  auto unreg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(dll, "DllUnregisterServer"));
  ASSERT_TRUE(reg && unreg);
  std::wstring clsid = readString(HKEY_CLASSES_ROOT, L"Docvane.CreatePDF\\CLSID", nullptr);
  std::wstring libId = readString(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid + L"\\TypeLib", nullptr);
  // A neighbour that is not ours stays.
  {
    dv::win32::UniqueHkey other;
    RegCreateKeyExW(HKEY_CLASSES_ROOT, L"Docvane.Other", 0, nullptr, 0, KEY_WRITE, nullptr, other.put(), nullptr);
  }

  EXPECT_EQ(unreg(), S_OK);
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"Docvane.CreatePDF"));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"Docvane.CreatePDF.1"));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"Docvane.NewDocument"));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + libId));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"Interface\\" + guidText(IID__CreatePDF)));
  EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, L"Docvane.Other"));
  EXPECT_EQ(unreg(), S_OK);  // nothing left to remove is no failure

  EXPECT_EQ(reg(), S_OK);
  EXPECT_EQ(reg(), S_OK);
  EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid + L"\\InprocServer32"));
  EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + libId));
  RegDeleteKeyW(HKEY_CLASSES_ROOT, L"Docvane.Other");
  FreeLibrary(dll);
}

TEST_F(FrameComTest, ExportsExactlyTheFourEntryPoints) {
  HMODULE dll = LoadLibraryExW(dvtest::docvanePath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(dll, nullptr);
  auto base = reinterpret_cast<const BYTE*>(dll);
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  std::set<std::string> names;
  auto nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) names.insert(reinterpret_cast<const char*>(base + nameRvas[i]));
  EXPECT_EQ(exports->NumberOfFunctions, 4u);
  EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                          "DllUnregisterServer"}));
  FreeLibrary(dll);
}

TEST_F(FrameComTest, ByReferenceArgumentsAreCoercedAndWrittenBack) {
  ComPtr<IDispatch> object = createPdf();
  ComPtr<IDispatch> diag = diagnostics(object.get());

  // Typed by-reference arguments (VB6, VBA, .NET): the member writes into them.
  {
    Bstr text("abc");
    LONG number = 21;
    SHORT small = 4;
    VARIANT_BOOL flag = VARIANT_TRUE;
    ScopedVariant value;
    V_VT(value.get()) = VT_I4;
    V_I4(value.get()) = 9;
    Bstr optional("opt");
    Call call;
    invoke(call, diag.get(), L"Transform",
           {byRef(VT_BSTR, text.slot()), byRef(VT_I4, &number), byRef(VT_I2, &small), byRef(VT_BOOL, &flag),
            refVariant(value.get()), byRef(VT_BSTR, optional.slot()), missing()});
    ASSERT_EQ(call.hr, S_OK);
    EXPECT_EQ(dvtest::utf8(V_BSTR(call.result.get())),
              "text=abc|lng=21|int=4|flag=True|value=Long|optional=opt|missing=True");
    EXPECT_EQ(text.utf8(), "abc!");
    EXPECT_EQ(number, 42);
    EXPECT_EQ(small, 5);
    EXPECT_EQ(flag, VARIANT_FALSE);
    EXPECT_EQ(V_VT(value.get()), VT_BSTR);
    EXPECT_EQ(dvtest::utf8(V_BSTR(value.get())), "<9>");
    EXPECT_EQ(optional.utf8(), "opt+");
  }
  // Script variables (VT_BYREF|VT_VARIANT) holding other types: coerced to
  // the declared type and written back as that type.
  {
    ScopedVariant text, number, small, flag, value;
    V_VT(text.get()) = VT_I4;
    V_I4(text.get()) = 12;
    setText(number, L"7");
    V_VT(small.get()) = VT_R8;
    V_R8(small.get()) = 2.0;
    setText(value, L"x");
    Call call;
    invoke(call, diag.get(), L"Transform",
           {refVariant(text.get()), refVariant(number.get()), refVariant(small.get()), refVariant(flag.get()),
            refVariant(value.get())});
    ASSERT_EQ(call.hr, S_OK);
    EXPECT_EQ(dvtest::utf8(V_BSTR(call.result.get())),
              "text=12|lng=7|int=2|flag=False|value=String|optional=default|missing=True");
    ASSERT_EQ(V_VT(text.get()), VT_BSTR);
    EXPECT_EQ(dvtest::utf8(V_BSTR(text.get())), "12!");
    ASSERT_EQ(V_VT(number.get()), VT_I4);
    EXPECT_EQ(V_I4(number.get()), 14);
    ASSERT_EQ(V_VT(small.get()), VT_I2);
    EXPECT_EQ(V_I2(small.get()), 3);
    ASSERT_EQ(V_VT(flag.get()), VT_BOOL);
    EXPECT_EQ(V_BOOL(flag.get()), VARIANT_TRUE);
    EXPECT_EQ(dvtest::utf8(V_BSTR(value.get())), "<x>");
  }
  // Plain values (JScript literals) and named arguments.
  {
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Transform"), const_cast<LPOLESTR>(L"strOptional"),
                        const_cast<LPOLESTR>(L"varMissing")};
    DISPID ids[3] = {};
    ASSERT_EQ(diag->GetIDsOfNames(IID_NULL, names, 3, LOCALE_USER_DEFAULT, ids), S_OK);
    ScopedVariant text, optional;
    setText(text, L"lit");
    setText(optional, L"named");
    // rgvarg: the named arguments first, then the positional ones last to first.
    VARIANT args[] = {optional.v, i4(1), i4(5), i4(0), i4(4), i4(3), text.v};
    DISPID named[] = {ids[1], ids[2]};
    DISPPARAMS params = {args, named, 7, 2};
    Call call;
    call.hr = diag->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, call.result.get(),
                           call.excep.get(), nullptr);
    ASSERT_EQ(call.hr, S_OK);
    EXPECT_EQ(dvtest::utf8(V_BSTR(call.result.get())),
              "text=lit|lng=3|int=4|flag=False|value=Long|optional=named|missing=False");
  }
  // A required argument left out.
  {
    Call call;
    Bstr text("t");
    invoke(call, diag.get(), L"Transform", {byRef(VT_BSTR, text.slot())});
    EXPECT_EQ(call.hr, DISP_E_PARAMNOTFOUND);
  }
}

// The diagnostics interface raises events and errors at will: a client of
// the shipped library must not reach it. Only the bench's switch opens it.
TEST_F(FrameComTest, DiagnosticsAnswerOnlyWhereTheTestBenchSwitchesThemOn) {
  const wchar_t* key = L"Software\\Docvane\\TestBench";
  ComPtr<IDispatch> object = createPdf();
  ASSERT_EQ(RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"Diagnostics"), ERROR_SUCCESS);
  ComPtr<IUnknown> closed;
  HRESULT withoutSwitch = object->QueryInterface(IID__DocvaneDiagnostics, closed.putVoid());
  DWORD off = 0, on = 1;
  RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Diagnostics", REG_DWORD, &off, sizeof(off));
  HRESULT switchedOff = object->QueryInterface(IID__DocvaneDiagnostics, closed.putVoid());
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Diagnostics", REG_DWORD, &on, sizeof(on)), ERROR_SUCCESS);
  EXPECT_EQ(withoutSwitch, E_NOINTERFACE);
  EXPECT_EQ(switchedOff, E_NOINTERFACE);
  EXPECT_FALSE(closed);
  ComPtr<IUnknown> open;
  EXPECT_EQ(object->QueryInterface(IID__DocvaneDiagnostics, open.putVoid()), S_OK);
}

// More arguments than a member takes are the caller's mistake, as with
// every automation object: DISP_E_BADPARAMCOUNT (VB's error 450).
TEST_F(FrameComTest, MoreArgumentsThanAMemberTakesAreRefused) {
  ComPtr<IDispatch> object = createPdf();
  struct Case {
    const wchar_t* member;
    WORD flags;
    UINT count;
  } cases[] = {
      {L"AcrobatVersion", DISPATCH_METHOD | DISPATCH_PROPERTYGET, 1},
      {L"AcrobatVersion", DISPATCH_METHOD, 2},
      {L"PrinterName", DISPATCH_METHOD | DISPATCH_PROPERTYGET, 1},
      {L"AccessVersion", DISPATCH_PROPERTYGET, 1},
      {L"SetDefPrinter", DISPATCH_METHOD, 2},
      {L"IsAcrobatHidden", DISPATCH_METHOD, 1},
  };
  for (const Case& c : cases) {
    std::vector<VARIANT> args(c.count);
    for (VARIANT& a : args) a = i4(1);
    DISPPARAMS params = {args.data(), nullptr, c.count, 0};
    ScopedVariant result;
    ScopedExcepInfo excep;
    UINT argErr = 0;
    HRESULT hr =
        object->Invoke(idOf(object.get(), c.member), IID_NULL, 0, c.flags, &params, result.get(), excep.get(), &argErr);
    EXPECT_EQ(hr, DISP_E_BADPARAMCOUNT) << dvtest::utf8(c.member) << " with " << c.count;
  }
}

TEST_F(FrameComTest, FailuresBecomeErrorsWithNumberSourceAndDescription) {
  ComPtr<IDispatch> object = createPdf();
  ComPtr<IDispatch> diag = diagnostics(object.get());
  auto fail = [&](LONG number, const wchar_t* description, HRESULT expectedNumber, const char* expectedText) {
    ScopedVariant text;
    setText(text, description);
    Call call;
    invoke(call, diag.get(), L"Fail", {i4(number), text.v});
    ASSERT_EQ(call.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(call.excep.info.scode, expectedNumber);
    EXPECT_EQ(dvtest::utf8(call.excep.info.bstrSource), "Docvane");
    EXPECT_EQ(dvtest::utf8(call.excep.info.bstrDescription), expectedText);
  };
  fail(static_cast<LONG>(0x80004100), L"File c:\\x.ps does not exist.", static_cast<HRESULT>(0x80004100),
       "File c:\\x.ps does not exist.");
  fail(5, L"", static_cast<HRESULT>(0x800A0005), "Invalid procedure call or argument");
  fail(static_cast<LONG>(0x800A03EC), L"Unable to set the PaperSize property", static_cast<HRESULT>(0x800A03EC),
       "Unable to set the PaperSize property");

  // Early-bound callers get the same through IErrorInfo.
  ComPtr<_DocvaneDiagnostics> typed;
  ASSERT_EQ(object->QueryInterface(IID__DocvaneDiagnostics, typed.putVoid()), S_OK);
  Bstr description("Outside failure");
  EXPECT_EQ(typed->Fail(static_cast<LONG>(0x80070005), description.get()), static_cast<HRESULT>(0x80070005));
  ComPtr<ISupportErrorInfo> support;
  ASSERT_EQ(typed->QueryInterface(IID_ISupportErrorInfo, support.putVoid()), S_OK);
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
  Bstr source, text;
  info->GetSource(source.put());
  info->GetDescription(text.put());
  EXPECT_EQ(source.utf8(), "Docvane");
  EXPECT_EQ(text.utf8(), "Outside failure");

  // Arguments that do not convert fail as a VB component's would.
  {
    Call call;
    invoke(call, object.get(), L"AccessVersion", {i4(40000)}, DISPATCH_PROPERTYPUT, {DISPID_PROPERTYPUT});
    ASSERT_EQ(call.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(call.excep.info.scode, static_cast<HRESULT>(0x800A0006));
    EXPECT_EQ(dvtest::utf8(call.excep.info.bstrDescription), "Overflow");
  }
  {
    ScopedVariant word;
    setText(word, L"abc");
    Call call;
    invoke(call, object.get(), L"AccessVersion", {word.v}, DISPATCH_PROPERTYPUT, {DISPID_PROPERTYPUT});
    ASSERT_EQ(call.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(call.excep.info.scode, static_cast<HRESULT>(0x800A000D));
    EXPECT_EQ(dvtest::utf8(call.excep.info.bstrDescription), "Type mismatch");
  }
}

TEST_F(FrameComTest, OpenDocumentTakesAScriptVariableAndReturnsADocument) {
  ComPtr<IDispatch> object = createPdf();
  ScopedVariant path;
  setText(path, L"c:\\docs\\a.pdf");
  Call call;
  invoke(call, object.get(), L"OpenDocument", {refVariant(path.get())});
  ASSERT_EQ(call.hr, S_OK);
  ASSERT_EQ(V_VT(call.result.get()), VT_DISPATCH);
  ComPtr<_Document> document;
  EXPECT_EQ(V_DISPATCH(call.result.get())->QueryInterface(IID__Document, document.putVoid()), S_OK);
  EXPECT_EQ(dvtest::utf8(V_BSTR(path.get())), "c:\\docs\\a.pdf");  // the caller's variable is untouched

  // A number in the variable is coerced to the declared string and stays one.
  ScopedVariant number;
  V_VT(number.get()) = VT_I4;
  V_I4(number.get()) = 42;
  Call second;
  invoke(second, object.get(), L"OpenDocument", {refVariant(number.get())});
  ASSERT_EQ(second.hr, S_OK);
  ASSERT_EQ(V_VT(number.get()), VT_BSTR);
  EXPECT_EQ(dvtest::utf8(V_BSTR(number.get())), "42");
}

// An event sink as script hosts build it: a plain IDispatch.
class Sink final : public dv::win32::ComObject<IDispatch> {
 public:
  struct Received {
    DISPID id;
    std::vector<std::wstring> texts;
    std::vector<LONG> numbers;
    bool allByRef = true;
  };
  std::vector<Received> received;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    Received r{id, {}, {}, true};
    for (UINT i = params->cArgs; i-- > 0;) {
      VARIANT& arg = params->rgvarg[i];
      ScopedVariant change;
      if (V_VT(&arg) == (VT_BYREF | VT_BSTR)) {
        r.texts.emplace_back(*V_BSTRREF(&arg) ? *V_BSTRREF(&arg) : L"");
        setText(change, L"changed by the handler");
        dv::win32::storeByRef(arg, change.v);
      } else if (V_VT(&arg) == (VT_BYREF | VT_I4)) {
        r.numbers.push_back(*V_I4REF(&arg));
        V_VT(change.get()) = VT_I4;
        V_I4(change.get()) = -1;
        dv::win32::storeByRef(arg, change.v);
      } else {
        r.allByRef = false;
      }
    }
    received.push_back(r);
    return S_OK;
  }
};

VARIANT arrayOf(std::vector<VARIANT> items) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
  for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) SafeArrayPutElement(array, &i, &items[i]);
  VARIANT v;
  V_VT(&v) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&v) = array;
  return v;
}

TEST_F(FrameComTest, EventsReachSinksConnectedThroughTheConnectionPoint) {
  ComPtr<IDispatch> object = createPdf();
  ComPtr<IProvideClassInfo2> classInfo;
  ASSERT_EQ(object->QueryInterface(IID_IProvideClassInfo2, classInfo.putVoid()), S_OK);
  GUID source = GUID_NULL;
  ASSERT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
  EXPECT_TRUE(IsEqualGUID(source, DIID___CreatePDF));
  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(classInfo->GetClassInfo(coclass.put()), S_OK);
  Bstr name;
  coclass->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
  EXPECT_EQ(name.utf8(), "CreatePDF");

  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(object->QueryInterface(IID_IConnectionPointContainer, container.putVoid()), S_OK);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(source, point.put()), S_OK);
  ComPtr<IConnectionPoint> none;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, none.put()), CONNECT_E_NOCONNECTION);
  auto first = ComPtr<Sink>::adopt(new Sink), second = ComPtr<Sink>::adopt(new Sink);
  DWORD firstCookie = 0, secondCookie = 0;
  ASSERT_EQ(point->Advise(first.get(), &firstCookie), S_OK);
  ASSERT_EQ(point->Advise(second.get(), &secondCookie), S_OK);
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(connections.put()), S_OK);
  CONNECTDATA data[4] = {};
  ULONG fetched = 0;
  connections->Next(4, data, &fetched);
  EXPECT_EQ(fetched, 2u);
  for (ULONG i = 0; i < fetched; ++i) ComPtr<IUnknown>::adopt(data[i].pUnk);  // released at once

  ComPtr<IDispatch> diag = diagnostics(object.get());
  ScopedVariant in, out, list;
  setText(in, L"c:\\in.ps");
  setText(out, L"c:\\out.pdf");
  list.v = arrayOf({in.v, out.v});
  ScopedVariant eventName;
  setText(eventName, L"JobStart");
  Call start;
  invoke(start, diag.get(), L"RaiseEvent", {eventName.v, list.v});
  ASSERT_EQ(start.hr, S_OK);

  ScopedVariant percentName;
  setText(percentName, L"PercentDone");
  Call percent;
  invoke(percent, diag.get(), L"RaiseEvent", {percentName.v, i4(50)});
  ASSERT_EQ(percent.hr, S_OK);

  for (Sink* sink : {first.get(), second.get()}) {
    ASSERT_EQ(sink->received.size(), 2u);
    EXPECT_EQ(sink->received[0].id, 1);  // JobStart
    EXPECT_TRUE(sink->received[0].allByRef);
    EXPECT_EQ(sink->received[0].texts, (std::vector<std::wstring>{L"c:\\in.ps", L"c:\\out.pdf"}));
    EXPECT_EQ(sink->received[1].id, 5);  // PercentDone
    EXPECT_EQ(sink->received[1].numbers, std::vector<LONG>{50});
  }
  // Each sink got its own copies: the first handler's changes did not
  // reach the second.

  EXPECT_EQ(point->Unadvise(firstCookie), S_OK);
  EXPECT_EQ(point->Unadvise(firstCookie), CONNECT_E_NOCONNECTION);
  Call again;
  invoke(again, diag.get(), L"RaiseEvent", {percentName.v, i4(75)});
  EXPECT_EQ(first->received.size(), 2u);
  ASSERT_EQ(second->received.size(), 3u);
  EXPECT_EQ(second->received[2].numbers, std::vector<LONG>{75});

  // An unknown event is refused.
  ScopedVariant bogus;
  setText(bogus, L"NoSuchEvent");
  Call wrong;
  invoke(wrong, diag.get(), L"RaiseEvent", {bogus.v, i4(1)});
  EXPECT_EQ(wrong.hr, DISP_E_EXCEPTION);
  point->Unadvise(secondCookie);
}

TEST_F(FrameComTest, EachClientThreadHasItsOwnLibraryValues) {
  CreateDirectoryW(L"c:\\dvthreads", nullptr);
  CreateDirectoryW(L"c:\\dvthreads\\main", nullptr);
  ComPtr<IDispatch> object = createPdf();
  ScopedVariant folder;
  setText(folder, L"c:\\dvthreads\\main");
  Call put;
  invoke(put, object.get(), L"TempFilePath", {folder.v}, DISPATCH_PROPERTYPUT, {DISPID_PROPERTYPUT});
  ASSERT_EQ(put.hr, S_OK);

  std::string otherBefore, otherAfter;
  std::thread other([&] {
    Apartment apartment;
    ComPtr<IDispatch> theirs = createPdf();
    Call get;
    invoke(get, theirs.get(), L"TempFilePath", {}, DISPATCH_PROPERTYGET);
    otherBefore = dvtest::utf8(V_BSTR(get.result.get()));
  });
  other.join();
  Call mine;
  invoke(mine, object.get(), L"TempFilePath", {}, DISPATCH_PROPERTYGET);
  EXPECT_EQ(otherBefore, "c:\\temp\\");
  EXPECT_EQ(dvtest::utf8(V_BSTR(mine.result.get())), "c:\\dvthreads\\main\\");
}

TEST_F(FrameComTest, TheServerCanUnloadOnlyWhenNothingIsInUse) {
  HMODULE dll = GetModuleHandleW(L"Docvane.dll");
  ComPtr<IDispatch> object = createPdf();
  dll = GetModuleHandleW(L"Docvane.dll");
  ASSERT_NE(dll, nullptr);
  auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(dll, "DllCanUnloadNow"));
  ASSERT_TRUE(canUnload);
  EXPECT_EQ(canUnload(), S_FALSE);
  object.reset();
  EXPECT_EQ(canUnload(), S_OK);
  // The server still works after it let go of its type library.
  ComPtr<IDispatch> again = createPdf();
  Call call;
  invoke(call, again.get(), L"PrinterName", {});
  EXPECT_EQ(call.hr, S_OK);
}

}  // namespace

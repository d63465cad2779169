// The four entry points of the in-process server, its class factories and
// its registration.
#include <windows.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "create_pdf_object.h"
#include "new_document_object.h"
#include "com_util.h"
#include "frame/library_values.h"
#include "dv/trace.h"
#include "dv/win32/com_object.h"
#include "dv/win32/handle.h"
#include "module.h"

namespace dv::com {

void setModuleHandle(HMODULE module);

namespace {

using Creator = HRESULT (*)(REFIID, void**);

// The creatable classes. Their CLSIDs come from the type library, which
// is the one place that declares them.
struct CreatableClass {
  const wchar_t* coclass;
  const wchar_t* progId;  // version-independent
  const wchar_t* description;
  Creator create;
};
const CreatableClass kClasses[] = {
    {L"CreatePDF", L"Docvane.CreatePDF", L"Docvane CreatePDF", &CreatePdfObject::create},
    {L"NewDocument", L"Docvane.NewDocument", L"Docvane NewDocument", &NewDocumentObject::create},
};
constexpr const wchar_t* kVersionSuffix = L".1";

std::wstring guidText(REFGUID guid) {
  wchar_t text[64] = {};
  StringFromGUID2(guid, text, 64);
  return text;
}

LONG setString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  win32::UniqueHkey key;
  LONG r = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr);
  if (r != ERROR_SUCCESS) return r;
  return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// Removes a key this server created, with everything below it. A key that
// is already gone is no error.
LONG removeTree(HKEY root, const std::wstring& path) {
  LONG r = RegDeleteTreeW(root, path.c_str());
  return r == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : r;
}

HRESULT fromWin32(LONG r) { return r == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(r)); }

HRESULT registerClass(const CreatableClass& c, const std::wstring& libId, const std::wstring& path) {
  CLSID clsid = clsidOf(c.coclass);
  if (clsid == GUID_NULL) return SELFREG_E_CLASS;
  std::wstring id = guidText(clsid);
  std::wstring versioned = std::wstring(c.progId) + kVersionSuffix;
  std::wstring clsKey = L"CLSID\\" + id;
  LONG r = ERROR_SUCCESS;
  auto set = [&](const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    if (r == ERROR_SUCCESS) r = setString(HKEY_CLASSES_ROOT, key, name, value);
  };
  set(clsKey, nullptr, c.description);
  set(clsKey + L"\\InprocServer32", nullptr, path);
  set(clsKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  set(clsKey + L"\\ProgID", nullptr, versioned);
  set(clsKey + L"\\VersionIndependentProgID", nullptr, c.progId);
  set(clsKey + L"\\TypeLib", nullptr, libId);
  set(clsKey + L"\\Version", nullptr, L"1.0");
  set(clsKey + L"\\Programmable", nullptr, L"");
  set(c.progId, nullptr, c.description);
  set(std::wstring(c.progId) + L"\\CLSID", nullptr, id);
  set(std::wstring(c.progId) + L"\\CurVer", nullptr, versioned);
  set(versioned, nullptr, c.description);
  set(versioned + L"\\CLSID", nullptr, id);
  return fromWin32(r);
}

HRESULT unregisterClass(const CreatableClass& c) {
  CLSID clsid = clsidOf(c.coclass);
  if (clsid == GUID_NULL) return SELFREG_E_CLASS;
  LONG r = removeTree(HKEY_CLASSES_ROOT, L"CLSID\\" + guidText(clsid));
  LONG r2 = removeTree(HKEY_CLASSES_ROOT, c.progId);
  LONG r3 = removeTree(HKEY_CLASSES_ROOT, std::wstring(c.progId) + kVersionSuffix);
  if (r != ERROR_SUCCESS) return fromWin32(r);
  if (r2 != ERROR_SUCCESS) return fromWin32(r2);
  return fromWin32(r3);
}

}  // namespace

HRESULT registerServer() {
  try {
    std::wstring path = modulePath();
    ITypeLib* lib = typeLibrary();
    HRESULT hr = RegisterTypeLib(lib, const_cast<LPOLESTR>(path.c_str()), nullptr);
    if (FAILED(hr)) return SELFREG_E_TYPELIB;
    TLIBATTR* attr = nullptr;
    if (FAILED(lib->GetLibAttr(&attr))) return SELFREG_E_TYPELIB;
    std::wstring libId = guidText(attr->guid);
    lib->ReleaseTLibAttr(attr);
    for (const CreatableClass& c : kClasses) {
      hr = registerClass(c, libId, path);
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  } catch (const AutomationError& e) {
    return hresultOf(e.number());
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT unregisterServer() {
  try {
    HRESULT result = S_OK;
    for (const CreatableClass& c : kClasses) {
      HRESULT hr = unregisterClass(c);
      if (FAILED(hr)) result = hr;
    }
    ITypeLib* lib = typeLibrary();
    TLIBATTR* attr = nullptr;
    if (FAILED(lib->GetLibAttr(&attr))) return SELFREG_E_TYPELIB;
    // A type library that is not registered is already as it should be.
    wchar_t version[32] = {};
    wsprintfW(version, L"\\%x.%x", attr->wMajorVerNum, attr->wMinorVerNum);
    win32::UniqueHkey key;
    bool registered = RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"TypeLib\\" + guidText(attr->guid) + version).c_str(), 0,
                                    KEY_READ, key.put()) == ERROR_SUCCESS;
    HRESULT hr = registered
                     ? UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind)
                     : S_OK;
    lib->ReleaseTLibAttr(attr);
    if (FAILED(hr)) result = SELFREG_E_TYPELIB;
    return result;
  } catch (const AutomationError& e) {
    return hresultOf(e.number());
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT getClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  try {
    for (const CreatableClass& c : kClasses) {
      if (clsidOf(c.coclass) != rclsid) continue;
      ComPtr<IClassFactory> factory = ComPtr<IClassFactory>::adopt(new win32::ClassFactory(c.create));
      return factory->QueryInterface(riid, ppv);
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const AutomationError& e) {
    return hresultOf(e.number());
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace dv::com

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      dv::com::setModuleHandle(instance);
      dv::setTraceSink([](std::string_view line) {
        std::wstring text = dv::win32::widen(line);
        text += L"\n";
        OutputDebugStringW(text.c_str());
      });
      break;
    case DLL_THREAD_DETACH:
      // Per-thread library values end with their thread.
      dv::lib::releaseThreadValues();
      dv::com::releaseThreadState();
      break;
    case DLL_PROCESS_DETACH:
      if (!reserved) {  // FreeLibrary, not process exit
        dv::lib::releaseThreadValues();
        dv::com::releaseThreadState();
      }
      break;
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  return dv::com::getClassObject(rclsid, riid, ppv);
}

STDAPI DllCanUnloadNow() {
  if (!dv::com::canUnload()) return S_FALSE;
  dv::com::releaseTypeLibrary();
  return S_OK;
}

STDAPI DllRegisterServer() { return dv::com::registerServer(); }

STDAPI DllUnregisterServer() { return dv::com::unregisterServer(); }

}  // extern "C"

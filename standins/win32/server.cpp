// Class factories, registration and configuration of hosted stand-ins.
#include <windows.h>

#include <mutex>
#include <new>

#include "dv/standins/com_hosting.h"
#include "dv/win32/automation.h"
#include "dv/win32/com_object.h"
#include "dv/win32/handle.h"
#include "dv/win32/text.h"

namespace dv::standins::com {

using dv::win32::ComPtr;
using dv::win32::UniqueHkey;
using dv::win32::widen;

namespace {

std::string guidText(const GUID& g) {
  wchar_t buf[40];
  StringFromGUID2(g, buf, 40);
  return dv::win32::narrow(buf);
}

// ---- configuration from HKCU\Software\DvStandins ----

std::string readString(HKEY key, const char* name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
  std::string s(size, '\0');
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(s.data()), &size) != ERROR_SUCCESS) return {};
  s.resize(size);
  while (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

std::vector<std::pair<std::string, std::string>> readValues(HKEY parent, const char* subKey) {
  std::vector<std::pair<std::string, std::string>> values;
  UniqueHkey key;
  if (RegOpenKeyExA(parent, subKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return values;
  for (DWORD i = 0;; ++i) {
    char name[512];
    DWORD nameSize = sizeof name, type = 0;
    if (RegEnumValueA(key.get(), i, name, &nameSize, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (type == REG_SZ || type == REG_EXPAND_SZ) values.emplace_back(name, readString(key.get(), name));
  }
  return values;
}

ExternalConfig readConfig() {
  ExternalConfig c;
  UniqueHkey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kConfigKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return c;
  c.journalFile = readString(key.get(), "JournalFile");
  for (auto& [target, ruleText] : readValues(key.get(), "Failures"))
    if (auto rule = parseFailureRule(target, ruleText)) c.failures.push_back(*rule);
  for (auto& [name, value] : readValues(key.get(), "Settings")) c.values[name] = value;
  return c;
}

// ---- registration ----

LONG setValue(HKEY root, const std::string& path, const char* name, const std::string& value) {
  UniqueHkey key;
  LONG rc = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  return RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1));
}

std::vector<const TypeLibDef*> libraries() {
  std::vector<const TypeLibDef*> libs;
  for (const ClassDef* c : allClasses()) {
    bool seen = false;
    for (auto* l : libs) seen |= l->name == c->typeLib().name;
    if (!seen) libs.push_back(&c->typeLib());
  }
  return libs;
}

std::wstring folderOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace

void installHosting() {
  static std::once_flag once;
  std::call_once(once, [] {
    Control::instance().setConfigSource(readConfig);
    dv::win32::setObjectWrapper([](const ObjectPtr& o) { return wrap(o); });
    dv::win32::setObjectUnwrapper([](IDispatch* d) { return unwrap(d); });
  });
}

HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  installHosting();
  for (const ClassDef* c : allClasses()) {
    if (!c->creatable() || classId(*c) != clsid) continue;
    ComPtr<IClassFactory> factory;
    try {
      factory = ComPtr<IClassFactory>::adopt(new dv::win32::ClassFactory([c](REFIID wanted, void** object) {
        auto d = ComPtr<IDispatch>::adopt(wrap(c->create()));
        return d ? d->QueryInterface(wanted, object) : E_FAIL;
      }));
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    return factory->QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT registerServer(const std::wstring& modulePath, ServerKind kind,
                       const std::function<bool(const ClassDef&)>& include) {
  std::wstring folder = folderOf(modulePath);
  for (const TypeLibDef* lib : libraries()) {
    std::wstring path = folder + widen(lib->name) + L".tlb";
    HRESULT hr = saveTypeLibrary(*lib, path);
    if (FAILED(hr)) return hr;
    ComPtr<ITypeLib> tl;
    if (FAILED(hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, tl.put()))) return hr;
    std::vector<wchar_t> file(path.begin(), path.end()), dir(folder.begin(), folder.end());
    file.push_back(L'\0');
    dir.push_back(L'\0');
    if (FAILED(hr = RegisterTypeLib(tl.get(), file.data(), dir.data()))) return hr;
  }
  std::string module = dv::win32::narrow(modulePath, dv::win32::kCodePageAnsi);
  for (const ClassDef* c : allClasses()) {
    if (!c->creatable() || (include && !include(*c))) continue;
    std::string clsid = guidText(classId(*c));
    std::string key = "CLSID\\" + clsid;
    std::string version = std::to_string(c->typeLib().major) + "." + std::to_string(c->typeLib().minor);
    LONG rc = setValue(HKEY_CLASSES_ROOT, key, nullptr, c->name());
    if (kind == ServerKind::InProcess) {
      if (rc == ERROR_SUCCESS) rc = setValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32", nullptr, module);
      if (rc == ERROR_SUCCESS)
        rc = setValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "ThreadingModel", "Apartment");
    } else if (rc == ERROR_SUCCESS) {
      RegDeleteTreeA(HKEY_CLASSES_ROOT, (key + "\\InprocServer32").c_str());
      rc = setValue(HKEY_CLASSES_ROOT, key + "\\LocalServer32", nullptr, "\"" + module + "\"");
    }
    if (rc == ERROR_SUCCESS) rc = setValue(HKEY_CLASSES_ROOT, key + "\\ProgID", nullptr, c->progIds().front());
    if (rc == ERROR_SUCCESS)
      rc = setValue(HKEY_CLASSES_ROOT, key + "\\TypeLib", nullptr, guidText(libraryId(c->typeLib())));
    if (rc == ERROR_SUCCESS) rc = setValue(HKEY_CLASSES_ROOT, key + "\\Version", nullptr, version);
    for (const auto& progId : c->progIds()) {
      if (rc == ERROR_SUCCESS) rc = setValue(HKEY_CLASSES_ROOT, progId, nullptr, c->name());
      if (rc == ERROR_SUCCESS) rc = setValue(HKEY_CLASSES_ROOT, progId + "\\CLSID", nullptr, clsid);
    }
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  }
  return S_OK;
}

HRESULT unregisterServer(const std::wstring&) {
#ifdef _WIN64
  const SYSKIND kind = SYS_WIN64;
#else
  const SYSKIND kind = SYS_WIN32;
#endif
  for (const ClassDef* c : allClasses()) {
    if (!c->creatable()) continue;
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ("CLSID\\" + guidText(classId(*c))).c_str());
    for (const auto& progId : c->progIds()) RegDeleteTreeA(HKEY_CLASSES_ROOT, progId.c_str());
  }
  for (const TypeLibDef* lib : libraries())
    UnRegisterTypeLib(libraryId(*lib), lib->major, lib->minor, LOCALE_NEUTRAL, kind);
  return S_OK;
}

}  // namespace dv::standins::com

#include "module.h"

#include <atomic>
#include <mutex>

#include "com_util.h"
#include "dispatch.h"
#include "dv/vb.h"
#include "dv/win32/com_object.h"

namespace dv::com {

namespace {
HMODULE gModule = nullptr;
std::mutex gTypeLibMutex;
ITypeLib* gTypeLib = nullptr;
}  // namespace

void setModuleHandle(HMODULE module) { gModule = module; }

HMODULE moduleHandle() { return gModule; }

std::wstring modulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(gModule, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

bool canUnload() { return win32::moduleCounts().idle(); }

ITypeLib* typeLibrary() {
  std::lock_guard<std::mutex> guard(gTypeLibMutex);
  if (!gTypeLib) {
    HRESULT hr = LoadTypeLibEx(modulePath().c_str(), REGKIND_NONE, &gTypeLib);
    if (FAILED(hr)) {
      gTypeLib = nullptr;
      throw AutomationError(hr, vb::kLibrarySource, "The type library of Docvane cannot be loaded.");
    }
  }
  return gTypeLib;
}

void releaseTypeLibrary() {
  releaseDispatchers();
  std::lock_guard<std::mutex> guard(gTypeLibMutex);
  if (gTypeLib) std::exchange(gTypeLib, nullptr)->Release();
}

CLSID clsidOf(const wchar_t* coclassName) {
  ITypeLib* lib = typeLibrary();
  UINT count = lib->GetTypeInfoCount();
  for (UINT i = 0; i < count; ++i) {
    TYPEKIND kind;
    if (FAILED(lib->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS) continue;
    Bstr name;
    if (FAILED(lib->GetDocumentation(static_cast<INT>(i), name.put(), nullptr, nullptr, nullptr))) continue;
    if (!name.get() || lstrcmpiW(name.get(), coclassName) != 0) continue;
    ComPtr<ITypeInfo> info;
    if (FAILED(lib->GetTypeInfo(i, info.put()))) continue;
    win32::TypeAttr attr(info.get());
    if (attr) return attr->guid;
  }
  return GUID_NULL;
}

}  // namespace dv::com

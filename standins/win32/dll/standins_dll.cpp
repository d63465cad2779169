// standins.dll: the stand-in classes as an in-process COM server.
#include <windows.h>

#include <string>

#include "dv/standins/com_hosting.h"
#include "dv/standins/tools.h"

namespace {
HMODULE g_module = nullptr;

std::wstring modulePath() {
  wchar_t path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
  return std::wstring(path, n);
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  return dv::standins::com::getClassObject(clsid, iid, out);
}

STDAPI DllCanUnloadNow() { return dv::standins::com::serverReferences() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
  // Test programs and clients elsewhere find the PDF tool through this.
  dv::standins::recordPdfTool(modulePath());
  return dv::standins::com::registerServer(modulePath(), dv::standins::com::ServerKind::InProcess);
}

STDAPI DllUnregisterServer() { return dv::standins::com::unregisterServer(modulePath()); }

// standins.dll: the stand-in classes as an in-process COM server.
#include <windows.h>
#include <olectl.h>

#include <string>

#include "dv/standins/com_hosting.h"
#include "dv/standins/printing.h"
#include "dv/standins/tools.h"

namespace {
HMODULE g_module = nullptr;

std::wstring modulePath() {
  wchar_t path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
  return std::wstring(path, n);
}
std::string moduleFolder() {
  char path[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
  std::string folder(path, n);
  return folder.substr(0, folder.rfind('\\'));
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
  HRESULT hr = dv::standins::com::registerServer(modulePath(), dv::standins::com::ServerKind::InProcess);
  if (FAILED(hr)) return hr;
  // The stand-in Acrobat's PDF printer, a PostScript printer and the
  // accessories that print, as installers put them on a machine.
  namespace printing = dv::standins::printing;
  if (!printing::installStandInPrinters(moduleFolder()).empty()) return SELFREG_E_CLASS;
  return printing::installAccessories(moduleFolder()).empty() ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() { return dv::standins::com::unregisterServer(modulePath()); }

// Process-wide state of Docvane.dll: the module handle, whether it can
// unload (the shared module counts), the embedded type library and the
// host services the core runs on.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "dv/host.h"

namespace dv::com {

HMODULE moduleHandle();
std::wstring modulePath();

// No object of the module is alive and no client locks the server.
bool canUnload();

// The type library embedded as resource 1 (not registered by loading).
// Throws AutomationError when it cannot be loaded.
ITypeLib* typeLibrary();
// A coclass of the library by name ("CreatePDF"); GUID_NULL when absent.
CLSID clsidOf(const wchar_t* coclassName);
// Drops the cached type library when nothing uses the module any more.
void releaseTypeLibrary();

// The host services of the Windows platform.
Host host();

}  // namespace dv::com

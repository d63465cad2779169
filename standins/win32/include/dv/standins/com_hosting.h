// Hosting stand-ins as COM servers: a generic IDispatch over dv::Object
// (DISPIDs from the class declaration), connection points for the declared
// events, IProvideClassInfo2 with a type library built from the same
// declarations, class factories and registration. Used by standins.dll and
// by any executable that hosts stand-ins as a local server.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <functional>
#include <string>

#include "dv/standins/standin.h"
#include "dv/win32/com.h"

namespace dv::standins::com {

// Where the hosted stand-ins read their configuration in the Wine prefix:
//   HKCU\Software\DvStandins
//     JournalFile  REG_SZ   journal appended to (one line per call)
//     Failures\    values   name "Class.Member[#N]" or "Class#K.Member",
//                           data "number|description[|source]"
//     Settings\    values   named settings (e.g. DistillerTimeoutSeconds)
inline constexpr const char* kConfigKey = "Software\\DvStandins";

// Once per process: registry configuration, the Wine tool runner and the
// object wrapper of the automation seam.
void installHosting();

GUID toGuid(const Guid& g);
GUID classId(const ClassDef& cls);
GUID interfaceId(const ClassDef& cls);
GUID eventsId(const ClassDef& cls);
GUID libraryId(const TypeLibDef& lib);

// The type library of `lib`, built from the declarations of its classes
// (cached per process). Null on failure.
ITypeLib* typeLibrary(const TypeLibDef& lib);
// Builds it and writes it to `path`.
HRESULT saveTypeLibrary(const TypeLibDef& lib, const std::wstring& path);
ITypeInfo* classTypeInfo(const ClassDef& cls);      // the coclass
ITypeInfo* interfaceTypeInfo(const ClassDef& cls);  // its dispinterface
ITypeInfo* eventsTypeInfo(const ClassDef& cls);     // its source dispinterface

// An AddRef'd IDispatch for an object (stand-ins get their class's
// interface, events and class info; other objects a name-based dispatch).
IDispatch* wrap(const ObjectPtr& object);
// The object behind one of our IDispatch pointers, or null.
ObjectPtr unwrap(IUnknown* unknown);

// Objects and locks alive in this module (DllCanUnloadNow): every COM
// object it made, class factories included, and the LockServer locks.
long serverReferences();
// Objects handed out to clients and still referenced (class factories,
// enumerators and locks not counted).
long liveObjects();

// A class factory for a creatable class.
HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** out);

enum class ServerKind { InProcess, LocalServer };
// Registers every creatable class of the catalogue with `modulePath` as
// server, and each type library (written next to the module).
// A filter limits the classes (a local server registers the ones it hosts;
// its registration replaces an in-process one of the same class).
HRESULT registerServer(const std::wstring& modulePath, ServerKind kind,
                       const std::function<bool(const ClassDef&)>& include = {});
HRESULT unregisterServer(const std::wstring& modulePath);

}  // namespace dv::standins::com

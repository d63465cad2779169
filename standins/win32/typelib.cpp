// Type libraries built at run time from the stand-in declarations, so the
// DISPIDs, names and event interfaces that COM clients see are the same
// ones the dispatch code uses: one declaration per member.
#include <windows.h>
#include <oleauto.h>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "dv/standins/com_hosting.h"
#include "dv/win32/automation.h"
#include "dv/win32/text.h"

namespace dv::standins::com {

using dv::win32::ComPtr;
using dv::win32::widen;

GUID toGuid(const Guid& g) {
  GUID r;
  r.Data1 = g.data1;
  r.Data2 = g.data2;
  r.Data3 = g.data3;
  for (int i = 0; i < 8; ++i) r.Data4[i] = g.data4[i];
  return r;
}

GUID classId(const ClassDef& cls) { return toGuid(nameGuid("clsid", cls.typeLib().name + "." + cls.name())); }
GUID interfaceId(const ClassDef& cls) { return toGuid(nameGuid("iid", cls.typeLib().name + "._" + cls.name())); }
GUID eventsId(const ClassDef& cls) { return toGuid(nameGuid("iid", cls.typeLib().name + ".__" + cls.name())); }
GUID libraryId(const TypeLibDef& lib) { return toGuid(nameGuid("libid", lib.name)); }

namespace {

// Procedures return nothing where the declaration says Empty.
VARTYPE vtOf(VarType t) {
  if (t == VarType::Empty) return VT_VOID;
  return dv::win32::vartypeOf(t);
}

// TYPEDESCs with the storage their pointers need, alive for one AddFuncDesc.
struct FuncBuilder {
  std::vector<std::unique_ptr<TYPEDESC>> inner;
  std::vector<ELEMDESC> params;

  TYPEDESC typeDesc(const TypeDesc& t) {
    TYPEDESC d{};
    if (t.byRef) {
      inner.push_back(std::make_unique<TYPEDESC>());
      inner.back()->vt = vtOf(t.type);
      d.vt = VT_PTR;
      d.lptdesc = inner.back().get();
    } else {
      d.vt = vtOf(t.type);
    }
    return d;
  }
  void add(const ParamDef& p) {
    ELEMDESC e{};
    e.tdesc = typeDesc(p.type);
    e.paramdesc.wParamFlags = PARAMFLAG_FIN | (p.type.byRef ? PARAMFLAG_FOUT : 0) | (p.optional ? PARAMFLAG_FOPT : 0);
    params.push_back(e);
  }
};

HRESULT addFunction(ICreateTypeInfo* ti, UINT index, MEMBERID id, INVOKEKIND kind, const std::string& name,
                    const std::vector<ParamDef>& params, const TypeDesc& result, const ParamDef* value) {
  FuncBuilder b;
  for (const auto& p : params) b.add(p);
  if (value) b.add(*value);
  FUNCDESC fd{};
  fd.memid = id;
  fd.funckind = FUNC_DISPATCH;
  fd.invkind = kind;
  fd.callconv = CC_STDCALL;
  fd.cParams = static_cast<SHORT>(b.params.size());
  fd.lprgelemdescParam = b.params.empty() ? nullptr : b.params.data();
  fd.elemdescFunc.tdesc = b.typeDesc(value ? TypeDesc{VarType::Empty} : result);
  HRESULT hr = ti->AddFuncDesc(index, &fd);
  if (FAILED(hr)) return hr;
  // Names: the function, then its parameters; the assigned value of a
  // property put has none.
  std::vector<std::wstring> names{widen(name)};
  for (const auto& p : params) names.push_back(widen(p.name));
  std::vector<LPOLESTR> raw;
  for (auto& n : names) raw.push_back(n.data());
  return ti->SetFuncAndParamNames(index, raw.data(), static_cast<UINT>(raw.size()));
}

HRESULT createDispInterface(ICreateTypeLib2* lib, ITypeInfo* dispatchInfo, const std::string& name, const GUID& iid,
                            const std::string& help, ComPtr<ICreateTypeInfo>& out) {
  std::wstring wname = widen(name);
  HRESULT hr = lib->CreateTypeInfo(wname.data(), TKIND_DISPATCH, out.put());
  if (FAILED(hr)) return hr;
  out->SetGuid(iid);
  out->SetTypeFlags(TYPEFLAG_FDISPATCHABLE);
  if (!help.empty()) {
    std::wstring h = widen(help);
    out->SetDocString(h.data());
  }
  HREFTYPE ref;
  hr = out->AddRefTypeInfo(dispatchInfo, &ref);
  if (SUCCEEDED(hr)) hr = out->AddImplType(0, ref);
  return hr;
}

HRESULT buildClass(ICreateTypeLib2* lib, ITypeInfo* dispatchInfo, const ClassDef& cls) {
  ComPtr<ICreateTypeInfo> iface;
  HRESULT hr = createDispInterface(lib, dispatchInfo, "_" + cls.name(), interfaceId(cls), cls.helpText(), iface);
  if (FAILED(hr)) return hr;
  UINT index = 0;
  for (const MemberDef& m : cls.members()) {
    if (m.method) hr = addFunction(iface.get(), index++, m.dispid, INVOKE_FUNC, m.name, m.params, m.result, nullptr);
    if (SUCCEEDED(hr) && m.getter)
      hr = addFunction(iface.get(), index++, m.dispid, INVOKE_PROPERTYGET, m.name, m.params, m.result, nullptr);
    ParamDef value{"value", m.result, false};
    if (SUCCEEDED(hr) && m.letter)
      hr = addFunction(iface.get(), index++, m.dispid, INVOKE_PROPERTYPUT, m.name, m.params, m.result, &value);
    if (SUCCEEDED(hr) && m.setter) {
      value.type = TypeDesc{VarType::Object};
      hr = addFunction(iface.get(), index++, m.dispid, INVOKE_PROPERTYPUTREF, m.name, m.params, m.result, &value);
    }
    if (FAILED(hr)) return hr;
  }
  if (FAILED(hr = iface->LayOut())) return hr;

  ComPtr<ICreateTypeInfo> events;
  if (!cls.events().empty()) {
    hr = createDispInterface(lib, dispatchInfo, "__" + cls.name(), eventsId(cls), "Events of " + cls.name(), events);
    if (FAILED(hr)) return hr;
    index = 0;
    for (const EventDef& e : cls.events()) {
      hr = addFunction(events.get(), index++, e.dispid, INVOKE_FUNC, e.name, e.params, TypeDesc{VarType::Empty},
                       nullptr);
      if (FAILED(hr)) return hr;
    }
    if (FAILED(hr = events->LayOut())) return hr;
  }

  ComPtr<ICreateTypeInfo> coclass;
  std::wstring wname = widen(cls.name());
  if (FAILED(hr = lib->CreateTypeInfo(wname.data(), TKIND_COCLASS, coclass.put()))) return hr;
  coclass->SetGuid(classId(cls));
  coclass->SetTypeFlags(cls.creatable() ? TYPEFLAG_FCANCREATE : 0);
  auto implement = [&](ComPtr<ICreateTypeInfo>& which, UINT slot, INT flags) {
    ComPtr<ITypeInfo> info = which.as<ITypeInfo>(IID_ITypeInfo);
    if (!info) return E_NOINTERFACE;
    HREFTYPE ref;
    HRESULT r = coclass->AddRefTypeInfo(info.get(), &ref);
    if (SUCCEEDED(r)) r = coclass->AddImplType(slot, ref);
    if (SUCCEEDED(r)) r = coclass->SetImplTypeFlags(slot, flags);
    return r;
  };
  if (FAILED(hr = implement(iface, 0, IMPLTYPEFLAG_FDEFAULT))) return hr;
  if (events && FAILED(hr = implement(events, 1, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE))) return hr;
  return coclass->LayOut();
}

}  // namespace

HRESULT saveTypeLibrary(const TypeLibDef& lib, const std::wstring& path) {
#ifdef _WIN64
  const SYSKIND kind = SYS_WIN64;
#else
  const SYSKIND kind = SYS_WIN32;
#endif
  ComPtr<ICreateTypeLib2> create;
  HRESULT hr = CreateTypeLib2(kind, path.c_str(), create.put());
  if (FAILED(hr)) return hr;
  std::wstring name = widen(lib.name), help = widen(lib.help);
  create->SetName(name.data());
  create->SetGuid(libraryId(lib));
  create->SetVersion(lib.major, lib.minor);
  create->SetLcid(LOCALE_NEUTRAL);
  if (!help.empty()) create->SetDocString(help.data());

  ComPtr<ITypeLib> stdole;
  if (FAILED(hr = LoadTypeLib(L"stdole2.tlb", stdole.put()))) return hr;
  ComPtr<ITypeInfo> dispatchInfo;
  if (FAILED(hr = stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatchInfo.put()))) return hr;

  for (const ClassDef* cls : allClasses()) {
    if (cls->typeLib().name != lib.name) continue;
    if (FAILED(hr = buildClass(create.get(), dispatchInfo.get(), *cls))) return hr;
  }
  return create->SaveAllChanges();
}

ITypeLib* typeLibrary(const TypeLibDef& lib) {
  // Kept for the life of the process on purpose: releasing them while the
  // DLL unloads at process exit would call into an uninitialised oleaut32.
  static std::mutex mu;
  static auto* cache = new std::map<std::string, ITypeLib*>();
  std::lock_guard<std::mutex> lock(mu);
  auto it = cache->find(lib.name);
  if (it != cache->end()) return it->second;

  ITypeLib* tl = nullptr;
  if (FAILED(LoadRegTypeLib(libraryId(lib), lib.major, lib.minor, LOCALE_NEUTRAL, &tl))) {
    // Not registered (a host that skipped registration): build a private copy.
    wchar_t dir[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH, dir);
    if (n == 0 || n > MAX_PATH) return nullptr;
    std::wstring path =
        std::wstring(dir) + L"dvstandins-" + widen(lib.name) + L"-" + std::to_wstring(GetCurrentProcessId()) + L".tlb";
    if (FAILED(saveTypeLibrary(lib, path)) || FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &tl))) tl = nullptr;
    DeleteFileW(path.c_str());
  }
  if (tl) (*cache)[lib.name] = tl;
  return tl;
}

namespace {
ITypeInfo* infoOf(const ClassDef& cls, const GUID& guid) {
  ITypeLib* tl = typeLibrary(cls.typeLib());
  ITypeInfo* ti = nullptr;
  if (!tl || FAILED(tl->GetTypeInfoOfGuid(guid, &ti))) return nullptr;
  return ti;
}
}  // namespace

ITypeInfo* classTypeInfo(const ClassDef& cls) { return infoOf(cls, classId(cls)); }
ITypeInfo* interfaceTypeInfo(const ClassDef& cls) { return infoOf(cls, interfaceId(cls)); }
ITypeInfo* eventsTypeInfo(const ClassDef& cls) { return cls.events().empty() ? nullptr : infoOf(cls, eventsId(cls)); }

}  // namespace dv::standins::com

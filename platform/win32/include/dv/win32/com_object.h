// The COM plumbing every server of the project shares (Docvane.dll,
// standins.dll, viewer_server.exe, the sinks of test programs and
// examples): reference counting and QueryInterface, the module's object
// and lock counts, the class factory, and error information for callers.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <unknwn.h>

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

namespace dv::win32 {

// Objects and server locks of this module (each DLL or program links its
// own copy), behind DllCanUnloadNow and a local server's exit.
struct ModuleCounts {
  std::atomic<long> objects{0};
  std::atomic<long> locks{0};
  bool idle() const { return objects.load() == 0 && locks.load() == 0; }
};
inline ModuleCounts& moduleCounts() {
  static ModuleCounts counts;
  return counts;
}

// IUnknown of an object that implements Interfaces: one reference count
// and one identity (the first interface). QueryInterface answers each
// listed interface, IDispatch with the first dispatch interface listed,
// IProvideClassInfo with IProvideClassInfo2, and whatever queryOther adds.
// Objects start with one reference, owned by their creator.
template <typename... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject() { ++moduleCounts().objects; }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    long n = --refs_;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    void* found = riid == IID_IUnknown ? static_cast<void*>(identity()) : find<Interfaces...>(riid);
    if (!found) return queryOther(riid, ppv);
    *ppv = found;
    AddRef();
    return S_OK;
  }

  IUnknown* identity() { return static_cast<First*>(this); }

 protected:
  virtual ~ComObject() { --moduleCounts().objects; }
  // Interfaces beyond the list (tear-offs); a pointer handed out carries
  // its reference.
  virtual HRESULT queryOther(REFIID, void**) { return E_NOINTERFACE; }

 private:
  template <typename T, typename...>
  struct Front {
    using type = T;
  };
  using First = typename Front<Interfaces...>::type;

  template <typename I, typename... Rest>
  void* find(REFIID riid) {
    if (riid == __uuidof(I)) return static_cast<I*>(this);
    if constexpr (std::is_base_of_v<IDispatch, I>)
      if (riid == IID_IDispatch) return static_cast<I*>(this);
    if constexpr (std::is_base_of_v<IProvideClassInfo, I>)
      if (riid == IID_IProvideClassInfo) return static_cast<I*>(this);
    if constexpr (sizeof...(Rest) > 0) return find<Rest...>(riid);
    else return nullptr;
  }

  std::atomic<long> refs_{1};
};

// A class factory over a creation function (riid, ppv) -> HRESULT.
class ClassFactory final : public ComObject<IClassFactory> {
 public:
  using Create = std::function<HRESULT(REFIID, void**)>;
  explicit ClassFactory(Create create) : create_(std::move(create)) {}

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
      return create_(riid, ppv);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lock ? ++moduleCounts().locks : --moduleCounts().locks;
    return S_OK;
  }

 private:
  Create create_;
};

// Hands the caller of `iid` an IErrorInfo with this source and description
// (early-bound clients read it after a failed call).
void setErrorInfo(REFIID iid, std::string_view source, std::string_view description);

// Fills an EXCEPINFO (late-bound callers); what it held is freed first.
void fillExcepInfo(EXCEPINFO* info, HRESULT hr, std::string_view source, std::string_view description);

// The strings of an EXCEPINFO a call filled, freed on every path.
struct ScopedExcepInfo {
  EXCEPINFO info{};
  ScopedExcepInfo() = default;
  ScopedExcepInfo(const ScopedExcepInfo&) = delete;
  ScopedExcepInfo& operator=(const ScopedExcepInfo&) = delete;
  ~ScopedExcepInfo() { clear(); }
  void clear();
  EXCEPINFO* get() { return &info; }
};

}  // namespace dv::win32

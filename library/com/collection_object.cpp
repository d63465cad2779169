#include "collection_object.h"

#include <atomic>
#include <cwchar>
#include <vector>

#include "com_util.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"
#include "dv/trace.h"
#include "dv/win32/com_object.h"

namespace dv::com {

namespace {

constexpr DISPID kCount = 1, kAdd = 2, kRemove = 3;

// IEnumVARIANT over a snapshot of the items, as For Each takes them.
class ItemEnumerator final : public win32::ComObject<IEnumVARIANT> {
 public:
  explicit ItemEnumerator(std::vector<Variant> items, size_t at = 0) : items_(std::move(items)), at_(at) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
    if (!out) return E_POINTER;
    ULONG n = 0;
    try {
      for (; n < count && at_ < items_.size(); ++n, ++at_) {
        VariantInit(&out[n]);
        win32::toVariant(items_[at_], out[n]);
      }
    } catch (...) {
      trace("listing the items of a collection", currentErrorText());
      for (ULONG i = 0; i < n; ++i) VariantClear(&out[i]);
      return E_FAIL;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    at_ = std::min<size_t>(items_.size(), at_ + count);
    return at_ < items_.size() ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    at_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) ItemEnumerator(items_, at_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ~ItemEnumerator() override = default;
  std::vector<Variant> items_;
  size_t at_;
};

class CollectionObject final : public win32::ComObject<IDispatch> {
 public:
  explicit CollectionObject(std::shared_ptr<lib::Collection> c) : collection_(std::move(c)) {}

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!names || !ids || count == 0) return E_POINTER;
    for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    const wchar_t* name = names[0];
    if (_wcsicmp(name, L"Count") == 0) ids[0] = kCount;
    else if (_wcsicmp(name, L"Item") == 0) ids[0] = DISPID_VALUE;
    else if (_wcsicmp(name, L"Add") == 0) ids[0] = kAdd;
    else if (_wcsicmp(name, L"Remove") == 0) ids[0] = kRemove;
    else if (_wcsicmp(name, L"_NewEnum") == 0) ids[0] = DISPID_NEWENUM;
    else {
      ids[0] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    // Named arguments are not supported by this small object.
    return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excep, UINT*) override {
    if (!params) return E_POINTER;
    if (params->cNamedArgs > 0 && !(flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)))
      return DISP_E_NONAMEDARGS;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) return DISP_E_MEMBERNOTFOUND;
    // Arguments arrive last first.
    std::vector<Variant> args;
    for (UINT i = params->cArgs; i-- > 0;) args.push_back(win32::fromVariant(params->rgvarg[i]));
    try {
      Variant out;
      switch (id) {
        case DISPID_NEWENUM: {
          if (!args.empty()) return DISP_E_BADPARAMCOUNT;
          if (result) {
            VariantInit(result);
            result->vt = VT_UNKNOWN;
            result->punkVal = new ItemEnumerator(collection_->items());
          }
          return S_OK;
        }
        case kCount:
          if (!args.empty()) return DISP_E_BADPARAMCOUNT;
          out = Variant(collection_->count());
          break;
        case DISPID_VALUE:
          if (args.size() != 1) return DISP_E_BADPARAMCOUNT;
          out = collection_->item(args[0]);
          break;
        case kAdd:
          if (args.empty() || args.size() > 2) return DISP_E_BADPARAMCOUNT;
          collection_->add(args[0], args.size() == 2 && !args[1].isMissing()
                                        ? std::optional<std::string>(vb::CStr(args[1]))
                                        : std::nullopt);
          break;
        case kRemove:
          if (args.size() != 1) return DISP_E_BADPARAMCOUNT;
          collection_->remove(args[0]);
          break;
        default:
          return DISP_E_MEMBERNOTFOUND;
      }
      if (result) {
        VariantInit(result);
        win32::toVariant(out, *result);
      }
      return S_OK;
    } catch (const AutomationError& e) {
      if (!excep) return hresultOf(e.number());
      win32::fillExcepInfo(excep, hresultOf(e.number()), vb::kLibrarySource, e.description());
      return DISP_E_EXCEPTION;
    } catch (...) {
      trace("a call on a collection", currentErrorText());
      return E_FAIL;
    }
  }

 private:
  ~CollectionObject() override = default;
  std::shared_ptr<lib::Collection> collection_;
};

}  // namespace

IDispatch* newCollectionObject(std::shared_ptr<lib::Collection> collection) {
  return new CollectionObject(std::move(collection));
}

}  // namespace dv::com

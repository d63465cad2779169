#include "com_util.h"

#include "dv/vb.h"

namespace dv::com {

namespace {
thread_local PendingError tPending;
}

std::wstring widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(const wchar_t* text, size_t length) {
  if (!text || length == 0) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

std::string narrow(BSTR text) { return text ? narrow(text, SysStringLen(text)) : std::string(); }

Bstr::Bstr(std::string_view utf8) : b_(allocBstr(utf8)) {}

BSTR allocBstr(std::string_view utf8) {
  std::wstring wide = widen(utf8);
  BSTR b = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (!b) throw std::bad_alloc();
  return b;
}

HRESULT hresultOf(int32_t number) {
  if (number > 0 && number <= 0xFFFF) return static_cast<HRESULT>(vb::runtimeErrorNumber(number));
  if (number == 0) return E_FAIL;
  return static_cast<HRESULT>(number);
}

HRESULT reportError(REFIID iid, HRESULT hr, const std::string& description) {
  tPending.set = true;
  tPending.hr = hr;
  tPending.description = description;
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.put()))) {
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(L"Docvane"));
    std::wstring text = widen(description);
    create->SetDescription(text.data());
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.put()))))
      SetErrorInfo(0, info.get());
  }
  return hr;
}

PendingError takePendingError() { return std::exchange(tPending, PendingError{}); }

void clearPendingError() { tPending.set = false; }

}  // namespace dv::com

#include "dv/win32/com_object.h"

#include "dv/win32/com.h"
#include "dv/win32/text.h"

namespace dv::win32 {

void setErrorInfo(REFIID iid, std::string_view source, std::string_view description) {
  ComPtr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(create.put()))) return;
  create->SetGUID(iid);
  std::wstring wideSource = widen(source);
  std::wstring wideText = widen(description);
  create->SetSource(wideSource.data());
  create->SetDescription(wideText.data());
  ComPtr<IErrorInfo> info = create.as<IErrorInfo>(IID_IErrorInfo);
  if (info) SetErrorInfo(0, info.get());
}

void fillExcepInfo(EXCEPINFO* info, HRESULT hr, std::string_view source, std::string_view description) {
  if (!info) return;
  SysFreeString(info->bstrSource);
  SysFreeString(info->bstrDescription);
  SysFreeString(info->bstrHelpFile);
  *info = EXCEPINFO{};
  info->scode = hr;
  info->bstrSource = Bstr(source).detach();
  info->bstrDescription = Bstr(description).detach();
}

void ScopedExcepInfo::clear() {
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  info = EXCEPINFO{};
}

}  // namespace dv::win32

// PostScript to PDF with Docvane from C++, printing Acrobat Distiller's job
// events as they arrive: the client connects an IDispatch sink to
// CreatePDF's connection point and calls CreatePDFfromPS by name.
//
//   convert_events.exe <output folder> [pages]
//
// Writes events.ps (default 4 pages) into the folder and converts it to
// events.pdf. Exits 0 when the conversion succeeded and the job ended
// with JobDone.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "docvane_header.h"  // DIID___CreatePDF, generated from the type library
#include "dv/win32/com.h"
#include "dv/win32/com_object.h"
#include "dv/win32/text.h"

namespace {

using dv::win32::Bstr;
using dv::win32::ComPtr;

// Console text is in the ANSI code page.
std::string narrow(BSTR w) { return w ? dv::win32::narrow(w, dv::win32::kCodePageAnsi) : std::string(); }

// An argument of an event: the events pass strings and longs by reference.
std::string text(const VARIANT& v) {
  dv::win32::ScopedVariant copy;
  if (FAILED(VariantChangeType(copy.get(), const_cast<VARIANT*>(&v), 0, VT_BSTR))) return "?";
  return narrow(copy.v.bstrVal);
}

// The sink: any IDispatch will do, the events arrive by their DISPIDs in
// the __CreatePDF event interface.
class JobEventPrinter final : public dv::win32::ComObject<IDispatch> {
 public:
  bool jobDone = false;
  bool jobFailed = false;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    if (n) *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    // Arguments come last to first.
    auto arg = [&](UINT i) -> std::string {
      if (!params || i >= params->cArgs) return "?";
      return text(params->rgvarg[params->cArgs - 1 - i]);
    };
    switch (id) {
      case 1:
        std::printf("  event JobStart     %s -> %s\n", arg(0).c_str(), arg(1).c_str());
        break;
      case 2:
        std::printf("  event JobDone      %s -> %s\n", arg(0).c_str(), arg(1).c_str());
        jobDone = true;
        break;
      case 3:
        std::printf("  event JobFail      %s -> %s\n", arg(0).c_str(), arg(1).c_str());
        jobFailed = true;
        break;
      case 4:
        std::printf("  event LogMessage   %s\n", arg(0).c_str());
        break;
      case 5:
        std::printf("  event PercentDone  %s %%\n", arg(0).c_str());
        break;
      case 6:
        std::printf("  event PageNumber   %s\n", arg(0).c_str());
        break;
      default:
        std::printf("  event #%ld\n", static_cast<long>(id));
        break;
    }
    std::fflush(stdout);
    return S_OK;
  }

 protected:
  // Sources that ask for the event interface itself get this dispatch.
  HRESULT queryOther(REFIID iid, void** out) override {
    if (!IsEqualIID(iid, DIID___CreatePDF)) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
};

int fail(const char* what, HRESULT hr) {
  std::fprintf(stderr, "convert_events: %s failed (0x%08lX)\n", what, static_cast<unsigned long>(hr));
  return 1;
}

bool writePostScript(const std::string& path, int pages) {
  std::ofstream out(path, std::ios::binary);
  out << "%!PS-Adobe-3.0\n%%Pages: " << pages << "\n%%EndComments\n";
  for (int i = 1; i <= pages; ++i) {
    out << "%%Page: " << i << " " << i << "\n"
        << "/Helvetica findfont 28 scalefont setfont 72 700 moveto (Events example, page " << i << ") show showpage\n";
  }
  out << "%%EOF\n";
  return static_cast<bool>(out);
}

int run(const std::string& folder, int pages) {
  const std::string ps = folder + "\\events.ps", pdf = folder + "\\events.pdf";
  if (!writePostScript(ps, pages)) {
    std::fprintf(stderr, "convert_events: cannot write %s\n", ps.c_str());
    return 1;
  }

  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(L"Docvane.CreatePDF", &clsid);
  if (FAILED(hr)) return fail("CLSIDFromProgID(Docvane.CreatePDF)", hr);
  ComPtr<IDispatch> converter;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, converter.putVoid());
  if (FAILED(hr)) return fail("CoCreateInstance", hr);

  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  auto sink = ComPtr<JobEventPrinter>::adopt(new JobEventPrinter);
  DWORD cookie = 0;
  hr = converter->QueryInterface(IID_IConnectionPointContainer, container.putVoid());
  if (SUCCEEDED(hr)) hr = container->FindConnectionPoint(DIID___CreatePDF, point.put());
  if (SUCCEEDED(hr)) hr = point->Advise(sink.get(), &cookie);
  if (FAILED(hr)) return fail("connecting the event sink", hr);

  int status = 1;
  LPOLESTR name = const_cast<LPOLESTR>(L"CreatePDFfromPS");
  DISPID method;
  hr = converter->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &method);
  if (FAILED(hr)) {
    fail("GetIDsOfNames(CreatePDFfromPS)", hr);
  } else {
    // strPDFFile, strPSFile and strDistiller, all by reference; an empty
    // strDistiller comes back holding the Distiller printer's name.
    Bstr pdfArg(dv::win32::fromAnsi(pdf)), psArg(dv::win32::fromAnsi(ps)), printer("");
    VARIANT args[3];
    for (VARIANT& a : args) VariantInit(&a);
    args[2].vt = VT_BSTR | VT_BYREF;
    args[2].pbstrVal = pdfArg.slot();
    args[1].vt = VT_BSTR | VT_BYREF;
    args[1].pbstrVal = psArg.slot();
    args[0].vt = VT_BSTR | VT_BYREF;
    args[0].pbstrVal = printer.slot();
    DISPPARAMS params{args, nullptr, 3, 0};
    dv::win32::ScopedExcepInfo error;
    std::printf("CreatePDFfromPS %s -> %s\n", ps.c_str(), pdf.c_str());
    std::fflush(stdout);
    hr = converter->Invoke(method, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, error.get(),
                           nullptr);
    if (hr == DISP_E_EXCEPTION) {
      std::fprintf(stderr, "convert_events: CreatePDFfromPS failed: %s (0x%08lX, %s)\n",
                   narrow(error.info.bstrDescription).c_str(), static_cast<unsigned long>(error.info.scode),
                   narrow(error.info.bstrSource).c_str());
    } else if (FAILED(hr)) {
      fail("CreatePDFfromPS", hr);
    } else if (!sink->jobDone || sink->jobFailed) {
      std::fprintf(stderr, "convert_events: the call returned without a JobDone event\n");
    } else {
      std::printf("CreatePDFfromPS wrote %s (Distiller printer: %s)\n", pdf.c_str(), narrow(printer.get()).c_str());
      status = 0;
    }
  }

  point->Unadvise(cookie);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: convert_events <output folder> [pages]\n");
    return 2;
  }
  int pages = argc > 2 ? std::atoi(argv[2]) : 4;
  if (pages < 1 || pages > 10000) {
    std::fprintf(stderr, "convert_events: pages must be between 1 and 10000\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::fprintf(stderr, "convert_events: CoInitializeEx failed\n");
    return 1;
  }
  int status = run(argv[1], pages);
  CoUninitialize();
  return status;
}

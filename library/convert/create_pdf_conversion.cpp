#include "convert/create_pdf_conversion.h"

#include "frame/library_values.h"
#include "frame/printers.h"
#include "relaylaunch/relay_launch.h"
#include "viewer/viewer_session.h"

namespace dv::lib {

double CreatePdfConversion::viewerVersion() { return lib::viewerVersion(owner_.AcrobatVersion()); }

void CreatePdfConversion::startSavePdfRelay(const std::string& caption, const std::string& path) {
  locateRelay(host()).start({relaySavePdfFileAs(caption, path)});
}

bool CreatePdfConversion::closeAcrobat(bool waitUntilClosed, int16_t timeout) {
  Host& h = host();
  ViewerContext viewer{
      h,
      [this] { return viewerVersion(); },
      [&h](const std::string& printer) { setDefPrinter(h, printer); },
      [&h](const std::string& pdf, const std::string& password, const std::string& openCaption,
           const std::string& passwordCaption) { startOpenRelays(h, pdf, password, openCaption, passwordCaption); },
  };
  return lib::closeAcrobat(viewer, waitUntilClosed, timeout);
}

std::string CreatePdfConversion::currentDefaultPrinter() { return lib::currentDefaultPrinter(host()); }

void CreatePdfConversion::setDefaultPrinter(const std::string& printer) { setDefPrinter(host(), printer); }

}  // namespace dv::lib

#include "convert/create_pdf_conversion.h"

#include "frame/library_values.h"
#include "frame/printers.h"
#include "relaylaunch/relay_launch.h"
#include "viewer/pdf_merge.h"
#include "viewer/viewer_session.h"

namespace dv::lib {

double CreatePdfConversion::viewerVersion() { return lib::viewerVersion(owner_.AcrobatVersion()); }

std::vector<std::string> CreatePdfConversion::startSavePdfRelay(const std::string& caption, const std::string& path) {
  return locateRelay(host()).start({relaySavePdfFileAs(caption, path)});
}

bool CreatePdfConversion::closeAcrobat(bool waitUntilClosed, int16_t timeout) {
  ViewerContext viewer{host(), [this] { return viewerVersion(); }};
  return lib::closeAcrobat(viewer, waitUntilClosed, timeout);
}

void CreatePdfConversion::createPdfFromMultiPdf(const std::string& pdf, const Variant& pdfFiles, bool createBookmarks) {
  ViewerContext viewer{host(), [this] { return viewerVersion(); }};
  lib::createPdfFromMultiPdf(viewer, pdf, pdfFiles, createBookmarks);
}

std::string CreatePdfConversion::currentDefaultPrinter() { return lib::currentDefaultPrinter(host()); }

void CreatePdfConversion::setDefaultPrinter(const std::string& printer) { setDefPrinter(host(), printer); }

}  // namespace dv::lib

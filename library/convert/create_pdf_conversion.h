// The conversions of a CreatePDF object: its library-wide values, its
// events and objAdobeDistiller, the relay and the viewer control, as the
// pipeline sees them.
#pragma once

#include "convert/pipeline.h"
#include "frame/create_pdf.h"

namespace dv::lib {

class CreatePdfConversion : public ConversionContext {
 public:
  explicit CreatePdfConversion(CreatePdf& owner) : owner_(owner) {}
  Host& host() override { return owner_.host(); }
  std::string printerName() override { return owner_.PrinterName(); }
  std::string tempFolder() override { return owner_.TempFilePath(); }
  double viewerVersion() override;
  std::vector<std::string> startSavePdfRelay(const std::string& caption, const std::string& path) override;
  bool closeAcrobat(bool waitUntilClosed, int16_t timeout) override;
  void createPdfFromMultiPdf(const std::string& pdf, const Variant& pdfFiles, bool createBookmarks) override;
  void setActiveDistiller(ObjectPtr distiller) override { owner_.objAdobeDistiller = std::move(distiller); }
  void raiseEvent(std::string_view name, std::vector<Variant>& args) override { owner_.raiseEvent(name, args); }
  std::string currentDefaultPrinter() override;
  void setDefaultPrinter(const std::string& printer) override;

 private:
  CreatePdf& owner_;
};

}  // namespace dv::lib

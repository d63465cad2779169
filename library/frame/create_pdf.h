// The portable core of the CreatePDF object: its state, the configuration
// read at creation and the small configuration members. The COM class in
// the COM surface (library/com) only converts arguments and calls in here.
//
// Members of CreatePDF that belong to other subsystems (conversions,
// viewer operations, data interchange) are free functions in their own
// folders taking `CreatePdf&` as their first parameter; they reach the
// machine through host() and raise events through raiseEvent(). See
// frame/README.md for the whole recipe.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dv/automation.h"
#include "dv/host.h"

namespace dv::lib {

// Registry locations read at creation.
inline constexpr const char* kAcrobatVersionKey = "SOFTWARE\\Classes\\AcroExch.App\\AcrobatVersion";
inline constexpr const char* kAccessVersionKey = "SOFTWARE\\Classes\\Access.Application\\CurVer";
// Distiller printer-name keys, lowest version first: the last one that
// exists wins, so the highest installed version names the printer.
inline constexpr const char* kDistillerPrinterKeys[] = {
    "SOFTWARE\\Adobe\\Acrobat Distiller\\5.0\\PrinterName", "SOFTWARE\\Adobe\\Acrobat Distiller\\6.0\\PrinterName",
    "SOFTWARE\\Adobe\\Acrobat Distiller\\7.0\\PrinterName", "SOFTWARE\\Adobe\\Acrobat Distiller\\8.0\\PrinterName",
    "SOFTWARE\\Adobe\\Acrobat Distiller\\9.0\\PrinterName", "SOFTWARE\\Adobe\\Acrobat Distiller\\10.0\\PrinterName",
};
inline constexpr const char* kDefaultTempFolder = "c:\\temp";

class CreatePdf {
 public:
  // Runs the creation algorithm: reads the viewer version, the Distiller
  // printer name, prepares the temporary folder and reads the Access
  // version into this thread's library-wide values. Cannot fail.
  explicit CreatePdf(Host host);
  ~CreatePdf();
  CreatePdf(const CreatePdf&) = delete;
  CreatePdf& operator=(const CreatePdf&) = delete;

  Host& host() { return host_; }

  int16_t AccessVersion() const { return accessVersion_; }
  void setAccessVersion(int16_t value) { accessVersion_ = value; }  // no check, by design
  std::string AcrobatVersion() const;
  std::string PrinterName() const;
  std::string TempFilePath() const;
  // Changes the thread's temporary folder when p exists or can be created;
  // otherwise leaves it as it was and reports nothing.
  void setTempFilePath(const std::string& p);
  // Stores the path for the Document that the caller creates next.
  void OpenDocument(const std::string& strPDF);

  // The Distiller object of the running PostScript conversion, nothing
  // otherwise; its job events are passed on as this object's events.
  ObjectPtr objAdobeDistiller;

  // Events of the source interface, raised synchronously on this thread.
  // The COM layer installs the sink that fans them out to connected
  // clients; without one, raising does nothing.
  void setEventSink(EventSink* sink) { eventSink_ = sink; }
  void raiseEvent(std::string_view name, std::vector<Variant>& args);

 private:
  Host host_;
  int16_t accessVersion_ = 0;
  EventSink* eventSink_ = nullptr;
};

// The creation steps, usable on their own.
void readConfiguration(Host& host);
// The Access version from "Access.Application.<n>"; 0 on any failure.
int16_t ReadAccessVersion(Host& host);

}  // namespace dv::lib

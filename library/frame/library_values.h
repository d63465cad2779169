// The library-wide values. Each client thread has its own copy, shared by
// every object that thread creates: the apartment model keeps an object on
// its creating thread, so two client threads never see each other's values.
#pragma once

#include <string>

#include "dv/automation.h"

namespace dv::lib {

struct LibraryValues {
  // Set by the most recent CreatePDF creation on the thread.
  std::string AcrobatVersionText;
  std::string DistillerPrinterName = "Acrobat Distiller";
  std::string TempFolder = "c:\\temp\\";  // always ends in "\"
  // Whether a CreatePDF creation has read the values from the machine.
  bool configured = false;
  // Hand-off to the Document that OpenDocument creates.
  std::string OpenDocumentPath;
};

// This thread's values.
LibraryValues& libraryValues();
// Frees this thread's values (the thread is ending).
void releaseThreadValues();

// The viewer version as the library compares it: the leading number of
// AcrobatVersionText ("8.0" -> 8, "10.1.2" -> 10.1, "" or "x" -> 0). Every
// version threshold of the library reads it here.
double viewerVersion();
double viewerVersion(const std::string& versionText);

// Hand-off from Document.GetField to the Field it creates. The values are
// taken (moved out) by the Field at its creation, so the thread never keeps
// a reference to the document's JavaScript object alive by itself.
struct FieldHandOff {
  std::string name;
  ObjectPtr javaScript;
};
void putFieldHandOff(FieldHandOff values);
FieldHandOff takeFieldHandOff();

}  // namespace dv::lib

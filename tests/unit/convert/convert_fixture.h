// The surroundings of the conversion tests: an in-memory machine with the
// relay installed and the printers Word knows, a CreatePDF core reading
// its configuration from it, the Word stand-in working on the in-memory
// files, and a Distiller double (a strict, journaling stand-in class) that
// "converts" inside the in-memory file system and raises the job events.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "convert/create_pdf_conversion.h"
#include "dv/fakes/fake_host.h"
#include "dv/standins/registration.h"
#include "dv/standins/standin.h"
#include "frame/create_pdf.h"
#include "excel/excel_standin.h"
#include "word/word_standin.h"

namespace dv::lib::testing {

// Distiller in the in-memory file system.
const standins::ClassDef& fakeDistillerClass();
const standins::ClassDef& fakeDistiller6Class();
// The file system the fake Distiller works in (set by the fixture).
void setFakeDistillerFiles(fakes::FakeFileSystem* files);
// How the fake Distiller's next jobs end: as asked, or with the answers a
// real Distiller gives when a job goes wrong (reset by the fixture).
enum class DistillerOutcome { Converts, FailsWithoutPdf, FailsLeavingPdf, ClaimsSuccessWithoutPdf };
void setFakeDistillerOutcome(DistillerOutcome outcome);

struct RecordedEvents : EventSink {
  std::vector<std::string> seen;
  void onEvent(std::string_view name, std::vector<Variant>& args) override;
};

// Journal lines without the helper objects' destroy lines.
std::vector<std::string> journalWithoutDestroys();
// The outside calls of the journal: no creations or destroys, objects
// numbered per class from 1 in the order they appear, a temporary
// PostScript file's random number as N.
std::vector<std::string> renumberedCalls();

class ConvertFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The CreatePDF core, created once the test has set up the registry.
  CreatePdfConversion& ctx();
  CreatePdf& owner();

  // Files in c:\temp (temporary PostScript files must not stay behind).
  std::vector<std::string> tempFiles() const;
  // The relay command lines started so far.
  const std::vector<std::string>& relays() const { return fake.processes.started(); }

  fakes::FakeHost fake;
  Host host = fake.host();
  RecordedEvents events;
  std::string relayAnswer;  // what the "relay" typed into the last PDF dialog
  int dialogs = 0;
  // Excel's background printing on the fake clock: a job's file appears
  // in three growing steps kSpoolStepMs apart, the first kSpoolStepMs
  // after PrintOut returned (a printer that keeps writing: the steps are
  // closer than the stability check's second).
  static constexpr uint64_t kSpoolStepMs = 600;
  struct SpoolJob {
    std::string path, bytes;
    uint64_t start = 0;
    int written = 0;
  };
  std::vector<SpoolJob> spooled;

 private:
  std::unique_ptr<CreatePdf> owner_;
  std::unique_ptr<CreatePdfConversion> ctx_;
};

}  // namespace dv::lib::testing

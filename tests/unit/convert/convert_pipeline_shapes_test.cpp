// The pipeline shapes the later application families use: D (programs that
// print only to the system default printer) and the Distiller and
// PostScript shapes with an application that prints in the background.
#include <gtest/gtest.h>

#include "convert/pipeline.h"
#include "convert_fixture.h"
#include "dv/fakes/fake_host.h"
#include "dv/standins/standin.h"
#include "dv/vb.h"

namespace dv::lib::testing {
namespace {

using Lines = std::vector<std::string>;

// Records what the pipeline asks of the CreatePDF object, in order.
class RecordingContext : public ConversionContext {
 public:
  explicit RecordingContext(fakes::FakeHost& fake) : host_(fake.host()) {}
  Host& host() override { return host_; }
  std::string printerName() override { return "Adobe PDF"; }
  std::string tempFolder() override { return "c:\\temp\\"; }
  double viewerVersion() override { return 8; }
  std::vector<std::string> startSavePdfRelay(const std::string& caption, const std::string& path) override {
    calls.push_back("relay " + caption + "|" + path);
    if (relayMissing) vb::raiseLibrary("relay missing");
    return {};
  }
  bool closeAcrobat(bool wait, int16_t timeout) override {
    calls.push_back("closeAcrobat " + std::to_string(wait) + " " + std::to_string(timeout));
    return true;
  }
  void createPdfFromMultiPdf(const std::string& pdf, const Variant&, bool) override { calls.push_back("merge " + pdf); }
  void setActiveDistiller(ObjectPtr) override {}
  void raiseEvent(std::string_view, std::vector<Variant>&) override {}
  std::string currentDefaultPrinter() override {
    calls.push_back("read default");
    return defaultPrinter;
  }
  void setDefaultPrinter(const std::string& printer) override {
    calls.push_back("default " + printer);
    defaultPrinter = printer;
  }

  Lines calls;
  std::string defaultPrinter = "Office Laser";
  bool relayMissing = false;

 private:
  Host host_;
};

class PipelineShapes : public ::testing::Test {
 protected:
  void SetUp() override {
    standins::Control::instance().reset();
    fake.files.addFolder("c:\\temp");
    fake.files.addFolder("c:\\out");
    fake.files.addFile(kInput, "text to print");
    setFakeDistillerFiles(&fake.files);
    setFakeDistillerOutcome(DistillerOutcome::Converts);
    fake.automation.registerProgId("PdfDistiller.PdfDistiller", [] { return fakeDistillerClass().create(); });
  }
  void TearDown() override { setFakeDistillerFiles(nullptr); }

  // A program that starts printing when asked and writes `bytes` to `path`
  // in pieces, one per second, beginning `delayMs` later.
  void printInBackground(const std::string& path, const std::string& bytes, uint64_t delayMs = 2000) {
    const uint64_t start = fake.clock.tickMs();
    auto written = std::make_shared<size_t>(0);
    fake.files.setTickHook([=, this](fakes::FakeFileSystem& files) {
      const uint64_t elapsed = fake.clock.tickMs() - start;
      if (elapsed < delayMs || *written == bytes.size()) return;
      const size_t want = std::min(bytes.size(), static_cast<size_t>((elapsed - delayMs) / 1000 + 1) * 4);
      if (!files.exists(path)) files.addFile(path, "");
      if (*written < want) files.appendFile(path, bytes.substr(*written, want - *written));
      *written = want;
    });
  }

  void runD(const std::string& distiller, bool closeAcrobat, const std::function<void()>& start) {
    DefaultPrinterOptions options;
    options.closeAcrobat = closeAcrobat;
    runDefaultPrinterShape(ctx, kInput, distiller, kTarget, options, start);
  }

  static constexpr const char* kInput = "c:\\docs\\notes.txt";
  static constexpr const char* kTarget = "c:\\out\\notes.pdf";
  fakes::FakeHost fake;
  RecordingContext ctx{fake};
};

TEST_F(PipelineShapes, DefaultPrinterShapeSwitchesPrintsWaitsAndSwitchesBack) {
  struct Case {
    std::string distiller;
    bool closeAcrobat;
    std::string chosen;
  } cases[] = {{"", false, "Adobe PDF"}, {"   ", true, "Adobe PDF"}, {" My PDF ", false, " My PDF "}};
  for (const Case& c : cases) {
    ctx.calls.clear();
    ctx.defaultPrinter = "Office Laser";
    fake.files.addFile(kTarget, "stale");
    std::string stale;
    runD(c.distiller, c.closeAcrobat, [&] {
      ctx.calls.push_back("print");
      stale = fake.files.contents(kTarget).value_or("(none)");
      printInBackground(kTarget, "%PDF-1.4 from notepad, written in pieces");
    });
    Lines expected = {"read default", "default " + c.chosen, "relay save pdf file as|" + std::string(kTarget), "print"};
    if (c.closeAcrobat) expected.push_back("closeAcrobat 1 10");
    expected.push_back("default Office Laser");
    EXPECT_EQ(ctx.calls, expected) << c.distiller;
    EXPECT_EQ(stale, "(none)");  // the old file went before printing began
    EXPECT_EQ(fake.files.contents(kTarget), "%PDF-1.4 from notepad, written in pieces");
  }
}

TEST_F(PipelineShapes, DefaultPrinterShapeWithoutADefaultLeavesNoneBehind) {
  // No default printer before the call: the PDF printer does not stay the
  // default, on the error path either.
  for (bool fails : {false, true}) {
    SCOPED_TRACE(fails ? "failing" : "succeeding");
    ctx.defaultPrinter = "  ";
    const size_t writes = fake.printers.profileWrites().size();
    try {
      runD("", false, [&] {
        if (fails) vb::raiseLibrary("the printing program failed");
        printInBackground(kTarget, "%PDF");
      });
      EXPECT_FALSE(fails);
    } catch (const AutomationError&) {
      EXPECT_TRUE(fails);
    }
    EXPECT_EQ(ctx.defaultPrinter, "Adobe PDF");  // switched through the context...
    ASSERT_EQ(fake.printers.profileWrites().size(), writes + 1);
    const auto& cleared = fake.printers.profileWrites().back();  // ...and the device entry emptied after
    EXPECT_EQ(cleared.key, "Device");
    EXPECT_EQ(cleared.value, "");
  }
}

TEST_F(PipelineShapes, DefaultPrinterShapeErrorsPutTheDefaultBackAndLeaveNoFile) {
  enum class Fault { MissingInput, Relay, Printing, NothingPrinted, NeverSettles };
  for (Fault fault : {Fault::MissingInput, Fault::Relay, Fault::Printing, Fault::NothingPrinted, Fault::NeverSettles}) {
    const int trace = static_cast<int>(fault);
    ctx.calls.clear();
    ctx.defaultPrinter = "Office Laser";
    ctx.relayMissing = fault == Fault::Relay;
    fake.files.setTickHook(nullptr);
    fake.files.addFile(kTarget, "stale");
    const std::string input = fault == Fault::MissingInput ? "c:\\docs\\gone.txt" : kInput;
    try {
      runDefaultPrinterShape(ctx, input, "", kTarget, {}, [&] {
        if (fault == Fault::Printing) throw AutomationError(-2147024894, "Notepad", "The printing program failed.");
        // A job that never ends keeps its file growing; one that never
        // starts leaves none. Both end in the bounded wait's error.
        if (fault == Fault::NeverSettles)
          fake.files.setTickHook([](fakes::FakeFileSystem& f) {
            if (f.exists(kTarget)) f.appendFile(kTarget, "x");
            else f.addFile(kTarget, "x");
          });
      });
      ADD_FAILURE() << trace;
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.source(), "Docvane") << trace;
      if (fault == Fault::MissingInput) {
        EXPECT_EQ(e.description(), "File c:\\docs\\gone.txt does not exist.");
      } else if (fault == Fault::Printing) {
        EXPECT_EQ(e.number(), -2147024894);
      } else if (fault >= Fault::NothingPrinted) {
        EXPECT_NE(e.description().find(kTarget), std::string::npos) << trace;
      }
    }
    if (fault == Fault::MissingInput) {
      // Nothing was touched: no printer switch, the old file stays.
      EXPECT_TRUE(ctx.calls.empty());
      EXPECT_EQ(fake.files.contents(kTarget), "stale");
      continue;
    }
    EXPECT_EQ(ctx.calls.back(), "default Office Laser") << trace;
    EXPECT_EQ(ctx.defaultPrinter, "Office Laser");
    EXPECT_FALSE(fake.files.exists(kTarget)) << trace;
  }
}

// A print job whose application hands its file to the spooler and returns
// at once, as Excel and Access do.
class BackgroundJob : public PrintJob {
 public:
  explicit BackgroundJob(std::function<void(const std::string&)> print) : print_(std::move(print)) {}
  void open() override { calls.push_back("open"); }
  void selectPrinter(const std::string& printer) override { calls.push_back("printer " + printer); }
  void printToFile(const std::string& path) override {
    calls.push_back("print");
    printed = path;
    print_(path);
  }
  void printToPdfPrinter() override { calls.push_back("print to pdf printer"); }
  bool printsInBackground() const override { return true; }
  void close() override;
  void abandon() noexcept override { calls.push_back("abandon"); }

  Lines calls;
  std::string printed;
  std::optional<std::string> atClose;  // the file as it was when the application was closed
  fakes::FakeFileSystem* files = nullptr;

 private:
  std::function<void(const std::string&)> print_;
};

void BackgroundJob::close() {
  calls.push_back("close");
  if (files) atClose = files->contents(printed);
}

class BackgroundPrinting : public PipelineShapes {
 protected:
  static constexpr const char* kJob = "%!PS-Adobe-3.0 a job spooled in the background";
};

TEST_F(BackgroundPrinting, DistillerShapeWaitsForTheWholeFileBeforeClosingAndDistilling) {
  BackgroundJob job([&](const std::string& path) { printInBackground(path, kJob, 3000); });
  job.files = &fake.files;
  std::string printer;
  runDistillerShape(ctx, kInput, job, {&printer, true}, kTarget, {});
  EXPECT_EQ(job.calls, (Lines{"open", "printer Adobe PDF", "print", "close"}));
  EXPECT_EQ(job.atClose, kJob);  // complete before the application was closed
  auto pdf = fake.files.contents(kTarget);
  ASSERT_TRUE(pdf);
  EXPECT_NE(pdf->find(kJob), std::string::npos);
  EXPECT_FALSE(fake.files.exists(job.printed));  // the temporary PostScript is gone
  EXPECT_EQ(printer, "Adobe PDF");
}

TEST_F(BackgroundPrinting, PostScriptShapeWaitsAndAJobThatNeverWritesFailsCleanly) {
  const std::string ps = "c:\\out\\notes.ps";
  BackgroundJob job([&](const std::string& path) { printInBackground(path, kJob); });
  job.files = &fake.files;
  std::string printer = "Generic PostScript Printer";
  runPostScriptShape(ctx, kInput, job, {&printer, false}, ps);
  EXPECT_EQ(job.atClose, kJob);
  EXPECT_EQ(fake.files.contents(ps), kJob);

  // The spooler never writes: the bounded wait ends the call, the
  // application is abandoned and no file is left behind.
  fake.files.setTickHook(nullptr);
  BackgroundJob silent([](const std::string&) {});
  const uint64_t start = fake.clock.tickMs();
  try {
    runPostScriptShape(ctx, kInput, silent, {&printer, false}, ps);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), vb::kLibraryError);
    EXPECT_NE(e.description().find(ps), std::string::npos);
  }
  EXPECT_EQ(silent.calls, (Lines{"open", "printer Generic PostScript Printer", "print", "abandon"}));
  EXPECT_FALSE(fake.files.exists(ps));
  EXPECT_GE(fake.clock.tickMs() - start, 120000u);
}

}  // namespace
}  // namespace dv::lib::testing

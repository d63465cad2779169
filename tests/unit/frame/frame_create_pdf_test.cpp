#include <gtest/gtest.h>

#include <thread>

#include "dv/fakes/fake_host.h"
#include "frame/create_pdf.h"
#include "frame/library_values.h"
#include "frame/objects.h"

namespace {

using dv::lib::CreatePdf;
using dv::lib::libraryValues;

constexpr dv::RegKey kHklm = dv::kHkeyLocalMachine;

class CreatePdfTest : public ::testing::Test {
 protected:
  void SetUp() override { libraryValues() = dv::lib::LibraryValues{}; }
  void acrobat(const std::string& version) { fake.registry.setString(kHklm, dv::lib::kAcrobatVersionKey, "", version); }
  void distiller(const std::string& version, const std::string& name) {
    fake.registry.setString(kHklm, "SOFTWARE\\Adobe\\Acrobat Distiller\\" + version + "\\PrinterName", "", name);
  }
  void access(const std::string& curVer) { fake.registry.setString(kHklm, dv::lib::kAccessVersionKey, "", curVer); }
  dv::fakes::FakeHost fake;
};

TEST_F(CreatePdfTest, WithoutAcrobatTheDistillerDefaultsStand) {
  CreatePdf pdf(fake.host());
  EXPECT_EQ(pdf.AcrobatVersion(), "");
  EXPECT_EQ(pdf.PrinterName(), "Acrobat Distiller");
  EXPECT_EQ(pdf.AccessVersion(), 0);
  EXPECT_EQ(fake.registry.openHandles(), 0u);

  distiller("7.0", "Old Distiller");
  CreatePdf again(fake.host());
  EXPECT_EQ(again.PrinterName(), "Old Distiller");
}

TEST_F(CreatePdfTest, PrinterNameFollowsTheViewerVersionAndTheHighestDistillerKey) {
  acrobat("8.0");
  {
    CreatePdf pdf(fake.host());
    EXPECT_EQ(pdf.AcrobatVersion(), "8.0");
    EXPECT_EQ(pdf.PrinterName(), "Adobe PDF");
  }
  distiller("8.0", "Adobe PDF Converter");
  EXPECT_EQ(CreatePdf(fake.host()).PrinterName(), "Adobe PDF Converter");
  // 10.0 is read after 9.0 and 5.0: the highest installed version wins,
  // whatever order the names would sort in.
  distiller("5.0", "Five");
  distiller("10.0", "Ten");
  distiller("9.0", "Nine");
  EXPECT_EQ(CreatePdf(fake.host()).PrinterName(), "Ten");
  EXPECT_EQ(fake.registry.openHandles(), 0u);
}

TEST_F(CreatePdfTest, VersionFiveAndOddVersionTextsKeepTheOldPrinterName) {
  for (const char* text : {"5.0", "5", "4.05", "x9", ""}) {
    acrobat(text);
    CreatePdf pdf(fake.host());
    EXPECT_EQ(pdf.PrinterName(), "Acrobat Distiller") << text;
    EXPECT_EQ(pdf.AcrobatVersion(), text);
  }
  for (const char* text : {"5.1", "6", "10.0", "9.0 Pro"}) {
    acrobat(text);
    EXPECT_EQ(CreatePdf(fake.host()).PrinterName(), "Adobe PDF") << text;
  }
}

TEST_F(CreatePdfTest, ConfigurationIsReadWithoutWriteRightsAndFromEitherView) {
  // A user without administrator rights on a 64-bit machine where Acrobat,
  // Distiller and Access are 32-bit programs: their keys are in the 32-bit
  // view only, and HKLM refuses every open for writing.
  const std::string wow = "SOFTWARE\\Wow6432Node\\";
  struct Case {
    const char* where;  // "" own view, "32" 32-bit view, "both"
    const char* version;
    const char* printer;
    int16_t access;
  } cases[] = {{"32", "9.0", "Adobe PDF 32", 12}, {"", "8.0", "Adobe PDF 64", 11}, {"both", "10.0", "Own View", 14}};
  for (const Case& c : cases) {
    dv::fakes::FakeHost machine;
    machine.registry.deny(kHklm, "", dv::fakes::FakeRegistry::Denial::Writes);
    const std::string where = c.where;
    auto put = [&](const std::string& path, const std::string& value) {
      // "SOFTWARE\..." in the own view; the 32-bit view under Wow6432Node.
      const std::string rest = path.substr(std::string("SOFTWARE\\").size());
      if (where == "32" || where == "both")
        machine.registry.setString(kHklm, wow + rest, "", where == "both" ? "32-bit " + value : value);
      if (where != "32") machine.registry.setString(kHklm, path, "", value);
    };
    put(dv::lib::kAcrobatVersionKey, c.version);
    put("SOFTWARE\\Adobe\\Acrobat Distiller\\9.0\\PrinterName", c.printer);
    put(dv::lib::kAccessVersionKey, "Access.Application." + std::to_string(c.access));
    CreatePdf pdf(machine.host());
    EXPECT_EQ(pdf.AcrobatVersion(), c.version) << where;
    EXPECT_EQ(pdf.PrinterName(), c.printer) << where;
    EXPECT_EQ(pdf.AccessVersion(), c.access) << where;
    EXPECT_EQ(machine.registry.openHandles(), 0u);
  }
}

TEST_F(CreatePdfTest, ViewerVersionIsTheLeadingNumber) {
  EXPECT_EQ(dv::lib::viewerVersion("8.0"), 8);
  EXPECT_EQ(dv::lib::viewerVersion("10.1.2"), 10.1);
  EXPECT_EQ(dv::lib::viewerVersion("x"), 0);
  EXPECT_EQ(dv::lib::viewerVersion(""), 0);
  acrobat("9.0");
  CreatePdf pdf(fake.host());
  EXPECT_EQ(dv::lib::viewerVersion(), 9);
}

TEST_F(CreatePdfTest, AccessVersionComesFromTheTextAfterTheLastDot) {
  struct Case {
    const char* curVer;
    int16_t expected;
  } cases[] = {
      {"Access.Application.11", 11}, {"Access.Application.9", 9}, {"Access.Application", 0},      {"Access", 0},
      {"Access.Application.x", 0},   {"Access.Application.", 0},  {"Access.Application.99999", 0}};
  for (const Case& c : cases) {
    access(c.curVer);
    CreatePdf pdf(fake.host());
    EXPECT_EQ(pdf.AccessVersion(), c.expected) << c.curVer;
  }
  CreatePdf pdf(fake.host());
  pdf.setAccessVersion(-3);  // stored without any check
  EXPECT_EQ(pdf.AccessVersion(), -3);
  EXPECT_EQ(fake.registry.openHandles(), 0u);
}

TEST_F(CreatePdfTest, CreationPreparesTheTemporaryFolder) {
  EXPECT_FALSE(fake.files.folderExists("c:\\temp"));
  CreatePdf pdf(fake.host());
  EXPECT_TRUE(fake.files.folderExists("c:\\temp"));
  EXPECT_EQ(pdf.TempFilePath(), "c:\\temp\\");
  // An existing folder is no error; a second creation resets what a client set.
  fake.files.addFolder("d:\\work");
  pdf.setTempFilePath("d:\\work");
  CreatePdf second(fake.host());
  EXPECT_EQ(pdf.TempFilePath(), "c:\\temp\\");
}

TEST_F(CreatePdfTest, TempFilePathTakesFoldersThatExistOrCanBeMade) {
  CreatePdf pdf(fake.host());
  fake.files.addFolder("d:\\work");
  pdf.setTempFilePath("d:\\work");
  EXPECT_EQ(pdf.TempFilePath(), "d:\\work\\");
  pdf.setTempFilePath("d:\\work\\new");
  EXPECT_TRUE(fake.files.folderExists("d:\\work\\new"));
  EXPECT_EQ(pdf.TempFilePath(), "d:\\work\\new\\");
  pdf.setTempFilePath("d:\\missing\\parent");
  EXPECT_EQ(pdf.TempFilePath(), "d:\\work\\new\\");
  EXPECT_FALSE(fake.files.folderExists("d:\\missing"));
  pdf.setTempFilePath("");
  EXPECT_EQ(pdf.TempFilePath(), "d:\\work\\new\\");
  fake.files.addFile("d:\\work\\file.txt");
  pdf.setTempFilePath("d:\\work\\file.txt\\sub");
  EXPECT_EQ(pdf.TempFilePath(), "d:\\work\\new\\");
}

TEST_F(CreatePdfTest, OpenDocumentHandsThePathToTheNextDocument) {
  CreatePdf pdf(fake.host());
  pdf.OpenDocument("c:\\in\\a.pdf");
  EXPECT_EQ(libraryValues().OpenDocumentPath, "c:\\in\\a.pdf");
  dv::lib::DocumentCore document(fake.host());
  EXPECT_EQ(document.path(), "c:\\in\\a.pdf");

  dv::lib::putFieldHandOff({"Name", nullptr});
  dv::lib::FieldCore field(fake.host());
  EXPECT_EQ(field.name(), "Name");
  dv::lib::FieldCore next(fake.host());  // the hand-off is taken once
  EXPECT_EQ(next.name(), "");
}

TEST_F(CreatePdfTest, EventsReachTheInstalledSinkOnly) {
  struct Recorder : dv::EventSink {
    std::vector<std::string> names;
    void onEvent(std::string_view name, std::vector<dv::Variant>& args) override {
      names.emplace_back(name);
      EXPECT_EQ(args.size(), 1u);
    }
  } recorder;
  CreatePdf pdf(fake.host());
  std::vector<dv::Variant> args{dv::Variant(int32_t{50})};
  pdf.raiseEvent("PercentDone", args);  // nobody listens: nothing happens
  pdf.setEventSink(&recorder);
  pdf.raiseEvent("PercentDone", args);
  pdf.setEventSink(nullptr);
  pdf.raiseEvent("PercentDone", args);
  EXPECT_EQ(recorder.names, std::vector<std::string>{"PercentDone"});
}

TEST_F(CreatePdfTest, EachThreadHasItsOwnLibraryValues) {
  acrobat("9.0");
  distiller("9.0", "Main Printer");
  CreatePdf mine(fake.host());
  mine.OpenDocument("c:\\main.pdf");
  fake.files.addFolder("d:\\main");
  mine.setTempFilePath("d:\\main");

  std::string otherVersion = "unset", otherPrinter, otherTemp, otherPath = "unset";
  std::thread other([&] {
    // Before any creation on this thread: the defaults.
    otherPath = libraryValues().OpenDocumentPath;
    otherTemp = libraryValues().TempFolder;
    dv::fakes::FakeHost otherMachine;
    otherMachine.registry.setString(kHklm, dv::lib::kAcrobatVersionKey, "", "5.0");
    CreatePdf theirs(otherMachine.host());
    otherVersion = theirs.AcrobatVersion();
    otherPrinter = theirs.PrinterName();
  });
  other.join();
  EXPECT_EQ(otherPath, "");
  EXPECT_EQ(otherTemp, "c:\\temp\\");
  EXPECT_EQ(otherVersion, "5.0");
  EXPECT_EQ(otherPrinter, "Acrobat Distiller");
  EXPECT_EQ(mine.AcrobatVersion(), "9.0");
  EXPECT_EQ(mine.PrinterName(), "Main Printer");
  EXPECT_EQ(mine.TempFilePath(), "d:\\main\\");
  EXPECT_EQ(libraryValues().OpenDocumentPath, "c:\\main.pdf");
}

}  // namespace

// CreatePDF, the miscellaneous-file and the image members on the in-memory
// machine: the add-in's window titles and their bounded search, the wait
// after it, the viewer's calls (the viewer double), and their errors.
#include <map>
#include <regex>

#include "../viewer/viewer_fake_viewer.h"
#include "convert/generic.h"
#include "convert/word.h"
#include "convert_fixture.h"
#include "dv/vb.h"

namespace dv::lib::testing {
namespace {

using Lines = std::vector<std::string>;

constexpr uint32_t kWmClose = 0x0010;
constexpr uint32_t kWmDestroy = 0x0002;

const char* kPhoto = "c:\\img\\photo.jpg";
const char* kPdf = "c:\\out\\photo.pdf";

// Acrobat's Word add-in: converts what it is given, shows it in the
// viewer's window titled as the version has it, and journals its calls.
class FakeAddIn : public Object {
 public:
  FakeAddIn(std::shared_ptr<dv::testing::FakeViewer> viewer, fakes::FakeWindows& windows,
            std::function<double()> version, std::function<std::string(const std::string&)> title)
      : viewer_(std::move(viewer)), windows_(windows), version_(std::move(version)), title_(std::move(title)) {}
  Variant get(std::string_view m, Args) override { throw unknown(m); }
  void let(std::string_view m, const Variant&, Args) override { throw unknown(m); }
  void set(std::string_view m, const Variant&, Args) override { throw unknown(m); }
  Variant call(std::string_view m, Args a) override {
    if (m != "LaunchDocument" || a.size() != 2) throw unknown(m);
    const std::string path = vb::CStr(a[0].value);
    viewer_->journal.push_back("AddIn.LaunchDocument(" + path + "," + vb::CStr(a[1].value) + ")");
    const std::string title = title_(path);
    if (title.empty()) return false;  // a format it cannot convert
    viewer_->files[path].pages = 1;
    viewer_->activeDoc = path;
    const bool old = version_() < 8;
    const Hwnd w =
        windows_.create(0, old ? "AdobeAcrobat" : "AcrobatSDIWindow",
                        old ? "Adobe Acrobat Professional - [" + title + "]" : title + " - Adobe Acrobat Professional");
    windows_.onMessage(w, kWmDestroy, [this, w] { windows_.destroy(w); });
    return true;
  }

 private:
  static AutomationError unknown(std::string_view m) {
    return AutomationError(static_cast<int32_t>(0x80020006), "AddIn", "Unknown name: " + std::string(m));
  }
  std::shared_ptr<dv::testing::FakeViewer> viewer_;
  fakes::FakeWindows& windows_;
  std::function<double()> version_;
  std::function<std::string(const std::string&)> title_;
};

class GenericMembers : public ConvertFixture {
 public:
  using ConvertFixture::ctx;

 protected:
  void SetUp() override {
    ConvertFixture::SetUp();
    fake.files.addFolder("c:\\img");
    viewer = std::make_shared<dv::testing::FakeViewer>();
    for (const char* progId : {"AcroExch.App", "AcroExch.AVDoc", "AcroExch.PDDoc", "AcroExch.PDBookmark"})
      fake.automation.registerProgId(progId, [this, id = std::string(progId)] { return viewer->create(id); });
    // The viewer opens images (they become one-page documents) and saves.
    viewer->extensions.push_back([this](dv::testing::FakeViewer::Obj& self, std::string_view member, Args& args,
                                        const Variant*) -> std::optional<Variant> {
      if (self.kind == "AVDoc" && member == "IsValid") return Variant(!self.path.empty());
      if (self.kind == "PDDoc" && member == "SetInfo") return Variant(true);
      if (self.kind == "PDDoc" && member == "Save") {
        if (!saveWorks) return Variant(false);
        fake.files.writeFile(vb::CStr(args[1].value), "%PDF-1.4 from " + self.path);
        return Variant(true);
      }
      return std::nullopt;
    });
    addImage(kPhoto);
    fake.automation.registerProgId(kAddInProgId, [this] {
      return std::make_shared<FakeAddIn>(
          viewer, fake.windows, [this] { return version; }, windowTitle);
    });
  }
  void addImage(const std::string& path) {
    fake.files.addFile(path, "JPEG");
    viewer->files[path].pages = 1;
  }
  // A CreatePDF made after the viewer's version was recorded (it reads the
  // version when it is created).
  void setVersion(const std::string& text) {
    fake.registry.setString(kHkeyLocalMachine, "SOFTWARE\\Classes\\AcroExch.App\\AcrobatVersion", "", text);
    version = vb::Val(text);
    conv_.reset();
    owner_ = std::make_unique<CreatePdf>(host);
    conv_ = std::make_unique<CreatePdfConversion>(*owner_);
  }

 public:
  CreatePdfConversion& conv() { return conv_ ? *conv_ : ctx(); }

 protected:
  std::unique_ptr<CreatePdf> owner_;
  std::unique_ptr<CreatePdfConversion> conv_;

  std::shared_ptr<dv::testing::FakeViewer> viewer;
  double version = 9.0;
  bool saveWorks = true;
  // The viewer shows the name with its extension replaced.
  std::function<std::string(const std::string&)> windowTitle = [](const std::string& path) {
    std::string name = path.substr(path.rfind('\\') + 1);
    return name.substr(0, name.rfind('.')) + ".pdf";
  };
};

TEST(LaunchWindowTitles, ThePartsFormThenTheReplacedExtensionInBothEditions) {
  struct Case {
    const char* file;
    double version;
    Lines titles;
  };
  const Case cases[] = {
      {"c:\\docs\\report.doc", 9, {"report.pdf - adobe acrobat", "report.pdf - adobe acrobat professional"}},
      {"c:\\docs\\report.doc", 7, {"adobe acrobat - [report.pdf]", "adobe acrobat professional - [report.pdf]"}},
      {"c:\\docs\\Sales.Q1.xls",
       7,
       {"adobe acrobat - [sales.pdf]", "adobe acrobat professional - [sales.pdf]", "adobe acrobat - [sales.q1.pdf]",
        "adobe acrobat professional - [sales.q1.pdf]"}},
      {"c:\\docs\\README",
       8,
       {"readmepdf - adobe acrobat", "readmepdf - adobe acrobat professional", "readme.pdf - adobe acrobat",
        "readme.pdf - adobe acrobat professional"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(launchWindowTitles(c.file, c.version), c.titles);
  }
}

TEST_F(GenericMembers, CreatePDFSavesTheActiveDocumentLinearizedAndEndsTheViewer) {
  for (const char* v : {"9.0", "7.0"}) {
    SCOPED_TRACE(v);
    setVersion(v);
    viewer->journal.clear();
    fake.files.addFile(kPdf, "stale");
    createPDF(conv(), kPhoto, kPdf, 2);
    EXPECT_EQ(viewer->journal,
              (Lines{"AddIn.LaunchDocument(c:\\img\\photo.jpg,0)", "create AcroExch.App", "create AcroExch.AVDoc",
                     "App.GetActiveDoc()", "AVDoc.IsValid()", "AVDoc.GetPDDoc()", "PDDoc.Save(37,c:\\out\\photo.pdf)",
                     "PDDoc.Close()", "AVDoc.Close(True)", "App.Exit()"}));
    EXPECT_EQ(fake.files.contents(kPdf), "%PDF-1.4 from c:\\img\\photo.jpg");
    EXPECT_EQ(viewer->live, 0);
    // CloseAcrobat ended the viewer's window.
    EXPECT_EQ(fake.windows.findWindow(std::string(version < 8 ? "AdobeAcrobat" : "AcrobatSDIWindow"), std::nullopt),
              0u);
  }
}

TEST_F(GenericMembers, CreatePDFWaitsInThirtyTwoBits) {
  setVersion("9.0");
  for (int16_t secs : {int16_t{0}, int16_t{33}, int16_t{-5}}) {
    SCOPED_TRACE(secs);
    const uint64_t start = fake.clock.tickMs();
    createPDF(conv(), kPhoto, kPdf, secs);
    const uint64_t waited = fake.clock.tickMs() - start;
    const uint64_t expected = secs > 0 ? uint64_t(secs) * 1000 : 0;
    // The wait plus the viewer's closing polls (well under a second here).
    EXPECT_GE(waited, expected);
    EXPECT_LT(waited, expected + 1000);
    EXPECT_TRUE(fake.files.exists(kPdf));
  }
}

TEST_F(GenericMembers, CreatePDFFindsNamesWithSeveralDotsOrNone) {
  setVersion("7.0");
  for (const char* name : {"c:\\img\\Sales.Q1.xls", "c:\\img\\README"}) {
    SCOPED_TRACE(name);
    addImage(name);
    createPDF(conv(), name, kPdf, 0);
    EXPECT_TRUE(fake.files.exists(kPdf));
  }
}

TEST_F(GenericMembers, CreatePDFGivesUpOnAWindowThatNeverComesAndCleansUp) {
  setVersion("9.0");
  windowTitle = [](const std::string&) { return std::string("Untitled.pdf"); };  // another title altogether
  fake.files.addFile(kPdf, "stale");
  const uint64_t start = fake.clock.tickMs();
  try {
    createPDF(conv(), kPhoto, kPdf, 2);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), vb::kLibraryError);
    EXPECT_EQ(e.description(), "The viewer did not show the document photo.pdf - adobe acrobat within 60 seconds.");
  }
  EXPECT_GE(fake.clock.tickMs() - start, 60000u);
  EXPECT_LT(fake.clock.tickMs() - start, 75000u);
  EXPECT_FALSE(fake.files.exists(kPdf));
  // The viewer the add-in started was closed.
  EXPECT_EQ(fake.windows.findWindow(std::string("AcrobatSDIWindow"), std::nullopt), 0u);
}

TEST_F(GenericMembers, NothingActiveOrAFailedSaveIsAnErrorAfterTheCleanUp) {
  setVersion("9.0");
  struct Case {
    const char* name;
    std::function<void()> breakIt;
    std::function<void(GenericMembers&)> run;
    std::string description;
  };
  const Case cases[] = {
      {"CreatePDF, save refused", [this] { saveWorks = false; },
       [](GenericMembers& t) { createPDF(t.conv(), kPhoto, kPdf, 0); }, "Acrobat could not save c:\\out\\photo.pdf."},
      {"CreatePDF, nothing active",
       [this] {
         viewer->extensions.insert(
             viewer->extensions.begin(),
             [this](auto& self, std::string_view m, Args&, const Variant*) -> std::optional<Variant> {
               if (self.kind == "App" && m == "GetActiveDoc") {
                 viewer->activeDoc.clear();
                 return Variant(ObjectPtr());
               }
               return std::nullopt;
             });
       },
       [](GenericMembers& t) { createPDF(t.conv(), kPhoto, kPdf, 0); },
       "Acrobat showed no document for c:\\img\\photo.jpg."},
      {"image, save refused", [this] { saveWorks = false; },
       [](GenericMembers& t) { createPDFfromImageFile(t.ctx(), kPdf, kPhoto, {}); },
       "Acrobat could not save c:\\out\\photo.pdf."},
      {"image, nothing opened", [this] { viewer->files.erase(kPhoto); },
       [](GenericMembers& t) { createPDFfromImageFile(t.ctx(), kPdf, kPhoto, {}); },
       "Acrobat could not open c:\\img\\photo.jpg."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake.files.addFile(kPdf, "stale");
    c.breakIt();
    try {
      c.run(*this);
      ADD_FAILURE() << "no error";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), vb::kLibraryError);
      EXPECT_EQ(e.description(), c.description);
    }
    EXPECT_EQ(viewer->live, 0);
    EXPECT_TRUE(viewer->activeDoc.empty());
    const Lines& j = viewer->journal;
    EXPECT_NE(std::find(j.begin(), j.end(), "App.Exit()"), j.end());
    saveWorks = true;
    viewer->files[kPhoto].pages = 1;
    if (viewer->extensions.size() > 1) viewer->extensions.erase(viewer->extensions.begin());
    viewer->journal.clear();
  }
}

TEST_F(GenericMembers, ImageInfoOnlyForWhatIsGivenInOrder) {
  createPDFfromImageFile(ctx(), kPdf, kPhoto, {"", "Ann Author", "", ""});
  EXPECT_EQ(viewer->journal,
            (Lines{"create AcroExch.App", "create AcroExch.AVDoc", "AVDoc.Open(c:\\img\\photo.jpg,)",
                   "App.GetActiveDoc()", "AVDoc.IsValid()", "AVDoc.GetPDDoc()", "PDDoc.SetInfo(Author,Ann Author)",
                   "PDDoc.Save(37,c:\\out\\photo.pdf)", "PDDoc.Close()", "AVDoc.Close(True)", "App.Exit()"}));
  viewer->journal.clear();
  createPDFfromImageFile(ctx(), kPdf, kPhoto, {"T", "A", "S", "K"});
  Lines info;
  for (const std::string& l : viewer->journal)
    if (l.rfind("PDDoc.SetInfo", 0) == 0) info.push_back(l);
  EXPECT_EQ(info, (Lines{"PDDoc.SetInfo(Title,T)", "PDDoc.SetInfo(Author,A)", "PDDoc.SetInfo(Subject,S)",
                         "PDDoc.SetInfo(Keywords,K)"}));
}

TEST_F(GenericMembers, ImageThroughThePictureViewerOnTheDefaultPrinter) {
  fake.processes.setOnStart([this](const std::string& commandLine) {
    if (commandLine.find("RunDll32") != std::string::npos)
      fake.files.writeFile(kPdf, "%PDF printed on " + fake.printers.defaultPrinter());
  });
  createPDFfromImageFile2(ctx(), kPdf, kPhoto, "  ", "save pdf file as");
  ASSERT_EQ(fake.processes.started().size(), 2u);
  EXPECT_EQ(fake.processes.started()[1],
            "\"C:\\Windows\\system32\\RunDll32.exe\" shimgvw.dll,ImageView_PrintTo /pt \"c:\\img\\photo.jpg\" "
            "\"Acrobat Distiller\"");
  EXPECT_EQ(fake.files.contents(kPdf), "%PDF printed on Acrobat Distiller");
  EXPECT_EQ(fake.printers.defaultPrinter(), "Office Laser");
}

TEST_F(GenericMembers, WithoutADefaultPrinterBeforeThereIsNoneAfter) {
  fake.printers.setDefault("");
  fake.processes.setOnStart([this](const std::string& commandLine) {
    if (commandLine.find("RunDll32") != std::string::npos) fake.files.writeFile(kPdf, "%PDF");
  });
  createPDFfromImageFile2(ctx(), kPdf, kPhoto, "", "save pdf file as");
  EXPECT_EQ(fake.printers.defaultPrinter(), "");
  // The error exit as well.
  fake.processes.setOnStart([](const std::string&) {});
  EXPECT_THROW(createPDFfromImageFile2(ctx(), kPdf, kPhoto, "", "save pdf file as"), AutomationError);
  EXPECT_EQ(fake.printers.defaultPrinter(), "");
}

TEST_F(GenericMembers, MultiImageSkipsMissingOnesAndLeavesNoParts) {
  addImage("c:\\img\\two.png");
  std::vector<std::string> merged;
  struct Merge : CreatePdfConversion {
    Merge(CreatePdf& o, fakes::FakeFileSystem& f, std::vector<std::string>& m)
        : CreatePdfConversion(o), files(f), out(m) {}
    void createPdfFromMultiPdf(const std::string& pdf, const Variant& list, bool bookmarks) override {
      EXPECT_FALSE(bookmarks);
      const Array& a = list.arrayValue();
      std::string all;
      for (int32_t i = a.lbound(); i <= a.ubound(); ++i) {
        out.push_back(vb::CStr(a.at(i)));
        all += *files.contents(out.back()) + "|";
      }
      files.writeFile(pdf, all);
    }
    fakes::FakeFileSystem& files;
    std::vector<std::string>& out;
  } merge(owner(), fake.files, merged);
  Array images(VarType::Variant, {Bound{1, 4}});
  images.at(1) = Variant(kPhoto);
  images.at(2) = Variant("c:\\img\\missing.gif");
  images.at(3) = Variant();
  images.at(4) = Variant("c:\\img\\two.png");
  // A user's file with the old fixed name stays untouched.
  fake.files.addFile("c:\\temp\\_temp_0.pdf", "mine");
  createPDFfromMultiImage(merge, kPdf, Variant(images));
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_EQ(fake.files.contents(kPdf), "%PDF-1.4 from c:\\img\\photo.jpg|%PDF-1.4 from c:\\img\\two.png|");
  ASSERT_EQ(tempFiles().size(), 1u);
  EXPECT_EQ(vb::LCase(tempFiles()[0]), "c:\\temp\\_temp_0.pdf");

  // None there: no file, no error.
  merged.clear();
  fake.files.deleteFile(kPdf);
  Array none(VarType::Variant, {Bound{0, 1}});
  none.at(0) = Variant("c:\\img\\missing.gif");
  createPDFfromMultiImage(merge, kPdf, Variant(none));
  EXPECT_TRUE(merged.empty());
  EXPECT_FALSE(fake.files.exists(kPdf));

  // A failing image deletes the parts made before it.
  int saves = 0;
  viewer->extensions.insert(viewer->extensions.begin(),
                            [&](auto& self, std::string_view m, Args&, const Variant*) -> std::optional<Variant> {
                              if (self.kind == "PDDoc" && m == "Save" && ++saves == 2) return Variant(false);
                              return std::nullopt;
                            });
  EXPECT_THROW(createPDFfromMultiImage(merge, kPdf, Variant(images)), AutomationError);
  ASSERT_EQ(tempFiles().size(), 1u);
  EXPECT_EQ(vb::LCase(tempFiles()[0]), "c:\\temp\\_temp_0.pdf");
  EXPECT_FALSE(fake.files.exists(kPdf));
}

TEST_F(GenericMembers, MiscFilesPrintToFileThroughTheGivenPrinter) {
  fake.files.addFile("c:\\docs\\letter.rtf", "{\\rtf1 Dear reader}");
  std::string printer = kGenericPostScriptPrinter;
  createPSfromMiscFile2(ctx(), "c:\\out\\letter.ps", "c:\\docs\\letter.rtf", printer);
  EXPECT_EQ(
      renumberedCalls(),
      (Lines{"Application#1 get Documents()", R"(Documents#1 call Open("c:\docs\letter.rtf"))",
             "Application#1 let DisplayAlerts(0)", "Application#1 get ActivePrinter()",
             R"(Application#1 let ActivePrinter("Generic PostScript Printer"))",
             R"(Document#1 call PrintOut(OutputFileName:="c:\out\letter.ps", Background:=False, PrintToFile:=True))",
             R"(Application#1 let ActivePrinter("Office Laser on LPT1:"))", "Application#1 let DisplayAlerts(True)",
             "Document#1 call Close(False)", "Application#1 call Quit()"}));
  // strPrinter is not checked: a blank one goes to Word as it is, and Word refuses it.
  std::string blank = " ";
  EXPECT_THROW(createPDFfromMiscFile(ctx(), kPdf, "c:\\docs\\letter.rtf", blank, {}), AutomationError);
  EXPECT_EQ(blank, " ");
  std::string distiller;
  createPSfromMiscFile(ctx(), "c:\\out\\letter.ps", "c:\\docs\\letter.rtf", distiller);
  EXPECT_EQ(distiller, "Acrobat Distiller");
}

}  // namespace
}  // namespace dv::lib::testing

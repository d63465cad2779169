// Opening a document in the viewer, the shared error exit, and the two
// members that act on the viewer process as a whole.
#include <gtest/gtest.h>

#include "viewer/viewer_session.h"
#include "viewer_fixture.h"

namespace dv::lib {
namespace {

using testing::Lines;

class ViewerSessionTest : public testing::ViewerFixture {
 protected:
  ViewerObjects created(bool withView) {
    ViewerObjects o;
    o.app = host().automation.createObject(kProgIdApp);
    if (withView) o.avDoc = host().automation.createObject(kProgIdAVDoc);
    o.pdDoc = host().automation.createObject(kProgIdPDDoc);
    viewer->journal.clear();
    return o;
  }
  OpenRequest request(OpenForm form, std::string password = "", PasswordForm pf = PasswordForm::Long) {
    OpenRequest r;
    r.pdfPath = "C:\\Docs\\a.pdf";
    r.password = std::move(password);
    r.form = form;
    r.passwordForm = pf;
    return r;
  }
};

TEST_F(ViewerSessionTest, OpenFormsWithoutPasswordMakeTheirOwnCalls) {
  addPdf("C:\\Docs\\a.pdf", 3);
  {
    ViewerObjects o = created(true);
    openForRelay(ctx, o, request(OpenForm::ByView));
    EXPECT_EQ(viewer->journal, (Lines{"AVDoc.Open(C:\\Docs\\a.pdf,)", "AVDoc.GetPDDoc()"}));
    EXPECT_TRUE(o.pdDoc);
  }
  {
    ViewerObjects o = created(false);
    openForRelay(ctx, o, request(OpenForm::ByDocument));
    EXPECT_EQ(viewer->journal, (Lines{"PDDoc.Open(C:\\Docs\\a.pdf)"}));
    EXPECT_FALSE(o.avDoc);
  }
  EXPECT_TRUE(relayTails.empty());
}

TEST_F(ViewerSessionTest, ViewTitleIsTheFileNameAboveVersionFiveOrWhenAlwaysAsked) {
  addPdf("C:\\Docs\\a.pdf", 1);
  const struct {
    double version;
    OpenForm form;
    const char* openAVDoc;
  } cases[] = {
      {5.0, OpenForm::ByDocumentWithView, "PDDoc.OpenAVDoc()"},
      {5.1, OpenForm::ByDocumentWithView, "PDDoc.OpenAVDoc(a.pdf)"},
      {4.0, OpenForm::ByDocumentWithViewTitle, "PDDoc.OpenAVDoc(a.pdf)"},
  };
  for (const auto& c : cases) {
    version = c.version;
    ViewerObjects o = created(false);
    openForRelay(ctx, o, request(c.form));
    EXPECT_EQ(viewer->journal, (Lines{"PDDoc.Open(C:\\Docs\\a.pdf)", c.openAVDoc})) << c.version;
    EXPECT_TRUE(o.avDoc);
  }
  EXPECT_EQ(viewTitle("a.pdf"), "a.pdf");
  EXPECT_EQ(viewTitle("C:\\x\\"), "");
}

TEST_F(ViewerSessionTest, PasswordFormsGoThroughTheOpenDialog) {
  addPdf("C:\\Docs\\a.pdf", 4, "secret");
  {
    ViewerObjects o = created(true);
    openForRelay(ctx, o, request(OpenForm::ByView, "secret", PasswordForm::Short));
    EXPECT_EQ(viewer->journal, (Lines{"App.MenuItemExecute(Open)", "App.GetActiveDoc()", "AVDoc.GetPDDoc()"}));
  }
  {
    ViewerObjects o = created(false);
    openForRelay(ctx, o, request(OpenForm::ByDocumentWithView, "secret", PasswordForm::Long));
    EXPECT_EQ(viewer->journal, (Lines{"App.MenuItemExecute(Open)", "create AcroExch.AVDoc",
                                      "AVDoc.Open(C:\\Docs\\a.pdf,)", "App.GetActiveDoc()", "AVDoc.GetPDDoc()"}));
    EXPECT_EQ(vb::CLng(o.pdDoc->call("GetNumPages")), 4);
  }
  EXPECT_EQ(relayTails, (Lines{"open~open~C:\\Docs\\a.pdf~", "password~password~secret~", "open~open~C:\\Docs\\a.pdf~",
                               "password~password~secret~"}));
}

TEST_F(ViewerSessionTest, BlankPasswordIsNoneAndOtherPasswordsKeepTheirBlanks) {
  addPdf("C:\\Docs\\a.pdf", 1, " pw ");
  ViewerObjects plain = created(true);
  openForRelay(ctx, plain, request(OpenForm::ByView, "   "));
  EXPECT_TRUE(relayTails.empty());
  EXPECT_EQ(viewer->journal.front(), "AVDoc.Open(C:\\Docs\\a.pdf,)");

  ViewerObjects o = created(true);
  OpenRequest r = request(OpenForm::ByView, " pw ", PasswordForm::Short);
  r.openCaption = "ouvrir";
  r.passwordCaption = "mot de passe";
  openForRelay(ctx, o, r);
  EXPECT_EQ(relayTails, (Lines{"open~ouvrir~C:\\Docs\\a.pdf~", "password~mot de passe~ pw ~"}));
  EXPECT_EQ(vb::CLng(o.pdDoc->call("GetNumPages")), 1);  // the dialog opened it
}

TEST_F(ViewerSessionTest, ErrorExitClosesWhatIsOpenAndRaisesTheSameError) {
  addPdf("C:\\Docs\\a.pdf", 2);
  viewer->fail("PDDoc.GetNumPages", static_cast<int32_t>(0x80041234), "Bad page tree");
  ViewerObjects o = created(true);
  ErrorExitSteps steps;
  steps.closeDocument = true;
  int firstSteps = 0;
  steps.first = [&] {
    ++firstSteps;
    throw AutomationError(1, "x", "a failing first step does not hide the error");
  };
  try {
    withViewerErrorExit(o, steps, [&] {
      openForRelay(ctx, o, request(OpenForm::ByView));
      return vb::CLng(o.pdDoc->call("GetNumPages"));
    });
    FAIL() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x80041234));
    EXPECT_EQ(e.description(), "Bad page tree");
    EXPECT_EQ(e.source(), "Docvane");
  }
  EXPECT_EQ(firstSteps, 1);
  EXPECT_EQ(viewer->journal, (Lines{"AVDoc.Open(C:\\Docs\\a.pdf,)", "AVDoc.GetPDDoc()", "PDDoc.GetNumPages()",
                                    "AVDoc.Close(True)", "PDDoc.Close()", "App.Exit()"}));
  EXPECT_FALSE(o.app || o.avDoc || o.pdDoc);
}

TEST_F(ViewerSessionTest, ErrorExitWithNothingToCloseOnlyRaises) {
  ViewerObjects o;
  ErrorExitSteps none;
  none.closeView = false;
  none.endViewer = false;
  o.app = host().automation.createObject(kProgIdApp);
  viewer->journal.clear();
  EXPECT_THROW(withViewerErrorExit(o, none, [&] { vb::raiseLibrary("stop"); }), AutomationError);
  EXPECT_TRUE(viewer->journal.empty());
}

TEST_F(ViewerSessionTest, MissingFileIsReportedWithItsPath) {
  try {
    requireExistingFile(host(), "C:\\nope\\x.pdf");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), vb::kLibraryError);
    EXPECT_EQ(e.description(), "File C:\\nope\\x.pdf does not exist.");
  }
  addPdf("C:\\Docs\\a.pdf", 1);
  EXPECT_NO_THROW(requireExistingFile(host(), "C:\\Docs\\a.pdf"));
}

TEST_F(ViewerSessionTest, ViewerWindowIsFoundByClassThenTitle) {
  EXPECT_EQ(findViewerWindow(windows()), 0u);
  EXPECT_FALSE(isAcrobatHidden(ctx));
  const Hwnd titled = windows().create(0, "SomeFrame", "Adobe Acrobat Standard");
  EXPECT_EQ(findViewerWindow(windows()), titled);
  EXPECT_TRUE(isAcrobatHidden(ctx));
  const Hwnd pro = windows().create(0, "OtherFrame", "ADOBE ACROBAT PROFESSIONAL");
  EXPECT_EQ(findViewerWindow(windows()), pro);
  const Hwnd sdi = windows().create(0, "AcrobatSDIWindow", "x.pdf", {}, /*visible=*/false);
  EXPECT_EQ(findViewerWindow(windows()), sdi);
  const Hwnd old = windows().create(0, "AdobeAcrobat", "");
  EXPECT_EQ(findViewerWindow(windows()), old);
}

class CloseAcrobatTest : public testing::ViewerFixture {
 protected:
  static constexpr uint32_t kDestroy = 0x0002;
  std::vector<uint32_t> messagesTo(Hwnd h) {
    std::vector<uint32_t> out;
    for (const auto& m : windows().journalFor(h)) out.push_back(m.message);
    return out;
  }
};

TEST_F(CloseAcrobatTest, WithoutViewerReturnsFalseAtOnce) {
  const double before = clockSeconds();
  EXPECT_FALSE(closeAcrobat(ctx, true, 10));
  EXPECT_EQ(clockSeconds(), before);
  EXPECT_TRUE(windows().journal().empty());
}

TEST_F(CloseAcrobatTest, VersionDecidesWhetherWmCloseComesFirst) {
  version = 6;
  const Hwnd h = windows().create(0, "AdobeAcrobat", "");
  EXPECT_TRUE(closeAcrobat(ctx, false, 10));  // WM_DESTROY returned 0
  EXPECT_EQ(messagesTo(h), (std::vector<uint32_t>{kDestroy}));

  version = 8;
  const Hwnd sdi = windows().create(0, "AcrobatSDIWindow", "");
  windows().destroy(h);
  EXPECT_TRUE(closeAcrobat(ctx, false, 10));
  EXPECT_EQ(messagesTo(sdi), (std::vector<uint32_t>{wm::kClose, kDestroy}));
}

TEST_F(CloseAcrobatTest, ZeroTimeoutMakesOneSearchPass) {
  version = 6;
  const Hwnd h = windows().create(0, "AdobeAcrobat", "");
  EXPECT_FALSE(closeAcrobat(ctx, true, 0));  // still there after one pass
  EXPECT_EQ(windows().findCalls(), 2);       // the first find, then one pass

  windows().onMessage(h, kDestroy, [&] { windows().destroy(h); });
  EXPECT_TRUE(closeAcrobat(ctx, true, 0));
}

TEST_F(CloseAcrobatTest, WaitSearchesTheClassOfTheVersionUntilTheWindowGoes) {
  version = 9;
  const Hwnd sdi = windows().create(0, "AcrobatSDIWindow", "");
  int searches = 0;
  windows().onSearch([&] {
    if (++searches == 6 && windows().exists(sdi)) windows().destroy(sdi);
  });
  const double before = clockSeconds();
  EXPECT_TRUE(closeAcrobat(ctx, true, 10));
  EXPECT_GE(searches, 6);
  EXPECT_LT(clockSeconds() - before, 10.0);

  // Below 8 the wait looks for the old class only, so a new-class window
  // that stays counts as gone.
  version = 7;
  windows().create(0, "AcrobatSDIWindow", "");
  EXPECT_TRUE(closeAcrobat(ctx, true, 10));
}

TEST_F(CloseAcrobatTest, WaitIsBoundedAlsoAcrossMidnight) {
  version = 6;
  windows().create(0, "AdobeAcrobat", "");
  setClockSeconds(86399.5);  // the timer starts again from 0 during the wait
  const uint64_t startMs = tickMs();
  EXPECT_FALSE(closeAcrobat(ctx, true, 3));
  EXPECT_GE(tickMs() - startMs, 3000u);
  EXPECT_LE(tickMs() - startMs, 3200u);
}

}  // namespace
}  // namespace dv::lib

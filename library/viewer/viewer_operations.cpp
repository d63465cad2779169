#include "viewer/viewer_operations.h"

#include "dv/trace.h"
#include "dv/vb.h"
#include "frame/printers.h"
#include "relaylaunch/relay_launch.h"
#include "viewer/pdf_file_table.h"

namespace dv::lib {

namespace {

// Characters of the path as the shell sees them (UTF-16 code units).
size_t utf16Length(const std::string& utf8) {
  size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++units;  // a lead or single byte starts a character
    if (c >= 0xF0) ++units;           // four-byte sequences need a surrogate pair
  }
  return units;
}

// PostScript level 2, binary output allowed, no shrink to fit.
void printPages(const ObjectPtr& avDoc, bool silent, int32_t first, int32_t last) {
  avDoc->call(silent ? "PrintPagesSilent" : "PrintPages",
              {pos(first), pos(last), pos(int16_t{2}), pos(true), pos(false)});
}

OpenRequest shortOpenByView(const std::string& pdfFile, const OpenPassword& open) {
  return OpenRequest{pdfFile,          open.password,      open.openCaption, open.passwordCaption,
                     OpenForm::ByView, PasswordForm::Short};
}

// Switches the default printer for the length of a print and puts the
// previous one back, on the error path too.
class PrinterSwitch {
 public:
  explicit PrinterSwitch(ViewerContext& ctx) : ctx_(ctx) {}
  void to(const std::string& printer) {
    if (vb::Trim(printer).empty()) return;
    saved_ = currentDefaultPrinter(ctx_.host);
    setDefPrinter(ctx_.host, printer);
    switched_ = true;
  }
  void restore() {
    if (!switched_) return;
    switched_ = false;
    // Without a default before, the printer chosen must not stay the default.
    if (vb::Trim(saved_).empty()) clearDefaultPrinter(ctx_.host);
    else setDefPrinter(ctx_.host, saved_);
  }

 private:
  ViewerContext& ctx_;
  std::string saved_;
  bool switched_ = false;
};

// A bookmark tree deeper than this is taken to be a cycle in a damaged file.
constexpr int kMaxBookmarkDepth = 1000;

bool nameMatches(const std::string& candidate, const std::string& name, bool caseSensitive, bool wholeName) {
  if (wholeName) return caseSensitive ? vb::compareBinary(candidate, name) == 0 : vb::compareText(candidate, name) == 0;
  return vb::InStr(1, candidate, name, !caseSensitive) > 0;
}

bool findInChildren(const ObjectPtr& node, const std::string& name, bool caseSensitive, bool wholeName, int depth) {
  if (depth > kMaxBookmarkDepth) return false;
  Variant children;
  try {
    children = node->get("Children");
  } catch (const AutomationError&) {
    return false;  // a leaf: the viewer reports no children as an error
  }
  if (!children.isArray()) return false;
  const std::vector<Variant> list = children.arrayValue().elements();
  for (const Variant& item : list) {
    ObjectPtr child = asObject(item);
    if (nameMatches(vb::CStr(child->get("Name")), name, caseSensitive, wholeName)) {
      child->call("Execute");
      return true;
    }
    if (findInChildren(child, name, caseSensitive, wholeName, depth + 1)) return true;
  }
  return false;
}

}  // namespace

int32_t getNumPagesPdf(ViewerContext& ctx, const std::string& pdfFile, const OpenPassword& open) {
  requireExistingFile(ctx.host, pdfFile);
  ViewerObjects o;
  return withViewerErrorExit(o, ErrorExitSteps{}, [&] {
    Automation& automation = ctx.host.automation;
    o.app = automation.createObject(kProgIdApp);
    o.avDoc = automation.createObject(kProgIdAVDoc);
    o.pdDoc = automation.createObject(kProgIdPDDoc);
    openForRelay(ctx, o, shortOpenByView(pdfFile, open));
    o.pdDoc = asObject(o.avDoc->call("GetPDDoc"));
    const int32_t pages = vb::CLng(o.pdDoc->call("GetNumPages"));
    closeViewer(o, false);
    return pages;
  });
}

void printPdf(ViewerContext& ctx, const PrintPdfRequest& r) {
  requireExistingFile(ctx.host, r.pdfFile);
  ViewerObjects o;
  PrinterSwitch printer(ctx);
  ErrorExitSteps steps;
  steps.first = [&] { printer.restore(); };
  withViewerErrorExit(o, steps, [&] {
    Automation& automation = ctx.host.automation;
    o.app = automation.createObject(kProgIdApp);
    o.avDoc = automation.createObject(kProgIdAVDoc);
    o.pdDoc = automation.createObject(kProgIdPDDoc);
    openForRelay(ctx, o, shortOpenByView(r.pdfFile, r.open));
    o.pdDoc = asObject(o.avDoc->call("GetPDDoc"));
    printer.to(r.printer);
    // The interface counts pages from 1, the viewer from 0.
    const int32_t last = r.lastPage >= 1 ? r.lastPage - 1 : vb::CLng(o.pdDoc->call("GetNumPages")) - 1;
    const int32_t first = r.firstPage >= 1 ? r.firstPage - 1 : 0;
    printPages(o.avDoc, r.silent, first, last);
    printer.restore();
    closeViewer(o, false);
  });
}

void printPdfInDir(ViewerContext& ctx, const PrintPdfInDirRequest& r) {
  const std::string directory = withTrailingBackslash(r.directory);
  ViewerObjects o;
  PrinterSwitch printer(ctx);
  ErrorExitSteps steps;
  steps.first = [&] { printer.restore(); };
  steps.endViewer = false;  // this method creates no App
  withViewerErrorExit(o, steps, [&] {
    std::vector<PdfFileRow> rows = listPdfFiles(ctx.host.files, directory, r.files);
    if (rows.empty()) return;
    printer.to(r.printer);
    sortPdfFiles(rows, r.sortType, r.sortOrder);
    Automation& automation = ctx.host.automation;
    o.avDoc = automation.createObject(kProgIdAVDoc);
    o.pdDoc = automation.createObject(kProgIdPDDoc);
    for (const PdfFileRow& row : rows) {
      o.avDoc->call("Open", {pos(directory + row.name), pos("")});
      o.pdDoc = asObject(o.avDoc->call("GetPDDoc"));
      const int32_t last = vb::CLng(o.pdDoc->call("GetNumPages")) - 1;
      printPages(o.avDoc, r.silent, 0, last);
      o.avDoc->call("Close", {pos(true)});
    }
    o = ViewerObjects{};
    printer.restore();
  });
}

int32_t printApi(Host& host, const std::string& file) {
  // The shell resolves the file and its association in MAX_PATH buffers and
  // takes no "\\?\" long form, so a longer path can never be printed; very
  // long ones even overflow its stack (Wine's ShellExecuteW). A missing file
  // is answered here too: Wine's shell reports success for some names of no
  // file. Both get the shell's own answer, without calling it.
  if (utf16Length(file) >= kShellMaxPath || !host.files.fileExists(file)) return kShellFileNotFound;
  try {
    return static_cast<int32_t>(host.shell.execute("print", file, "", "", 1));
  } catch (...) {
    trace("printing " + file + " through the shell", currentErrorText());
    return 0;
  }
}

void openPdf(ViewerContext& ctx, const OpenPdfRequest& r) {
  requireExistingFile(ctx.host, r.pdfFile);
  ViewerObjects o;
  ErrorExitSteps steps;  // the viewer stays as it is: nothing is closed
  steps.closeView = false;
  steps.endViewer = false;
  withViewerErrorExit(o, steps, [&] {
    Automation& automation = ctx.host.automation;
    o.app = automation.createObject(kProgIdApp);
    o.pdDoc = automation.createObject(kProgIdPDDoc);
    std::vector<std::string> relays;
    if (startOpenRelays(ctx.host, r.pdfFile, r.open.password, r.open.openCaption, r.open.passwordCaption, &relays))
      openThroughMenu(ctx.host, *o.app, relays);
    // With a password these two address the document the dialogs opened.
    o.avDoc = automation.createObject(kProgIdAVDoc);
    o.avDoc->call("Open", {pos(r.pdfFile), pos("")});
    o.avDoc = asObject(o.app->call("GetActiveDoc"));
    o.pdDoc = asObject(o.avDoc->call("GetPDDoc"));
    o.app->call("Show");
    ObjectPtr jso = asObject(o.pdDoc->call("GetJSObject"));

    const double version = ctx.viewerVersion();
    if (!vb::Trim(r.bookmark).empty()) {
      if (version < 5.0) {
        ObjectPtr bookmark = automation.createObject(kProgIdBookmark);
        bookmark->call("GetByTitle", {pos(o.pdDoc), pos(r.bookmark)});
        bookmark->call("Perform", {pos(o.avDoc)});
      } else {
        findBookmarkByName(o.pdDoc, r.bookmark, false, true);
      }
    }
    if (r.goToPage > 0 && r.goToPage <= vb::CLng(jso->get("NumPages"))) jso->let("PageNum", Variant(r.goToPage - 1));
    if (version > 5.0) {
      if (r.readType == kReadCurrentPage) o.app->call("MenuItemExecute", {pos("ADBE:ReadAloudStart")});
      if (r.readType == kReadDocument) o.app->call("MenuItemExecute", {pos("ADBE:ReadAloudToEnd")});
    }
    o = ViewerObjects{};  // released, not closed: the document stays in view
  });
}

bool findBookmarkByName(const ObjectPtr& pdDoc, const std::string& name, bool caseSensitive, bool wholeName) {
  ObjectPtr jso = asObject(pdDoc->call("GetJSObject"));
  ObjectPtr root = asObject(jso->get("BookMarkRoot"));
  return findInChildren(root, name, caseSensitive, wholeName, 0);
}

}  // namespace dv::lib

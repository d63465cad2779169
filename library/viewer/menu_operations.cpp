#include "viewer/menu_operations.h"

#include <vector>

#include "dv/vb.h"
#include "relaylaunch/relay_launch.h"

namespace dv::lib {

namespace {

constexpr int16_t kSaveIncremental = 0;  // PDDoc Save type: changes only

// The relay splits its command line at every "~": a value holding one is
// refused before the document is opened, so that the refused call opens
// nothing and changes nothing. Only the fields are checked here; no relay
// is looked for or started.
void refuseSeparators(Host& host, const std::vector<RelayCommand>& commands) {
  const Relay probe(host, std::string());
  for (const RelayCommand& command : commands) (void)probe.commandLine(command);
}

// The relays of the open with a password (none without one), first in
// every check, as they are the first to start.
std::vector<RelayCommand> withOpenRelays(const std::string& pdfFile, const OpenPassword& open,
                                         std::vector<RelayCommand> later) {
  std::vector<RelayCommand> all;
  if (!vb::Trim(open.password).empty())
    all = {relayOpen(open.openCaption, pdfFile), relayPassword(open.passwordCaption, open.password)};
  all.insert(all.end(), later.begin(), later.end());
  return all;
}

OpenRequest documentWithView(const std::string& pdfFile, const OpenPassword& open, OpenForm form) {
  return OpenRequest{pdfFile, open.password, open.openCaption, open.passwordCaption, form, PasswordForm::Long};
}

// A menu command whose dialogs the relays answer. When the command fails
// the dialogs may never have come: the relays still waiting are ended, so
// that none fills the same dialog of a later call.
void menuItem(Host& host, Object& app, const std::string& item, const std::vector<std::string>& relays) {
  try {
    app.call("MenuItemExecute", {pos(item)});
  } catch (...) {
    endRelays(host, relays);
    throw;
  }
}

// Opens the document (App and PDDoc created first), runs `body` on it and
// ends with the view and the document closed and the viewer ended, on
// the error path too.
template <class Body>
void onDocument(ViewerContext& ctx, const OpenRequest& request, Body&& body) {
  ViewerObjects o;
  ErrorExitSteps steps;
  steps.closeDocument = true;
  withViewerErrorExit(o, steps, [&] {
    o.app = ctx.host.automation.createObject(kProgIdApp);
    o.pdDoc = ctx.host.automation.createObject(kProgIdPDDoc);
    openForRelay(ctx, o, request);
    body(o);
    closeViewer(o, true);
  });
}

}  // namespace

int32_t clampOrZero(int32_t value, int32_t last) { return value < 0 || value > last ? 0 : value; }

void reduceFileSize(ViewerContext& ctx, const ReduceFileSizeRequest& r) {
  requireExistingFile(ctx.host, r.pdfFile);
  const double viewer = ctx.viewerVersion();
  int32_t level = clampOrZero(r.version, kVersionLast);
  // The compatibility list of a viewer up to 7.0 ends at its own level and
  // its relay knows positions 0 to 3 only: 4 would select nothing and leave
  // the dialog waiting for a user. Its last entry is the newest level that
  // viewer can write.
  if (viewer <= 7.0 && level == kVersionLast) level = kVersionLast - 1;
  const std::vector<RelayCommand> relays{relayReduceFileSize(viewer, r.reduceCaption, level),
                                         relaySaveAs(r.saveCaption, r.pdfFile)};
  refuseSeparators(ctx.host, withOpenRelays(r.pdfFile, r.open, relays));
  onDocument(ctx, documentWithView(r.pdfFile, r.open, OpenForm::ByDocumentWithViewTitle), [&](ViewerObjects& o) {
    const Relay relay = locateRelay(ctx.host);
    // The reduced document is saved over its source; the save-as relay
    // also confirms the question whether to replace it.
    menuItem(ctx.host, *o.app, "ReduceFileSize", relay.start(relays));
  });
}

void saveFileAs(ViewerContext& ctx, const SaveFileAsRequest& r) {
  requireExistingFile(ctx.host, r.pdfFile);
  const RelayCommand saveAs =
      relaySaveAsWithType(ctx.viewerVersion(), r.saveCaption, r.file, clampOrZero(r.fileType, kFileTypeLast));
  refuseSeparators(ctx.host, withOpenRelays(r.pdfFile, r.open, {saveAs}));
  onDocument(ctx, documentWithView(r.pdfFile, r.open, OpenForm::ByDocumentWithViewTitle), [&](ViewerObjects& o) {
    // Gone before anything later can fail, so a failed save leaves no
    // target. The viewer holds its open document's file: naming the source
    // as the target fails here, and the source stays as it is.
    if (ctx.host.files.fileExists(r.file)) vb::Kill(ctx.host.files, r.file);
    const Relay relay = locateRelay(ctx.host);
    menuItem(ctx.host, *o.app, "SaveAs", relay.start({saveAs}));
  });
}

void setOpenPassword(ViewerContext& ctx, const SetOpenPasswordRequest& r) {
  requireExistingFile(ctx.host, r.pdfFile);
  const std::vector<RelayCommand> relays{relayPasswordSecurity(r.settingsCaption, r.password),
                                         relayConfirmOpenPassword(r.confirmCaption, r.password), relayAcrobatNotice()};
  refuseSeparators(ctx.host, relays);
  // The document has no open password yet: always by document with view.
  onDocument(ctx, documentWithView(r.pdfFile, OpenPassword{}, OpenForm::ByDocumentWithView), [&](ViewerObjects& o) {
    const Relay relay = locateRelay(ctx.host);
    menuItem(ctx.host, *o.app, "SecureApplyPwdSecurity", relay.start(relays));
    o.app->call("MenuItemExecute", {pos("Save")});
  });
}

void createPageHeaderInPdf(ViewerContext& ctx, const PageHeaderRequest& r) {
  requireExistingFile(ctx.host, r.pdfFile);
  HeaderFooterFields fields;
  fields.intFontName = r.fontName;
  fields.intFontSize = r.fontSize;
  fields.intPageStyle = r.pageStyle;
  fields.lngPageAlign = clampOrZero(r.pageAlign, kAlignLast);
  fields.intDateStyle = r.dateStyle;
  fields.lngDateAlign = clampOrZero(r.dateAlign, kAlignLast);
  fields.strCustomText = r.customText;
  fields.lngCustomTextAlign = clampOrZero(r.customTextAlign, kAlignLast);
  const RelayCommand headers = relayHeadersFooters(ctx.viewerVersion(), r.headerCaption, fields);
  refuseSeparators(ctx.host, withOpenRelays(r.pdfFile, r.open, {headers}));
  onDocument(ctx, documentWithView(r.pdfFile, r.open, OpenForm::ByDocumentWithView), [&](ViewerObjects& o) {
    // Located again for this dialog; without a relay the command goes on
    // and its dialog waits for a user.
    std::vector<std::string> started;
    if (const std::optional<Relay> relay = findRelay(ctx.host)) started = relay->start({headers});
    menuItem(ctx.host, *o.app, "COMP:AddHeadFoot", started);
    o.pdDoc->call("Save", {pos(kSaveIncremental), pos(r.pdfFile)});
  });
}

void createLinksInPdf(ViewerContext& ctx, const std::string& pdfFile, const OpenPassword& open) {
  requireExistingFile(ctx.host, pdfFile);
  refuseSeparators(ctx.host, withOpenRelays(pdfFile, open, {}));
  onDocument(ctx, documentWithView(pdfFile, open, OpenForm::ByDocumentWithView), [&](ViewerObjects& o) {
    {
      const ObjectPtr jso = asObject(o.pdDoc->call("GetJSObject"));
      jso->call("AddWebLinks");
    }  // released before the save
    o.pdDoc->call("Save", {pos(kSaveIncremental), pos(pdfFile)});
  });
}

}  // namespace dv::lib

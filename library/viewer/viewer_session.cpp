#include "viewer/viewer_session.h"

#include <exception>

#include "dv/trace.h"
#include "dv/vb.h"
#include "relaylaunch/relay_launch.h"

namespace dv::lib {

namespace {

constexpr uint32_t kWmDestroy = 0x0002;
// Pause between searches while waiting for the viewer to go away, so the
// wait neither spins the processor nor starves a fake clock in tests.
constexpr uint32_t kClosePollMs = 50;

template <class F>
void ignoringErrors(F&& f) {
  try {
    f();
  } catch (...) {
    trace("viewer clean-up", currentErrorText());
  }
}

}  // namespace

Hwnd findViewerWindow(Windows& windows) {
  if (Hwnd h = windows.findWindow(std::string("AdobeAcrobat"), std::nullopt)) return h;
  if (Hwnd h = windows.findWindow(std::string("AcrobatSDIWindow"), std::nullopt)) return h;
  if (Hwnd h = windows.findWindow(std::nullopt, std::string("adobe acrobat professional"))) return h;
  return windows.findWindow(std::nullopt, std::string("adobe acrobat standard"));
}

void requireExistingFile(Host& host, const std::string& path) {
  if (!host.files.fileLength(path)) vb::raiseLibrary("File " + path + " does not exist.");
}

std::string viewTitle(const std::string& path) {
  const auto slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void openThroughMenu(Host& host, Object& app, const std::vector<std::string>& relays) {
  try {
    app.call("MenuItemExecute", {pos("Open")});
  } catch (...) {
    endRelays(host, relays);
    throw;
  }
}

void openForRelay(ViewerContext& ctx, ViewerObjects& objects, const OpenRequest& request) {
  if (!vb::Trim(request.password).empty()) {
    // The viewer's automation cannot take a password: open through its menu
    // and let the relays type the path and the password into the dialogs.
    std::vector<std::string> relays;
    startOpenRelays(ctx.host, request.pdfPath, request.password, request.openCaption, request.passwordCaption, &relays);
    openThroughMenu(ctx.host, *objects.app, relays);
    if (request.passwordForm == PasswordForm::Long) {
      objects.avDoc = ctx.host.automation.createObject(kProgIdAVDoc);
      objects.avDoc->call("Open", {pos(request.pdfPath), pos("")});
    }
    objects.avDoc = asObject(objects.app->call("GetActiveDoc"));
    objects.pdDoc = asObject(objects.avDoc->call("GetPDDoc"));
    return;
  }
  switch (request.form) {
    case OpenForm::ByView:
      objects.avDoc->call("Open", {pos(request.pdfPath), pos("")});
      objects.pdDoc = asObject(objects.avDoc->call("GetPDDoc"));
      return;
    case OpenForm::ByDocumentWithView:
    case OpenForm::ByDocumentWithViewTitle: {
      objects.pdDoc->call("Open", {pos(request.pdfPath)});
      // Viewers up to 5.0 take no title here.
      std::string title;
      if (request.form == OpenForm::ByDocumentWithViewTitle || ctx.viewerVersion() > 5.0)
        title = viewTitle(request.pdfPath);
      objects.avDoc = asObject(objects.pdDoc->call("OpenAVDoc", {pos(title)}));
      return;
    }
    case OpenForm::ByDocument:
      objects.pdDoc->call("Open", {pos(request.pdfPath)});
      return;
  }
}

void viewerCleanup(ViewerObjects& objects, const ErrorExitSteps& steps) {
  if (steps.first) ignoringErrors(steps.first);
  if (steps.closeView && objects.avDoc) ignoringErrors([&] { objects.avDoc->call("Close", {pos(true)}); });
  if (steps.closeDocument && objects.pdDoc) ignoringErrors([&] { objects.pdDoc->call("Close"); });
  if (steps.endViewer && objects.app) ignoringErrors([&] { objects.app->call("Exit"); });
  objects = ViewerObjects{};
}

void reraiseCurrent() {
  try {
    throw;
  } catch (const AutomationError& e) {
    throw AutomationError(e.number(), vb::kLibrarySource, e.description());
  }
}

void closeViewer(ViewerObjects& objects, bool closeDocument) {
  if (objects.avDoc) objects.avDoc->call("Close", {pos(true)});
  if (closeDocument && objects.pdDoc) objects.pdDoc->call("Close");
  if (objects.app) objects.app->call("Exit");
  objects = ViewerObjects{};
}

bool closeAcrobat(ViewerContext& ctx, bool waitUntilClosed, int16_t timeoutSeconds) {
  Windows& windows = ctx.host.windows;
  Clock& clock = ctx.host.clock;
  Hwnd h = 0;
  ignoringErrors([&] { h = findViewerWindow(windows); });
  if (h == 0) return false;

  // Viewers from 8 on ignore a bare WM_DESTROY; earlier ones need nothing else.
  ignoringErrors([&] {
    if (ctx.viewerVersion() > 7.0) windows.send(h, wm::kClose, 0, 0);
  });
  intptr_t destroyResult = -1;
  ignoringErrors([&] { destroyResult = windows.send(h, kWmDestroy, 0, 0); });
  if (!waitUntilClosed) return destroyResult == 0;

  // The deadline is on the seconds-since-midnight timer, single precision;
  // the monotonic counter bounds the wait as well, so that a wait spanning
  // midnight (where the timer starts again from 0) still ends in time.
  const float deadline = static_cast<float>(clock.secondsSinceMidnight() + timeoutSeconds);
  const uint64_t startMs = clock.tickMs();
  const int64_t boundMs = static_cast<int64_t>(timeoutSeconds) * 1000;
  for (;;) {
    ignoringErrors([&] { ctx.host.pump.pump(); });
    if (h == 0) break;
    ignoringErrors([&] {
      const char* cls = ctx.viewerVersion() < 8.0 ? "AdobeAcrobat" : "AcrobatSDIWindow";
      h = windows.findWindow(std::string(cls), std::nullopt);
    });
    if (h == 0) break;
    if (!(clock.secondsSinceMidnight() < deadline)) break;
    if (static_cast<int64_t>(clock.tickMs() - startMs) >= boundMs) break;
    clock.sleepMs(kClosePollMs);
  }
  return h == 0;
}

bool isAcrobatHidden(ViewerContext& ctx) {
  try {
    return findViewerWindow(ctx.host.windows) != 0;
  } catch (...) {
    trace("looking for the viewer's window", currentErrorText());
    return false;
  }
}

}  // namespace dv::lib

// What every operation on an existing PDF shares: reaching the viewer's
// automation objects, opening a document (with the relay answering the
// open and password dialogs when a password is given), finding the
// viewer's main window, and the common error exit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dv/automation.h"
#include "dv/host.h"

namespace dv::lib {

inline constexpr const char* kProgIdApp = "AcroExch.App";
inline constexpr const char* kProgIdAVDoc = "AcroExch.AVDoc";
inline constexpr const char* kProgIdPDDoc = "AcroExch.PDDoc";
inline constexpr const char* kProgIdBookmark = "AcroExch.PDBookmark";

// The surroundings of a viewer operation.
struct ViewerContext {
  Host& host;
  // The viewer version: AcrobatVersion read as a number. Read anew at every
  // use, because it is a per-thread value that a later CreatePDF may change.
  std::function<double()> viewerVersion;
};

// The automation objects of one call. Released with the struct.
struct ViewerObjects {
  ObjectPtr app;
  ObjectPtr avDoc;
  ObjectPtr pdDoc;
};

// How a method opens its document when no password is given.
enum class OpenForm {
  ByView,                   // AVDoc Open, then GetPDDoc
  ByDocumentWithView,       // PDDoc Open, OpenAVDoc(title only above version 5.0)
  ByDocumentWithViewTitle,  // the same, always with the title
  ByDocument,               // PDDoc Open, no view
};

// How a method addresses the document that the open dialog opened.
enum class PasswordForm {
  Short,  // AVDoc = App GetActiveDoc
  Long,   // a new AVDoc Open(path, ""), then App GetActiveDoc
};

struct OpenRequest {
  std::string pdfPath;
  std::string password;  // passed on exactly as given; blanks only = none
  std::string openCaption = "open";
  std::string passwordCaption = "password";
  OpenForm form = OpenForm::ByView;
  PasswordForm passwordForm = PasswordForm::Long;
};

// The main window of a running viewer, or 0.
Hwnd findViewerWindow(Windows& windows);

// Raises "File <path> does not exist." unless the file's length can be read.
void requireExistingFile(Host& host, const std::string& path);

// The view title of the open-by-document-with-view form: the part of the
// path after its last "\" (the whole path when it has none).
std::string viewTitle(const std::string& path);

// The viewer's Open menu item, whose dialogs the relays started for it
// answer; when the item fails, those relays are ended.
void openThroughMenu(Host& host, Object& app, const std::vector<std::string>& relays);

// Opens the document. The caller has created App and PDDoc (and AVDoc for
// OpenForm::ByView); on return AVDoc (except ByDocument) and PDDoc address
// the open document.
void openForRelay(ViewerContext& ctx, ViewerObjects& objects, const OpenRequest& request);

// What the error exit closes besides the view and the viewer.
struct ErrorExitSteps {
  // Method-specific first steps (put a printer back, close a file). Their
  // own failures are ignored so that the original error survives.
  std::function<void()> first;
  bool closeDocument = false;  // PDDoc Close (the open-by-document forms)
  bool endViewer = true;       // App Exit when App is set
  bool closeView = true;       // AVDoc Close(True) when AVDoc is set
};

// Runs the clean-up of the error exit. Never raises.
void viewerCleanup(ViewerObjects& objects, const ErrorExitSteps& steps);

// Raises the error that is being handled again, with its number and
// description and the library's source. Call only inside a catch block.
[[noreturn]] void reraiseCurrent();

// Runs body under the viewer error exit: on any error the clean-up runs,
// then the error is raised again unchanged in number and description.
template <class Body>
decltype(auto) withViewerErrorExit(ViewerObjects& objects, const ErrorExitSteps& steps, Body&& body) {
  try {
    return body();
  } catch (...) {
    viewerCleanup(objects, steps);
    reraiseCurrent();
  }
}

// The normal end of a viewer method: AVDoc Close(True), PDDoc Close when it
// opened the document itself, App Exit, release. Errors raise.
void closeViewer(ViewerObjects& objects, bool closeDocument);

// CloseAcrobat: ends a running viewer through its main window.
bool closeAcrobat(ViewerContext& ctx, bool waitUntilClosed, int16_t timeoutSeconds);

// IsAcrobatHidden: whether any viewer main window exists.
bool isAcrobatHidden(ViewerContext& ctx);

}  // namespace dv::lib

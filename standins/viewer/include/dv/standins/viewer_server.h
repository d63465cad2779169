// The one viewer of the desktop, as the viewer's automation objects share
// it: its main window (hidden until shown), its open documents, the front
// document, and the modal dialogs it shows. App, AVDoc, PDBookmark (here)
// and PDDoc with the document's JavaScript object (the document side) all
// work on this one state; in the Wine prefix it lives in the local server
// process, so every client on the desktop meets the same viewer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dv/standins/file_hold.h"
#include "dv/standins/standin.h"
#include "dv/standins/viewer_dialogs.h"
#include "dv/standins/viewer_document.h"

namespace dv::standins {

// How the viewer shows itself. Under Wine: a real main window and real
// modal dialogs (viewer_server_win32.cpp); in native tests: a scripted
// double.
class ViewerUi {
 public:
  virtual ~ViewerUi() = default;
  // Creates the main window, hidden, with the window class of the version.
  virtual void start(const std::string& windowClass) = 0;
  virtual void show() = 0;
  // Titles the main window (after a document the viewer converted).
  virtual void setTitle(const std::string&) {}
  // Destroys the main window; the viewer has ended.
  virtual void end() = 0;
  // A modal dialog titled `caption` with one edit field and OK/Cancel; the
  // text confirmed, nullopt when cancelled.
  virtual std::optional<std::string> ask(const std::string& caption, const std::string& prompt, bool secret) = 0;
  // A modal dialog of a menu command; what it held when confirmed, nullopt
  // when cancelled or nobody answered in time. A viewer without a screen
  // has nobody to answer.
  virtual std::optional<DialogAnswer> showDialog(const DialogLayout&) { return std::nullopt; }
};

// What opening a real PDF file gives.
struct PdfProbe {
  enum class Status { Opened, NeedsPassword, Unreadable };
  Status status = Status::Unreadable;
  int32_t pages = 0;
  std::shared_ptr<const PdfFacts> facts;  // what opening read, when it opened
};
// Opens `clientPath` with dv-pdftool, with the password when one is given.
PdfProbe probePdf(const std::string& clientPath, const std::string& password);

// One document window of the viewer.
struct ViewerView {
  int id = 0;
  std::string path;      // as the client named it
  std::string password;  // the one that opened it; empty when none was needed
  std::string title;     // the view title given at opening (may be empty)
  int32_t pages = 0;
  int32_t currentPage = 0;         // counted from 0, as the viewer does
  std::shared_ptr<FileHold> hold;  // the window's file, held while it is open
  // Where the view stands on its page (JavaScript mouseX, mouseY) and the
  // text FindText found last: its page (-1: none), its word, its point.
  double mouseX = 0, mouseY = 0;
  int32_t foundPage = -1;
  size_t foundWord = 0;
  double foundLeft = 0, foundTop = 0;
  std::shared_ptr<const Json> text;  // the pages' words, read at the first search
  // The file's facts as opening read them: its PDDoc starts from them
  // instead of reading the held file again.
  std::shared_ptr<const PdfFacts> facts;
};

class SharedViewer {
 public:
  static SharedViewer& instance();

  void setUi(ViewerUi* ui) { ui_ = ui; }
  ViewerUi& ui();
  // The viewer version text (AcrobatVersion of the registry under Wine; the
  // "AcrobatVersion" setting natively, "9.0" by default).
  void setVersionSource(std::function<std::string()> source) { versionSource_ = std::move(source); }
  double version() const;
  // "AdobeAcrobat" below version 8, "AcrobatSDIWindow" from 8 on.
  std::string windowClass() const;
  // The printer a print goes to: the system default printer.
  void setPrinterSource(std::function<std::string()> source) { printerSource_ = std::move(source); }
  std::string printer() const;

  // Starts the viewer (its hidden main window) unless it runs.
  void ensureRunning();
  bool running() const { return running_; }
  bool visible() const { return visible_; }
  void show();
  // Closes every document and ends the viewer (App Exit, or its main window
  // closed or destroyed).
  void end();

  // Open document windows. The last opened or brought to front is the active one.
  ViewerView* find(const std::string& path);
  ViewerView* byId(int id);
  ViewerView* active();
  ViewerView& add(const std::string& path, const std::string& password, int32_t pages, const std::string& title);
  void activate(int id);
  void close(int id);
  const std::vector<ViewerView>& documents() const { return documents_; }

  // Opens a document the way the viewer's own "Open" command does: the
  // open dialog, then the password dialog for an encrypted file. The
  // opened document, or nullptr when cancelled or the password was wrong.
  ViewerView* openThroughDialogs();
  // Opens a file named by a client (AVDoc Open): an open document is only
  // addressed; an encrypted one asks for its password.
  ViewerView* openFile(const std::string& path, const std::string& title);

  // The PDDoc object of an open document. The document side installs how
  // to make one; by default a PDDoc is created by ProgID and opened.
  using PdDocProvider = std::function<ObjectPtr(const ViewerView&)>;
  void setPdDocProvider(PdDocProvider provider) { pdDocProvider_ = std::move(provider); }
  ObjectPtr pdDocOf(const ViewerView& doc);
  // Makes `pdDoc` the PDDoc of an open window (PDDoc OpenAVDoc).
  void attachPdDoc(int viewId, const ObjectPtr& pdDoc);
  // The open document a PDDoc object stands for, or nullptr.
  ViewerView* documentOf(const ObjectPtr& pdDoc);

  // Native tests: back to a viewer that is not running.
  void reset();

 private:
  ViewerUi* ui_ = nullptr;
  std::function<std::string()> versionSource_;
  std::function<std::string()> printerSource_;
  PdDocProvider pdDocProvider_;
  bool running_ = false;
  bool visible_ = false;
  int nextId_ = 1;
  std::vector<ViewerView> documents_;  // in order of activation, the active one last
  std::vector<std::pair<std::weak_ptr<Object>, int>> pdDocs_;
};

}  // namespace dv::standins

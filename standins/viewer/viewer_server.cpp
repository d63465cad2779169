#include "dv/standins/viewer_server.h"

#include <algorithm>
#include <cstdlib>

#include "dv/standins/pdf_file.h"
#include "dv/standins/viewer_images.h"
#include "dv/vb.h"

namespace dv::standins {

namespace {

// A viewer without a screen: nothing to show, and every dialog is
// cancelled, as if nobody were there to answer it.
class HeadlessUi : public ViewerUi {
 public:
  void start(const std::string&) override {}
  void show() override {}
  void end() override {}
  std::optional<std::string> ask(const std::string&, const std::string&, bool) override { return std::nullopt; }
};

}  // namespace

PdfProbe probePdf(const std::string& clientPath, const std::string& password) {
  PdfProbe probe;
  bool needsPassword = false;
  const std::optional<PdfFacts> facts = readPdf(toolRunner(), clientPath, password, &needsPassword);
  if (facts) {
    probe.status = PdfProbe::Status::Opened;
    probe.pages = facts->pages;
    probe.facts = std::make_shared<const PdfFacts>(*facts);
  } else if (needsPassword) {
    probe.status = PdfProbe::Status::NeedsPassword;
  }
  return probe;
}

SharedViewer& SharedViewer::instance() {
  static SharedViewer viewer;
  return viewer;
}

ViewerUi& SharedViewer::ui() {
  static HeadlessUi headless;
  return ui_ ? *ui_ : headless;
}

double SharedViewer::version() const {
  const std::string text = versionSource_ ? versionSource_() : Control::instance().setting("AcrobatVersion", "9.0");
  return vb::Val(text);
}

std::string SharedViewer::windowClass() const { return version() < 8.0 ? "AdobeAcrobat" : "AcrobatSDIWindow"; }

std::string SharedViewer::printer() const {
  return printerSource_ ? printerSource_() : Control::instance().setting("DefaultPrinter", "Default Printer");
}

void SharedViewer::ensureRunning() {
  if (running_) return;
  running_ = true;
  visible_ = false;
  ui().start(windowClass());
}

void SharedViewer::show() {
  ensureRunning();
  visible_ = true;
  ui().show();
}

void SharedViewer::end() {
  documents_.clear();
  pdDocs_.clear();
  if (!running_) return;
  running_ = false;
  visible_ = false;
  ui().end();
}

ViewerView* SharedViewer::find(const std::string& path) {
  for (auto& d : documents_)
    if (vb::compareText(d.path, path) == 0) return &d;
  return nullptr;
}

ViewerView* SharedViewer::byId(int id) {
  for (auto& d : documents_)
    if (d.id == id) return &d;
  return nullptr;
}

ViewerView* SharedViewer::active() { return documents_.empty() ? nullptr : &documents_.back(); }

ViewerView& SharedViewer::add(const std::string& path, const std::string& password, int32_t pages,
                              const std::string& title) {
  ensureRunning();
  ViewerView view;
  view.id = nextId_++;
  view.path = path;
  view.password = password;
  view.title = title;
  view.pages = pages;
  view.hold = FileHold::take(path);
  documents_.push_back(std::move(view));
  return documents_.back();
}

void SharedViewer::activate(int id) {
  auto it = std::find_if(documents_.begin(), documents_.end(), [&](const auto& d) { return d.id == id; });
  if (it != documents_.end()) std::rotate(it, it + 1, documents_.end());
}

void SharedViewer::close(int id) {
  std::erase_if(documents_, [&](const auto& d) { return d.id == id; });
  std::erase_if(pdDocs_, [&](const auto& p) { return p.second == id || p.first.expired(); });
}

ViewerView* SharedViewer::openThroughDialogs() {
  ensureRunning();
  const std::optional<std::string> path = ui().ask("Open", "File name:", false);
  if (!path || path->empty()) return nullptr;
  return openFile(*path, "");
}

ViewerView* SharedViewer::openFile(const std::string& path, const std::string& title) {
  ensureRunning();
  if (ViewerView* open = find(path)) {
    activate(open->id);
    return active();
  }
  // An image opens converted to a PDF, which the window then shows.
  std::string file = path;
  if (isImageFile(path)) {
    std::optional<std::string> converted = imageAsPdf(path);
    if (!converted) return nullptr;
    file = *converted;
  }
  PdfProbe probe = probePdf(file, "");
  std::string password;
  if (probe.status == PdfProbe::Status::NeedsPassword) {
    const std::optional<std::string> given =
        ui().ask("Password", "'" + path + "' is protected. Please enter a Document Open Password.", true);
    if (!given) return nullptr;
    password = *given;
    probe = probePdf(file, password);
  }
  // A wrong password or a damaged file opens nothing. (The viewer would
  // tell the user so; the stand-in keeps quiet, so that no second dialog
  // waits for an answer nobody is going to give.)
  if (probe.status != PdfProbe::Status::Opened) return nullptr;
  ViewerView& view = add(file, password, probe.pages, title);
  view.facts = probe.facts;
  return &view;
}

ObjectPtr SharedViewer::pdDocOf(const ViewerView& doc) {
  for (const auto& [weak, id] : pdDocs_)
    if (id == doc.id)
      if (ObjectPtr p = weak.lock()) return p;
  ObjectPtr pdDoc;
  if (pdDocProvider_) {
    pdDoc = pdDocProvider_(doc);
  } else {
    pdDoc = pdDocOnViewerFile(doc.path, doc.password, doc.facts);
  }
  pdDocs_.emplace_back(pdDoc, doc.id);
  return pdDoc;
}

void SharedViewer::attachPdDoc(int viewId, const ObjectPtr& pdDoc) {
  std::erase_if(pdDocs_, [&](const auto& p) { return p.second == viewId || p.first.expired(); });
  pdDocs_.emplace_back(pdDoc, viewId);
}

ViewerView* SharedViewer::documentOf(const ObjectPtr& pdDoc) {
  for (const auto& [weak, id] : pdDocs_)
    if (weak.lock() == pdDoc) return byId(id);
  return nullptr;
}

void SharedViewer::reset() {
  documents_.clear();
  pdDocs_.clear();
  running_ = visible_ = false;
  nextId_ = 1;
}

}  // namespace dv::standins

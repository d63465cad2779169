#include "convert/generic.h"

#include <utility>
#include <vector>

#include "convert/text_file.h"
#include "dv/trace.h"
#include "dv/vb.h"

namespace dv::lib {

namespace {

constexpr uint32_t kWindowPollMs = 100;

std::string fileNameOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

template <class F>
void quietly(const char* what, F&& step) noexcept {
  try {
    step();
  } catch (...) {
    trace(what, currentErrorText());
  }
}

// The viewer objects of one call, ended in reverse order on every path.
struct ViewerObjects {
  ObjectPtr app, avDoc, pdDoc;

  // Error path: close what is open without saving, end the viewer.
  void abandon() noexcept {
    if (pdDoc) quietly("closing the PDF document after a failure", [&] { pdDoc->call("Close"); });
    if (avDoc) quietly("closing the document window after a failure", [&] { avDoc->call("Close", {pos(true)}); });
    if (app) quietly("ending the viewer after a failure", [&] { app->call("Exit"); });
    pdDoc.reset();
    avDoc.reset();
    app.reset();
  }
};

bool isTrue(const Variant& v) { return vb::CBool(v); }

// GetActiveDoc answers Nothing when no document is in view.
ObjectPtr activeDocument(Object& app) {
  const Variant doc = app.call("GetActiveDoc");
  return doc.target().isObject() ? doc.target().objectValue() : nullptr;
}

}  // namespace

std::vector<std::string> launchWindowTitles(const std::string& sourceFile, double viewerVersion) {
  const std::string name = vb::LCase(fileNameOf(sourceFile));
  const size_t firstDot = name.find('.');
  const size_t lastDot = name.rfind('.');
  // The historical form (up to and including the first dot, then "pdf"), then
  // the name with its extension replaced, as the viewer shows it.
  std::vector<std::string> bases{firstDot == std::string::npos ? name + "pdf" : name.substr(0, firstDot + 1) + "pdf"};
  const std::string replaced = (lastDot == std::string::npos ? name : name.substr(0, lastDot)) + ".pdf";
  if (replaced != bases[0]) bases.push_back(replaced);
  std::vector<std::string> titles;
  for (const std::string& base : bases) {
    if (viewerVersion < 8) {
      titles.push_back("adobe acrobat - [" + base + "]");
      titles.push_back("adobe acrobat professional - [" + base + "]");
    } else {
      titles.push_back(base + " - adobe acrobat");
      titles.push_back(base + " - adobe acrobat professional");
    }
  }
  return titles;
}

std::string pictureViewerCommandLine(Host& host, const std::string& imageFile, const std::string& printer) {
  return "\"" + host.shell.systemDirectory() + "\\RunDll32.exe\" shimgvw.dll,ImageView_PrintTo /pt \"" + imageFile +
         "\" \"" + printer + "\"";
}

void createPDF(ConversionContext& ctx, const std::string& sourceFile, const std::string& pdf, int16_t secsToWait) {
  Host& host = ctx.host();
  if (!host.files.fileExists(sourceFile)) raiseMissingInput(sourceFile);
  ObjectPtr launcher;
  ViewerObjects viewer;
  bool pdfStarted = false;
  bool viewerClosed = false;
  withConversionErrorExit(
      [&] {
        launcher = host.automation.createObject(kAddInProgId);
        if (host.files.fileExists(pdf)) vb::Kill(host.files, pdf);
        pdfStarted = true;
        launcher->call("LaunchDocument", {pos(sourceFile), pos(int16_t{0})});
        // The viewer shows the converted document in its window; its
        // version is read again on every pass, as the viewer may have
        // started only now.
        const uint64_t start = host.clock.tickMs();
        for (;;) {
          host.pump.pump();
          bool found = false;
          for (const std::string& title : launchWindowTitles(sourceFile, ctx.viewerVersion())) {
            if (host.windows.findWindow(std::nullopt, title) != 0) {
              found = true;
              break;
            }
          }
          if (found) break;
          if (host.clock.tickMs() - start >= uint64_t{kLaunchWindowSeconds} * 1000)
            vb::raiseLibrary("The viewer did not show the document " +
                             launchWindowTitles(sourceFile, ctx.viewerVersion()).front() + " within " +
                             std::to_string(kLaunchWindowSeconds) + " seconds.");
          host.clock.sleepMs(kWindowPollMs);
        }
        // In 32 bits: 33 seconds and more are valid waits; a negative one
        // waits nothing.
        const int32_t waitMs = int32_t{secsToWait} * 1000;
        if (waitMs > 0) host.clock.sleepMs(static_cast<uint32_t>(waitMs));
        viewer.app = host.automation.createObject(kViewerAppProgId);
        viewer.avDoc = host.automation.createObject(kViewerAVDocProgId);
        viewer.avDoc = activeDocument(*viewer.app);
        bool saved = false;
        const bool valid = viewer.avDoc && isTrue(viewer.avDoc->call("IsValid"));
        if (valid) {
          viewer.pdDoc = asObject(viewer.avDoc->call("GetPDDoc"));
          saved = isTrue(viewer.pdDoc->call("Save", {pos(kSaveFullLinearized), pos(pdf)}));
          viewer.pdDoc->call("Close");
          viewer.pdDoc.reset();
        }
        if (viewer.avDoc) viewer.avDoc->call("Close", {pos(true)});
        viewer.avDoc.reset();
        viewer.app->call("Exit");
        viewer.app.reset();
        ctx.closeAcrobat(true, 10);
        viewerClosed = true;
        launcher.reset();
        if (!valid) vb::raiseLibrary("Acrobat showed no document for " + sourceFile + ".");
        if (!saved) vb::raiseLibrary("Acrobat could not save " + pdf + ".");
      },
      [&] {
        viewer.abandon();
        if (!viewerClosed) quietly("closing the viewer after a failure", [&] { ctx.closeAcrobat(true, 10); });
        launcher.reset();
        if (pdfStarted) deleteQuietly(host.files, pdf);
      });
}

void createPDFfromMiscFile(ConversionContext& ctx, const std::string& pdf, const std::string& miscFile,
                           std::string& printer, const DistillSettings& settings) {
  PlainWordPrintJob job(ctx.host().automation, miscFile, true);
  runDistillerShape(ctx, miscFile, job, {&printer, false}, pdf, settings);
}

void createPSfromMiscFile(ConversionContext& ctx, const std::string& ps, const std::string& miscFile,
                          std::string& distiller) {
  PlainWordPrintJob job(ctx.host().automation, miscFile, true);
  runPostScriptShape(ctx, miscFile, job, {&distiller, true}, ps);
}

void createPSfromMiscFile2(ConversionContext& ctx, const std::string& ps, const std::string& miscFile,
                           std::string& printer) {
  PlainWordPrintJob job(ctx.host().automation, miscFile, true);
  runPostScriptShape(ctx, miscFile, job, {&printer, false}, ps);
}

void createPDFfromImageFile(ConversionContext& ctx, const std::string& pdf, const std::string& imageFile,
                            const DocumentInfo& info) {
  Host& host = ctx.host();
  if (!host.files.fileExists(imageFile)) raiseMissingInput(imageFile);
  ViewerObjects viewer;
  bool pdfStarted = false;
  withConversionErrorExit(
      [&] {
        viewer.app = host.automation.createObject(kViewerAppProgId);
        viewer.avDoc = host.automation.createObject(kViewerAVDocProgId);
        viewer.avDoc->call("Open", {pos(imageFile), pos(std::string())});
        viewer.avDoc = activeDocument(*viewer.app);
        if (!viewer.avDoc || !isTrue(viewer.avDoc->call("IsValid"))) {
          if (viewer.avDoc) viewer.avDoc->call("Close", {pos(true)});
          viewer.avDoc.reset();
          viewer.app->call("Exit");
          viewer.app.reset();
          vb::raiseLibrary("Acrobat could not open " + imageFile + ".");
        }
        if (host.files.fileExists(pdf)) vb::Kill(host.files, pdf);
        pdfStarted = true;
        viewer.pdDoc = asObject(viewer.avDoc->call("GetPDDoc"));
        const std::pair<const char*, const std::string*> entries[] = {
            {"Title", &info.title}, {"Author", &info.author}, {"Subject", &info.subject}, {"Keywords", &info.keywords}};
        for (const auto& entry : entries) {
          if (!entry.second->empty()) viewer.pdDoc->call("SetInfo", {pos(entry.first), pos(*entry.second)});
        }
        const bool saved = isTrue(viewer.pdDoc->call("Save", {pos(kSaveFullLinearized), pos(pdf)}));
        viewer.pdDoc->call("Close");
        viewer.pdDoc.reset();
        if (!saved) {
          viewer.avDoc->call("Close", {pos(true)});
          viewer.avDoc.reset();
          vb::raiseLibrary("Acrobat could not save " + pdf + ".");
        }
        viewer.avDoc->call("Close", {pos(true)});
        viewer.avDoc.reset();
        viewer.app->call("Exit");
        viewer.app.reset();
      },
      [&] {
        viewer.abandon();
        if (pdfStarted) deleteQuietly(host.files, pdf);
      });
}

void createPDFfromImageFile2(ConversionContext& ctx, const std::string& pdf, const std::string& imageFile,
                             std::string distiller, const std::string& saveWindowCaption) {
  Host& host = ctx.host();
  DefaultPrinterOptions options;
  options.saveWindowCaption = saveWindowCaption;
  if (vb::Trim(distiller).empty()) distiller = ctx.printerName();
  runDefaultPrinterShape(ctx, imageFile, distiller, pdf, options, [&] {
    const std::string command = pictureViewerCommandLine(host, imageFile, distiller);
    if (!host.processes.startHidden(command))
      vb::raiseLibrary("The picture viewer could not be started (" + command + ").");
  });
}

void createPDFfromMultiImage(ConversionContext& ctx, const std::string& pdf, const Variant& imageFiles) {
  Host& host = ctx.host();
  const Variant& list = imageFiles.target();
  if (!list.isArray() || list.arrayValue().rank() != 1) vb::raise(vb::kTypeMismatch);
  const Array& images = list.arrayValue();
  std::vector<std::string> parts;
  bool pdfStarted = false;
  withConversionErrorExit(
      [&] {
        for (int32_t i = images.lbound(); i <= images.ubound(); ++i) {
          const Variant& element = images.at(i).target();
          const std::string image = element.isEmpty() || element.isNull() ? std::string() : vb::CStr(element);
          if (image.empty() || !host.files.fileExists(image)) continue;
          // A fresh name per part: a fixed one could be a user's file or
          // another call's part.
          const std::string folder = ctx.tempFolder();
          parts.push_back(folder + makeTempName(ctx, folder, ".pdf") + ".pdf");
          createPDFfromImageFile(ctx, parts.back(), image, {});
        }
        if (parts.empty()) return;
        if (host.files.fileExists(pdf)) vb::Kill(host.files, pdf);
        pdfStarted = true;
        std::vector<Variant> items;
        for (const std::string& part : parts) items.emplace_back(part);
        ctx.createPdfFromMultiPdf(pdf, Variant(Array::vector(VarType::Variant, std::move(items))), false);
        for (const std::string& part : parts) vb::Kill(host.files, part);
        parts.clear();
      },
      [&] {
        for (const std::string& part : parts) deleteQuietly(host.files, part);
        if (pdfStarted) deleteQuietly(host.files, pdf);
      });
}

}  // namespace dv::lib

#include "dv/standins/viewer_images.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <vector>

#include "dv/standins/tools.h"
#include "dv/standins/viewer_document.h"
#include "dv/standins/viewer_server.h"
#include "dv/vb.h"
#include "word/word_document.h"
#include "word/word_standin.h"

namespace dv::standins {

bool isImageFile(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  const std::string ext = vb::LCase(path.substr(dot + 1));
  for (const char* known : {"jpg", "jpeg", "png", "tif", "tiff", "gif"})
    if (ext == known) return true;
  return false;
}

std::optional<std::string> imageAsPdf(const std::string& path) {
  ToolRunner& runner = toolRunner();
  const std::string scratch = runner.scratchFolder();
  const char sep = scratch.find('\\') != std::string::npos ? '\\' : '/';
  std::string name = path.substr(path.find_last_of("\\/") == std::string::npos ? 0 : path.find_last_of("\\/") + 1);
  name = name.substr(0, name.rfind('.')) + ".pdf";
  const std::string pdf = scratch + sep + name;
  // img2pdf embeds the picture as it is (a JPEG stays DCT-encoded), the
  // page the size of its pixels at its recorded resolution.
  const ToolResult r =
      runner.run({"img2pdf", "-o", runner.toolPath(pdf), runner.toolPath(path)}, {}, std::chrono::seconds(120));
  if (!r.ok()) return std::nullopt;
  return pdf;
}

}  // namespace dv::standins

namespace dv::standins {

namespace {

std::string fileName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string extensionOf(const std::string& path) {
  const std::string name = fileName(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : vb::LCase(name.substr(dot + 1));
}

std::optional<std::string> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// PostScript distilled into `pdf`; false when Ghostscript failed.
bool distilled(const std::string& postScript, const std::string& pdf) {
  std::optional<std::string> bytes = word::pdfWithGhostscript(postScript);
  if (!bytes) return false;
  std::ofstream out(pdf, std::ios::binary);
  out << *bytes;
  return static_cast<bool>(out);
}

// The file as the viewer shows it after converting: nullopt for a format
// it does not convert, or one that fails.
std::optional<std::string> launchedPdf(const std::string& path) {
  const std::string ext = extensionOf(path);
  if (ext == "pdf") return path;
  if (isImageFile(path)) return imageAsPdf(path);
  const bool text = ext == "txt" || ext == "doc" || ext == "rtf";
  if (!text && ext != "ps" && ext != "eps") return std::nullopt;
  std::optional<std::string> bytes = readAll(path);
  if (!bytes) return std::nullopt;
  std::string postScript = *bytes;
  if (text) {
    // Word's stand-in documents are text files; printed as Word prints them.
    const word::Layout layout;
    const auto pages = word::paginate(word::parseDocumentFile(*bytes).text, layout);
    std::vector<int> all;
    for (int p = 1; p <= static_cast<int>(pages.size()); ++p) all.push_back(p);
    postScript = word::renderPostScript(pages, all, layout, fileName(path));
  }
  ToolRunner& runner = toolRunner();
  const std::string scratch = runner.scratchFolder();
  const char sep = scratch.find('\\') != std::string::npos ? '\\' : '/';
  const std::string name = fileName(path);
  const std::string pdf = scratch + sep + name.substr(0, name.rfind('.')) + ".pdf";
  if (!distilled(postScript, pdf)) return std::nullopt;
  return pdf;
}

}  // namespace

const ClassDef& pdfMakerAddInClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "PDFMakerAddIn", {"AcroExch.PDFMakerAddIn"});
    c.help("Acrobat's Word add-in: converts a file and shows it in the viewer.");
    c.method("LaunchDocument", {{"bstrPath", {VarType::String}}, {"nFlags", {VarType::Int32}}}, {VarType::Bool},
             [](Invocation& in) -> Variant {
               const std::string path = vb::CStr(in.arg(0));
               std::optional<std::string> pdf = launchedPdf(path);
               if (!pdf) return false;
               SharedViewer& viewer = SharedViewer::instance();
               if (!viewer.openFile(*pdf, "")) return false;
               std::string shown = fileName(path);
               shown = shown.substr(0, shown.rfind('.')) + ".pdf";
               viewer.ui().setTitle(viewer.version() < 8 ? "Adobe Acrobat Professional - [" + shown + "]"
                                                         : shown + " - Adobe Acrobat Professional");
               return true;
             });
    c.factory([] { return std::make_shared<StandIn>(pdfMakerAddInClass()); });
    return c;
  }();
  return cls;
}

}  // namespace dv::standins

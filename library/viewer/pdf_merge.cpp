#include "viewer/pdf_merge.h"

#include "dv/trace.h"
#include "dv/vb.h"
#include "viewer/pdf_file_table.h"

namespace dv::lib {

namespace {

// PDDoc Save types: a full save, and a full save with garbage collection.
constexpr int16_t kSaveFull = 1;
constexpr int16_t kSaveFullCollect = 5;
// Free names tried beside a target before giving up.
constexpr int kMaxSideNames = 1000;

std::string_view lastName(std::string_view path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// A final name that may stand for a file of another name: a short (8.3)
// name, or one whose trailing dots and blanks Windows drops.
bool nameMayDiffer(std::string_view name) {
  return name.empty() || name.find('~') != std::string_view::npos || name.back() == '.' || name.back() == ' ';
}

// Which client paths name the same file as one target: Windows names a
// file in any case, and by its short name too. The target's long name is
// looked up once; a path whose final name plainly differs needs no lookup.
class SameFileAs {
 public:
  SameFileAs(FileSystem& files, std::string target)
      : files_(files), target_(std::move(target)), longTarget_(files.longPathName(target_)) {}
  bool operator()(const std::string& path) const {
    const std::string_view a = lastName(path), b = lastName(target_);
    if (!nameMayDiffer(a) && !nameMayDiffer(b) && vb::compareText(a, b) != 0) return false;
    const std::string longPath = files_.longPathName(path);
    return vb::compareText(longPath.empty() ? path : longPath, longTarget_.empty() ? target_ : longTarget_) == 0;
  }

 private:
  FileSystem& files_;
  std::string target_, longTarget_;
};

// A name for a working copy in the target's own folder, so that putting it
// in the target's place is a rename, not a copy.
std::string freeNameBeside(FileSystem& files, const std::string& target) {
  const size_t slash = target.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  for (int n = 1; n <= kMaxSideNames; ++n) {
    std::string candidate = folder + "~dvmerge" + std::to_string(n) + ".tmp";
    if (!files.fileExists(candidate) && !files.folderExists(candidate)) return candidate;
  }
  vb::raiseLibrary("No free file name could be found beside " + target + ".");
}

void save(const ObjectPtr& doc, int16_t type, const std::string& path) {
  if (!vb::CBool(doc->call("Save", {pos(type), pos(path)})))
    vb::raiseLibrary("The file " + path + " could not be saved.");
}

// Saves the merged document in the place of a file it was read from: to a
// working copy first, then the document is closed (the viewer lets go of
// its file) and the copy replaces the target.
void saveInPlaceOf(FileSystem& files, const ObjectPtr& target, int16_t type, const std::string& path,
                   std::string& working) {
  working = freeNameBeside(files, path);
  save(target, type, working);
  target->call("Close");
  if (!files.replaceFile(working, path)) vb::raiseLibrary("The file " + path + " could not be replaced.");
  working.clear();
}

// Deletes an existing target, saves the merged document there and closes it.
void saveAnew(FileSystem& files, const ObjectPtr& target, int16_t type, const std::string& path, std::string& written) {
  if (files.fileExists(path)) vb::Kill(files, path);
  written = path;
  save(target, type, path);
  target->call("Close");
  written.clear();
}

// Files of a merge that its error exit removes: the working copy, and a
// target the merge had begun to write (a failure after the save leaves no
// file the caller cannot tell from a finished one).
struct MergeFiles {
  std::string working;
  std::string written;
};

// The error exit of both merges: the document objects closed, the merge's
// own files removed, the error raised again.
template <class Body>
void withMergeErrorExit(FileSystem& files, ObjectPtr& target, ObjectPtr& source, MergeFiles& own, Body&& body) {
  try {
    body();
  } catch (...) {
    for (ObjectPtr* doc : {&source, &target}) {
      if (!*doc) continue;
      try {
        (*doc)->call("Close");
      } catch (...) {
        trace("closing a merged document", currentErrorText());
      }
      doc->reset();
    }
    for (const std::string* path : {&own.working, &own.written})
      if (!path->empty() && files.fileExists(*path) && !files.deleteFile(*path)) trace("removing " + *path, "refused");
    reraiseCurrent();
  }
}

}  // namespace

void createPdfFromMultiPdf(ViewerContext& ctx, const std::string& pdfFile, const Variant& pdfFiles,
                           bool /*createBookmarks*/) {
  Host& host = ctx.host;
  FileSystem& files = host.files;
  ObjectPtr target, source;
  MergeFiles own;
  withMergeErrorExit(files, target, source, own, [&] {
    target = host.automation.createObject(kProgIdPDDoc);
    source = host.automation.createObject(kProgIdPDDoc);
    if (!vb::CBool(target->call("Create"))) vb::raiseLibrary("Unable to create document object.");
    const Variant& list = pdfFiles.target();
    if (!list.isArray()) vb::raise(vb::kTypeMismatch);
    const Array& paths = list.arrayValue();
    if (paths.rank() != 1) vb::raise(vb::kSubscriptOutOfRange);

    // A target that is also an input must be read before it is replaced.
    bool targetIsInput = false;
    const SameFileAs isTarget(files, pdfFile);
    for (const Variant& entry : paths.elements()) {
      const std::string path = vb::CStr(entry.target());
      if (!targetIsInput && isTarget(path) && files.fileExists(path)) targetIsInput = true;
    }
    // Deleted before the inputs are read, as the viewer's own merge does.
    if (!targetIsInput && files.fileExists(pdfFile)) vb::Kill(files, pdfFile);

    for (int32_t i = paths.lbound(); i <= paths.ubound(); ++i) {
      host.pump.pump();
      const std::string path = vb::CStr(paths.at(i).target());
      if (!files.fileExists(path)) continue;
      source->call("Open", {pos(path)});
      const int32_t n = vb::CLng(source->call("GetNumPages"));
      const int32_t t = vb::CLng(target->call("GetNumPages"));
      target->call("InsertPages", {pos(t - 1), pos(source), pos(int32_t{0}), pos(n), pos(true)});
      source->call("Close");
    }

    const int16_t type = ctx.viewerVersion() < 7.0 ? kSaveFullCollect : kSaveFull;
    if (targetIsInput) {
      saveInPlaceOf(files, target, type, pdfFile, own.working);
    } else {
      own.written = pdfFile;
      save(target, type, pdfFile);
      target->call("Close");
      own.written.clear();
    }
    target.reset();
    source.reset();
  });
}

void createPdfFromMultiPdfInDir(ViewerContext& ctx, const MergeInDirRequest& r) {
  Host& host = ctx.host;
  FileSystem& files = host.files;
  const std::string directory = withTrailingBackslash(r.directory);
  ObjectPtr target, source;
  MergeFiles own;
  withMergeErrorExit(files, target, source, own, [&] {
    std::vector<PdfFileRow> rows = listPdfFiles(files, directory, r.files);
    if (rows.empty()) return;
    sortPdfFiles(rows, r.sortType, r.sortOrder);
    const std::string first = directory + rows.front().name;
    target = host.automation.createObject(kProgIdPDDoc);
    target->call("Open", {pos(first)});
    for (size_t i = 1; i < rows.size(); ++i) {
      const int32_t last = vb::CLng(target->call("GetNumPages")) - 1;
      source = host.automation.createObject(kProgIdPDDoc);
      source->call("Open", {pos(directory + rows[i].name)});
      const int32_t n = vb::CLng(source->call("GetNumPages"));
      target->call("InsertPages", {pos(last), pos(source), pos(int32_t{0}), pos(n), pos(true)});
      source->call("Close");
      source.reset();
    }
    // The first file is the open target document, whose file the viewer
    // holds: it cannot be deleted, only replaced once the document is closed.
    if (SameFileAs(files, r.pdfFile)(first)) {
      saveInPlaceOf(files, target, kSaveFull, r.pdfFile, own.working);
    } else {
      saveAnew(files, target, kSaveFull, r.pdfFile, own.written);
    }
    target.reset();
  });
}

}  // namespace dv::lib

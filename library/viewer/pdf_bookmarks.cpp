#include "viewer/pdf_bookmarks.h"

#include "dv/trace.h"
#include "dv/vb.h"

namespace dv::lib {

namespace {

// pdDoc SetFlags: the document has changed and must be saved.
constexpr int32_t kPdDocNeedsSave = 256;
// The viewer needs a moment between finding a text and bookmarking it.
constexpr uint32_t kBookmarkPauseMs = 1000;
// An outline deeper than this is taken to be a cycle in a damaged file.
constexpr int kMaxOutlineDepth = 1000;

// A statement whose failure is skipped: the reading goes on with the next.
template <class F>
void step(F&& f) {
  try {
    f();
  } catch (...) {
    trace("reading bookmarks", currentErrorText());
  }
}

// A member called on Nothing fails as VB fails it.
Object& set(const ObjectPtr& object) {
  if (!object) vb::raise(vb::kObjectNotSet);
  return *object;
}

// A node's children; none when it has none (the viewer answers an error).
std::vector<ObjectPtr> childrenOf(const ObjectPtr& node) {
  std::vector<ObjectPtr> out;
  step([&] {
    const Variant children = set(node).get("Children");
    if (!children.isArray()) return;
    for (const Variant& item : children.arrayValue().elements()) out.push_back(asObject(item.target()));
  });
  return out;
}

int32_t countBelow(const ObjectPtr& node, int depth) {
  if (depth > kMaxOutlineDepth) return 0;
  int32_t count = 0;
  for (const ObjectPtr& child : childrenOf(node)) count += 1 + countBelow(child, depth + 1);
  return count;
}

// The objects of an outline reading: a view on the document, its page
// view, the document and its JavaScript object.
struct Reading {
  ObjectPtr pdDoc, avDoc, pageView, jso;
};

// Whether mouseX and mouseY are read for a bookmark of `level`.
using MousePolicy = bool (*)(int32_t level, double version);

void readRows(const ObjectPtr& node, int32_t level, int depth, double version, MousePolicy mouse, Reading& r,
              std::vector<BookmarkRow>& rows) {
  if (depth > kMaxOutlineDepth) return;
  for (const ObjectPtr& child : childrenOf(node)) {
    BookmarkRow row;
    row.level = level;
    step([&] { row.name = vb::CStr(set(child).get("Name")); });
    step([&] { set(child).call("Execute"); });
    if (level == 1) {
      ObjectPtr page;
      step([&] { page = asObject(set(r.pageView).call("GetPage")); });
      step([&] { row.page = set(page).call("GetNumber"); });
    } else {
      step([&] { row.page = set(r.pageView).call("GetPageNum"); });
    }
    if (mouse(level, version)) {
      step([&] { row.x = set(r.jso).get("mouseX"); });
      step([&] { row.y = set(r.jso).get("mouseY"); });
    }
    rows.push_back(std::move(row));
    readRows(child, level + 1, depth + 1, version, mouse, r, rows);
  }
}

// Opens the file in a view titled `title` and reads its outline: the
// count walk, then the rows. False when the view does not open.
bool readOutline(ViewerContext& ctx, const std::string& pdfFile, MousePolicy mouse, Reading& r, int32_t& count,
                 std::vector<BookmarkRow>& rows) {
  Automation& automation = ctx.host.automation;
  step([&] { r.pdDoc = automation.createObject(kProgIdPDDoc); });
  step([&] { r.avDoc = automation.createObject(kProgIdAVDoc); });
  bool opened = false;
  step([&] { opened = vb::CBool(set(r.avDoc).call("Open", {pos(pdfFile), pos("temp")})); });
  if (!opened) return false;
  step([&] { r.pageView = asObject(set(r.avDoc).call("GetAVPageView")); });
  step([&] { r.pdDoc = asObject(set(r.pageView).call("GetDoc")); });
  step([&] { r.jso = asObject(set(r.pdDoc).call("GetJSObject")); });
  step([&] { set(r.jso).let("Layout", Variant("SinglePage")); });
  ObjectPtr root;
  step([&] { root = asObject(set(r.jso).get("BookMarkRoot")); });
  count = countBelow(root, 0);
  step([&] { root = asObject(set(r.jso).get("BookMarkRoot")); });
  readRows(root, 1, 0, ctx.viewerVersion(), mouse, r, rows);
  return true;
}

bool hasValue(const Variant& v) {
  const Variant& t = v.target();
  return !t.isEmpty() && !t.isNull() && !t.isMissing();
}

}  // namespace

std::vector<std::string> bookmarkTitles(const Variant& titles) {
  const Variant& list = titles.target();
  if (!list.isArray()) vb::raise(vb::kTypeMismatch);
  const Array& items = list.arrayValue();
  if (items.rank() != 1) vb::raise(vb::kSubscriptOutOfRange);
  std::vector<std::string> out;
  for (int32_t i = items.lbound(); i <= items.ubound(); ++i) out.push_back(vb::CStr(items.at(i).target()));
  return out;
}

void createBookmarksInPdf(ViewerContext& ctx, const CreateBookmarksRequest& r) {
  requireExistingFile(ctx.host, r.pdfFile);
  ViewerObjects o;
  ErrorExitSteps steps;
  steps.closeDocument = true;  // opened by document
  withViewerErrorExit(o, steps, [&] {
    Automation& automation = ctx.host.automation;
    o.app = automation.createObject(kProgIdApp);
    o.pdDoc = automation.createObject(kProgIdPDDoc);
    OpenRequest open{
        r.pdfFile,         r.open.password, r.open.openCaption, r.open.passwordCaption, OpenForm::ByDocumentWithView,
        PasswordForm::Long};
    openForRelay(ctx, o, open);
    ObjectPtr bookmark = automation.createObject(kProgIdBookmark);
    o.pdDoc->call("SetFlags", {pos(kPdDocNeedsSave)});
    for (const std::string& title : r.titles) {
      const bool found = vb::CBool(
          set(o.avDoc).call("FindText", {pos(title), pos(r.caseSensitive), pos(r.wholeWordsOnly), pos(r.reset)}));
      if (!found) continue;
      ctx.host.clock.sleepMs(kBookmarkPauseMs);
      o.app->call("MenuItemExecute", {pos("NewBookmark")});
      bookmark->call("GetByTitle", {pos(o.pdDoc), pos("Untitled")});
      bookmark->call("SetTitle", {pos(title)});
      if (r.single) ctx.host.clock.sleepMs(kBookmarkPauseMs);
    }
    if (!vb::CBool(o.pdDoc->call("Save", {pos(int16_t{0}), pos(r.pdfFile)})))
      vb::raiseLibrary("The file " + r.pdfFile + " could not be saved.");
    closeViewer(o, true);
  });
}

int32_t bookmarksToArray(ViewerContext& ctx, const std::string& pdfFile, Variant& bookmarks) {
  requireExistingFile(ctx.host, pdfFile);
  Reading r;
  int32_t count = 0;
  std::vector<BookmarkRow> rows;
  // Nested bookmarks have their mouse position read only where the table
  // has the columns for it.
  const MousePolicy mouse = [](int32_t level, double version) { return level == 1 ? version > 6.0 : version >= 7.0; };
  if (!readOutline(ctx, pdfFile, mouse, r, count, rows)) return 0;
  const bool fiveColumns = ctx.viewerVersion() >= 7.0;
  if (count > 0) {
    step([&] {
      Array table(VarType::Variant, {Bound{0, static_cast<uint32_t>(count)}, Bound{0, fiveColumns ? 5u : 3u}});
      for (size_t i = 0; i < rows.size() && i < static_cast<size_t>(count); ++i) {
        const int32_t n = static_cast<int32_t>(i);
        table.at(n, 0) = Variant(rows[i].name);
        table.at(n, 1) = Variant(rows[i].level);
        table.at(n, 2) = rows[i].page;
        if (fiveColumns) {
          table.at(n, 3) = rows[i].x;
          table.at(n, 4) = rows[i].y;
        }
      }
      bookmarks.target() = Variant(std::move(table));
    });
  }
  step([&] { set(r.pdDoc).call("Close"); });
  step([&] { set(r.avDoc).call("Close", {pos(false)}); });
  step([&] { set(r.jso).call("CloseDoc"); });
  return count;
}

std::string bookmarkAction(const BookmarkRow& row, double viewerVersion) {
  std::string action = "this.pageNum = " + vb::CStr(row.page);
  if (viewerVersion >= 7.0 && hasValue(row.x) && hasValue(row.y))
    action += ";this.scroll(" + vb::CStr(row.x) + "," + vb::CStr(row.y) + ");";
  return action;
}

int32_t bookmarksToPdf(ViewerContext& ctx, const std::string& sourcePdf, const std::string& targetPdf) {
  requireExistingFile(ctx.host, sourcePdf);
  requireExistingFile(ctx.host, targetPdf);
  Reading r;
  int32_t count = 0;
  std::vector<BookmarkRow> rows;
  const MousePolicy mouse = [](int32_t level, double version) { return level == 1 && version >= 7.0; };
  if (!readOutline(ctx, sourcePdf, mouse, r, count, rows)) return 0;
  step([&] { set(r.pdDoc).call("Close"); });
  step([&] { set(r.avDoc).call("Close", {pos(false)}); });
  if (rows.size() > static_cast<size_t>(count)) rows.resize(static_cast<size_t>(count));

  const double version = ctx.viewerVersion();
  ObjectPtr jso;
  try {
    set(r.avDoc).call("Open", {pos(targetPdf), pos("tmp")});
    r.avDoc->call("BringToFront");
    ObjectPtr pageView = asObject(r.avDoc->call("GetAVPageView"));
    r.pdDoc = asObject(pageView->call("GetDoc"));
    jso = asObject(r.pdDoc->call("GetJSObject"));
    ObjectPtr parent = asObject(jso->get("BookMarkRoot"));
    int32_t index = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
      const BookmarkRow& row = rows[i];
      pageView->call("GoTo", {pos(row.page)});
      parent->call("createChild", {pos(row.name), pos(bookmarkAction(row, version)), pos(index)});
      const int32_t created = index++;
      if (i + 1 == rows.size()) break;
      const int32_t next = rows[i + 1].level;
      if (next > row.level) {
        const Variant children = parent->get("Children");
        parent = asObject(children.target().arrayValue().at(children.target().arrayValue().lbound() + created));
        index = 0;
      } else if (next < row.level) {
        for (int32_t up = next; up < row.level; ++up) parent = asObject(parent->get("Parent"));
        const Variant children = parent->get("Children");
        index = static_cast<int32_t>(children.target().arrayValue().size());
      }
    }
    r.pdDoc->call("SetPageMode", {pos(int32_t{1})});
    if (!vb::CBool(r.pdDoc->call("Save", {pos(int16_t{1}), pos(targetPdf)})))
      vb::raiseLibrary("The file " + targetPdf + " could not be saved.");
    jso->call("CloseDoc");
    r.pdDoc->call("Close");
    r.avDoc->call("Close", {pos(false)});
  } catch (...) {
    // The target is closed unsaved; the caller learns of the failure from
    // the result, not from an error.
    trace("copying bookmarks to " + targetPdf, currentErrorText());
    step([&] { set(r.pdDoc).call("Close"); });
    step([&] { set(r.avDoc).call("Close", {pos(true)}); });
    return -1;
  }
  return count;
}

}  // namespace dv::lib

#include "dv/standins/viewer_app.h"

#include "dv/standins/viewer_menu.h"
#include "dv/vb.h"

namespace dv::standins {

namespace {

constexpr TypeDesc kBool{VarType::Bool};
constexpr TypeDesc kString{VarType::String};
constexpr TypeDesc kShort{VarType::Int16};
constexpr TypeDesc kObject{VarType::Object};

class AcroApp : public StandIn {
 public:
  using StandIn::StandIn;
};

Variant menuItemExecute(Invocation& in) {
  SharedViewer& viewer = SharedViewer::instance();
  const std::string item = vb::CStr(in.arg(0));
  if (item == "Open") {
    // Modal: returns once the open dialog (and the password dialog of an
    // encrypted file) has been answered or cancelled.
    viewer.openThroughDialogs();
    return true;
  }
  if (std::optional<bool> done = runMenuCommand(item)) return *done;
  if (item == "NewBookmark") return newBookmark();
  if (item == "ADBE:ReadAloudStart" || item == "ADBE:ReadAloudToEnd")
    return viewer.active() != nullptr;  // reads the front document, when there is one
  return false;                         // the viewer has no such menu item
}

}  // namespace

const ClassDef& acroAppClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "AcroApp", {"AcroExch.App"});
    c.help("The viewer application.");
    c.method("MenuItemExecute", {{"szMenuItemName", kString}}, kBool, menuItemExecute);
    c.method("GetActiveDoc", {}, kObject, [](Invocation&) -> Variant {
      const ViewerView* view = SharedViewer::instance().active();
      return view ? Variant(viewObject(*view)) : Variant(ObjectPtr());
    });
    c.method("Show", {}, kBool, [](Invocation&) -> Variant {
      SharedViewer::instance().show();
      return true;
    });
    c.method("Exit", {}, kBool, [](Invocation&) -> Variant {
      SharedViewer::instance().end();
      return true;
    });
    c.method("GetNumAVDocs", {}, kShort,
             [](Invocation&) -> Variant { return static_cast<int16_t>(SharedViewer::instance().documents().size()); });
    c.method("CloseAllDocs", {}, kBool, [](Invocation&) -> Variant {
      SharedViewer& viewer = SharedViewer::instance();
      while (const ViewerView* view = viewer.active()) viewer.close(view->id);
      return true;
    });
    c.factory([]() -> std::shared_ptr<StandIn> {
      SharedViewer::instance().ensureRunning();
      return std::make_shared<AcroApp>(acroAppClass());
    });
    return c;
  }();
  return cls;
}

}  // namespace dv::standins

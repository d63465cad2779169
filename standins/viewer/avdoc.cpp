#include <fstream>

#include "dv/vb.h"
#include "dv/standins/viewer_app.h"

namespace dv::standins {

namespace {

constexpr TypeDesc kBool{VarType::Bool};
constexpr TypeDesc kString{VarType::String};
constexpr TypeDesc kLong{VarType::Int32};
constexpr TypeDesc kVariant{VarType::Variant};
constexpr TypeDesc kObject{VarType::Object};

class AcroAVDoc : public StandIn {
 public:
  using StandIn::StandIn;
  int viewId = 0;  // 0 while the object addresses no open window

  ViewerView* view() { return viewId ? SharedViewer::instance().byId(viewId) : nullptr; }
  ViewerView& openView() {
    ViewerView* v = view();
    if (!v) throw AutomationError(static_cast<int32_t>(0x80004005u), errorSource(), "The document is not open.");
    return *v;
  }
};

// PrintPages and PrintPagesSilent: the viewer prints straight to the
// default printer; the stand-in writes the job record instead.
Variant printPages(Invocation& in, bool silent) {
  ViewerView& view = in.as<AcroAVDoc>().openView();
  const int32_t first = vb::CLng(in.arg(0));
  const int32_t last = vb::CLng(in.arg(1));
  if (first < 0 || last < first || last >= view.pages) return false;
  const std::string log = Control::instance().setting("PrintLog");
  if (!log.empty()) {
    std::ofstream out(log, std::ios::app | std::ios::binary);
    out << printJobLine(view.path, first, last, SharedViewer::instance().printer(), silent) << "\r\n";
    if (!out) return false;
  }
  return true;
}

// The page view of a document window: where the window stands.
class AcroAVPageView : public StandIn {
 public:
  AcroAVPageView(const ClassDef& cls, int viewId) : StandIn(cls), viewId(viewId) {}
  int viewId;
  ViewerView& openView() {
    ViewerView* v = SharedViewer::instance().byId(viewId);
    if (!v) throw AutomationError(static_cast<int32_t>(0x80004005u), errorSource(), "The document is not open.");
    return *v;
  }
};

}  // namespace

const ClassDef& acroAVPageViewClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "AcroAVPageView", {});
    c.method("GetPageNum", {}, kLong,
             [](Invocation& in) -> Variant { return in.as<AcroAVPageView>().openView().currentPage; });
    c.method("GoTo", {{"nPage", kLong}}, kBool, [](Invocation& in) -> Variant {
      ViewerView& view = in.as<AcroAVPageView>().openView();
      const int32_t page = vb::CLng(in.arg(0));
      if (page < 0 || page >= view.pages) return false;
      view.currentPage = page;
      return true;
    });
    c.method("GetPage", {}, kObject, [](Invocation& in) -> Variant {
      return Variant(pageObject(in.as<AcroAVPageView>().openView().currentPage));
    });
    c.method("GetDoc", {}, kObject, [](Invocation& in) -> Variant {
      return Variant(SharedViewer::instance().pdDocOf(in.as<AcroAVPageView>().openView()));
    });
    return c;
  }();
  return cls;
}

namespace {

const std::vector<ParamDef> kPrintParams{{"nFirstPage", kLong},
                                         {"nLastPage", kLong},
                                         {"nPSLevel", kLong},
                                         {"bBinaryOk", kVariant},
                                         {"bShrinkToFit", kVariant}};

}  // namespace

std::string printJobLine(const std::string& file, int32_t first, int32_t last, const std::string& printer,
                         bool silent) {
  return "file=" + file + "\tpages=" + std::to_string(first + 1) + "-" + std::to_string(last + 1) +
         "\tprinter=" + printer + "\tmode=" + (silent ? "silent" : "normal");
}

const ClassDef& acroAVDocClass() {
  static const ClassDef cls = [] {
    ClassDef c(acrobatTypeLib(), "AcroAVDoc", {"AcroExch.AVDoc"});
    c.help("A document window of the viewer.");
    c.method("Open", {{"szFullPath", kString}, {"szTempTitle", kString}}, kBool, [](Invocation& in) -> Variant {
      const ViewerView* view =
          SharedViewer::instance().openFile(vb::CStr(in.arg(0)), vb::CStr(in.argOr(1, std::string())));
      in.as<AcroAVDoc>().viewId = view ? view->id : 0;
      return view != nullptr;
    });
    c.method("GetPDDoc", {}, kObject, [](Invocation& in) -> Variant {
      return Variant(SharedViewer::instance().pdDocOf(in.as<AcroAVDoc>().openView()));
    });
    c.method("Close", {{"bNoSave", kVariant}}, kBool, [](Invocation& in) -> Variant {
      AcroAVDoc& self = in.as<AcroAVDoc>();
      if (!self.view()) return false;
      SharedViewer::instance().close(self.viewId);
      self.viewId = 0;
      return true;
    });
    c.method("PrintPages", kPrintParams, kBool, [](Invocation& in) { return printPages(in, false); });
    c.method("PrintPagesSilent", kPrintParams, kBool, [](Invocation& in) { return printPages(in, true); });
    c.method("BringToFront", {}, kBool, [](Invocation& in) -> Variant {
      AcroAVDoc& self = in.as<AcroAVDoc>();
      if (!self.view()) return false;
      SharedViewer::instance().activate(self.viewId);
      return true;
    });
    c.method("GetAVPageView", {}, kObject, [](Invocation& in) -> Variant {
      const ViewerView& view = in.as<AcroAVDoc>().openView();
      return Variant(ObjectPtr(std::make_shared<AcroAVPageView>(acroAVPageViewClass(), view.id)));
    });
    c.method("IsValid", {}, kBool, [](Invocation& in) -> Variant { return in.as<AcroAVDoc>().view() != nullptr; });
    c.method("FindText",
             {{"szText", kString}, {"bCaseSensitive", kVariant}, {"bWholeWordsOnly", kVariant}, {"bReset", kVariant}},
             kBool, [](Invocation& in) -> Variant {
               return findTextInView(in.as<AcroAVDoc>().openView(), vb::CStr(in.arg(0)), vb::CBool(in.arg(1)),
                                     vb::CBool(in.arg(2)), vb::CBool(in.arg(3)));
             });
    c.method("GetTitle", {}, kString, [](Invocation& in) -> Variant {
      const ViewerView& view = in.as<AcroAVDoc>().openView();
      if (!view.title.empty()) return view.title;
      const auto slash = view.path.find_last_of("\\/");
      return slash == std::string::npos ? view.path : view.path.substr(slash + 1);
    });
    c.factory([]() -> std::shared_ptr<StandIn> {
      SharedViewer::instance().ensureRunning();
      return std::make_shared<AcroAVDoc>(acroAVDocClass());
    });
    return c;
  }();
  return cls;
}

ObjectPtr viewObject(const ViewerView& view) {
  auto object = std::make_shared<AcroAVDoc>(acroAVDocClass());
  object->viewId = view.id;
  return object;
}

}  // namespace dv::standins

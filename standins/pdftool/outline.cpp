// What an outline item does besides naming a page: the point its
// destination scrolls to (an /XYZ destination's left and top) and the
// JavaScript of its action; read for the facts, written by the edits.
#include <qpdf/QPDFOutlineObjectHelper.hh>

#include "qpdf_document.h"

namespace dv::pdftool {

namespace {

std::optional<double> number(QPDFObjectHandle h) {
  if (h.isInteger() || h.isReal()) return h.getNumericValue();
  return std::nullopt;  // null: the viewer keeps the current value
}

}  // namespace

OutlineTarget outlineTarget(QPDFOutlineObjectHelper& item) {
  OutlineTarget t;
  QPDFObjectHandle dest = item.getDest();
  if (dest.isArray() && dest.getArrayNItems() >= 4 && dest.getArrayItem(1).isName() &&
      dest.getArrayItem(1).getName() == "/XYZ") {
    t.left = number(dest.getArrayItem(2));
    t.top = number(dest.getArrayItem(3));
  }
  QPDFObjectHandle action = item.getObjectHandle().getKey("/A");
  if (action.isDictionary() && action.getKey("/S").isName() && action.getKey("/S").getName() == "/JavaScript") {
    QPDFObjectHandle js = action.getKey("/JS");
    if (js.isString()) t.javaScript = js.getUTF8Value();
    else if (js.isStream()) {
      std::shared_ptr<Buffer> data = js.getStreamData();
      t.javaScript.assign(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    }
  }
  return t;
}

void writeOutlineTarget(QPDF& pdf, QPDFObjectHandle node, QPDFObjectHandle page, const OutlineTarget& t) {
  if (!page.isNull()) {
    if (t.left || t.top) {
      auto value = [](const std::optional<double>& v) {
        return v ? QPDFObjectHandle::newReal(*v, 2, true) : QPDFObjectHandle::newNull();
      };
      node.replaceKey("/Dest", QPDFObjectHandle::newArray({page, QPDFObjectHandle::newName("/XYZ"), value(t.left),
                                                           value(t.top), QPDFObjectHandle::newNull()}));
    } else {
      node.replaceKey("/Dest", QPDFObjectHandle::newArray({page, QPDFObjectHandle::newName("/Fit")}));
    }
  }
  if (!t.javaScript.empty()) {
    // An item has either a destination or an action: the script is what
    // the viewer performs.
    node.removeKey("/Dest");
    QPDFObjectHandle action = QPDFObjectHandle::newDictionary();
    action.replaceKey("/Type", QPDFObjectHandle::newName("/Action"));
    action.replaceKey("/S", QPDFObjectHandle::newName("/JavaScript"));
    action.replaceKey("/JS", QPDFObjectHandle::newUnicodeString(t.javaScript));
    node.replaceKey("/A", pdf.makeIndirectObject(action));
  }
}

std::shared_ptr<QpdfDocument> newDocument() {
  auto doc = std::make_shared<QpdfDocument>();
  doc->pdf.emptyPDF();
  return doc;
}

}  // namespace dv::pdftool

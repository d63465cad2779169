// The tool's view of an opened file, shared by reading and editing.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineObjectHelper.hh>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pdftool.h"

namespace dv::pdftool {

class QpdfDocument {
 public:
  std::string path;
  QPDF pdf;
  // Files pages were copied from: QPDF reads their streams while writing.
  std::vector<std::shared_ptr<QpdfDocument>> sources;
};

// Page object -> page number (1-based).
std::map<QPDFObjGen, int> pageNumbers(QPDF& pdf);

// A new document without pages (what an edit request with no input starts from).
std::shared_ptr<QpdfDocument> newDocument();

// Where an outline item leads besides its page (outline.cpp).
struct OutlineTarget {
  std::optional<double> left, top;  // the /XYZ destination's point
  std::string javaScript;           // the item's JavaScript action, empty when none
};
OutlineTarget outlineTarget(QPDFOutlineObjectHelper& item);
// Writes the destination (the page with the point, or the whole page) and
// the JavaScript action of an item.
void writeOutlineTarget(QPDF& pdf, QPDFObjectHandle node, QPDFObjectHandle page, const OutlineTarget& target);

// Comment and markup annotations (annotations.cpp): the fact
// "markupAnnotations" and the edit "setAnnotations".
Json markupAnnotationFacts(QPDF& pdf);
void setAnnotations(QpdfDocument& doc, const Json& op);

}  // namespace dv::pdftool

// The tool's view of an opened file, shared by reading and editing.
#pragma once

#include <qpdf/QPDF.hh>

#include <map>
#include <memory>
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

// Comment and markup annotations (annotations.cpp): the fact
// "markupAnnotations" and the edit "setAnnotations".
Json markupAnnotationFacts(QPDF& pdf);
void setAnnotations(QpdfDocument& doc, const Json& op);

}  // namespace dv::pdftool

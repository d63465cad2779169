// Edit operations that work on the pages' content and annotations, and the
// request's writer settings; edit.cpp lists them in its table.
#pragma once

#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include "qpdf_document.h"

namespace dv::pdftool {

// {"op": "stampText", "font": "Helvetica", "size": 10, "position": "top"|"bottom",
//  "items": [{"align": "left"|"center"|"right", "pattern": "Page %p of %n"}]}
// Real text on every page, upright as the page is shown: %p the page
// number, %n the page count, %% a percent sign.
void stampText(QpdfDocument& doc, const Json& op);

// {"op": "addWebLinks", "first": 1, "last": 3}: every URL text (http://,
// https://, www.) of those pages (default all) becomes a Link annotation
// with a URI action over its word. Links already there are not doubled.
void addWebLinks(QpdfDocument& doc, const Json& op);

// The request's "write": {"version": "1.4", "objectStreams": true,
// "recompress": true, "linearize": true}. Checked before any operation runs.
void checkWriteSettings(const Json& write);
void applyWriteSettings(QPDFWriter& writer, const Json& write);

// The matrix from a page's view (origin bottom left as the page is shown,
// its /Rotate applied) to its user space, and the view's size.
struct PageView {
  double matrix[6];
  double width, height;
};
PageView pageView(QPDFObjectHandle page);

}  // namespace dv::pdftool

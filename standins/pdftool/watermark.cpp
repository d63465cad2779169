// Watermarks: a text or a page of another file drawn over (or under) the
// content of a range of pages, as a form XObject placed by alignment and
// offsets in the page as it is shown, scaled, turned about its centre and
// made see-through with an ExtGState.
//
// {"op": "watermark", "first": a, "last": b, "onTop": true,
//  "hAlign": 0 left | 1 centre | 2 right, "vAlign": 3 top | 1 centre | 4 bottom,
//  "hValue": x, "vValue": y, "percentage": false (offsets as fractions of the page),
//  "scale": 1 (-1: fit the page), "rotation": degrees anticlockwise, "opacity": 0..1,
//  "text": {"text": "...", "font": "Helvetica", "size": 24, "color": [g] | [r, g, b] | [c, m, y, k],
//           "align": 0 | 1 | 2}
//  or "file": {"path": "...", "page": n, "password": ""}}
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

#include "page_operations.h"

namespace dv::pdftool {

namespace {

[[noreturn]] void fail(const std::string& why) { refuse("watermark: " + why); }

double numberOf(const Json& j, const char* key, double fallback) {
  if (!j.contains(key)) return fallback;
  if (!j.at(key).is_number()) fail(std::string("\"") + key + "\" must be a number");
  return j.at(key).get<double>();
}

bool flagOf(const Json& j, const char* key, bool fallback) {
  if (!j.contains(key)) return fallback;
  if (!j.at(key).is_boolean()) fail(std::string("\"") + key + "\" must be true or false");
  return j.at(key).get<bool>();
}

struct Mark {
  QPDFObjectHandle form;  // in the target document
  double llx = 0, lly = 0, width = 0, height = 0;
};

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out.emplace_back();
    } else {
      out.back() += text[i];
    }
  }
  return out;
}

Mark textMark(QPDF& pdf, const Json& t) {
  if (!t.is_object() || !t.contains("text") || !t.at("text").is_string()) fail("\"text\" needs a text");
  const std::string font = t.value("font", std::string("Helvetica"));
  if (!isStandardFont(font)) fail("\"font\" must be one of the standard 14 fonts, not " + font);
  const double size = numberOf(t, "size", 24);
  if (!(size > 0 && size <= 1000)) fail("\"size\" must be above 0 and up to 1000");
  const Json color = t.value("color", Json::array({0}));
  if (!color.is_array() || (color.size() != 1 && color.size() != 3 && color.size() != 4))
    fail("\"color\" must have 1, 3 or 4 components");
  std::string fill;
  for (const Json& c : color) {
    if (!c.is_number()) fail("colour components are numbers");
    fill += pdfNumber(std::clamp(c.get<double>(), 0.0, 1.0)) + " ";
  }
  fill += color.size() == 1 ? "g" : color.size() == 3 ? "rg" : "k";
  const int align = static_cast<int>(numberOf(t, "align", 1));

  std::vector<std::string> encoded;
  double width = 0;
  for (const std::string& line : lines(t.at("text").get<std::string>())) {
    encoded.push_back(standardFontText(font, line));
    width = std::max(width, standardFontWidth(font, encoded.back(), size));
  }
  const double leading = size * 1.2, height = leading * static_cast<double>(encoded.size());
  std::string content = "BT /F1 " + pdfNumber(size) + " Tf " + fill + "\n";
  for (size_t i = 0; i < encoded.size(); ++i) {
    const double w = standardFontWidth(font, encoded[i], size);
    const double x = align == 0 ? 0 : align == 2 ? width - w : (width - w) / 2;
    const double baseline = height - leading * static_cast<double>(i + 1) + size * 0.25;
    content += "1 0 0 1 " + pdfNumber(x) + " " + pdfNumber(baseline) + " Tm " + pdfLiteral(encoded[i]) + " Tj\n";
  }
  content += "ET\n";
  QPDFObjectHandle form = pdf.newStream(content);
  QPDFObjectHandle dict = form.getDict();
  dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
  dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
  dict.replaceKey("/BBox", QPDFObjectHandle::newFromRectangle({0, 0, std::max(width, 1.0), height}));
  QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
  fonts.replaceKey("/F1", standardFont(pdf, font));
  QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
  resources.replaceKey("/Font", fonts);
  dict.replaceKey("/Resources", resources);
  return Mark{form, 0, 0, std::max(width, 1.0), height};
}

Mark fileMark(QpdfDocument& doc, const Json& f) {
  if (!f.is_object() || !f.contains("path") || !f.at("path").is_string()) fail("\"file\" needs a \"path\"");
  std::shared_ptr<QpdfDocument> source;
  try {
    source = openDocument(f.at("path").get<std::string>(), f.value("password", std::string()));
  } catch (const Failure& e) {
    throw Failure(e.code, std::string("watermark: ") + e.what());
  }
  std::vector<QPDFObjectHandle> pages = source->pdf.getAllPages();
  const double n = numberOf(f, "page", 1);
  if (n < 1 || n > static_cast<double>(pages.size()))
    fail("page " + pdfNumber(n) + " is not in " + f.at("path").get<std::string>());
  QPDFPageObjectHelper page(pages[static_cast<size_t>(n) - 1]);
  // The page as a form in its own file, then copied over.
  QPDFObjectHandle form = doc.pdf.copyForeignObject(page.getFormXObjectForPage());
  doc.sources.push_back(source);
  const QPDFObjectHandle::Rectangle box = form.getDict().getKey("/BBox").getArrayAsRectangle();
  // A turned source page's form maps its box through its matrix.
  QPDFObjectHandle matrix = form.getDict().getKey("/Matrix");
  if (matrix.isMatrix()) {
    const QPDFObjectHandle::Matrix m = matrix.getArrayAsMatrix();
    const double xs[] = {box.llx, box.urx}, ys[] = {box.lly, box.ury};
    double x0 = 1e18, y0 = 1e18, x1 = -1e18, y1 = -1e18;
    for (double x : xs)
      for (double y : ys) {
        const double tx = m.a * x + m.c * y + m.e, ty = m.b * x + m.d * y + m.f;
        x0 = std::min(x0, tx), y0 = std::min(y0, ty), x1 = std::max(x1, tx), y1 = std::max(y1, ty);
      }
    return Mark{form, x0, y0, x1 - x0, y1 - y0};
  }
  return Mark{form, box.llx, box.lly, box.urx - box.llx, box.ury - box.lly};
}

std::string freeName(QPDFObjectHandle dict, const std::string& stem) {
  for (int k = 1;; ++k)
    if (!dict.hasKey(stem + std::to_string(k))) return stem + std::to_string(k);
}

QPDFObjectHandle subDictionary(QPDFObjectHandle parent, const char* key) {
  QPDFObjectHandle d = parent.getKey(key);
  if (!d.isDictionary()) {
    d = QPDFObjectHandle::newDictionary();
    parent.replaceKey(key, d);
  }
  return d;
}

}  // namespace

void addWatermark(QpdfDocument& doc, const Json& op) {
  QPDF& pdf = doc.pdf;
  std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  const double count = static_cast<double>(pages.size());
  const double first = numberOf(op, "first", 1), last = numberOf(op, "last", count);
  if (first < 1 || last > count || last < first)
    fail("pages " + pdfNumber(first) + " to " + pdfNumber(last) + " are not in the document (" + pdfNumber(count) +
         " page(s))");
  const double opacity = numberOf(op, "opacity", 1), scale = numberOf(op, "scale", 1);
  if (opacity < 0 || opacity > 1) fail("\"opacity\" must be from 0 to 1");
  if (!(scale > 0 || scale == -1)) fail("\"scale\" must be above 0, or -1 to fit the page");
  const double angle = numberOf(op, "rotation", 0) * std::numbers::pi / 180;
  const int hAlign = static_cast<int>(numberOf(op, "hAlign", 1)), vAlign = static_cast<int>(numberOf(op, "vAlign", 1));
  const bool onTop = flagOf(op, "onTop", true), percentage = flagOf(op, "percentage", false);
  const Mark mark = op.contains("text")   ? textMark(pdf, op.at("text"))
                    : op.contains("file") ? fileMark(doc, op.at("file"))
                                          : (fail("a watermark needs a \"text\" or a \"file\""), Mark{});
  QPDFObjectHandle state = pdf.makeIndirectObject(
      QPDFObjectHandle::parse("<< /Type /ExtGState /CA " + pdfNumber(opacity) + " /ca " + pdfNumber(opacity) + " >>"));

  for (auto n = static_cast<size_t>(first); n <= static_cast<size_t>(last); ++n) {
    QPDFPageObjectHelper& page = pages[n - 1];
    const PageView view = pageView(page.getObjectHandle());
    const double s = scale == -1 ? std::min(view.width / mark.width, view.height / mark.height) : scale;
    const double w = mark.width * s, h = mark.height * s;
    // The turned mark's bounding box sits where the alignment puts it.
    const double bw = std::fabs(w * std::cos(angle)) + std::fabs(h * std::sin(angle));
    const double bh = std::fabs(w * std::sin(angle)) + std::fabs(h * std::cos(angle));
    const double dx = numberOf(op, "hValue", 0) * (percentage ? view.width : 1);
    const double dy = numberOf(op, "vValue", 0) * (percentage ? view.height : 1);
    const double x0 = (hAlign == 0 ? 0 : hAlign == 2 ? view.width - bw : (view.width - bw) / 2) + dx;
    const double y0 = (vAlign == 3 ? view.height - bh : vAlign == 4 ? 0 : (view.height - bh) / 2) + dy;
    const double cx = x0 + bw / 2, cy = y0 + bh / 2, c = std::cos(angle), sn = std::sin(angle);
    // translate(centre) . rotate . scale . translate(-the mark's centre)
    const double mx = -(mark.llx + mark.width / 2), my = -(mark.lly + mark.height / 2);
    const double m[6] = {s * c, s * sn, -s * sn, s * c, cx + s * (c * mx - sn * my), cy + s * (sn * mx + c * my)};

    QPDFObjectHandle resources = page.getAttribute("/Resources", true);
    if (!resources.isDictionary()) {
      resources = QPDFObjectHandle::newDictionary();
      page.getObjectHandle().replaceKey("/Resources", resources);
    }
    QPDFObjectHandle xobjects = subDictionary(resources, "/XObject"), states = subDictionary(resources, "/ExtGState");
    const std::string formName = freeName(xobjects, "/DvMark"), stateName = freeName(states, "/DvMarkGs");
    xobjects.replaceKey(formName, mark.form);
    states.replaceKey(stateName, state);
    std::string content = "q\n";
    for (double v : view.matrix) content += pdfNumber(v) + " ";
    content += "cm\n";
    for (double v : m) content += pdfNumber(v) + " ";
    content += "cm " + stateName + " gs " + formName + " Do\nQ\n";
    if (onTop) {
      // The page's own drawing keeps its graphics state to itself.
      page.addPageContents(pdf.newStream("q\n"), true);
      page.addPageContents(pdf.newStream("\nQ\n" + content), false);
    } else {
      page.addPageContents(pdf.newStream(content), true);
    }
  }
}

}  // namespace dv::pdftool

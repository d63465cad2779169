// Stamping text onto every page (headers and footers) in one of the
// standard 14 fonts, and the writer settings of a request (version, object
// streams, recompression). Widths come from the metrics (AFM) of the URW
// fonts that stand in for the standard 14.
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QUtil.hh>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "page_operations.h"

namespace dv::pdftool {

namespace {

constexpr double kMargin = 36;  // half an inch from the edges

// The standard 14 and the metric-compatible URW fonts that describe them.
const std::map<std::string, std::string> kMetrics{{"Times-Roman", "NimbusRoman-Regular"},
                                                  {"Times-Bold", "NimbusRoman-Bold"},
                                                  {"Times-Italic", "NimbusRoman-Italic"},
                                                  {"Times-BoldItalic", "NimbusRoman-BoldItalic"},
                                                  {"Helvetica", "NimbusSans-Regular"},
                                                  {"Helvetica-Bold", "NimbusSans-Bold"},
                                                  {"Helvetica-Oblique", "NimbusSans-Italic"},
                                                  {"Helvetica-BoldOblique", "NimbusSans-BoldItalic"},
                                                  {"Courier", "NimbusMonoPS-Regular"},
                                                  {"Courier-Bold", "NimbusMonoPS-Bold"},
                                                  {"Courier-Oblique", "NimbusMonoPS-Italic"},
                                                  {"Courier-BoldOblique", "NimbusMonoPS-BoldItalic"},
                                                  {"Symbol", "StandardSymbolsPS"},
                                                  {"ZapfDingbats", "D050000L"}};

bool symbolic(const std::string& font) { return font == "Symbol" || font == "ZapfDingbats"; }

// Glyph widths (thousandths of the size) by code: the font's own codes for
// the symbolic fonts, WinAnsi for the others. ASCII codes are the same in
// both encodings but for the two quotes; other codes take the width of "n".
struct Widths {
  double byCode[256];
};

Widths loadWidths(const std::string& font) {
  Widths w;
  for (double& d : w.byCode) d = 556;
  const char* dir = std::getenv("DV_AFM_DIR");
  std::ifstream afm(std::string(dir ? dir : "/usr/share/fonts/type1/urw-base35") + "/" + kMetrics.at(font) + ".afm");
  std::map<std::string, double> byName;
  std::map<int, double> byCode;
  std::string line;
  while (std::getline(afm, line)) {
    if (line.rfind("C ", 0) != 0) continue;
    int code = -1;
    double width = 0;
    char name[64] = "";
    if (std::sscanf(line.c_str(), "C %d ; WX %lf ; N %63s", &code, &width, name) < 2) continue;
    byName[name] = width;
    if (code >= 0 && code < 256) byCode[code] = width;
  }
  if (byName.count("n")) {
    for (double& d : w.byCode) d = byName["n"];
  }
  for (const auto& [code, width] : byCode)
    if (symbolic(font) || (code >= 32 && code < 127)) w.byCode[code] = width;
  if (!symbolic(font)) {
    if (byName.count("quotesingle")) w.byCode[39] = byName["quotesingle"];
    if (byName.count("grave")) w.byCode[96] = byName["grave"];
  }
  return w;
}

// UTF-8 to WinAnsi (Latin-1 positions; what it cannot show becomes "?").
std::string winAnsi(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
    } else if ((b & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      const unsigned cp = ((b & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
      out += cp >= 0xA0 && cp <= 0xFF ? static_cast<char>(cp) : '?';
      i += 2;
    } else {
      out += '?';
      ++i;
      while (i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) ++i;
    }
  }
  return out;
}

std::string pdfString(const std::string& bytes) {
  std::string out = "(";
  for (char c : bytes) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  return out + ")";
}

std::string expand(const std::string& pattern, int page, int pages) {
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 == pattern.size()) {
      out += pattern[i];
      continue;
    }
    const char c = pattern[++i];
    if (c == 'p') out += std::to_string(page);
    else if (c == 'n') out += std::to_string(pages);
    else out += c;  // "%%" and anything unknown: the character itself
  }
  return out;
}

std::string number(double v) {
  std::ostringstream s;
  s.precision(6);
  s << std::fixed << v;
  std::string t = s.str();
  t.erase(t.find_last_not_of('0') + 1);
  if (!t.empty() && t.back() == '.') t.pop_back();
  return t;
}

// A resource name the page does not use yet.
std::string freeFontName(QPDFObjectHandle fonts) {
  for (int k = 1;; ++k) {
    std::string name = "/DvStamp" + std::to_string(k);
    if (!fonts.hasKey(name)) return name;
  }
}

}  // namespace

PageView pageView(QPDFObjectHandle page) {
  QPDFPageObjectHelper helper(page);
  const QPDFObjectHandle::Rectangle r = helper.getCropBox().getArrayAsRectangle();
  const double w = r.urx - r.llx, h = r.ury - r.lly;
  QPDFObjectHandle rotate = helper.getAttribute("/Rotate", false);
  int angle = rotate.isInteger() ? static_cast<int>(rotate.getIntValue() % 360) : 0;
  if (angle < 0) angle += 360;
  // The view turned clockwise by the angle; each matrix maps the view's
  // coordinates back to the page's.
  switch (angle) {
    case 90:
      return PageView{{0, 1, -1, 0, r.urx, r.lly}, h, w};
    case 180:
      return PageView{{-1, 0, 0, -1, r.urx, r.ury}, w, h};
    case 270:
      return PageView{{0, -1, 1, 0, r.llx, r.ury}, h, w};
    default:
      return PageView{{1, 0, 0, 1, r.llx, r.lly}, w, h};
  }
}

void stampText(QpdfDocument& doc, const Json& op) {
  auto fail = [](const std::string& why) { refuse("stampText: " + why); };
  const std::string font = op.value("font", "Helvetica");
  if (!kMetrics.count(font)) fail("\"font\" must be one of the standard 14 fonts, not " + font);
  const Json sizeValue = op.value("size", Json(10));
  if (!sizeValue.is_number() || sizeValue.get<double>() <= 0 || sizeValue.get<double>() > 200)
    fail("\"size\" must be a number above 0 and up to 200");
  const double size = sizeValue.get<double>();
  const std::string position = op.value("position", "top");
  if (position != "top" && position != "bottom") fail("\"position\" must be top or bottom");
  const Json items = op.value("items", Json::array());
  if (!items.is_array() || items.empty()) fail("\"items\" must be a list of at least one item");
  for (const Json& item : items) {
    if (!item.is_object() || !item.contains("pattern") || !item.at("pattern").is_string())
      fail("every item needs a text \"pattern\"");
    const std::string align = item.value("align", "left");
    if (align != "left" && align != "center" && align != "right") fail("\"align\" must be left, center or right");
  }

  const Widths widths = loadWidths(font);
  QPDF& pdf = doc.pdf;
  QPDFObjectHandle fontDict = QPDFObjectHandle::newDictionary();
  fontDict.replaceKey("/Type", QPDFObjectHandle::newName("/Font"));
  fontDict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Type1"));
  fontDict.replaceKey("/BaseFont", QPDFObjectHandle::newName("/" + font));
  if (!symbolic(font)) fontDict.replaceKey("/Encoding", QPDFObjectHandle::newName("/WinAnsiEncoding"));
  QPDFObjectHandle fontObject = pdf.makeIndirectObject(fontDict);

  std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  const int count = static_cast<int>(pages.size());
  for (int n = 1; n <= count; ++n) {
    QPDFPageObjectHelper& page = pages[static_cast<size_t>(n - 1)];
    const PageView view = pageView(page.getObjectHandle());
    QPDFObjectHandle resources = page.getAttribute("/Resources", true);
    if (!resources.isDictionary()) {
      resources = QPDFObjectHandle::newDictionary();
      page.getObjectHandle().replaceKey("/Resources", resources);
    }
    QPDFObjectHandle fonts = resources.getKey("/Font");
    if (!fonts.isDictionary()) {
      fonts = QPDFObjectHandle::newDictionary();
      resources.replaceKey("/Font", fonts);
    }
    const std::string name = freeFontName(fonts);
    fonts.replaceKey(name, fontObject);

    const double baseline = position == "top" ? view.height - kMargin - size * 0.75 : kMargin;
    std::string content = "q\n";
    for (double m : view.matrix) content += number(m) + " ";
    content += "cm\nBT\n" + name + " " + number(size) + " Tf\n0 g\n";
    for (const Json& item : items) {
      const std::string text = symbolic(font) ? expand(item.at("pattern").get<std::string>(), n, count)
                                              : winAnsi(expand(item.at("pattern").get<std::string>(), n, count));
      double width = 0;
      for (unsigned char c : text) width += widths.byCode[c] * size / 1000;
      const std::string align = item.value("align", "left");
      const double x = align == "left"     ? kMargin
                       : align == "center" ? (view.width - width) / 2
                                           : view.width - kMargin - width;
      content += "1 0 0 1 " + number(x) + " " + number(baseline) + " Tm " + pdfString(text) + " Tj\n";
    }
    content += "ET\nQ\n";
    // The page's own drawing keeps its graphics state to itself.
    page.addPageContents(QPDFObjectHandle::newStream(&pdf, "q\n"), true);
    page.addPageContents(QPDFObjectHandle::newStream(&pdf, "\nQ\n" + content), false);
  }
}

void checkWriteSettings(const Json& write) {
  if (!write.is_object()) refuse("\"write\" must be an object");
  for (const auto& [key, value] : write.items()) {
    if (key == "version") {
      const std::string v = value.is_string() ? value.get<std::string>() : std::string();
      if (v.size() != 3 || v[0] != '1' || v[1] != '.' || v[2] < '0' || v[2] > '7')
        refuse("write: \"version\" must be 1.0 to 1.7");
    } else if (key == "objectStreams" || key == "recompress" || key == "linearize") {
      if (!value.is_boolean()) refuse("write: \"" + key + "\" must be true or false");
    } else {
      refuse("write: unknown setting " + key);
    }
  }
}

void applyWriteSettings(QPDFWriter& writer, const Json& write) {
  if (write.value("recompress", false)) {
    // Streams decoded and compressed again; unused objects are never
    // written, as the writer copies only what the document reaches.
    writer.setCompressStreams(true);
    writer.setDecodeLevel(qpdf_dl_generalized);
    writer.setRecompressFlate(true);
  }
  if (write.contains("objectStreams"))
    writer.setObjectStreamMode(write.at("objectStreams").get<bool>() ? qpdf_o_generate : qpdf_o_disable);
  if (write.contains("version")) writer.forcePDFVersion(write.at("version").get<std::string>());
  if (write.value("linearize", false)) writer.setLinearization(true);
}

}  // namespace dv::pdftool

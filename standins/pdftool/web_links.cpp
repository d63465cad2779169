// URL texts to Link annotations: the page words come from poppler, read
// from the document as it is in memory (earlier operations of the same
// request included), and every word that is a web address gets a link
// with a URI action over it.
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>

#include "page_operations.h"

namespace dv::pdftool {

namespace {

std::string utf8(const poppler::ustring& text) {
  const poppler::byte_array bytes = text.to_utf8();
  return std::string(bytes.begin(), bytes.end());
}

void quiet(const std::string&, void*) {}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The address a word stands for, or empty: http://, https:// or www.
// followed by something, without the punctuation that ends a sentence or
// closes a bracket around it.
std::string webAddressOf(std::string word) {
  const std::string opening = "(<[\"'";
  const std::string closing = ".,;:!?)>]}\"'";
  while (!word.empty() && opening.find(word.front()) != std::string::npos) word.erase(word.begin());
  while (!word.empty() && closing.find(word.back()) != std::string::npos) word.pop_back();
  const std::string l = lower(word);
  for (const char* scheme : {"http://", "https://"})
    if (l.rfind(scheme, 0) == 0 && l.size() > std::string(scheme).size()) return word;
  if (l.rfind("www.", 0) == 0 && l.size() > 4) return "http://" + word;
  return {};
}

}  // namespace

void addWebLinks(QpdfDocument& doc, const Json& op) {
  auto fail = [](const std::string& why) { refuse("addWebLinks: " + why); };
  std::vector<QPDFObjectHandle> pages = doc.pdf.getAllPages();
  const long long count = static_cast<long long>(pages.size());
  auto pageOf = [&](const char* key, long long fallback) {
    if (!op.contains(key)) return fallback;
    if (!op.at(key).is_number_integer()) fail(std::string("\"") + key + "\" must be an integer");
    const long long n = op.at(key).get<long long>();
    if (n < 1 || n > count)
      fail(std::string("\"") + key + "\" is " + std::to_string(n) + ", the document has " + std::to_string(count) +
           " page(s)");
    return n;
  };
  const long long first = pageOf("first", 1), last = pageOf("last", count);
  if (last < first) fail("\"last\" comes before \"first\"");

  // The document as it is now, unencrypted, for poppler to read.
  QPDFWriter writer(doc.pdf);
  writer.setOutputMemory();
  writer.setPreserveEncryption(false);
  writer.write();
  std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
  poppler::set_debug_error_function(quiet, nullptr);
  std::unique_ptr<poppler::document> text(poppler::document::load_from_raw_data(
      reinterpret_cast<const char*>(buffer->getBuffer()), static_cast<int>(buffer->getSize())));
  if (!text) throw Failure(Exit::Unreadable, "addWebLinks: the page text cannot be read");

  for (long long n = first; n <= last; ++n) {
    QPDFObjectHandle page = pages[static_cast<size_t>(n - 1)];
    std::unique_ptr<poppler::page> textPage(text->create_page(static_cast<int>(n - 1)));
    if (!textPage) continue;
    const PageView view = pageView(page);
    const double* m = view.matrix;
    QPDFObjectHandle annots = page.getKey("/Annots");
    if (!annots.isArray()) {
      annots = QPDFObjectHandle::newArray();
      page.replaceKey("/Annots", annots);
    }
    // Links of an earlier run: the same address over the same place.
    auto present = [&](const std::string& uri, const std::vector<double>& rect) {
      for (QPDFObjectHandle a : annots.aitems()) {
        if (!a.isDictionary() || !a.getKey("/Subtype").isNameAndEquals("/Link")) continue;
        QPDFObjectHandle action = a.getKey("/A");
        if (!action.isDictionary() || !action.getKey("/URI").isString() || action.getKey("/URI").getUTF8Value() != uri)
          continue;
        QPDFObjectHandle r = a.getKey("/Rect");
        if (!r.isRectangle()) continue;
        const QPDFObjectHandle::Rectangle have = r.getArrayAsRectangle();
        if (std::fabs(have.llx - rect[0]) < 1 && std::fabs(have.lly - rect[1]) < 1 &&
            std::fabs(have.urx - rect[2]) < 1 && std::fabs(have.ury - rect[3]) < 1)
          return true;
      }
      return false;
    };
    for (poppler::text_box& word : textPage->text_list()) {
      const std::string uri = webAddressOf(utf8(word.text()));
      if (uri.empty()) continue;
      // The word's box from the top left of the view to the page's space.
      const poppler::rectf b = word.bbox();
      const double corners[2][2] = {{b.left(), view.height - b.bottom()}, {b.right(), view.height - b.top()}};
      double xs[2], ys[2];
      for (int k = 0; k < 2; ++k) {
        xs[k] = m[0] * corners[k][0] + m[2] * corners[k][1] + m[4];
        ys[k] = m[1] * corners[k][0] + m[3] * corners[k][1] + m[5];
      }
      const std::vector<double> rect{std::min(xs[0], xs[1]), std::min(ys[0], ys[1]), std::max(xs[0], xs[1]),
                                     std::max(ys[0], ys[1])};
      if (present(uri, rect)) continue;
      QPDFObjectHandle action = QPDFObjectHandle::newDictionary();
      action.replaceKey("/S", QPDFObjectHandle::newName("/URI"));
      action.replaceKey("/URI", QPDFObjectHandle::newString(uri));
      QPDFObjectHandle link = QPDFObjectHandle::newDictionary();
      link.replaceKey("/Type", QPDFObjectHandle::newName("/Annot"));
      link.replaceKey("/Subtype", QPDFObjectHandle::newName("/Link"));
      link.replaceKey("/Rect",
                      QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(rect[0], rect[1], rect[2], rect[3])));
      link.replaceKey("/Border", QPDFObjectHandle::parse("[0 0 0]"));
      link.replaceKey("/F", QPDFObjectHandle::newInteger(4));  // printed
      link.replaceKey("/P", page);
      link.replaceKey("/A", action);
      annots.appendItem(doc.pdf.makeIndirectObject(link));
    }
  }
}

}  // namespace dv::pdftool

// Opening files and reading their facts with libqpdf.
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFAnnotationObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFFormFieldObjectHelper.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageLabelDocumentHelper.hh>

#include <filesystem>
#include <map>
#include <set>

#include "fields.h"
#include "page_operations.h"
#include "qpdf_document.h"

namespace dv::pdftool {

namespace {

// Outlines nest as deep as the file says; deeper than this is taken for a
// damaged (or cyclic) file rather than followed.
constexpr int kMaxOutlineDepth = 200;

Json box(QPDFObjectHandle rect) {
  if (!rect.isRectangle()) return nullptr;
  const QPDFObjectHandle::Rectangle r = rect.getArrayAsRectangle();
  return Json::array({r.llx, r.lly, r.urx, r.ury});
}

std::string hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

Json textOrNull(QPDFObjectHandle h) { return h.isString() ? Json(h.getUTF8Value()) : Json(nullptr); }

Json outlineItems(std::vector<QPDFOutlineObjectHelper> items, const std::map<QPDFObjGen, int>& pageNumbers, int depth) {
  Json out = Json::array();
  if (depth > kMaxOutlineDepth) return out;
  for (QPDFOutlineObjectHelper& item : items) {
    Json entry{{"title", item.getTitle()}, {"page", nullptr}};
    QPDFObjectHandle page = item.getDestPage();
    if (!page.isNull()) {
      auto it = pageNumbers.find(page.getObjGen());
      if (it != pageNumbers.end()) entry["page"] = it->second;
    }
    const OutlineTarget target = outlineTarget(item);
    if (target.left) entry["left"] = *target.left;
    if (target.top) entry["top"] = *target.top;
    if (!target.javaScript.empty()) entry["javascript"] = target.javaScript;
    Json kids = outlineItems(item.getKids(), pageNumbers, depth + 1);
    if (!kids.empty()) entry["kids"] = std::move(kids);
    out.push_back(std::move(entry));
  }
  return out;
}

std::string fieldType(QPDFFormFieldObjectHelper& f) {
  if (f.isText()) return "text";
  if (f.isCheckbox()) return "checkbox";
  if (f.isRadioButton()) return "radiobutton";
  if (f.isPushbutton()) return "button";
  if (f.isChoice()) return (f.getFlags() & (1 << 17)) ? "combobox" : "listbox";
  if (f.getFieldType() == "/Sig") return "signature";
  return "unknown";
}

Json encryptionFacts(QPDF& pdf, const std::string& path, const std::string& password) {
  int R = 0, P = 0, V = 0;
  QPDF::encryption_method_e stream = QPDF::e_none, string = QPDF::e_none, file = QPDF::e_none;
  if (!pdf.isEncrypted(R, P, V, stream, string, file)) return Json{{"encrypted", false}, {"passwordNeeded", false}};
  const char* method = stream == QPDF::e_aesv3 ? "AESv3"
                       : stream == QPDF::e_aes ? "AESv2"
                       : stream == QPDF::e_rc4 ? "RC4"
                                               : "none";
  const int bits = stream == QPDF::e_aesv3 ? 256 : (stream == QPDF::e_aes || V >= 2) ? 128 : 40;
  bool needed = false;
  if (!password.empty()) {
    // Whether the file opens without one tells a reader if it must ask.
    try {
      QPDF plain;
      plain.setSuppressWarnings(true);
      plain.processFile(path.c_str(), "");
    } catch (const QPDFExc& e) {
      needed = e.getErrorCode() == qpdf_e_password;
    }
  }
  return Json{{"encrypted", true},
              {"passwordNeeded", needed},
              {"method", method},
              {"bits", bits},
              {"revision", R},
              {"userPasswordMatched", pdf.userPasswordMatched()},
              {"ownerPasswordMatched", pdf.ownerPasswordMatched()},
              {"permissions",
               {{"print", pdf.allowPrintHighRes() || pdf.allowPrintLowRes()},
                {"modify", pdf.allowModifyOther()},
                {"extract", pdf.allowExtractAll()},
                {"annotate", pdf.allowModifyAnnotation()},
                {"fillForms", pdf.allowModifyForm()},
                {"assemble", pdf.allowModifyAssembly()}}}};
}

}  // namespace

std::shared_ptr<QpdfDocument> openDocument(const std::string& path, const std::string& password) {
  auto doc = std::make_shared<QpdfDocument>();
  doc->path = path;
  doc->pdf.setSuppressWarnings(true);
  try {
    doc->pdf.processFile(path.c_str(), password.c_str());
    doc->pdf.getAllPages();  // a file without a usable page tree is no document
  } catch (const QPDFExc& e) {
    if (e.getErrorCode() == qpdf_e_password)
      throw Failure(Exit::Password, path + ": " + (password.empty() ? "a password is needed" : "invalid password"));
    throw Failure(Exit::Unreadable, e.what());
  } catch (const std::exception& e) {
    throw Failure(Exit::Unreadable, e.what());
  }
  return doc;
}

std::map<QPDFObjGen, int> pageNumbers(QPDF& pdf) {
  std::map<QPDFObjGen, int> numbers;
  int n = 0;
  for (const QPDFObjectHandle& page : pdf.getAllPages()) numbers.emplace(page.getObjGen(), ++n);
  return numbers;
}

Json readFacts(const std::string& path, const std::string& password) {
  std::shared_ptr<QpdfDocument> doc = openDocument(path, password);
  QPDF& pdf = doc->pdf;
  try {
    Json facts;
    facts["size"] = static_cast<long long>(std::filesystem::file_size(path));
    facts["version"] = pdf.getPDFVersion();
    facts["encryption"] = encryptionFacts(pdf, path, password);

    QPDFPageDocumentHelper pages(pdf);
    std::vector<QPDFPageObjectHelper> all = pages.getAllPages();
    const std::map<QPDFObjGen, int> numbers = pageNumbers(pdf);
    facts["pageCount"] = all.size();
    Json pageList = Json::array(), annotations = Json::array();
    for (size_t i = 0; i < all.size(); ++i) {
      QPDFPageObjectHelper& page = all[i];
      QPDFObjectHandle rotate = page.getAttribute("/Rotate", false);
      pageList.push_back({{"mediaBox", box(page.getMediaBox())},
                          {"cropBox", box(page.getCropBox())},
                          {"trimBox", box(page.getTrimBox())},
                          {"bleedBox", box(page.getBleedBox())},
                          {"artBox", box(page.getArtBox())},
                          {"rotate", rotate.isInteger() ? ((rotate.getIntValueAsInt() % 360) + 360) % 360 : 0},
                          {"tabs", page.getObjectHandle().getKey("/Tabs").isName()
                                       ? page.getObjectHandle().getKey("/Tabs").getName().substr(1)
                                       : ""},
                          {"thumbnail", page.getObjectHandle().getKey("/Thumb").isStream()}});
      for (QPDFAnnotationObjectHelper& a : page.getAnnotations()) {
        QPDFObjectHandle dict = a.getObjectHandle();
        annotations.push_back({{"page", i + 1},
                               {"subtype", a.getSubtype().empty() ? "" : a.getSubtype().substr(1)},
                               {"rect", box(dict.getKey("/Rect"))},
                               {"name", textOrNull(dict.getKey("/NM"))},
                               {"contents", textOrNull(dict.getKey("/Contents"))},
                               {"flags", a.getFlags()}});
      }
    }
    facts["pages"] = std::move(pageList);
    facts["annotations"] = std::move(annotations);
    facts["markupAnnotations"] = markupAnnotationFacts(pdf);

    Json info = Json::object();
    QPDFObjectHandle infoDict = pdf.getTrailer().getKey("/Info");
    if (infoDict.isDictionary())
      for (const std::string& key : infoDict.getKeys())
        if (QPDFObjectHandle v = infoDict.getKey(key); v.isString()) info[key.substr(1)] = v.getUTF8Value();
    facts["info"] = std::move(info);

    QPDFObjectHandle mode = pdf.getRoot().getKey("/PageMode");
    facts["pageMode"] = mode.isName() ? mode.getName().substr(1) : "";
    Json ids = Json::array();
    QPDFObjectHandle id = pdf.getTrailer().getKey("/ID");
    if (id.isArray() && id.getArrayNItems() == 2 && id.getArrayItem(0).isString() && id.getArrayItem(1).isString())
      ids = {hex(id.getArrayItem(0).getStringValue()), hex(id.getArrayItem(1).getStringValue())};
    facts["ids"] = std::move(ids);

    QPDFOutlineDocumentHelper outlines(pdf);
    facts["outline"] = outlineItems(outlines.getTopLevelOutlines(), numbers, 0);

    // Fields in the order their widgets appear, each name once (a field
    // may be written as several objects of one name).
    QPDFAcroFormDocumentHelper form(pdf);
    Json fields = Json::array();
    std::set<std::string> seen;
    for (QPDFPageObjectHelper& page : all) {
      for (QPDFAnnotationObjectHelper& widget : form.getWidgetAnnotationsForPage(page)) {
        QPDFFormFieldObjectHelper field = form.getFieldForAnnotation(widget);
        if (field.isNull()) continue;
        const std::string name = field.getFullyQualifiedName();
        if (!seen.insert(name).second) continue;
        fields.push_back(
            fieldFacts(pdf, field, widget, numbers.at(page.getObjectHandle().getObjGen()), fieldType(field), path));
      }
    }
    facts["fields"] = std::move(fields);

    Json attachments = Json::array();
    QPDFEmbeddedFileDocumentHelper files(pdf);
    for (const auto& [key, embedded] : files.getEmbeddedFiles())
      attachments.push_back({{"key", key}, {"fileName", embedded->getFilename()}});
    facts["attachments"] = std::move(attachments);

    Json labels = Json::array();
    QPDFPageLabelDocumentHelper pageLabels(pdf);
    if (pageLabels.hasPageLabels() && !all.empty()) {
      std::vector<QPDFObjectHandle> ranges;
      pageLabels.getLabelsForPageRange(0, static_cast<long long>(all.size()) - 1, 0, ranges);
      for (size_t i = 0; i + 1 < ranges.size(); i += 2) {
        QPDFObjectHandle label = ranges[i + 1];
        QPDFObjectHandle style = label.getKey("/S"), prefix = label.getKey("/P"), start = label.getKey("/St");
        labels.push_back({{"firstPage", ranges[i].getIntValue() + 1},
                          {"style", style.isName() ? style.getName().substr(1) : ""},
                          {"prefix", prefix.isString() ? prefix.getUTF8Value() : ""},
                          {"start", start.isInteger() ? start.getIntValue() : 1}});
      }
    }
    facts["pageLabels"] = std::move(labels);
    facts["templates"] = templateFacts(pdf);
    return facts;
  } catch (const Failure&) {
    throw;
  } catch (const std::exception& e) {
    throw Failure(Exit::Unreadable, e.what());
  }
}

void extractAttachment(const std::string& path, const std::string& password, const std::string& key,
                       const std::string& output) {
  std::shared_ptr<QpdfDocument> doc = openDocument(path, password);
  QPDFEmbeddedFileDocumentHelper files(doc->pdf);
  std::shared_ptr<QPDFFileSpecObjectHelper> embedded = files.getEmbeddedFile(key);
  if (!embedded) refuse("no embedded file " + key);
  std::shared_ptr<Buffer> data;
  try {
    data = embedded->getEmbeddedFileStream().getStreamData(qpdf_dl_all);
  } catch (const std::exception& e) {
    throw Failure(Exit::Unreadable, e.what());
  }
  writeFileAtomically(output, std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize()));
}

}  // namespace dv::pdftool

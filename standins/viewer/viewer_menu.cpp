#include "dv/standins/viewer_menu.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "dv/standins/viewer_app.h"
#include "dv/standins/viewer_document.h"
#include "dv/standins/viewer_server.h"
#include "dv/vb.h"

namespace dv::standins {

namespace {

namespace fs = std::filesystem;
using Kind = DialogControl::Kind;

DialogControl control(Kind kind, std::string text, int16_t x, int16_t y, int16_t cx, int16_t cy,
                      std::vector<std::string> entries = {}) {
  DialogControl c;
  c.kind = kind;
  c.text = std::move(text);
  c.x = x;
  c.y = y;
  c.cx = cx;
  c.cy = cy;
  c.entries = std::move(entries);
  return c;
}

int indexOf(const DialogLayout& layout, Kind kind, int nth = 1) {
  for (size_t i = 0; i < layout.controls.size(); ++i)
    if (layout.controls[i].kind == kind && --nth == 0) return static_cast<int>(i);
  return -1;
}
int indexOfText(const DialogLayout& layout, const std::string& text) {
  for (size_t i = 0; i < layout.controls.size(); ++i)
    if (layout.controls[i].text == text) return static_cast<int>(i);
  return -1;
}

std::string at(const std::vector<std::string>& v, int i) {
  return i >= 0 && static_cast<size_t>(i) < v.size() ? v[static_cast<size_t>(i)] : std::string();
}
int at(const std::vector<int>& v, int i) {
  return i >= 0 && static_cast<size_t>(i) < v.size() ? v[static_cast<size_t>(i)] : -1;
}

// ---- Changes kept per document window until the document is saved ----

struct WindowChanges {
  int viewId = 0;
  std::string path;
  std::vector<Json> operations;
};

std::vector<WindowChanges>& pendingChanges() {
  static std::vector<WindowChanges> pending;
  return pending;
}

// Changes of windows closed (or showing another file) since were dropped
// with them, unsaved.
void forgetClosedWindows() {
  std::erase_if(pendingChanges(), [](const WindowChanges& w) {
    const ViewerView* view = SharedViewer::instance().byId(w.viewId);
    return !view || vb::compareText(view->path, w.path) != 0;
  });
}

void addChange(const ViewerView& view, Json operation) {
  forgetClosedWindows();
  for (WindowChanges& w : pendingChanges())
    if (w.viewId == view.id) {
      w.operations.push_back(std::move(operation));
      return;
    }
  pendingChanges().push_back(WindowChanges{view.id, view.path, {std::move(operation)}});
}

// The open password a pending security change gives the window's document.
std::optional<std::string> pendingOpenPassword(const ViewerView& view) {
  forgetClosedWindows();
  std::optional<std::string> password;
  for (const WindowChanges& w : pendingChanges())
    if (w.viewId == view.id)
      for (const Json& op : w.operations)
        if (op.value("op", "") == "encrypt") password = op.value("userPassword", "");
  return password;
}

// ---- Files ----

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// Writes the whole file beside the target first, so a failure leaves no
// half-written target.
bool writeWhole(const std::string& target, const std::string& bytes) {
  const std::string part = target + ".part";
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) return false;
  }
  std::error_code ec;
  fs::remove(target, ec);  // Windows' rename does not replace
  fs::rename(part, target, ec);
  if (ec) fs::remove(part, ec);
  return !ec;
}

std::optional<std::string> readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A scratch folder of the tool runner, removed whatever happens.
class Scratch {
 public:
  Scratch() : path_(toolRunner().scratchFolder()) {}
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  std::string file(const std::string& name) const { return (fs::path(path_) / name).string(); }

 private:
  std::string path_;
};

// ---- Text formats written from the page text ----

std::string xmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Control characters other than tab and line ends are not XML.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') out += c;
    }
  }
  return out;
}

// UTF-8 to code points; a broken sequence becomes U+FFFD.
std::vector<uint32_t> codePoints(const std::string& s) {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= s.size() + (extra == 0 ? 1 : 0)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    uint32_t cp = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0x3F);
    out.push_back(cp);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

// Rich Text: one paragraph per text line, a page break between pages;
// characters beyond ASCII as \u escapes with "?" for readers without them.
std::string richText(const Json& pages) {
  std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}}\\f0\\fs22\n";
  bool firstPage = true;
  for (const Json& page : pages) {
    if (!firstPage) out += "\\page\n";
    firstPage = false;
    const std::string text = page.value("text", "");
    for (uint32_t cp : codePoints(text)) {
      if (cp == '\n') out += "\\par\n";
      else if (cp == '\r' || cp == '\f') continue;
      else if (cp == '\\' || cp == '{' || cp == '}') out += std::string("\\") + static_cast<char>(cp);
      else if (cp == '\t') out += "\\tab ";
      else if (cp < 0x80) out += static_cast<char>(cp);
      else if (cp <= 0xFFFF) out += "\\u" + std::to_string(static_cast<int16_t>(cp)) + "?";
      else out += "?";
    }
  }
  return out + "}\n";
}

std::string pageXml(const Json& pages) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<document>\n";
  for (const Json& page : pages) {
    std::ostringstream head;
    head << "<page number=\"" << page.value("page", 0) << "\" width=\"" << page.value("width", 0.0) << "\" height=\""
         << page.value("height", 0.0) << "\">\n";
    out += head.str();
    for (const Json& word : page.value("words", Json::array())) {
      const Json box = word.value("box", Json::array());
      std::ostringstream w;
      if (box.size() == 4)
        w << "<word x0=\"" << box[0].get<double>() << "\" y0=\"" << box[1].get<double>() << "\" x1=\""
          << box[2].get<double>() << "\" y1=\"" << box[3].get<double>() << "\">";
      else w << "<word>";
      out += w.str() + xmlEscaped(word.value("text", "")) + "</word>\n";
    }
    out += "</page>\n";
  }
  return out + "</document>\n";
}

std::string base64(const std::string& bytes) {
  static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t n = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out += digits[(n >> s) & 63];
    if ((i / 3 + 1) % 19 == 0) out += '\n';  // 76 characters a line
  }
  if (i < bytes.size()) {
    uint32_t n = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += digits[(n >> 18) & 63];
    out += digits[(n >> 12) & 63];
    out += i + 1 < bytes.size() ? digits[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

// An XML Data Package that carries the PDF itself, as the viewer writes
// one for a document without an XFA form.
std::string xmlDataPackage(const std::string& pdf) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?xfa generator=\"Docvane stand-in\" APIVersion=\"1.0\"?>\n"
         "<xdp:xdp xmlns:xdp=\"http://ns.adobe.com/xdp/\">\n<pdf xmlns=\"http://ns.adobe.com/xdp/pdf/\">\n"
         "<document>\n<chunk>\n" +
         base64(pdf) + "\n</chunk>\n</document>\n</pdf>\n</xdp:xdp>\n";
}

// ---- The dialogs' lists ----

const std::vector<std::string> kFonts = {"Times-Roman", "Times-Bold",     "Times-Italic",      "Times-BoldItalic",
                                         "Helvetica",   "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique",
                                         "Courier",     "Courier-Bold",   "Courier-Oblique",   "Courier-BoldOblique",
                                         "Symbol",      "ZapfDingbats"};
const std::vector<std::string> kSizes = {"6", "7", "8", "9", "10", "11", "12", "14", "16", "18", "20", "24", "36"};
// Page number styles as the list shows them, and what each stamps (%p the
// page, %n the count).
const std::vector<std::pair<std::string, std::string>> kPageStyles = {
    {"1", "%p"},      {"Page 1", "Page %p"},     {"1 of n", "%p of %n"}, {"Page 1 of n", "Page %p of %n"},
    {"1/n", "%p/%n"}, {"Page 1/n", "Page %p/%n"}};
const std::vector<std::string> kDateStyles = {"m/d",        "m/d/yy",   "m/d/yyyy",   "mm/dd/yy",
                                              "mm/dd/yyyy", "d/m/yy",   "d/m/yyyy",   "dd/mm/yy",
                                              "dd/mm/yyyy", "yy/mm/dd", "yyyy/mm/dd", "yyyy-mm-dd"};

std::string formatDate(const std::string& style, int year, int month, int day) {
  auto two = [](int n) { return (n < 10 ? "0" : "") + std::to_string(n); };
  std::string out;
  for (size_t i = 0; i < style.size();) {
    auto run = [&](char c) {
      size_t n = 0;
      while (i + n < style.size() && style[i + n] == c) ++n;
      return n;
    };
    const char c = style[i];
    const size_t n = (c == 'd' || c == 'm' || c == 'y') ? run(c) : 1;
    if (c == 'd') out += n >= 2 ? two(day) : std::to_string(day);
    else if (c == 'm') out += n >= 2 ? two(month) : std::to_string(month);
    else if (c == 'y') out += n >= 4 ? std::to_string(year) : two(year % 100);
    else out += c;
    i += n;
  }
  return out;
}

std::string today(const std::string& style) {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &t);
#else
  localtime_r(&t, &local);
#endif
  return formatDate(style, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

// Text to stamp as it is: "%" has a meaning in a stamp pattern.
std::string literal(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '%' ? std::string("%%") : std::string(1, c);
  return out;
}

// ---- The commands ----

// A compatibility level of the reduce dialog (4.0 to 8.0) as the PDF
// version it writes.
std::string pdfVersionOfLevel(int level) { return "1." + std::to_string(level - 1); }

bool askReplace(ViewerUi& ui, const std::string& path) {
  return !exists(path) || ui.showDialog(replaceQuestionLayout(path)).has_value();
}

// After a save the window shows the file written.
void showsFile(ViewerView& view, const std::string& path) {
  if (vb::compareText(view.path, path) != 0) view.path = path;
}

bool reduceFileSize(ViewerView& view) {
  SharedViewer& viewer = SharedViewer::instance();
  const double version = viewer.version();
  const DialogLayout reduce = reduceFileSizeLayout(version);
  const std::optional<DialogAnswer> level = viewer.ui().showDialog(reduce);
  if (!level) return false;
  const int chosen = at(level->selections, indexOf(reduce, Kind::ComboBox));
  if (chosen < 0) return false;
  // From 8 on the list starts with "Retain existing".
  const bool retain = version > 7.0 && chosen == 0;
  const int compatibility = version > 7.0 ? 3 + chosen : 4 + chosen;

  const DialogLayout nameDialog = saveAsLayout();
  const std::optional<DialogAnswer> named = viewer.ui().showDialog(nameDialog);
  if (!named) return false;
  const std::string target = vb::Trim(at(named->texts, indexOf(nameDialog, Kind::Edit)));
  if (target.empty() || !askReplace(viewer.ui(), target)) return false;

  std::shared_ptr<ViewerDocument> doc = openViewerDocument(view.path, view.password);
  if (!doc) return false;
  Json write{{"recompress", true}, {"objectStreams", !retain && compatibility >= 6}};
  if (!retain) write["version"] = pdfVersionOfLevel(compatibility);
  doc->pending.write = write;
  if (!saveViewerDocument(*doc, target)) return false;
  showsFile(view, target);
  return true;
}

bool saveAs(ViewerView& view) {
  SharedViewer& viewer = SharedViewer::instance();
  const double version = viewer.version();
  const DialogLayout layout = saveAsTypeLayout(version);
  const std::optional<DialogAnswer> answer = viewer.ui().showDialog(layout);
  if (!answer) return false;
  const std::string target = vb::Trim(at(answer->texts, indexOf(layout, Kind::Edit)));
  // From 8 on the list starts with an entry of its own, a PDF as well.
  const int type = std::max(0, at(answer->selections, indexOf(layout, Kind::ComboBox, 3)) - (version >= 8.0 ? 1 : 0));
  if (target.empty() || !askReplace(viewer.ui(), target)) return false;
  if (!saveInType(view.path, view.password, type, target)) return false;
  if (type == 0) showsFile(view, target);
  return true;
}

// The algorithm follows the viewer: RC4 40 bits before 5.0, 128 bits
// (AES) up to 8.x, AES 256 bits from 9.0 on.
int encryptionBits(double version) { return version < 5.0 ? 40 : version < 9.0 ? 128 : 256; }

bool applyPasswordSecurity(ViewerView& view) {
  SharedViewer& viewer = SharedViewer::instance();
  const DialogLayout settings = passwordSecurityLayout();
  const std::optional<DialogAnswer> given = viewer.ui().showDialog(settings);
  if (!given) return false;
  const int require = indexOf(settings, Kind::CheckBox);
  const bool required = require >= 0 && static_cast<size_t>(require) < given->checked.size() &&
                        given->checked[static_cast<size_t>(require)];
  const std::string password = at(given->texts, indexOf(settings, Kind::PasswordEdit));
  if (!required || password.empty()) return false;  // the password is used only when the box is ticked

  const DialogLayout confirm = confirmPasswordLayout();
  const std::optional<DialogAnswer> again = viewer.ui().showDialog(confirm);
  if (!again || at(again->texts, indexOf(confirm, Kind::PasswordEdit)) != password) return false;

  addChange(view, Json{{"op", "encrypt"},
                       {"userPassword", password},
                       {"ownerPassword", password},
                       {"bits", encryptionBits(viewer.version())}});
  viewer.ui().showDialog(
      noticeLayout("Security settings will not be applied to the document until you save the document."));
  return true;
}

bool save(ViewerView& view) {
  const std::optional<std::string> newPassword = pendingOpenPassword(view);
  std::shared_ptr<ViewerDocument> doc = openViewerDocument(view.path, view.password);
  if (!doc || !saveViewerDocument(*doc, view.path)) return false;
  if (newPassword) view.password = *newPassword;
  return true;
}

// What the headers dialog put into its three boxes (left, centre, right).
struct Boxes {
  std::vector<std::string> pieces[3];
};

bool addHeadersFooters(ViewerView& view) {
  SharedViewer& viewer = SharedViewer::instance();
  const bool layout7 = viewer.version() >= 7.0;
  const DialogLayout layout = headersFootersLayout(viewer.version());
  const std::optional<DialogAnswer> a = viewer.ui().showDialog(layout);
  if (!a) return false;

  const int fontList = indexOf(layout, Kind::ComboBox, layout7 ? 3 : 1);
  const int sizeList = indexOf(layout, Kind::ComboBox, layout7 ? 4 : 2);
  const int dateList = indexOf(layout, Kind::ComboBox, layout7 ? 1 : 5);
  const int pageList = indexOf(layout, Kind::ComboBox, layout7 ? 2 : 6);
  const int insertDate = indexOfText(layout, "&Insert");
  const int insertPage = indexOfText(layout, "Ins&ert");
  const int insertText = indexOfText(layout, "Inser&t");
  auto item = [&](int button) -> std::string {
    if (button == insertDate) return literal(today(at(kDateStyles, std::max(0, at(a->selections, dateList)))));
    if (button == insertPage) {
      const int style = std::max(0, at(a->selections, pageList));
      return static_cast<size_t>(style) < kPageStyles.size() ? kPageStyles[static_cast<size_t>(style)].second : "%p";
    }
    if (!layout7 && button == insertText) return literal(vb::Trim(at(a->texts, indexOf(layout, Kind::RichEdit20))));
    return {};  // in layout 7 the custom text is typed into its box
  };

  Boxes boxes;
  int boxIndex[3];
  for (int b = 0; b < 3; ++b)
    boxIndex[b] = layout7 ? indexOf(layout, Kind::RichEdit50, b + 1) : indexOf(layout, Kind::Button, b + 1);
  auto boxOf = [&](int control) {
    for (int b = 0; b < 3; ++b)
      if (boxIndex[b] == control) return b;
    return -1;
  };
  if (layout7)
    for (int b = 0; b < 3; ++b)
      if (std::string typed = vb::Trim(at(a->texts, boxIndex[b])); !typed.empty())
        boxes.pieces[b].push_back(literal(typed));
  // Layout 6: an insert button, then the box that takes the item. Layout
  // 7: the box with the caret, then the insert button.
  int pending = -1, caret = -1;
  for (int click : a->clicks) {
    const int box = boxOf(click);
    const bool insert = click == insertDate || click == insertPage || click == insertText;
    if (layout7) {
      if (box >= 0) caret = box;
      if (insert && caret >= 0)
        if (std::string piece = item(click); !piece.empty()) boxes.pieces[caret].push_back(piece);
    } else {
      if (insert) pending = click;
      if (box >= 0 && pending >= 0) {
        if (std::string piece = item(pending); !piece.empty()) boxes.pieces[box].push_back(piece);
        pending = -1;
      }
    }
  }

  static const char* kAlign[] = {"left", "center", "right"};
  Json items = Json::array();
  for (int b = 0; b < 3; ++b) {
    std::string pattern;
    for (const std::string& p : boxes.pieces[b]) pattern += (pattern.empty() ? "" : "  ") + p;
    if (!pattern.empty()) items.push_back({{"align", kAlign[b]}, {"pattern", pattern}});
  }
  if (items.empty()) return true;  // confirmed with nothing inserted
  const bool footer = !layout7 && at(a->selections, indexOf(layout, Kind::ComboBox, 3)) == 1;
  addChange(view, Json{{"op", "stampText"},
                       {"font", at(kFonts, std::max(0, at(a->selections, fontList)))},
                       {"size", vb::Val(at(kSizes, std::max(0, at(a->selections, sizeList))))},
                       {"position", footer ? "bottom" : "top"},
                       {"items", items}});
  return true;
}

}  // namespace

std::optional<bool> runMenuCommand(const std::string& item) {
  static const std::map<std::string, std::function<bool(ViewerView&)>> kCommands{
      {"ReduceFileSize", reduceFileSize},
      {"SaveAs", saveAs},
      {"SecureApplyPwdSecurity", applyPasswordSecurity},
      {"Save", save},
      {"COMP:AddHeadFoot", addHeadersFooters},
  };
  auto command = kCommands.find(item);
  if (command == kCommands.end()) return std::nullopt;
  ViewerView* view = SharedViewer::instance().active();
  if (!view) return false;  // greyed out without a document
  return command->second(*view);
}

void takeMenuChanges(const std::string& path, PdfChanges& changes) {
  forgetClosedWindows();
  auto& pending = pendingChanges();
  for (auto it = pending.begin(); it != pending.end();) {
    if (vb::compareText(it->path, path) != 0) {
      ++it;
      continue;
    }
    changes.operations.insert(changes.operations.end(), it->operations.begin(), it->operations.end());
    it = pending.erase(it);
  }
}

void addWebLinksOperation(PdfChanges& changes, const Variant& start, const Variant& end) {
  Json op{{"op", "addWebLinks"}};
  auto given = [](const Variant& v) { return !v.isEmpty() && !v.isMissing() && !v.isNull(); };
  if (given(start)) op["first"] = vb::CLng(start) + 1;
  if (given(end)) op["last"] = vb::CLng(end) + 1;
  changes.operations.push_back(op);
}

// ---- Layouts ----

DialogLayout reduceFileSizeLayout(double version) {
  std::vector<std::string> levels;
  if (version > 7.0) levels.push_back("Retain existing");
  const int newest = version > 7.0 ? 8 : std::max(4, static_cast<int>(std::floor(version)));
  for (int level = 4; level <= newest; ++level) levels.push_back("Acrobat " + std::to_string(level) + ".0 and later");
  DialogLayout l;
  l.title = "Reduce File Size";
  l.cx = 240;
  l.cy = 70;
  l.controls = {control(Kind::Label, "&Make compatible with:", 7, 9, 90, 10),
                control(Kind::ComboBox, "", 100, 7, 130, 120, levels), control(Kind::OkButton, "OK", 124, 48, 50, 14),
                control(Kind::CancelButton, "Cancel", 180, 48, 50, 14)};
  return l;
}

DialogLayout saveAsLayout() {
  DialogLayout l;
  l.title = "Save As";
  l.cx = 280;
  l.cy = 60;
  l.controls = {control(Kind::Label, "File &name:", 7, 9, 50, 10), control(Kind::Edit, "", 60, 7, 210, 14),
                control(Kind::OkButton, "&Save", 164, 38, 50, 14),
                control(Kind::CancelButton, "Cancel", 220, 38, 50, 14)};
  return l;
}

const std::vector<std::string>& saveAsTypes() {
  static const std::vector<std::string> types = {"Adobe PDF Files (*.pdf)",
                                                 "Encapsulated PostScript (*.eps)",
                                                 "HTML 3.2 (*.htm, *.html)",
                                                 "HTML 4.01 with CSS 1.0 (*.htm, *.html)",
                                                 "JPEG (*.jpg, *.jpeg, *.jpe)",
                                                 "JPEG2000 (*.jpf, *.jpx, *.jp2, *.j2k, *.j2c, *.jpc)",
                                                 "Microsoft Word Document (*.doc)",
                                                 "PNG (*.png)",
                                                 "PostScript (*.ps)",
                                                 "Rich Text Format (*.rtf)",
                                                 "Text (Accessible) (*.txt)",
                                                 "Text (Plain) (*.txt)",
                                                 "TIFF (*.tif, *.tiff)",
                                                 "XML 1.0 (*.xml)",
                                                 "XML Data Package Files (*.xdp)"};
  return types;
}

DialogLayout saveAsTypeLayout(double version) {
  std::vector<std::string> types = saveAsTypes();
  if (version >= 8.0) types.insert(types.begin(), "Adobe PDF Files, Optimized (*.pdf)");
  DialogLayout l;
  l.title = "Save As";
  l.cx = 300;
  l.cy = 110;
  l.controls = {control(Kind::Label, "Save &in:", 7, 9, 50, 10),
                control(Kind::ComboBox, "", 60, 7, 160, 80, {"My Documents", "Desktop"}),
                control(Kind::Label, "File &name:", 7, 31, 50, 10),
                control(Kind::Edit, "", 60, 29, 230, 14),
                control(Kind::Label, "&Recent:", 7, 51, 50, 10),
                control(Kind::ComboBox, "", 60, 49, 160, 80, {"(none)"}),
                control(Kind::Label, "Save as &type:", 7, 71, 50, 10),
                control(Kind::ComboBox, "", 60, 69, 230, 160, types),
                control(Kind::OkButton, "&Save", 184, 90, 50, 14),
                control(Kind::CancelButton, "Cancel", 240, 90, 50, 14)};
  return l;
}

DialogLayout replaceQuestionLayout(const std::string& path) {
  DialogLayout l;
  l.title = "Save As";
  l.cx = 240;
  l.cy = 60;
  // Yes first but not the default: only an answer "Y" replaces the file.
  DialogControl no = control(Kind::CancelButton, "&No", 124, 38, 50, 14);
  no.isDefault = true;
  l.controls = {control(Kind::YesButton, "&Yes", 68, 38, 50, 14), no,
                control(Kind::Label, path + " already exists.\nDo you want to replace it?", 7, 7, 226, 24)};
  return l;
}

DialogLayout passwordSecurityLayout() {
  DialogLayout l;
  l.title = "Password Security - Settings";
  l.cx = 300;
  l.cy = 90;
  DialogControl password = control(Kind::PasswordEdit, "", 110, 24, 180, 14);
  password.enabledBy = 0;
  l.controls = {control(Kind::CheckBox, "&Require a password to open the document", 7, 7, 280, 12),
                control(Kind::Label, "Document &Open Password:", 7, 27, 100, 10), password,
                control(Kind::OkButton, "OK", 184, 70, 50, 14), control(Kind::CancelButton, "Cancel", 240, 70, 50, 14)};
  return l;
}

DialogLayout confirmPasswordLayout() {
  DialogLayout l;
  l.title = "Adobe Acrobat - Confirm Open Document Password";
  l.cx = 280;
  l.cy = 70;
  l.controls = {control(Kind::Label, "Please confirm the Document Open Password.", 7, 7, 260, 10),
                control(Kind::Label, "&Document Open Password:", 7, 27, 100, 10),
                control(Kind::PasswordEdit, "", 110, 25, 160, 14), control(Kind::OkButton, "OK", 164, 50, 50, 14),
                control(Kind::CancelButton, "Cancel", 220, 50, 50, 14)};
  return l;
}

DialogLayout noticeLayout(const std::string& text) {
  DialogLayout l;
  l.title = "Adobe Acrobat";
  l.cx = 260;
  l.cy = 60;
  l.controls = {control(Kind::OkButton, "OK", 105, 40, 50, 14), control(Kind::Label, text, 7, 7, 246, 24)};
  return l;
}

DialogLayout headersFootersLayout(double version) {
  std::vector<std::string> pageStyles;
  for (const auto& style : kPageStyles) pageStyles.push_back(style.first);
  DialogLayout l;
  l.title = "Add Headers & Footers";
  l.cx = 360;
  l.cy = 170;
  if (version >= 7.0) {
    l.controls = {control(Kind::Label, "&Date:", 7, 9, 40, 10),
                  control(Kind::ComboBox, "", 50, 7, 120, 120, kDateStyles),
                  control(Kind::Label, "&Page Number:", 180, 9, 50, 10),
                  control(Kind::ComboBox, "", 232, 7, 120, 120, pageStyles),
                  control(Kind::Label, "&Font:", 7, 29, 40, 10),
                  control(Kind::ComboBox, "", 50, 27, 120, 120, kFonts),
                  control(Kind::Label, "&Size:", 180, 29, 50, 10),
                  control(Kind::ComboBox, "", 232, 27, 60, 120, kSizes),
                  control(Kind::RichEdit50, "", 7, 52, 110, 40),
                  control(Kind::RichEdit50, "", 125, 52, 110, 40),
                  control(Kind::RichEdit50, "", 243, 52, 110, 40),
                  control(Kind::Button, "&Insert", 7, 100, 60, 14),
                  control(Kind::Button, "Ins&ert", 75, 100, 60, 14),
                  control(Kind::Button, "Inser&t", 143, 100, 60, 14),
                  control(Kind::OkButton, "OK", 244, 150, 50, 14),
                  control(Kind::CancelButton, "Cancel", 300, 150, 50, 14)};
    return l;
  }
  l.controls = {control(Kind::Button, "Left", 7, 7, 50, 14),
                control(Kind::Button, "Center", 62, 7, 50, 14),
                control(Kind::Button, "Right", 117, 7, 50, 14),
                control(Kind::ComboBox, "", 7, 29, 120, 120, kFonts),
                control(Kind::ComboBox, "", 135, 29, 60, 120, kSizes),
                control(Kind::ComboBox, "", 7, 49, 120, 60, {"Header", "Footer"}),
                control(Kind::ComboBox, "", 135, 49, 120, 60, {"All pages"}),
                control(Kind::ComboBox, "", 7, 69, 120, 120, kDateStyles),
                control(Kind::ComboBox, "", 135, 69, 120, 120, pageStyles),
                control(Kind::RichEdit20, "", 7, 91, 180, 14),
                control(Kind::Button, "&Insert", 270, 69, 60, 14),
                control(Kind::Button, "Ins&ert", 270, 89, 60, 14),
                control(Kind::Button, "Inser&t", 270, 109, 60, 14),
                control(Kind::OkButton, "OK", 244, 150, 50, 14),
                control(Kind::CancelButton, "Cancel", 300, 150, 50, 14)};
  return l;
}

// ---- Saving in another type ----

bool saveInType(const std::string& source, const std::string& password, int type, const std::string& target) {
  // The JavaScript SaveAs conversions, by position in the list.
  static const std::map<int, std::string> kJavaScript{{1, "com.adobe.acrobat.eps"},
                                                      {2, "com.adobe.acrobat.html-3-20"},
                                                      {3, "com.adobe.acrobat.html-4-01-css-1-00"},
                                                      {4, "com.adobe.acrobat.jpeg"},
                                                      {7, "com.adobe.acrobat.png"},
                                                      {8, "com.adobe.acrobat.ps"},
                                                      {10, "com.adobe.acrobat.accesstext"},
                                                      {11, "com.adobe.acrobat.plain-text"},
                                                      {12, "com.adobe.acrobat.tiff"}};
  std::shared_ptr<ViewerDocument> doc = openViewerDocument(source, password);
  if (!doc) return false;
  ToolRunner& tools = toolRunner();
  auto javaScriptSaveAs = [&](const std::string& file, const std::string& conversion) {
    try {
      makeJsDoc(doc)->call("SaveAs", {pos(file), pos(conversion)});
      return true;
    } catch (const AutomationError&) {
      return false;
    }
  };
  if (type == 0) return saveViewerDocument(*doc, target);
  if (auto js = kJavaScript.find(type); js != kJavaScript.end()) return javaScriptSaveAs(target, js->second);
  if (type == 5) {
    // JPEG 2000: the first page as PNG, encoded by OpenJPEG.
    Scratch scratch;
    const std::string png = scratch.file("page.png"), jp2 = scratch.file("page.jp2");
    if (!javaScriptSaveAs(png, "com.adobe.acrobat.png")) return false;
    if (!tools
             .run({"opj_compress", "-i", tools.toolPath(png), "-o", tools.toolPath(jp2)}, {}, std::chrono::seconds(120))
             .ok())
      return false;
    const std::optional<std::string> bytes = readWhole(jp2);
    return bytes && writeWhole(target, *bytes);
  }
  if (type == 6 || type == 9 || type == 13) {
    // Word documents are written as Rich Text, which Word opens as well.
    const PdfToolAnswer text = pdfText(tools, source, password);
    if (!text.ok()) return false;
    const Json pages = text.json.value("pages", Json::array());
    return writeWhole(target, type == 13 ? pageXml(pages) : richText(pages));
  }
  if (type == 14) {
    const std::optional<std::string> pdf = readWhole(source);
    return pdf && writeWhole(target, xmlDataPackage(*pdf));
  }
  return false;
}

}  // namespace dv::standins

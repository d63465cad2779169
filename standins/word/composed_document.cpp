#include "word/composed_document.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "dv/codepage.h"

namespace dv::standins::word {

namespace {

constexpr char32_t kMark = U'\r';
constexpr char32_t kPageBreak = U'\f';
constexpr char32_t kLineBreak = U'\v';
constexpr float kMm = 72.0f / 25.4f;

// ---- UTF-8 ----

std::u32string decode(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= s.size() + (extra == 0 ? 1 : 0)) {
      out += U'?';
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out += cp;
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

void encode(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Text as the story keeps it: CR LF, CR and LF are one paragraph mark.
std::u32string storyText(const std::string& text) {
  std::u32string in = decode(text), out;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == U'\r' && i + 1 < in.size() && in[i + 1] == U'\n') continue;
    out += in[i] == U'\n' ? kMark : in[i];
  }
  return out;
}

char32_t foldCase(char32_t c) {
  if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  return c;
}

bool isWordChar(char32_t c) {
  return (c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || c == U'_' ||
         (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7);
}

// ---- Fonts ----

const int kWidths[12][224] = {
#include "word/font_widths.inc"
};

const char* const kFontNames[12] = {"Times-Roman", "Times-Bold",     "Times-Italic",      "Times-BoldItalic",
                                    "Helvetica",   "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique",
                                    "Courier",     "Courier-Bold",   "Courier-Oblique",   "Courier-BoldOblique"};

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Word's fonts on Ghostscript's standard ones: Arial and its kin on
// Helvetica, Courier New on Courier, everything else on Times.
int fontIndex(const CharFormat& f) {
  const std::string name = lower(f.name);
  int family = 0;
  if (name == "arial" || name == "helvetica" || name == "arial narrow" || name == "verdana" || name == "tahoma")
    family = 1;
  else if (name == "courier new" || name == "courier" || name == "lucida console") family = 2;
  return family * 4 + (f.bold ? 1 : 0) + (f.italic ? 2 : 0);
}

unsigned char latin1(char32_t c) { return c >= 32 && c <= 255 ? static_cast<unsigned char>(c) : '?'; }

float charWidth(int font, char32_t c, float size) {
  const unsigned char b = latin1(c);
  return static_cast<float>(kWidths[font][b - 32]) * size / 1000.0f;
}

std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string psString(const std::u32string& s) {
  std::string out = "(";
  for (char32_t c : s) {
    const unsigned char b = latin1(c);
    if (b == '(' || b == ')' || b == '\\') {
      out += '\\';
      out += static_cast<char>(b);
    } else if (b > 126) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\%03o", b);
      out += buf;
    } else {
      out += static_cast<char>(b);
    }
  }
  return out + ")";
}

std::string ascii85(const std::string& data) {
  std::string out;
  size_t column = 0;
  auto put = [&](char c) {
    out += c;
    if (++column == 72) {
      out += '\n';
      column = 0;
    }
  };
  for (size_t i = 0; i < data.size(); i += 4) {
    const size_t n = std::min<size_t>(4, data.size() - i);
    uint32_t word = 0;
    for (size_t k = 0; k < 4; ++k) word = (word << 8) | (k < n ? static_cast<unsigned char>(data[i + k]) : 0u);
    if (n == 4 && word == 0) {
      put('z');
      continue;
    }
    char digits[5];
    for (int k = 4; k >= 0; --k) {
      digits[k] = static_cast<char>('!' + word % 85);
      word /= 85;
    }
    for (size_t k = 0; k < n + 1; ++k) put(digits[k]);
  }
  return out + "~>\n";
}

uint32_t be(const std::string& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int k = 0; k < bytes; ++k) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(k)]);
  return v;
}

uint32_t le(const std::string& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int k = bytes - 1; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(k)]);
  return v;
}

}  // namespace

// ---- Paper and pictures ----

std::optional<std::pair<float, float>> paperDimensions(int32_t paperSize) {
  static const std::map<int32_t, std::pair<float, float>> sizes = {
      {0, {720, 1008}},
      {1, {792, 1224}},
      {2, {612, 792}},
      {3, {612, 792}},
      {4, {612, 1008}},
      {5, {522, 756}},
      {6, {297 * kMm, 420 * kMm}},
      {7, {210 * kMm, 297 * kMm}},
      {8, {210 * kMm, 297 * kMm}},
      {9, {148 * kMm, 210 * kMm}},
      {10, {257 * kMm, 364 * kMm}},
      {11, {182 * kMm, 257 * kMm}},
      {12, {1224, 1584}},
      {13, {1584, 2448}},
      {14, {2448, 3168}},
      {15, {612, 936}},
      {16, {612, 864}},
      {17, {1071, 792}},
      {18, {612, 936}},
      {19, {1224, 792}},
      {20, {612, 792}},
      {21, {215 * kMm, 275 * kMm}},
      {22, {396, 612}},
      {23, {792, 1224}},
      {24, {279, 639}},
      {25, {297, 684}},
      {26, {324, 747}},
      {27, {342, 792}},
      {28, {360, 828}},
      {29, {250 * kMm, 353 * kMm}},
      {30, {176 * kMm, 250 * kMm}},
      {31, {176 * kMm, 125 * kMm}},
      {32, {324 * kMm, 458 * kMm}},
      {33, {229 * kMm, 324 * kMm}},
      {34, {162 * kMm, 229 * kMm}},
      {35, {114 * kMm, 162 * kMm}},
      {36, {114 * kMm, 229 * kMm}},
      {37, {110 * kMm, 220 * kMm}},
      {38, {110 * kMm, 230 * kMm}},
      {39, {279, 540}},
      {40, {261, 468}},
  };
  auto it = sizes.find(paperSize);
  if (it == sizes.end()) return std::nullopt;
  return it->second;
}

std::optional<ImageFacts> imageFacts(const std::string& b) {
  ImageFacts f;
  if (b.size() > 4 && static_cast<unsigned char>(b[0]) == 0xFF && static_cast<unsigned char>(b[1]) == 0xD8) {
    f.format = "jpeg";
    for (size_t i = 2; i + 9 < b.size();) {
      if (static_cast<unsigned char>(b[i]) != 0xFF) return std::nullopt;
      const unsigned marker = static_cast<unsigned char>(b[i + 1]);
      if (marker == 0xFF) {
        ++i;
        continue;
      }
      const uint32_t length = be(b, i + 2, 2);
      if (marker == 0xE0 && length >= 14 && b.compare(i + 4, 4, "JFIF") == 0) {
        const unsigned units = static_cast<unsigned char>(b[i + 11]);
        const uint32_t x = be(b, i + 12, 2), y = be(b, i + 14, 2);
        if (x > 0 && y > 0 && (units == 1 || units == 2)) {
          f.dpiX = units == 1 ? x : x * 2.54;
          f.dpiY = units == 1 ? y : y * 2.54;
        }
      }
      if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
        f.height = static_cast<int>(be(b, i + 5, 2));
        f.width = static_cast<int>(be(b, i + 7, 2));
        f.components = static_cast<unsigned char>(b[i + 9]);
        return f.width > 0 && f.height > 0 ? std::optional(f) : std::nullopt;
      }
      i += 2 + length;
    }
    return std::nullopt;
  }
  if (b.size() > 24 && b.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) {
    f.format = "png";
    f.width = static_cast<int>(be(b, 16, 4));
    f.height = static_cast<int>(be(b, 20, 4));
    for (size_t i = 8; i + 12 <= b.size();) {
      const uint32_t length = be(b, i, 4);
      if (b.compare(i + 4, 4, "pHYs") == 0 && length == 9 && b[i + 16] == 1) {
        f.dpiX = be(b, i + 8, 4) * 0.0254;
        f.dpiY = be(b, i + 12, 4) * 0.0254;
      }
      if (b.compare(i + 4, 4, "IDAT") == 0) break;
      i += 12 + length;
    }
    return f.width > 0 && f.height > 0 ? std::optional(f) : std::nullopt;
  }
  if (b.size() > 10 && (b.compare(0, 6, "GIF87a") == 0 || b.compare(0, 6, "GIF89a") == 0)) {
    f.format = "gif";
    f.width = static_cast<int>(le(b, 6, 2));
    f.height = static_cast<int>(le(b, 8, 2));
    return f.width > 0 && f.height > 0 ? std::optional(f) : std::nullopt;
  }
  if (b.size() > 26 && b.compare(0, 2, "BM") == 0) {
    f.format = "bmp";
    f.width = static_cast<int>(le(b, 18, 4));
    f.height = std::abs(static_cast<int32_t>(le(b, 22, 4)));
    return f.width > 0 && f.height > 0 ? std::optional(f) : std::nullopt;
  }
  if (b.size() > 8 && (b.compare(0, 4, "II*\0", 4) == 0 || b.compare(0, 4, "MM\0*", 4) == 0)) {
    f.format = "tiff";  // its size comes from the converted picture
    return f;
  }
  return std::nullopt;
}

// ---- The story ----

ComposedDocument::ComposedDocument() {
  formats_.push_back(CharFormat{});
  cells_.push_back({kMark, 0, nextMark_});
  paragraphFormats_.push_back({nextMark_++, ParagraphFormat{}});
}

std::string ComposedDocument::text() const { return text(0, cells_.size()); }

std::string ComposedDocument::text(size_t start, size_t end) const {
  std::string out;
  for (size_t i = start; i < std::min(end, cells_.size()); ++i) encode(cells_[i].ch, out);
  return out;
}

std::shared_ptr<LivePosition> ComposedDocument::track(size_t start, size_t end) {
  auto p = std::make_shared<LivePosition>(LivePosition{std::min(start, cells_.size()), std::min(end, cells_.size())});
  positions_.erase(std::remove_if(positions_.begin(), positions_.end(), [](auto& w) { return w.expired(); }),
                   positions_.end());
  positions_.push_back(p);
  return p;
}

void ComposedDocument::shift(size_t at, long delta) {
  for (auto& weak : positions_) {
    auto p = weak.lock();
    if (!p) continue;
    for (size_t* v : {&p->start, &p->end}) {
      if (delta > 0 && *v > at) *v += static_cast<size_t>(delta);
      if (delta < 0) {
        const size_t removedEnd = at + static_cast<size_t>(-delta);
        if (*v > removedEnd) *v -= static_cast<size_t>(-delta);
        else if (*v > at) *v = at;
      }
    }
  }
}

uint32_t ComposedDocument::internFormat(const CharFormat& format) {
  for (size_t i = 0; i < formats_.size(); ++i)
    if (formats_[i] == format) return static_cast<uint32_t>(i);
  formats_.push_back(format);
  return static_cast<uint32_t>(formats_.size() - 1);
}

size_t ComposedDocument::insert(size_t at, const std::string& text) {
  at = std::min(at, cells_.size() - 1);
  const std::u32string chars = storyText(text);
  if (chars.empty()) return 0;
  // Inserted text takes the formatting of the character before it, or at
  // the start of a paragraph that of what follows.
  const uint32_t format =
      at > 0 && cells_[at - 1].mark == 0 && cells_[at - 1].ch != kPageBreak ? cells_[at - 1].format : cells_[at].format;
  const ParagraphFormat paragraph = paragraphFormat(paragraphAt(at));
  std::vector<Cell> added;
  added.reserve(chars.size());
  for (char32_t c : chars) {
    uint32_t mark = 0;
    if (c == kMark) {
      mark = nextMark_++;
      paragraphFormats_.push_back({mark, paragraph});
    }
    added.push_back({c, format, mark});
  }
  cells_.insert(cells_.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
  shift(at, static_cast<long>(added.size()));
  return added.size();
}

size_t ComposedDocument::replace(size_t start, size_t end, const std::string& text) {
  end = std::min(end, cells_.size() - 1);  // the final mark stays
  start = std::min(start, end);
  const uint32_t format = cells_[start].format;
  if (end > start) {
    for (size_t i = start; i < end; ++i) {
      if (cells_[i].mark == 0) continue;
      const uint32_t mark = cells_[i].mark;
      paragraphFormats_.erase(std::remove_if(paragraphFormats_.begin(), paragraphFormats_.end(),
                                             [mark](auto& p) { return p.first == mark; }),
                              paragraphFormats_.end());
    }
    cells_.erase(cells_.begin() + static_cast<std::ptrdiff_t>(start),
                 cells_.begin() + static_cast<std::ptrdiff_t>(end));
    shift(start, -static_cast<long>(end - start));
  }
  const size_t n = insert(start, text);
  for (size_t i = start; i < start + n; ++i) cells_[i].format = format;
  return start + n;
}

std::vector<uint32_t> ComposedDocument::paragraphMarks() const {
  std::vector<uint32_t> marks;
  for (const Cell& c : cells_)
    if (c.mark) marks.push_back(c.mark);
  return marks;
}

uint32_t ComposedDocument::lastParagraph() const { return cells_.back().mark; }

std::optional<std::pair<size_t, size_t>> ComposedDocument::paragraphRange(uint32_t mark) const {
  // Composing happens at the end: search from there.
  for (size_t i = cells_.size(); i-- > 0;) {
    if (cells_[i].mark != mark) continue;
    size_t start = i;
    while (start > 0 && cells_[start - 1].mark == 0) --start;
    return std::make_pair(start, i + 1);
  }
  return std::nullopt;
}

uint32_t ComposedDocument::paragraphAt(size_t at) const {
  for (size_t i = std::min(at, cells_.size() - 1); i < cells_.size(); ++i)
    if (cells_[i].mark) return cells_[i].mark;
  return cells_.back().mark;
}

ParagraphFormat& ComposedDocument::paragraphFormat(uint32_t mark) {
  for (auto it = paragraphFormats_.rbegin(); it != paragraphFormats_.rend(); ++it)
    if (it->first == mark) return it->second;
  paragraphFormats_.push_back({mark, ParagraphFormat{}});
  return paragraphFormats_.back().second;
}

CharFormat ComposedDocument::charFormat(size_t at) const {
  return formats_[cells_[std::min(at, cells_.size() - 1)].format];
}

void ComposedDocument::formatChars(size_t start, size_t end, const std::function<void(CharFormat&)>& change) {
  std::map<uint32_t, uint32_t> changed;
  for (size_t i = start; i < std::min(end, cells_.size()); ++i) {
    auto it = changed.find(cells_[i].format);
    if (it == changed.end()) {
      CharFormat f = formats_[cells_[i].format];
      change(f);
      it = changed.emplace(cells_[i].format, internFormat(f)).first;
    }
    cells_[i].format = it->second;
  }
}

std::vector<size_t> ComposedDocument::matches(size_t start, size_t end, const std::string& find, bool matchCase,
                                              bool matchWholeWord, int limit) const {
  const std::u32string needle = storyText(find);
  std::vector<size_t> hits;
  if (needle.empty()) return hits;
  end = std::min(end, cells_.size());
  for (size_t i = start; i + needle.size() <= end;) {
    bool same = true;
    for (size_t k = 0; k < needle.size() && same; ++k) {
      const char32_t a = cells_[i + k].ch, b = needle[k];
      same = matchCase ? a == b : foldCase(a) == foldCase(b);
    }
    if (same && matchWholeWord) {
      const bool before = i > 0 && isWordChar(cells_[i - 1].ch) && isWordChar(needle.front());
      const bool after =
          i + needle.size() < cells_.size() && isWordChar(cells_[i + needle.size()].ch) && isWordChar(needle.back());
      same = !before && !after;
    }
    if (same) {
      hits.push_back(i);
      if (limit > 0 && static_cast<int>(hits.size()) == limit) break;
      i += needle.size();
    } else {
      ++i;
    }
  }
  return hits;
}

int ComposedDocument::replaceAll(size_t start, size_t end, const std::string& find, const std::string& replacement,
                                 bool matchCase, bool matchWholeWord, int limit) {
  const std::vector<size_t> hits = matches(start, end, find, matchCase, matchWholeWord, limit);
  const size_t length = storyText(find).size();
  for (auto it = hits.rbegin(); it != hits.rend(); ++it) replace(*it, *it + length, replacement);
  return static_cast<int>(hits.size());
}

// ---- Printing ----

class Typesetter {
 public:
  explicit Typesetter(const ComposedDocument& doc) : doc_(doc), setup_(doc.setup) {}

  std::vector<std::string> pages() {
    newPage();
    size_t start = 0;
    for (size_t i = 0; i < doc_.cells_.size(); ++i) {
      if (doc_.cells_[i].mark == 0) continue;
      paragraph(start, i);
      start = i + 1;
    }
    finishPage();
    return std::move(pages_);
  }

 private:
  struct Item {
    std::u32string text;
    uint32_t format;
    float width;
    bool space;
  };

  float left() const { return setup_.leftMargin; }
  float right() const { return setup_.pageWidth() - setup_.rightMargin; }
  float top() const { return setup_.pageHeight() - setup_.topMargin; }
  float bottom() const { return setup_.bottomMargin; }

  void newPage() {
    if (open_) finishPage();
    open_ = true;
    empty_ = true;
    page_.clear();
    font_ = -1;
    color_ = -1;
    y_ = top();
  }

  void finishPage() {
    if (!open_) return;
    const int number = static_cast<int>(pages_.size()) + 1;
    std::string numbers;
    for (const PageNumbering* n : {&doc_.header, &doc_.footer}) {
      if (!n->present || (number == 1 && !n->firstPage)) continue;
      const std::u32string label = decode(std::to_string(number));
      float width = 0;
      for (char32_t c : label) width += charWidth(0, c, 12);
      int32_t a = n->alignment;
      if (a == 3) a = number % 2 == 1 ? 0 : 2;  // inside: by the binding
      else if (a == 4) a = number % 2 == 1 ? 2 : 0;
      const float x = a == 0 ? left() : a == 1 ? (left() + right() - width) / 2 : right() - width;
      const float y = n == &doc_.header ? setup_.pageHeight() - setup_.headerDistance - 0.891f * 12
                                        : setup_.footerDistance + 0.216f * 12;
      numbers +=
          "0 0 0 setrgbcolor /Times-Roman 12 SF " + num(x) + " " + num(y) + " moveto " + psString(label) + " show\n";
    }
    pages_.push_back(page_ + numbers);
    open_ = false;
  }

  void useFont(int font, float size) {
    const int key = font * 10000 + static_cast<int>(size * 10);
    if (key == font_) return;
    font_ = key;
    page_ += "/" + std::string(kFontNames[font]) + " " + num(size) + " SF\n";
  }

  void useColor(int32_t color) {
    const int32_t c = color < 0 ? 0 : color;  // automatic is black
    if (c == color_) return;
    color_ = c;
    page_ += num((c & 0xFF) / 255.0) + " " + num(((c >> 8) & 0xFF) / 255.0) + " " + num(((c >> 16) & 0xFF) / 255.0) +
             " setrgbcolor\n";
  }

  void picture(const Picture& p, float paragraphTop) {
    float x = left() + p.left;
    float y;
    if (p.positioned) {
      y = paragraphTop - p.top - p.height;
    } else {
      if (y_ - p.height < bottom() && !empty_) newPage();
      y = y_ - p.height;
      y_ = y;
    }
    empty_ = false;
    if (p.kind == Picture::Kind::Jpeg) {
      const char* space = p.components == 1 ? "/DeviceGray" : p.components == 4 ? "/DeviceCMYK" : "/DeviceRGB";
      std::string decode = p.components == 1 ? "[0 1]" : p.components == 4 ? "[1 0 1 0 1 0 1 0]" : "[0 1 0 1 0 1]";
      page_ += "gsave " + num(x) + " " + num(y) + " translate " + num(p.width) + " " + num(p.height) + " scale " +
               space + " setcolorspace\n<< /ImageType 1 /Width " + std::to_string(p.pixelWidth) + " /Height " +
               std::to_string(p.pixelHeight) + " /BitsPerComponent 8 /Decode " + decode + " /ImageMatrix [" +
               std::to_string(p.pixelWidth) + " 0 0 -" + std::to_string(p.pixelHeight) + " 0 " +
               std::to_string(p.pixelHeight) +
               "] /DataSource currentfile /ASCII85Decode filter /DCTDecode filter >> image\n" + ascii85(p.data) +
               "grestore\n";
    } else {
      float llx = 0, lly = 0, urx = 1, ury = 1;
      const size_t bb = p.data.find("%%BoundingBox:");
      if (bb != std::string::npos) std::sscanf(p.data.c_str() + bb + 14, "%f %f %f %f", &llx, &lly, &urx, &ury);
      const float sx = p.width / std::max(1.0f, urx - llx), sy = p.height / std::max(1.0f, ury - lly);
      page_ += "/PictureState save def userdict begin /showpage {} def\n" + num(x) + " " + num(y) + " translate " +
               num(sx) + " " + num(sy) + " scale " + num(-llx) + " " + num(-lly) +
               " translate\n%%BeginDocument: picture\n" + p.data + "\n%%EndDocument\nend PictureState restore\n";
    }
    font_ = -1;
    color_ = -1;
  }

  void paragraph(size_t start, size_t markAt) {
    const auto& cells = doc_.cells_;
    const uint32_t mark = cells[markAt].mark;
    const ParagraphFormat& pf = const_cast<ComposedDocument&>(doc_).paragraphFormat(mark);
    const float paragraphTop = y_;
    for (const Picture& p : doc_.pictures)
      if (p.anchorMark == mark) picture(p, paragraphTop);
    std::vector<Item> line;
    float markSize = doc_.formats_[cells[markAt].format].size;
    auto flush = [&](bool last) {
      emitLine(line, pf.alignment, last, markSize);
      line.clear();
    };
    float width = 0;
    const float available = right() - left();
    size_t i = start;
    while (i < markAt) {
      const char32_t c = cells[i].ch;
      if (c == kPageBreak) {
        flush(true);
        newPage();
        width = 0;
        ++i;
        continue;
      }
      if (c == kLineBreak) {
        flush(true);
        width = 0;
        ++i;
        continue;
      }
      // A word (or a run of blanks) as items of one format each.
      const bool space = c == U' ' || c == U'\t';
      std::vector<Item> group;
      float groupWidth = 0;
      while (i < markAt) {
        const char32_t d = cells[i].ch;
        const bool dSpace = d == U' ' || d == U'\t';
        if (d == kPageBreak || d == kLineBreak || dSpace != space) break;
        const CharFormat& f = doc_.formats_[cells[i].format];
        const float w = charWidth(fontIndex(f), d == U'\t' ? U' ' : d, f.size) * (d == U'\t' ? 4 : 1);
        if (group.empty() || group.back().format != cells[i].format) group.push_back({{}, cells[i].format, 0, space});
        if (d == U'\t') group.back().text += U"    ";  // a tab is four blanks wide
        else group.back().text += d;
        group.back().width += w;
        groupWidth += w;
        ++i;
      }
      if (!space && width + groupWidth > available && !line.empty()) {
        while (!line.empty() && line.back().space) line.pop_back();
        flush(false);
        width = 0;
      }
      for (Item& item : group) line.push_back(std::move(item));
      width += groupWidth;
    }
    flush(true);
    y_ -= pf.spaceAfter;
  }

  void emitLine(std::vector<Item>& items, int32_t alignment, bool last, float markSize) {
    float size = 0, width = 0;
    int spaces = 0;
    for (const Item& it : items) {
      size = std::max(size, doc_.formats_[it.format].size);
      width += it.width;
      if (it.space) spaces += static_cast<int>(it.text.size());
    }
    if (size == 0) size = markSize;
    const float height = size * 1.15f;
    if (y_ - height < bottom() && !empty_) newPage();
    empty_ = false;
    const float baseline = y_ - 0.891f * size;
    y_ -= height;
    const float extra = right() - left() - width;
    float x = left();
    float stretch = 0;
    if (alignment == 1) x += extra / 2;
    else if (alignment == 2) x += extra;
    else if (alignment == 3 && !last && spaces > 0) stretch = extra / static_cast<float>(spaces);
    // Consecutive items of one format are one run: one show (widthshow
    // when justified lines stretch their blanks), one underline.
    for (size_t k = 0; k < items.size();) {
      const uint32_t format = items[k].format;
      const CharFormat& f = doc_.formats_[format];
      std::u32string text;
      float w = 0;
      int blanks = 0;
      bool visible = false;
      for (; k < items.size() && items[k].format == format; ++k) {
        text += items[k].text;
        w += items[k].width;
        if (items[k].space) blanks += static_cast<int>(items[k].text.size());
        else visible = true;
      }
      w += stretch * static_cast<float>(blanks);
      if (visible) {
        useFont(fontIndex(f), f.size);
        useColor(f.color);
        page_ += num(x) + " " + num(baseline) + " moveto ";
        page_ += stretch > 0 && blanks > 0 ? num(stretch) + " 0 32 " + psString(text) + " widthshow\n"
                                           : psString(text) + " show\n";
      }
      if (f.underline || f.strikethrough) {
        useColor(f.color);
        const float thickness = std::max(0.5f, f.size * 0.05f);
        const float lineY = f.underline ? baseline - f.size * 0.1f : baseline + f.size * 0.28f;
        page_ += num(thickness) + " setlinewidth newpath " + num(x) + " " + num(lineY) + " moveto " + num(w) +
                 " 0 rlineto stroke\n";
        if (f.underline && f.strikethrough)
          page_ +=
              "newpath " + num(x) + " " + num(baseline + f.size * 0.28f) + " moveto " + num(w) + " 0 rlineto stroke\n";
      }
      x += w;
    }
  }

  const ComposedDocument& doc_;
  const PageSetup& setup_;
  std::vector<std::string> pages_;
  std::string page_;
  bool open_ = false;
  bool empty_ = true;
  float y_ = 0;
  int font_ = -1;
  int32_t color_ = -1;
};

int ComposedDocument::pageCount() const { return static_cast<int>(Typesetter(*this).pages().size()); }

std::string ComposedDocument::postScript(const std::string& title) const {
  const std::vector<std::string> pages = Typesetter(*this).pages();
  const std::string w = num(setup.pageWidth()), h = num(setup.pageHeight());
  std::string ps;
  ps += "%!PS-Adobe-3.0\n%%Creator: Microsoft Word\n%%Title: " + title + "\n";
  ps += "%%Pages: " + std::to_string(pages.size()) + "\n%%PageOrder: Ascend\n";
  ps += std::string("%%Orientation: ") + (setup.orientation == 1 ? "Landscape" : "Portrait") + "\n";
  ps += "%%BoundingBox: 0 0 " + std::to_string(static_cast<int>(std::ceil(setup.pageWidth()))) + " " +
        std::to_string(static_cast<int>(std::ceil(setup.pageHeight()))) + "\n";
  ps += "%%DocumentNeededResources:";
  for (const char* f : kFontNames) ps += std::string(" font ") + f;
  ps += "\n%%EndComments\n%%BeginProlog\n";
  ps += "/SF { exch findfont exch scalefont setfont } bind def\n";
  ps +=
      "/L1 { exch findfont dup length dict begin { 1 index /FID ne { def } { pop pop } ifelse } forall "
      "/Encoding ISOLatin1Encoding def currentdict end definefont pop } bind def\n";
  // Re-encoded under their own names, so the PDF names the standard fonts.
  for (const char* f : kFontNames) ps += "/" + std::string(f) + " /" + f + " L1\n";
  ps += "%%EndProlog\n%%BeginSetup\n<< /PageSize [" + w + " " + h + "] >> setpagedevice\n%%EndSetup\n";
  for (size_t i = 0; i < pages.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    ps.append("%%Page: ").append(n).append(" ").append(n).append("\nsave\n");
    ps.append(pages[i]).append("restore showpage\n");
  }
  ps += "%%Trailer\n%%EOF\n";
  return ps;
}

// ---- RTF ----

namespace {

bool isRtfDestination(const std::string& word) {
  static const char* const kSkipped[] = {"fonttbl", "colortbl",  "stylesheet",        "info",         "pict",
                                         "header",  "footer",    "headerl",           "headerr",      "footerl",
                                         "footerr", "listtable", "listoverridetable", "rsidtbl",      "generator",
                                         "object",  "fldinst",   "themedata",         "latentstyles", "datastore",
                                         "xmlnstbl"};
  return std::any_of(std::begin(kSkipped), std::end(kSkipped), [&](const char* w) { return word == w; });
}

char32_t rtfSymbol(const std::string& word) {
  static const std::map<std::string, char32_t> kSymbols = {
      {"tab", U'\t'},         {"emdash", 0x2014u},    {"endash", 0x2013u}, {"lquote", 0x2018u},  {"rquote", 0x2019u},
      {"ldblquote", 0x201Cu}, {"rdblquote", 0x201Du}, {"bullet", 0x2022u}, {"emspace", 0x2003u}, {"enspace", 0x2002u}};
  auto it = kSymbols.find(word);
  return it == kSymbols.end() ? 0 : it->second;
}

}  // namespace

std::string rtfPlainText(const std::string& rtf) {
  struct Group {
    bool skip;
    long fallback;  // characters after \uN that stand for it (\ucN)
  };
  std::vector<Group> groups{{false, 1}};
  std::string out;
  long pendingFallback = 0;
  // One character of text; a \uN's fallback characters are dropped.
  auto text = [&](char32_t c) {
    if (pendingFallback > 0) {
      --pendingFallback;
      return;
    }
    if (!groups.back().skip) encode(c, out);
  };
  auto latin = [&](unsigned char byte) {
    const std::string utf8 = codepage::decode(codepage::kWestern, std::string(1, static_cast<char>(byte)));
    if (pendingFallback > 0) {
      --pendingFallback;
    } else if (!groups.back().skip) {
      out += utf8;
    }
  };
  size_t i = 0;
  while (i < rtf.size()) {
    const char c = rtf[i];
    if (c == '{') {
      groups.push_back(groups.back());
      ++i;
      if (rtf.compare(i, 2, "\\*") == 0) groups.back().skip = true;
      continue;
    }
    if (c == '}') {
      if (groups.size() > 1) groups.pop_back();
      pendingFallback = 0;
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c != '\\') {
      latin(static_cast<unsigned char>(c));
      ++i;
      continue;
    }
    if (++i >= rtf.size()) break;
    const char n = rtf[i];
    if (n == '\\' || n == '{' || n == '}') {
      text(static_cast<char32_t>(n));
      ++i;
    } else if (n == '\'') {
      const std::string hex = rtf.substr(i + 1, 2);
      i += 1 + hex.size();
      if (hex.size() == 2 && std::isxdigit(static_cast<unsigned char>(hex[0])) &&
          std::isxdigit(static_cast<unsigned char>(hex[1])))
        latin(static_cast<unsigned char>(std::stoul(hex, nullptr, 16)));
    } else if (n == '~') {
      text(0xA0u);
      ++i;
    } else if (n == '_') {
      text(U'-');
      ++i;
    } else if (n == '\r' || n == '\n') {
      text(U'\n');  // a backslash before a line break is \par
      ++i;
    } else if (std::isalpha(static_cast<unsigned char>(n))) {
      std::string word;
      while (i < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[i]))) word += rtf[i++];
      std::string digits;
      if (i < rtf.size() && rtf[i] == '-') digits += rtf[i++];
      while (i < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[i])) && digits.size() < 10)
        digits += rtf[i++];
      if (i < rtf.size() && rtf[i] == ' ') ++i;  // the delimiter belongs to the word
      const bool hasParameter = !digits.empty() && digits != "-";
      const long parameter = hasParameter ? std::stol(digits) : 0;
      if (word == "par" || word == "line" || word == "page" || word == "sect") {
        text(U'\n');
      } else if (word == "u" && hasParameter) {
        text(static_cast<char32_t>(parameter < 0 ? parameter + 65536 : parameter));
        pendingFallback = groups.back().fallback;
      } else if (word == "uc" && hasParameter) {
        groups.back().fallback = std::max(0L, parameter);
      } else if (isRtfDestination(word)) {
        groups.back().skip = true;
      } else if (char32_t symbol = rtfSymbol(word)) {
        text(symbol);
      }
    } else {
      ++i;  // another control symbol: nothing to show
    }
  }
  return out;
}

std::string ComposedDocument::rtf() const {
  auto twips = [](float points) { return std::to_string(static_cast<long>(std::lround(points * 20))); };
  std::vector<std::string> fonts;
  std::vector<int32_t> colors;
  auto fontNumber = [&](const std::string& name) {
    auto it = std::find(fonts.begin(), fonts.end(), name);
    if (it == fonts.end()) it = fonts.insert(fonts.end(), name);
    return std::to_string(it - fonts.begin());
  };
  auto colorNumber = [&](int32_t c) {
    c = c < 0 ? 0 : c;
    auto it = std::find(colors.begin(), colors.end(), c);
    if (it == colors.end()) it = colors.insert(colors.end(), c);
    return std::to_string(it - colors.begin() + 1);
  };
  auto escape = [](char32_t c) -> std::string {
    if (c == U'\\' || c == U'{' || c == U'}') return std::string("\\") + static_cast<char>(c);
    if (c == U'\t') return "\\tab ";
    if (c >= 32 && c < 127) return std::string(1, static_cast<char>(c));
    if (c >= 160 && c <= 255) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\'%02x", static_cast<unsigned>(c));
      return buf;
    }
    return "\\u" + std::to_string(static_cast<int16_t>(c)) + "?";
  };
  fontNumber("Times New Roman");
  std::string body;
  size_t start = 0;
  for (size_t m = 0; m < cells_.size(); ++m) {
    if (cells_[m].mark == 0) continue;
    const ParagraphFormat& pf = const_cast<ComposedDocument*>(this)->paragraphFormat(cells_[m].mark);
    static const char* const kAlign[] = {"\\ql", "\\qc", "\\qr", "\\qj"};
    body += "\\pard\\plain" + std::string(kAlign[std::clamp(pf.alignment, 0, 3)]) + "\\sa" + twips(pf.spaceAfter);
    for (const Picture& p : pictures) {
      if (p.anchorMark != cells_[m].mark || (p.format != "jpeg" && p.format != "png")) continue;
      body += "{\\pict\\" + p.format + "blip\\picw" + std::to_string(p.pixelWidth) + "\\pich" +
              std::to_string(p.pixelHeight) + "\\picwgoal" + twips(p.width) + "\\pichgoal" + twips(p.height) + "\n";
      static const char* const kHex = "0123456789abcdef";
      for (size_t k = 0; k < p.original.size(); ++k) {
        const auto b = static_cast<unsigned char>(p.original[k]);
        body += kHex[b >> 4];
        body += kHex[b & 15];
        if (k % 64 == 63) body += '\n';
      }
      body += "}";
    }
    for (size_t i = start; i < m;) {
      const uint32_t fi = cells_[i].format;
      const CharFormat& f = formats_[fi];
      body += "{\\f" + fontNumber(f.name) + "\\fs" + std::to_string(std::lround(f.size * 2)) + "\\cf" +
              colorNumber(f.color) + (f.bold ? "\\b" : "") + (f.italic ? "\\i" : "") + (f.underline ? "\\ul" : "") +
              (f.strikethrough ? "\\strike" : "") + " ";
      for (; i < m && cells_[i].format == fi; ++i) {
        const char32_t c = cells_[i].ch;
        body += c == kPageBreak ? "\\page " : c == kLineBreak ? "\\line " : escape(c);
      }
      body += "}";
    }
    body += "\\par\n";
    start = m + 1;
  }
  std::string headers;
  bool titlePage = false;
  for (const PageNumbering* n : {&header, &footer}) {
    if (!n->present) continue;
    const char* kind = n == &header ? "header" : "footer";
    static const char* const kAlign[] = {"\\ql", "\\qc", "\\qr", "\\ql", "\\qr"};
    headers += std::string("{\\") + kind + "\\pard\\plain" + kAlign[std::clamp(n->alignment, 0, 4)] +
               "{\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}\\par}\n";
    if (!n->firstPage) {
      titlePage = true;
      headers += std::string("{\\") + kind + "f\\pard\\plain\\par}\n";
    }
  }
  std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\n{\\fonttbl";
  for (size_t i = 0; i < fonts.size(); ++i) out += "{\\f" + std::to_string(i) + "\\fnil " + fonts[i] + ";}";
  out += "}\n{\\colortbl;";
  colorNumber(0);
  for (int32_t c : colors)
    out += "\\red" + std::to_string(c & 0xFF) + "\\green" + std::to_string((c >> 8) & 0xFF) + "\\blue" +
           std::to_string((c >> 16) & 0xFF) + ";";
  out += "}\n\\paperw" + twips(setup.pageWidth()) + "\\paperh" + twips(setup.pageHeight()) + "\\margl" +
         twips(setup.leftMargin) + "\\margr" + twips(setup.rightMargin) + "\\margt" + twips(setup.topMargin) +
         "\\margb" + twips(setup.bottomMargin) + "\\headery" + twips(setup.headerDistance) + "\\footery" +
         twips(setup.footerDistance) + (setup.orientation == 1 ? "\\landscape" : "") + (titlePage ? "\\titlepg" : "") +
         "\n" + headers + body + "}\n";
  return out;
}

}  // namespace dv::standins::word

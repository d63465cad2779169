// Page text and words with their boxes, from poppler. Each page is written
// out as soon as it is read, by hand: a JSON tree of every word first costs
// more than poppler's own work.
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page.h>

#include <charconv>
#include <memory>

#include "pdftool.h"

namespace dv::pdftool {

namespace {

std::string utf8(const poppler::ustring& text) {
  const poppler::byte_array bytes = text.to_utf8();
  return std::string(bytes.begin(), bytes.end());
}

// poppler reports damaged content on stderr, which would mix with the answer.
void quiet(const std::string&, void*) {}

// The shortest text that reads back as the same double, as a JSON dump writes it.
void appendNumber(std::string& out, double value) {
  char buffer[32];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, r.ptr);
}

void appendString(std::string& out, const std::string& text) {
  out += Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

void readText(const std::string& path, const std::string& password, int first, int last, bool pageText,
              const std::function<void(const std::string&)>& sink) {
  poppler::set_debug_error_function(quiet, nullptr);
  std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path, password, password));
  if (!doc || doc->is_locked()) {
    // The facts reader tells passwords apart from damage: both commands
    // refuse a file the same way.
    openDocument(path, password);
    if (!doc) throw Failure(Exit::Unreadable, path + ": poppler cannot read the file");
    throw Failure(Exit::Password, path + ": invalid password");
  }
  const int count = doc->pages();
  if (first < 1) first = 1;
  if (last <= 0 || last > count) last = count;
  if (first > count && count > 0)
    refuse("page " + std::to_string(first) + " is beyond the last page, " + std::to_string(count));
  std::string line;
  for (int n = first; n <= last; ++n) {
    std::unique_ptr<poppler::page> page(doc->create_page(n - 1));
    if (!page) throw Failure(Exit::Unreadable, "page " + std::to_string(n) + " cannot be read");
    const poppler::rectf size = page->page_rect(poppler::media_box);
    line = "{\"page\":" + std::to_string(n) + ",\"height\":";
    appendNumber(line, size.height());
    if (pageText) {
      line += ",\"text\":";
      appendString(line, utf8(page->text(poppler::rectf(), poppler::page::physical_layout)));
    }
    line += ",\"width\":";
    appendNumber(line, size.width());
    line += ",\"words\":[";
    bool firstWord = true;
    for (poppler::text_box& word : page->text_list()) {
      const poppler::rectf b = word.bbox();
      line += firstWord ? "{\"box\":[" : ",{\"box\":[";
      firstWord = false;
      for (double v : {b.left(), b.top(), b.right(), b.bottom()}) {
        appendNumber(line, v);
        line += ',';
      }
      line.back() = ']';
      line += ",\"text\":";
      appendString(line, utf8(word.text()));
      line += '}';
    }
    line += "]}";
    sink(line);
  }
}

}  // namespace dv::pdftool

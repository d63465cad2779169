// Page text and words with their boxes, from poppler.
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page.h>

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

}  // namespace

Json readText(const std::string& path, const std::string& password, int first, int last, bool pageText) {
  poppler::set_debug_error_function(quiet, nullptr);
  // The facts reader tells passwords apart from damage; reuse it so both
  // commands refuse a file the same way.
  openDocument(path, password);
  std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path, password, password));
  if (!doc) throw Failure(Exit::Unreadable, path + ": poppler cannot read the file");
  if (doc->is_locked()) throw Failure(Exit::Password, path + ": invalid password");
  const int count = doc->pages();
  if (first < 1) first = 1;
  if (last <= 0 || last > count) last = count;
  if (first > count && count > 0)
    refuse("page " + std::to_string(first) + " is beyond the last page, " + std::to_string(count));
  Json pages = Json::array();
  for (int n = first; n <= last; ++n) {
    std::unique_ptr<poppler::page> page(doc->create_page(n - 1));
    if (!page) throw Failure(Exit::Unreadable, "page " + std::to_string(n) + " cannot be read");
    const poppler::rectf size = page->page_rect(poppler::media_box);
    Json words = Json::array();
    for (poppler::text_box& word : page->text_list()) {
      const poppler::rectf b = word.bbox();
      words.push_back({{"text", utf8(word.text())}, {"box", {b.left(), b.top(), b.right(), b.bottom()}}});
    }
    Json entry{{"page", n}, {"width", size.width()}, {"height", size.height()}, {"words", std::move(words)}};
    if (pageText) entry["text"] = utf8(page->text(poppler::rectf(), poppler::page::physical_layout));
    pages.push_back(std::move(entry));
  }
  return Json{{"pages", std::move(pages)}};
}

}  // namespace dv::pdftool

#include "data/text_builder.h"

#include <utility>

namespace dv::lib {

namespace {
// Small texts (a field name list, a short outline) fit without any move.
constexpr size_t kInitialCapacity = 16 * 1024;
}  // namespace

void TextBuilder::Clear() {
  std::string().swap(buffer_);
  growths_ = 0;
}

void TextBuilder::Append(std::string_view s) {
  const size_t needed = buffer_.size() + s.size();
  if (needed > buffer_.capacity()) {
    // Doubling keeps the total copying below twice the final length.
    size_t next = buffer_.capacity() < kInitialCapacity ? kInitialCapacity : buffer_.capacity() * 2;
    if (next < needed) next = needed;
    buffer_.reserve(next);
    ++growths_;
  }
  buffer_.append(s);
}

std::string TextBuilder::TakeText() {
  std::string text = std::move(buffer_);
  buffer_ = std::string();
  growths_ = 0;
  return text;
}

}  // namespace dv::lib

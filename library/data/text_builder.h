// TextBuilder: the text builder the text-producing members assemble long
// texts with (outlines, field lists, form data).
//
// The buffer grows geometrically, so building a text of n characters costs
// O(n) whatever the sizes of the pieces. Callers only see Clear, Append and
// TakeText; the capacity is exposed for the growth bench and tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dv::lib {

class TextBuilder {
 public:
  // Empties the builder and gives its memory back.
  void Clear();
  void Append(std::string_view s);
  // The text built so far. The builder is left empty, so a following
  // Append starts a new text instead of writing behind a vanished buffer.
  std::string TakeText();

  // Characters in use (the used length).
  int32_t length() const { return static_cast<int32_t>(buffer_.size()); }
  size_t capacity() const { return buffer_.capacity(); }
  // How often the buffer had to move since the last Clear.
  size_t growthCount() const { return growths_; }

 private:
  std::string buffer_;
  size_t growths_ = 0;
};

}  // namespace dv::lib

#include "textSink.h"

#include <cstdio>

namespace nurvo {

void TextSink::print(const char* fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  const std::string s = vstrprintf(fmt, args);
  va_end(args);
  write(s);
}

void TextSink::line(std::string_view text) {
  write(text);
  write("\n");
}

TextSink& TextSink::operator<<(Fixed f) {
  char* at = room(maxNumberChars);
  const std::to_chars_result r =
      std::to_chars(at, at + maxNumberChars, f.value, std::chars_format::fixed, f.decimals);
  used(static_cast<std::size_t>(r.ptr - at));
  return *this;
}

TextSink& TextSink::operator<<(General g) {
  char* at = room(maxNumberChars);
  const std::to_chars_result r =
      std::to_chars(at, at + maxNumberChars, g.value, std::chars_format::general, 6);
  used(static_cast<std::size_t>(r.ptr - at));
  return *this;
}

char* TextSink::room(std::size_t) {
  return scratch_;
}

void TextSink::used(std::size_t k) {
  write(std::string_view(scratch_, k));
}

char* StringSink::room(std::size_t n) {
  roomAt_ = text.size();
  text.resize(roomAt_ + n);
  return text.data() + roomAt_;
}

void StringSink::used(std::size_t k) {
  text.resize(roomAt_ + k);
}

}  // namespace nurvo

#include "textEncoding.h"

namespace nurvo {

TextStart textStart(std::string_view b) {
  TextStart r;
  if (b.starts_with("\xef\xbb\xbf")) {
    r.skip = 3;
    return r;
  }
  const bool utf16Mark = b.starts_with("\xff\xfe") || b.starts_with("\xfe\xff");
  // Without a mark, UTF-16 text that starts with an ASCII character has a zero byte beside it.
  const bool utf16Text =
      b.size() >= 2 && ((b[0] != '\0' && b[1] == '\0') || (b[0] == '\0' && b[1] != '\0'));
  if (utf16Mark || utf16Text) {
    r.refusal = "is UTF-16 text; save the file as UTF-8 or plain text";
  }
  return r;
}

std::string printable(std::string_view text, Shown shown) {
  std::string s(text);
  for (char& c : s) {
    const auto byte = static_cast<unsigned char>(c);
    const bool lineEnd = c == '\t' || c == '\n' || c == '\r';
    if ((byte < 0x20 && (shown == Shown::inLine || !lineEnd)) || byte == 0x7f) c = '?';
  }
  return s;
}

std::string shortened(std::string_view text, std::size_t longest) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A byte 10xxxxxx continues the character before it.
    if ((static_cast<unsigned char>(text[i]) & 0xc0) == 0x80) continue;
    if (characters == longest) return printable(text.substr(0, i), Shown::inLine) + "...";
    ++characters;
  }
  return printable(text, Shown::inLine);
}

}  // namespace nurvo

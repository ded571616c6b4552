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

}  // namespace nurvo

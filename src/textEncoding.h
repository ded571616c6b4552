// How a text input file begins: a UTF-8 byte order mark to skip, or UTF-16, which no reader takes.
#pragma once

#include <cstddef>
#include <string_view>

namespace nurvo {

// What the first bytes of a text file say about its encoding.
struct TextStart {
  std::size_t skip = 0;           // bytes of a UTF-8 byte order mark to skip before the first line
  const char* refusal = nullptr;  // why the file cannot be read as text, or null when it can
};

// Classifies a file by its first bytes (at least the first four where the file has them). A UTF-8
// byte order mark, as Windows editors write it, is skipped. UTF-16, with or without its byte order
// mark (then told by a zero byte beside the first character), is refused: each of its characters
// holds a zero byte, and its numbers would be misread or refused line by line.
TextStart textStart(std::string_view firstBytes);

}  // namespace nurvo

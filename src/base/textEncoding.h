// How a text input file begins: a UTF-8 byte order mark to skip, or UTF-16, which no reader takes;
// and text of a file made fit to show on the operator's terminal.
#pragma once

#include <cstddef>
#include <string>
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

// Text of a file as the terminal is to show it: the control characters, and DEL, become '?', so
// that text from a file, which may hold any bytes, cannot clear the screen, move the cursor or
// retitle the terminal. Tab, line feed and carriage return are kept where `lines` says so (a
// file's echo), and become '?' too where the text is shown inside one line of a message (a name,
// a refused value), where a line end would let it print lines of its own.
enum class Shown { lines, inLine };
std::string printable(std::string_view text, Shown shown);

// `text` shown inside a line of a message: printable, and cut after `longest` characters (UTF-8
// sequences counted as one, never split) with "..." added where it was longer.
std::string shortened(std::string_view text, std::size_t longest);

}  // namespace nurvo

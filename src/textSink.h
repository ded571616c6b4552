// Exact printf-style text, written to a sink: a string, a file or the console.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#if defined(__MINGW32__)
#define NURVO_PRINTF(fmtIndex, firstArg) __attribute__((format(gnu_printf, fmtIndex, firstArg)))
#else
#define NURVO_PRINTF(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))
#endif

namespace nurvo {

// printf-style formatting into a std::string.
std::string strprintf(const char* fmt, ...) NURVO_PRINTF(1, 2);
std::string vstrprintf(const char* fmt, std::va_list args);

// Where text goes. Every byte of the output files and of the console passes through write().
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void write(std::string_view text) = 0;

  void print(const char* fmt, ...) NURVO_PRINTF(2, 3);
  // The text followed by one line end, as puts() writes it.
  void line(std::string_view text);
};

// Collects everything written, for rendering a file's text in memory and for tests.
class StringSink : public TextSink {
 public:
  void write(std::string_view t) override { text.append(t); }
  std::string text;
};

}  // namespace nurvo

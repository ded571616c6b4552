// Exact text, written to a sink: a string, a file or the console. Numbers of the output files go
// through std::to_chars: exact (the binary value rounded half to even, as printf rounds it),
// independent of the locale, and formatted straight into the sink's buffer.
#pragma once

#include <charconv>
#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>

#include "message.h"

namespace nurvo {

// A double with a fixed number of decimals, as "%.<decimals>f" prints it.
struct Fixed {
  double value;
  int decimals;
};
constexpr Fixed fixed(double value, int decimals) {
  return {value, decimals};
}
// A double with six significant digits, as "%g" prints it.
struct General {
  double value;
};
constexpr General general(double value) {
  return {value};
}

// The most characters one number takes: "%.7f" of the largest double.
constexpr std::size_t maxNumberChars = 320;

// Where text goes. Every byte of the output files and of the console passes through write() or
// straight into the room that room() gives.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void write(std::string_view text) = 0;

  void print(const char* fmt, ...) NURVO_PRINTF(2, 3);
  // The text followed by one line end, as puts() writes it.
  void line(std::string_view text);

  TextSink& operator<<(std::string_view text) {
    write(text);
    return *this;
  }
  TextSink& operator<<(char c) {
    write(std::string_view(&c, 1));
    return *this;
  }
  TextSink& operator<<(Fixed f);
  TextSink& operator<<(General g);
  template <std::integral T>
  requires(!std::same_as<T, char> && !std::same_as<T, bool>) TextSink& operator<<(T v) {
    char* at = room(maxNumberChars);
    used(static_cast<std::size_t>(std::to_chars(at, at + maxNumberChars, v).ptr - at));
    return *this;
  }

 protected:
  // Room for at least `n` characters at the end of the text; used(k) then keeps the first k of
  // them. By default a scratch buffer that used() passes to write(); a sink with a buffer of its
  // own gives room in it.
  virtual char* room(std::size_t n);
  virtual void used(std::size_t k);

 private:
  char scratch_[maxNumberChars];
};

// Collects everything written, for rendering a file's text in memory and for tests.
class StringSink : public TextSink {
 public:
  void write(std::string_view t) override { text.append(t); }
  std::string text;

 protected:
  char* room(std::size_t n) override;
  void used(std::size_t k) override;

 private:
  std::size_t roomAt_ = 0;
};

}  // namespace nurvo

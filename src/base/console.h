// The console: the one owner of standard input and of the text shown to the operator.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "textSink.h"

namespace nurvo {

class Console : public TextSink {
 public:
  // The next character typed, or EOF at the end of console input.
  virtual int get() = 0;
  // The next line typed, without its line end: a line feed, with a carriage return before it
  // dropped too. A last line without a line end still counts; nothing at the end of console input.
  std::optional<std::string> readLine();
  // Waits for one key press without echo and without Enter, where the input is a terminal; with
  // piped input it neither waits nor consumes anything.
  virtual void waitKey() = 0;
  // Standard error: what the operator should know that is not the run's own output, such as the
  // arguments a run ignores.
  virtual void warn(std::string_view text) = 0;
};

// The process's standard input and output.
class StdConsole : public Console {
 public:
  void write(std::string_view text) override;
  int get() override;
  void waitKey() override;
  void warn(std::string_view text) override;
  // Writes out what standard output still holds. The errno of the first write to it that failed,
  // or 0 when every one went through.
  int finish();

 private:
  int error_ = 0;
  void noteFailure();
};

// A console fed from a string, whose output is collected: for tests and fuzzing.
class StringConsole : public Console {
 public:
  explicit StringConsole(std::string input = {}) : input_(std::move(input)) {}
  void write(std::string_view text) override { output.append(text); }
  int get() override;
  void waitKey() override { ++keyWaits; }
  void warn(std::string_view text) override { errors.append(text); }

  std::string output;
  std::string errors;
  int keyWaits = 0;

 private:
  std::string input_;
  std::size_t pos_ = 0;
};

}  // namespace nurvo

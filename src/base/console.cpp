#include "console.h"

#include <cerrno>

#include "platform.h"

namespace nurvo {

std::optional<std::string> Console::readLine() {
  std::string line;
  int c = get();
  if (c == EOF) return std::nullopt;
  for (; c != '\n' && c != EOF; c = get()) line.push_back(static_cast<char>(c));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void StdConsole::noteFailure() {
  if (error_ == 0) error_ = errno != 0 ? errno : EIO;
}

void StdConsole::write(std::string_view text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) noteFailure();
}

int StdConsole::finish() {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) noteFailure();
  return error_;
}

int StdConsole::get() {
  // The prompt is on screen before the operator is asked to type.
  errno = 0;
  if (std::fflush(stdout) != 0) noteFailure();
  const int c = std::getchar();
  // CR LF reads as one line end, as the Windows runtime's text mode reads it, so that answers
  // typed into a file of Windows lines work the same on every system.
  if (c == '\r') {
    const int next = std::getchar();
    if (next == '\n') return '\n';
    if (next != EOF) std::ungetc(next, stdin);
  }
  return c;
}

void StdConsole::waitKey() {
  errno = 0;
  if (std::fflush(stdout) != 0) noteFailure();
  if (isTerminal(stdin)) waitForKeyPress();
}

void StdConsole::warn(std::string_view text) {
  std::fflush(stdout);  // in order with what standard output already shows
  std::fwrite(text.data(), 1, text.size(), stderr);
}

int StringConsole::get() {
  if (pos_ >= input_.size()) return EOF;
  return static_cast<unsigned char>(input_[pos_++]);
}

}  // namespace nurvo

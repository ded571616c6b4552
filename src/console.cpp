#include "console.h"

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

void StdConsole::write(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

int StdConsole::get() {
  std::fflush(stdout);  // the prompt is on screen before the operator is asked to type
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
  std::fflush(stdout);
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

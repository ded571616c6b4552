#include "platform.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>

#if defined(_WIN32)
#include <conio.h>
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace nurvo {

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

#if defined(_WIN32)

bool isTerminal(std::FILE* stream) {
  // _isatty says yes for any character device, the NUL device included; only a console has a
  // console mode.
  const intptr_t handle = _get_osfhandle(_fileno(stream));
  DWORD mode = 0;
  return handle != -1 && GetConsoleMode(reinterpret_cast<HANDLE>(handle), &mode) != 0;
}

void waitForKeyPress() {
  // An arrow or function key arrives as two codes, 0 or 0xE0 and then the key's own: take both.
  const int key = _getch();
  if (key == 0 || key == 0xE0) (void)_getch();
}

std::optional<std::tm> utcTime(std::time_t t) {
  std::tm tm{};
  if (gmtime_s(&tm, &t) != 0) return std::nullopt;
  return tm;
}

bool replaceFile(const std::string& from, const std::string& to) {
  // rename() of the Windows runtime refuses to replace an existing file; MoveFileEx does so.
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: errno = ENOENT; break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
    default: errno = EACCES;
  }
  return false;
}

#else

bool isTerminal(std::FILE* stream) {
  return ::isatty(::fileno(stream)) != 0;
}

void waitForKeyPress() {
  const int fd = ::fileno(stdin);
  termios saved{};
  if (::tcgetattr(fd, &saved) != 0) return;
  termios raw = saved;
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  ::tcsetattr(fd, TCSANOW, &raw);
  // One read takes the whole key press: an arrow or function key sends several bytes at once.
  unsigned char key[16];
  while (::read(fd, key, sizeof key) < 0 && errno == EINTR) {
  }
  ::tcsetattr(fd, TCSANOW, &saved);
}

std::optional<std::tm> utcTime(std::time_t t) {
  std::tm tm{};
  if (::gmtime_r(&t, &tm) == nullptr) return std::nullopt;
  return tm;
}

bool replaceFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

#endif

}  // namespace nurvo

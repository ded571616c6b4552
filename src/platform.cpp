#include "platform.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <utility>

#if defined(_WIN32)
#include <conio.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <sys/file.h>
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

bool consoleWritesCrLf() {
  return true;
}

namespace {

// errno for the last error of a Windows call.
void setErrnoFromLastError() {
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: errno = ENOENT; break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: errno = EEXIST; break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED: errno = ENOTSUP; break;
    default: errno = EACCES;
  }
}

}  // namespace

bool replaceFile(const std::string& from, const std::string& to) {
  // rename() of the Windows runtime refuses to replace an existing file; MoveFileEx does so, and
  // with MOVEFILE_WRITE_THROUGH returns only once the rename is on the disk.
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  setErrnoFromLastError();
  return false;
}

std::FILE* createExclusive(const std::string& path) {
  // Text mode, as the output files have always been written: each "\n" becomes CR LF.
  const int fd = _open(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_TEXT | _O_NOINHERIT,
                       _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* f = _fdopen(fd, "w");
  if (f == nullptr) {
    const int e = errno;
    _close(fd);
    std::remove(path.c_str());
    errno = e;
  }
  return f;
}

bool syncFile(std::FILE* f) {
  if (std::fflush(f) != 0) return false;
  const intptr_t handle = _get_osfhandle(_fileno(f));
  if (handle == -1 || !FlushFileBuffers(reinterpret_cast<HANDLE>(handle))) {
    errno = EIO;
    return false;
  }
  return true;
}

bool linkFile(const std::string& existing, const std::string& link) {
  if (CreateHardLinkA(link.c_str(), existing.c_str(), nullptr)) return true;
  setErrnoFromLastError();
  return false;
}

unsigned long processId() {
  return static_cast<unsigned long>(_getpid());
}

FolderLock::~FolderLock() {
  if (handle_ != nullptr) {
    ReleaseMutex(static_cast<HANDLE>(handle_));
    CloseHandle(static_cast<HANDLE>(handle_));
  }
}

std::optional<FolderLock> FolderLock::acquire(const std::string& folder) {
  // A folder cannot be locked on Windows without holding it open against renames inside it, so the
  // lock is a named mutex of the session, named after the folder's full path (case folded, as the
  // file system folds it). It lives outside the folder and ends with the last process holding it.
  char full[MAX_PATH * 4];
  const DWORD n = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
  if (n == 0 || n >= sizeof full) {
    errno = ENAMETOOLONG;
    return std::nullopt;
  }
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (DWORD i = 0; i < n; ++i) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(full[i])));
    if (c == '/') c = '\\';
    if (c == '\\' && i + 1 == n && n > 3) break;  // a trailing separator names the same folder
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  }
  char name[64];
  std::snprintf(name, sizeof name, "Local\\nurvo-folder-%016llx",
                static_cast<unsigned long long>(hash));
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
  if (mutex == nullptr) {
    setErrnoFromLastError();
    return std::nullopt;
  }
  // An abandoned mutex (its holder ended) is owned all the same.
  const DWORD r = WaitForSingleObject(mutex, INFINITE);
  if (r != WAIT_OBJECT_0 && r != WAIT_ABANDONED) {
    CloseHandle(mutex);
    errno = EACCES;
    return std::nullopt;
  }
  FolderLock lock;
  lock.handle_ = mutex;
  return lock;
}

bool FolderLock::sync() {
  // NTFS journals its folders, and every rename was written through (replaceFile): nothing is
  // left to flush.
  return true;
}

FolderLock::FolderLock(FolderLock&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  std::swap(handle_, other.handle_);
  return *this;
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

bool consoleWritesCrLf() {
  return false;
}

bool replaceFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

std::FILE* createExclusive(const std::string& path) {
  // O_EXCL fails on any existing name, a dangling link included; O_NOFOLLOW says so twice. Mode
  // 0666 lets the umask decide, as for any file a program creates.
  const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* f = ::fdopen(fd, "w");
  if (f == nullptr) {
    const int e = errno;
    ::close(fd);
    ::unlink(path.c_str());
    errno = e;
  }
  return f;
}

bool syncFile(std::FILE* f) {
  if (std::fflush(f) != 0) return false;
  return ::fdatasync(::fileno(f)) == 0;
}

bool linkFile(const std::string& existing, const std::string& link) {
  // linkat without AT_SYMLINK_FOLLOW names a link itself, never its target.
  return ::linkat(AT_FDCWD, existing.c_str(), AT_FDCWD, link.c_str(), 0) == 0;
}

unsigned long processId() {
  return static_cast<unsigned long>(::getpid());
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the folder releases the lock
}

std::optional<FolderLock> FolderLock::acquire(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  int r;
  while ((r = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
  }
  if (r != 0) {
    const int e = errno;
    ::close(fd);
    errno = e;
    return std::nullopt;
  }
  FolderLock lock;
  lock.fd_ = fd;
  return lock;
}

bool FolderLock::sync() {
  if (::fsync(fd_) == 0) return true;
  // A file system that cannot sync a folder says EINVAL: its renames are as durable as it makes
  // them, and nothing more can be done.
  return errno == EINVAL;
}

FolderLock::FolderLock(FolderLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  std::swap(fd_, other.fd_);
  return *this;
}

#endif

}  // namespace nurvo

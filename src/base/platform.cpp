#include "platform.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <utility>

#if defined(_WIN32)
#include <conio.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <signal.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace nurvo {

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::vector<std::string>> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    names.push_back(it->path().filename().string());
  }
  if (ec) return std::nullopt;
  return names;
}

namespace {

// The registered temporaries. An interrupt handler may read this table at any moment, so an entry
// is filled before it is marked used, and marked unused before it is reused; the handler does
// nothing with it but remove the files. The one table of the process, by necessity: a signal
// handler reaches nothing else.
struct TemporarySlot {
  volatile std::sig_atomic_t used = 0;
  char path[1024] = {};
};
TemporarySlot temporaries[maxTemporaries];

void removeRegisteredTemporaries() {
  for (TemporarySlot& slot : temporaries) {
#if defined(_WIN32)
    if (slot.used != 0) DeleteFileA(slot.path);
#else
    if (slot.used != 0) ::unlink(slot.path);
#endif
  }
}

void installInterruptCleanup();

}  // namespace

int registerTemporary(const std::string& path) {
  if (path.size() >= sizeof temporaries[0].path) return -1;
  const InterruptsHeld held;
  installInterruptCleanup();
  for (int i = 0; i < maxTemporaries; ++i) {
    TemporarySlot& slot = temporaries[i];
    if (slot.used != 0) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.used = 1;
    return i;
  }
  return -1;
}

void unregisterTemporary(int slot) {
  if (slot < 0 || slot >= maxTemporaries) return;
  const InterruptsHeld held;
  temporaries[slot].used = 0;
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

// Held by InterruptsHeld; the console handler, which runs on a thread of its own, takes it and
// never gives it back, so that nothing is registered or renamed while the process ends.
CRITICAL_SECTION interruptSection;
const bool interruptSectionReady = (InitializeCriticalSection(&interruptSection), true);

BOOL WINAPI onConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      EnterCriticalSection(&interruptSection);
      removeRegisteredTemporaries();
      break;
    default: break;
  }
  return FALSE;  // the default handler ends the process
}

void installInterruptCleanup() {
  static const bool installed = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
  (void)installed;
}

}  // namespace

InterruptsHeld::InterruptsHeld() {
  (void)interruptSectionReady;
  EnterCriticalSection(&interruptSection);
}

InterruptsHeld::~InterruptsHeld() {
  LeaveCriticalSection(&interruptSection);
}

bool processRuns(unsigned long pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
  const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return runs;
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
  // Shared for deletion, so that the console handler can remove the file while it is still
  // being written (it goes when the ending process closes it). Not inherited by child processes.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    setErrnoFromLastError();
    return nullptr;
  }
  // Text mode, as the output files have always been written: each "\n" becomes CR LF.
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_TEXT);
  if (fd < 0) {
    CloseHandle(h);
    DeleteFileA(path.c_str());
    errno = EMFILE;
    return nullptr;
  }
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

namespace {

void onInterrupt(int sig) {
  // Installed with SA_RESETHAND: the signal's default action is back, and the signal raised here
  // is delivered as soon as the handler returns, so the process ends as the signal ends it.
  removeRegisteredTemporaries();
  ::raise(sig);
}

void installInterruptCleanup() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction previous {};
    if (::sigaction(sig, nullptr, &previous) != 0 || previous.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigfillset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    ::sigaction(sig, &action, nullptr);
  }
}

}  // namespace

InterruptsHeld::InterruptsHeld() {
  static_assert(sizeof(sigset_t) <= sizeof saved_);
  sigset_t interrupts;
  sigemptyset(&interrupts);
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupts, sig);
  ::pthread_sigmask(SIG_BLOCK, &interrupts, reinterpret_cast<sigset_t*>(saved_));
}

InterruptsHeld::~InterruptsHeld() {
  ::pthread_sigmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(saved_), nullptr);
}

bool processRuns(unsigned long pid) {
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
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

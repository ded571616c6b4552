// What differs between Linux and Windows, behind one small seam.
#pragma once

#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace nurvo {

// Whether the stream is a terminal (a console on Windows).
bool isTerminal(std::FILE* stream);

// Whether standard output writes each "\n" as CR LF (the Windows runtime's text mode).
bool consoleWritesCrLf();

// Reads one key press from the console without echo and without waiting for Enter.
void waitForKeyPress();

// `t` broken down as UTC; nothing when it cannot be.
std::optional<std::tm> utcTime(std::time_t t);

// Whether `path` names an existing directory.
bool isDirectory(const std::string& path);

// The names of the entries of `folder`, "." and ".." left out; nothing when it cannot be read.
std::optional<std::vector<std::string>> folderEntries(const std::string& folder);

// Renames `from` to `to`, replacing `to` when it exists (a link at `to` is replaced, never
// followed). False on failure, with errno set.
bool replaceFile(const std::string& from, const std::string& to);

// Creates `path` for writing in text mode, failing with EEXIST when anything stands at that name
// (a file, a link, a FIFO): an existing path is never opened or followed. The file gets the mode
// of an ordinary new file (0666 less the umask). Null on failure, with errno set.
std::FILE* createExclusive(const std::string& path);

// Writes the stream's buffer and then the file's data through to the device. False on failure,
// with errno set.
bool syncFile(std::FILE* f);

// Gives the file `existing` the further name `link`, without following a link at `existing`.
// False on failure, with errno set: ENOENT when nothing is at `existing`, EEXIST when `link` is
// taken, ENOTSUP (or EPERM) where the file system has no such names.
bool linkFile(const std::string& existing, const std::string& link);

// The process's id, for names no other process uses.
unsigned long processId();

// Whether a process of this id still runs (on this machine). Unsure counts as running.
bool processRuns(unsigned long pid);

// Temporary files that must not outlive an interrupted run. While a path is registered, an
// interrupt (SIGINT, SIGTERM or SIGHUP; on Windows Ctrl-C, Ctrl-Break or closing the console)
// removes it before the process ends as the interrupt would end it. The paths sit in a fixed table
// of maxTemporaries entries that the handler reads without allocating; a path that does not fit
// (the table full, or longer than the entry) is not registered: -1. A signal that was ignored when
// the first path was registered stays ignored.
constexpr int maxTemporaries = 32;
int registerTemporary(const std::string& path);
void unregisterTemporary(int slot);

// Holds interrupts back while the object lives, so that a step such as renaming a run's files
// into place is done whole; an interrupt that arrives meanwhile acts when the object ends.
// Nests.
class InterruptsHeld {
 public:
  InterruptsHeld();
  ~InterruptsHeld();
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

 private:
#if !defined(_WIN32)
  unsigned char saved_[128];  // the signal mask before, as sigset_t (at most 128 bytes)
#endif
};

// A folder held under an advisory lock that other runs wait for, while the object lives. The lock
// is on the folder itself (POSIX) or on a named object outside it (Windows): nothing is created
// in the folder. A process that ends releases it.
class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock();
  FolderLock(FolderLock&& other) noexcept;
  FolderLock& operator=(FolderLock&& other) noexcept;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Waits for the lock on `folder`. Nothing, with errno set, when the folder cannot be locked.
  static std::optional<FolderLock> acquire(const std::string& folder);
  // Writes the folder's entries (renames and removals) through to the device. False on failure,
  // with errno set.
  bool sync();

 private:
#if defined(_WIN32)
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace nurvo

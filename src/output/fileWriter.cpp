#include "fileWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace nurvo {

std::FILE* FileOps::createExclusive(const std::string& path) {
  return nurvo::createExclusive(path);
}

bool FileOps::write(std::FILE* f, const char* data, std::size_t size) {
  return std::fwrite(data, 1, size, f) == size;
}

bool FileOps::flush(std::FILE* f) {
  return std::fflush(f) == 0;
}

bool FileOps::sync(std::FILE* f) {
  return syncFile(f);
}

bool FileOps::close(std::FILE* f) {
  return std::fclose(f) == 0;
}

std::optional<FolderLock> FileOps::lockFolder(const std::string& folder) {
  return FolderLock::acquire(folder);
}

bool FileOps::keep(const std::string& name, const std::string& keptAs) {
  return linkFile(name, keptAs);
}

bool FileOps::rename(const std::string& from, const std::string& to) {
  return replaceFile(from, to);
}

bool FileOps::syncFolder(FolderLock& lock) {
  return lock.sync();
}

void FileOps::remove(const std::string& path) {
  std::remove(path.c_str());
}

bool FileOps::isDirectory(const std::string& path) {
  return nurvo::isDirectory(path);
}

std::optional<std::vector<std::string>> FileOps::folderEntries(const std::string& folder) {
  return nurvo::folderEntries(folder);
}

const char* cannotWords(WriteStep step) {
  switch (step) {
    case WriteStep::none: return "";
    case WriteStep::create: return "cannot create";
    case WriteStep::write: return "cannot write";
    case WriteStep::flush: return "cannot flush";
    case WriteStep::sync: return "cannot sync";
    case WriteStep::close: return "cannot close";
    case WriteStep::keep: return "cannot keep the earlier";
    case WriteStep::replace: return "cannot replace";
    case WriteStep::remove: return "cannot remove the earlier";
    case WriteStep::lockFolder: return "cannot lock the folder of";
    case WriteStep::syncFolder: return "cannot sync the folder of";
  }
  return "";
}

namespace {

// How many taken names a file tries before it gives up: only planted files take them.
constexpr int maxNameTries = 100;

// Gathers the text in a buffer of its own and passes it to the file in large blocks, until the
// first failed write, which it remembers.
class FileSink : public TextSink {
 public:
  FileSink(FileOps& ops, std::FILE* f) : ops_(ops), f_(f), buffer_(new char[blockSize]) {}
  void write(std::string_view text) override {
    if (text.size() > blockSize - filled_) {
      drain();
      if (text.size() >= blockSize) {
        pass(text.data(), text.size());
        return;
      }
    }
    std::memcpy(buffer_.get() + filled_, text.data(), text.size());
    filled_ += text.size();
  }
  // Passes what the buffer holds to the file.
  void drain() {
    pass(buffer_.get(), filled_);
    filled_ = 0;
  }
  bool failed() const { return failed_; }
  const std::string& reason() const { return reason_; }

 protected:
  char* room(std::size_t n) override {
    if (n > blockSize - filled_) drain();
    return buffer_.get() + filled_;
  }
  void used(std::size_t k) override { filled_ += k; }

 private:
  static constexpr std::size_t blockSize = std::size_t{1} << 20;

  void pass(const char* data, std::size_t size) {
    if (failed_ || size == 0) return;
    if (!ops_.write(f_, data, size)) {
      failed_ = true;
      reason_ = std::strerror(errno);
    }
  }

  FileOps& ops_;
  std::FILE* f_;
  std::unique_ptr<char[]> buffer_;
  std::size_t filled_ = 0;
  bool failed_ = false;
  std::string reason_;
};

// The folder part of `name` with its final separator, empty for a name in the current folder.
std::string folderPrefix(const std::string& name) {
#if defined(_WIN32)
  const std::size_t slash = name.find_last_of("/\\");
#else
  const std::size_t slash = name.rfind('/');
#endif
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

std::string folderOf(const std::string& name) {
  const std::string prefix = folderPrefix(name);
  return prefix.empty() ? std::string(".") : prefix;
}

// Errors of a file system that has no second names for a file.
bool noHardLinks(int e) {
  return e == EPERM || e == ENOTSUP || e == EOPNOTSUPP || e == EMLINK || e == ENOSYS;
}

// The process id in a temporary's name ".<name>.<process>.<counter>.tmp", or 0 for any other name.
unsigned long temporaryOwner(const std::string& entry) {
  constexpr std::string_view suffix = ".tmp";
  if (entry.size() < 8 || entry[0] != '.' || !entry.ends_with(suffix)) return 0;
  const std::size_t end = entry.size() - suffix.size();
  const std::size_t counterDot = entry.rfind('.', end - 1);
  if (counterDot == std::string::npos || counterDot == 0) return 0;
  const std::size_t pidDot = entry.rfind('.', counterDot - 1);
  if (pidDot == std::string::npos || pidDot == 0) return 0;
  const auto allDigits = [&](std::size_t from, std::size_t to) {
    return to > from && to - from <= 12 &&
           std::all_of(entry.begin() + static_cast<std::ptrdiff_t>(from),
                       entry.begin() + static_cast<std::ptrdiff_t>(to),
                       [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!allDigits(counterDot + 1, end) || !allDigits(pidDot + 1, counterDot)) return 0;
  return std::stoul(entry.substr(pidDot + 1, counterDot - pidDot - 1));
}

}  // namespace

FileSet::~FileSet() {
  for (Staged& s : staged_) {
    // Renamed and not put back, or a file to remove: see putBack.
    if (s.temporary.empty()) continue;
    ops_.remove(s.temporary);
    forgetTemporary(s);
    // The earlier file is still in place under its name; its second name goes.
    if (!s.kept.empty()) ops_.remove(s.kept);
  }
}

void FileSet::forgetTemporary(Staged& s) {
  unregisterTemporary(s.slot);
  s.slot = -1;
}

std::string FileSet::uniqueName(const std::string& name, const char* suffix) {
  // Hidden beside the final name: ".<name>.<process>.<counter>.<suffix>". The process id keeps
  // runs apart; a name that is taken all the same is never opened: the caller tries the next one.
  const std::string prefix = folderPrefix(name);
  return prefix + "." + name.substr(prefix.size()) + "." + std::to_string(processId()) + "." +
         std::to_string(counter_++) + "." + suffix;
}

WriteResult FileSet::stage(const std::string& name, const std::function<void(TextSink&)>& render) {
  // The rename at the end would fail on it: fail before anything is written.
  if (ops_.isDirectory(name)) return {WriteStep::replace, name, std::strerror(EISDIR)};
  std::FILE* f = nullptr;
  std::string tmp;
  for (int tries = 0; f == nullptr; ++tries) {
    tmp = uniqueName(name, "tmp");
    // Created and registered as one step, so that an interrupt finds it registered.
    const InterruptsHeld held;
    errno = 0;
    f = ops_.createExclusive(tmp);
    if (f == nullptr && (errno != EEXIST || tries + 1 == maxNameTries)) {
      return {WriteStep::create, name, std::strerror(errno)};
    }
    if (f != nullptr) {
      Staged s;
      s.name = name;
      s.temporary = tmp;
      s.slot = registerTemporary(tmp);
      staged_.push_back(std::move(s));
    }
  }

  FileSink sink(ops_, f);
  try {
    render(sink);
    sink.drain();
  } catch (...) {
    ops_.close(f);
    throw;  // the destructor removes the temporary file
  }
  WriteResult r;
  if (sink.failed()) r = {WriteStep::write, name, sink.reason()};
  errno = 0;
  if (r.ok() && !ops_.flush(f)) r = {WriteStep::flush, name, std::strerror(errno)};
  errno = 0;
  if (r.ok() && !ops_.sync(f)) r = {WriteStep::sync, name, std::strerror(errno)};
  errno = 0;
  if (!ops_.close(f) && r.ok()) r = {WriteStep::close, name, std::strerror(errno)};
  if (!r.ok()) {
    ops_.remove(tmp);
    forgetTemporary(staged_.back());
    staged_.pop_back();
  }
  return r;
}

void FileSet::stageRemoval(const std::string& name) {
  Staged s;
  s.name = name;
  s.removal = true;
  staged_.push_back(std::move(s));
}

WriteResult FileSet::keepEarlierFile(Staged& s) {
  for (int tries = 0; tries < maxNameTries; ++tries) {
    const std::string kept = uniqueName(s.name, "old");
    errno = 0;
    if (ops_.keep(s.name, kept)) {
      s.kept = kept;
      return {};
    }
    // No earlier file: nothing to put back. A file system without second names: the file is
    // replaced all the same, only a failure later in this commit cannot bring it back.
    s.noEarlierFile = errno == ENOENT;
    if (errno == ENOENT || noHardLinks(errno)) return {};
    if (errno != EEXIST) break;
  }
  return {WriteStep::keep, s.name, std::strerror(errno)};
}

WriteResult FileSet::moveAside(Staged& s, const std::vector<std::string>& entries) {
  const std::string prefix = folderPrefix(s.name);
  const std::string entry = s.name.substr(prefix.size());
  if (std::find(entries.begin(), entries.end(), entry) == entries.end()) return {};
  if (ops_.isDirectory(s.name)) return {};  // not a file this program writes
  for (int tries = 0; tries < maxNameTries; ++tries) {
    const std::string kept = uniqueName(s.name, "old");
    // A rename would replace whatever has the new name: a name that is taken is skipped.
    if (std::find(entries.begin(), entries.end(), kept.substr(prefix.size())) != entries.end()) {
      continue;
    }
    errno = 0;
    if (ops_.rename(s.name, kept)) {
      s.kept = kept;
      return {};
    }
    if (errno == ENOENT) return {};  // gone meanwhile
    break;
  }
  return {WriteStep::remove, s.name, std::strerror(errno)};
}

void FileSet::removeStaleTemporaries(const std::vector<std::string>& entries) {
  const std::string prefix = folderPrefix(staged_.front().name);
  for (const std::string& entry : entries) {
    const unsigned long owner = temporaryOwner(entry);
    if (owner != 0 && owner != processId() && !processRuns(owner)) ops_.remove(prefix + entry);
  }
}

WriteResult FileSet::commit() {
  if (staged_.empty()) return {};
  // Nothing of the renames is left half done by an interrupt: it acts once they are through.
  const InterruptsHeld held;
  const std::string folder = folderOf(staged_.front().name);
  errno = 0;
  std::optional<FolderLock> lock = ops_.lockFolder(folder);
  if (!lock) return {WriteStep::lockFolder, {}, std::strerror(errno)};

  // Read once the lock is held, so that no other run's files come or go meanwhile. A folder that
  // cannot be read is written all the same, without the removals.
  const std::vector<std::string> entries =
      ops_.folderEntries(folder).value_or(std::vector<std::string>{});
  removeStaleTemporaries(entries);

  // Every earlier file gets a second name first, so that a failure part way can put it back.
  for (Staged& s : staged_) {
    const WriteResult r = s.removal ? moveAside(s, entries) : keepEarlierFile(s);
    if (!r.ok()) {
      putBack();
      return r;
    }
  }
  for (Staged& s : staged_) {
    if (s.removal) continue;
    errno = 0;
    if (!ops_.rename(s.temporary, s.name)) {
      const WriteResult r{WriteStep::replace, s.name, std::strerror(errno)};
      putBack();
      return r;
    }
    s.temporary.clear();
    forgetTemporary(s);
  }
  errno = 0;
  if (!ops_.syncFolder(*lock)) {
    const WriteResult r{WriteStep::syncFolder, {}, std::strerror(errno)};
    putBack();
    return r;
  }
  for (Staged& s : staged_) {
    if (!s.kept.empty()) ops_.remove(s.kept);
  }
  staged_.clear();
  return {};
}

void FileSet::putBack() {
  for (Staged& s : staged_) {
    if (s.removal) {
      // Moved aside: back to its name.
      if (!s.kept.empty() && ops_.rename(s.kept, s.name)) s.kept.clear();
      continue;
    }
    if (!s.temporary.empty()) continue;  // never renamed: the destructor removes it
    if (!s.kept.empty()) {
      // Should this fail too, the earlier text stays under its second name rather than be lost.
      if (ops_.rename(s.kept, s.name)) s.kept.clear();
    } else if (s.noEarlierFile) {
      ops_.remove(s.name);
    }
    // Otherwise the earlier file could not be kept and is gone: the new one at least is whole.
  }
}

}  // namespace nurvo

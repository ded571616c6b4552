#include "fileWriter.h"

#include <cerrno>
#include <cstring>

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

namespace {

// How many taken names a file tries before it gives up: only planted files take them.
constexpr int maxNameTries = 100;

// Passes text to the file until the first failed write, and remembers that failure.
class FileSink : public TextSink {
 public:
  FileSink(FileOps& ops, std::FILE* f) : ops_(ops), f_(f) {}
  void write(std::string_view text) override {
    if (failed_ || text.empty()) return;
    if (!ops_.write(f_, text.data(), text.size())) {
      failed_ = true;
      reason_ = std::strerror(errno);
    }
  }
  bool failed() const { return failed_; }
  const std::string& reason() const { return reason_; }

 private:
  FileOps& ops_;
  std::FILE* f_;
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

}  // namespace

FileSet::~FileSet() {
  for (const Staged& s : staged_) {
    if (s.temporary.empty()) continue;  // renamed and not put back: see putBack
    ops_.remove(s.temporary);
    // The earlier file is still in place under its name; its second name goes.
    if (!s.kept.empty()) ops_.remove(s.kept);
  }
}

std::string FileSet::uniqueName(const std::string& name, const char* suffix) {
  // Hidden beside the final name: ".<name>.<process>.<counter>.<suffix>". The process id keeps
  // runs apart; a name that is taken all the same is never opened: the caller tries the next one.
  const std::string prefix = folderPrefix(name);
  return prefix + "." + name.substr(prefix.size()) + "." + std::to_string(processId()) + "." +
         std::to_string(counter_++) + "." + suffix;
}

WriteResult FileSet::stage(const std::string& name, const std::function<void(TextSink&)>& render) {
  if (isDirectory(name)) return {WriteFailure::open, name, std::strerror(EISDIR)};
  std::FILE* f = nullptr;
  std::string tmp;
  for (int tries = 0; f == nullptr; ++tries) {
    tmp = uniqueName(name, "tmp");
    errno = 0;
    f = ops_.createExclusive(tmp);
    if (f == nullptr && (errno != EEXIST || tries + 1 == maxNameTries)) {
      return {WriteFailure::open, name, std::strerror(errno)};
    }
  }
  staged_.push_back({name, tmp, {}});

  FileSink sink(ops_, f);
  try {
    render(sink);
  } catch (...) {
    ops_.close(f);
    throw;  // the destructor removes the temporary file
  }
  bool ok = !sink.failed();
  std::string reason = sink.reason();
  errno = 0;
  if (ok && !ops_.flush(f)) {
    ok = false;
    reason = std::strerror(errno);
  }
  errno = 0;
  if (ok && !ops_.sync(f)) {
    ok = false;
    reason = std::strerror(errno);
  }
  errno = 0;
  if (!ops_.close(f) && ok) {
    ok = false;
    reason = std::strerror(errno);
  }
  if (!ok) {
    ops_.remove(tmp);
    staged_.pop_back();
    return {WriteFailure::write, name, reason};
  }
  return {};
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
  return {WriteFailure::write, s.name, std::strerror(errno)};
}

WriteResult FileSet::commit() {
  if (staged_.empty()) return {};
  errno = 0;
  std::optional<FolderLock> lock = ops_.lockFolder(folderOf(staged_.front().name));
  if (!lock) {
    return {
        WriteFailure::folder, {}, std::string("cannot lock the folder: ") + std::strerror(errno)};
  }

  // Every earlier file gets a second name first, so that a failure part way can put it back.
  for (Staged& s : staged_) {
    const WriteResult r = keepEarlierFile(s);
    if (r.failure != WriteFailure::none) return r;  // nothing renamed yet: the destructor cleans up
  }
  for (Staged& s : staged_) {
    errno = 0;
    if (!ops_.rename(s.temporary, s.name)) {
      const WriteResult r{WriteFailure::write, s.name, std::strerror(errno)};
      putBack();
      return r;
    }
    s.temporary.clear();
  }
  errno = 0;
  if (!ops_.syncFolder(*lock)) {
    const WriteResult r{
        WriteFailure::folder, {}, std::string("cannot sync the folder: ") + std::strerror(errno)};
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

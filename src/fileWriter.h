// The one place that creates output files. A run's files are written as one set: each to a
// temporary file of a unique name beside its final name, created exclusively, synced to the
// device and closed; only when every one is complete are they renamed into place, under a lock
// that other runs in the folder wait for, and the folder is synced. A failure anywhere leaves no
// temporary file and every earlier file of the set's names as it was.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform.h"
#include "textSink.h"

namespace nurvo {

// The file-system calls that writing a file set makes. The default runs them for real; tests
// replace single calls to make them fail or to record them.
class FileOps {
 public:
  virtual ~FileOps() = default;
  // Creates `path` for writing in text mode; fails with EEXIST when anything is at that name.
  // Null on failure, with errno set.
  virtual std::FILE* createExclusive(const std::string& path);
  virtual bool write(std::FILE* f, const char* data, std::size_t size);
  virtual bool flush(std::FILE* f);
  // Writes the file's data through to the device.
  virtual bool sync(std::FILE* f);
  virtual bool close(std::FILE* f);
  // Waits for the lock that serialises the renaming of runs in `folder`.
  virtual std::optional<FolderLock> lockFolder(const std::string& folder);
  // Gives the existing file `name` the second name `keptAs` (a hard link), so that it can be put
  // back. Fails with ENOENT when there is no such file.
  virtual bool keep(const std::string& name, const std::string& keptAs);
  // Replaces `to` by `from`, also when `to` exists.
  virtual bool rename(const std::string& from, const std::string& to);
  // Writes the renames in the locked folder through to the device.
  virtual bool syncFolder(FolderLock& lock);
  virtual void remove(const std::string& path);
};

// Why a file set could not be written.
enum class WriteFailure {
  none,
  open,    // a file could not be created (or a directory stands where it goes)
  write,   // a write, the flush, the sync, the close or the rename of a file failed
  folder,  // the folder could not be locked or synced
};

struct WriteResult {
  WriteFailure failure = WriteFailure::none;
  std::string name;    // the file that failed; empty for a failure of the folder
  std::string reason;  // the system's words for the failure (for the folder, with what was
                       // done), empty when none
};

// The files of one run, all in one folder, replaced together or not at all. Files staged but not
// committed are removed when the object ends.
class FileSet {
 public:
  explicit FileSet(FileOps& ops) : ops_(ops) {}
  ~FileSet();
  FileSet(const FileSet&) = delete;
  FileSet& operator=(const FileSet&) = delete;

  // Writes the text that `render` produces to a new temporary file for `name`, synced and closed.
  // On failure that temporary file is gone again.
  WriteResult stage(const std::string& name, const std::function<void(TextSink&)>& render);
  // Renames every staged file to its name and syncs the folder. On failure every file is put back
  // as it was before (an earlier file of the name, or none) and every temporary file is removed.
  WriteResult commit();

 private:
  struct Staged {
    std::string name;
    std::string temporary;  // empty once renamed to `name`
    std::string kept;       // the earlier file's second name while the commit may be undone
    bool noEarlierFile = false;
  };
  // A name in the folder of `name` that no other run and no other file of this run uses.
  std::string uniqueName(const std::string& name, const char* suffix);
  WriteResult keepEarlierFile(Staged& s);
  // Undoes the renames of a failed commit.
  void putBack();

  FileOps& ops_;
  std::vector<Staged> staged_;
  unsigned long counter_ = 0;
};

}  // namespace nurvo

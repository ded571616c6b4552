// The one place that creates output files. A run's files are written as one set: each to a
// temporary file of a unique name beside its final name, created exclusively, synced to the
// device and closed; only when every one is complete are they renamed into place, under a lock
// that other runs in the folder wait for, and the folder is synced. A failure anywhere leaves no
// temporary file and every earlier file of the set's names as it was; so does an interrupt.
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
  virtual bool isDirectory(const std::string& path);
  // The names in `folder`; nothing when it cannot be read.
  virtual std::optional<std::vector<std::string>> folderEntries(const std::string& folder);
};

// The step at which a file set could not be written.
enum class WriteStep {
  none,        // nothing failed
  create,      // creating a file's temporary
  write,       // writing its text
  flush,       // flushing it
  sync,        // syncing it to the device
  close,       // closing it
  keep,        // giving the earlier file of its name a second name, to put it back on failure
  replace,     // renaming it into place (also refused at once where a directory has its name)
  remove,      // moving aside an earlier file that the set removes
  lockFolder,  // locking the folder
  syncFolder,  // syncing the folder after the renames
};

// The words that say a step failed: "cannot create", "cannot keep the earlier", ...
const char* cannotWords(WriteStep step);

struct WriteResult {
  WriteStep failed = WriteStep::none;
  std::string name;    // the file whose step failed; empty for a step of the folder
  std::string reason;  // the system's words for the failure
  bool ok() const { return failed == WriteStep::none; }
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
  // Makes `name`, a file of the folder that the set does not write, part of the set as a file to
  // remove: the commit removes it, if it is there and no directory, together with the renames.
  void stageRemoval(const std::string& name);
  // Renames every staged file to its name, removes the files staged for removal and syncs the
  // folder, with interrupts held back. First, under the folder's lock, it removes the temporary
  // files that processes no longer running left in the folder. On failure every file is put back
  // as it was before (an earlier file of the name, or none) and every temporary file is removed.
  WriteResult commit();

 private:
  struct Staged {
    std::string name;
    std::string temporary;  // empty once renamed to `name`, and for a file to remove
    int slot = -1;          // the temporary's entry among the interrupt's temporaries
    std::string kept;       // the earlier file's second name while the commit may be undone
    bool noEarlierFile = false;
    bool removal = false;  // staged for removal
  };
  // A name in the folder of `name` that no other run and no other file of this run uses.
  std::string uniqueName(const std::string& name, const char* suffix);
  WriteResult keepEarlierFile(Staged& s);
  // Moves a file staged for removal to a second name, if it is there.
  WriteResult moveAside(Staged& s, const std::vector<std::string>& entries);
  void removeStaleTemporaries(const std::vector<std::string>& entries);
  void forgetTemporary(Staged& s);
  // Undoes the renames of a failed commit.
  void putBack();

  FileOps& ops_;
  std::vector<Staged> staged_;
  unsigned long counter_ = 0;
};

}  // namespace nurvo

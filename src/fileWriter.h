// The one place that creates output files. A file is written to a temporary file beside its final
// name and renamed over it only when every write, the flush and the close have succeeded, so a
// failed run never leaves a truncated file and never destroys an earlier file of the same name.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "textSink.h"

namespace nurvo {

// The file-system calls that writing a file makes. The default runs them for real; tests replace
// single calls to make them fail.
class FileOps {
 public:
  virtual ~FileOps() = default;
  // Opens `path` for writing in text mode, created or emptied; null on failure.
  virtual std::FILE* open(const std::string& path);
  virtual bool write(std::FILE* f, const char* data, std::size_t size);
  virtual bool flush(std::FILE* f);
  virtual bool close(std::FILE* f);
  // Replaces `to` by `from`, also when `to` exists.
  virtual bool rename(const std::string& from, const std::string& to);
  virtual void remove(const std::string& path);
};

// Why a file could not be written.
enum class WriteFailure {
  none,
  open,   // the file could not be created (or a directory stands where it goes)
  write,  // a write, the flush, the close or the final rename failed
};

struct WriteResult {
  WriteFailure failure = WriteFailure::none;
  std::string reason;  // the system's words for the failure, empty when none
};

class FileWriter {
 public:
  explicit FileWriter(FileOps& ops) : ops_(ops) {}
  // Writes the file `name` with the text that `render` produces. On failure nothing is left
  // behind: no temporary file, and an existing file of that name is untouched.
  WriteResult writeFile(const std::string& name, const std::function<void(TextSink&)>& render);

 private:
  FileOps& ops_;
};

// The temporary name a file is written under before it is renamed to `name`.
std::string temporaryNameFor(const std::string& name);

}  // namespace nurvo

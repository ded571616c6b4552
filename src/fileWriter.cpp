#include "fileWriter.h"

#include <cerrno>
#include <cstring>

#include "platform.h"

namespace nurvo {

std::FILE* FileOps::open(const std::string& path) {
  return std::fopen(path.c_str(), "w");
}

bool FileOps::write(std::FILE* f, const char* data, std::size_t size) {
  return std::fwrite(data, 1, size, f) == size;
}

bool FileOps::flush(std::FILE* f) {
  return std::fflush(f) == 0;
}

bool FileOps::close(std::FILE* f) {
  return std::fclose(f) == 0;
}

bool FileOps::rename(const std::string& from, const std::string& to) {
  return replaceFile(from, to);
}

void FileOps::remove(const std::string& path) {
  std::remove(path.c_str());
}

std::string temporaryNameFor(const std::string& name) {
  return name + ".tmp";
}

namespace {

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

}  // namespace

WriteResult FileWriter::writeFile(const std::string& name,
                                  const std::function<void(TextSink&)>& render) {
  if (isDirectory(name)) return {WriteFailure::open, std::strerror(EISDIR)};
  const std::string tmp = temporaryNameFor(name);
  errno = 0;
  std::FILE* f = ops_.open(tmp);
  if (f == nullptr) return {WriteFailure::open, std::strerror(errno)};

  FileSink sink(ops_, f);
  std::string reason;
  try {
    render(sink);
  } catch (...) {
    ops_.close(f);
    ops_.remove(tmp);
    throw;
  }
  bool ok = !sink.failed();
  if (!ok) reason = sink.reason();
  errno = 0;
  if (ok && !ops_.flush(f)) {
    ok = false;
    reason = std::strerror(errno);
  }
  errno = 0;
  if (!ops_.close(f) && ok) {
    ok = false;
    reason = std::strerror(errno);
  }
  errno = 0;
  if (ok && !ops_.rename(tmp, name)) {
    ok = false;
    reason = std::strerror(errno);
  }
  if (!ok) {
    ops_.remove(tmp);
    return {WriteFailure::write, reason};
  }
  return {};
}

}  // namespace nurvo

// Output files that cannot be written, with failures made real even for root: a file-size limit,
// a directory where a file goes, and file calls that fail one at a time. Every failure must name
// the file, print no confirmation for it, end with status 1, keep an earlier file of the same name
// byte for byte and leave no temporary file behind.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "fileWriter.h"
#include "nurvo.h"
#include "platform.h"
#include "testSupport.h"
#include "writeMission.h"

namespace nurvo::test {
namespace {

const std::string route = "36.8167 -121.8170\n36.8215 -121.7986\n36.8520 -121.8105\n";
const std::vector<std::string> kinds = {"mission", "waypoint", "surveyline", "csv"};

std::string earlierText(const std::string& ext) {
  return "an earlier run's " + ext + " file\n";
}

void writeEarlierFiles(const std::string& stamp) {
  for (const char* ext : outputExtensions) writeFile(stamp + ext, earlierText(ext));
}

// Checks one failed in-process run that failed on file number `failed` (0 ... 3): the files before
// it hold this run's text, that file and those after it their earlier text, nothing else is there.
void expectFailedOn(const RunResult& r, std::size_t failed,
                    const std::map<std::string, std::string>& fresh) {
  const std::string failedName = fixedBase + outputExtensions[failed];
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(
      contains(r.out, "cannot write " + kinds[failed] + " output file " + failedName + ": ") ||
      contains(r.out, "cannot open " + kinds[failed] + " output file " + failedName))
      << r.out;
  const std::string confirmed = confirmations(fixedBase, failed);
  EXPECT_EQ(r.out.substr(0, confirmed.size()), confirmed);
  EXPECT_FALSE(contains(r.out.substr(confirmed.size()), "Wrote")) << r.out;

  std::map<std::string, std::string> expected = {{"route.txt", route}};
  for (std::size_t i = 0; i < outputExtensions.size(); ++i) {
    const std::string name = fixedBase + outputExtensions[i];
    expected[name] = i < failed ? fresh.at(name) : earlierText(outputExtensions[i]);
  }
  EXPECT_TRUE(directoryEntries() == expected)
      << "a file was damaged or a temporary file was left behind";
}

// The four files of a successful run, by name.
std::map<std::string, std::string> freshFiles() {
  FileOps real;
  const RunResult r = runInProcess({"route.txt"}, real);
  EXPECT_EQ(r.status, 0) << r.out;
  std::map<std::string, std::string> files;
  for (const char* ext : outputExtensions) files[fixedBase + ext] = readFile(fixedBase + ext);
  return files;
}

// The file calls, each of which can be made to fail on its k-th use.
enum class Call { write, flush, close, rename };

class FailingOps : public FileOps {
 public:
  FailingOps(Call call, int k) : call_(call), k_(k) {}

  bool write(std::FILE* f, const char* data, std::size_t size) override {
    if (fails(Call::write)) {
      // Half of the text reaches the file, as on a disk that fills up.
      FileOps::write(f, data, size / 2);
      errno = ENOSPC;
      return false;
    }
    return FileOps::write(f, data, size);
  }
  bool flush(std::FILE* f) override {
    if (fails(Call::flush)) {
      errno = EIO;
      return false;
    }
    return FileOps::flush(f);
  }
  bool close(std::FILE* f) override {
    const bool closed = FileOps::close(f);  // the stream is gone either way
    if (fails(Call::close)) {
      errno = EIO;
      return false;
    }
    return closed;
  }
  bool rename(const std::string& from, const std::string& to) override {
    if (fails(Call::rename)) {
      errno = EXDEV;
      return false;
    }
    return FileOps::rename(from, to);
  }

  bool failed() const { return failed_; }

 private:
  bool fails(Call c) {
    if (c != call_ || ++count_ != k_) return false;
    failed_ = true;
    return true;
  }
  Call call_;
  int k_;
  int count_ = 0;
  bool failed_ = false;
};

// The file whose writing failed: the last one whose name the output mentions.
std::size_t failedFileIn(const std::string& out) {
  std::size_t failed = outputExtensions.size();
  std::size_t at = 0;
  for (std::size_t i = 0; i < outputExtensions.size(); ++i) {
    const std::size_t p = out.rfind(fixedBase + outputExtensions[i]);
    if (p != std::string::npos && p >= at) {
      at = p;
      failed = i;
    }
  }
  return failed;
}

TEST(OutputFaults, EveryFailingFileCallFromTheFirstUntilTheRunSucceeds) {
  ScratchDir dir;
  writeFile("route.txt", route);
  const std::map<std::string, std::string> fresh = freshFiles();

  const std::map<Call, const char*> calls = {{Call::write, "write"},
                                             {Call::flush, "flush"},
                                             {Call::close, "close"},
                                             {Call::rename, "rename"}};
  for (const auto& [call, callName] : calls) {
    int k = 1;
    std::vector<bool> seen(outputExtensions.size(), false);
    for (;; ++k) {
      SCOPED_TRACE(std::string(callName) + " number " + std::to_string(k));
      writeEarlierFiles(fixedBase);
      FailingOps ops(call, k);
      const RunResult r = runInProcess({"route.txt"}, ops);
      if (!ops.failed()) {
        // Fewer calls than k: the run went through and replaced all four files.
        EXPECT_EQ(r.status, 0) << r.out;
        std::map<std::string, std::string> expected = fresh;
        expected["route.txt"] = route;
        EXPECT_TRUE(directoryEntries() == expected);
        break;
      }
      const std::size_t failed = failedFileIn(r.out);
      ASSERT_LT(failed, outputExtensions.size()) << r.out;
      seen[failed] = true;
      expectFailedOn(r, failed, fresh);
      ASSERT_LT(k, 100000) << "the run never succeeds";
    }
    for (std::size_t i = 0; i < outputExtensions.size(); ++i) {
      EXPECT_TRUE(seen[i]) << callName << " never failed on the " << outputExtensions[i] << " file";
    }
  }
}

// Sets the process's file-size limit while the object lives, with SIGXFSZ ignored so that a write
// past the limit fails with EFBIG instead of ending the process. Only the soft limit changes, so it
// can always be restored.
class FileSizeLimit {
 public:
  FileSizeLimit() {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  void set(rlim_t bytes) const {
    rlimit l = saved_;
    l.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &l);
  }
  void lift() const { ::setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = SIG_DFL;
};

// The real file calls, with the kernel's file-size limit in force while one chosen file is open.
class LimitedOps : public FileOps {
 public:
  LimitedOps(const FileSizeLimit& limit, std::string target, rlim_t bytes)
      : limit_(limit), target_(std::move(target)), bytes_(bytes) {}
  std::FILE* open(const std::string& path) override {
    if (path == temporaryNameFor(target_)) {
      limit_.set(bytes_);
    } else {
      limit_.lift();
    }
    return FileOps::open(path);
  }

 private:
  const FileSizeLimit& limit_;
  std::string target_;
  rlim_t bytes_;
};

TEST(OutputFaults, FileSizeLimitReachedInEachOfTheFourFiles) {
  ScratchDir dir;
  writeFile("route.txt", route);
  const std::map<std::string, std::string> fresh = freshFiles();

  for (std::size_t i = 0; i < outputExtensions.size(); ++i) {
    const std::string name = fixedBase + outputExtensions[i];
    SCOPED_TRACE(name);
    writeEarlierFiles(fixedBase);
    RunResult r;
    {
      const FileSizeLimit limit;
      LimitedOps ops(limit, name, fresh.at(name).size() / 2);
      r = runInProcess({"route.txt"}, ops);
    }
    EXPECT_TRUE(contains(r.out, name + ": File too large\n")) << r.out;
    expectFailedOn(r, i, fresh);
  }
}

// The stamps a run of the executable that starts now can take: this minute's and the next one's.
std::vector<std::string> stampsNearNow() {
  const std::time_t now = std::time(nullptr);
  return {fileName(*utcTime(now)), fileName(*utcTime(now + 60))};
}

TEST(OutputFaults, FileSizeLimitStopsTheExecutableAtTheMissionScript) {
  ScratchDir dir;
  writeFile("route.txt", route);
  const std::vector<std::string> stamps = stampsNearNow();
  for (const std::string& stamp : stamps) writeEarlierFiles(stamp);
  const auto before = directoryEntries();

  // The mission script is the largest file and the first written: 1000 bytes hold none of it whole,
  // but every message.
  const RunResult r =
      runNurvoLimited({"route.txt"}, RunLimits{.seconds = 60, .fileSizeBytes = 1000});

  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(
      contains(r.out, "cannot write mission output file " + stamps[0] + "cfg: File too large\n") ||
      contains(r.out, "cannot write mission output file " + stamps[1] + "cfg: File too large\n"))
      << r.out;
  EXPECT_FALSE(contains(r.out, "Wrote"));
  EXPECT_TRUE(directoryEntries() == before) << "a file was damaged or a temporary file was left";
}

TEST(OutputFaults, DirectoryWhereEachOutputFileGoes) {
  for (std::size_t blocked = 0; blocked < outputExtensions.size(); ++blocked) {
    SCOPED_TRACE(outputExtensions[blocked]);
    ScratchDir dir;
    writeFile("route.txt", route);
    const std::vector<std::string> stamps = stampsNearNow();
    for (const std::string& stamp : stamps)
      ::mkdir((stamp + outputExtensions[blocked]).c_str(), 0755);

    const RunResult r = runNurvoLimited({"route.txt"}, RunLimits{.seconds = 60});

    EXPECT_EQ(r.status, 1);
    const std::string stamp =
        contains(r.out, stamps[0] + outputExtensions[blocked]) ? stamps[0] : stamps[1];
    const std::string name = stamp + outputExtensions[blocked];
    std::string expected = confirmations(stamp, blocked);
    expected += "cannot open " + kinds[blocked] + " output file " + name + " ";
    EXPECT_EQ(r.out, expected);

    // The files written before the failure stay; the directories stay; nothing else is there.
    std::map<std::string, std::string> entries = directoryEntries();
    EXPECT_EQ(entries.erase("route.txt"), 1u);
    for (const std::string& s : stamps) EXPECT_EQ(entries.erase(s + outputExtensions[blocked]), 1u);
    for (std::size_t i = 0; i < blocked; ++i)
      EXPECT_EQ(entries.erase(stamp + outputExtensions[i]), 1u);
    EXPECT_TRUE(entries.empty()) << "left behind: " << entries.begin()->first;
  }
}

}  // namespace
}  // namespace nurvo::test

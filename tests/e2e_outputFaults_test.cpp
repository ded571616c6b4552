// Output files that cannot be written, with failures made real even for root: a file-size limit,
// a directory where a file goes, and file calls that fail one at a time. Every failure must name
// the file, print no confirmation, end with status 1, keep the earlier files of the run's names
// byte for byte and leave no temporary file behind. Also hostile folders: planted links and FIFOs,
// and several runs at once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "calcs.h"
#include "fileWriter.h"
#include "nurvo.h"
#include "platform.h"
#include "testSupport.h"

namespace nurvo::test {
namespace {

const std::string route = "36.8167 -121.8170\n36.8215 -121.7986\n36.8520 -121.8105\n";
const std::vector<std::string> kinds = {"mission", "waypoint", "surveyline", "csv"};

std::string earlierText(const std::string& ext) {
  return "an earlier run's " + ext + " file\n";
}

void writeEarlierFiles(const std::string& stamp) {
  for (const std::string ext : outputExtensions) writeFile(stamp + ext, earlierText(ext));
}

// Checks one failed in-process run: a message naming file number `failed` (0 ... 3), or the set
// when `failed` is 4, no confirmation, and the earlier files untouched with nothing beside them.
void expectFailedOn(const RunResult& r, std::size_t failed) {
  EXPECT_EQ(r.status, 1);
  if (failed < outputExtensions.size()) {
    EXPECT_TRUE(
        contains(r.out, kinds[failed] + " output file " + fixedBase + outputExtensions[failed]))
        << r.out;
  } else {
    EXPECT_TRUE(contains(r.out, " the folder of output files " + fixedBase + "*: ")) << r.out;
  }
  EXPECT_FALSE(contains(r.out, "Wrote")) << r.out;
  std::map<std::string, std::string> expected = {{"route.txt", route}};
  for (const std::string ext : outputExtensions) expected[fixedBase + ext] = earlierText(ext);
  EXPECT_TRUE(directoryEntries() == expected)
      << "a file was replaced or a temporary file was left behind";
}

// The four files of a successful run, by name.
std::map<std::string, std::string> freshFiles() {
  FileOps real;
  const RunResult r = runInProcess({"route.txt"}, real);
  EXPECT_EQ(r.status, 0) << r.out;
  std::map<std::string, std::string> files;
  for (const std::string ext : outputExtensions) files[fixedBase + ext] = readFile(fixedBase + ext);
  return files;
}

// The file calls, each of which can be made to fail on its k-th use.
enum class Call { create, write, flush, sync, close, lock, keep, rename, syncFolder };

class FailingOps : public FileOps {
 public:
  FailingOps(Call call, int k) : call_(call), k_(k) {}

  std::FILE* createExclusive(const std::string& path) override {
    return fails(Call::create, EACCES) ? nullptr : FileOps::createExclusive(path);
  }
  bool write(std::FILE* f, const char* data, std::size_t size) override {
    if (fails(Call::write, ENOSPC)) {
      // Half of the text reaches the file, as on a disk that fills up.
      FileOps::write(f, data, size / 2);
      errno = ENOSPC;
      return false;
    }
    return FileOps::write(f, data, size);
  }
  bool flush(std::FILE* f) override { return !fails(Call::flush, EIO) && FileOps::flush(f); }
  bool sync(std::FILE* f) override { return !fails(Call::sync, EIO) && FileOps::sync(f); }
  bool close(std::FILE* f) override {
    const bool closed = FileOps::close(f);  // the stream is gone either way
    return !fails(Call::close, EIO) && closed;
  }
  std::optional<FolderLock> lockFolder(const std::string& folder) override {
    if (fails(Call::lock, ENOLCK)) return std::nullopt;
    return FileOps::lockFolder(folder);
  }
  bool keep(const std::string& name, const std::string& keptAs) override {
    return !fails(Call::keep, EIO) && FileOps::keep(name, keptAs);
  }
  bool rename(const std::string& from, const std::string& to) override {
    return !fails(Call::rename, EXDEV) && FileOps::rename(from, to);
  }
  bool syncFolder(FolderLock& lock) override {
    return !fails(Call::syncFolder, EIO) && FileOps::syncFolder(lock);
  }

  bool failed() const { return failed_; }

 private:
  bool fails(Call c, int error) {
    if (c != call_ || ++count_ != k_) return false;
    failed_ = true;
    errno = error;
    return true;
  }
  Call call_;
  int k_;
  int count_ = 0;
  bool failed_ = false;
};

// The file whose writing failed: the last one whose name the output mentions; 4 for none.
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

  // Each call, and the words that name its step in the message, followed by the reason.
  const std::map<Call, std::pair<const char*, const char*>> calls = {
      {Call::create, {"create", "cannot create "}},
      {Call::write, {"write", "cannot write "}},
      {Call::flush, {"flush", "cannot flush "}},
      {Call::sync, {"sync", "cannot sync "}},
      {Call::close, {"close", "cannot close "}},
      {Call::lock, {"lock", "cannot lock the folder of "}},
      {Call::keep, {"keep", "cannot keep the earlier "}},
      {Call::rename, {"rename", "cannot replace "}},
      {Call::syncFolder, {"syncFolder", "cannot sync the folder of "}}};
  for (const auto& [call, names] : calls) {
    const auto& [callName, words] = names;
    int k = 1;
    std::vector<bool> seen(outputExtensions.size() + 1, false);
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
      seen[failed] = true;
      expectFailedOn(r, failed);
      EXPECT_TRUE(r.out.starts_with(words) && r.out.ends_with("\n")) << r.out;
      ASSERT_LT(k, 100000) << "the run never succeeds";
    }
    // A call made for each file fails on each of them; a call made for the folder, on none.
    const bool forFolder = call == Call::lock || call == Call::syncFolder;
    for (std::size_t i = 0; i < seen.size(); ++i) {
      EXPECT_EQ(seen[i], forFolder == (i == outputExtensions.size())) << callName << " file " << i;
    }
  }
}

// Records the file calls of a run, each with the names it acts on; a temporary or kept name is
// shown as the final name it belongs to, with .tmp or .old.
class RecordingOps : public FileOps {
 public:
  std::FILE* createExclusive(const std::string& path) override {
    std::FILE* f = FileOps::createExclusive(path);
    paths_[f] = path;
    add("create " + path);
    return f;
  }
  bool write(std::FILE* f, const char* data, std::size_t size) override {
    if (calls.back() != "write " + shown(paths_[f])) add("write " + paths_[f]);
    return FileOps::write(f, data, size);
  }
  bool flush(std::FILE* f) override { return add("flush " + paths_[f]), FileOps::flush(f); }
  bool sync(std::FILE* f) override { return add("sync " + paths_[f]), FileOps::sync(f); }
  bool close(std::FILE* f) override { return add("close " + paths_[f]), FileOps::close(f); }
  std::optional<FolderLock> lockFolder(const std::string& folder) override {
    return add("lock " + folder), FileOps::lockFolder(folder);
  }
  bool keep(const std::string& name, const std::string& keptAs) override {
    return add("keep " + name + " " + keptAs), FileOps::keep(name, keptAs);
  }
  bool rename(const std::string& from, const std::string& to) override {
    return add("rename " + from + " " + to), FileOps::rename(from, to);
  }
  bool syncFolder(FolderLock& lock) override {
    return add("syncFolder"), FileOps::syncFolder(lock);
  }
  void remove(const std::string& path) override { add("remove " + path), FileOps::remove(path); }

  std::vector<std::string> calls{""};

 private:
  static std::string shown(const std::string& text) {
    static const std::regex unique(R"(\.([^ ]+)\.\d+\.\d+\.(tmp|old)\b)");
    return std::regex_replace(text, unique, "$1.$2");
  }
  void add(const std::string& call) { calls.push_back(shown(call)); }
  std::map<std::FILE*, std::string> paths_;
};

TEST(OutputFaults, ARunWritesSyncsAndClosesEveryFileBeforeItRenamesAnyAndSyncsTheFolderLast) {
  ScratchDir dir;
  writeFile("route.txt", route);
  writeEarlierFiles(fixedBase);
  RecordingOps ops;
  ASSERT_EQ(runInProcess({"route.txt"}, ops).status, 0);

  std::vector<std::string> expected{""};
  for (const std::string ext : outputExtensions) {
    for (const char* call : {"create", "write", "flush", "sync", "close"}) {
      expected.push_back(std::string(call) + " " + fixedBase + ext + ".tmp");
    }
  }
  expected.push_back("lock .");
  for (const std::string ext : outputExtensions) {
    expected.push_back("keep " + fixedBase + ext + " " + fixedBase + ext + ".old");
  }
  for (const std::string ext : outputExtensions) {
    expected.push_back("rename " + fixedBase + ext + ".tmp " + fixedBase + ext);
  }
  expected.push_back("syncFolder");
  for (const std::string ext : outputExtensions)
    expected.push_back("remove " + fixedBase + ext + ".old");
  EXPECT_EQ(ops.calls, expected);
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
  std::FILE* createExclusive(const std::string& path) override {
    if (path.rfind("." + target_ + ".", 0) == 0) {
      limit_.set(bytes_);
    } else {
      limit_.lift();
    }
    return FileOps::createExclusive(path);
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
    expectFailedOn(r, i);
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
  struct Blocked {
    std::string ext, kind;
    std::vector<std::string> args;
  };
  std::vector<Blocked> cases;
  for (std::size_t i = 0; i < outputExtensions.size(); ++i) {
    cases.push_back({outputExtensions[i], kinds[i], {"route.txt"}});
  }
  cases.push_back({"svg", "svg", {"--export", "svg", "route.txt"}});  // an export joins the set
  for (const Blocked& c : cases) {
    SCOPED_TRACE(c.ext);
    ScratchDir dir;
    writeFile("route.txt", route);
    const std::vector<std::string> stamps = stampsNearNow();
    for (const std::string& stamp : stamps) ::mkdir((stamp + c.ext).c_str(), 0755);

    const RunResult r = runNurvoLimited(c.args, RunLimits{.seconds = 60});

    EXPECT_EQ(r.status, 1);
    const std::string stamp = contains(r.out, stamps[0] + c.ext) ? stamps[0] : stamps[1];
    const std::string name = stamp + c.ext;
    EXPECT_EQ(r.out, "cannot replace " + c.kind + " output file " + name + ": Is a directory\n");

    // Nothing of the run is left: only the route and the directories.
    std::map<std::string, std::string> expected = {{"route.txt", route}};
    for (const std::string& s : stamps) expected[s + c.ext] = "<dir>";
    EXPECT_TRUE(directoryEntries() == expected);
  }
}

TEST(OutputFaults, PlantedLinksAndAFifoAreNeitherFollowedNorOpened) {
  ScratchDir dir;
  writeFile("route.txt", route);
  const std::map<std::string, std::string> fresh = freshFiles();
  ::mkdir("shared", 0755);
  writeFile("shared/victim", "victim\n");
  const std::string victim = dir.path() + "/shared/victim";

  // Links at the names of the former temporaries, at the run's first unique names, and at one
  // final name; a FIFO at the next unique name.
  std::map<std::string, std::string> expected = fresh;
  expected["route.txt"] = route;
  expected["shared"] = "<dir>";
  std::vector<std::string> links;
  const std::string pid = std::to_string(processId());
  for (const std::string ext : outputExtensions) {
    links.push_back(fixedBase + ext + ".tmp");
    for (int n = 0; n < 4; ++n)
      links.push_back("." + fixedBase + ext + "." + pid + "." + std::to_string(n) + ".tmp");
  }
  for (const std::string& l : links) {
    ASSERT_EQ(::symlink(victim.c_str(), l.c_str()), 0) << l;
    expected[l] = "victim\n";
  }
  ::unlink((fixedBase + "pts").c_str());
  ASSERT_EQ(::symlink(victim.c_str(), (fixedBase + "pts").c_str()), 0);
  const std::string fifo = "." + fixedBase + "cfg." + pid + ".4.tmp";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  expected[fifo] = "<dir>";
  // Held open for reading, so that a run which opened it would not hang but leave text in it.
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);

  const mode_t savedMask = ::umask(002);
  FileOps real;
  const RunResult r = runInProcess({"route.txt"}, real);
  ::umask(savedMask);

  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(directoryEntries() == expected) << "a link was followed or a file was left";
  for (const std::string& l : links) {
    struct stat st {};
    EXPECT_TRUE(::lstat(l.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) << l;
  }
  for (const std::string ext : outputExtensions) {
    struct stat st {};
    ASSERT_EQ(::lstat((fixedBase + ext).c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode)) << ext;
    EXPECT_EQ(st.st_mode & 0777, 0664u) << ext;
  }
  char byte;
  EXPECT_LE(::read(reader, &byte, 1), 0) << "text reached the FIFO";
  ::close(reader);
}

TEST(OutputFaults, ASecondRunOfTheSameStampLeavesOnlyItsOwnFiles) {
  const struct {
    std::vector<std::string> first, second;
  } rows[] = {
      {{"--export", "all", "two.txt"}, {"--export", "gpx", "cut.txt"}},
      {{"--export", "all", "two.txt"}, {"cut.txt"}},
  };
  const auto runs = [](const std::vector<std::vector<std::string>>& argLists) {
    ScratchDir dir;
    writeFile("two.txt", route);
    writeFile("cut.txt", "36.8 -121.8\n36.9 -121.8\n");
    FileOps real;
    for (const auto& args : argLists) EXPECT_EQ(runInProcess(args, real).status, 0);
    return directoryEntries();
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.second.front());
    EXPECT_TRUE(runs({row.first, row.second}) == runs({row.second}));
  }
}

TEST(OutputFaults, TemporariesOfProcessesThatEndedGoAtTheNextCommitInTheFolder) {
  ScratchDir dir;
  writeFile("route.txt", route);
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ASSERT_GT(ended, 0);
  ::waitpid(ended, nullptr, 0);
  const std::string stale = "." + fixedBase + "cfg." + std::to_string(ended) + ".0.tmp";
  const std::string running = "." + fixedBase + "cfg." + std::to_string(::getppid()) + ".0.tmp";
  writeFile(stale, "left by a run that was killed\n");
  writeFile(running, "another run's, still being written\n");

  FileOps real;
  ASSERT_EQ(runInProcess({"route.txt"}, real).status, 0);
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_TRUE(std::filesystem::exists(running));
}

TEST(OutputFaults, AnInterruptWhileALargeRouteIsWrittenLeavesNoTemporaryFile) {
  for (const int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(sig);
    ScratchDir dir;
    // 200 km cut every 0.5 m: 400 000 waypoints, files of some 150 MB.
    writeFile("route.txt", "36.0 -122.0\n37.8 -122.0\n");
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (std::freopen("/dev/null", "w", stdout) == nullptr) ::_exit(127);
      ::execl(NURVO_EXE, NURVO_EXE, "--maxLegMeters", "0.5", "route.txt", nullptr);
      ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    // Interrupted as soon as its first temporary file appears.
    bool seen = false;
    for (int i = 0; i < 6000 && !seen; ++i) {
      for (const auto& e : std::filesystem::directory_iterator(".")) {
        seen = seen || e.path().extension() == ".tmp";
      }
      if (!seen) ::usleep(5000);
    }
    ::kill(pid, sig);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "the run ended by itself";
    EXPECT_EQ(entryNames(), std::set<std::string>{"route.txt"});
  }
}

TEST(OutputFaults, EightRunsAtOnceInOneFolderLeaveOneRunsFourFiles) {
  if (::access("/usr/bin/faketime", X_OK) != 0) GTEST_SKIP() << "faketime is not installed";
  ScratchDir dir;
  for (int i = 0; i < 8; ++i) {
    // A route of its own for each run, long enough for the runs to overlap.
    std::string text;
    for (int w = 0; w < 300; ++w) {
      text += strprintf("%.4f %.4f\n", 36.8 + 0.001 * w, -121.8 + 0.01 * i + 0.002 * (w % 2));
    }
    writeFile("route" + std::to_string(i) + ".txt", text);
  }
  // Each route once alone, then all eight together in one folder, all at 15:29 UTC.
  // faketime preloads a library, which a sanitizer runtime would otherwise refuse.
  const std::string script = R"(
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
    nurvo="$1"; clock='2026-12-07 15:29:00 UTC'; mkdir together
    for i in 0 1 2 3 4 5 6 7; do
      mkdir alone$i; (cd alone$i && faketime "$clock" "$nurvo" ../route$i.txt > /dev/null)
    done
    for i in 0 1 2 3 4 5 6 7; do
      (cd together && faketime "$clock" "$nurvo" ../route$i.txt > ../out$i 2>&1; echo $? > ../status$i) &
    done
    wait)";
  ASSERT_EQ(runNurvo({"-c", script, "sh", NURVO_EXE}, {}, "/bin/sh").status, 0);

  const std::string stamp = "2026_340_1529.";
  const std::string confirmed = confirmations(stamp);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(readFile("status" + std::to_string(i)), "0\n") << readFile("out" + std::to_string(i));
    EXPECT_EQ(readFile("out" + std::to_string(i)), confirmed);
  }
  ASSERT_EQ(::chdir("together"), 0);
  const std::map<std::string, std::string> together = directoryEntries();
  ASSERT_EQ(::chdir(".."), 0);
  int matches = 0;
  for (int i = 0; i < 8; ++i) {
    ASSERT_EQ(::chdir(("alone" + std::to_string(i)).c_str()), 0);
    matches += directoryEntries() == together ? 1 : 0;
    ASSERT_EQ(::chdir(".."), 0);
  }
  EXPECT_EQ(matches, 1) << "the files left are not one run's four files, or not only those";
}

}  // namespace
}  // namespace nurvo::test

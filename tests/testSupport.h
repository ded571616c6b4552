// Helpers shared by the tests: scratch directories, files, runs of nurvo in this process and of
// the built executable, and the confirmation lines of the output files.
#pragma once

#include <array>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "nurvo.h"

namespace nurvo::test {

// A fresh empty directory that the process works in while the object lives; removed afterwards.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

void writeFile(const std::string& path, const std::string& text);
std::string readFile(const std::string& path);

// The route file of a golden case: route.txt, or the route.* that holds an area in another format.
std::filesystem::path routeFileOf(const std::filesystem::path& caseDir);
// Every entry of the current directory by name, with the contents of the regular files.
std::map<std::string, std::string> directoryEntries();
// The names of the entries of the current directory, and the same with the run's time stamp
// masked (see maskStamp).
std::set<std::string> entryNames();
std::set<std::string> maskedEntryNames();

bool contains(const std::string& text, const std::string& part);
// The lines of `text` that are not empty, such as the arguments of a golden case.
std::vector<std::string> lines(const std::string& text);

// The output files' extensions, in the order a run writes the files.
inline constexpr std::array<const char*, 4> outputExtensions = {"cfg", "wpt", "pts", "csv"};

// The line that confirms each written output file, in the same order, as a format of its name.
inline constexpr std::array<const char*, 4> confirmationFormats = {
    " **** Wrote mission script: %s **** \n", "\n **** Wrote waypoints file : %s ****\n",
    "\n **** Wrote survey line : %s ****\n", "\n **** Wrote csv file : %s ****\n"};

// The confirmations of the first `count` output files named `base` and their extension; by
// default all four, with the time stamp masked as maskStamp masks it.
std::string confirmations(const std::string& base = "<STAMP>.",
                          std::size_t count = confirmationFormats.size());

// 7 December 2026, 15:29:30 UTC: a run at this time names its files 2026_340_1529.
inline constexpr std::time_t fixedInstant = 1796657370;
inline const std::string fixedBase = "2026_340_1529.";
// A clock that always tells fixedInstant.
const Clock& fixedClock();

// What a run did: its exit status and what it printed on standard output and standard error.
struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs nurvo::run in this process, in the current directory, with `args` after the program's
// name, the file calls of `fileOps` and the time of `clock`.
RunResult runInProcess(std::vector<std::string> args, FileOps& fileOps,
                       const Clock& clock = fixedClock());

// Runs the built nurvo (or `exe`) in the current directory with `args`, feeding `input` on its
// standard input (a pipe), with TZ far from UTC.
RunResult runNurvo(const std::vector<std::string>& args, const std::string& input = {},
                   const std::string& exe = {});

// Limits put on a run of the executable, so that a hang or a write can be made to fail for real.
struct RunLimits {
  unsigned seconds = 0;          // killed by SIGALRM after this many seconds; 0 for no limit
  long long fileSizeBytes = -1;  // RLIMIT_FSIZE, with SIGXFSZ ignored so that writes fail; -1 none
};

// runNurvo under limits.
RunResult runNurvoLimited(const std::vector<std::string>& args, const RunLimits& limits,
                          const std::string& input = {});

// Replaces the run's time stamp (for example 2026_62_516) by <STAMP>.
std::string maskStamp(const std::string& text);

}  // namespace nurvo::test

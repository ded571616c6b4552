// Helpers shared by the tests: scratch directories, files, and runs of the built executable.
#pragma once

#include <map>
#include <string>
#include <vector>

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
// Every entry of the current directory by name, with the contents of the regular files.
std::map<std::string, std::string> directoryEntries();

// What a run of the executable did.
struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

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

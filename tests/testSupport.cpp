#include "testSupport.h"

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "platform.h"
#include "textSink.h"

namespace nurvo::test {

namespace {

void removeTree(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    if (DIR* d = ::opendir(path.c_str())) {
      while (const dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..") removeTree(path + "/" + n);
      }
      ::closedir(d);
    }
    ::rmdir(path.c_str());
  } else {
    ::unlink(path.c_str());
  }
}

RunResult runNurvoIn(const std::vector<std::string>& args, const std::string& input,
                     const std::string& exe, const RunLimits& limits);

}  // namespace

ScratchDir::ScratchDir() {
  char cwd[4096];
  if (::getcwd(cwd, sizeof cwd) == nullptr) throw std::runtime_error("getcwd");
  previous_ = cwd;
  const char* tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp != nullptr ? tmp : "/tmp") + "/nurvo-test-XXXXXX";
  if (::mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp");
  path_ = templ;
  if (::chdir(path_.c_str()) != 0) throw std::runtime_error("chdir");
}

ScratchDir::~ScratchDir() {
  if (::chdir(previous_.c_str()) != 0) return;
  removeTree(path_);
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary);
  f << text;
}

std::filesystem::path routeFileOf(const std::filesystem::path& caseDir) {
  for (const auto& f : std::filesystem::directory_iterator(caseDir)) {
    if (f.path().stem() == "route") return f.path();
  }
  return caseDir / "route.txt";
}

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::map<std::string, std::string> directoryEntries() {
  std::map<std::string, std::string> entries;
  if (DIR* d = ::opendir(".")) {
    while (const dirent* e = ::readdir(d)) {
      const std::string n = e->d_name;
      if (n == "." || n == "..") continue;
      struct stat st {};
      ::stat(n.c_str(), &st);
      entries[n] = S_ISREG(st.st_mode) ? readFile(n) : std::string("<dir>");
    }
    ::closedir(d);
  }
  return entries;
}

std::set<std::string> entryNames() {
  std::set<std::string> names;
  for (const auto& [name, content] : directoryEntries()) names.insert(name);
  return names;
}

std::set<std::string> maskedEntryNames() {
  std::set<std::string> names;
  for (const std::string& n : entryNames()) names.insert(maskStamp(n));
  return names;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty()) out.push_back(l);
  }
  return out;
}

std::string confirmations(const std::string& base, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    text += strprintf(confirmationFormats[i], (base + outputExtensions[i]).c_str());
  }
  return text;
}

const Clock& fixedClock() {
  static const FixedClock clock(*utcTime(fixedInstant));
  return clock;
}

RunResult runInProcess(std::vector<std::string> args, FileOps& fileOps, const Clock& clock) {
  args.insert(args.begin(), "nurvo");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  StringConsole console;
  RunResult r;
  r.status = run(static_cast<int>(args.size()), argv.data(), console, clock, fileOps);
  r.out = console.output;
  r.err = console.errors;
  return r;
}

RunResult runNurvo(const std::vector<std::string>& args, const std::string& input,
                   const std::string& exe) {
  return runNurvoIn(args, input, exe, RunLimits{});
}

RunResult runNurvoLimited(const std::vector<std::string>& args, const RunLimits& limits,
                          const std::string& input) {
  return runNurvoIn(args, input, {}, limits);
}

namespace {

RunResult runNurvoIn(const std::vector<std::string>& args, const std::string& input,
                     const std::string& exe, const RunLimits& limits) {
  const std::string program = exe.empty() ? std::string(NURVO_EXE) : exe;
  // The run's streams live outside the scratch directory, so that tests see only nurvo's files.
  const char* tmp = std::getenv("TMPDIR");
  const std::string inPath =
      std::string(tmp != nullptr ? tmp : "/tmp") + "/nurvo-run-" + std::to_string(::getpid());
  const std::string outPath = inPath + ".out";
  const std::string errPath = inPath + ".err";
  writeFile(inPath, input);

  const pid_t pid = ::fork();
  if (pid == 0) {
    std::FILE* in = std::freopen(inPath.c_str(), "rb", stdin);
    std::FILE* out = std::freopen(outPath.c_str(), "wb", stdout);
    std::FILE* err = std::freopen(errPath.c_str(), "wb", stderr);
    if (in == nullptr || out == nullptr || err == nullptr) ::_exit(127);
    ::setenv("TZ", "NRV-14", 1);
    if (limits.fileSizeBytes >= 0) {
      std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
      const rlimit fsize{static_cast<rlim_t>(limits.fileSizeBytes),
                         static_cast<rlim_t>(limits.fileSizeBytes)};
      if (::setrlimit(RLIMIT_FSIZE, &fsize) != 0) ::_exit(127);
    }
    if (limits.seconds > 0) ::alarm(limits.seconds);  // the alarm outlives exec
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  RunResult r;
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  r.out = readFile(outPath);
  r.err = readFile(errPath);
  ::unlink(inPath.c_str());
  ::unlink(outPath.c_str());
  ::unlink(errPath.c_str());
  return r;
}

}  // namespace

std::string maskStamp(const std::string& text) {
  static const std::regex stamp(
      R"(\d{4}_\d{1,3}_\d{1,4}(?=\.(cfg|wpt|pts|csv|gpx|kml|geojson|svg)))");
  return std::regex_replace(text, stamp, "<STAMP>");
}

}  // namespace nurvo::test

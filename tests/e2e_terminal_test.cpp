// Interactive runs on a real pseudo-terminal: the sampler notice waits for one key press and goes
// on at once, without Enter and without echoing the key; a wrong file name is asked again, and the
// echo of the file never sends the terminal a control sequence.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "testSupport.h"

namespace nurvo::test {
namespace {

using SteadyClock = std::chrono::steady_clock;
// Only a safety net for a broken build: every wait below normally ends within milliseconds.
constexpr auto patience = std::chrono::seconds(10);

// The built nurvo with a pseudo-terminal as its standard input and output.
class TerminalRun {
 public:
  explicit TerminalRun(const char* arg) {
    pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      ::execl(NURVO_EXE, NURVO_EXE, arg, static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~TerminalRun() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) ::close(master_);
  }
  TerminalRun(const TerminalRun&) = delete;
  TerminalRun& operator=(const TerminalRun&) = delete;

  bool started() const { return pid_ > 0 && master_ >= 0; }

  void type(const std::string& keys) {
    ASSERT_EQ(::write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }

  // Collects the terminal's output (line ends as "\n") until it holds `text`; false when it
  // never does.
  bool waitForOutput(const std::string& text) {
    const auto deadline = SteadyClock::now() + patience;
    while (output.find(text) == std::string::npos) {
      if (SteadyClock::now() > deadline || !readSome()) return false;
    }
    return true;
  }

  // Waits until the program has switched the terminal to single-key reading.
  bool waitForSingleKeyMode() const {
    const auto deadline = SteadyClock::now() + patience;
    for (;;) {
      termios mode{};
      if (::tcgetattr(master_, &mode) != 0) return false;
      if ((mode.c_lflag & ICANON) == 0) return (mode.c_lflag & ECHO) == 0;
      if (SteadyClock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  bool running() const { return ::waitpid(pid_, nullptr, WNOHANG) == 0; }

  // Collects the rest of the output and returns the exit status; -1 when the run does not end.
  int finish() {
    const auto deadline = SteadyClock::now() + patience;
    while (SteadyClock::now() < deadline && readSome()) {
    }
    int status = 0;
    while (SteadyClock::now() < deadline) {
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
  }

  std::string output;

 private:
  // Reads what the terminal has; false once the program has closed it.
  bool readSome() {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) return true;
    char buf[4096];
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) return false;  // EIO: no process holds the terminal any more
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[i] != '\r') output.push_back(buf[i]);
    }
    return true;
  }

  int master_ = -1;
  pid_t pid_ = -1;
  bool exited_ = false;
};

TEST(SamplerNoticeOnATerminal, OneKeyPressWithoutEnterEndsTheWait) {
  ScratchDir dir;
  writeFile("route.txt", "36.8167 -121.8170\n36.8174 -121.7984\n");
  TerminalRun run("--interactive");
  if (!run.started()) GTEST_SKIP() << "no pseudo-terminal available on this machine";

  run.type("route.txt\n0\ny\n0\ny\n");
  const std::string notice = " Hit any key to continue \n";
  ASSERT_TRUE(run.waitForOutput(notice)) << run.output;
  ASSERT_TRUE(run.waitForSingleKeyMode()) << "the key is not read alone and without echo";
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(run.running()) << "the notice did not wait for a key";
  EXPECT_EQ(run.output.find("Wrote"), std::string::npos);

  run.type("k");
  EXPECT_EQ(run.finish(), 0) << run.output;
  const std::string afterNotice = run.output.substr(run.output.find(notice) + notice.size());
  EXPECT_EQ(maskStamp(afterNotice), "\n\n" + confirmations());  // no "k": the key was not echoed
  EXPECT_EQ(directoryEntries().size(), 5u);
}

TEST(FileQuestionOnATerminal, AWrongNameIsAskedAgainAndTheEchoHoldsNoControlSequence) {
  ScratchDir dir;
  writeFile("route.txt", "36.8167 -121.8170 \x1b]0;owned\x07\x1b[2J\n36.8174 -121.7984\n");
  TerminalRun run("--interactive");
  if (!run.started()) GTEST_SKIP() << "no pseudo-terminal available on this machine";

  const std::string question = "What's the name of the waypoint file ? \n > ";
  ASSERT_TRUE(run.waitForOutput(question)) << run.output;
  run.type("ruote.txt\n");
  ASSERT_TRUE(run.waitForOutput("cannot open file ruote.txt \n" + question)) << run.output;
  run.type("route.txt\n");
  ASSERT_TRUE(run.waitForOutput("If parameters are OK, type 0 \n\n > ")) << run.output;
  EXPECT_NE(run.output.find("\n36.8167 -121.8170 ?]0;owned??[2J\n36.8174 -121.7984\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find('\x1b'), std::string::npos);
  EXPECT_EQ(run.output.find('\x07'), std::string::npos);

  run.type("0\ny\n0\nn\n");
  EXPECT_EQ(run.finish(), 0) << run.output;
  EXPECT_EQ(directoryEntries().size(), 5u);
}

}  // namespace
}  // namespace nurvo::test

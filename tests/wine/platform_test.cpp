// The platform layer of the Windows build, run under wine: number formatting, text-mode files,
// replacing files, UTC time and repeated option parsing must behave as on Linux.
#include "platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "calcs.h"
#include "console.h"
#include "fileWriter.h"
#include "nurvo.h"
#include "textSink.h"

namespace nurvo::test {
namespace {

namespace fs = std::filesystem;

// A fresh empty directory that the process works in while the object lives.
class ScratchDir {
 public:
  ScratchDir() : previous_(fs::current_path()) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::temp_directory_path() /
            (std::string("nurvo-") + info->test_suite_name() + "-" + info->name());
    fs::remove_all(path_);
    fs::create_directories(path_);
    fs::current_path(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::current_path(previous_, ec);
    fs::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

 private:
  fs::path previous_;
  fs::path path_;
};

std::string readBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f << bytes;
}

std::vector<std::string> entries() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(".")) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Expected digits are those of a correctly rounding C library (glibc): the decimal value of the
// binary double, rounded half to even only when it is exactly half way.
TEST(NumberFormatting, RoundsLikeTheCLibraryOfLinux) {
  EXPECT_EQ(strprintf("%.4f", 0.00005), "0.0001");  // just above half in binary
  EXPECT_EQ(strprintf("%.4f", 0.03125), "0.0312");  // exactly half: to even
  EXPECT_EQ(strprintf("%.4f", 0.09375), "0.0938");
  EXPECT_EQ(strprintf("%.1f", 0.25), "0.2");
  EXPECT_EQ(strprintf("%.1f", 0.35), "0.3");  // 0.34999999999999997...
  EXPECT_EQ(strprintf("%.1f", 1234.5), "1234.5");
  EXPECT_EQ(strprintf("%.1f", 1234.45), "1234.5");  // 1234.4500000000000455...
  EXPECT_EQ(strprintf("%.2f", 0.125), "0.12");
  EXPECT_EQ(strprintf("%.3f", 0.0625), "0.062");
  EXPECT_EQ(strprintf("%.0f", 0.5), "0");
  EXPECT_EQ(strprintf("%.0f", 1.5), "2");
  EXPECT_EQ(strprintf("%.0f", 2.5), "2");
  EXPECT_EQ(strprintf("%.0f", -0.0), "-0");
  EXPECT_EQ(strprintf("%.1f", -0.04), "-0.0");
  EXPECT_EQ(strprintf("%.6f", 90.00007600000001), "90.000076");
  EXPECT_EQ(strprintf("%.6f", 1e20), "100000000000000000000.000000");
  EXPECT_EQ(strprintf("%.17g", 0.1), "0.10000000000000001");
  EXPECT_EQ(strprintf("%f", 1e-7), "0.000000");
}

TEST(NumberFormatting, IntegersAndSizesUseTheC99Lengths) {
  EXPECT_EQ(strprintf("%lld", LLONG_MIN), "-9223372036854775808");
  EXPECT_EQ(strprintf("%zu", SIZE_MAX), "18446744073709551615");
  EXPECT_EQ(strprintf("%zu", static_cast<std::size_t>(7)), "7");
  EXPECT_EQ(strprintf("%d|%5d|%-3d|%02d", INT_MIN, 42, 7, 5), "-2147483648|   42|7  |05");
  EXPECT_EQ(strprintf("%s:%c", "ab", 'x'), "ab:x");
}

TEST(NumberFormatting, LongTextIsNotCut) {
  const std::string word(1000, 'w');
  const std::string s = strprintf("<%s>%.3f", word.c_str(), 2.0);
  EXPECT_EQ(s, "<" + word + ">2.000");
}

TEST(TextModeFiles, EveryLineEndReachesTheDiskAsCrLf) {
  ScratchDir dir;
  FileOps ops;
  FileSet set(ops);
  EXPECT_EQ(set.stage("out.wpt",
                      [](TextSink& s) {
                        s.line("first");
                        s.print("%d,%.4f\n", 2, 36.8167);
                        s.write("no line end");
                      })
                .failed,
            WriteStep::none);
  EXPECT_EQ(set.commit().failed, WriteStep::none);
  EXPECT_EQ(readBytes("out.wpt"), "first\r\n2,36.8167\r\nno line end");
  EXPECT_EQ(entries(), std::vector<std::string>{"out.wpt"});
}

TEST(ReplacingFiles, AnExistingFileIsReplacedAndAMissingSourceFails) {
  ScratchDir dir;
  writeBytes("target.cfg", "old contents, longer than the new ones");
  writeBytes("target.cfg.tmp", "new");
  EXPECT_TRUE(replaceFile("target.cfg.tmp", "target.cfg"));
  EXPECT_EQ(readBytes("target.cfg"), "new");
  EXPECT_EQ(entries(), std::vector<std::string>{"target.cfg"});

  EXPECT_FALSE(replaceFile("missing.tmp", "target.cfg"));
  EXPECT_EQ(readBytes("target.cfg"), "new");

  // The writer itself: a second file of the same name replaces the first, its earlier text kept
  // under a second name until the commit is done; names that are taken are never opened.
  writeBytes("target.cfg.tmp", "planted");
  const std::string planted = ".target.cfg." + std::to_string(processId()) + ".0.tmp";
  writeBytes(planted, "planted");
  FileOps ops;
  FileSet set(ops);
  EXPECT_EQ(set.stage("target.cfg", [](TextSink& s) { s.line("again"); }).failed, WriteStep::none);
  EXPECT_EQ(set.commit().failed, WriteStep::none);
  EXPECT_EQ(readBytes("target.cfg"), "again\r\n");
  EXPECT_EQ(readBytes(planted), "planted");
  EXPECT_EQ(entries(), (std::vector<std::string>{planted, "target.cfg", "target.cfg.tmp"}));
}

TEST(ReplacingFiles, ADirectoryInThePlaceOfTheFileIsAnOpenFailureAndLeavesNothing) {
  ScratchDir dir;
  fs::create_directory("2026_340_1529.pts");
  FileOps ops;
  {
    // A set whose second file fails: the first one's temporary goes with the set.
    FileSet set(ops);
    EXPECT_EQ(set.stage("2026_340_1529.cfg", [](TextSink& s) { s.line("x"); }).failed,
              WriteStep::none);
    EXPECT_EQ(set.stage("2026_340_1529.pts", [](TextSink& s) { s.line("x"); }).failed,
              WriteStep::replace);
  }
  EXPECT_TRUE(fs::is_directory("2026_340_1529.pts"));
  EXPECT_EQ(entries(), std::vector<std::string>{"2026_340_1529.pts"});
}

TEST(UtcTime, BreaksDownAsUtcWhateverTheTimeZone) {
  // Instants computed independently (seconds since 1970 in UTC).
  struct Case {
    std::time_t t;
    const char* base;
  };
  const Case cases[] = {
      {0, "1970_0_000."},
      {1798761600, "2027_0_000."},     // 1 January 2027 00:00:00
      {1861919999, "2028_365_2359."},  // 31 December 2028 23:59:59, a leap year
      {1796657370, "2026_340_1529."},  // 7 December 2026 15:29:30
      {1772514420, "2026_61_507."},    // 3 March 2026 05:07:00
  };
  for (const Case& c : cases) {
    const std::optional<std::tm> tm = utcTime(c.t);
    ASSERT_TRUE(tm.has_value()) << c.t;
    EXPECT_EQ(fileName(*tm), c.base) << c.t;
  }
}

// Runs nurvo in-process with a fresh, writable argv, as the operator would type it.
int runArgs(std::vector<std::string> args, StringConsole& con) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const FixedClock clock(*utcTime(1796657370));
  FileOps ops;
  return run(static_cast<int>(args.size()), argv.data(), con, clock, ops);
}

TEST(OptionParsing, StartsAfreshOnEveryRunAndTakesTheFileFromAnywhere) {
  ScratchDir dir;
  writeBytes("route.txt", "36.8167 -121.8171\n36.8215 -121.7986\n");

  StringConsole first;
  EXPECT_EQ(runArgs({"nurvo", "--verbose", "--gpsHits", "12", "-c", "0", "route.txt"}, first), 0);
  EXPECT_NE(first.output.find("gpsHits...........................12\n"), std::string::npos);
  EXPECT_NE(first.output.find("abortOnTimeout....................0\n"), std::string::npos);

  // A parser that kept its place would skip these arguments and miss the file.
  StringConsole second;
  EXPECT_EQ(runArgs({"nurvo", "--verbose", "route.txt"}, second), 0) << second.output;
  EXPECT_NE(second.output.find("gpsHits...........................30\n"), std::string::npos);

  // The file name before the options, abbreviations and --name=value.
  StringConsole third;
  EXPECT_EQ(runArgs({"nurvo", "route.txt", "--verb", "--gps=7", "-f", "5"}, third), 0)
      << third.output;
  EXPECT_NE(third.output.find("gpsHits...........................7\n"), std::string::npos);
  EXPECT_NE(third.output.find("missionYoyoMinDepth...............5\n"), std::string::npos);

  for (const char* name :
       {"2026_340_1529.cfg", "2026_340_1529.wpt", "2026_340_1529.pts", "2026_340_1529.csv"}) {
    const std::string bytes = readBytes(name);
    std::size_t lf = 0, crlf = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] != '\n') continue;
      ++lf;
      if (i > 0 && bytes[i - 1] == '\r') ++crlf;
    }
    EXPECT_GT(lf, 0u) << name;
    EXPECT_EQ(crlf, lf) << name << ": a line end without its CR";
  }
}

TEST(OptionParsing, AnUnknownOptionShowsTheHelpAndEndsTheRun) {
  ScratchDir dir;
  writeBytes("route.txt", "36.8167 -121.8171\n");
  StringConsole con;
  EXPECT_EQ(runArgs({"nurvo", "--nosuch", "-e", "route.txt"}, con), 1);
  EXPECT_EQ(con.output, help());
  EXPECT_FALSE(std::filesystem::exists("2026_340_1529.cfg"));
}

TEST(Console, PipedInputIsNoTerminalSoTheKeyWaitReturnsAtOnce) {
  ScratchDir dir;
  writeBytes("in.txt", "x");
  std::FILE* f = std::fopen("in.txt", "r");
  ASSERT_NE(f, nullptr);
  EXPECT_FALSE(isTerminal(f));
  std::fclose(f);
  // The null device is a character device, but no console to read a key from.
  std::FILE* nul = std::fopen("NUL", "r");
  ASSERT_NE(nul, nullptr);
  EXPECT_FALSE(isTerminal(nul));
  std::fclose(nul);
}

}  // namespace
}  // namespace nurvo::test

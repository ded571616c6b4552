// The waypoint file: the rules for its lines, and end-to-end runs of the built executable with
// files that are read, refused or cannot be opened.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "nurvo.h"
#include "testSupport.h"

namespace nurvo::test {
namespace {

// ---- One line of a waypoint file ----

TEST(ParseWaypointLine, BlankLinesAddNothing) {
  for (const char* line : {"", " ", "\t", "\r", "  \t \r", "\v\f"}) {
    EXPECT_EQ(parseWaypointLine(line).kind, WaypointLine::blank) << '"' << line << '"';
  }
}

TEST(ParseWaypointLine, TwoNumbersSeparatedByBlanksMakeAWaypoint) {
  struct Case {
    const char* line;
    double lat, lon;
  };
  const Case cases[] = {
      {"36.8167 -121.8170", 36.8167, -121.817},
      {"  \t36.8167\t\t-121.8170", 36.8167, -121.817},
      {"36.8167 -121.8170\r", 36.8167, -121.817},
      {"36.8167 -121.8170 anything after the longitude", 36.8167, -121.817},
      {"90 180", 90.0, 180.0},
      {"-90 -180", -90.0, -180.0},
      {"+1.5 +2.", 1.5, 2.0},
      {".5 -.25", 0.5, -0.25},
      {"3.6e1 -1.2E2", 36.0, -120.0},
      {"0 0", 0.0, 0.0},
  };
  for (const Case& c : cases) {
    const WaypointLine w = parseWaypointLine(c.line);
    EXPECT_EQ(w.kind, WaypointLine::waypoint) << c.line << ": " << w.problem;
    EXPECT_EQ(w.lat, c.lat) << c.line;
    EXPECT_EQ(w.lon, c.lon) << c.line;
  }
}

TEST(ParseWaypointLine, EveryOtherLineIsBadAndSaysWhy) {
  struct Case {
    std::string line;
    std::vector<std::string> problemHolds;
  };
  const Case cases[] = {
      {"latitude longitude", {}},
      {"abc def", {}},
      {"36.8167", {"no longitude"}},
      {"36.8167   \r", {"no longitude"}},
      {"36.8167,-121.8170", {}},
      {"36.8167, -121.8170", {}},
      {"36.8167 , -121.8170", {"longitude"}},
      {"36.8167 abc", {"longitude"}},
      {"36.8 -121,9", {"right after the longitude -121"}},
      {"36.8 -121.9abc", {"right after the longitude -121.9"}},
      {"36.8167 -121.8170,2026-03-04", {"right after the longitude -121.8170"}},
      {"123.4 -121.8", {"123.4", "-90 to 90"}},
      {"-90.0001 0", {"-90.0001", "-90 to 90"}},
      {"36.8 -180.5", {"-180.5", "-180 to 180"}},
      {"36.8 181", {"181", "-180 to 180"}},
      {"1e999 0", {"-90 to 90"}},
      {"0 1e999", {"-180 to 180"}},
      {"nan 0", {}},
      {"0 nan", {}},
      {"inf 0", {}},
      {"0x10 5", {}},
      {"N36.8 W121.8", {}},
      {std::string("36.8\0 -121.8", 12), {}},
  };
  for (const Case& c : cases) {
    const WaypointLine w = parseWaypointLine(c.line);
    EXPECT_EQ(w.kind, WaypointLine::bad) << c.line;
    EXPECT_FALSE(w.problem.empty()) << c.line;
    for (const std::string& part : c.problemHolds) {
      EXPECT_NE(w.problem.find(part), std::string::npos) << c.line << ": " << w.problem;
    }
  }
}

// ---- End-to-end ----

// The waypoint lines of the run's waypoints file: number and position, as "1,N36.8000,-121.9000".
std::vector<std::string> waypointsWritten() {
  std::vector<std::string> lines;
  int files = 0;
  for (const auto& [name, content] : directoryEntries()) {
    if (!name.ends_with(".wpt")) continue;
    ++files;
    static const std::regex numberAndPosition(R"(^(\d+,N[-0-9.]+,[-0-9.]+),)");
    std::size_t start = 0;
    while (start < content.size()) {
      const std::size_t end = content.find('\n', start);
      const std::string line = content.substr(start, end - start);
      std::smatch m;
      lines.push_back(std::regex_search(line, m, numberAndPosition) ? m[1].str() : line);
      start = end == std::string::npos ? content.size() : end + 1;
    }
  }
  EXPECT_EQ(files, 1);
  return lines;
}

// A run of the built executable under a time limit: a reader that never sees the end of its file
// must fail the test, not hang the suite.
RunResult runLimited(const std::vector<std::string>& args) {
  std::vector<std::string> limited = {"30", NURVO_EXE};
  limited.insert(limited.end(), args.begin(), args.end());
  return runNurvo(limited, "", "/usr/bin/timeout");
}

// A refusal of the waypoint file's line `lineNumber`: status 1, a message that names the file and
// the line number (standing alone) and holds `reason`, and no file written.
void expectBadLine(const std::string& text, int lineNumber, const std::string& reason) {
  ScratchDir dir;
  writeFile("route.txt", text);
  const RunResult r = runLimited({"route.txt"});
  SCOPED_TRACE(text);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("route.txt"), std::string::npos) << r.out;
  const std::regex number("(^|[^0-9])" + std::to_string(lineNumber) + "([^0-9]|$)");
  EXPECT_TRUE(std::regex_search(r.out, number)) << r.out;
  EXPECT_NE(r.out.find(reason), std::string::npos) << r.out;
  EXPECT_TRUE(r.out.ends_with("\n")) << r.out;
  EXPECT_EQ(r.out.find("Wrote"), std::string::npos) << r.out;
  EXPECT_EQ(maskedEntryNames(), std::set<std::string>{"route.txt"});
}

TEST(HelpText, AloneIsPrintedWhereParsedAndTheRunEndsWithStatus0) {
  ScratchDir dir;
  const RunResult r = runNurvo({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, help());
  const RunResult twice = runNurvo({"--usage", "--help"});
  EXPECT_EQ(twice.status, 0);
  EXPECT_EQ(twice.out, help() + help());
}

TEST(StandardOutput, ThatCannotBeWrittenEndsTheRunWithStatus1AndAMessageOnStandardError) {
  ScratchDir dir;
  writeFile("route.txt", "36.8167 -121.8170\n36.8215 -121.7986\n");
  for (const char* args : {"--version", "--help", "route.txt"}) {
    const RunResult r = runNurvo(
        {"-c", std::string("exec \"$0\" ") + args + " > /dev/full", NURVO_EXE}, {}, "/bin/sh");
    EXPECT_EQ(r.status, 1) << args;
    EXPECT_EQ(r.err, "nurvo: cannot write to standard output: No space left on device\n") << args;
  }
  // The mission was in place before its confirmations were lost: it stays.
  EXPECT_EQ(maskedEntryNames(), (std::set<std::string>{"route.txt", "<STAMP>.cfg", "<STAMP>.wpt",
                                                       "<STAMP>.pts", "<STAMP>.csv"}));
}

TEST(WaypointFile, ThatCannotBeOpenedOrReadIsRefusedWithTheHelpTextBehindTheMessage) {
  ScratchDir dir;
  ::mkdir("routes", 0755);
  for (const std::string name : {"nosuch.txt", "nosuch/route.txt", "routes", "."}) {
    const RunResult r = runNurvo({"--gpsHits", "12", name});
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_EQ(r.out, "***CANNOT OPEN FILE " + name + " " + help()) << name;
    EXPECT_EQ(maskedEntryNames(), std::set<std::string>{"routes"}) << name;
  }
#ifdef __linux__
  // Opens, but every read fails.
  const RunResult r = runNurvo({"/proc/self/mem"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "***CANNOT OPEN FILE /proc/self/mem " + help());
  EXPECT_EQ(maskedEntryNames(), std::set<std::string>{"routes"});
#endif
}

TEST(WaypointFile, EmptyOrBlankOnlyEndsWithListIsEmpty) {
  for (const std::string text : {"", "\n", "   \n\t\n\r\n\n", " \r\n \r\n", "  "}) {
    ScratchDir dir;
    writeFile("route.txt", text);
    const RunResult r = runLimited({"route.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "list is empty\n");
    EXPECT_EQ(maskedEntryNames(), std::set<std::string>{"route.txt"});
  }
}

TEST(WaypointFile, ABadLineStopsTheRunNamingTheFileTheLineAndTheProblem) {
  expectBadLine("latitude longitude\n36.8 -121.9\n36.81 -121.88\n", 1, "latitude");
  expectBadLine("36.8 -121.9\n\n36.81 -121.88\nabc def\n36.82 -121.87\n", 4, "latitude");
  expectBadLine("36.8 -121.9\n36.81\n", 2, "no longitude");
  expectBadLine("36.8,-121.9\n36.81,-121.88\n", 1, "latitude");
  expectBadLine(
      "36.8 -121.9\n36.81 -121.88\n36.82 -121.87\n36.83 -121.86\n36.84 -121.85\n"
      "36.85 -121.84\n123.4 -121.83\n",
      7, "123.4");
  expectBadLine("36.8 -121.9\r\n-121.88 36.81\r\n", 2, "-121.88");
  expectBadLine("36.8 -121.9\n36.81 nan\n", 2, "longitude");
  // A bad line after many good ones is still found before anything is written.
  std::string many;
  for (int i = 0; i < 1000; ++i) many += "36.8 -121.9\n";
  expectBadLine(many + "36.8 -121.9 \n36.8 -181\n", 1002, "-181");
}

TEST(WaypointFile, LinesAreReadWholeBlankLinesSkippedAndCrLfAccepted) {
  struct Case {
    const char* what;
    std::string text;
  };
  // The longest line taken, 4096 bytes, across the end of the 64 KiB reading buffer.
  const std::string longest =
      std::string(65530, '\n') + "36.8 -121.9 " + std::string(4096 - 12, 'x') + "\n";
  const Case cases[] = {
      {"plain", "36.8 -121.9\n36.81 -121.88\n"},
      {"CR LF", "36.8 -121.9\r\n36.81 -121.88\r\n\r\n"},
      {"blank lines", "\n\n36.8 -121.9\n   \n\t\n\r\n36.81 -121.88\n\n"},
      {"long lines",
       "36.80000000000000000000000000000000000000000000000000000001 "
       "-121.9000000000000000000000000000001\n"
       "36.81 -121.88                                                    text after the numbers\n"},
      {"the longest line across the reading buffer's end", longest + "36.81 -121.88\n"},
      {"a UTF-8 byte order mark",
       "\xef\xbb\xbf"
       "36.8 -121.9\n36.81 -121.88\n"},
  };
  const std::vector<std::string> expected = {"0,N36.7976,-121.9048", "1,N36.8000,-121.9000",
                                             "2,N36.8100,-121.8800"};
  for (const Case& c : cases) {
    ScratchDir dir;
    writeFile("route.txt", c.text);
    const RunResult r = runLimited({"route.txt"});
    EXPECT_EQ(r.status, 0) << c.what;
    EXPECT_EQ(maskStamp(r.out), confirmations()) << c.what;
    EXPECT_EQ(waypointsWritten(), expected) << c.what;
  }
}

TEST(WaypointFile, ALastLineWithoutLineEndIsReadAndTheRunEnds) {
  for (const std::string text : {"36.8 -121.9\n36.81 -121.88", "36.8 -121.9\n36.81 -121.88\r",
                                 "36.8 -121.9\n36.81 -121.88\n  "}) {
    ScratchDir dir;
    writeFile("route.txt", text);
    const RunResult r = runLimited({"route.txt"});
    EXPECT_EQ(r.status, 0) << text;
    EXPECT_EQ(maskStamp(r.out), confirmations()) << text;
    EXPECT_EQ(waypointsWritten(),
              (std::vector<std::string>{"0,N36.7976,-121.9048", "1,N36.8000,-121.9000",
                                        "2,N36.8100,-121.8800"}))
        << text;
  }
}

TEST(WaypointFile, AWaypointOnTheEquatorKeepsItsPosition) {
  ScratchDir dir;
  writeFile("route.txt", "0.0 10.0\n0 10.01\n0.01 10.01\n");
  const RunResult r = runLimited({"route.txt"});
  EXPECT_EQ(r.status, 0);
  const std::vector<std::string> w = waypointsWritten();
  ASSERT_EQ(w.size(), 4u);
  EXPECT_EQ(w[1], "1,N0.0000,10.0000");
  EXPECT_EQ(w[2], "2,N0.0000,10.0100");
  EXPECT_EQ(w[3], "3,N0.0100,10.0100");
}

TEST(WaypointFile, CuttingIntoTooManyWaypointsIsRefusedBeforeAnythingIsWritten) {
  ScratchDir dir;
  writeFile("route.txt", "36.8 -121.9\n36.81 -121.88\n");  // about 2 km
  const RunResult r = runNurvo({"--maxLegMeters", "0.0001", "route.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("maxLegMeters"), std::string::npos) << r.out;
  EXPECT_EQ(maskedEntryNames(), std::set<std::string>{"route.txt"});
}

// Under a bound on the address space: a route too large for it ends with a message, not a crash,
// and endless input is refused at its first line, read no further than a buffer beyond it.
TEST(WaypointFile, WithinAMemoryBoundALargeRouteOrEndlessInputEndsWithItsMessage) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves far more address space than the limit leaves";
#endif
  const std::pair<const char*, const char*> cases[] = {
      // the shell ($0 is nurvo), the message
      // Pieces of 0.3 mm make about 6.7 million waypoints, more than 200 MB hold.
      {"ulimit -v 200000 && exec \"$0\" --maxLegMeters 0.0003 route.txt", "out of memory"},
      {"ulimit -v 50000 && exec \"$0\" /dev/zero", "line 1 of /dev/zero: holds a NUL byte"},
      {"ulimit -v 50000 && tr '\\000' x < /dev/zero | exec \"$0\" /dev/stdin",
       "line 1 of /dev/stdin: is longer than 4096 bytes"},
  };
  for (const auto& [shell, message] : cases) {
    ScratchDir dir;
    writeFile("route.txt", "36.8 -121.9\n36.81 -121.88\n");
    const RunResult r = runNurvo({"-c", shell, NURVO_EXE}, "", "/bin/sh");
    EXPECT_EQ(r.status, 1) << shell;
    EXPECT_TRUE(contains(r.out, message)) << shell << ": " << r.out << r.err;
    EXPECT_EQ(maskedEntryNames(), std::set<std::string>{"route.txt"}) << shell;
  }
}

}  // namespace
}  // namespace nurvo::test

// Inputs that fuzzing found to break nurvo, kept as regression tests.

namespace nurvo::test {
namespace {

// The waypoints read from `text`, as "lat lon;" pairs.
std::string readFromText(std::string text) {
  std::FILE* f = fmemopen(text.data(), text.size(), "r");
  if (f == nullptr) return "fmemopen failed";
  wptList list;
  const bool read = readWaypoints(f, "route.txt", list);
  std::fclose(f);
  if (!read) return "read error";
  std::string got;
  for (const node* n = list.head(); n != nullptr; n = n->nextPtr) {
    got += strprintf("%g %g;", n->Lat, n->Lon);
  }
  return got;
}

// A last line without a line end used to be followed by endless empty lines: the reading never
// ended (the end-to-end run is above).
TEST(FuzzFindings, LastLineWithoutLineEndIsReadOnceAndTheReadingEnds) {
  EXPECT_EQ(readFromText("36.8 -121.8"), "36.8 -121.8;");
  EXPECT_EQ(readFromText("36.8 -121.8\n36.9 -121.7"), "36.8 -121.8;36.9 -121.7;");
  EXPECT_EQ(readFromText("36.8 -121.8\n   "), "36.8 -121.8;");
  EXPECT_EQ(readFromText("36.8 -121.8\r"), "36.8 -121.8;");
}

}  // namespace
}  // namespace nurvo::test

// The command line: strict option values, and end-to-end runs of the built executable with the
// help text, the parameter listing, abbreviations, short options and refused values.
#include <gtest/gtest.h>

#include <climits>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "nurvo.h"
#include "testSupport.h"

namespace nurvo::test {
namespace {

// Whether `text` holds `part`, showing both when it does not.
testing::AssertionResult holds(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "\"" << part << "\" not found in:\n" << text;
}

// ---- The parameter table ----

// Every row of the parameter table has its long option, its line in the listing and in the usage
// text, in table order, and an option's value reaches the row's own member.
TEST(ParamTable, AgreesWithTheLongOptionsTheListingAndTheUsage) {
  const std::vector<option> opts = longOptions();
  const std::string listing = show_params(MissionParams{});
  std::size_t listed = 0;
  int n = 0;
  for (const ParamRow& row : paramTable()) {
    const std::string name = row.name;
    int found = 0;
    for (const option& o : opts) {
      if (o.name != nullptr && name == o.name) found += o.has_arg == required_argument ? 1 : 100;
    }
    EXPECT_EQ(found, 1) << name;
    const std::size_t at = listing.find("\n" + name + ".", listed);
    EXPECT_NE(at, std::string::npos) << name << " missing from the listing, or out of order";
    listed = at + 1;
    EXPECT_TRUE(holds(help(), "--" + name));

    const std::string value = row.intMember != nullptr ? "7" : "7.5";
    std::vector<std::string> words = {"nurvo", "--" + name + "=" + value};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    StringSink out;
    const RunSettings s = parseOptions(2, argv.data(), out);
    if (row.intMember != nullptr) {
      EXPECT_EQ(s.params.*row.intMember, 7) << name;
    } else {
      EXPECT_EQ(s.params.*row.doubleMember, 7.5) << name;
    }
    EXPECT_TRUE(holds(show_params(s.params), "\n" + name + ".")) << name;
    ++n;
  }
  for (const option& o : opts) {
    if (o.name != nullptr) {
      EXPECT_TRUE(holds(help(), std::string("--") + o.name)) << o.name;
    }
  }
  EXPECT_EQ(opts.size(), static_cast<std::size_t>(n) + 25)
      << "verbose, brief, interactive, export, input-format, route, help, usage, version, check, "
         "strict, endurance, equal-legs, eleven survey options and the closing entry";
}

// The manual page documents every long option, and the bash completion offers it.
TEST(ParamTable, EveryLongOptionIsInTheManualPageAndTheCompletion) {
  const std::string root = NURVO_TESTS_DIR "/../";
  const std::string manual = readFile(root + "docs/nurvo.1");
  const std::string completion = readFile(root + "completion/nurvo");
  for (const option& o : longOptions()) {
    if (o.name == nullptr) continue;
    const std::string name = o.name;
    // The whole name: --missionSpeed is not documented by --missionSpeedSlow. The manual page
    // writes each hyphen as \-.
    const std::string manualName = std::regex_replace(name, std::regex("-"), R"(\\-)");
    EXPECT_TRUE(std::regex_search(manual, std::regex(R"(\\-\\-)" + manualName + "([^A-Za-z]|$)")))
        << name;
    EXPECT_TRUE(std::regex_search(completion, std::regex("--" + name + "([^A-Za-z]|$)"))) << name;
  }
}

// ---- Strict values ----

TEST(ParseIntValue, AcceptsAWholeDecimalNumberWithinIntWithBlanksAround) {
  EXPECT_EQ(parseIntValue("12"), 12);
  EXPECT_EQ(parseIntValue("  40\t"), 40);
  EXPECT_EQ(parseIntValue("-5"), -5);
  EXPECT_EQ(parseIntValue("+7"), 7);
  EXPECT_EQ(parseIntValue("0"), 0);
  EXPECT_EQ(parseIntValue("007"), 7);
  EXPECT_EQ(parseIntValue("2147483647"), INT_MAX);
  EXPECT_EQ(parseIntValue("-2147483648"), INT_MIN);
}

TEST(ParseIntValue, RefusesEverythingElse) {
  for (const char* bad :
       {"", "   ", "abc", "12x", "x12", "50m", "1 2", "1.5", "1e3", "+", "-", "--1", "2147483648",
        "-2147483649", "99999999999999999999999", "nan", "inf", "0x10"}) {
    EXPECT_FALSE(parseIntValue(bad).has_value()) << '"' << bad << '"';
  }
}

TEST(ParseDoubleValue, AcceptsAFiniteDecimalNumberWithBlanksAround) {
  EXPECT_EQ(parseDoubleValue("3600"), 3600.0);
  EXPECT_EQ(parseDoubleValue(" 2.5 "), 2.5);
  EXPECT_EQ(parseDoubleValue("-0.75"), -0.75);
  EXPECT_EQ(parseDoubleValue("+1."), 1.0);
  EXPECT_EQ(parseDoubleValue(".5"), 0.5);
  EXPECT_EQ(parseDoubleValue("1e3"), 1000.0);
  EXPECT_EQ(parseDoubleValue("1.5E-2"), 0.015);
  EXPECT_EQ(parseDoubleValue("1e-400"), 0.0) << "underflow is a tiny number, not an error";
}

TEST(ParseDoubleValue, RefusesEverythingElse) {
  for (const char* bad :
       {"",    "  ",    "abc",    "12x", "50m", "1.2.3", "1e",   "1e+",      ".",     "-",
        "1 2", "1e999", "-1e999", "nan", "NaN", "inf",   "-inf", "infinity", "0x1p3", "1,5"}) {
    EXPECT_FALSE(parseDoubleValue(bad).has_value()) << '"' << bad << '"';
  }
}

// ---- End-to-end ----

// The usage text: its fixed lines, then one for each option they lack.
const std::string helpText =
    "\nnurvo Command Line Parameters:\n\n"
    "--verbose.......sets verbose mode\n"
    "--interactive...sets interactive mode\n"
    "                                    ( Default: )\n"
    "--gpsHits ..........................( 30 )\n"
    "--sorbelMission.....................( 1 = true)\n"
    "--abortOnTimeout....................( 1 = true )\n"
    "--yoyoMission.......................( 1 = true )\n"
    "--yoyoMinAltitude...................( 15 )\n"
    "--missionYoyoMinDepth...............( 10 )\n"
    "--missionYoyoMaxDepth ..............( 90 )\n"
    "--missionYoyoMaxDepthShallow........( 20 )\n"
    "--missionSpeed......................( 1.5 )\n"
    "--missionSpeedSlow..................( 1.25)\n"
    "--maxLegMeters......................( 3600.0 )\n"
    "--minDepth..........................( 10.0 )\n"
    "--maxDepth..........................( 90.0 )\n"
    "--abortDepth........................( 100.0 )\n"
    "--abortAltitude.....................( 2.5 )\n"
    "--abortLockoutDepth.................( 8.0 )\n"
    "--diveAngle double..................( 30.0 )\n"
    "--wayPointDepth.....................( 50.0 )\n"
    "\nWaypoint filename must follow arguments:\n"
    "Latitude Longitude, Decimal Degrees format\n"
    "eg: \n"
    "36.8167 -121.8171\n"
    "36.8215 -121.7986\n\n"
    "--brief.........no parameter listing (undoes --verbose)\n"
    "--export LIST...also write the route as gpx, kml, geojson, svg or all, comma-separated\n"
    "--input-format FORMAT...read the route file as plain, gpx, kml, geojson or csv\n"
    "--route NAME....the route to read from a file that holds several, by name or number\n"
    "--help..........print this text; the run goes on if a file is named\n"
    "--usage.........the same as --help\n"
    "--version.......print nurvo's version and end\n"
    "--check[=json]...print the route's statistics and findings instead of writing files\n"
    "--strict........write nothing when a finding is an error\n"
    "--endurance HOURS...the vehicle's endurance: a longer mission is an error\n"
    "--equal-legs....cut a long leg into equal pieces, the fewest no longer than maxLegMeters\n"
    "--area FILE.....plan survey lines over the area in FILE, in place of a waypoint file\n"
    "--keep-out FILE...an area the vehicle never enters\n"
    "--keep-out-margin M...metres kept clear of each keep-out (50)\n"
    "--line-spacing M...metres between survey lines\n"
    "--swath-width M...the sonar's swath in metres, with --overlap\n"
    "--overlap PERCENT...overlap of adjacent swaths, 0 up to 100\n"
    "--line-heading DEG...heading of the lines, 0 up to 180, or auto (auto)\n"
    "--start CORNER...corner of the first line: sw, se, nw, ne (sw)\n"
    "--run-in M......metres each line runs beyond the area, at most 1000 (0)\n"
    "--tie-line-spacing M...metres between tie lines across the survey lines\n"
    "--operating-area FILE...the water run-ins, turns and moves may use (the area)\n";

// The parameter listing with every default.
const std::string defaultListing =
    "\n\n Parameters Set:  \n"
    "gpsHits...........................30\n"
    "sorbelMission.....................1\n"
    "abortOnTimeout....................1\n"
    "yoyoMission.......................1\n"
    "yoyoMinAltitude...................15\n"
    "missionYoyoMinDepth...............10\n"
    "missionYoyoMaxDepth...............90\n"
    "missionYoyoMaxDepthShallow........20\n"
    "missionSpeed......................1.500\n"
    "missionSpeedSlow..................1.250\n"
    "maxLegMeters......................3600.0\n"
    "minDepth..........................10.0\n"
    "maxDepth..........................90.0\n"
    "abortDepth........................100.0\n"
    "abortAltitude.....................2.5\n"
    "abortLockoutDepth.................8.0\n"
    "diveAngle.........................30.0\n"
    "wayPointDepth.....................50.0\n";

const std::string missingFile = "\n\n*** WAYPOINTS FILENAME IS MISSING ***\n";

const std::string route = "36.8167 -121.8170\n36.8174 -121.7984\n";

// `listing` with the value of parameter `name` replaced by `value`.
std::string withValue(std::string listing, const std::string& name, const std::string& value) {
  const std::size_t start = listing.find("\n" + name + ".");
  EXPECT_NE(start, std::string::npos) << name;
  if (start == std::string::npos) return listing;
  const std::size_t valueStart = listing.find_first_not_of('.', start + 1 + name.size());
  const std::size_t end = listing.find('\n', valueStart);
  return listing.replace(valueStart, end - valueStart, value);
}

// The text of the one output file with this extension.
std::string outputFile(const std::string& ext) {
  std::string found;
  int count = 0;
  for (const auto& [name, content] : directoryEntries()) {
    if (name.size() > ext.size() && name.ends_with("." + ext) && name != "route.txt") {
      found = content;
      ++count;
    }
  }
  EXPECT_EQ(count, 1) << ext;
  return found;
}

const std::set<std::string> fourFilesAndRoute = {"<STAMP>.cfg", "<STAMP>.csv", "<STAMP>.pts",
                                                 "<STAMP>.wpt", "route.txt"};

TEST(CommandLine, HelpTextIsPrintedByteForByte) {
  ScratchDir dir;
  writeFile("route.txt", route);
  const RunResult r = runNurvo({"--help", "route.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(maskStamp(r.out), helpText + confirmations()) << "help once, then the run goes on";
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(maskedEntryNames(), fourFilesAndRoute);

  const RunResult alone = runNurvo({"--usage"});
  EXPECT_EQ(alone.status, 0) << "the usage was all that was asked for";
  EXPECT_EQ(alone.out, helpText);
}

TEST(CommandLine, VersionIsPrintedAloneAndEndsTheRunAtOnce) {
  // Nothing after --version is read: not the bad value, not the file; nor is the listing shown.
  const std::vector<std::vector<std::string>> argLists = {
      {"--version"},
      {"--vers", "route.txt"},
      {"--gpsHits", "12", "--verbose", "--version", "--gpsHits", "abc", "route.txt"},
  };
  for (const auto& args : argLists) {
    ScratchDir dir;
    writeFile("route.txt", route);
    const RunResult r = runNurvo(args);
    EXPECT_EQ(r.status, 0) << args[0];
    EXPECT_EQ(r.out, "nurvo " NURVO_VERSION "\n") << args[0];
    EXPECT_EQ(r.err, "") << args[0];
    EXPECT_EQ(entryNames(), std::set<std::string>{"route.txt"}) << args[0];
  }
}

// No file name, or more than one: the run ends before any file is opened, after the listing.
TEST(CommandLine, OperandsOtherThanOneFileNameEndTheRunWithTheirMessage) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const Case cases[] = {
      {{}, missingFile + helpText},
      {{"route.txt", "more.txt"}, "more than one waypoint file: 'more.txt' follows 'route.txt'\n"},
      {{"--verbose", "a.txt", "route.txt", "c.txt"},
       defaultListing + "more than one waypoint file: 'route.txt' follows 'a.txt'\n"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    writeFile("route.txt", route);
    const RunResult r = runNurvo(c.args);
    EXPECT_EQ(r.status, 1) << c.out;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(entryNames(), std::set<std::string>{"route.txt"}) << c.out;
  }
}

TEST(CommandLine, VerboseListingShowsTheOptionsAppliedBeforeTheMissingFileMessage) {
  ScratchDir dir;
  const RunResult r = runNurvo({"--gpsHits", "12", "--verbose", "--maxLegMeters", "1000"});
  EXPECT_EQ(r.status, 1);
  std::string listing = withValue(defaultListing, "gpsHits", "12");
  listing = withValue(listing, "maxLegMeters", "1000.0");
  EXPECT_EQ(r.out, listing + missingFile + helpText);
}

TEST(CommandLine, VerboseAndBriefTheLastOneWins) {
  ScratchDir dir;
  writeFile("route.txt", route);
  const RunResult quiet = runNurvo({"--verbose", "--brief", "route.txt"});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(maskStamp(quiet.out), confirmations());

  ScratchDir dir2;
  writeFile("route.txt", route);
  const RunResult loud = runNurvo({"--brief", "route.txt", "--verbose"});
  EXPECT_EQ(loud.status, 0);
  EXPECT_EQ(maskStamp(loud.out), defaultListing + confirmations());
}

TEST(CommandLine, AbbreviationsAndValuesJoinedByEquals) {
  ScratchDir dir;
  const RunResult r = runNurvo({"--verb", "--gps=12", "--maxL", "1000", "--missionSpeed=2",
                                "--missionYoyoMaxDepth", "80", "--div= 12.5", "--way", "-3"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "");
  std::string listing = withValue(defaultListing, "gpsHits", "12");
  listing = withValue(listing, "maxLegMeters", "1000.0");
  listing = withValue(listing, "missionSpeed", "2.000");      // not missionSpeedSlow
  listing = withValue(listing, "missionYoyoMaxDepth", "80");  // not ...Shallow
  listing = withValue(listing, "diveAngle", "12.5");
  listing = withValue(listing, "wayPointDepth", "-3.0");
  EXPECT_EQ(r.out, listing + missingFile + helpText);
}

TEST(CommandLine, FileNameMayStandBeforeBetweenOrAfterTheOptions) {
  const std::vector<std::vector<std::string>> argLists = {
      {"route.txt", "--verbose", "--gpsHits", "12"},
      {"--verbose", "--gpsHits", "12", "route.txt"},
      {"--verbose", "route.txt", "--gpsHits", "12"},
      {"--verbose", "--gpsHits=12", "route.txt"},
  };
  for (const auto& args : argLists) {
    ScratchDir dir;
    writeFile("route.txt", route);
    const RunResult r = runNurvo(args);
    EXPECT_EQ(r.status, 0) << args[0];
    EXPECT_EQ(maskStamp(r.out), withValue(defaultListing, "gpsHits", "12") + confirmations())
        << args[0];
    EXPECT_EQ(maskedEntryNames(), fourFilesAndRoute) << args[0];
  }
}

TEST(CommandLine, ARepeatedOptionKeepsItsLastValue) {
  ScratchDir dir;
  writeFile("route.txt", route);
  const RunResult r = runNurvo({"--gpsHits", "12", "--gpsHits=40", "route.txt"});
  EXPECT_EQ(r.status, 0);
  const std::string cfg = outputFile("cfg");
  EXPECT_TRUE(holds(cfg, "minHits        = 40;\n"));
  EXPECT_FALSE(holds(cfg, "minHits        = 12;"));
}

TEST(CommandLine, ShortOptionsCDAndFSetTheirParameters) {
  ScratchDir dir;
  writeFile("route.txt", route);
  const RunResult r = runNurvo({"--verbose", "-c", "0", "-d0", "-f7", "route.txt"});
  EXPECT_EQ(r.status, 0);
  std::string listing = withValue(defaultListing, "abortOnTimeout", "0");
  listing = withValue(listing, "yoyoMission", "0");
  listing = withValue(listing, "missionYoyoMinDepth", "7");
  EXPECT_EQ(maskStamp(r.out), listing + confirmations());
  const std::string cfg = outputFile("cfg");
  EXPECT_TRUE(holds(cfg, "abortOnTimeout = False;\n"));
  EXPECT_FALSE(holds(cfg, "#define MISSION_YOYO_MIN_DEPTH"));
}

// The parser's diagnostic goes to the error stream, the usage text to the console, and nothing
// behind the mistake is looked at: not the listing, not a bad value, not the file.
TEST(CommandLine, OptionsTheParserRefusesEndTheRunWithTheHelpText) {
  // -a and -b are unknown like -e: none of them takes a value, so "5" after them is a file name.
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  std::vector<Case> cases = {
      {{"route.txt", "--gpsHits"}, helpText},  // the value is missing
      {{"-a", "5"}, helpText},
      {{"--help", "--maxLegMetres=500", "route.txt"}, helpText + helpText},
  };
  // --s fits --sorbelMission, --strict, --start and --swath-width; --v fits --verbose and
  // --version.
  for (const std::string opt :
       {"-e", "-a", "-b", "--bogus", "--mission=3", "--verbose=1", "--s=1", "--v"}) {
    cases.push_back({{"--verbose", opt, "--gpsHits", "x", "route.txt"}, helpText});
  }
  for (const Case& c : cases) {
    ScratchDir dir;
    writeFile("route.txt", route);
    const RunResult r = runNurvo(c.args);
    EXPECT_EQ(r.status, 1) << c.args[1];
    EXPECT_NE(r.err, "") << c.args[1] << ": the parser's own diagnostic";
    EXPECT_EQ(r.out, c.out) << c.args[1];
    EXPECT_EQ(entryNames(), std::set<std::string>{"route.txt"}) << c.args[1];
  }
}

struct BadValue {
  std::string option;
  std::string value;
};

TEST(CommandLine, AValueThatIsNotStrictlyANumberStopsTheRunWhereItIsParsed) {
  const BadValue cases[] = {
      {"gpsHits", "abc"},
      {"gpsHits", "12x"},
      {"minDepth", "50m"},
      {"maxDepth", "abc"},
      {"yoyoMission", ""},
      {"abortDepth", ""},
      {"gpsHits", "2147483648"},
      {"abortAltitude", "1e999"},
      {"diveAngle", "nan"},
      {"wayPointDepth", "inf"},
      {"missionSpeed", "1,5"},
      {"sorbelMission", "1.0"},
      {"maxLegMeters", "0"},
      {"maxLegMeters", "-5"},
      {"maxLegMeters", "-0.0"},
      {"export", "bogus"},
      {"export", "gpx,svgz"},
      {"export", "gpx,,kml"},
      {"export", ""},
  };
  for (const BadValue& c : cases) {
    for (const bool joined : {false, true}) {
      ScratchDir dir;
      writeFile("route.txt", route);
      // A help text before the bad option stays printed; nothing behind it is looked at: not the
      // unknown option, not the listing, not the file.
      std::vector<std::string> args = {"--help"};
      if (joined) {
        args.push_back("--" + c.option + "=" + c.value);
      } else {
        args.push_back("--" + c.option);
        args.push_back(c.value);
      }
      for (const char* later : {"--bogus", "--verbose", "route.txt"}) args.push_back(later);
      const std::string what = "--" + c.option + (joined ? "=" : " ") + c.value;
      const RunResult r = runNurvo(args);
      EXPECT_EQ(r.status, 1) << what;
      EXPECT_EQ(r.err, "") << what;
      ASSERT_EQ(r.out.substr(0, helpText.size()), helpText) << what;
      const std::string message = r.out.substr(helpText.size());
      EXPECT_TRUE(holds(message, c.option)) << what;
      EXPECT_TRUE(holds(message, "'" + c.value + "'")) << what;
      EXPECT_TRUE(message.ends_with("\n")) << what;
      EXPECT_EQ(message.find("Parameters Set"), std::string::npos) << what;
      EXPECT_EQ(message.find("nurvo Command Line"), std::string::npos) << what;
      EXPECT_EQ(entryNames(), std::set<std::string>{"route.txt"}) << what;
    }
  }
}

TEST(CommandLine, DistancesAndSpeedsOfZeroOrLessAreRefusedWithTheirReason) {
  for (const std::string option : {"maxLegMeters", "missionSpeed", "missionSpeedSlow"}) {
    for (const std::string value : {"0", "-5"}) {
      ScratchDir dir;
      writeFile("route.txt", route);
      const RunResult r = runNurvo({"route.txt", "--" + option, value});
      EXPECT_EQ(r.status, 1) << option << " " << value;
      EXPECT_TRUE(holds(r.out, option)) << value;
      EXPECT_TRUE(holds(r.out, "greater than 0")) << option << " " << value;
      EXPECT_EQ(entryNames(), std::set<std::string>{"route.txt"}) << option << " " << value;
    }
  }
  ScratchDir dir;
  writeFile("route.txt", route);
  const RunResult tiny = runNurvo({"route.txt", "--verbose", "--maxLegMeters", "0.5"});
  EXPECT_EQ(tiny.status, 0) << "any positive length is a length";
  EXPECT_EQ(maskStamp(tiny.out),
            withValue(defaultListing, "maxLegMeters", "0.5") + confirmations());
}

}  // namespace
}  // namespace nurvo::test

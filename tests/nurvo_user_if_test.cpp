// The interactive dialogue over a console fed from a string: the entry readers, the value prompts,
// the menus and the yes/no questions, transcripts byte for byte.
#include "nurvo_user_if.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "dialogueText.h"
#include "nurvoError.h"

namespace nurvo::test {
namespace {

// What the console still holds for the next read.
std::string rest(StringConsole& con) {
  std::string s;
  for (int c = con.get(); c != EOF; c = con.get()) s.push_back(static_cast<char>(c));
  return s;
}

// The console text of a NurvoError thrown by `f`, or "no error".
std::string errorText(const std::function<void()>& f) {
  try {
    f();
  } catch (const NurvoError& e) {
    return e.what();
  }
  return "no error";
}

TEST(ReadInt, TakesOneNumberAndDiscardsTheCharacterAfterIt) {
  StringConsole con(" \n\t 42\n7 8\n12.5\n12abc\n-9");
  EXPECT_EQ(readInt(con), 42);  // white space and empty lines before the entry are skipped
  EXPECT_EQ(readInt(con), 7);   // type-ahead on one line
  EXPECT_EQ(readInt(con), 8);
  EXPECT_EQ(readInt(con), 12);  // the point is discarded, "5" stays for the next read
  EXPECT_EQ(readInt(con), 5);
  EXPECT_EQ(readInt(con), 12);
  EXPECT_EQ(rest(con), "bc\n-9");

  StringConsole last("-9");  // a number at the very end of the input still counts
  EXPECT_EQ(readInt(last), -9);
  EXPECT_EQ(rest(last), "");
}

TEST(ReadInt, AnEntryThatIsNoWholeNumberDiscardsTheRestOfTheLine) {
  StringConsole con("abc 3\n-\n+x\n2147483648 1\n-2147483648\n2147483647\n99999999999999999999\n6");
  EXPECT_EQ(readInt(con), std::nullopt);
  EXPECT_EQ(readInt(con), std::nullopt);
  EXPECT_EQ(readInt(con), std::nullopt);
  EXPECT_EQ(readInt(con), std::nullopt);  // beyond the range of int
  EXPECT_EQ(readInt(con), INT_MIN);
  EXPECT_EQ(readInt(con), INT_MAX);
  EXPECT_EQ(readInt(con), std::nullopt);
  EXPECT_EQ(readInt(con), 6);
}

TEST(ReadDouble, TakesTheLongestDecimalNumber) {
  StringConsole con("2.5\n-.5\n+3.\n2.5e-1\n1e3x\n");
  EXPECT_EQ(readDouble(con), 2.5);
  EXPECT_EQ(readDouble(con), -0.5);
  EXPECT_EQ(readDouble(con), 3.0);
  EXPECT_EQ(readDouble(con), 0.25);
  EXPECT_EQ(readDouble(con), 1000.0);  // "x" discarded
  EXPECT_EQ(rest(con), "\n");

  StringConsole partial("1ex\n1E+\n0x10\n7,5\n");
  EXPECT_EQ(readDouble(partial), 1.0);  // an exponent marker without digits counts for nothing
  EXPECT_EQ(readDouble(partial), 1.0);
  EXPECT_EQ(readDouble(partial), 0.0);  // hexadecimal is not read: "x" discarded, "10" left
  EXPECT_EQ(readDouble(partial), 10.0);
  EXPECT_EQ(readDouble(partial), 7.0);
  EXPECT_EQ(rest(partial), "5\n");
}

TEST(ReadDouble, AnEntryThatIsNoFiniteNumberDiscardsTheRestOfTheLine) {
  StringConsole con("abc 1\nnan\ninf\ninfinity\n1e999 2\n-\n.\n.e5\n4\n");
  for (int i = 0; i < 8; ++i) EXPECT_EQ(readDouble(con), std::nullopt) << "entry " << i;
  EXPECT_EQ(readDouble(con), 4.0);
}

TEST(ReadChar, TakesTheVeryNextCharacterAndDiscardsOneMore) {
  StringConsole con("yes\n\nxy");
  EXPECT_EQ(readChar(con), 'y');
  EXPECT_EQ(readChar(con), 's');  // "e" was discarded
  EXPECT_EQ(readChar(con), '\n');
  EXPECT_EQ(rest(con), "y");
}

TEST(ConsoleEntries, TheEndOfInputBeforeAnEntryEndsTheRun) {
  StringConsole blank(" \n\n");
  EXPECT_EQ(errorText([&] { readInt(blank); }), endOfInputMessage);
  StringConsole empty;
  EXPECT_EQ(errorText([&] { readDouble(empty); }), endOfInputMessage);
  EXPECT_EQ(errorText([&] { readChar(empty); }), endOfInputMessage);
  EXPECT_EQ(errorText([&] { readFileName(empty); }), endOfInputMessage);

  // A failed entry at the end of the input discards what is left; the next read ends the run.
  StringConsole failed("abc");
  EXPECT_EQ(readInt(failed), std::nullopt);
  EXPECT_EQ(errorText([&] { readInt(failed); }), endOfInputMessage);
}

TEST(ReadFileName, TakesTheWholeLineWithoutItsLineEnd) {
  StringConsole con("  my route.txt \r\n" + std::string(300, 'w') + "\nlast");
  EXPECT_EQ(readFileName(con), "  my route.txt ");  // blanks stay, the carriage return goes
  EXPECT_EQ(readFileName(con), std::string(300, 'w'));
  EXPECT_EQ(readFileName(con), "last");  // a last line without line end
  StringConsole emptyLine("\nx");
  EXPECT_EQ(readFileName(emptyLine), "");
}

// One value prompt: what it shows and how its entry is read.
struct PromptCase {
  const char* name;
  std::function<double(Console&, const MissionParams&)> ask;
  std::string shown;  // the current-value text and the prompt, with the defaults
  double current;     // the default value
  const char* entry;
  double expected;
};

TEST(ValuePrompts, ShowTheCurrentValueAndReturnTheEntry) {
  const std::vector<PromptCase> cases = {
      {"yoyoMinAlt", yoyoMinAlt,
       "YoYo Minimum Altitude is 15 meters\nPlease enter new altitude in meters \n\n > ", 15,
       "20\n", 20},
      {"yoyoMinDepth", yoyoMinDepth,
       "mission YoYo Min Depth is 10 meters\nPlease enter new depth in meters \n\n > ", 10, "5\n",
       5},
      {"yoyoMaxDepth", yoyoMaxDepth,
       "mission YoYo Max Depth is 90 meters\nPlease enter new depth in meters \n\n > ", 90, "70\n",
       70},
      {"yoyoMaxDepthShallow", yoyoMaxDepthShallow,
       "mission YoYo Max Depth Shallow is 20 meters\nPlease enter new depth in meters \n\n > ", 20,
       "30\n", 30},
      {"gpsNum", gpsNum, gpsPrompt30, 30, "0\n", 0},
      {"get_diveAngle", get_diveAngle,
       "mission dive angle is 30 degrees\nPlease enter new dive angle in degrees \n\n >", 30,
       "25\n", 25},
      {"get_maxLegMeters", get_maxLegMeters,
       "Meters between AUV surfacings is 3600.0 \nPlease enter new distance in meters \n\n > ",
       3600, "2500\n", 2500},
      {"get_wayPointDepth", get_wayPointDepth,
       "Default Waypoint Depth is 50.0 \nPlease enter new depth \n\n > ", 50, "35.5\n", 35.5},
      {"Speed", Speed,
       "mission Speed is 1.500 meters per second\nPlease enter new speed in meters per second "
       "\n\n >",
       1.5, "1.8\n", 1.8},
      {"SpeedSlow", SpeedSlow,
       "mission Speed Slow is 1.250 meters per second\nPlease enter new speed in meters per "
       "second \n\n >",
       1.25, "1.1\n", 1.1},
      {"get_minDepth", get_minDepth,
       "minDepth is 10.0 meters\nPlease enter new minDepth in meters \n\n >", 10, "12\n", 12},
      {"get_maxDepth", get_maxDepth,
       "maxDepth is 90.0 meters\nPlease enter new maxDepth in meters \n\n >", 90, "80\n", 80},
      {"get_abortDepth", get_abortDepth,
       "abortDepth is 100.0 meters\nPlease enter new abortDepth in meters \n\n >", 100, "95\n", 95},
      {"get_abortAltitude", get_abortAltitude,
       "abortAltitude is 2.5 meters\nPlease enter new abortAltitude in meters \n\n >", 2.5, "-3\n",
       -3},
      {"get_abortLockoutDepth", get_abortLockoutDepth,
       "abortLockoutDepth is 8.0 meters\nPlease enter new abortLockoutDepth in meters \n\n >", 8,
       "7\n", 7},
      {"get_abortOnTimeout", get_abortOnTimeout,
       "abortOnTimeout is 1 \nPlease enter new abortOnTimeout \n1 for TRUE, or 0 for FALSE \n\n >",
       1, "0\n", 0},
  };
  const MissionParams defaults;
  for (const PromptCase& c : cases) {
    StringConsole con(c.entry);
    EXPECT_EQ(c.ask(con, defaults), c.expected) << c.name;
    EXPECT_EQ(con.output, c.shown) << c.name;

    // Not a number: the current value, without a message, and the line is gone.
    StringConsole bad("abc def\n9");
    EXPECT_EQ(c.ask(bad, defaults), c.current) << c.name;
    EXPECT_EQ(bad.output, c.shown) << c.name;
    EXPECT_EQ(rest(bad), "9") << c.name;
  }
}

TEST(ValuePrompts, DistancesAndSpeedsOfZeroOrLessAreRefusedAndTheValueKept) {
  MissionParams p;  // values other than the defaults: the value kept is the current one
  p.maxLegMeters = 1200.0;
  p.missionSpeed = 1.75;
  p.missionSpeedSlow = 0.5;
  const std::string legRefused =
      "Meters between AUV surfacings is 1200.0 \nPlease enter new distance in meters \n\n > "
      "The distance between surfacings must be greater than 0; keeping 1200.0\n";
  const std::string speedPrompt = "Please enter new speed in meters per second \n\n >";
  const std::vector<PromptCase> cases = {
      {"get_maxLegMeters", get_maxLegMeters, legRefused, 1200, "0\n", 1200},
      {"get_maxLegMeters", get_maxLegMeters, legRefused, 1200, "-5\n", 1200},
      {"get_maxLegMeters", get_maxLegMeters, legRefused, 1200, "-0.0\n", 1200},
      {"Speed", Speed,
       "mission Speed is 1.750 meters per second\n" + speedPrompt +
           "The speed must be greater than 0; keeping 1.750\n",
       1.75, "0\n", 1.75},
      {"SpeedSlow", SpeedSlow,
       "mission Speed Slow is 0.500 meters per second\n" + speedPrompt +
           "The speed must be greater than 0; keeping 0.500\n",
       0.5, "-1.5\n", 0.5},
  };
  for (const PromptCase& c : cases) {
    StringConsole con(c.entry);
    EXPECT_EQ(c.ask(con, p), c.expected) << c.name << " " << c.entry;
    EXPECT_EQ(con.output, c.shown) << c.name << " " << c.entry;
  }
}

TEST(MissionMenu, ShowsTheMenuAgainWithEveryChangeUntil0) {
  StringConsole con("1\n1.8\n2\nxyz\n3\n0\n4\n0\n10 0\n0\n");
  MissionParams p;
  EXPECT_EQ(queryMissionParameters(con, p), 0);

  MissionParams afterSpeed;
  afterSpeed.missionSpeed = 1.8;
  MissionParams afterGps = afterSpeed;
  afterGps.gpsHits = 0;
  MissionParams afterTimeout = afterGps;
  afterTimeout.abortOnTimeout = 0;
  const std::string expected =
      missionMenu() +
      "mission Speed is 1.500 meters per second\n"
      "Please enter new speed in meters per second \n\n >" +
      missionMenu(afterSpeed) +
      // a failed entry keeps the slow speed: no carry-over of the other speed
      "mission Speed Slow is 1.250 meters per second\n"
      "Please enter new speed in meters per second \n\n >" +
      missionMenu(afterSpeed) +
      "Number of GPS hits per surfacing is 30 \nPlease enter new number of hits \n\n > " +
      missionMenu(afterGps) +
      "Meters between AUV surfacings is 3600.0 \nPlease enter new distance in meters \n\n > "
      "The distance between surfacings must be greater than 0; keeping 3600.0\n" +
      missionMenu(afterGps) +
      "abortOnTimeout is 1 \nPlease enter new abortOnTimeout \n1 for TRUE, or 0 for FALSE \n\n >" +
      missionMenu(afterTimeout) + menuDone;
  EXPECT_EQ(con.output, expected);
  EXPECT_EQ(p.missionSpeed, 1.8);
  EXPECT_EQ(p.missionSpeedSlow, 1.25);
  EXPECT_EQ(p.gpsHits, 0);
  EXPECT_EQ(p.maxLegMeters, 3600.0);
  EXPECT_EQ(p.abortOnTimeout, 0);
  EXPECT_EQ(rest(con), "");
}

TEST(MissionMenu, NumbersThatAreNoItemAndNonNumbersAskAgain) {
  StringConsole con("11\n-1\nabc 3\n5x\n12\n0 tail\n");
  MissionParams p;
  EXPECT_EQ(queryMissionParameters(con, p), 0);
  MissionParams changed;
  changed.minDepth = 12.0;
  EXPECT_EQ(con.output, missionMenu() + tryAgain + missionMenu() + tryAgain + missionMenu() +
                            tryAgain + missionMenu() +
                            "minDepth is 10.0 meters\nPlease enter new minDepth in meters \n\n >" +
                            missionMenu(changed) + menuDone);
  EXPECT_EQ(rest(con), "tail\n");  // "0" and one blank taken, the rest left for the next read
}

TEST(YoyoMenu, ChangesItemsAndRefuses6) {
  StringConsole con("6\n1\n20\n5\n25\nq\n0\n");
  MissionParams p;
  EXPECT_EQ(queryYoYoParameters(con, p), 0);
  MissionParams afterAlt;
  afterAlt.yoyoMinAltitude = 20;
  MissionParams afterAngle = afterAlt;
  afterAngle.diveAngle = 25.0;
  EXPECT_EQ(con.output,
            yoyoMenu() + tryAgain + yoyoMenu() +
                "YoYo Minimum Altitude is 15 meters\nPlease enter new altitude in meters \n\n > " +
                yoyoMenu(afterAlt) +
                "mission dive angle is 30 degrees\nPlease enter new dive angle in degrees \n\n >" +
                yoyoMenu(afterAngle) + tryAgain + yoyoMenu(afterAngle) + menuDone);
  EXPECT_EQ(p.yoyoMinAltitude, 20);
  EXPECT_EQ(p.diveAngle, 25.0);
}

TEST(Menus, TheEndOfInputEndsTheRunInsteadOfAskingForever) {
  StringConsole mission("3\n40\n");
  MissionParams p;
  EXPECT_EQ(errorText([&] { queryMissionParameters(mission, p); }), endOfInputMessage);
  EXPECT_EQ(mission.output, missionMenu() + gpsPrompt30 + missionMenu(p));
  EXPECT_EQ(p.gpsHits, 40);

  StringConsole atPrompt("3\n");
  EXPECT_EQ(errorText([&] { queryYoYoParameters(atPrompt, p); }), endOfInputMessage);
}

TEST(YesNoQuestions, AskAgainUntilYOrN) {
  StringConsole yoyo("x\nyes\n");
  EXPECT_EQ(queryYoyo(yoyo), 1);
  EXPECT_EQ(yoyo.output, yoyoQuestion + notAnAnswer + yoyoQuestion);
  EXPECT_EQ(rest(yoyo), "s\n");  // "yes" counts its first letter and discards the second

  StringConsole no("n\nN\n");
  EXPECT_EQ(queryYoyo(no), 0);
  EXPECT_EQ(querySorbel(no), 0);
  EXPECT_EQ(no.output, yoyoQuestion + sorbelQuestion);  // no notice after a no
  EXPECT_EQ(no.keyWaits, 0);

  StringConsole yes("Y\n");
  EXPECT_EQ(querySorbel(yes), 1);
  EXPECT_EQ(yes.output, sorbelQuestion + samplerNotice);
  EXPECT_EQ(yes.keyWaits, 1);

  StringConsole eof("x\n");
  EXPECT_EQ(errorText([&] { querySorbel(eof); }), endOfInputMessage);
  EXPECT_EQ(eof.output, sorbelQuestion + notAnAnswer + sorbelQuestion);
}

}  // namespace
}  // namespace nurvo::test

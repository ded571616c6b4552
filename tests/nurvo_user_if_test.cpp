// The interactive dialogue over a console fed from a string: the entry readers, the value prompts,
// the menus and the yes/no questions, transcripts byte for byte.
#include "nurvo_user_if.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <functional>

#include "dialogueText.h"
#include "nurvo.h"
#include "nurvoError.h"
#include "testSupport.h"

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

TEST(ConsoleAnswers, EachIsOneWholeLineAndTheEndOfInputEndsTheRun) {
  StringConsole con("  my route.txt \r\n" + std::string(300, 'w') + "\n\nlast");
  EXPECT_EQ(readFileName(con), "my route.txt");  // blanks and the carriage return go
  EXPECT_EQ(readFileName(con), std::string(300, 'w'));
  EXPECT_EQ(readFileName(con), "");
  EXPECT_EQ(readFileName(con), "last");  // a last line without line end
  EXPECT_EQ(errorText([&] { readFileName(con); }), endOfInputMessage);

  // Empty answers at a prompt are read past; the end of input behind them ends the run.
  StringConsole blank(" \n\n");
  EXPECT_EQ(errorText([&] { gpsNum(blank, MissionParams{}); }), endOfInputMessage);
  EXPECT_EQ(blank.output, gpsPrompt30);
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

TEST(ValuePrompts, ZeroOrLessIsRefusedForTheDistanceAndTheSpeeds) {
  struct Case {
    std::function<double(Console&, const MissionParams&)> ask;
    double current;
    std::string shown;    // the current-value text and the prompt
    std::string refusal;  // the message, with the value kept
  };
  MissionParams p;
  p.maxLegMeters = 1200.0;
  p.missionSpeed = 2.0;
  p.missionSpeedSlow = 0.75;
  const std::vector<Case> cases = {
      {get_maxLegMeters, 1200.0,
       "Meters between AUV surfacings is 1200.0 \nPlease enter new distance in meters \n\n > ",
       "The distance between surfacings must be greater than 0; keeping 1200.0\n"},
      {Speed, 2.0,
       "mission Speed is 2.000 meters per second\nPlease enter new speed in meters per second "
       "\n\n >",
       "The speed must be greater than 0; keeping 2.000\n"},
      {SpeedSlow, 0.75,
       "mission Speed Slow is 0.750 meters per second\nPlease enter new speed in meters per "
       "second \n\n >",
       "The speed must be greater than 0; keeping 0.750\n"},
  };
  for (const Case& c : cases) {
    for (const char* entry : {"0\n", "-5\n", "-0.0\n"}) {
      StringConsole con(entry);
      EXPECT_EQ(c.ask(con, p), c.current) << c.shown << entry;
      EXPECT_EQ(con.output, c.shown + c.refusal) << entry;
    }
  }
}

TEST(MissionMenu, ShowsTheMenuAgainWithEveryChangeUntil0) {
  StringConsole con("1\n1.8\n2\nxyz\n3\n0\n4\n0\n10\n0\n0\n");
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
  StringConsole con("11\n-1\nabc 3\n5x\n5\n12\n0\ntail\n");
  MissionParams p;
  EXPECT_EQ(queryMissionParameters(con, p), 0);
  MissionParams changed;
  changed.minDepth = 12.0;
  EXPECT_EQ(con.output, missionMenu() + tryAgain + missionMenu() + tryAgain + missionMenu() +
                            tryAgain + missionMenu() + tryAgain + missionMenu() +
                            "minDepth is 10.0 meters\nPlease enter new minDepth in meters \n\n >" +
                            missionMenu(changed) + menuDone);
  EXPECT_EQ(rest(con), "tail\n");  // the menu ends with the line of its 0
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
  EXPECT_EQ(rest(yoyo), "");  // "yes" counts as y, and its whole line is gone

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

// ---- Whole interactive start-ups: the waypoint file asked for, the menus and the questions.

// A script typed by the operator, what the console shows, and what it sets.
struct DialogueScript {
  const char* name;
  std::string input;
  std::string transcript;                                 // a run that ends early adds its message
  std::function<void(MissionParams&)> changes = nullptr;  // from the defaults
  std::size_t waypoints = 2;                              // in the route read
};

const std::string route = "36.8167 -121.8170\n36.8174 -121.7984\n";
const std::string gpxRoute =
    "<gpx>\n<wpt lat=\"36.8167\" lon=\"-121.8170\"/><wpt lat=\"36.8174\" "
    "lon=\"-121.7984\"/>\n</gpx>\n";
const std::string routesGpx =
    "<gpx><rte><name>A</name><rtept lat=\"1\" lon=\"1\"/></rte><rte><name>B</name>"
    "<rtept lat=\"2\" lon=\"1\"/><rtept lat=\"3\" lon=\"1\"/></rte></gpx>";
const std::string routesListing =
    "routes.gpx holds 2 routes:\n  1  \"A\" (1 point)\n  2  \"B\" (2 points)\n";
const std::string whichRoute = " Which route ? Please enter its number, 1 to 2 > ";
const std::string opened = banner + fileQuestion + fileEcho("route.txt", route);
const std::string speedPrompt =
    "mission Speed is 1.500 meters per second\nPlease enter new speed in meters per second \n\n >";
const std::string depthPrompt = "Default Waypoint Depth is 50.0 \nPlease enter new depth \n\n > ";
// "0", "y", "0", "n" after the mission menu: yo-yo mission with the defaults, no samplers.
const std::string yoyoAndNoSamplers =
    menuDone + yoyoQuestion + yoyoMenu() + menuDone + sorbelQuestion;
const auto noSamplers = [](MissionParams& p) { p.sorbelMission = 0; };

std::vector<DialogueScript> dialogueScripts() {
  MissionParams gps42;
  gps42.gpsHits = 42;
  return {
      {"numbers with text behind them keep the values, and nothing of them is read again",
       "route.txt\n3\n1.5\n1\n1,2\n5\n12abc\n0\ny\n0\nn\n",
       opened + missionMenu() + gpsPrompt30 + missionMenu() + speedPrompt + missionMenu() +
           "minDepth is 10.0 meters\nPlease enter new minDepth in meters \n\n >" + missionMenu() +
           yoyoAndNoSamplers,
       noSamplers},
      {"an empty line at a question asks again and the answers stay in step",
       "route.txt\n0\n\ny\n0\n\nn\n",
       opened + missionMenu() + menuDone + yoyoQuestion + notAnAnswer + yoyoQuestion + yoyoMenu() +
           menuDone + sorbelQuestion + notAnAnswer + sorbelQuestion,
       noSamplers},
      {"the first character of an answer decides", "route.txt\n0\nyes\n0\nNo\n",
       opened + missionMenu() + yoyoAndNoSamplers, noSamplers},
      {"a mistyped name is asked again; blanks around a name are trimmed",
       "ruote.txt\n  route.txt \n0\ny\n0\nn\n",
       banner + fileQuestion + "cannot open file ruote.txt \n" + fileQuestion +
           fileEcho("route.txt", route) + missionMenu() + yoyoAndNoSamplers,
       noSamplers},
      {"a bad line, a directory and a file without waypoints are refused before the menus",
       "bad.txt\nroutes\nempty.txt\nroute.txt\n0\nn\n35\ny\n",
       banner + fileQuestion +
           "line 2 of bad.txt: expected latitude and longitude in decimal degrees, separated by "
           "blanks\n" +
           fileQuestion + "cannot open file routes \n" + fileQuestion + "list is empty\n" +
           fileQuestion + fileEcho("route.txt", route) + missionMenu() + menuDone + yoyoQuestion +
           depthPrompt + sorbelQuestion + samplerNotice,
       [](MissionParams& p) {
         p.yoyoMission = 0;
         p.wayPointDepth = 35.0;
       }},
      {"a route file of another format is read by its name and its points echoed",
       "bad.gpx\nroute.gpx\n0\ny\n0\nn\n",
       banner + fileQuestion +
           "bad.gpx:1:1: expected GPX (root element <gpx>), found root element <kml>\n" +
           fileQuestion + fileEcho("route.gpx", "36.8167 -121.817\n36.8174 -121.7984\n") +
           missionMenu() + yoyoAndNoSamplers,
       noSamplers},
      {"of a file with several routes the operator chooses one by number",
       "routes.gpx\n\n3\nB\n2\n0\ny\n0\nn\n",
       banner + fileQuestion + routesListing + whichRoute + tryAgain + whichRoute + tryAgain +
           whichRoute + fileEcho("routes.gpx", "2 1\n3 1\n") + missionMenu() + yoyoAndNoSamplers,
       noSamplers},
      {"the end of input at the choice of route ends the run", "routes.gpx\n",
       banner + fileQuestion + routesListing + whichRoute + endOfInputMessage, nullptr, 0},
      {"the end of input after a wrong name ends the run", "nothere.txt\n",
       banner + fileQuestion + "cannot open file nothere.txt \n" + fileQuestion + endOfInputMessage,
       nullptr, 0},
      {"control characters of the file are echoed as question marks", "escape.txt\n0\ny\n0\nn\n",
       banner + fileQuestion +
           fileEcho("escape.txt",
                    "36.8167 -121.8170 ?[2J?]0;owned? caf\xc3\xa9\n36.8174 -121.7984\tnote??\r\n") +
           missionMenu() + yoyoAndNoSamplers,
       noSamplers},
      {"empty lines at a menu and at value prompts are skipped",
       "route.txt\n\n3\n\n \n42\n\n0\nn\n\n35\ny\n",
       opened + missionMenu() + gpsPrompt30 + missionMenu(gps42) + menuDone + yoyoQuestion +
           depthPrompt + sorbelQuestion + samplerNotice,
       [](MissionParams& p) {
         p.gpsHits = 42;
         p.yoyoMission = 0;
         p.wayPointDepth = 35.0;
       }},
      {"a selection with text behind it is no number", "route.txt\n0 tail\n0\ny\n0\nn\n",
       opened + missionMenu() + tryAgain + missionMenu() + yoyoAndNoSamplers, noSamplers},
      {"Windows line ends, and a last line without a line end",
       "route.txt\r\n3\r\n42\r\n0\r\ny\r\n0\r\nn",
       opened + missionMenu() + gpsPrompt30 + missionMenu(gps42) + menuDone + yoyoQuestion +
           yoyoMenu(gps42) + menuDone + sorbelQuestion,
       [](MissionParams& p) {
         p.gpsHits = 42;
         p.sorbelMission = 0;
       }},
  };
}

TEST(InteractiveStartup, ScriptsShowTheirTranscriptAndSetTheirParameters) {
  ScratchDir dir;
  writeFile("route.txt", route);
  writeFile("bad.txt", "36.8 -121.8\nabc\n");
  writeFile("empty.txt", "\n");
  writeFile("route.gpx", gpxRoute);
  writeFile("routes.gpx", routesGpx);
  writeFile("bad.gpx", "<kml/>");
  writeFile(
      "escape.txt",
      "36.8167 -121.8170 \x1b[2J\x1b]0;owned\x07 caf\xc3\xa9\n36.8174 -121.7984\tnote\x7f\x01\r\n");
  ::mkdir("routes", 0755);
  for (const DialogueScript& s : dialogueScripts()) {
    StringConsole con(s.input);
    MissionParams p;
    wptList read;
    try {
      interactiveStartup(con, p, read);
    } catch (const NurvoError& e) {
      con.write(e.what());
    }
    MissionParams expected;
    if (s.changes) s.changes(expected);
    EXPECT_EQ(con.output, s.transcript) << s.name;
    EXPECT_EQ(show_params(p), show_params(expected)) << s.name;
    std::size_t waypoints = 0;
    for (const node* n = read.head(); n != nullptr; n = n->nextPtr) ++waypoints;
    EXPECT_EQ(waypoints, s.waypoints) << s.name;
  }
}

}  // namespace
}  // namespace nurvo::test

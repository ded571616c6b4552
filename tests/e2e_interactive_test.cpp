// Whole interactive runs of the built executable: the dialogue typed on standard input, the console
// transcript byte for byte, the exit status and the files written.
#include <gtest/gtest.h>

#include "dialogueText.h"
#include "testSupport.h"

namespace nurvo::test {
namespace {

const std::string route = "36.8167 -121.8170\n36.8174 -121.7984\n";

// The banner, the file name prompt and the echo of route.txt holding `route`.
const std::string startUp =
    "\n\nWelcome to Waypoints to ZUD_UZU mission utility.\n"
    "Waypoint lat/lon's must be in decimal degree format.\n"
    "eg: 36.8167 -121.8170\n"
    "What's the name of the waypoint file ? \n > "
    "\n\nWaypoint filename: \n route.txt \n\n\nWaypoint List:\n\n" +
    route;

const std::string filesWritten = confirmations();

// A run in a scratch directory that holds route.txt.
struct DialogueRun {
  ScratchDir dir;
  RunResult result;
  std::map<std::string, std::string> files;

  DialogueRun(const std::vector<std::string>& args, const std::string& input) {
    writeFile("route.txt", route);
    result = runNurvo(args, input);
    result.out = maskStamp(result.out);
    for (const auto& [name, text] : directoryEntries()) {
      if (name != "route.txt") files[maskStamp(name)] = text;
    }
  }
  bool cfgHas(const std::string& line) const {
    const auto f = files.find("<STAMP>.cfg");
    return f != files.end() && f->second.find(line) != std::string::npos;
  }
};

TEST(InteractiveRun, ValuesChangedInBothMenusAreShownAgainAndWritten) {
  const DialogueRun run({"--interactive"},
                        "route.txt\n1\n1.8\n3\n40\n10\n0\n0\ny\n1\n20\n5\n25\n0\nn\n");
  MissionParams p;
  std::string expected = startUp + missionMenu(p);
  expected +=
      "mission Speed is 1.500 meters per second\n"
      "Please enter new speed in meters per second \n\n >";
  p.missionSpeed = 1.8;
  expected += missionMenu(p) + gpsPrompt30;
  p.gpsHits = 40;
  expected += missionMenu(p) +
              "abortOnTimeout is 1 \nPlease enter new abortOnTimeout \n"
              "1 for TRUE, or 0 for FALSE \n\n >";
  p.abortOnTimeout = 0;
  expected += missionMenu(p) + menuDone + yoyoQuestion + yoyoMenu(p) +
              "YoYo Minimum Altitude is 15 meters\nPlease enter new altitude in meters \n\n > ";
  p.yoyoMinAltitude = 20;
  expected += yoyoMenu(p) +
              "mission dive angle is 30 degrees\nPlease enter new dive angle in degrees \n\n >";
  p.diveAngle = 25.0;
  expected += yoyoMenu(p) + menuDone + sorbelQuestion + filesWritten;

  EXPECT_EQ(run.result.status, 0);
  EXPECT_EQ(run.result.out, expected);
  EXPECT_EQ(run.files.size(), 4u);
  EXPECT_TRUE(run.cfgHas("#define MISSION_SPEED 1.800\n"));
  EXPECT_TRUE(run.cfgHas("minHits        = 40;\n"));
  EXPECT_FALSE(run.cfgHas("minHits        = 30;\n"));
  EXPECT_TRUE(run.cfgHas("abortOnTimeout = False;\n"));
  EXPECT_FALSE(run.cfgHas("abortOnTimeout = True;\n"));
  EXPECT_TRUE(run.cfgHas("#define YOYO_MIN_ALTITUDE 20\n"));
  EXPECT_FALSE(run.cfgHas("sorbel0 = 1;"));
}

TEST(InteractiveRun, WrongSelectionsAndLettersAskAgainAndKeepTheValues) {
  const DialogueRun run({"--interactive"}, "route.txt\n11\n-1\nabc\n5\nabc\n0\ny\n6\nzz 1\n0\nN\n");
  const std::string menu = missionMenu();
  EXPECT_EQ(run.result.status, 0);
  EXPECT_EQ(run.result.out,
            startUp + menu + tryAgain + menu + tryAgain + menu + tryAgain + menu +
                "minDepth is 10.0 meters\nPlease enter new minDepth in meters \n\n >" + menu +
                menuDone + yoyoQuestion + yoyoMenu() + tryAgain + yoyoMenu() + tryAgain +
                yoyoMenu() + menuDone + sorbelQuestion + filesWritten);
  EXPECT_TRUE(run.cfgHas(" minDepth          = 10.0;\n"));
  EXPECT_TRUE(run.cfgHas("#define YOYO_MIN_ALTITUDE 15\n"));
}

TEST(InteractiveRun, ZeroGpsHitsAndTheSamplerNotice) {
  const DialogueRun run({"--interactive"}, "route.txt\n3\n0\n0\ny\n0\ny\n");
  MissionParams p;
  p.gpsHits = 0;
  EXPECT_EQ(run.result.status, 0);
  EXPECT_EQ(run.result.out, startUp + missionMenu() + gpsPrompt30 + missionMenu(p) + menuDone +
                                yoyoQuestion + yoyoMenu() + menuDone + sorbelQuestion +
                                samplerNotice + filesWritten);
  EXPECT_TRUE(run.cfgHas("minHits        = 0;\n"));
  EXPECT_TRUE(run.cfgHas("sorbel19 = 1;\n"));
}

TEST(InteractiveRun, YesNoAnswersXYesAndN) {
  // "yes" counts as y, and nothing of its line reaches the yo-yo menu.
  const DialogueRun run({"--interactive"}, "route.txt\n0\nx\nyes\n0\nN\n");
  EXPECT_EQ(run.result.status, 0);
  EXPECT_EQ(run.result.out, startUp + missionMenu() + menuDone + yoyoQuestion + notAnAnswer +
                                yoyoQuestion + yoyoMenu() + menuDone + sorbelQuestion +
                                filesWritten);
  EXPECT_TRUE(run.cfgHas("#define YOYO_MIN_ALTITUDE 15\n"));
  EXPECT_FALSE(run.cfgHas("sorbel0 = 1;"));
}

TEST(InteractiveRun, NoYoyoAsksForTheWaypointDepth) {
  const DialogueRun run({"--interactive"}, "route.txt\n0\nn\n35.5\ny\n");
  EXPECT_EQ(run.result.status, 0);
  EXPECT_EQ(run.result.out, startUp + missionMenu() + menuDone + yoyoQuestion +
                                "Default Waypoint Depth is 50.0 \nPlease enter new depth \n\n > " +
                                sorbelQuestion + samplerNotice + filesWritten);
  EXPECT_TRUE(run.cfgHas("depth         = 35.5; \n"));
  EXPECT_FALSE(run.cfgHas("#define YOYO_MIN_ALTITUDE"));
  EXPECT_TRUE(run.cfgHas("sorbel0 = 1;\n"));
}

TEST(InteractiveRun, TheEndOfInputEndsTheRunWithoutFiles) {
  const DialogueRun inMenu({"--interactive"}, "route.txt\n3\n40\n");
  MissionParams p;
  p.gpsHits = 40;
  EXPECT_EQ(inMenu.result.status, 1);
  EXPECT_EQ(inMenu.result.out,
            startUp + missionMenu() + gpsPrompt30 + missionMenu(p) + endOfInputMessage);
  EXPECT_TRUE(inMenu.files.empty());

  const DialogueRun inQuestion({"--interactive"}, "route.txt\n0\nx\n");
  EXPECT_EQ(inQuestion.result.status, 1);
  EXPECT_EQ(inQuestion.result.out, startUp + missionMenu() + menuDone + yoyoQuestion + notAnAnswer +
                                       yoyoQuestion + endOfInputMessage);
  EXPECT_TRUE(inQuestion.files.empty());

  const DialogueRun atFileName({"--interactive"}, "");
  EXPECT_EQ(atFileName.result.status, 1);
  EXPECT_EQ(atFileName.result.out, startUp.substr(0, startUp.find(" > ") + 3) + endOfInputMessage);
  EXPECT_TRUE(atFileName.files.empty());
}

TEST(InteractiveRun, VerboseBeforeInteractiveListsFirstAndNothingAfterItIsParsed) {
  const std::string answers = "route.txt\n0\ny\n0\nn\n";
  const DialogueRun before(
      {"--gpsHits", "12", "first.txt", "--verbose", "--interactive", "--brief", "--bogus"},
      answers);
  MissionParams p;
  p.gpsHits = 12;
  const std::string listingStart = "\n\n Parameters Set:  \ngpsHits...........................12\n";
  const std::string listingEnd = "wayPointDepth.....................50.0\n";
  const std::string dialogue = missionMenu(p) + menuDone + yoyoQuestion + yoyoMenu(p) + menuDone +
                               sorbelQuestion + filesWritten;
  EXPECT_EQ(before.result.status, 0);
  EXPECT_EQ(before.result.out.substr(0, listingStart.size()), listingStart);
  const std::size_t end = before.result.out.find(listingEnd);
  ASSERT_NE(end, std::string::npos);
  EXPECT_EQ(before.result.out.substr(end + listingEnd.size()), startUp + dialogue);
  EXPECT_EQ(before.result.err,  // --bogus was never looked at
            "ignored with --interactive, which asks for the waypoint file: first.txt\n"
            "ignored after --interactive: --brief --bogus\n");
  EXPECT_TRUE(before.cfgHas("minHits        = 12;\n"));

  const DialogueRun after({"--interactive", "--verbose", "--maxDepth", "abc"}, answers);
  EXPECT_EQ(after.result.status, 0);
  EXPECT_EQ(after.result.out, startUp + missionMenu() + menuDone + yoyoQuestion + yoyoMenu() +
                                  menuDone + sorbelQuestion + filesWritten);
  EXPECT_TRUE(after.cfgHas(" maxDepth          = 90.0;\n"));
  EXPECT_EQ(after.result.err, "ignored after --interactive: --verbose --maxDepth abc\n");
}

}  // namespace
}  // namespace nurvo::test

#include "nurvo_user_if.h"

#include <functional>
#include <optional>
#include <type_traits>

#include "numberText.h"
#include "nurvoError.h"

namespace nurvo {

namespace {

// The next answer: one whole line, blanks trimmed at both ends.
std::string readAnswer(Console& con) {
  const std::optional<std::string> line = con.readLine();
  if (!line) throw NurvoError(endOfConsoleInput);
  return std::string(trimBlanks(*line));
}

// The next answer that is not empty.
std::string readEntry(Console& con) {
  for (;;) {
    std::string answer = readAnswer(con);
    if (!answer.empty()) return answer;
  }
}

// A message of the parameter table as a sentence of its own: first letter capitalised.
std::string sentence(const char* text) {
  std::string s(text);
  if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
  return s;
}

// Asks for a new value of the parameter `member` after `prompt`: an entry that is no number of the
// parameter's kind keeps the current value; one that breaks the parameter's constraint keeps it
// too, with the refusal and the value kept as the listing shows it.
template <typename T>
T askValue(Console& con, const MissionParams& p, T MissionParams::*member, const char* prompt) {
  con.write(prompt);
  const T current = p.*member;
  const std::string entry = readEntry(con);
  std::optional<T> value;
  if constexpr (std::is_same_v<T, int>) {
    value = parseIntValue(entry);
  } else {
    value = parseDoubleValue(entry);
  }
  if (!value) return current;
  const ParamRow& row = paramRow(member);
  if (meetsConstraint(row, *value)) return *value;
  con.write(sentence(row.refusal) + "; keeping " + strprintf(row.listingFormat, current) + "\n");
  return current;
}

}  // namespace

std::string readFileName(Console& con) {
  return readAnswer(con);
}

std::size_t chooseRoute(Console& con, std::string_view listing, std::size_t count) {
  con.write(listing);
  for (;;) {
    con.print(" Which route ? Please enter its number, 1 to %zu > ", count);
    const std::optional<int> n = parseIntValue(readEntry(con));
    if (n && *n >= 1 && static_cast<std::size_t>(*n) <= count) return static_cast<std::size_t>(*n);
    con.line("Error ... please try again");
  }
}

int yoyoMinAlt(Console& con, const MissionParams& p) {
  con.print("YoYo Minimum Altitude is %d meters\n", p.yoyoMinAltitude);
  return askValue(con, p, &MissionParams::yoyoMinAltitude,
                  "Please enter new altitude in meters \n\n > ");
}

int yoyoMinDepth(Console& con, const MissionParams& p) {
  con.print("mission YoYo Min Depth is %d meters\n", p.missionYoyoMinDepth);
  return askValue(con, p, &MissionParams::missionYoyoMinDepth,
                  "Please enter new depth in meters \n\n > ");
}

int yoyoMaxDepth(Console& con, const MissionParams& p) {
  con.print("mission YoYo Max Depth is %d meters\n", p.missionYoyoMaxDepth);
  return askValue(con, p, &MissionParams::missionYoyoMaxDepth,
                  "Please enter new depth in meters \n\n > ");
}

int yoyoMaxDepthShallow(Console& con, const MissionParams& p) {
  con.print("mission YoYo Max Depth Shallow is %d meters\n", p.missionYoyoMaxDepthShallow);
  return askValue(con, p, &MissionParams::missionYoyoMaxDepthShallow,
                  "Please enter new depth in meters \n\n > ");
}

int gpsNum(Console& con, const MissionParams& p) {
  con.print("Number of GPS hits per surfacing is %d \n", p.gpsHits);
  return askValue(con, p, &MissionParams::gpsHits, "Please enter new number of hits \n\n > ");
}

double get_diveAngle(Console& con, const MissionParams& p) {
  con.print("mission dive angle is %.0f degrees\n", p.diveAngle);
  return askValue(con, p, &MissionParams::diveAngle,
                  "Please enter new dive angle in degrees \n\n >");
}

double get_maxLegMeters(Console& con, const MissionParams& p) {
  con.print("Meters between AUV surfacings is %.1f \n", p.maxLegMeters);
  return askValue(con, p, &MissionParams::maxLegMeters,
                  "Please enter new distance in meters \n\n > ");
}

double get_wayPointDepth(Console& con, const MissionParams& p) {
  con.print("Default Waypoint Depth is %.1f \n", p.wayPointDepth);
  return askValue(con, p, &MissionParams::wayPointDepth, "Please enter new depth \n\n > ");
}

double Speed(Console& con, const MissionParams& p) {
  con.print("mission Speed is %.3f meters per second\n", p.missionSpeed);
  return askValue(con, p, &MissionParams::missionSpeed,
                  "Please enter new speed in meters per second \n\n >");
}

double SpeedSlow(Console& con, const MissionParams& p) {
  con.print("mission Speed Slow is %.3f meters per second\n", p.missionSpeedSlow);
  return askValue(con, p, &MissionParams::missionSpeedSlow,
                  "Please enter new speed in meters per second \n\n >");
}

double get_minDepth(Console& con, const MissionParams& p) {
  con.print("minDepth is %.1f meters\n", p.minDepth);
  return askValue(con, p, &MissionParams::minDepth, "Please enter new minDepth in meters \n\n >");
}

double get_maxDepth(Console& con, const MissionParams& p) {
  con.print("maxDepth is %.1f meters\n", p.maxDepth);
  return askValue(con, p, &MissionParams::maxDepth, "Please enter new maxDepth in meters \n\n >");
}

double get_abortDepth(Console& con, const MissionParams& p) {
  con.print("abortDepth is %.1f meters\n", p.abortDepth);
  return askValue(con, p, &MissionParams::abortDepth,
                  "Please enter new abortDepth in meters \n\n >");
}

double get_abortAltitude(Console& con, const MissionParams& p) {
  con.print("abortAltitude is %.1f meters\n", p.abortAltitude);
  return askValue(con, p, &MissionParams::abortAltitude,
                  "Please enter new abortAltitude in meters \n\n >");
}

double get_abortLockoutDepth(Console& con, const MissionParams& p) {
  con.print("abortLockoutDepth is %.1f meters\n", p.abortLockoutDepth);
  return askValue(con, p, &MissionParams::abortLockoutDepth,
                  "Please enter new abortLockoutDepth in meters \n\n >");
}

double get_abortOnTimeout(Console& con, const MissionParams& p) {
  con.print("abortOnTimeout is %d \n", p.abortOnTimeout);
  con.line("Please enter new abortOnTimeout ");
  return askValue(con, p, &MissionParams::abortOnTimeout, "1 for TRUE, or 0 for FALSE \n\n >");
}

namespace {

// The common end of both menus: the invitation, then the selection. Nothing when the entry is no
// whole number.
std::optional<int> menuSelection(Console& con) {
  con.line("  Choose number of parameter to modify.");
  con.write("  If parameters are OK, type 0 \n\n > ");
  return parseIntValue(readEntry(con));
}

// Shows a menu until 0 is chosen. `show` writes the title and the items with their values;
// `change` runs the prompt of an item and returns false for a number that is no item.
int menuLoop(Console& con, const std::function<void()>& show,
             const std::function<bool(int)>& change) {
  for (;;) {
    show();
    const std::optional<int> choice = menuSelection(con);
    if (choice && *choice == 0) {
      con.line("0");
      return 0;
    }
    if (!choice || !change(*choice)) con.line("Error ... please try again");
  }
}

}  // namespace

int queryMissionParameters(Console& con, MissionParams& p) {
  const auto show = [&] {
    con.line("\n\n Mission Parameters \n");
    con.print(" 1  MISSION_SPEED %.3f\n", p.missionSpeed);
    con.print(" 2  MISSION_SPEED_SLOW %.3f\n", p.missionSpeedSlow);
    con.print(" 3  GPS_HITS %d\n", p.gpsHits);
    con.print(" 4  Meters between surfacings %.1f\n", p.maxLegMeters);
    con.print(" 5  minDepth %.1f\n", p.minDepth);
    con.print(" 6  maxDepth %.1f\n", p.maxDepth);
    con.print(" 7  abortDepth %.1f\n", p.abortDepth);
    con.print(" 8  abortAltitude %.1f\n", p.abortAltitude);
    con.print(" 9  abortLockoutDepth %.1f\n", p.abortLockoutDepth);
    con.print("10  abortOnTimeout %d\n\n", p.abortOnTimeout);
    con.line(" 0   All parameters are OK");
  };
  const auto change = [&](int item) {
    switch (item) {
      case 1: p.missionSpeed = Speed(con, p); return true;
      case 2: p.missionSpeedSlow = SpeedSlow(con, p); return true;
      case 3: p.gpsHits = gpsNum(con, p); return true;
      case 4: p.maxLegMeters = get_maxLegMeters(con, p); return true;
      case 5: p.minDepth = get_minDepth(con, p); return true;
      case 6: p.maxDepth = get_maxDepth(con, p); return true;
      case 7: p.abortDepth = get_abortDepth(con, p); return true;
      case 8: p.abortAltitude = get_abortAltitude(con, p); return true;
      case 9: p.abortLockoutDepth = get_abortLockoutDepth(con, p); return true;
      case 10: p.abortOnTimeout = static_cast<int>(get_abortOnTimeout(con, p)); return true;
      default: return false;
    }
  };
  return menuLoop(con, show, change);
}

int queryYoYoParameters(Console& con, MissionParams& p) {
  const auto show = [&] {
    con.line("\n\n YOYO Mission Parameters \n");
    con.print("1  YOYO_MIN_ALTITUDE %d\n", p.yoyoMinAltitude);
    con.print("2  MISSION_YOYO_MIN_DEPTH %d\n", p.missionYoyoMinDepth);
    con.print("3  MISSION_YOYO_MAX_DEPTH %d\n", p.missionYoyoMaxDepth);
    con.print("4  MISSION_YOYO_MAX_DEPTH_SHALLOW %d\n", p.missionYoyoMaxDepthShallow);
    con.print("5  MISSION_DIVE_ANGLE %.1f\n", p.diveAngle);
    con.line("0  All parameters are OK");
  };
  const auto change = [&](int item) {
    switch (item) {
      case 1: p.yoyoMinAltitude = yoyoMinAlt(con, p); return true;
      case 2: p.missionYoyoMinDepth = yoyoMinDepth(con, p); return true;
      case 3: p.missionYoyoMaxDepth = yoyoMaxDepth(con, p); return true;
      case 4: p.missionYoyoMaxDepthShallow = yoyoMaxDepthShallow(con, p); return true;
      case 5: p.diveAngle = get_diveAngle(con, p); return true;
      default: return false;
    }
  };
  return menuLoop(con, show, change);
}

namespace {

// Asks the question until the answer starts with Y, y, N or n; 1 for yes, 0 for no.
int askYesNo(Console& con, const char* question) {
  for (;;) {
    con.line(question);
    con.write(" Please enter Y or N > ");
    const std::string answer = readAnswer(con);
    const char reply = answer.empty() ? '\0' : answer.front();
    if (reply == 'Y' || reply == 'y') return 1;
    if (reply == 'N' || reply == 'n') return 0;
    con.write(" Please enter y or n ");
  }
}

}  // namespace

int queryYoyo(Console& con) {
  return askYesNo(con, " Will this be a YOYO Mission ? ");
}

int querySorbel(Console& con) {
  if (askYesNo(con, " Will this be a SORBEL Mission ? ") == 0) return 0;
  con.line(" \n\n The Sorbels will be armed at mission start ");
  con.line(" Remember to move the behavior if necessary ");
  con.line(" Hit any key to continue ");
  con.waitKey();
  con.line("\n");
  return 1;
}

void queryDialogue(Console& con, MissionParams& params) {
  queryMissionParameters(con, params);
  params.yoyoMission = queryYoyo(con);
  if (params.yoyoMission == 1) {
    queryYoYoParameters(con, params);
  } else {
    params.wayPointDepth = get_wayPointDepth(con, params);
  }
  params.sorbelMission = querySorbel(con);
}

}  // namespace nurvo

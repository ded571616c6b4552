#include "nurvo_user_if.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "nurvoError.h"

namespace nurvo {

std::string readFileName(Console& con) {
  std::string name;
  for (int c = con.get(); c != '\n'; c = con.get()) {
    if (c == EOF) {
      if (name.empty()) throw NurvoError(endOfConsoleInput);
      break;
    }
    name.push_back(static_cast<char>(c));
  }
  if (!name.empty() && name.back() == '\r') name.pop_back();
  return name;
}

namespace {

bool isSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool isDigit(int c) {
  return c >= '0' && c <= '9';
}

[[noreturn]] void endOfInput() {
  throw NurvoError(endOfConsoleInput);
}

// Skips white space, line ends included, and returns the first other character.
int firstNonBlank(Console& con) {
  int c = con.get();
  while (isSpace(c)) c = con.get();
  if (c == EOF) endOfInput();
  return c;
}

// Discards the rest of the line, from the character `c` already read up to its line end included.
void discardLine(Console& con, int c) {
  while (c != '\n' && c != EOF) c = con.get();
}

}  // namespace

// In both number readers the character that ends the number has been read already: it is the
// one character discarded after the entry, or the first one of the rest of the line that a
// failed entry discards.
std::optional<int> readInt(Console& con) {
  int c = firstNonBlank(con);
  const bool negative = c == '-';
  if (c == '+' || c == '-') c = con.get();
  long long magnitude = 0;
  bool digits = false;
  bool fits = true;
  for (; isDigit(c); c = con.get()) {
    digits = true;
    if (fits) {
      magnitude = magnitude * 10 + (c - '0');
      fits = magnitude <= static_cast<long long>(INT_MAX) + 1;
    }
  }
  const long long value = negative ? -magnitude : magnitude;
  if (!digits || !fits || value > INT_MAX || value < INT_MIN) {
    discardLine(con, c);
    return std::nullopt;
  }
  return static_cast<int>(value);
}

std::optional<double> readDouble(Console& con) {
  int c = firstNonBlank(con);
  std::string text;
  bool digits = false;
  const auto take = [&] {
    text.push_back(static_cast<char>(c));
    c = con.get();
  };
  const auto takeDigits = [&] {
    while (isDigit(c)) {
      take();
      digits = true;
    }
  };
  if (c == '+' || c == '-') take();
  takeDigits();
  if (c == '.') {
    take();
    takeDigits();
  }
  if (digits && (c == 'e' || c == 'E')) {
    // An exponent marker is taken even when no exponent digit follows; it then counts for
    // nothing ("1e" is 1).
    take();
    if (c == '+' || c == '-') take();
    while (isDigit(c)) take();
  }
  if (!digits) {
    discardLine(con, c);
    return std::nullopt;
  }
  const double value = std::strtod(text.c_str(), nullptr);
  if (!std::isfinite(value)) {
    discardLine(con, c);
    return std::nullopt;
  }
  return value;
}

char readChar(Console& con) {
  const int c = con.get();
  if (c == EOF) endOfInput();
  con.get();  // the discarded character, normally the line end
  return static_cast<char>(c);
}

namespace {

int askInt(Console& con, int current, const char* prompt) {
  con.write(prompt);
  return readInt(con).value_or(current);
}

double askDouble(Console& con, double current, const char* prompt) {
  con.write(prompt);
  return readDouble(con).value_or(current);
}

// `typed` when it meets the constraint of the parameter in `member`; otherwise the parameter's
// current value, with the reason and the value kept.
double allowedOrKept(Console& con, const MissionParams& p, double MissionParams::*member,
                     double typed) {
  const ParamSpec& spec = paramSpecOf(member);
  if (meetsConstraint(spec, typed)) return typed;
  // The refusal is worded to follow an option's name; here it starts a sentence.
  con.print("%c%s; keeping %s\n", std::toupper(static_cast<unsigned char>(spec.refusal[0])),
            spec.refusal + 1, strprintf(spec.listingFormat, p.*member).c_str());
  return p.*member;
}

}  // namespace

int yoyoMinAlt(Console& con, const MissionParams& p) {
  con.print("YoYo Minimum Altitude is %d meters\n", p.yoyoMinAltitude);
  return askInt(con, p.yoyoMinAltitude, "Please enter new altitude in meters \n\n > ");
}

int yoyoMinDepth(Console& con, const MissionParams& p) {
  con.print("mission YoYo Min Depth is %d meters\n", p.missionYoyoMinDepth);
  return askInt(con, p.missionYoyoMinDepth, "Please enter new depth in meters \n\n > ");
}

int yoyoMaxDepth(Console& con, const MissionParams& p) {
  con.print("mission YoYo Max Depth is %d meters\n", p.missionYoyoMaxDepth);
  return askInt(con, p.missionYoyoMaxDepth, "Please enter new depth in meters \n\n > ");
}

int yoyoMaxDepthShallow(Console& con, const MissionParams& p) {
  con.print("mission YoYo Max Depth Shallow is %d meters\n", p.missionYoyoMaxDepthShallow);
  return askInt(con, p.missionYoyoMaxDepthShallow, "Please enter new depth in meters \n\n > ");
}

int gpsNum(Console& con, const MissionParams& p) {
  con.print("Number of GPS hits per surfacing is %d \n", p.gpsHits);
  return askInt(con, p.gpsHits, "Please enter new number of hits \n\n > ");
}

double get_diveAngle(Console& con, const MissionParams& p) {
  con.print("mission dive angle is %.0f degrees\n", p.diveAngle);
  return askDouble(con, p.diveAngle, "Please enter new dive angle in degrees \n\n >");
}

double get_maxLegMeters(Console& con, const MissionParams& p) {
  con.print("Meters between AUV surfacings is %.1f \n", p.maxLegMeters);
  const double meters =
      askDouble(con, p.maxLegMeters, "Please enter new distance in meters \n\n > ");
  return allowedOrKept(con, p, &MissionParams::maxLegMeters, meters);
}

double get_wayPointDepth(Console& con, const MissionParams& p) {
  con.print("Default Waypoint Depth is %.1f \n", p.wayPointDepth);
  return askDouble(con, p.wayPointDepth, "Please enter new depth \n\n > ");
}

double Speed(Console& con, const MissionParams& p) {
  con.print("mission Speed is %.3f meters per second\n", p.missionSpeed);
  const double spd =
      askDouble(con, p.missionSpeed, "Please enter new speed in meters per second \n\n >");
  return allowedOrKept(con, p, &MissionParams::missionSpeed, spd);
}

double SpeedSlow(Console& con, const MissionParams& p) {
  con.print("mission Speed Slow is %.3f meters per second\n", p.missionSpeedSlow);
  const double spd =
      askDouble(con, p.missionSpeedSlow, "Please enter new speed in meters per second \n\n >");
  return allowedOrKept(con, p, &MissionParams::missionSpeedSlow, spd);
}

double get_minDepth(Console& con, const MissionParams& p) {
  con.print("minDepth is %.1f meters\n", p.minDepth);
  return askDouble(con, p.minDepth, "Please enter new minDepth in meters \n\n >");
}

double get_maxDepth(Console& con, const MissionParams& p) {
  con.print("maxDepth is %.1f meters\n", p.maxDepth);
  return askDouble(con, p.maxDepth, "Please enter new maxDepth in meters \n\n >");
}

double get_abortDepth(Console& con, const MissionParams& p) {
  con.print("abortDepth is %.1f meters\n", p.abortDepth);
  return askDouble(con, p.abortDepth, "Please enter new abortDepth in meters \n\n >");
}

double get_abortAltitude(Console& con, const MissionParams& p) {
  con.print("abortAltitude is %.1f meters\n", p.abortAltitude);
  return askDouble(con, p.abortAltitude, "Please enter new abortAltitude in meters \n\n >");
}

double get_abortLockoutDepth(Console& con, const MissionParams& p) {
  con.print("abortLockoutDepth is %.1f meters\n", p.abortLockoutDepth);
  return askDouble(con, p.abortLockoutDepth, "Please enter new abortLockoutDepth in meters \n\n >");
}

double get_abortOnTimeout(Console& con, const MissionParams& p) {
  con.print("abortOnTimeout is %d \n", p.abortOnTimeout);
  con.line("Please enter new abortOnTimeout ");
  return askInt(con, p.abortOnTimeout, "1 for TRUE, or 0 for FALSE \n\n >");
}

namespace {

// The common end of both menus: the invitation, then the selection. Nothing when the entry is no
// number.
std::optional<int> menuSelection(Console& con) {
  con.line("  Choose number of parameter to modify.");
  con.write("  If parameters are OK, type 0 \n\n > ");
  return readInt(con);
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
    const char reply = readChar(con);
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

}  // namespace nurvo

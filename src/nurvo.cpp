#include "nurvo.h"

#include <getopt.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>

#include "calcs.h"
#include "nurvoError.h"
#include "nurvo_user_if.h"
#include "platform.h"
#include "writeMission.h"

namespace nurvo {

std::optional<std::tm> Clock::utcNow() const {
  const std::time_t now = std::time(nullptr);
  if (now == static_cast<std::time_t>(-1)) return std::nullopt;
  return utcTime(now);
}

std::string help() {
  return "\nnurvo Command Line Parameters:\n\n"
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
         "36.8215 -121.7986\n\n";
}

std::string show_params(const MissionParams& p) {
  std::string s = "\n\n Parameters Set:  \n";
  s += strprintf("gpsHits...........................%d\n", p.gpsHits);
  s += strprintf("sorbelMission.....................%d\n", p.sorbelMission);
  s += strprintf("abortOnTimeout....................%d\n", p.abortOnTimeout);
  s += strprintf("yoyoMission.......................%d\n", p.yoyoMission);
  s += strprintf("yoyoMinAltitude...................%d\n", p.yoyoMinAltitude);
  s += strprintf("missionYoyoMinDepth...............%d\n", p.missionYoyoMinDepth);
  s += strprintf("missionYoyoMaxDepth...............%d\n", p.missionYoyoMaxDepth);
  s += strprintf("missionYoyoMaxDepthShallow........%d\n", p.missionYoyoMaxDepthShallow);
  s += strprintf("missionSpeed......................%.3f\n", p.missionSpeed);
  s += strprintf("missionSpeedSlow..................%.3f\n", p.missionSpeedSlow);
  s += strprintf("maxLegMeters......................%.1f\n", p.maxLegMeters);
  s += strprintf("minDepth..........................%.1f\n", p.minDepth);
  s += strprintf("maxDepth..........................%.1f\n", p.maxDepth);
  s += strprintf("abortDepth........................%.1f\n", p.abortDepth);
  s += strprintf("abortAltitude.....................%.1f\n", p.abortAltitude);
  s += strprintf("abortLockoutDepth.................%.1f\n", p.abortLockoutDepth);
  s += strprintf("diveAngle.........................%.1f\n", p.diveAngle);
  s += strprintf("wayPointDepth.....................%.1f\n", p.wayPointDepth);
  return s;
}

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Length of the decimal number at the start of `s` (sign, digits, optional fraction, optional
// exponent), or 0 when `s` does not start with one. Words such as "nan" and "inf", and hexadecimal
// numbers, are not decimal numbers.
std::size_t decimalNumberLength(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && isDigit(s[j])) {
      while (j < s.size() && isDigit(s[j])) ++j;
      i = j;
    }
  }
  return i;
}

// Converts a decimal number already checked by decimalNumberLength; may be infinite on overflow.
double toDouble(std::string_view number) {
  const std::string text(number);
  return std::strtod(text.c_str(), nullptr);
}

// A number as a message quotes it: a runaway number of a broken file (a megabyte of digits) is
// cut short, so that the message stays readable.
std::string quoted(std::string_view number) {
  constexpr std::size_t longest = 32;
  if (number.size() <= longest) return std::string(number);
  return std::string(number.substr(0, longest)) + "...";
}

}  // namespace

std::optional<int> parseIntValue(std::string_view text) {
  std::string_view s = trimBlanks(text);
  std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
  if (i == s.size()) return std::nullopt;
  for (std::size_t j = i; j < s.size(); ++j) {
    if (!isDigit(s[j])) return std::nullopt;
  }
  const std::string digits(s);
  errno = 0;
  const long long v = std::strtoll(digits.c_str(), nullptr, 10);
  if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return std::nullopt;
  return static_cast<int>(v);
}

std::optional<double> parseDoubleValue(std::string_view text) {
  const std::string_view s = trimBlanks(text);
  const std::size_t n = decimalNumberLength(s);
  if (n == 0 || n != s.size()) return std::nullopt;
  const double v = toDouble(s);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

WaypointLine parseWaypointLine(std::string_view line) {
  WaypointLine r;
  if (line.find('\0') != std::string_view::npos) {
    r.kind = WaypointLine::bad;
    r.problem = "holds a NUL byte; a waypoint file is text, one latitude and longitude per line";
    return r;
  }
  // A carriage return with more text behind it is an old Mac line end: the file's other waypoints
  // would otherwise vanish silently behind the first one.
  const std::size_t cr = line.find('\r');
  if (cr != std::string_view::npos && !trimBlanks(line.substr(cr)).empty()) {
    r.kind = WaypointLine::bad;
    r.problem = "holds a carriage return inside the line; save the file with LF or CR LF line ends";
    return r;
  }
  std::string_view s = line;
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  if (s.empty()) return r;

  r.kind = WaypointLine::bad;
  const std::size_t latLen = decimalNumberLength(s);
  if (latLen == 0 || (latLen < s.size() && !isBlank(s[latLen]))) {
    r.problem = "expected latitude and longitude in decimal degrees, separated by blanks";
    return r;
  }
  const std::string_view latText = s.substr(0, latLen);
  s.remove_prefix(latLen);
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  if (s.empty()) {
    r.problem = "latitude " + quoted(latText) + " but no longitude";
    return r;
  }
  const std::size_t lonLen = decimalNumberLength(s);
  if (lonLen == 0) {
    r.problem = "expected a longitude in decimal degrees after latitude " + quoted(latText);
    return r;
  }
  const std::string_view lonText = s.substr(0, lonLen);
  r.lat = toDouble(latText);
  r.lon = toDouble(lonText);
  if (!(r.lat >= -90.0 && r.lat <= 90.0)) {
    r.problem = "latitude " + quoted(latText) + " is outside -90 to 90";
    return r;
  }
  if (!(r.lon >= -180.0 && r.lon <= 180.0)) {
    r.problem = "longitude " + quoted(lonText) + " is outside -180 to 180";
    return r;
  }
  r.kind = WaypointLine::waypoint;
  return r;
}

namespace {

[[noreturn]] void cannotOpen(const std::string& name) {
  throw NurvoError(strprintf("***CANNOT OPEN FILE %s ", name.c_str()) + help());
}

// Reads a file line by line, lines of any length, with or without a final line end.
class LineReader {
 public:
  explicit LineReader(std::FILE* f) : f_(f) {}
  // The next line without its line end; false at the end of the file. Throws on a read error.
  bool next(std::string& line) {
    line.clear();
    for (;;) {
      if (pos_ == len_) {
        if (eof_) {
          // A last line without a line end is returned once; after it the file is done.
          const bool more = !line.empty() || pendingLine_;
          pendingLine_ = false;
          return more;
        }
        len_ = std::fread(buf_.get(), 1, bufSize, f_);
        pos_ = 0;
        if (len_ < bufSize) {
          if (std::ferror(f_)) throw ReadError();
          eof_ = true;
        }
        continue;
      }
      pendingLine_ = true;
      const char* start = buf_.get() + pos_;
      const void* nl = std::memchr(start, '\n', len_ - pos_);
      if (nl != nullptr) {
        const std::size_t n = static_cast<std::size_t>(static_cast<const char*>(nl) - start);
        line.append(start, n);
        pos_ += n + 1;
        pendingLine_ = false;
        return true;
      }
      line.append(start, len_ - pos_);
      pos_ = len_;
    }
  }
  struct ReadError {};

 private:
  static constexpr std::size_t bufSize = 1 << 16;
  std::FILE* f_;
  std::unique_ptr<char[]> buf_ = std::make_unique<char[]>(bufSize);
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  bool eof_ = false;
  bool pendingLine_ = false;
};

}  // namespace

void readWaypoints(std::FILE* file, const std::string& name, wptList& list) {
  LineReader reader(file);
  std::string line;
  std::size_t lineNumber = 0;
  std::size_t count = 0;
  try {
    while (reader.next(line)) {
      ++lineNumber;
      const WaypointLine w = parseWaypointLine(line);
      if (w.kind == WaypointLine::blank) continue;
      if (w.kind == WaypointLine::bad) {
        throw NurvoError(
            strprintf("line %zu of %s: %s\n", lineNumber, name.c_str(), w.problem.c_str()));
      }
      if (++count > maxRouteNodes) {
        throw NurvoError(
            strprintf("%s holds more than %zu waypoints\n", name.c_str(), maxRouteNodes));
      }
      list.insertLatLonEnd(w.lat, w.lon);
    }
  } catch (const LineReader::ReadError&) {
    cannotOpen(name);
  }
}

namespace {

// Files opened by the run, closed when it ends whichever way.
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a waypoint file for reading; null when it cannot be opened or is a directory.
FilePtr openWaypointFile(const std::string& name) {
  struct stat st {};
  if (::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
  return FilePtr(std::fopen(name.c_str(), "r"));
}

// Index in the option table of each option code 'a' ... 'r': the table lists the parameters from
// code 'a' onwards, starting at index 2.
constexpr int firstParamIndex = 2;

struct IntParam {
  const char* name;
  int MissionParams::*field;
};
struct DoubleParam {
  const char* name;
  double MissionParams::*field;
};

constexpr IntParam intParams[] = {
    {"gpsHits", &MissionParams::gpsHits},
    {"sorbelMission", &MissionParams::sorbelMission},
    {"abortOnTimeout", &MissionParams::abortOnTimeout},
    {"yoyoMission", &MissionParams::yoyoMission},
    {"yoyoMinAltitude", &MissionParams::yoyoMinAltitude},
    {"missionYoyoMinDepth", &MissionParams::missionYoyoMinDepth},
    {"missionYoyoMaxDepth", &MissionParams::missionYoyoMaxDepth},
    {"missionYoyoMaxDepthShallow", &MissionParams::missionYoyoMaxDepthShallow},
};
constexpr DoubleParam doubleParams[] = {
    {"missionSpeed", &MissionParams::missionSpeed},
    {"missionSpeedSlow", &MissionParams::missionSpeedSlow},
    {"maxLegMeters", &MissionParams::maxLegMeters},
    {"minDepth", &MissionParams::minDepth},
    {"maxDepth", &MissionParams::maxDepth},
    {"abortDepth", &MissionParams::abortDepth},
    {"abortAltitude", &MissionParams::abortAltitude},
    {"abortLockoutDepth", &MissionParams::abortLockoutDepth},
    {"diveAngle", &MissionParams::diveAngle},
    {"wayPointDepth", &MissionParams::wayPointDepth},
};
constexpr int intCodeCount = static_cast<int>(std::size(intParams));
constexpr int doubleCodeCount = static_cast<int>(std::size(doubleParams));

[[noreturn]] void badValue(const char* option, const char* value, const char* expected) {
  throw NurvoError(strprintf("invalid value '%s' for option --%s: %s\n", value, option, expected));
}

// Sets the parameter of option code `c` ('a' ... 'r') from its value, strictly.
void setParam(MissionParams& params, int c, const char* value) {
  const int i = c - 'a';
  if (i < intCodeCount) {
    const std::optional<int> v = parseIntValue(value);
    if (!v) badValue(intParams[i].name, value, "expected a whole number");
    params.*intParams[i].field = *v;
    return;
  }
  const DoubleParam& p = doubleParams[i - intCodeCount];
  const std::optional<double> v = parseDoubleValue(value);
  if (!v) badValue(p.name, value, "expected a finite decimal number");
  if (p.field == &MissionParams::maxLegMeters && !(*v > 0.0)) {
    badValue(p.name, value, "the distance between surfacings must be greater than 0");
  }
  params.*p.field = *v;
}

// The interactive start-up: the banner, the typed file name, the echo of the file, the dialogue.
FilePtr interactiveStartup(Console& con, MissionParams& params, std::string& name) {
  con.line("\n\nWelcome to Waypoints to ZUD_UZU mission utility.");
  con.line("Waypoint lat/lon's must be in decimal degree format.");
  con.line("eg: 36.8167 -121.8170");
  con.line("What's the name of the waypoint file ? ");
  con.write(" > ");
  name = readFileName(con);
  FilePtr file = openWaypointFile(name);
  if (!file) throw NurvoError(strprintf("cannot open file %s ", name.c_str()));
  con.print("\n\nWaypoint filename: \n %s \n", name.c_str());
  con.line("\n\nWaypoint List:\n");
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, file.get())) > 0) con.write(std::string_view(buf, n));
  if (std::ferror(file.get())) cannotOpen(name);
  std::rewind(file.get());

  queryMissionParameters(con, params);
  params.yoyoMission = queryYoyo(con);
  if (params.yoyoMission == 1) {
    queryYoYoParameters(con, params);
  } else {
    params.wayPointDepth = get_wayPointDepth(con, params);
  }
  params.sorbelMission = querySorbel(con);
  return file;
}

int runOrThrow(int argc, char** argv, Console& con, const Clock& clock, FileOps& fileOps) {
  MissionParams params;
  int verbose_flag = 0;
  int interactive_flag = 0;
  const option long_options[] = {
      {"verbose", no_argument, &verbose_flag, 1},
      {"brief", no_argument, &verbose_flag, 0},
      {"gpsHits", required_argument, nullptr, 'a'},
      {"sorbelMission", required_argument, nullptr, 'b'},
      {"abortOnTimeout", required_argument, nullptr, 'c'},
      {"yoyoMission", required_argument, nullptr, 'd'},
      {"yoyoMinAltitude", required_argument, nullptr, 'e'},
      {"missionYoyoMinDepth", required_argument, nullptr, 'f'},
      {"missionYoyoMaxDepth", required_argument, nullptr, 'g'},
      {"missionYoyoMaxDepthShallow", required_argument, nullptr, 'h'},
      {"missionSpeed", required_argument, nullptr, 'i'},
      {"missionSpeedSlow", required_argument, nullptr, 'j'},
      {"maxLegMeters", required_argument, nullptr, 'k'},
      {"minDepth", required_argument, nullptr, 'l'},
      {"maxDepth", required_argument, nullptr, 'm'},
      {"abortDepth", required_argument, nullptr, 'n'},
      {"abortAltitude", required_argument, nullptr, 'o'},
      {"abortLockoutDepth", required_argument, nullptr, 'p'},
      {"diveAngle", required_argument, nullptr, 'q'},
      {"wayPointDepth", required_argument, nullptr, 'r'},
      {"interactive", no_argument, nullptr, 'y'},
      {"help", no_argument, nullptr, 'z'},
      {"usage", no_argument, nullptr, 'z'},
      {nullptr, 0, nullptr, 0},
  };
  static_assert(firstParamIndex == 2);

  // -c, -d and -f are short forms of --abortOnTimeout, --yoyoMission and --missionYoyoMinDepth.
  // The parser keeps state between calls; optind 0 starts it afresh for this argument list.
  optind = 0;
  while (interactive_flag == 0) {
    int option_index = 0;
    const int c = getopt_long(argc, argv, "c:d:f:", long_options, &option_index);
    if (c == -1) break;
    if (c == 0) continue;  // --verbose, --brief: the parser has set verbose_flag
    if (c >= 'a' && c <= 'r') {
      setParam(params, c, optarg);
    } else if (c == 'y') {
      interactive_flag = 1;
    } else {  // 'z' (--help, --usage) or '?' (the parser has reported an error)
      con.write(help());
    }
  }
  if (verbose_flag != 0) con.write(show_params(params));

  std::string name;
  FilePtr file;
  if (interactive_flag == 1) {
    file = interactiveStartup(con, params, name);
  } else {
    if (optind >= argc) {
      throw NurvoError("\n\n*** WAYPOINTS FILENAME IS MISSING ***\n" + help());
    }
    name = argv[optind];
    file = openWaypointFile(name);
    if (!file) cannotOpen(name);
  }

  wptList route;
  readWaypoints(file.get(), name, route);
  if (route.empty()) throw NurvoError("list is empty\n");

  const RouteTotals totals = prepareRoute(route, params);

  const std::optional<std::tm> now = clock.utcNow();
  if (!now) throw NurvoError("cannot read the system clock as UTC: no mission written\n");
  FileWriter files(fileOps);
  const OutputContext ctx{fileName(*now), files, con};
  writeMission(ctx, route, params, totals);
  writeWaypoints(ctx, route);
  writeSurLine(ctx, route);
  write_csvFwd(ctx, route, totals);
  return 0;
}

}  // namespace

int run(int argc, char** argv, Console& console, const Clock& clock, FileOps& fileOps) {
  try {
    return runOrThrow(argc, argv, console, clock, fileOps);
  } catch (const NurvoError& e) {
    console.write(e.what());
  } catch (const std::bad_alloc&) {
    console.write("\nnurvo: out of memory: no mission written\n");
  }
  return 1;
}

}  // namespace nurvo

#include "nurvo.h"

#include <new>

#include "nurvoError.h"
#include "nurvo_user_if.h"
#include "platform.h"
#include "writeMission.h"

namespace nurvo {

namespace {

// Shows the waypoint file as it stands. Where the console writes each line end as CR LF, the CR
// of a CR LF line end is left to it, so that the file looks the same as on other systems.
void echoFile(Console& con, std::FILE* file) {
  const bool dropCr = consoleWritesCrLf();
  char buf[4096];
  std::size_t n;
  bool heldCr = false;  // a CR at the end of the previous block, shown once its successor is known
  while ((n = std::fread(buf, 1, sizeof buf, file)) > 0) {
    std::string_view text(buf, n);
    if (!dropCr) {
      con.write(text);
      continue;
    }
    if (heldCr && text.front() != '\n') con.write("\r");
    heldCr = false;
    while (!text.empty()) {
      std::size_t cr = text.find('\r');
      if (cr == std::string_view::npos) cr = text.size();
      con.write(text.substr(0, cr));
      if (cr == text.size()) break;
      if (cr + 1 == text.size()) {
        heldCr = true;
      } else if (text[cr + 1] != '\n') {
        con.write("\r");
      }
      text.remove_prefix(cr + 1);
    }
  }
  if (heldCr) con.write("\r");
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
  echoFile(con, file.get());
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
  RunSettings settings = parseOptions(argc, argv, con);
  MissionParams& params = settings.params;
  if (settings.verbose) con.write(show_params(params));

  std::string name;
  FilePtr file;
  if (settings.interactive) {
    file = interactiveStartup(con, params, name);
  } else {
    if (settings.operands.empty()) {
      if (settings.usageShown) return 0;  // the usage was all that was asked for
      throw NurvoError("\n\n*** WAYPOINTS FILENAME IS MISSING ***\n" + help());
    }
    if (settings.operands.size() > 1) {
      throw NurvoError(strprintf("more than one waypoint file: '%s' follows '%s'\n",
                                 settings.operands[1].c_str(), settings.operands[0].c_str()));
    }
    name = settings.operands.front();
    file = openWaypointFile(name);
    if (!file) cannotOpen(name);
  }

  wptList route;
  readWaypoints(file.get(), name, route);
  if (route.empty()) throw NurvoError("list is empty\n");

  const RouteTotals totals = prepareRoute(route, params);

  const std::optional<std::tm> now = clock.utcNow();
  if (!now) throw NurvoError("cannot read the system clock as UTC: no mission written\n");
  writeOutputFiles(fileName(*now), missionFiles(route, params, totals), fileOps, con);
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
  } catch (const std::exception& e) {
    // Anything else the library throws still ends the run with its message and status 1.
    console.print("\nnurvo: %s: no mission written\n", e.what());
  }
  return 1;
}

}  // namespace nurvo

#include "nurvo.h"

#include <new>

#include "nurvoError.h"
#include "nurvo_user_if.h"
#include "writeMission.h"

namespace nurvo {

namespace {

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
  FileWriter files(fileOps);
  const OutputContext ctx{fileName(*now), files, con};
  writeMission(ctx, route, params, totals);
  writeWaypoints(ctx, route);
  writeSurLine(ctx, route);
  write_csvFwd(ctx, route, totals);
  writeExports(ctx, settings.exports, route, params, totals);
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

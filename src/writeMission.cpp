#include "writeMission.h"

#include <algorithm>
#include <cmath>

#include "nurvoError.h"

namespace nurvo {

std::string fileName(const std::tm& utc) {
  // The minute always has two digits, so that 01:11 (111) and 11:01 (1101) never share a name.
  return strprintf("%d_%d_%d%02d.", utc.tm_year + 1900, utc.tm_yday, utc.tm_hour, utc.tm_min);
}

DegreeDecMin toDegreeDecMin(double v) {
  DegreeDecMin s;
  s.degreeOnly = std::trunc(v);
  s.degreeDecFraction = v - s.degreeOnly;
  if (s.degreeDecFraction < 0) s.degreeDecFraction = -s.degreeDecFraction;
  s.decMin = s.degreeDecFraction * 60.0;
  // Minutes that the four decimals of the files would round to 60 are the next whole degree,
  // away from zero: 36.9999999 is 37 degrees 0 minutes, never 36 degrees 60 minutes.
  if (s.decMin >= 59.9999 && strprintf("%.4f", s.decMin) == "60.0000") {
    s.degreeOnly += v < 0 ? -1.0 : 1.0;
    s.degreeDecFraction = 0.0;
    s.decMin = 0.0;
  }
  return s;
}

long long wholeHours(double seconds) {
  return static_cast<long long>(seconds / 3600.0);
}

long long leftoverMinutes(double seconds) {
  return static_cast<long long>(seconds) % 3600 / 60;
}

long long missionTimerSecs(double missionTime) {
  return static_cast<long long>(missionTime * 1.2);
}

int roundHalfEven(double v) {
  return static_cast<int>(std::nearbyint(v));
}

namespace {

// "# N36 49.0020 W121 49.0200": degrees and minutes of a position, with the hemisphere letters
// that the signs give; degrees and minutes unsigned.
void writeDegMinComment(TextSink& out, double lat, double lon) {
  const DegreeDecMin la = toDegreeDecMin(lat);
  const DegreeDecMin lo = toDegreeDecMin(lon);
  out.print("# %c%.0f %.4f", lat < 0 ? 'S' : 'N', std::fabs(la.degreeOnly), la.decMin);
  out.print(" %c%d %.4f\n", lon < 0 ? 'W' : 'E', static_cast<int>(std::fabs(lo.degreeOnly)),
            lo.decMin);
}

const char* trueFalse(int flag) {
  return flag == 1 ? "True" : "False";
}

void writeHeader(TextSink& out, const node& launch, const MissionParams& params,
                 const std::string& missionFileName) {
  out.print("# Mission Filename: %s\n", missionFileName.c_str());
  out.write("#\n");
  out.write("#\n");
  out.write("#                   *** CAUTION *** \n");
  out.write("#   *** THIS MISSION GENERATED WITH UTILITY nurvo ***\n");
  out.write("#          *** Check the script file carefully ! ***\n");
  out.write("#\n");
  out.write("#               *** LAUNCH WAYPOINT ***\n");
  out.print("#               LAT/LON: %3.4f %3.4f\n", launch.Lat, launch.Lon);
  out.write("#\n");
  out.write("#               *** INITIAL HEADING *** \n");
  out.print("#                        %3.1f  \n", launch.heading);
  out.write("#\n");
  out.print("#             *** abortOnTimeout is %s ***\n", trueFalse(params.abortOnTimeout));
  out.write("#\n");
  if (params.sorbelMission == 1) {
    out.write("#   *** SORBELS ARMED AT START OF MISSION ***\n");
    out.write("# *** MOVE THE ARMING BEHAVIOR IF NECESSARY ***\n");
    out.write("#\n");
  }
}

void writeDefinitions(TextSink& out, const MissionParams& params) {
  if (params.yoyoMission == 1) {
    out.print("#define MISSION_YOYO_MIN_DEPTH %d\n", params.missionYoyoMinDepth);
    out.print("#define MISSION_YOYO_MAX_DEPTH %d\n", params.missionYoyoMaxDepth);
    out.print("#define YOYO_MIN_ALTITUDE %d\n", params.yoyoMinAltitude);
  }
  out.print("#define MISSION_SPEED %.3f\n", params.missionSpeed);
  out.print("#define MISSION_SPEED_SLOW %.3f\n", params.missionSpeedSlow);
}

void writeTotals(TextSink& out, const RouteTotals& totals) {
  out.print("\n# Expected survey line distance: %.1f meters\n", totals.surveyLineMeters);
  out.print("# Expected mission time: %.1f seconds\n", totals.missionTime);
  out.print("#    %lld hours\n", wholeHours(totals.missionTime));
  out.print("#    %lld minutes\n", leftoverMinutes(totals.missionTime));
}

void writeMissionWideBlocks(TextSink& out, const MissionParams& params, const RouteTotals& totals) {
  out.write("\n# mission timer set to 120% of estimated time of mission\n");
  out.write("behavior missionTimer {\n");
  out.print("timeOut = %lld;\n", missionTimerSecs(totals.missionTime));
  out.write("}\n");
  out.write("\n# depth envelope set to commanded + 5 m, abort at commanded + 10\n");
  out.write("behavior depthEnvelope {\n");
  out.print(" minDepth          = %.1f;\n", params.minDepth);
  out.print(" maxDepth          = %.1f;\n", params.maxDepth);
  out.print(" abortDepth        = %.1f;\n", params.abortDepth);
  out.print(" abortAltitude     = %.1f;\n", params.abortAltitude);
  out.print(" abortLockoutDepth = %.1f;\n", params.abortLockoutDepth);
  out.write("}\n");
  out.write("\nbehavior getgps {\n");
  out.write("duration       = 1800;\n");
  out.write("minHits        = 300;\n");
  out.print("abortOnTimeout = %s;\n", trueFalse(params.abortOnTimeout));
  out.write("}\n");
  out.write("\n# ***** Mission Ends ^ *****\n");
}

// The blocks of one waypoint N, whose leg values come from the leg P -> N that arrives there.
void writeWaypointGroup(TextSink& out, const node& n, const MissionParams& params, bool isFinal) {
  const node& p = *n.prevPtr;
  const int headingInt = roundHalfEven(p.heading);
  // The climb holds the coming heading unless the vehicle turns sharply at this waypoint.
  const bool rudder = isFinal || std::fabs(n.heading - p.heading) > 70.0;

  out.write("\nbehavior ascend {\n");
  out.write("duration         = 1200;\n");
  if (rudder) {
    out.write("horizontalMode   = rudder;\n");
    out.write("horizontal       = 5;\n");
  } else {
    out.write("horizontalMode   = heading;\n");
    out.print("horizontal       = %d;\n", headingInt);
  }
  out.write("pitch            = 20;\n");
  out.write("speed            = 1.5;\n");
  out.write("endDepth         = 2;\n");
  out.write("}\n");

  if (params.yoyoMission == 1) {
    out.write("\nbehavior waypoint_yoyo  {\n");
    out.print("# leg distance = %.1f;\n", p.legMeters);
    writeDegMinComment(out, n.Lat, n.Lon);
    out.print("latitude      = %.4f;\n", n.Lat);
    out.print("longitude     = %.4f;\n", n.Lon);
    out.write("captureRadius = 10;\n");
    out.print("duration      = %d;\n", roundHalfEven(p.legSecs));
    out.write("speed         = MISSION_SPEED;\n");
    out.write("minDepth      = MISSION_YOYO_MIN_DEPTH;\n");
    out.write("maxDepth      = MISSION_YOYO_MAX_DEPTH;\n");
    out.write("minAltitude   = YOYO_MIN_ALTITUDE;\n");
    out.write("maxCycles     = 2000;\n");
    out.write("}\n");
  } else {
    out.write("\n# waypoint behavior\n");
    out.write("behavior waypoint {\n");
    out.print("# leg distance = %.1f;\n", p.legMeters);
    writeDegMinComment(out, n.Lat, n.Lon);
    out.print("latitude      = %.4f;\n", n.Lat);
    out.print("longitude     = %.4f;\n", n.Lon);
    out.write("captureRadius = 10; \n");
    out.print("duration      = %.1f;\n", p.legSecs);
    out.write("speed         = MISSION_SPEED; \n");
    out.print("depth         = %.1f; \n", params.wayPointDepth);
    out.write("}\n");
  }

  out.write("\n# Descend behavior to 5 meters\n");
  out.write("behavior descend {\n");
  out.write("horizontalMode  = heading;\n");
  out.print("horizontal      = %d;\n", headingInt);
  out.write("pitch           = -30;\n");
  out.write("speed           = 1.5;\n");
  out.write("maxDepth        = 5;\n");
  out.write("minAltitude     = 9;\n");
  out.write("duration        = 60;\n");
  out.write("}\n");

  out.write("\n# setpoint on surface to gather momentum\n");
  out.write("behavior setpoint {\n");
  out.write("duration     = 30;\n");
  out.print("heading      = %d;\n", headingInt);
  out.write("speed        = 1.5;\n");
  out.write("verticalMode = pitch;\n");
  out.write("pitch        = 0;\n");
  out.write("}\n");

  out.write("\nbehavior getgps {\n");
  out.write("duration       = 300;\n");
  out.print("minHits        = %d;\n", params.gpsHits);
  out.print("abortOnTimeout = %s;\n", trueFalse(params.abortOnTimeout));
  out.write("}\n");

  out.print(isFinal ? "\n# ***** FINAL WAYPOINT NUMBER: %d ^ *****\n"
                    : "\n# ***** WAYPOINT NUMBER: %d ^ *****\n",
            n.wptNumber);
}

void writeSorbelArming(TextSink& out) {
  out.write("\n#Arm UNFIRED sorbels for adaptive firing#\n");
  out.write("behavior ArmTheSorbel{\n");
  out.write("duration = 5;\n");
  for (int i = 0; i < 20; ++i) out.print("sorbel%d = 1;\n", i);
  out.write("}\n");
}

void writeLaunchComments(TextSink& out, const node& launch) {
  out.write("\n# ***** LAUNCH WAYPOINT 0 *****\n");
  out.print("# LAT/LON: %.4f %.4f\n", launch.Lat, launch.Lon);
  writeDegMinComment(out, launch.Lat, launch.Lon);
  out.print("# INITIAL HEADING:  %.1f  \n", launch.heading);
}

}  // namespace

void renderMission(TextSink& out, const wptList& route, const MissionParams& params,
                   const RouteTotals& totals, const std::string& missionFileName) {
  const node& launch = *route.head();
  writeHeader(out, launch, params, missionFileName);
  writeDefinitions(out, params);
  writeTotals(out, totals);
  writeMissionWideBlocks(out, params, totals);
  // The vehicle runs the script from the bottom up, so the route is written from its end back to
  // waypoint 1; the launch waypoint gets comments only.
  writeWaypointGroup(out, *route.tail(), params, true);
  for (const node* n = route.tail()->prevPtr; n != nullptr && n->prevPtr != nullptr;
       n = n->prevPtr) {
    writeWaypointGroup(out, *n, params, false);
  }
  if (params.sorbelMission == 1) writeSorbelArming(out);
  writeLaunchComments(out, launch);
}

void renderWaypoints(TextSink& out, const wptList& route) {
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    out.print("%d,N%.4f,%.4f,5,250.000,0.0,0.0,255,0.000  \n", n->wptNumber, n->Lat, n->Lon);
  }
}

void renderSurLine(TextSink& out, const wptList& route, const std::string& surLineFileName) {
  out.print("0,%s,0,0.000,0.000,1,3,255,0,0.200,0,0,1.000 \n", surLineFileName.c_str());
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    out.print("1,%.4f,%.4f,0.00m,0.00m,0.0,0.0,0.0  \n", n->Lat, n->Lon);
  }
}

void render_csvFwd(TextSink& out, const wptList& route, const RouteTotals& totals) {
  out.write("\nWpt #, Lat, Lon, Hdg, Mtrs, Secs");
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    out.print("\n\n%d,", n->wptNumber);
    out.print("%.4f,", n->Lat);
    out.print("%.4f,", n->Lon);
    out.print("%.1f,", std::nearbyint(n->heading));
    out.print("%.1f,", std::nearbyint(n->legMeters));
    out.print("%.1f,", std::nearbyint(n->legSecs));
    const DegreeDecMin la = toDegreeDecMin(n->Lat);
    const DegreeDecMin lo = toDegreeDecMin(n->Lon);
    out.print("\n, %.0f %.4f", la.degreeOnly, la.decMin);
    out.print(", %.0f %.4f", lo.degreeOnly, lo.decMin);
  }
  out.print("\n\nExpected survey line %.1f meters", totals.surveyLineMeters);
  out.print("\n\nExpected mission time %.1f seconds\n", totals.missionTime);
  out.print("    %lld hours\n", wholeHours(totals.missionTime));
  out.print("    %lld minutes\n", leftoverMinutes(totals.missionTime));
}

OutputFile writeMission(const wptList& route, const MissionParams& params,
                        const RouteTotals& totals) {
  return {"cfg", "mission", " **** Wrote mission script: %s **** \n",
          [&](TextSink& out, const std::string& missionFileName) {
            renderMission(out, route, params, totals, missionFileName);
          }};
}

OutputFile writeWaypoints(const wptList& route) {
  return {"wpt", "waypoint", "\n **** Wrote waypoints file : %s ****\n",
          [&](TextSink& out, const std::string&) { renderWaypoints(out, route); }};
}

OutputFile writeSurLine(const wptList& route) {
  return {"pts", "surveyline", "\n **** Wrote survey line : %s ****\n",
          [&](TextSink& out, const std::string& surLineFileName) {
            renderSurLine(out, route, surLineFileName);
          }};
}

OutputFile write_csvFwd(const wptList& route, const RouteTotals& totals) {
  return {"csv", "csv", "\n **** Wrote csv file : %s ****\n",
          [&](TextSink& out, const std::string&) { render_csvFwd(out, route, totals); }};
}

std::vector<OutputFile> missionFiles(const wptList& route, const MissionParams& params,
                                     const RouteTotals& totals) {
  return {writeMission(route, params, totals), writeWaypoints(route), writeSurLine(route),
          write_csvFwd(route, totals)};
}

namespace {

// The extension and the word for messages of every file a run can write, the four files first.
std::vector<std::pair<std::string, std::string>> everyOutputKind() {
  std::vector<std::pair<std::string, std::string>> kinds = {
      {"cfg", "mission"}, {"wpt", "waypoint"}, {"pts", "surveyline"}, {"csv", "csv"}};
  for (const ExportFormatName& entry : exportFormats()) kinds.emplace_back(entry.name, entry.name);
  return kinds;
}

// "cannot <step> <kind> output file <name>: <reason>", or for the folder "cannot <step> the
// folder of output files <base>*: <reason>", always with a line end.
[[noreturn]] void cannotWrite(const std::string& baseName, const WriteResult& r) {
  if (r.name.empty()) {
    throw NurvoError(strprintf("%s output files %s*: %s\n", cannotWords(r.failed), baseName.c_str(),
                               r.reason.c_str()));
  }
  std::string kind;
  for (const auto& [extension, word] : everyOutputKind()) {
    if (baseName + extension == r.name) kind = word;
  }
  throw NurvoError(strprintf("%s %s output file %s: %s\n", cannotWords(r.failed), kind.c_str(),
                             r.name.c_str(), r.reason.c_str()));
}

}  // namespace

void writeOutputFiles(const std::string& baseName, const std::vector<OutputFile>& files,
                      FileOps& ops, TextSink& console) {
  FileSet set(ops);
  for (const OutputFile& f : files) {
    const std::string name = baseName + f.extension;
    const WriteResult r = set.stage(name, [&](TextSink& out) { f.render(out, name); });
    if (!r.ok()) cannotWrite(baseName, r);
  }
  // A file of the stamp that this run does not write is an earlier run's: it goes with the
  // commit, so that the files of one stamp are always one run's.
  for (const auto& [extension, word] : everyOutputKind()) {
    const bool written = std::any_of(files.begin(), files.end(),
                                     [&](const OutputFile& f) { return f.extension == extension; });
    if (!written) set.stageRemoval(baseName + extension);
  }
  const WriteResult r = set.commit();
  if (!r.ok()) cannotWrite(baseName, r);
  for (const OutputFile& f : files) {
    console.print(f.confirmation.c_str(), (baseName + f.extension).c_str());
  }
}

std::vector<OutputFile> exportFiles(const std::set<ExportFormat>& formats, const wptList& route,
                                    const MissionParams& params, const RouteTotals& totals) {
  std::vector<OutputFile> files;
  for (const ExportFormatName& entry : exportFormats()) {
    if (!formats.contains(entry.format)) continue;
    files.push_back(
        {entry.name, entry.name, strprintf("\n **** Wrote %s file : %%s ****\n", entry.name),
         [&route, &params, &totals, format = entry.format](TextSink& out, const std::string& name) {
           // The stamp is the file's name without its extension.
           const ExportInput in{route, totals, params, name.substr(0, name.rfind('.'))};
           renderExport(format, out, in);
         }});
  }
  return files;
}

}  // namespace nurvo

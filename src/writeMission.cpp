#include "writeMission.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace nurvo {

DegreeDecMin toDegreeDecMin(double v) {
  DegreeDecMin s;
  s.degreeOnly = std::trunc(v);
  s.degreeDecFraction = v - s.degreeOnly;
  if (s.degreeDecFraction < 0) s.degreeDecFraction = -s.degreeDecFraction;
  s.decMin = s.degreeDecFraction * 60.0;
  // Minutes that the four decimals of the files would round to 60 are the next whole degree,
  // away from zero: 36.9999999 is 37 degrees 0 minutes, never 36 degrees 60 minutes.
  if (s.decMin >= 59.9999) {
    char text[16];
    const std::to_chars_result r =
        std::to_chars(text, text + sizeof text, s.decMin, std::chars_format::fixed, 4);
    if (std::string_view(text, static_cast<std::size_t>(r.ptr - text)) == "60.0000") {
      s.degreeOnly += v < 0 ? -1.0 : 1.0;
      s.degreeDecFraction = 0.0;
      s.decMin = 0.0;
    }
  }
  return s;
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
  out << "# " << (lat < 0 ? 'S' : 'N') << fixed(std::fabs(la.degreeOnly), 0) << ' '
      << fixed(la.decMin, 4) << ' ' << (lon < 0 ? 'W' : 'E')
      << static_cast<int>(std::fabs(lo.degreeOnly)) << ' ' << fixed(lo.decMin, 4) << '\n';
}

const char* trueFalse(int flag) {
  return flag == 1 ? "True" : "False";
}

void writeHeader(TextSink& out, const node& launch, const MissionParams& params,
                 const std::string& missionFileName) {
  out << "# Mission Filename: " << missionFileName << '\n';
  out << "#\n"
         "#\n"
         "#                   *** CAUTION *** \n"
         "#   *** THIS MISSION GENERATED WITH UTILITY nurvo ***\n"
         "#          *** Check the script file carefully ! ***\n"
         "#\n"
         "#               *** LAUNCH WAYPOINT ***\n";
  // The launch position and heading always take more characters than the widths 3 of "%3.4f"
  // and "%3.1f", so nothing is padded.
  out << "#               LAT/LON: " << fixed(launch.Lat, 4) << ' ' << fixed(launch.Lon, 4) << '\n';
  out << "#\n"
         "#               *** INITIAL HEADING *** \n";
  out << "#                        " << fixed(launch.heading, 1) << "  \n";
  out << "#\n";
  out << "#             *** abortOnTimeout is " << trueFalse(params.abortOnTimeout) << " ***\n";
  out << "#\n";
  if (params.sorbelMission == 1) {
    out << "#   *** SORBELS ARMED AT START OF MISSION ***\n"
           "# *** MOVE THE ARMING BEHAVIOR IF NECESSARY ***\n"
           "#\n";
  }
}

void writeDefinitions(TextSink& out, const MissionParams& params) {
  if (params.yoyoMission == 1) {
    out << "#define MISSION_YOYO_MIN_DEPTH " << params.missionYoyoMinDepth << '\n';
    out << "#define MISSION_YOYO_MAX_DEPTH " << params.missionYoyoMaxDepth << '\n';
    out << "#define YOYO_MIN_ALTITUDE " << params.yoyoMinAltitude << '\n';
  }
  out << "#define MISSION_SPEED " << fixed(params.missionSpeed, 3) << '\n';
  out << "#define MISSION_SPEED_SLOW " << fixed(params.missionSpeedSlow, 3) << '\n';
}

void writeTotals(TextSink& out, const RouteTotals& totals) {
  out << "\n# Expected survey line distance: " << fixed(totals.surveyLineMeters, 1) << " meters\n";
  out << "# Expected mission time: " << fixed(totals.missionTime, 1) << " seconds\n";
  out << "#    " << wholeHours(totals.missionTime) << " hours\n";
  out << "#    " << leftoverMinutes(totals.missionTime) << " minutes\n";
}

void writeMissionWideBlocks(TextSink& out, const MissionParams& params, const RouteTotals& totals) {
  out << "\n# mission timer set to 120% of estimated time of mission\n"
         "behavior missionTimer {\n";
  out << "timeOut = " << missionTimerSecs(totals.missionTime) << ";\n";
  out << "}\n"
         "\n# depth envelope set to commanded + 5 m, abort at commanded + 10\n"
         "behavior depthEnvelope {\n";
  out << " minDepth          = " << fixed(params.minDepth, 1) << ";\n";
  out << " maxDepth          = " << fixed(params.maxDepth, 1) << ";\n";
  out << " abortDepth        = " << fixed(params.abortDepth, 1) << ";\n";
  out << " abortAltitude     = " << fixed(params.abortAltitude, 1) << ";\n";
  out << " abortLockoutDepth = " << fixed(params.abortLockoutDepth, 1) << ";\n";
  out << "}\n"
         "\nbehavior getgps {\n"
         "duration       = 1800;\n"
         "minHits        = 300;\n";
  out << "abortOnTimeout = " << trueFalse(params.abortOnTimeout) << ";\n";
  out << "}\n"
         "\n# ***** Mission Ends ^ *****\n";
}

// The climb at the end of the leg P -> N: it holds the coming heading unless the vehicle turns
// sharply at N (or N is the last waypoint).
void writeAscend(TextSink& out, const node& n, bool isFinal) {
  const node& p = *n.prevPtr;
  out << "\nbehavior ascend {\n"
         "duration         = 1200;\n";
  if (isFinal || std::fabs(n.heading - p.heading) > 70.0) {
    out << "horizontalMode   = rudder;\n"
           "horizontal       = 5;\n";
  } else {
    out << "horizontalMode   = heading;\n";
    out << "horizontal       = " << roundHalfEven(p.heading) << ";\n";
  }
  out << "pitch            = 20;\n"
         "speed            = 1.5;\n"
         "endDepth         = 2;\n"
         "}\n";
}

// The run of the leg P -> N to N: a yo-yo between two depths, or straight at one depth.
void writeLegToWaypoint(TextSink& out, const node& n, const MissionParams& params) {
  const node& p = *n.prevPtr;
  const bool yoyo = params.yoyoMission == 1;
  out << (yoyo ? "\nbehavior waypoint_yoyo  {\n" : "\n# waypoint behavior\nbehavior waypoint {\n");
  out << "# leg distance = " << fixed(p.legMeters, 1) << ";\n";
  writeDegMinComment(out, n.Lat, n.Lon);
  out << "latitude      = " << fixed(n.Lat, 4) << ";\n";
  out << "longitude     = " << fixed(n.Lon, 4) << ";\n";
  if (yoyo) {
    out << "captureRadius = " << captureRadiusMeters << ";\n";
    out << "duration      = " << roundHalfEven(p.legSecs) << ";\n";
    out << "speed         = MISSION_SPEED;\n"
           "minDepth      = MISSION_YOYO_MIN_DEPTH;\n"
           "maxDepth      = MISSION_YOYO_MAX_DEPTH;\n"
           "minAltitude   = YOYO_MIN_ALTITUDE;\n"
           "maxCycles     = 2000;\n";
  } else {
    out << "captureRadius = " << captureRadiusMeters << "; \n";
    out << "duration      = " << fixed(p.legSecs, 1) << ";\n";
    out << "speed         = MISSION_SPEED; \n";
    out << "depth         = " << fixed(params.wayPointDepth, 1) << "; \n";
  }
  out << "}\n";
}

// The dive, the surface set-point on the leg's heading and the GPS fix before the leg.
void writeDiveAndFix(TextSink& out, const node& n, const MissionParams& params) {
  const int headingInt = roundHalfEven(n.prevPtr->heading);
  out << "\n# Descend behavior to 5 meters\n"
         "behavior descend {\n"
         "horizontalMode  = heading;\n";
  out << "horizontal      = " << headingInt << ";\n";
  out << "pitch           = -30;\n"
         "speed           = 1.5;\n"
         "maxDepth        = 5;\n"
         "minAltitude     = 9;\n"
         "duration        = 60;\n"
         "}\n"
         "\n# setpoint on surface to gather momentum\n"
         "behavior setpoint {\n"
         "duration     = 30;\n";
  out << "heading      = " << headingInt << ";\n";
  out << "speed        = 1.5;\n"
         "verticalMode = pitch;\n"
         "pitch        = 0;\n"
         "}\n"
         "\nbehavior getgps {\n"
         "duration       = 300;\n";
  out << "minHits        = " << params.gpsHits << ";\n";
  out << "abortOnTimeout = " << trueFalse(params.abortOnTimeout) << ";\n";
  out << "}\n";
}

// The blocks of one waypoint N, whose leg values come from the leg P -> N that arrives there,
// bottom (first run) to top: GPS fix, set-point, dive, leg, climb; then the marker below them.
void writeWaypointGroup(TextSink& out, const node& n, const MissionParams& params, bool isFinal) {
  writeAscend(out, n, isFinal);
  writeLegToWaypoint(out, n, params);
  writeDiveAndFix(out, n, params);
  out << (isFinal ? "\n# ***** FINAL WAYPOINT NUMBER: " : "\n# ***** WAYPOINT NUMBER: ")
      << n.wptNumber << " ^ *****\n";
}

void writeSorbelArming(TextSink& out) {
  out << "\n#Arm UNFIRED sorbels for adaptive firing#\n"
         "behavior ArmTheSorbel{\n"
         "duration = 5;\n";
  for (int i = 0; i < 20; ++i) out << "sorbel" << i << " = 1;\n";
  out << "}\n";
}

void writeLaunchComments(TextSink& out, const node& launch) {
  out << "\n# ***** LAUNCH WAYPOINT 0 *****\n";
  out << "# LAT/LON: " << fixed(launch.Lat, 4) << ' ' << fixed(launch.Lon, 4) << '\n';
  writeDegMinComment(out, launch.Lat, launch.Lon);
  out << "# INITIAL HEADING:  " << fixed(launch.heading, 1) << "  \n";
}

}  // namespace

void writeMission(TextSink& out, const wptList& route, const MissionParams& params,
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

void writeWaypoints(TextSink& out, const wptList& route) {
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    out << n->wptNumber << ",N" << fixed(n->Lat, 4) << ',' << fixed(n->Lon, 4)
        << ",5,250.000,0.0,0.0,255,0.000  \n";
  }
}

void writeSurLine(TextSink& out, const wptList& route, const std::string& surLineFileName) {
  out << "0," << surLineFileName << ",0,0.000,0.000,1,3,255,0,0.200,0,0,1.000 \n";
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    out << "1," << fixed(n->Lat, 4) << ',' << fixed(n->Lon, 4) << ",0.00m,0.00m,0.0,0.0,0.0  \n";
  }
}

void write_csvFwd(TextSink& out, const wptList& route, const RouteTotals& totals) {
  out << "\nWpt #, Lat, Lon, Hdg, Mtrs, Secs";
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    out << "\n\n"
        << n->wptNumber << ',' << fixed(n->Lat, 4) << ',' << fixed(n->Lon, 4) << ','
        << fixed(std::nearbyint(n->heading), 1) << ',' << fixed(std::nearbyint(n->legMeters), 1)
        << ',' << fixed(std::nearbyint(n->legSecs), 1) << ',';
    const DegreeDecMin la = toDegreeDecMin(n->Lat);
    const DegreeDecMin lo = toDegreeDecMin(n->Lon);
    out << "\n, " << fixed(la.degreeOnly, 0) << ' ' << fixed(la.decMin, 4) << ", "
        << fixed(lo.degreeOnly, 0) << ' ' << fixed(lo.decMin, 4);
  }
  out << "\n\nExpected survey line " << fixed(totals.surveyLineMeters, 1) << " meters";
  out << "\n\nExpected mission time " << fixed(totals.missionTime, 1) << " seconds\n";
  out << "    " << wholeHours(totals.missionTime) << " hours\n";
  out << "    " << leftoverMinutes(totals.missionTime) << " minutes\n";
}

}  // namespace nurvo

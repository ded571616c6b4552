#include "runFiles.h"

#include <array>

#include "nurvoError.h"
#include "routeExport.h"
#include "svgPicture.h"
#include "writeMission.h"

namespace nurvo {

namespace {

// The exports name the run by its stamp: the file's name without its extension.
ExportInput exportInput(const RunContent& c, const std::string& name) {
  return {c.route,    c.totals,
          c.params,   name.substr(0, name.rfind('.')),
          c.polygons, c.survey ? &*c.survey : nullptr};
}

constexpr std::array<RunFileKind, 8> table = {{
    {"cfg", "mission", " **** Wrote mission script: ", " **** \n", false, ExportFormat::gpx,
     [](TextSink& out, const RunContent& c, const std::string& name) {
       writeMission(out, c.route, c.params, c.totals, name);
     }},
    {"wpt", "waypoint", "\n **** Wrote waypoints file : ", " ****\n", false, ExportFormat::gpx,
     [](TextSink& out, const RunContent& c, const std::string&) { writeWaypoints(out, c.route); }},
    {"pts", "surveyline", "\n **** Wrote survey line : ", " ****\n", false, ExportFormat::gpx,
     [](TextSink& out, const RunContent& c, const std::string& name) {
       writeSurLine(out, c.route, name);
     }},
    {"csv", "csv", "\n **** Wrote csv file : ", " ****\n", false, ExportFormat::gpx,
     [](TextSink& out, const RunContent& c, const std::string&) {
       write_csvFwd(out, c.route, c.totals);
     }},
    {"gpx", "gpx", "\n **** Wrote gpx file : ", " ****\n", true, ExportFormat::gpx,
     [](TextSink& out, const RunContent& c, const std::string& name) {
       renderGpx(out, exportInput(c, name));
     }},
    {"kml", "kml", "\n **** Wrote kml file : ", " ****\n", true, ExportFormat::kml,
     [](TextSink& out, const RunContent& c, const std::string& name) {
       renderKml(out, exportInput(c, name));
     }},
    {"geojson", "geojson", "\n **** Wrote geojson file : ", " ****\n", true, ExportFormat::geojson,
     [](TextSink& out, const RunContent& c, const std::string& name) {
       renderGeoJson(out, exportInput(c, name));
     }},
    {"svg", "svg", "\n **** Wrote svg file : ", " ****\n", true, ExportFormat::svg,
     [](TextSink& out, const RunContent& c, const std::string& name) {
       renderSvg(out, exportInput(c, name));
     }},
}};

bool written(const RunFileKind& k, const RunContent& c) {
  return !k.isExport || c.exports.contains(k.format);
}

// "cannot <step> <kind> output file <name>: <reason>", or for the folder "cannot <step> the
// folder of output files <base>*: <reason>", always with a line end.
[[noreturn]] void cannotWrite(const std::string& baseName, const WriteResult& r) {
  if (r.name.empty()) {
    throw NurvoError(strprintf("%s output files %s*: %s\n", cannotWords(r.failed), baseName.c_str(),
                               r.reason.c_str()));
  }
  const char* kind = "";
  for (const RunFileKind& k : table) {
    if (baseName + k.extension == r.name) kind = k.kind;
  }
  throw NurvoError(strprintf("%s %s output file %s: %s\n", cannotWords(r.failed), kind,
                             r.name.c_str(), r.reason.c_str()));
}

}  // namespace

std::span<const RunFileKind> runFileKinds() {
  return table;
}

void writeRunFiles(const std::string& baseName, const RunContent& content, FileOps& ops,
                   TextSink& console) {
  FileSet set(ops);
  for (const RunFileKind& k : table) {
    const std::string name = baseName + k.extension;
    if (!written(k, content)) {
      // An earlier run's file of this stamp: it goes with the commit, so that the files of one
      // stamp are always one run's.
      set.stageRemoval(name);
      continue;
    }
    const WriteResult r = set.stage(name, [&](TextSink& out) { k.render(out, content, name); });
    if (!r.ok()) cannotWrite(baseName, r);
  }
  const WriteResult r = set.commit();
  if (!r.ok()) cannotWrite(baseName, r);
  for (const RunFileKind& k : table) {
    if (written(k, content))
      console << k.confirmBefore << baseName << k.extension << k.confirmAfter;
  }
}

}  // namespace nurvo

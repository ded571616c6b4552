// The files of a run: one table of them in the order they are written and confirmed (the mission
// script, the waypoints file, the survey-line file, the CSV report, then the chosen exports), and
// the writing of that set through the file writer.
#pragma once

#include <optional>
#include <set>
#include <span>
#include <string>

#include "exportFormat.h"
#include "fileWriter.h"
#include "missionParams.h"
#include "routeExport.h"
#include "textSink.h"
#include "wptList.h"

namespace nurvo {

// What a run's files are rendered from.
struct RunContent {
  const wptList& route;  // prepared: launch waypoint first, at least one more
  const MissionParams& params;
  const RouteTotals& totals;
  std::set<ExportFormat> exports;            // the exports chosen besides the four files
  std::vector<DrawnPolygon> polygons = {};   // a survey's area and keep-outs, drawn by the exports
  std::optional<SurveyFigures> survey = {};  // a survey's figures and margins, for the picture
};

// One kind of file a run can write. Its name is the run's base name plus `extension`.
struct RunFileKind {
  const char* extension;
  const char* kind;  // the word that names it in messages: "cannot write <kind> output file"
  // The confirmation once it is in place: `confirmBefore`, the file's name, `confirmAfter`.
  const char* confirmBefore;
  const char* confirmAfter;
  bool isExport;
  ExportFormat format;  // for an export, which one
  // The file's text, for its full name.
  void (*render)(TextSink& out, const RunContent& content, const std::string& name);
};

// Every kind of file a run can write, in order: the four files, then the exports.
std::span<const RunFileKind> runFileKinds();

// Writes the four files and the chosen exports as one set, each named `baseName` plus its
// extension: all are written in full before any of them replaces a file of the same name, and a
// file of this base name with another extension of the table goes in the same step (an earlier
// run's of the same minute). Then the confirmations are printed in order. A file that cannot be
// written ends the run: NurvoError naming it, the step that failed and the reason, no
// confirmation, and every earlier file of these names left as it was.
void writeRunFiles(const std::string& baseName, const RunContent& content, FileOps& ops,
                   TextSink& console);

}  // namespace nurvo

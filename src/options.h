// The command line: long options (one per mission parameter, plus the run's own switches) and the
// waypoint file's name, turned into the parameters and settings of a run.
#pragma once

#include <getopt.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "exportFormat.h"
#include "missionParams.h"
#include "routeImport.h"
#include "surveySettings.h"
#include "textSink.h"
#include "wptList.h"

namespace nurvo {

// The usage text (its fixed lines, then a line for each option they lack, such as --version),
// and the listing of the parameters as set.
std::string help();
std::string show_params(const MissionParams& params);

// What --check prints in place of writing the files: nothing asked, the text report, or JSON.
enum class CheckOutput { none, text, json };
// A survey of an area asked for on the command line, in place of a waypoint file.
struct SurveyRequest {
  std::string areaFile;                   // --area; empty when the run reads waypoints
  std::vector<std::string> keepOutFiles;  // --keep-out, in the order given
  std::string operatingAreaFile;          // --operating-area; empty: the area itself
  double keepOutMargin = 50.0;            // metres, >= 0
  // spacing, heading (none: auto), start corner, run-in and tie lines; the spacing comes from
  // --line-spacing or from --swath-width and --overlap
  SurveySettings settings;
};

// What the command line asks of a run.
struct RunSettings {
  MissionParams params;
  bool verbose = false;            // list the parameters once the options are read
  bool interactive = false;        // ask for the file and the parameters on the console
  bool usageShown = false;         // --help or --usage printed the usage text
  std::set<ExportFormat> exports;  // --export: the route's files to write beside the mission
  ImportSettings import;           // --input-format and --route: how the route file is read
  // The words that are not options, in order; none with --interactive.
  std::vector<std::string> operands;
  // With --interactive, the words it leaves unread: the file names before it, and every word after.
  std::vector<std::string> ignoredBefore;
  std::vector<std::string> ignoredAfter;
  // --version: print the program's version and end the run at once, reading nothing more.
  bool version = false;
  CheckOutput check = CheckOutput::none;  // --check: the report instead of the files
  bool strict = false;                    // --strict: an error finding stops the run unwritten
  std::optional<double> enduranceHours;   // --endurance: hours, greater than 0
  LegCut legCut = LegCut::remainder;      // --equal-legs: LegCut::equal
  SurveyRequest survey;
};

// The option table handed to getopt_long, derived from the parameter table; the last entry is
// all zeros.
std::vector<option> longOptions();

// Reads the options of argv up to the end, or up to --interactive or --version. The survey
// options need --area and --area needs one way of giving the spacing: --line-spacing, or
// --swath-width with --overlap; a survey option without them, or both ways, is refused. --help and
// --usage print the usage text on `console`. An option the parser reports as wrong (after its own
// diagnostic on the error stream) ends the run with the usage text, and a value that is not a
// number of the parameter's kind, or breaks its constraint, with the reason (NurvoError).
RunSettings parseOptions(int argc, char** argv, TextSink& console);

// Whether a word of argv before any "--" is --check=json, or an abbreviation of it that fits no
// other option: how a refusal of the command line itself is to be printed, the parser having
// stopped before it saw every option.
bool asksForJsonCheck(int argc, char** argv);

}  // namespace nurvo

#include "nurvo.h"

#include <new>
#include <optional>
#include <utility>

#include "calcs.h"
#include "checkReport.h"
#include "message.h"
#include "nurvoError.h"
#include "nurvo_user_if.h"
#include "platform.h"
#include "runFiles.h"
#include "surveyRun.h"
#include "textEncoding.h"

namespace nurvo {

namespace {

// The file as the console is to show it. Where the console writes each line end as CR LF itself,
// the CR of a CR LF line end is left to it, so that the file looks the same as on other systems.
std::string shownOnConsole(std::string text) {
  text = printable(text, Shown::lines);
  if (!consoleWritesCrLf()) return text;
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    shown += text[i];
  }
  return shown;
}

// Reads the typed file `name` into `route` and the text to echo into `text`; of a file with
// several routes, the one the operator chooses. Returns the message that refuses it, or nothing
// when it holds waypoints and every line is good. The end of console input ends the run.
std::string readTypedFile(Console& con, const std::string& name, const ImportSettings& import,
                          wptList& route, std::string& text) {
  const RouteChooser choose = [&con](std::string_view listing, std::size_t count) {
    return chooseRoute(con, listing, count);
  };
  try {
    const FilePtr file = openWaypointFile(name);
    if (!file || !readRouteFile(file.get(), name, import, route, &text, choose)) {
      return strprintf("cannot open file %s \n", name.c_str());
    }
  } catch (const NurvoError& e) {
    if (std::string_view(e.what()) == endOfConsoleInput) throw;
    return printable(e.what(), Shown::lines);
  }
  if (route.empty()) return "list is empty\n";
  return {};
}

}  // namespace

void interactiveStartup(Console& con, MissionParams& params, wptList& route,
                        const ImportSettings& import) {
  con.line("\n\nWelcome to Waypoints to ZUD_UZU mission utility.");
  con.line("Waypoint lat/lon's must be in decimal degree format.");
  con.line("eg: 36.8167 -121.8170");
  std::string name;
  std::string text;
  // The file is read whole before anything else is asked, so that a mistyped name or a bad line
  // costs one question and never the dialogue.
  for (;;) {
    con.line("What's the name of the waypoint file ? ");
    con.write(" > ");
    name = readFileName(con);
    wptList read;
    text.clear();
    const std::string problem = readTypedFile(con, name, import, read, text);
    if (problem.empty()) {
      route = std::move(read);
      break;
    }
    con.write(problem);
  }
  con.print("\n\nWaypoint filename: \n %s \n", name.c_str());
  con.line("\n\nWaypoint List:\n");
  con.write(shownOnConsole(std::move(text)));
  queryDialogue(con, params);
}

namespace {

// The run's end when the waypoint file `name` cannot be opened or read.
[[noreturn]] void cannotOpen(const std::string& name) {
  throw NurvoError(strprintf("***CANNOT OPEN FILE %s ", name.c_str()) + help(), {name},
                   "cannot open file " + name);
}

// The words --interactive leaves unread, named on the error stream.
void warnIgnored(Console& con, const RunSettings& settings) {
  const auto joined = [](const std::vector<std::string>& words) {
    std::string s;
    for (const std::string& w : words) (s += ' ') += w;
    return s;
  };
  if (!settings.ignoredBefore.empty()) {
    con.warn("ignored with --interactive, which asks for the waypoint file:" +
             joined(settings.ignoredBefore) + "\n");
  }
  if (!settings.ignoredAfter.empty()) {
    con.warn("ignored after --interactive:" + joined(settings.ignoredAfter) + "\n");
  }
}

// The run's route and, for a survey, what the check and the exports need of it.
struct RunRoute {
  wptList route;
  std::vector<DrawnPolygon> polygons;    // a survey's area and keep-outs, for the exports
  std::optional<SurveyArea> surveyArea;  // a survey's area and water, for the check
  std::optional<SurveyFigures> figures;  // a survey's figures, for the picture
};

// The route planned over the area of --area: its line ends and moves, in order.
void planSurvey(Console& con, const RunSettings& settings, RunRoute& r) {
  if (settings.interactive) {
    throw NurvoError(
        "--area and --interactive do not go together: a survey is set up on the "
        "command line\n");
  }
  if (!settings.operands.empty()) {
    throw NurvoError(
        strprintf("--area takes the place of the waypoint file: '%s' is one file "
                  "too many\n",
                  settings.operands.front().c_str()));
  }
  const SurveyPlan plan =
      planRequestedSurvey(settings.survey, &r.polygons, &r.surveyArea.emplace());
  if (settings.verbose) con.write(surveySummary(plan));
  r.figures = surveyFigures(plan, *r.surveyArea);
  for (const SurveyPoint& p : plan.points) {
    r.route.insertLatLonEnd(p.pos.lat, p.pos.lon);
    r.route.tail()->kind = p.kind;
  }
}

// The route of the one waypoint file named on the command line. False when none is named and the
// usage text was all that was asked for.
bool readNamedFile(const RunSettings& settings, wptList& route) {
  if (settings.operands.empty()) {
    if (settings.usageShown) return false;
    throw NurvoError("\n\n*** WAYPOINTS FILENAME IS MISSING ***\n" + help(), {},
                     "waypoints filename is missing");
  }
  if (settings.operands.size() > 1) {
    throw NurvoError(strprintf("more than one waypoint file: '%s' follows '%s'\n",
                               settings.operands[1].c_str(), settings.operands[0].c_str()));
  }
  const std::string& name = settings.operands.front();
  const FilePtr file = openWaypointFile(name);
  if (!file || !readRouteFile(file.get(), name, settings.import, route)) cannotOpen(name);
  return true;
}

// The run's route: planned over an area, read from the file the dialogue asks for (which also
// sets the parameters), or read from the file named. False when there is no route to make.
bool makeRoute(Console& con, RunSettings& settings, RunRoute& r) {
  if (!settings.survey.areaFile.empty()) {
    planSurvey(con, settings, r);
  } else if (settings.interactive) {
    interactiveStartup(con, settings.params, r.route, settings.import);
  } else if (!readNamedFile(settings, r.route)) {
    return false;
  }
  if (r.route.empty()) {
    const bool fromFile = settings.survey.areaFile.empty() && !settings.interactive;
    throw NurvoError("list is empty\n", {fromFile ? settings.operands.front() : std::string()});
  }
  return true;
}

// `checkAsked` is set to the report the options ask for as soon as they are read.
int runOrThrow(int argc, char** argv, Console& con, const Clock& clock, FileOps& fileOps,
               std::optional<CheckOutput>& checkAsked) {
  RunSettings settings = parseOptions(argc, argv, con);
  checkAsked = settings.check;
  if (settings.version) {
    con.print("nurvo %s\n", NURVO_VERSION);
    return 0;
  }
  const MissionParams& params = settings.params;
  if (settings.verbose) con.write(show_params(params));
  warnIgnored(con, settings);
  RunRoute r;
  if (!makeRoute(con, settings, r)) return 0;  // the usage was all that was asked for

  const RouteTotals totals = prepareRoute(r.route, params, settings.legCut);
  const MissionCheck check = checkMission(r.route, params, totals, settings.enduranceHours,
                                          r.surveyArea ? &*r.surveyArea : nullptr);
  if (settings.check != CheckOutput::none) {
    con.write(settings.check == CheckOutput::json ? checkReportJson(check)
                                                  : checkReportText(check));
    return check.hasError() ? 1 : 0;
  }
  // A finding never changes what is written; with --strict an error keeps anything from being
  // written.
  if (!check.counts.empty()) con.warn(findingLines(check));
  if (settings.strict && check.hasError()) {
    throw NurvoError(std::string("error findings with --strict") + noMissionWritten + "\n");
  }

  const std::optional<std::tm> now = clock.utcNow();
  if (!now) {
    throw NurvoError(std::string("cannot read the system clock as UTC") + noMissionWritten + "\n");
  }
  writeRunFiles(fileName(*now),
                RunContent{r.route, params, totals, settings.exports, std::move(r.polygons),
                           std::move(r.figures)},
                fileOps, con);
  return 0;
}

}  // namespace

int run(int argc, char** argv, Console& console, const Clock& clock, FileOps& fileOps) {
  // What --check asks for, once the options are read.
  std::optional<CheckOutput> checkAsked;
  // A refusal is printed as the options ask: as it is, or as the one JSON document of
  // --check=json on standard output. Where the options themselves are refused, their words say.
  // The text needs no memory: it is what is printed when even the JSON cannot be made.
  const auto refuse = [&](std::string_view text, std::string_view message,
                          const ErrorPlace& place) {
    try {
      if (checkAsked ? *checkAsked == CheckOutput::json : asksForJsonCheck(argc, argv)) {
        console.write(refusalJson(message, place));
        return;
      }
    } catch (const std::exception&) {
    }
    console.write(text);
  };
  try {
    return runOrThrow(argc, argv, console, clock, fileOps, checkAsked);
  } catch (const NurvoError& e) {
    // A message may quote what a file or the command line holds: shown as the terminal may show
    // it (the JSON escapes it).
    refuse(printable(e.what(), Shown::lines), e.message(), e.place());
  } catch (const std::bad_alloc&) {
    const std::string message = std::string("out of memory") + noMissionWritten;
    refuse("\nnurvo: " + message + "\n", message, {});
  } catch (const std::exception& e) {
    // Anything else the library throws still ends the run with its message and status 1.
    const std::string message = printable(e.what(), Shown::inLine) + noMissionWritten;
    refuse("\nnurvo: " + message + "\n", message, {});
  }
  return 1;
}

}  // namespace nurvo

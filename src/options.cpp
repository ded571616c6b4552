#include "options.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <span>
#include <utility>

#include "numberText.h"
#include "nurvoError.h"

namespace nurvo {

namespace {

// getopt_long codes of the options that are not parameters; a parameter's code is
// paramCodeBase plus its row in the parameter table. All lie beyond any character.
enum OptionCode : int {
  verboseCode = 0x100,
  briefCode,
  interactiveCode,
  versionCode,
  helpCode,
  exportCode,
  checkCode,
  strictCode,
  enduranceCode,
  inputFormatCode,
  routeCode,
  equalLegsCode,
  areaCode,
  keepOutCode,
  keepOutMarginCode,
  lineSpacingCode,
  swathWidthCode,
  overlapCode,
  lineHeadingCode,
  startCode,
  runInCode,
  tieLineSpacingCode,
  operatingAreaCode,
  paramCodeBase = 0x200,
};

[[noreturn]] void badValue(const char* option, const char* value, const char* expected) {
  throw NurvoError(strprintf("invalid value '%s' for option --%s: %s\n", value, option, expected));
}

// A survey option's value in metres or percent: finite, and at least (or above) `low`, and below
// `high` where there is one.
double surveyNumber(const char* option, const char* value, double low, bool lowAllowed,
                    double high = INFINITY, bool highAllowed = false) {
  const std::optional<double> v = parseDoubleValue(value);
  if (!v) badValue(option, value, "expected a finite decimal number");
  if (lowAllowed ? *v < low : *v <= low) {
    badValue(option, value,
             strprintf("expected a number %s %g", lowAllowed ? "of at least" : "greater than", low)
                 .c_str());
  }
  if (highAllowed ? *v > high : *v >= high) {
    badValue(
        option, value,
        strprintf("expected a number %s %g", highAllowed ? "of at most" : "below", high).c_str());
  }
  return *v;
}

// A survey distance in metres, above 0 (or at least 0 where `zeroAllowed`) and no wider than the
// widest area: beyond it no plan differs, and the geometry's arithmetic would overflow.
double surveyMetres(const char* option, const char* value, bool zeroAllowed) {
  const double v = surveyNumber(option, value, 0.0, zeroAllowed);
  if (v > maxAreaAcross) {
    badValue(option, value, strprintf("expected a number of at most %.0f", maxAreaAcross).c_str());
  }
  return v;
}

// What the survey options say, checked together once all are read.
struct SurveyWords {
  std::optional<double> lineSpacing;
  std::optional<double> swathWidth;
  std::optional<double> overlap;
  const char* firstOption = nullptr;  // the first survey option other than --area
};

struct OptionUse;

// An option of the run that is not a mission parameter.
struct RunOption {
  const char* name;
  int hasArg;  // no_argument, required_argument or optional_argument
  int code;    // what getopt_long returns for it
  // The value's name in the usage text, as in "--export LIST", or "--check[=json]" for an
  // optional value; null without a value.
  const char* valueName;
  // The option's line in the usage text, after the fixed lines; null for the options those lines
  // already name.
  const char* usage;
  // Sets what the option asks in the run's settings, or refuses its value.
  void (*apply)(const OptionUse& use);
};

// An option as the parser met it: its row of the table, its value (null without one) and what it
// sets.
struct OptionUse {
  const RunOption& option;
  const char* value;
  RunSettings& settings;
  SurveyWords& survey;
  TextSink& console;
};

// What each option does, one function for each row of the table below; a wrong value is refused
// with the option's name.
void setVerbose(const OptionUse& u) {
  u.settings.verbose = true;
}
void setBrief(const OptionUse& u) {
  u.settings.verbose = false;
}
void setInteractive(const OptionUse& u) {
  u.settings.interactive = true;
}
void setVersion(const OptionUse& u) {
  u.settings.version = true;
}
void setStrict(const OptionUse& u) {
  u.settings.strict = true;
}
void setEqualLegs(const OptionUse& u) {
  u.settings.legCut = LegCut::equal;
}
void setRoute(const OptionUse& u) {
  u.settings.import.route = u.value;
}

void showHelp(const OptionUse& u) {
  u.console.write(help());
  u.settings.usageShown = true;
}

void addExports(const OptionUse& u) {
  std::string unknown;
  if (!addExportFormats(u.value, u.settings.exports, unknown)) {
    badValue(
        u.option.name, u.value,
        strprintf("'%s' is not one of %s", unknown.c_str(), exportFormatNames().c_str()).c_str());
  }
}

void setInputFormat(const OptionUse& u) {
  u.settings.import.format = inputFormatNamed(u.value);
  if (!u.settings.import.format) {
    badValue(u.option.name, u.value, ("expected one of " + inputFormatNames()).c_str());
  }
}

void setCheck(const OptionUse& u) {
  if (u.value == nullptr) {
    u.settings.check = CheckOutput::text;
  } else if (std::string_view(u.value) == "json") {
    u.settings.check = CheckOutput::json;
  } else {
    badValue(u.option.name, u.value, "expected json, or no value for the text report");
  }
}

void setEndurance(const OptionUse& u) {
  const std::optional<double> hours = parseDoubleValue(u.value);
  if (!hours) badValue(u.option.name, u.value, "expected a finite decimal number of hours");
  if (!(*hours > 0.0)) badValue(u.option.name, u.value, "the endurance must be greater than 0");
  u.settings.enduranceHours = *hours;
}

void setArea(const OptionUse& u) {
  u.settings.survey.areaFile = u.value;
}

// Every survey option but --area notes itself: the first of them is named when --area is missing.
void noteSurveyOption(const OptionUse& u) {
  if (u.survey.firstOption == nullptr) u.survey.firstOption = u.option.name;
}

void addKeepOut(const OptionUse& u) {
  noteSurveyOption(u);
  u.settings.survey.keepOutFiles.emplace_back(u.value);
}
void setKeepOutMargin(const OptionUse& u) {
  noteSurveyOption(u);
  u.settings.survey.keepOutMargin = surveyMetres(u.option.name, u.value, true);
}
void setLineSpacing(const OptionUse& u) {
  noteSurveyOption(u);
  u.survey.lineSpacing = surveyMetres(u.option.name, u.value, false);
}
void setSwathWidth(const OptionUse& u) {
  noteSurveyOption(u);
  u.survey.swathWidth = surveyMetres(u.option.name, u.value, false);
}
void setOverlap(const OptionUse& u) {
  noteSurveyOption(u);
  u.survey.overlap = surveyNumber(u.option.name, u.value, 0.0, true, 100.0);
}
void setRunIn(const OptionUse& u) {
  noteSurveyOption(u);
  u.settings.survey.settings.runIn =
      surveyNumber(u.option.name, u.value, 0.0, true, maxRunIn, true);
}
void setTieLineSpacing(const OptionUse& u) {
  noteSurveyOption(u);
  u.settings.survey.settings.tieLineSpacing = surveyMetres(u.option.name, u.value, false);
}
void setOperatingArea(const OptionUse& u) {
  noteSurveyOption(u);
  u.settings.survey.operatingAreaFile = u.value;
}

void setLineHeading(const OptionUse& u) {
  noteSurveyOption(u);
  std::optional<double>& heading = u.settings.survey.settings.heading;
  if (std::string_view(u.value) == "auto") {
    heading.reset();
    return;
  }
  const std::optional<double> v = parseDoubleValue(u.value);
  if (!v || *v < 0.0 || *v >= 180.0) {
    badValue(u.option.name, u.value, "expected auto or degrees from 0 up to, not including, 180");
  }
  heading = *v;
}

void setStart(const OptionUse& u) {
  noteSurveyOption(u);
  using Corner = std::pair<std::string_view, StartCorner>;
  constexpr Corner corners[] = {{"sw", StartCorner::sw},
                                {"se", StartCorner::se},
                                {"nw", StartCorner::nw},
                                {"ne", StartCorner::ne}};
  for (const auto& [name, corner] : corners) {
    if (name == u.value) {
      u.settings.survey.settings.start = corner;
      return;
    }
  }
  badValue(u.option.name, u.value, "expected one of sw, se, nw, ne");
}

// Every option that is not a parameter, in the order of the option table; a parameter's options
// come after the first two. A new option is one row here, with a one-line `usage`.
constexpr RunOption runOptions[] = {
    {"verbose", no_argument, verboseCode, nullptr, nullptr, setVerbose},
    {"brief", no_argument, briefCode, nullptr, "no parameter listing (undoes --verbose)", setBrief},
    {"interactive", no_argument, interactiveCode, nullptr, nullptr, setInteractive},
    {"export", required_argument, exportCode, "LIST",
     "also write the route as gpx, kml, geojson, svg or all, comma-separated", addExports},
    {"input-format", required_argument, inputFormatCode, "FORMAT",
     "read the route file as plain, gpx, kml, geojson or csv", setInputFormat},
    {"route", required_argument, routeCode, "NAME",
     "the route to read from a file that holds several, by name or number", setRoute},
    {"help", no_argument, helpCode, nullptr, "print this text; the run goes on if a file is named",
     showHelp},
    {"usage", no_argument, helpCode, nullptr, "the same as --help", showHelp},
    {"version", no_argument, versionCode, nullptr, "print nurvo's version and end", setVersion},
    {"check", optional_argument, checkCode, "[=json]",
     "print the route's statistics and findings instead of writing files", setCheck},
    {"strict", no_argument, strictCode, nullptr, "write nothing when a finding is an error",
     setStrict},
    {"endurance", required_argument, enduranceCode, "HOURS",
     "the vehicle's endurance: a longer mission is an error", setEndurance},
    {"equal-legs", no_argument, equalLegsCode, nullptr,
     "cut a long leg into equal pieces, the fewest no longer than maxLegMeters", setEqualLegs},
    {"area", required_argument, areaCode, "FILE",
     "plan survey lines over the area in FILE, in place of a waypoint file", setArea},
    {"keep-out", required_argument, keepOutCode, "FILE", "an area the vehicle never enters",
     addKeepOut},
    {"keep-out-margin", required_argument, keepOutMarginCode, "M",
     "metres kept clear of each keep-out (50)", setKeepOutMargin},
    {"line-spacing", required_argument, lineSpacingCode, "M", "metres between survey lines",
     setLineSpacing},
    {"swath-width", required_argument, swathWidthCode, "M",
     "the sonar's swath in metres, with --overlap", setSwathWidth},
    {"overlap", required_argument, overlapCode, "PERCENT",
     "overlap of adjacent swaths, 0 up to 100", setOverlap},
    {"line-heading", required_argument, lineHeadingCode, "DEG",
     "heading of the lines, 0 up to 180, or auto (auto)", setLineHeading},
    {"start", required_argument, startCode, "CORNER",
     "corner of the first line: sw, se, nw, ne (sw)", setStart},
    {"run-in", required_argument, runInCode, "M",
     "metres each line runs beyond the area, at most 1000 (0)", setRunIn},
    {"tie-line-spacing", required_argument, tieLineSpacingCode, "M",
     "metres between tie lines across the survey lines", setTieLineSpacing},
    {"operating-area", required_argument, operatingAreaCode, "FILE",
     "the water run-ins, turns and moves may use (the area)", setOperatingArea},
};
constexpr std::size_t optionsBeforeParams = 2;

}  // namespace

std::string help() {
  std::string s =
      "\nnurvo Command Line Parameters:\n\n"
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
  // The options the fixed lines above lack, as "--export LIST...also write ...", the text at the
  // column of the fixed lines' "sets verbose mode".
  constexpr std::size_t textColumn = 16;
  for (const RunOption& o : runOptions) {
    if (o.usage == nullptr) continue;
    std::string words = std::string("--") + o.name;
    if (o.valueName != nullptr) {
      if (o.hasArg != optional_argument) words += ' ';
      words += o.valueName;
    }
    s += words;
    s.append(words.size() + 3 < textColumn ? textColumn - words.size() : 3, '.');
    (s += o.usage) += '\n';
  }
  return s;
}

std::string show_params(const MissionParams& p) {
  // Each line: the parameter's name, dots up to column 34, its value.
  constexpr std::size_t valueColumn = 34;
  std::string s = "\n\n Parameters Set:  \n";
  for (const ParamRow& row : paramTable()) {
    s += row.name;
    s.append(valueColumn - std::char_traits<char>::length(row.name), '.');
    s += row.intMember != nullptr ? strprintf(row.listingFormat, p.*row.intMember)
                                  : strprintf(row.listingFormat, p.*row.doubleMember);
    s += '\n';
  }
  return s;
}

namespace {

// Sets the parameter of `row` from an option's value, strictly.
void setParam(MissionParams& params, const ParamRow& row, const char* value) {
  if (row.intMember != nullptr) {
    const std::optional<int> v = parseIntValue(value);
    if (!v) {
      badValue(row.name, value,
               isWholeNumber(value) ? "the number is outside -2147483648 to 2147483647"
                                    : "expected a whole number");
    }
    if (!meetsConstraint(row, *v)) badValue(row.name, value, row.refusal);
    params.*row.intMember = *v;
    return;
  }
  const std::optional<double> v = parseDoubleValue(value);
  if (!v) badValue(row.name, value, "expected a finite decimal number");
  if (!meetsConstraint(row, *v)) badValue(row.name, value, row.refusal);
  params.*row.doubleMember = *v;
}

// The short options, such as "c:d:f:": each takes a value.
std::string shortOptions() {
  std::string s;
  for (const ParamRow& row : paramTable()) {
    if (row.shortOption != 0) (s += row.shortOption) += ':';
  }
  return s;
}

const ParamRow* paramOfCode(int code) {
  const auto table = paramTable();
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (code == paramCodeBase + static_cast<int>(i) || code == table[i].shortOption) {
      return &table[i];
    }
  }
  return nullptr;
}

// The row of the run's option that getopt_long returns `code` for, if any.
const RunOption* runOptionOfCode(int code) {
  const auto row = std::find_if(std::begin(runOptions), std::end(runOptions),
                                [code](const RunOption& o) { return o.code == code; });
  return row == std::end(runOptions) ? nullptr : row;
}

void checkSurvey(SurveyRequest& r, const SurveyWords& w) {
  if (r.areaFile.empty()) {
    if (w.firstOption != nullptr) {
      throw NurvoError(
          strprintf("option --%s plans a survey and needs --area FILE\n", w.firstOption));
    }
    return;
  }
  if (w.lineSpacing && (w.swathWidth || w.overlap)) {
    throw NurvoError(
        "give the line spacing one way: --line-spacing, or --swath-width with --overlap\n");
  }
  if (w.lineSpacing) {
    r.settings.spacing = *w.lineSpacing;
  } else if (w.swathWidth && w.overlap) {
    r.settings.spacing = *w.swathWidth * (1.0 - *w.overlap / 100.0);
  } else if (w.swathWidth || w.overlap) {
    throw NurvoError("--swath-width and --overlap go together: give both\n");
  } else {
    throw NurvoError(
        "--area needs the line spacing: --line-spacing M, or --swath-width M with --overlap "
        "PERCENT\n");
  }
}

}  // namespace

std::vector<option> longOptions() {
  std::vector<option> opts;
  const auto addRunOption = [&opts](const RunOption& o) {
    opts.push_back({o.name, o.hasArg, nullptr, o.code});
  };
  const std::span<const RunOption> run(runOptions);
  for (const RunOption& o : run.first(optionsBeforeParams)) addRunOption(o);
  const auto table = paramTable();
  for (std::size_t i = 0; i < table.size(); ++i) {
    opts.push_back(
        {table[i].name, required_argument, nullptr, paramCodeBase + static_cast<int>(i)});
  }
  for (const RunOption& o : run.subspan(optionsBeforeParams)) addRunOption(o);
  opts.push_back({nullptr, 0, nullptr, 0});
  return opts;
}

RunSettings parseOptions(int argc, char** argv, TextSink& console) {
  RunSettings settings;
  SurveyWords surveyWords;
  const std::vector<option> opts = longOptions();
  const std::string shorts = shortOptions();
  // The words as given, and those the parser has used (an option and its value). The parser
  // moves the words of argv about, so a word is known by its address.
  const std::vector<const char*> given(argv + 1, argv + argc);
  std::set<const char*> used;
  // The parser keeps state between calls; optind 0 starts it afresh for this argument list.
  optind = 0;
  while (!settings.interactive && !settings.version) {
    int optionIndex = 0;
    const int c = getopt_long(argc, argv, shorts.c_str(), opts.data(), &optionIndex);
    if (c == -1) break;
    used.insert(argv[optind - 1]);
    if (optarg != nullptr && optarg == argv[optind - 1]) used.insert(argv[optind - 2]);
    if (const RunOption* run = runOptionOfCode(c)) {
      run->apply({*run, optarg, settings, surveyWords, console});
    } else if (const ParamRow* row = paramOfCode(c)) {
      setParam(settings.params, *row, optarg);
    } else {
      // '?': the parser has reported an unknown option, an ambiguous abbreviation, a missing
      // value or an unwanted one. A run on a mistyped command line would quietly use defaults.
      throw NurvoError(help(), {},
                       "an option is unknown, an ambiguous abbreviation, or without its value or "
                       "with one it does not take (named on standard error)");
    }
  }
  if (settings.interactive) {
    // --interactive ends the parsing and asks for the file: every other word is left unread.
    const auto at = std::find(given.begin(), given.end(), argv[optind - 1]);
    for (auto w = given.begin(); w != given.end(); ++w) {
      if (used.count(*w) == 0)
        (w < at ? settings.ignoredBefore : settings.ignoredAfter).push_back(*w);
    }
    return settings;
  }
  for (int i = optind; i < argc; ++i) settings.operands.emplace_back(argv[i]);
  checkSurvey(settings.survey, surveyWords);
  return settings;
}

bool asksForJsonCheck(int argc, char** argv) {
  const std::vector<option> opts = longOptions();
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--") break;
    if (!word.starts_with("--") || !word.ends_with("=json")) continue;
    const std::string_view name = word.substr(2, word.size() - 2 - 5);
    if (name.empty()) continue;
    // The name or an abbreviation of it that fits no other option, as the parser reads them.
    std::size_t fits = 0;
    bool check = false;
    for (const option& o : opts) {
      if (o.name == nullptr || !std::string_view(o.name).starts_with(name)) continue;
      if (o.name == name) {
        fits = 1;
        check = o.val == checkCode;
        break;
      }
      ++fits;
      check = o.val == checkCode;
    }
    if (fits == 1 && check) return true;
  }
  return false;
}

}  // namespace nurvo

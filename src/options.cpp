#include "options.h"

#include "numberText.h"
#include "nurvoError.h"

namespace nurvo {

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

// getopt_long codes of the options that are not parameters; a parameter's code is
// paramCodeBase plus its row in the parameter table. All lie beyond any character.
enum OptionCode : int {
  verboseCode = 0x100,
  briefCode,
  interactiveCode,
  versionCode,
  helpCode,
  exportCode,
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
  paramCodeBase = 0x200,
};

// The survey options, in the order of their codes from areaCode on.
constexpr const char* surveyOptionNames[] = {
    "area",    "keep-out",     "keep-out-margin", "line-spacing", "swath-width",
    "overlap", "line-heading", "start",           "run-in",       "tie-line-spacing"};

[[noreturn]] void badValue(const char* option, const char* value, const char* expected) {
  throw NurvoError(strprintf("invalid value '%s' for option --%s: %s\n", value, option, expected));
}

// Sets the parameter of `row` from an option's value, strictly.
void setParam(MissionParams& params, const ParamRow& row, const char* value) {
  if (row.intMember != nullptr) {
    const std::optional<int> v = parseIntValue(value);
    if (!v) badValue(row.name, value, "expected a whole number");
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

// A survey option's value in metres or percent: finite, and at least (or above) `low`, and below
// `high` where there is one.
double surveyNumber(const char* option, const char* value, double low, bool lowAllowed,
                    double high = INFINITY) {
  const std::optional<double> v = parseDoubleValue(value);
  if (!v) badValue(option, value, "expected a finite decimal number");
  if (lowAllowed ? *v < low : *v <= low) {
    badValue(option, value,
             strprintf("expected a number %s %g", lowAllowed ? "of at least" : "greater than", low)
                 .c_str());
  }
  if (*v >= high) badValue(option, value, strprintf("expected a number below %g", high).c_str());
  return *v;
}

// What the survey options say, checked together once all are read.
struct SurveyWords {
  std::optional<double> lineSpacing;
  std::optional<double> swathWidth;
  std::optional<double> overlap;
  const char* firstOption = nullptr;  // the first survey option other than --area
};

void setSurveyOption(int c, const char* value, SurveyRequest& r, SurveyWords& w) {
  const char* name = surveyOptionNames[c - areaCode];
  if (c != areaCode && w.firstOption == nullptr) w.firstOption = name;
  switch (c) {
    case areaCode: r.areaFile = value; break;
    case keepOutCode: r.keepOutFiles.emplace_back(value); break;
    case keepOutMarginCode: r.keepOutMargin = surveyNumber(name, value, 0.0, true); break;
    case lineSpacingCode: w.lineSpacing = surveyNumber(name, value, 0.0, false); break;
    case swathWidthCode: w.swathWidth = surveyNumber(name, value, 0.0, false); break;
    case overlapCode: w.overlap = surveyNumber(name, value, 0.0, true, 100.0); break;
    case runInCode: r.settings.runIn = surveyNumber(name, value, 0.0, true); break;
    case tieLineSpacingCode:
      r.settings.tieLineSpacing = surveyNumber(name, value, 0.0, false);
      break;
    case lineHeadingCode:
      if (std::string_view(value) == "auto") {
        r.settings.heading.reset();
      } else {
        const std::optional<double> v = parseDoubleValue(value);
        if (!v || *v < 0.0 || *v >= 180.0) {
          badValue(name, value, "expected auto or degrees from 0 up to, not including, 180");
        }
        r.settings.heading = *v;
      }
      break;
    case startCode: {
      const std::string_view v = value;
      if (v == "sw") {
        r.settings.start = StartCorner::sw;
      } else if (v == "se") {
        r.settings.start = StartCorner::se;
      } else if (v == "nw") {
        r.settings.start = StartCorner::nw;
      } else if (v == "ne") {
        r.settings.start = StartCorner::ne;
      } else {
        badValue(name, value, "expected one of sw, se, nw, ne");
      }
      break;
    }
    default: break;
  }
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
  std::vector<option> opts = {{"verbose", no_argument, nullptr, verboseCode},
                              {"brief", no_argument, nullptr, briefCode}};
  const auto table = paramTable();
  for (std::size_t i = 0; i < table.size(); ++i) {
    opts.push_back(
        {table[i].name, required_argument, nullptr, paramCodeBase + static_cast<int>(i)});
  }
  opts.push_back({"interactive", no_argument, nullptr, interactiveCode});
  opts.push_back({"export", required_argument, nullptr, exportCode});
  opts.push_back({"help", no_argument, nullptr, helpCode});
  opts.push_back({"usage", no_argument, nullptr, helpCode});
  opts.push_back({"version", no_argument, nullptr, versionCode});
  opts.push_back({"equal-legs", no_argument, nullptr, equalLegsCode});
  for (int i = 0; i < static_cast<int>(std::size(surveyOptionNames)); ++i) {
    opts.push_back({surveyOptionNames[i], required_argument, nullptr, areaCode + i});
  }
  opts.push_back({nullptr, 0, nullptr, 0});
  return opts;
}

RunSettings parseOptions(int argc, char** argv, TextSink& console) {
  RunSettings settings;
  SurveyWords surveyWords;
  const std::vector<option> opts = longOptions();
  const std::string shorts = shortOptions();
  // The parser keeps state between calls; optind 0 starts it afresh for this argument list.
  optind = 0;
  while (!settings.interactive && !settings.version) {
    int optionIndex = 0;
    const int c = getopt_long(argc, argv, shorts.c_str(), opts.data(), &optionIndex);
    if (c == -1) break;
    if (c == verboseCode) {
      settings.verbose = true;
    } else if (c == briefCode) {
      settings.verbose = false;
    } else if (c == versionCode) {
      settings.version = true;
    } else if (c == interactiveCode) {
      settings.interactive = true;
    } else if (c == exportCode) {
      std::string unknown;
      if (!addExportFormats(optarg, settings.exports, unknown)) {
        badValue("export", optarg,
                 strprintf("'%s' is not one of %s", unknown.c_str(), exportFormatNames().c_str())
                     .c_str());
      }
    } else if (c == equalLegsCode) {
      settings.legCut = LegCut::equal;
    } else if (c >= areaCode && c <= tieLineSpacingCode) {
      setSurveyOption(c, optarg, settings.survey, surveyWords);
    } else if (c == helpCode) {
      console.write(help());
      settings.usageShown = true;
    } else if (const ParamRow* row = paramOfCode(c)) {
      setParam(settings.params, *row, optarg);
    } else {
      // '?': the parser has reported an unknown option, an ambiguous abbreviation, a missing
      // value or an unwanted one. A run on a mistyped command line would quietly use defaults.
      throw NurvoError(help());
    }
  }
  for (int i = optind; i < argc; ++i) settings.operands.emplace_back(argv[i]);
  checkSurvey(settings.survey, surveyWords);
  return settings;
}

}  // namespace nurvo

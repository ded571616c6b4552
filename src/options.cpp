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
  inputFormatCode,
  routeCode,
  paramCodeBase = 0x200,
};

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
  opts.push_back({"input-format", required_argument, nullptr, inputFormatCode});
  opts.push_back({"route", required_argument, nullptr, routeCode});
  opts.push_back({"help", no_argument, nullptr, helpCode});
  opts.push_back({"usage", no_argument, nullptr, helpCode});
  opts.push_back({"version", no_argument, nullptr, versionCode});
  opts.push_back({nullptr, 0, nullptr, 0});
  return opts;
}

RunSettings parseOptions(int argc, char** argv, TextSink& console) {
  RunSettings settings;
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
    } else if (c == inputFormatCode) {
      settings.import.format = inputFormatNamed(optarg);
      if (!settings.import.format) {
        badValue("input-format", optarg, ("expected one of " + inputFormatNames()).c_str());
      }
    } else if (c == routeCode) {
      settings.import.route = optarg;
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
  return settings;
}

}  // namespace nurvo

// A catalogue of bad input that an operator or a broken export could hand nurvo. Each is run end to
// end in an empty directory and must end with a clear message on standard output, exit status 1
// and no output file: nothing in the directory but what the case put there.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "nurvo.h"
#include "testSupport.h"

namespace nurvo::test {
namespace {

using namespace std::string_literals;

struct BadInput {
  const char* name;
  std::string file;                  // the text of route.txt
  std::vector<std::string> args;     // the command line; route.txt unless the case says otherwise
  std::string out;                   // standard output, exactly
  std::function<void()> setup = {};  // further preparation of the directory, where needed
};

// The case's name, not its bytes, in test listings.
void PrintTo(const BadInput& c, std::ostream* os) {
  *os << c.name;
}

std::string lineError(int line, const std::string& problem) {
  return "line " + std::to_string(line) + " of route.txt: " + problem + "\n";
}

// The refusal as --check=json prints it; the place's fields as JSON values.
std::string jsonRefusal(const std::string& message, const std::string& file = "null",
                        const std::string& line = "null", const std::string& column = "null") {
  return "{\n  \"error\": {\n    \"message\": \"" + message + "\",\n    \"file\": " + file +
         ",\n    \"line\": " + line + ",\n    \"column\": " + column + "\n  }\n}\n";
}

const std::string good = "36.8167 -121.8170\n36.8215 -121.7986\n";
const std::string square = "36.80 -121.90\n36.80 -121.86\n36.82 -121.86\n36.82 -121.90\n";
const std::string notTwoNumbers =
    "expected latitude and longitude in decimal degrees, separated by blanks";
const std::string nul =
    "holds a NUL byte; a waypoint file is text, one latitude and longitude per line";
const std::string tooLong =
    "is longer than 4096 bytes; a waypoint file holds one latitude and longitude per line";
const std::string utf16 = "is UTF-16 text; save the file as UTF-8 or plain text";

std::string repeat(const std::string& s, std::size_t n) {
  std::string r;
  r.reserve(s.size() * n);
  for (std::size_t i = 0; i < n; ++i) r += s;
  return r;
}

std::string utf16le(const std::string& ascii, const std::string& mark = "\xff\xfe") {
  std::string r = mark;
  for (char c : ascii) r += std::string(1, c) + '\0';
  return r;
}
std::string utf16be(const std::string& ascii) {
  std::string r = "\xfe\xff";
  for (char c : ascii) r += std::string(1, '\0') + c;
  return r;
}

std::vector<BadInput> catalogue() {
  const std::vector<std::string> file = {"route.txt"};
  const std::string longDigits(4000, '7');
  return {
      // The bytes of the file.
      {"BinaryBytes", "\x89PNG\r\n\x1a\n\xfe\xed\xfa\xce", file, lineError(1, notTwoNumbers)},
      {"OldMacLineEnds", "36.8167 -121.8170\r36.8215 -121.7986\r", file,
       lineError(
           1, "holds a carriage return inside the line; save the file with LF or CR LF line ends")},
      {"NulInsideALine", "36.8167\0 -121.8170\n"s, file, lineError(1, nul)},
      {"OnlyNulBytes", std::string(64, '\0'), file, lineError(1, nul)},
      {"Utf16Export", utf16le(good), file, lineError(1, utf16)},
      {"Utf16WithoutMark", utf16le(good, ""), file, lineError(1, utf16)},
      {"Utf16BigEndian", utf16be(good), file, lineError(1, utf16)},
      {"OneMegabyteLineOfLetters", std::string(1 << 20, 'x') + "\n" + good, file,
       lineError(1, tooLong)},
      {"LineOf4097Bytes", good + "36.8 -121.9" + std::string(4097 - 11, ' ') + "\n", file,
       lineError(3, tooLong)},
      {"LongNumberIsQuotedShort", good + longDigits + " 10\n", file,
       lineError(3, "latitude " + longDigits.substr(0, 32) + "... is outside -90 to 90")},
      {"MillionBlankLines", repeat("\n", 1'000'000), file, "list is empty\n"},
      {"MillionBlankLinesThenText", repeat("\n", 1'000'000) + "end\n", file,
       lineError(1'000'001, notTwoNumbers)},
      {"BlanksTabsAndCarriageReturnsOnly", " \t\r\n\r\n\t\t\n   ", file, "list is empty\n"},
      {"EmptyFile", "", file, "list is empty\n"},

      // Numbers that are no positions.
      {"NanAndNan", "nan nan\n", file, lineError(1, notTwoNumbers)},
      {"InfLatitude", "inf 0\n", file, lineError(1, notTwoNumbers)},
      {"NanLongitude", "36.8 nan\n", file,
       lineError(1, "expected a longitude in decimal degrees after latitude 36.8")},
      {"MinusInfLongitude", "36.8 -inf\n", file,
       lineError(1, "expected a longitude in decimal degrees after latitude 36.8")},
      {"LatitudeOverflowsToInfinity", "1e999 0\n", file,
       lineError(1, "latitude 1e999 is outside -90 to 90")},
      {"LatitudeJustAbove90", "90.0001 0\n", file,
       lineError(1, "latitude 90.0001 is outside -90 to 90")},
      {"LatitudeOutOfRangeOnLine7", repeat("36.8 -121.8\n", 6) + "-123.4 10\n", file,
       lineError(7, "latitude -123.4 is outside -90 to 90")},
      {"LongitudeJustAbove180", "0 180.5\n", file,
       lineError(1, "longitude 180.5 is outside -180 to 180")},
      {"LongitudeBelowMinus180", "10 -181\n", file,
       lineError(1, "longitude -181 is outside -180 to 180")},
      {"SwappedColumns", "-121.8170 36.8167\n", file,
       lineError(1, "latitude -121.8170 is outside -90 to 90")},
      {"HexadecimalNumbers", "0x24 -0x79\n", file, lineError(1, notTwoNumbers)},
      {"TwoDecimalPoints", "36.8.1 -121.8\n", file, lineError(1, notTwoNumbers)},
      {"DoubleSign", "--36.8 -121.8\n", file, lineError(1, notTwoNumbers)},

      // Layouts of other programs and of people.
      {"CommaSeparated", "36.8167,-121.8170\n", file, lineError(1, notTwoNumbers)},
      {"CommaAndBlank", "36.8167, -121.8170\n", file, lineError(1, notTwoNumbers)},
      {"SemicolonExportWithDecimalCommas", "36,8167;-121,8170\n", file,
       lineError(1, notTwoNumbers)},
      {"HeaderLine", "lat lon\n" + good, file, lineError(1, notTwoNumbers)},
      {"CsvHeaderLine", "Latitude,Longitude\n36.8167,-121.8170\n", file,
       lineError(1, notTwoNumbers)},
      {"DegreesMinutesText",
       "36\xc2\xb0"
       "48' -121\xc2\xb0"
       "49'\n",
       file, lineError(1, notTwoNumbers)},
      {"DegreeMinuteCommentOfAMissionScript", "# N36 49.0020 W121 49.0200\n", file,
       lineError(1, notTwoNumbers)},
      {"LoneNumber", "36.8167\n", file, lineError(1, "latitude 36.8167 but no longitude")},
      {"LoneNumberOnLine3", good + "36.8300\n", file,
       lineError(3, "latitude 36.8300 but no longitude")},
      {"BadLineFarDown", repeat("36.8 -121.8\n", 100'000) + "36.8 W121\n", file,
       lineError(100'001, "expected a longitude in decimal degrees after latitude 36.8")},

      // The file itself.
      {"DirectoryGivenAsTheFile",
       "",
       {"routes"},
       "***CANNOT OPEN FILE routes " + help(),
       [] { ::mkdir("routes", 0755); }},
      {"MissingFile", "", {"nothere.txt"}, "***CANNOT OPEN FILE nothere.txt " + help()},
      {"NoFileName",
       "",
       {"--gpsHits", "12"},
       "\n\n*** WAYPOINTS FILENAME IS MISSING ***\n" + help()},

      // Route files of other programs, read as what their option or name says.
      {"GpxPointWithoutLatitude",
       "<gpx>\n<wpt lon=\"1\"/></gpx>",
       {"--input-format", "gpx", "route.txt"},
       "route.txt:2:1: expected attribute lat (the latitude in decimal degrees)\n"},
      {"GpxAttributeGivenTwice",
       "<gpx><rte>\n<rtept lat=\"0\" lat=\"36.8167\" lon=\"-121.817\"/>\n"
       "<rtept lat=\"36.8215\" lon=\"-121.7986\"/></rte></gpx>",
       {"--input-format", "gpx", "route.txt"},
       "route.txt:2:16: the attribute \"lat\" appears twice in the tag <rtept>\n"},
      {"CsvWithTwoRoutesChosen",
       "lat,lon\n1,1\n",
       {"--input-format=csv", "--route", "North", "route.txt"},
       "route.txt holds no route named or numbered \"North\"; its routes:\n  1  (no name) (1 "
       "point)\n"},
      {"CsvDecimalCommaWidensTheRow",
       "depth,lat,lon\n12,5,36.8167,-121.8170\n",
       {"--input-format=csv", "route.txt"},
       "route.txt:2:14: expected 3 fields, as the header row has, found 4\n"},
      {"GpxRouteNameOfTwoRoutes",
       "<gpx><rte><name>Path</name><rtept lat=\"5\" lon=\"36\"/></rte><rte><name>Path</name>"
       "<rtept lat=\"36.8167\" lon=\"-121.817\"/></rte></gpx>",
       {"--input-format=gpx", "--route", "Path", "route.txt"},
       "route.txt holds 2 routes named \"Path\": 1 and 2; choose one by its number with --route "
       "N\n"},
      {"GpxOneByteOverItsLimit",
       std::string((64 << 20) + 1, ' '),
       {"--input-format", "gpx", "route.txt"},
       "route.txt is larger than 64 MiB, the most a GPX file may be\n"},
      {"RouteOfAPlainFile",
       good,
       {"--route", "1", "route.txt"},
       "--route chooses one of the routes of a GPX, KML or GeoJSON file; route.txt is read as a "
       "plain waypoint file\n"},
      {"UnknownInputFormat",
       good,
       {"--input-format", "xml", "route.txt"},
       "invalid value 'xml' for option --input-format: expected one of plain, gpx, kml, geojson, "
       "csv\n"},

      // Option values.
      {"IntOptionLetters",
       good,
       {"--gpsHits", "abc", "route.txt"},
       "invalid value 'abc' for option --gpsHits: expected a whole number\n"},
      {"IntOptionTrailingLetter",
       good,
       {"--gpsHits=12x", "route.txt"},
       "invalid value '12x' for option --gpsHits: expected a whole number\n"},
      {"IntOptionOverflow",
       good,
       {"--gpsHits", "99999999999", "route.txt"},
       "invalid value '99999999999' for option --gpsHits: the number is outside -2147483648 to "
       "2147483647\n"},
      {"IntOptionDecimal",
       good,
       {"--yoyoMission", "1.5", "route.txt"},
       "invalid value '1.5' for option --yoyoMission: expected a whole number\n"},
      {"EmptyIntValue",
       good,
       {"-c", "", "route.txt"},
       "invalid value '' for option --abortOnTimeout: expected a whole number\n"},
      {"EmptyDoubleValue",
       good,
       {"--maxDepth=", "route.txt"},
       "invalid value '' for option --maxDepth: expected a finite decimal number\n"},
      {"DoubleOptionUnit",
       good,
       {"--wayPointDepth", "50m", "route.txt"},
       "invalid value '50m' for option --wayPointDepth: expected a finite decimal number\n"},
      {"DoubleOptionDecimalComma",
       good,
       {"--missionSpeed", "1,5", "route.txt"},
       "invalid value '1,5' for option --missionSpeed: expected a finite decimal number\n"},
      {"DoubleOptionNan",
       good,
       {"--missionSpeed", "nan", "route.txt"},
       "invalid value 'nan' for option --missionSpeed: expected a finite decimal number\n"},
      {"DoubleOptionInf",
       good,
       {"--abortDepth=inf", "route.txt"},
       "invalid value 'inf' for option --abortDepth: expected a finite decimal number\n"},
      {"DoubleOptionOverflow",
       good,
       {"--minDepth", "1e999", "route.txt"},
       "invalid value '1e999' for option --minDepth: expected a finite decimal number\n"},
      {"MaxLegMetersNegative",
       good,
       {"--maxLegMeters", "-1", "route.txt"},
       "invalid value '-1' for option --maxLegMeters: the distance between surfacings must be "
       "greater than 0\n"},
      {"MaxLegMetersZero",
       good,
       {"--maxLegMeters=0.0", "route.txt"},
       "invalid value '0.0' for option --maxLegMeters: the distance between surfacings must be "
       "greater than 0\n"},
      // Surveys: route.txt is the area.
      {"AreaAndAWaypointFile",
       square,
       {"--area", "route.txt", "--line-spacing", "50", "route.txt"},
       "--area takes the place of the waypoint file: 'route.txt' is one file too many\n"},
      {"SurveyOptionWithoutArea",
       good,
       {"--line-spacing", "50", "route.txt"},
       "option --line-spacing plans a survey and needs --area FILE\n"},
      {"AreaWithoutSpacing",
       square,
       {"--area", "route.txt"},
       "--area needs the line spacing: --line-spacing M, or --swath-width M with --overlap "
       "PERCENT\n"},
      {"SpacingGivenBothWays",
       square,
       {"--area", "route.txt", "--line-spacing", "50", "--swath-width", "60", "--overlap", "10"},
       "give the line spacing one way: --line-spacing, or --swath-width with --overlap\n"},
      {"OverlapOf100",
       square,
       {"--area", "route.txt", "--swath-width", "60", "--overlap", "100"},
       "invalid value '100' for option --overlap: expected a number below 100\n"},
      {"RunInOverTheBound",
       square,
       {"--area", "route.txt", "--line-spacing", "50", "--run-in", "1e6"},
       "invalid value '1e6' for option --run-in: expected a number of at most 1000\n"},
      {"SpacingZero",
       square,
       {"--area", "route.txt", "--line-spacing", "0"},
       "invalid value '0' for option --line-spacing: expected a number greater than 0\n"},
      {"HeadingOf180",
       square,
       {"--area", "route.txt", "--line-spacing", "50", "--line-heading", "180"},
       "invalid value '180' for option --line-heading: expected auto or degrees from 0 up to, not "
       "including, 180\n"},
      {"StartNotACorner",
       square,
       {"--area", "route.txt", "--line-spacing", "50", "--start", "north"},
       "invalid value 'north' for option --start: expected one of sw, se, nw, ne\n"},
      {"AreaCrossesItself",
       "36.80 -121.90\n36.82 -121.86\n36.82 -121.90\n36.80 -121.86\n",
       {"--area", "route.txt", "--line-spacing", "50"},
       "area file route.txt: outer ring: edge 1 (vertex 1 to 2) crosses edge 3 (vertex 3 to 4) at "
       "36.810003 -121.88\n"},
      {"AreaGeoJsonWithoutPolygon",
       good,
       {"--area", "a.geojson", "--line-spacing", "50"},
       "area file a.geojson holds no Polygon\n",
       [] {
         writeFile("a.geojson", R"({"type": "LineString", "coordinates": [[1, 2], [3, 4]]})");
       }},
      {"KeepOutKmlBadCoordinate",
       square,
       {"--area", "route.txt", "--line-spacing", "50", "--keep-out", "k.kml"},
       "k.kml:3:6: latitude 91 is outside -90 to 90\n",
       [] {
         writeFile("k.kml",
                   "<kml><Placemark><Polygon><outerBoundaryIs><LinearRing><coordinates>\n"
                   "1,1 2,1 2,2\n 1,1 1,91\n</coordinates></LinearRing></outerBoundaryIs>"
                   "</Polygon></Placemark></kml>");
       }},
      {"AreaGeoJsonNestedTooDeep",
       good,
       {"--area", "a.geojson", "--line-spacing", "50"},
       "a.geojson:1:291: an array lies 257 levels deep; arrays and objects are read to 256 levels "
       "at most\n",
       [] {
         writeFile("a.geojson", R"({"type":"Feature","properties":{"a":)" +
                                    std::string(100'000, '[') + std::string(100'000, ']') +
                                    R"(},"geometry":null})");
       }},
      {"AreaOfTwoPolygons",
       good,
       {"--area", "a.geojson", "--line-spacing", "50"},
       "area file a.geojson holds 2 polygons; an area is one polygon (with its holes):\n"
       "  1  \"north bay\", line 2, first vertex 36.8 -121.9\n"
       "  2  line 4, first vertex 36.9 -121.9\n",
       [] {
         writeFile(
             "a.geojson",
             "{\"type\": \"FeatureCollection\", \"features\": [\n"
             "{\"type\": \"Feature\", \"properties\": {\"name\": \"north bay\"}, \"geometry\":"
             " {\"type\": \"Polygon\", \"coordinates\": [[[-121.9, 36.8], [-121.8, 36.8], "
             "[-121.8, 36.81]]]}},\n{\"type\": \"Feature\", \"properties\": {}, \"geometry\":\n"
             " {\"type\": \"MultiPolygon\", \"coordinates\": [[[[-121.9, 36.9], [-121.8, 36.9], "
             "[-121.8, 36.91]]]]}}]}\n");
       }},
      {"KeepOutPointWithoutMargin",
       square,
       {"--area", "route.txt", "--line-spacing", "50", "--keep-out", "k.kml", "--keep-out-margin",
        "0"},
       "keep-out file k.kml: point 2 (\"wreck B\", line 3) at 36.81 -121.88: a point is kept "
       "clear by the margin, and --keep-out-margin is 0\n",
       [] {
         writeFile("k.kml",
                   "<kml><Document><Placemark><name>wreck A</name><Polygon><outerBoundaryIs>"
                   "<LinearRing><coordinates>-121.881,36.8095 -121.879,36.8095 -121.879,36.8105"
                   "</coordinates></LinearRing></outerBoundaryIs></Polygon></Placemark>\n"
                   "<Placemark><name>wreck B</name>\n<Point><coordinates>-121.88,36.81"
                   "</coordinates></Point></Placemark></Document></kml>\n");
       }},
      {"SpacingPastTheWidestArea",
       square,
       {"--area", "route.txt", "--line-spacing", "1e20"},
       "invalid value '1e20' for option --line-spacing: expected a number of at most 200000\n"},
      {"OperatingAreaMissesTheArea",
       square,
       {"--area", "route.txt", "--line-spacing", "50", "--operating-area", "w.txt"},
       "operating area file w.txt: does not contain the area of route.txt: its vertex 2 "
       "(36.8000 -121.8600) lies outside\n",
       [] { writeFile("w.txt", "36.79 -121.91\n36.79 -121.87\n36.83 -121.87\n36.83 -121.91\n"); }},
      {"TooManyLines",
       square,
       {"--area", "route.txt", "--line-spacing", "9", "--line-heading", "0"},
       "area file route.txt: the survey would need 39440 lines; at most 20000 are planned: widen "
       "the spacing\n"},
      {"SpacingWithinTheRounding",
       square,
       {"--area", "route.txt", "--line-spacing", "0.1", "--line-heading", "0"},
       "the line spacing (0.1 m) must be wider than 8.9 m: positions written to 4 decimals of a "
       "degree lie up to 4.5 m off across the lines\n"},
      {"ValueMissingSoTheFileNameIsTaken",
       good,
       {"route.txt", "--gpsHits", "route.txt"},
       "invalid value 'route.txt' for option --gpsHits: expected a whole number\n"},
      {"EnduranceOfNoHours",
       good,
       {"--endurance", "0", "route.txt"},
       "invalid value '0' for option --endurance: the endurance must be greater than 0\n"},

      // With --check=json a refusal is one JSON document on standard output, wherever it comes
      // from: the file, the reader, the route, the command line before --check=json is read.
      {"CheckJsonOfAMissingFile",
       "",
       {"--check=json", "nothere.txt"},
       jsonRefusal("cannot open file nothere.txt", "\"nothere.txt\"")},
      {"CheckJsonOfAnEmptyFile",
       "",
       {"--check=json", "route.txt"},
       jsonRefusal("list is empty", "\"route.txt\"")},
      {"CheckJsonOfABadLine",
       good + "36.8 W121\n",
       {"--check=json", "route.txt"},
       jsonRefusal("line 3 of route.txt: expected a longitude in decimal degrees after latitude "
                   "36.8",
                   "\"route.txt\"", "3")},
      {"CheckJsonOfAGpxPointWithoutLatitude",
       "<gpx>\n<wpt lon=\"1\"/></gpx>",
       {"--input-format", "gpx", "--check=json", "route.txt"},
       jsonRefusal("route.txt:2:1: expected attribute lat (the latitude in decimal degrees)",
                   "\"route.txt\"", "2", "1")},
      {"CheckJsonAbbreviatedAfterABadValue",
       good,
       {"--gpsHits", "abc", "--che=json", "route.txt"},
       jsonRefusal("invalid value 'abc' for option --gpsHits: expected a whole number")},

      // A mission the check finds wrong.
      {"StrictWithAnErrorFinding",
       "36.8 -121.9\n36.8 -121.9\n",
       {"--strict", "route.txt"},
       "error findings with --strict: no mission written\n"},
  };
}

class BadInputTest : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputTest, GivesItsMessageStatus1AndNoFile) {
  const BadInput& c = GetParam();
  ScratchDir dir;
  writeFile("route.txt", c.file);
  if (c.setup) c.setup();
  const auto before = directoryEntries();

  const RunResult r = runNurvoLimited(c.args, RunLimits{.seconds = 60});

  EXPECT_EQ(r.status, 1);
  if (c.out.size() < 4096) {
    EXPECT_EQ(r.out, c.out);
  } else {
    EXPECT_TRUE(r.out == c.out) << "standard output differs (" << r.out.size() << " bytes)";
  }
  EXPECT_TRUE(directoryEntries() == before) << "the run left or changed files";
}

INSTANTIATE_TEST_SUITE_P(Catalogue, BadInputTest, ::testing::ValuesIn(catalogue()),
                         [](const ::testing::TestParamInfo<BadInput>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
}  // namespace nurvo::test

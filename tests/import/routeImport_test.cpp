// Route files in the formats of other programs: what each reader takes and what it refuses (one
// row each, with the position in the message), the routes of a file that holds several, nurvo's
// own exports read back, and files converted by tools nobody here wrote.
#include "routeImport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "nurvoError.h"
#include "testSupport.h"

namespace nurvo::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using F = InputFormat;

const std::string gpx1 = "<gpx><rte><rtept lat=\"36.8\" lon=\"-121.8\"/>\n";
const std::string gpxEnd = "</rte></gpx>";

std::string repeat(const std::string& s, std::size_t n) {
  std::string r;
  r.reserve(s.size() * n);
  for (std::size_t i = 0; i < n; ++i) r += s;
  return r;
}

struct Refusal {
  const char* name;
  InputFormat format;
  std::string text;
  std::string message;  // after "f:", or after "f" where it starts with a blank
};

TEST(ImportRoute, RefusesEachFaultWithItsPosition) {
  const std::vector<Refusal> rows = {
      {"GpxLatitudeMissing", F::gpx, gpx1 + "<rtept lon=\"1\"/>" + gpxEnd,
       "2:1: expected attribute lat (the latitude in decimal degrees)"},
      {"GpxLatitudeEmpty", F::gpx, gpx1 + "<rtept lat=\" \" lon=\"1\"/>" + gpxEnd,
       "2:13: expected a latitude, found nothing"},
      {"GpxLongitudeNotANumber", F::gpx, gpx1 + "<rtept lat=\"1\" lon=\"W121\"/>" + gpxEnd,
       "2:21: expected a longitude in decimal degrees, found \"W121\""},
      {"GpxDecimalComma", F::gpx, gpx1 + "<rtept lat=\"36,8\" lon=\"1\"/>" + gpxEnd,
       "2:13: latitude \"36,8\" has a decimal comma; write it with a period"},
      {"GpxNan", F::gpx, gpx1 + "<rtept lat=\"NaN\" lon=\"1\"/>" + gpxEnd,
       "2:13: expected a latitude in decimal degrees, found \"NaN\""},
      {"GpxLatitudeOutOfRange", F::gpx, gpx1 + "<rtept lat=\"90.5\" lon=\"1\"/>" + gpxEnd,
       "2:13: latitude 90.5 is outside -90 to 90"},
      {"GpxLongitudeOverflows", F::gpx, gpx1 + "<rtept lat=\"1\" lon=\"1e999\"/>" + gpxEnd,
       "2:21: longitude 1e999 is outside -180 to 180"},
      {"GpxThatIsKml", F::gpx, "<?xml version=\"1.0\"?>\n<kml/>",
       "2:1: expected GPX (root element <gpx>), found root element <kml>"},
      {"GpxThatIsJson", F::gpx, "\n{\"type\": 1}",
       "2:1: expected XML, found text outside any "
       "element: \"{\"type\": 1}\""},
      {"BillionLaughs", F::gpx,
       "<?xml version=\"1.0\"?>\n<!DOCTYPE g [<!ENTITY a \"aaaaaaaa\"><!ENTITY b "
       "\"&a;&a;&a;&a;&a;&a;\">]>\n<gpx><wpt lat=\"&b;\" lon=\"1\"/></gpx>",
       "2:1: found \"<!DOCTYPE g [<!ENTITY a ...\": a document type or other declaration is "
       "refused, no DTD is read"},
      {"XmlEndTagMismatch", F::gpx, gpx1 + "</rtept>" + gpxEnd,
       "2:1: end tag </rtept> where </rte> (line 1) was expected"},
      {"XmlNotClosed", F::gpx, gpx1, "1:6: the element <rte> is not closed"},
      {"XmlAttributeTwice", F::gpx,
       gpx1 + "<rtept lat=\"0\" lat=\"36.8167\" lon=\"-121.817\"/>" + gpxEnd,
       "2:16: the attribute \"lat\" appears twice in the tag <rtept>"},
      {"XmlAttributeWithoutValue", F::gpx, gpx1 + "<rtept lat lon=\"1\"/>" + gpxEnd,
       "2:12: expected \"=\" after the attribute \"lat\", found \"lon=\"1\"/></rte></gpx>\""},
      {"XmlAttributesRunTogether", F::gpx, gpx1 + "<rtept lat=\"1\"lon=\"1\"/>" + gpxEnd,
       "2:15: expected a blank before the attribute \"lon\""},
      {"XmlEndTagWithMore", F::gpx, gpx1 + "</rte x>" + "</gpx>",
       "2:7: expected \">\" to end the end tag </rte>, found \"x></gpx>\""},
      {"XmlEntityNotDefined", F::gpx, gpx1 + "<name>Bay&nbsp;route</name>" + gpxEnd,
       "2:10: the entity &nbsp; is not defined (no DTD is read): write &lt; &gt; &amp; &apos; "
       "&quot; or a character reference such as &#160;"},
      {"XmlBareAmpersand", F::gpx, gpx1 + "<name>Moss & Monterey</name>" + gpxEnd,
       "2:12: found a bare \"&\"; write it as &amp;"},
      {"XmlCharacterReferenceToNul", F::gpx, gpx1 + "<name>&#x0;</name>" + gpxEnd,
       "2:7: the character reference &#x0; names no character that XML allows"},
      {"XmlLessThanInAttribute", F::gpx, gpx1 + "<rtept lat=\"<1\" lon=\"1\"/>" + gpxEnd,
       "2:13: found \"<\" in the value of the attribute \"lat\"; write it as &lt;"},
      {"XmlCdataBeforeRoot", F::kml, "<![CDATA[x]]>\n<kml/>",
       "1:1: expected XML, found a CDATA section outside any element"},
      {"XmlTextAfterRoot", F::gpx, gpx1 + gpxEnd + "\n&amp;",
       "3:1: expected XML, found text outside any element: \"&amp;\""},
      {"XmlDoubleDashInComment", F::gpx, gpx1 + "<!-- a -- b -->" + gpxEnd,
       "2:8: found \"--\" inside a comment, where XML allows it only in the closing -->"},
      {"XmlColumnInCharacters", F::gpx,
       "<gpx><rte><name>Bahía</name><rtept lat=\"1\" lon=\"1e\"/>" + gpxEnd,
       "1:49: expected a longitude in decimal degrees, found \"1e\""},
      {"XmlNestedTooDeep", F::gpx,
       gpx1 + "<extensions>" + repeat("<e>", 100'000) + repeat("</e>", 100'000) + "</extensions>" +
           gpxEnd,
       "2:772: the element <e> lies 257 levels deep; elements are read to 256 levels at most"},
      {"Utf16", F::gpx, "\xff\xfe<\0g\0"s,
       "1: the file is UTF-16 text; save the file as UTF-8 or plain text"},
      {"NulByte", F::kml, "<kml>\n \0</kml>"s, "2:2: holds a NUL byte; a route file is text"},
      {"KmlTupleWithoutLatitude", F::kml,
       "<kml><Placemark><LineString><coordinates>\n 1,2\n 3, 4</coordinates></LineString>"
       "</Placemark></kml>",
       "3:2: expected a latitude, found nothing"},
      {"KmlPointWithTwoTuples", F::kml,
       "<kml><Placemark>\n<Point><coordinates>1,2 3,4</coordinates></Point></Placemark></kml>",
       "2:1: expected one longitude,latitude in a Point, found 2"},
      {"KmlTupleAfterComment", F::kml,
       "<kml><Placemark><LineString><coordinates><![CDATA[1,2]]> <!-- the turn -->\n 3,"
       "</coordinates></LineString></Placemark></kml>",
       "2:2: expected a latitude, found nothing"},
      {"KmlTupleAfterReference", F::kml,
       "<kml><Placemark><LineString><coordinates>1,2&#10;3,4 &#x20;5,x</coordinates>"
       "</LineString></Placemark></kml>",
       "1:60: expected a latitude in decimal degrees, found \"x\""},
      {"GeoJsonLatitudeAsString", F::geojson,
       "{\"type\":\"LineString\",\"coordinates\":[[1,2],\n [3,\"4\"]]}",
       "2:5: expected a latitude in decimal degrees, found the string \"4\""},
      {"GeoJsonPositionOfOne", F::geojson, "{\"type\":\"Point\",\n\"coordinates\":[1]}",
       "2:15: expected a position [longitude, latitude] or [longitude, latitude, altitude], "
       "found an array of 1"},
      {"GeoJsonLongitudeOutOfRange", F::geojson, "{\"type\":\"Point\",\"coordinates\":[-181,2]}",
       "1:32: longitude -181 is outside -180 to 180"},
      {"GeoJsonNumberOverflows", F::geojson, "{\"type\":\"Point\",\"coordinates\":[1,1e999]}",
       "1:34: a number too large for a double"},
      {"GeoJsonKeyTwice", F::geojson, "{\"type\":\"Point\",\"coordinates\":[1,2],\n \"type\":1}",
       "2:2: the key \"type\" appears twice in one object"},
      {"GeoJsonSyntax", F::geojson, "{\"type\":\"Point\",\n \"coordinates\":[1,2],}",
       "2:22: not valid JSON: syntax error while parsing object key - unexpected '}'; expected "
       "string literal"},
      {"GeoJsonNestedTooDeep", F::geojson,
       "{\"type\":\"Point\",\"coordinates\":[1,2],\"properties\":{\"a\":\n\"[{\"," +
           std::string(100'000, '[') + std::string(100'000, ']') + "}}",
       "2:260: an array lies 257 levels deep; arrays and objects are read to 256 levels at most"},
      {"GeoJsonThatIsAList", F::geojson, "[1, 2]",
       "1:1: expected a GeoJSON object with a \"type\", found an array of 2"},
      {"CsvWithoutHeader", F::csv, "36.8,-121.8\n",
       "1:1: expected a header row naming the latitude (lat or latitude) and longitude (lon, lng, "
       "long or longitude) columns, separated by commas, semicolons or tabs; found "
       "\"36.8,-121.8\""},
      {"CsvDecimalComma", F::csv, "Lat;Lon\n36.8;-121.8\n36,9;-121.8\n",
       "3:1: latitude \"36,9\" has a decimal comma; write it with a period"},
      {"CsvEmptyLongitude", F::csv, "name,lat,lon\r\na,36.8,\r\n",
       "2:8: expected a longitude, found nothing"},
      {"CsvShortRow", F::csv, "lat,lon\n36.8\n",
       "2:1: expected a longitude in field 2, found 1 fields"},
      {"CsvInf", F::csv, "lat,lon\n36.8,-inf\n",
       "2:6: expected a longitude in decimal degrees, found \"-inf\""},
      {"CsvQuoteNotClosed", F::csv, "lat,lon\n\"36.8,-121\n",
       "2:1: the quoted field is not closed"},
      {"CsvRowWiderThanHeader", F::csv, "depth,lat,lon\n12,5,36.8167,-121.8170\n",
       "2:14: expected 3 fields, as the header row has, found 4"},
      {"CsvValueWithControlCharacters", F::csv, "lat,lon\n\x1b[2J\x1b[H\n,1\n",
       "2:1: expected a latitude in decimal degrees, found \"?[2J?[H\""},
      {"KmlTrackCoordOfOneNumber", F::kml,
       "<kml><Placemark><gx:Track><gx:coord>1 2 0</gx:coord>\n<gx:coord>3</gx:coord>"
       "</gx:Track></Placemark></kml>",
       "2:1: expected \"longitude latitude altitude\" in <gx:coord>, found 1 word"},
      {"KmlTrackLatitudeOutOfRange", F::kml,
       "<kml><Placemark><gx:Track><gx:coord>\n 3 91 0</gx:coord></gx:Track></Placemark></kml>",
       "2:4: latitude 91 is outside -90 to 90"},
      // Files that hold no route name what they hold.
      {"GpxWithoutPoints", F::gpx, "<gpx><rte><name>A</name></rte></gpx>",
       " holds no route point, track point or waypoint (rtept, trkpt, wpt)"},
      {"KmlPolygonOnly", F::kml,
       "<kml><Placemark><Polygon><outerBoundaryIs><LinearRing><coordinates>0,0 1,0 1,1 0,0"
       "</coordinates></LinearRing></outerBoundaryIs></Polygon></Placemark></kml>",
       " holds no LineString, gx:Track or Point: found 1 Polygon; a polygon is a survey area, "
       "given with --area FILE"},
      {"GeoJsonMultiLineStringOfTwoParts", F::geojson,
       R"({"type":"Feature","properties":{},"geometry":{"type":"MultiLineString",)"
       R"("coordinates":[[[1,1],[1,2]],[[1,3],[1,4]]]}})",
       " holds no LineString or Point: found 1 MultiLineString of several parts"},
      {"GeoJsonPolygonsAndAnEmptyFeature", F::geojson,
       R"({"type":"FeatureCollection","features":[{"type":"Feature","geometry":null},)"
       R"({"type":"Feature","geometry":{"type":"Polygon","coordinates":[]}},)"
       R"({"type":"Feature","geometry":{"type":"Polygon","coordinates":[]}}]})",
       " holds no LineString or Point: found 1 Feature without a geometry, 2 Polygons; a polygon "
       "is a survey area, given with --area FILE"},
      {"GeoJsonEmptyCollection", F::geojson, R"({"type":"FeatureCollection","features":[]})",
       " holds no LineString or Point: found a FeatureCollection without a Feature"},
  };
  for (const Refusal& r : rows) {
    try {
      importRoute(r.text, r.format, "f", std::nullopt);
      ADD_FAILURE() << r.name << ": not refused";
    } catch (const NurvoError& e) {
      EXPECT_EQ(e.what(), (r.message.starts_with(' ') ? "f" : "f:") + r.message + "\n") << r.name;
    }
  }
}

struct Reading {
  const char* name;
  InputFormat format;
  std::string text;
  std::optional<std::string> route;
  std::vector<double> latitudes;  // of the points read; their longitudes are all 1
};

// The description nurvo's exports give a route, and a Point feature of its GeoJSON export.
const std::string exportDesc =
    "4 waypoints: launch 0, 2 survey, 1 inserted; total length 1.0 m, mission time 1.0 s (0 h 0 "
    "min); maxLegMeters 3600.0 m; fixed-depth legs at 50.0 m";
std::string geoJsonPoint(const std::string& kind, int latitude) {
  return R"({"type":"Feature","properties":{"number":0,"kind":")" + kind +
         R"(","legMeters":null},"geometry":{"type":"Point","coordinates":[1,)" +
         std::to_string(latitude) + "]}}";
}
// A line and the launch and survey points of nurvo's KML export, without its description.
const std::string kmlLineAndKinds =
    "<Placemark><LineString><coordinates>1,1 1,2</coordinates></LineString></Placemark>"
    "<Placemark><ExtendedData><Data name=\"kind\"><value>launch</value></Data></ExtendedData>"
    "<Point><coordinates>1,1</coordinates></Point></Placemark><Placemark><ExtendedData>"
    "<Data name=\"kind\"><value>survey</value></Data></ExtendedData><Point><coordinates>1,2"
    "</coordinates></Point></Placemark>";

TEST(ImportRoute, ReadsTheRouteOfEachFormat) {
  const std::string twoRoutes =
      "<gpx><rte><name>A</name><rtept lat=\"1\" lon=\"1\"/></rte><rte><name>B</name>"
      "<rtept lat=\"2\" lon=\"1\"/><rtept lat=\"3\" lon=\"1\"/></rte></gpx>";
  const std::vector<Reading> rows = {
      {"ByteOrderMarkSkipped",
       F::gpx,
       "\xef\xbb\xbf<gpx><wpt lat=\"5\" lon=\"1\"/></gpx>",
       {},
       {5}},
      {"RouteBeforeTrackBeforeWaypoints",
       F::gpx,
       "<gpx:gpx xmlns:gpx=\"g\"><gpx:wpt lat=\"9\" lon=\"1\"/><trk><trkseg><trkpt lat=\"8\" "
       "lon=\"1\"/></trkseg></trk><rte/><rte><rtept lat=\"7\" lon=\"1\"/></rte></gpx:gpx>",
       {},
       {7}},
      {"TrackSegmentsJoined",
       F::gpx,
       "<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"1\"/></trkseg><trkseg><trkpt lat=\"2\" "
       "lon=\"1\"/></trkseg></trk></gpx>",
       {},
       {1, 2}},
      {"RouteByName", F::gpx, twoRoutes, "B", {2, 3}},
      {"RouteByPosition", F::gpx, twoRoutes, "1", {1}},
      {"GpxTypesOfAnotherProgramKept",
       F::gpx,
       "<gpx creator=\"OpenCPN\"><rte><rtept lat=\"1\" lon=\"1\"><type>launch</type></rtept>"
       "<rtept lat=\"2\" lon=\"1\"><type>survey</type></rtept><rtept lat=\"3\" lon=\"1\">"
       "<type>inserted</type></rtept></rte></gpx>",
       {},
       {1, 2, 3}},
      {"GpxExportLeavesOutLaunchAndInserted",
       F::gpx,
       "<gpx creator=\"nurvo 1.0\"><rte><desc>" + exportDesc +
           "</desc><rtept lat=\"1\" lon=\"1\"><type>launch</type></rtept><rtept lat=\"2\" "
           "lon=\"1\"><type>survey</type></rtept><rtept lat=\"3\" lon=\"1\"><type>inserted</type>"
           "</rtept><rtept lat=\"4\" lon=\"1\"><type>survey</type></rtept></rte></gpx>",
       {},
       {2, 4}},
      {"KmlPointsInDocumentOrder",
       F::kml,
       "<kml><Document><Placemark><Point><coordinates>1,3,-5</coordinates></Point></Placemark>"
       "<Folder><Placemark><Point><coordinates>\n1,4\n</coordinates></Point></Placemark></Folder>"
       "</Document></kml>",
       {},
       {3, 4}},
      {"KmlExportGivesItsSurveyPoints",
       F::kml,
       "<kml><Document><description>" + exportDesc + "</description>" + kmlLineAndKinds +
           "</Document></kml>",
       {},
       {2}},
      {"KmlLineOfAnotherProgramWithKinds",
       F::kml,
       "<kml><Document>" + kmlLineAndKinds + "</Document></kml>",
       {},
       {1, 2}},
      {"KmlTrack",
       F::kml,
       "<kml><Placemark><gx:MultiTrack><gx:Track><when>2026-01-01T00:00:00Z</when><gx:coord>1 5 "
       "-3</gx:coord>\n<gx:coord> 1 6</gx:coord></gx:Track></gx:MultiTrack></Placemark></kml>",
       {},
       {5, 6}},
      {"GeoJsonFeatureLineString",
       F::geojson,
       "{\"type\":\"Feature\",\"properties\":null,\"geometry\":{\"type\":\"LineString\","
       "\"coordinates\":[[1,6,0],[1,7]]}}",
       {},
       {6, 7}},
      {"GeoJsonPointsWhereNoLine",
       F::geojson,
       "{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\",\"geometry\":null},"
       "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[1,8]}},"
       "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[]}}]}",
       {},
       {8}},
      {"GeoJsonSurveyExportGivesLineEndsAndMoves",
       F::geojson,
       R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"stamp":"s",)"
       R"("waypoints":3,"maxLegMeters":3600.0,"depthMode":"fixed"},"geometry":{"type":)"
       R"("LineString","coordinates":[[1,1],[1,5]]}},)" +
           geoJsonPoint("launch", 1) + "," + geoJsonPoint("line end", 2) + "," +
           geoJsonPoint("move", 3) +
           R"(,{"type":"Feature","properties":{"role":"area"},"geometry":{"type":"Polygon",)"
           R"("coordinates":[[[1,1],[2,1],[2,2],[1,1]]]}}]})",
       {},
       {2, 3}},
      {"GeoJsonTransectWithStationsOfKindSurvey",
       F::geojson,
       R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"name":"T"},)"
       R"("geometry":{"type":"LineString","coordinates":[[1,1],[1,2],[1,3],[1,4],[1,5],[1,6]]}},)" +
           geoJsonPoint("survey", 2) + "," + geoJsonPoint("survey", 5) + "]}",
       {},
       {1, 2, 3, 4, 5, 6}},
      {"GeoJsonMultiLineStringOfOnePart",
       F::geojson,
       R"({"type":"MultiLineString","coordinates":[[[1,7],[1,8]]]})",
       {},
       {7, 8}},
      {"CsvQuotedFieldsAndTabs",
       F::csv,
       "\"na\"\"me\"\t LATITUDE \tLng\n\"a\tb\"\t\"-1.5\"\t1\n\n\"c\nd\"\t2\t1\n",
       {},
       {-1.5, 2}},
  };
  for (const Reading& r : rows) {
    std::vector<double> latitudes;
    try {
      for (const GeoPoint& p : importRoute(r.text, r.format, "f", r.route)) {
        latitudes.push_back(p.lat);
        EXPECT_EQ(p.lon, 1.0) << r.name;
      }
    } catch (const NurvoError& e) {
      ADD_FAILURE() << r.name << ": " << e.what();
    }
    EXPECT_EQ(latitudes, r.latitudes) << r.name;
  }
}

TEST(ImportRoute, ListsTheRoutesWhereNoneIsChosen) {
  const std::string twoRoutes =
      "<kml><Placemark><name>North</name><LineString><coordinates>1,1 2,2</coordinates>"
      "</LineString></Placemark><Placemark><LineString><coordinates>3,3</coordinates>"
      "</LineString></Placemark></kml>";
  const std::string list = "  1  \"North\" (2 points)\n  2  (no name) (1 point)\n";
  // Names as a foreign file may give them: with escape sequences, very long, shared.
  const auto collection = [](const std::vector<std::string>& names) {
    std::string text = R"({"type":"FeatureCollection","features":[)";
    for (const std::string& name : names) {
      if (&name != &names.front()) text += ',';
      text += R"({"type":"Feature","properties":{"name":")" + name +
              R"("},"geometry":{"type":"LineString","coordinates":[[1,1],[1,2]]}})";
    }
    return text + "]}";
  };
  std::string eAcutes;
  for (int i = 0; i < 10; ++i) eAcutes += "\xc3\xa9";
  // 65 characters, 75 bytes: cut after 60 characters, never inside one.
  std::vector<std::string> names = {R"(\u001b[2J\u001b[HMission check passed\n)",
                                    std::string(55, 'x') + eAcutes};
  names.resize(25, "Path");
  std::string manyList = "  1  \"?[2J?[HMission check passed?\" (2 points)\n  2  \"" +
                         std::string(55, 'x') + eAcutes.substr(0, 10) + "...\" (2 points)\n";
  for (int i = 3; i <= 20; ++i) manyList += "  " + std::to_string(i) + "  \"Path\" (2 points)\n";
  manyList += "  ... and 5 more\n";
  const struct {
    InputFormat format;
    std::string file;
    std::optional<std::string> route;
    std::string message;
  } rows[] = {
      {F::kml, twoRoutes, std::nullopt,
       "f holds 2 routes; choose one with --route NAME or --route N:\n" + list},
      {F::kml, twoRoutes, "3", "f holds no route named or numbered \"3\"; its routes:\n" + list},
      {F::geojson, collection(names), std::nullopt,
       "f holds 25 routes; choose one with --route NAME or --route N:\n" + manyList},
      {F::geojson, collection({"Path", "North", "Path"}), "Path",
       "f holds 2 routes named \"Path\": 1 and 3; choose one by its number with --route N\n"},
      {F::geojson, collection(names), "Path",
       "f holds 23 routes named \"Path\": 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, "
       "19, 20, 21, 22 and 3 more; choose one by its number with --route N\n"},
  };
  for (const auto& r : rows) {
    try {
      importRoute(r.file, r.format, "f", r.route);
      ADD_FAILURE() << "not refused: " << r.message;
    } catch (const NurvoError& e) {
      EXPECT_EQ(e.what(), r.message);
    }
  }
}

// The shapes a polygon file gives, in order, each as its name, its feature and the number of
// points of each ring (outer ring first), or "point".
TEST(ImportPolygon, ReadsTheShapesOfEachFormat) {
  const struct {
    const char* name;
    InputFormat format;
    std::string text;
    const char* shapes;
  } rows[] = {
      {"KmlPolygonsWithHolesAndPointsInMultiGeometry", F::kml,
       "<kml><Placemark><LineString><coordinates>1,1 2,2</coordinates></LineString></Placemark>"
       "<Folder><Placemark><name>A</name><MultiGeometry><Polygon><outerBoundaryIs><LinearRing>"
       "<coordinates>0,0 3,0 3,3 0,3</coordinates></LinearRing></outerBoundaryIs><innerBoundaryIs>"
       "<LinearRing><coordinates>1,1 2,1 2,2</coordinates></LinearRing></innerBoundaryIs>"
       "<innerBoundaryIs><LinearRing><coordinates>1,2 1,2.5 1.5,2.5</coordinates></LinearRing>"
       "</innerBoundaryIs></Polygon><Point><coordinates>5,5</coordinates></Point></MultiGeometry>"
       "</Placemark><Placemark id=\"p7\"><Polygon><outerBoundaryIs><LinearRing><coordinates>"
       "0,0 1,0 1,1</coordinates></LinearRing></outerBoundaryIs></Polygon></Placemark></Folder>"
       "</kml>",
       "\"A\" 2: 4 3 3; \"A\" 2: point; \"p7\" 3: 3"},
      {"KmlExportPointsAreRouteNotShapes", F::kml,
       "<kml><Placemark><ExtendedData><Data name=\"role\"><value>area</value></Data>"
       "</ExtendedData><Polygon><outerBoundaryIs><LinearRing><coordinates>0,0 1,0 1,1"
       "</coordinates></LinearRing></outerBoundaryIs></Polygon></Placemark><Placemark>"
       "<ExtendedData><Data name=\"kind\"><value>line end</value></Data></ExtendedData><Point>"
       "<coordinates>5,5</coordinates></Point></Placemark></kml>",
       "area 1: 3"},
      {"GeoJsonFeaturePolygon", F::geojson,
       R"({"type":"Feature","geometry":{"type":"Polygon","coordinates":[[[0,0],[3,0],[3,3],[0,0]]]}})",
       "1: 4"},
      {"GeoJsonCollectionOfPolygonsMultiPolygonsAndPoints", F::geojson,
       R"({"type":"FeatureCollection","features":[)"
       R"({"type":"Feature","properties":{"name":"w1"},"geometry":{"type":"Polygon",)"
       R"("coordinates":[[[0,0],[1,0],[1,1]]]}},)"
       R"({"type":"Feature","id":12,"properties":null,"geometry":{"type":"MultiPolygon",)"
       R"("coordinates":[[[[0,0],[1,0],[1,1]]],[[[5,5],[6,5],[6,6],[5,6]],[[5.1,5.1],[5.2,5.1],)"
       R"([5.2,5.2]]]]}},)"
       R"({"type":"Feature","properties":{"name":"buoys"},"geometry":{"type":"MultiPoint",)"
       R"("coordinates":[[2,2],[3,3]]}},)"
       R"({"type":"Feature","properties":{"kind":"move"},"geometry":{"type":"Point",)"
       R"("coordinates":[4,4]}},)"
       R"({"type":"Feature","properties":{},"geometry":{"type":"GeometryCollection",)"
       R"("geometries":[{"type":"Point","coordinates":[7,7]}]}}]})",
       "\"w1\" 1: 3; \"12\" 2: 3; \"12\" 2: 4 3; \"buoys\" 3: point; \"buoys\" 3: point; 5: point"},
      {"GpxClosedTrack", F::gpx,
       "<gpx><trk><trkseg><trkpt lat=\"0\" lon=\"0\"/><trkpt lat=\"0\" lon=\"1\"/>"
       "</trkseg><trkseg><trkpt lat=\"1\" lon=\"1\"/></trkseg></trk></gpx>",
       "1: 3"},
      {"GpxTwoRoutes", F::gpx,
       "<gpx><rte><name>r</name><rtept lat=\"0\" lon=\"0\"/></rte><rte><rtept lat=\"1\" "
       "lon=\"1\"/></rte></gpx>",
       "\"r\" 1: 1; 2: 1"},
      {"GeoJsonWithoutPolygon", F::geojson, R"({"type":"LineString","coordinates":[[1,2],[3,4]]})",
       ""},
  };
  for (const auto& r : rows) {
    std::string shapes;
    for (const PolygonShape& s : importPolygons(r.text, r.format, "f")) {
      if (!shapes.empty()) shapes += "; ";
      if (!s.role.empty()) shapes += s.role + " ";
      if (!s.name.empty()) shapes += "\"" + s.name + "\" ";
      shapes += std::to_string(s.feature) + ":";
      if (s.point) shapes += " point";
      for (std::size_t i = 0; i < s.rings.size() && !s.point; ++i) {
        shapes += " " + std::to_string(s.rings[i].size());
      }
    }
    EXPECT_EQ(shapes, r.shapes) << r.name;
  }
}

TEST(FormatOfFileName, GoesByTheExtensionInAnyCase) {
  EXPECT_EQ(formatOfFileName("a.GPX"), F::gpx);
  EXPECT_EQ(formatOfFileName("a.kml"), F::kml);
  EXPECT_EQ(formatOfFileName("a.json"), F::geojson);
  EXPECT_EQ(formatOfFileName("dir.csv/a.GeoJSON"), F::geojson);
  EXPECT_EQ(formatOfFileName("a.Csv"), F::csv);
  EXPECT_EQ(formatOfFileName("gpx"), F::plain);
  EXPECT_EQ(formatOfFileName("a.txt"), F::plain);
}

// ---- Whole runs on converted files.

const fs::path sourceRoot = fs::path(NURVO_TESTS_DIR).parent_path();

// The four files of a run in this process on `file`, removed again for the next run.
std::vector<std::string> fourFiles(std::vector<std::string> args, const std::string& file) {
  args.push_back(file);
  FileOps fileOps;
  const RunResult r = runInProcess(args, fileOps);
  EXPECT_EQ(r.status, 0) << file << ": " << r.out;
  std::vector<std::string> files;
  for (const char* ext : outputExtensions) {
    files.push_back(readFile(fixedBase + ext));
    fs::remove(fixedBase + ext);
  }
  return files;
}

TEST(ImportRoute, FilesOfOtherToolsGiveTheFourFilesOfThePlainFile) {
  for (const char* tool : {"/usr/bin/gpsbabel", "/usr/bin/ogr2ogr"}) {
    if (!fs::exists(tool)) GTEST_SKIP() << tool << " is missing: apt-get install gpsbabel gdal-bin";
  }
  const std::string example = (sourceRoot / "examples" / "survey.txt").string();
  ScratchDir dir;
  // The example as points (lat,lon) and as one line of "longitude latitude" pairs, the two
  // layouts the tools take as text.
  std::string points = "lat,lon\n", line = "id,WKT\n1,\"LINESTRING (";
  for (const std::string& l : {readFile(example)}) {
    std::size_t start = 0;
    for (std::size_t nl; (nl = l.find('\n', start)) != std::string::npos; start = nl + 1) {
      const std::string row = l.substr(start, nl - start);
      const std::size_t blank = row.find(' ');
      points += row.substr(0, blank) + "," + row.substr(blank + 1) + "\n";
      line += (start == 0 ? "" : ", ") + row.substr(blank + 1) + " " + row.substr(0, blank);
    }
  }
  writeFile("points.csv", points);
  writeFile("line.csv", line + ")\"\n");
  const std::vector<std::string> plain = fourFiles({}, example);
  const std::vector<std::pair<std::string, std::vector<std::string>>> conversions = {
      {"gpsbabel",
       {"-i", "unicsv", "-f", "points.csv", "-x", "transform,rte=wpt,del", "-o", "gpx", "-F",
        "babel-route.gpx"}},
      {"gpsbabel",
       {"-i", "unicsv", "-f", "points.csv", "-x", "transform,trk=wpt,del", "-o", "gpx", "-F",
        "babel-track.gpx"}},
      {"gpsbabel",
       {"-i", "unicsv", "-f", "points.csv", "-x", "transform,rte=wpt,del", "-o", "kml", "-F",
        "babel.kml"}},
      {"gpsbabel", {"-i", "unicsv", "-f", "points.csv", "-o", "unicsv", "-F", "babel.csv"}},
      {"ogr2ogr", {"-f", "GeoJSON", "ogr.geojson", "line.csv"}},
      {"ogr2ogr",
       {"-f", "GPX", "-nlt", "LINESTRING", "-lco", "FORCE_GPX_ROUTE=YES", "ogr.gpx", "line.csv"}},
      {"ogr2ogr", {"-f", "KML", "ogr.kml", "line.csv"}},
  };
  for (const auto& [tool, args] : conversions) {
    const RunResult r = runNurvo(args, {}, "/usr/bin/" + tool);
    ASSERT_EQ(r.status, 0) << tool << ": " << r.err;
    const std::string& file = tool == "gpsbabel" ? args.back() : args[args.size() - 2];
    EXPECT_EQ(fourFiles({}, file), plain) << file;
  }
}

TEST(ImportRoute, ExportsReadBackAsTheRouteTheyCameFrom) {
  for (const char* name : {"export_example", "export_cut_legs", "export_southern_eastern",
                           "export_antimeridian", "export_single_waypoint"}) {
    const fs::path golden = fs::path(NURVO_TESTS_DIR) / "golden" / name;
    std::vector<std::string> args;
    bool exportValue = false;
    const std::string argText = readFile((golden / "args").string());
    std::size_t start = 0;
    for (std::size_t nl; (nl = argText.find('\n', start)) != std::string::npos; start = nl + 1) {
      const std::string arg = argText.substr(start, nl - start);
      const bool skip = exportValue || arg == "--export" || arg.starts_with("--export=");
      exportValue = arg == "--export";
      if (!skip) args.push_back(arg);
    }
    ScratchDir dir;
    writeFile("route.txt", readFile((golden / "route.txt").string()));
    const std::vector<std::string> plain = fourFiles(args, "route.txt");
    for (const std::string ext : {"gpx", "kml", "geojson"}) {
      writeFile("route." + ext, readFile((golden / "files" / (fixedBase + ext)).string()));
      EXPECT_EQ(fourFiles(args, "route." + ext), plain) << name << " " << ext;
    }
  }
}

// The comma-separated fields of a line.
std::vector<std::string> splitFields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (const char c : line) {
    if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back().push_back(c);
    }
  }
  return fields;
}

// The lines of a mission script that send the vehicle somewhere.
std::string commandedPositions(const std::string& cfg) {
  std::string positions;
  for (const std::string& l : lines(cfg)) {
    if (l.starts_with("latitude ") || l.starts_with("longitude ")) positions += l + "\n";
  }
  return positions;
}

TEST(ImportRoute, SurveyExportsReadBackAsTheirMission) {
  // The golden surveys: their line ends lie between the four decimals the exports write.
  for (const char* name : {"survey_export_all", "survey_island"}) {
    const fs::path files = fs::path(NURVO_TESTS_DIR) / "golden" / name / "files";
    const std::string wpt = readFile((files / (fixedBase + "wpt")).string());
    const std::string cfg = readFile((files / (fixedBase + "cfg")).string());
    ScratchDir dir;
    for (const std::string ext : {"gpx", "kml", "geojson"}) {
      writeFile("route." + ext, readFile((files / (fixedBase + ext)).string()));
      const std::vector<std::string> read = fourFiles({}, "route." + ext);
      EXPECT_EQ(read[1], wpt) << name << " " << ext;
      EXPECT_EQ(commandedPositions(read[0]), commandedPositions(cfg)) << name << " " << ext;
    }
  }
  // A survey whose legs are cut: the cut points the export holds are the ones read back.
  ScratchDir dir;
  writeFile("area.txt", "36.80 -121.90\n36.80 -121.86\n36.83 -121.86\n36.83 -121.90\n");
  const std::vector<std::string> cut = {"--maxLegMeters", "1000"};
  std::vector<std::string> survey = cut;
  survey.insert(survey.end(),
                {"--export", "all", "--line-spacing", "150", "--line-heading", "37", "--area"});
  const std::vector<std::string> planned = fourFiles(survey, "area.txt");
  for (const std::string ext : {"gpx", "kml", "geojson"}) {
    fs::rename(fixedBase + ext, "survey." + ext);
  }
  for (const std::string ext : {"gpx", "kml", "geojson"}) {
    const std::vector<std::string> read = fourFiles(cut, "survey." + ext);
    EXPECT_EQ(read[1], planned[1]) << ext;
    EXPECT_EQ(commandedPositions(read[0]), commandedPositions(planned[0])) << ext;
  }
  // Read back with another maxLegMeters, the legs are cut anew: no leg of the .csv is longer.
  std::size_t legs = 0;
  for (const std::string& l : lines(fourFiles({"--maxLegMeters", "500"}, "survey.gpx")[3])) {
    const std::vector<std::string> fields = splitFields(l);
    // Waypoint lines: "1,36.8000,-121.9000,90.0,500.0,500.0,"; the launch leg is 500 m anyway.
    if (fields.size() < 6 || fields[0].empty() || fields[0] == "0" ||
        fields[0].find_first_not_of("0123456789") != std::string::npos || fields[4].empty()) {
      continue;
    }
    EXPECT_LE(std::stod(fields[4]), 500.0) << l;
    ++legs;
  }
  EXPECT_GT(legs, lines(planned[1]).size());
}

}  // namespace
}  // namespace nurvo::test

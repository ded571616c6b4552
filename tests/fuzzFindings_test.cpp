// Inputs that fuzzing found to break nurvo, kept as regression tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "nurvo.h"
#include "testSupport.h"

namespace nurvo::test {
namespace {

// The waypoints read from `text`, as "lat lon;" pairs.
std::string readFromText(std::string text) {
  std::FILE* f = fmemopen(text.data(), text.size(), "r");
  if (f == nullptr) return "fmemopen failed";
  wptList list;
  readWaypoints(f, "route.txt", list);
  std::fclose(f);
  std::string got;
  for (const node* n = list.head(); n != nullptr; n = n->nextPtr) {
    got += strprintf("%g %g;", n->Lat, n->Lon);
  }
  return got;
}

// A last line without a line end used to be followed by endless empty lines: the run never ended.
TEST(FuzzFindings, LastLineWithoutLineEndIsReadOnceAndTheReadingEnds) {
  EXPECT_EQ(readFromText("36.8 -121.8"), "36.8 -121.8;");
  EXPECT_EQ(readFromText("36.8 -121.8\n36.9 -121.7"), "36.8 -121.8;36.9 -121.7;");
  EXPECT_EQ(readFromText("36.8 -121.8\n   "), "36.8 -121.8;");
  EXPECT_EQ(readFromText("36.8 -121.8\r"), "36.8 -121.8;");

  ScratchDir dir;
  writeFile("route.txt", "36.8167 -121.8170\n36.8215 -121.7986");
  const RunResult r = runNurvoLimited({"route.txt"}, RunLimits{.seconds = 60});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(directoryEntries().size(), 5u);
}

}  // namespace
}  // namespace nurvo::test

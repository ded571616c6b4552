// Inputs that fuzzing found to break nurvo, kept as regression tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "nurvo.h"

namespace nurvo::test {
namespace {

// The waypoints read from `text`, as "lat lon;" pairs.
std::string readFromText(std::string text) {
  std::FILE* f = fmemopen(text.data(), text.size(), "r");
  if (f == nullptr) return "fmemopen failed";
  wptList list;
  const bool read = readWaypoints(f, "route.txt", list);
  std::fclose(f);
  if (!read) return "read error";
  std::string got;
  for (const node* n = list.head(); n != nullptr; n = n->nextPtr) {
    got += strprintf("%g %g;", n->Lat, n->Lon);
  }
  return got;
}

// A last line without a line end used to be followed by endless empty lines: the reading never
// ended (the end-to-end run is in nurvo_test.cpp).
TEST(FuzzFindings, LastLineWithoutLineEndIsReadOnceAndTheReadingEnds) {
  EXPECT_EQ(readFromText("36.8 -121.8"), "36.8 -121.8;");
  EXPECT_EQ(readFromText("36.8 -121.8\n36.9 -121.7"), "36.8 -121.8;36.9 -121.7;");
  EXPECT_EQ(readFromText("36.8 -121.8\n   "), "36.8 -121.8;");
  EXPECT_EQ(readFromText("36.8 -121.8\r"), "36.8 -121.8;");
}

}  // namespace
}  // namespace nurvo::test

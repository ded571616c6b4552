// End-to-end runs of the built executable: options, the waypoint file and its refusals.
#include <gtest/gtest.h>

#include "nurvo.h"
#include "testSupport.h"

namespace nurvo::test {
namespace {

TEST(HelpText, IsPrintedTwiceForHelpAloneAndTheRunEndsWithStatus1) {
  ScratchDir dir;
  const RunResult r = runNurvo({"--help"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, help() + "\n\n*** WAYPOINTS FILENAME IS MISSING ***\n" + help());
}

}  // namespace
}  // namespace nurvo::test

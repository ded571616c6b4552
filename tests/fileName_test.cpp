// Base names of the output files for given UTC times.
#include <gtest/gtest.h>

#include <ctime>

#include "calcs.h"

namespace nurvo {
namespace {

// A broken-down UTC time; `yday` counts from 0 on 1 January.
std::tm utc(int year, int month, int day, int yday, int hour, int minute) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_yday = yday;
  t.tm_hour = hour;
  t.tm_min = minute;
  return t;
}

TEST(FileName, YearAndDayOfTheYearAtTheEndsOfTheYear) {
  EXPECT_EQ(fileName(utc(2027, 1, 1, 0, 0, 0)), "2027_0_000.");
  EXPECT_EQ(fileName(utc(2028, 12, 31, 365, 23, 59)), "2028_365_2359.");  // a leap year
  EXPECT_EQ(fileName(utc(2027, 12, 31, 364, 23, 59)), "2027_364_2359.");
  EXPECT_EQ(fileName(utc(2026, 12, 7, 340, 15, 29)), "2026_340_1529.");
}

TEST(FileName, HourWithoutLeadingZeroAndMinuteInTwoDigits) {
  EXPECT_EQ(fileName(utc(2026, 12, 7, 340, 5, 7)), "2026_340_507.");
  EXPECT_EQ(fileName(utc(2026, 12, 7, 340, 9, 5)), "2026_340_905.");
  EXPECT_EQ(fileName(utc(2026, 12, 7, 340, 0, 57)), "2026_340_057.");
  EXPECT_EQ(fileName(utc(2026, 12, 7, 340, 15, 29)), "2026_340_1529.");
  // 01:11 and 11:01 of one day must not share a name: the later run would overwrite the earlier.
  EXPECT_EQ(fileName(utc(2026, 12, 7, 340, 1, 11)), "2026_340_111.");
  EXPECT_EQ(fileName(utc(2026, 12, 7, 340, 11, 1)), "2026_340_1101.");
}

}  // namespace
}  // namespace nurvo

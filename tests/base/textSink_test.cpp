// Numbers of the output files: std::to_chars through the sink gives the same digits as printf,
// halves of the exact binary value to even, on a table of edges and on millions of random values
// over the ranges the files hold.
#include "textSink.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

namespace nurvo {
namespace {

std::string viaSink(Fixed f) {
  StringSink s;
  s << f;
  return s.text;
}

std::string viaPrintf(double v, int decimals) {
  char text[400];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

TEST(FileNumbers, EdgesRoundTheExactBinaryValueHalfToEvenAsPrintfDoes) {
  const struct {
    double v;
    int decimals;
    const char* text;
  } rows[] = {
      {0.5, 0, "0"},
      {1.5, 0, "2"},
      {2.5, 0, "2"},
      {1234.5, 0, "1234"},
      {1235.5, 0, "1236"},
      {-0.5, 0, "-0"},
      {0.25, 1, "0.2"},
      {0.75, 1, "0.8"},
      {0.35, 1, "0.3"},  // 0.35 lies below
      {0.125, 2, "0.12"},
      {-0.0, 1, "-0.0"},
      {-0.00001, 4, "-0.0000"},
      {36.9999999, 4, "37.0000"},
      {59.99995, 4, "59.9999"},
      {179.99995, 4, "180.0000"},
      {1.25, 3, "1.250"},
      {4321.5, 1, "4321.5"},
      {1e21, 1, "1000000000000000000000.0"},
      {-121.85, 4, "-121.8500"},
      {650.5, 1, "650.5"},
      {2.0, 7, "2.0000000"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(viaSink(fixed(r.v, r.decimals)), r.text) << r.v;
    EXPECT_EQ(viaPrintf(r.v, r.decimals), r.text) << r.v;
  }
  for (const double v : {0.001, 0.5, 2.0, 5e-5, 200.0, 5000.0, 2e4, 1e6}) {
    StringSink s;
    s << general(v);
    char text[64];
    std::snprintf(text, sizeof text, "%g", v);
    EXPECT_EQ(s.text, text);
  }
  StringSink ints;
  ints << -2147483647 - 1 << ' ' << 9223372036854775807LL << ' ' << std::size_t{0};
  EXPECT_EQ(ints.text, "-2147483648 9223372036854775807 0");
}

TEST(FileNumbers, MillionsOfRandomValuesOverTheFilesRangesAgreeWithPrintf) {
  const struct {
    double low, high;
    int decimals;
  } ranges[] = {
      {-90.0, 90.0, 4}, {-180.0, 180.0, 4}, {-180.0, 180.0, 7}, {0.0, 60.0, 4},   {0.0, 360.0, 1},
      {0.0, 2e7, 1},    {0.0, 4e7, 0},      {0.0, 1000.0, 3},   {0.0, 1000.0, 1}, {-1.0, 1.0, 4},
  };
  std::mt19937_64 random(20261207);
  StringSink s;
  int mismatches = 0;
  for (const auto& r : ranges) {
    std::uniform_real_distribution<double> value(r.low, r.high);
    // Exact halves of the last decimal's unit in binary (k / 2^j) hit the ties printf rounds to
    // even; the rest are any doubles of the range.
    std::uniform_int_distribution<long long> whole(static_cast<long long>(r.low),
                                                   static_cast<long long>(r.high));
    for (int i = 0; i < 400'000; ++i) {
      const double v =
          i % 4 == 0 ? static_cast<double>(whole(random)) + (i % 64) / 64.0 : value(random);
      s.text.clear();
      s << fixed(v, r.decimals);
      if (s.text != viaPrintf(v, r.decimals) && ++mismatches <= 10) {
        ADD_FAILURE() << v << " with " << r.decimals << " decimals: " << s.text;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace nurvo

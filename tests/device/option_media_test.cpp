// Media sizes and levels of the input trays: the size table with its
// tolerance and the level in percent of sheet trays.
#include <gtest/gtest.h>

#include <climits>

#include "device/option_test_support.h"

namespace {

using option_test::TestOption;

// Size and direction for the given dimensions, starting from "no size".
std::pair<int32_t, int32_t> medium(int32_t unit, int32_t feed, int32_t crossFeed) {
  int32_t size = 10000, direction = 1;
  TestOption::MediaDimensionToMediumSize(unit, feed, crossFeed, &size, &direction);
  return {size, direction};
}

// The size codes are the device's table (psw_dev_comm_option_media.cpp);
// what is checked here is how a tray's dimensions find their row.
TEST(MediumSize, FoundInBothDirectionsAndTheFirstRowWithinToleranceWins) {
  // Letter (1), the first row, and 120 x 235 mm (10013), the last.
  // Short side fed first: direction 2; long side first: 3.
  EXPECT_EQ(medium(4, 215900, 279400), std::make_pair(1, 2));
  EXPECT_EQ(medium(4, 279400, 215900), std::make_pair(1, 3));
  EXPECT_EQ(medium(4, 120000, 235000), std::make_pair(10013, 2));
  EXPECT_EQ(medium(4, 235000, 120000), std::make_pair(10013, 3));
  // Two sizes lie within the tolerance of an earlier row, which wins: 45 x
  // 64 mm (90) reads as 44 x 62 mm (50), 32 x 45 mm (91) as 31 x 44 mm (51).
  EXPECT_EQ(medium(4, 45000, 64000), std::make_pair(50, 2));
  EXPECT_EQ(medium(4, 45000, 32000), std::make_pair(51, 3));
}

TEST(MediumSize, ToleranceOfTwoMillimetresIncludesItsBounds) {
  // A4 (25) is 210000 x 297000.
  EXPECT_EQ(medium(4, 212000, 297000), std::make_pair(25, 2));
  EXPECT_EQ(medium(4, 208000, 295000), std::make_pair(25, 2));
  EXPECT_EQ(medium(4, 299000, 210000), std::make_pair(25, 3));
  EXPECT_EQ(medium(4, 212001, 297000), std::make_pair(10000, 1));
  EXPECT_EQ(medium(4, 210000, 299001), std::make_pair(10000, 1));
  EXPECT_EQ(medium(4, 207999, 297000), std::make_pair(10000, 1));
  // 45 x 64 mm itself reads as the earlier 44 x 62 mm; above it, it is found.
  EXPECT_EQ(medium(4, 46000, 65000), std::make_pair(90, 2));
}

TEST(MediumSize, OtherUnitsAndNegativeDimensionsLeaveTheOutputs) {
  EXPECT_EQ(medium(3, 210000, 297000), std::make_pair(10000, 1));  // ten-thousandths of inches
  EXPECT_EQ(medium(0, 210000, 297000), std::make_pair(10000, 1));
  EXPECT_EQ(medium(4, -1, 297000), std::make_pair(10000, 1));      // other
  EXPECT_EQ(medium(4, 210000, -2), std::make_pair(10000, 1));      // unknown
  TestOption::MediaDimensionToMediumSize(4, 210000, 297000, nullptr, nullptr);  // no output: no crash
}

// Maximum and level for the given values, starting from -7 / -7.
std::pair<int32_t, int32_t> level(int32_t unit, int32_t maximum, int32_t current) {
  int32_t maxOut = -7, levelOut = -7;
  TestOption::ConvertMediumLevel(unit, maximum, current, &maxOut, &levelOut);
  return {maxOut, levelOut};
}

TEST(MediumLevel, SheetsGiveRoundedPercent) {
  EXPECT_EQ(level(8, 3, 1), std::make_pair(3, 50));
  EXPECT_EQ(level(8, 3, 2), std::make_pair(3, 83));
  EXPECT_EQ(level(8, 500, 5), std::make_pair(500, 1));
  EXPECT_EQ(level(8, 500, 4), std::make_pair(500, 0));
  EXPECT_EQ(level(8, 550, 550), std::make_pair(550, 100));
  EXPECT_EQ(level(8, 550, 0), std::make_pair(550, 0));
  // The rounding adds half of one hundred sheets, not half of the maximum.
  EXPECT_EQ(level(8, 1, 0), std::make_pair(1, 50));
}

TEST(MediumLevel, UnknownLevelsAndEmptyMaximumGiveMinusOne) {
  EXPECT_EQ(level(8, 0, 0), std::make_pair(0, -1));
  EXPECT_EQ(level(8, -2, 10), std::make_pair(-2, -1));
  EXPECT_EQ(level(8, 500, -2), std::make_pair(500, -1));  // unknown
  EXPECT_EQ(level(8, 500, -3), std::make_pair(500, -1));  // at least one sheet
}

TEST(MediumLevel, OtherUnitsLeaveTheOutputs) {
  EXPECT_EQ(level(4, 500, 5), std::make_pair(-7, -7));
  EXPECT_EQ(level(19, 100, 80), std::make_pair(-7, -7));
}

TEST(MediumLevel, HugeLevelDoesNotOverflow) {
  // current * 100 does not fit 32 bits: worked out wide, capped at the
  // largest 32-bit number.
  EXPECT_EQ(level(8, INT32_MAX, INT32_MAX), std::make_pair(INT32_MAX, 100));
  EXPECT_EQ(level(8, 1, INT32_MAX), std::make_pair(1, INT32_MAX));
  EXPECT_EQ(level(8, 100000000, 2000000000), std::make_pair(100000000, 2000));
}

}  // namespace

// Media sizes and levels of the input trays: the size table with its
// tolerance and the level in percent of sheet trays.
#include <gtest/gtest.h>

#include <climits>

#include "device/option_test_support.h"

namespace {

using option_test::TestOption;

struct Size {
  int32_t shortSide, longSide, code;
};

// The media sizes in micrometres, as the device's size codes define them.
const Size kSizes[] = {
    {215900, 279400, 1},     {215900, 355600, 2},     {254000, 330200, 3},     {228600, 304800, 4},
    {104775, 241300, 5},     {177800, 228600, 6},     {228600, 279400, 7},     {254000, 355600, 8},
    {152400, 228600, 10},    {254000, 381000, 11},    {431800, 558800, 15},    {558800, 863600, 16},
    {863600, 1117600, 17},   {841000, 1189000, 21},   {594000, 841000, 22},    {420000, 594000, 23},
    {297000, 420000, 24},    {210000, 297000, 25},    {148000, 210000, 26},    {105000, 148000, 27},
    {74000, 105000, 28},     {52000, 74000, 29},      {37000, 52000, 30},      {26000, 37000, 31},
    {1000000, 1414000, 41},  {707000, 1000000, 42},   {500000, 707000, 43},    {353000, 500000, 44},
    {250000, 353000, 45},    {176000, 250000, 46},    {125000, 176000, 47},    {88000, 125000, 48},
    {62000, 88000, 49},      {44000, 62000, 50},      {31000, 44000, 51},      {917000, 1297000, 61},
    {648000, 917000, 62},    {458000, 648000, 63},    {324000, 458000, 64},    {229000, 324000, 65},
    {162000, 229000, 66},    {114000, 162000, 67},    {81000, 114000, 68},     {57000, 81000, 69},
    {110000, 220000, 70},    {1030000, 1456000, 81},  {728000, 1030000, 82},   {515000, 728000, 83},
    {364000, 515000, 84},    {257000, 364000, 85},    {182000, 257000, 86},    {128000, 182000, 87},
    {91000, 128000, 88},     {64000, 91000, 89},      {45000, 64000, 90},      {32000, 45000, 91},
    {279400, 431800, 10001}, {215900, 330200, 10002}, {100000, 148000, 10003}, {267000, 388000, 10005},
    {194000, 267000, 10006}, {140000, 215900, 10007}, {203200, 254000, 10008}, {304800, 457200, 10009},
    {304800, 482600, 10010}, {320000, 457200, 10011}, {320000, 450000, 10012}, {120000, 235000, 10013},
};

// Size and direction for the given dimensions, starting from "no size".
std::pair<int32_t, int32_t> medium(int32_t unit, int32_t feed, int32_t crossFeed) {
  int32_t size = 10000, direction = 1;
  TestOption::MediaDimensionToMediumSize(unit, feed, crossFeed, &size, &direction);
  return {size, direction};
}

// Two sizes lie within the tolerance of an earlier row, which wins: 45 x 64
// mm (90) reads as 44 x 62 mm (50), 32 x 45 mm (91) as 31 x 44 mm (51).
const std::pair<int32_t, int32_t> kShadowed[] = {{90, 50}, {91, 51}};

int32_t expected_code(int32_t code) {
  for (const auto& s : kShadowed) {
    if (s.first == code) return s.second;
  }
  return code;
}

TEST(MediumSize, EverySizeOfTheTableInBothDirections) {
  ASSERT_EQ(sizeof kSizes / sizeof kSizes[0], 68u);
  for (const Size& s : kSizes) {
    // Short side fed first: direction 2; long side first: 3.
    EXPECT_EQ(medium(4, s.shortSide, s.longSide), std::make_pair(expected_code(s.code), 2)) << s.code;
    EXPECT_EQ(medium(4, s.longSide, s.shortSide), std::make_pair(expected_code(s.code), 3)) << s.code;
  }
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

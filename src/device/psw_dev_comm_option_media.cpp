// Media sizes and levels of the input trays.
#include <cstdint>

#include "psw/psw_options.hpp"

namespace {

// A media size: its two sides in micrometres and the code the option keys
// report for it.
struct MediumSize {
  int32_t shortSide;
  int32_t longSide;
  int32_t code;
};

// Searched in order; the first row within the tolerance wins.
const MediumSize kMediumSizes[] = {
    {215900, 279400, 1},       {215900, 355600, 2},       {254000, 330200, 3},
    {228600, 304800, 4},       {104775, 241300, 5},       {177800, 228600, 6},
    {228600, 279400, 7},       {254000, 355600, 8},       {152400, 228600, 10},
    {254000, 381000, 11},      {431800, 558800, 15},      {558800, 863600, 16},
    {863600, 1117600, 17},     {841000, 1189000, 21},     {594000, 841000, 22},
    {420000, 594000, 23},      {297000, 420000, 24},      {210000, 297000, 25},
    {148000, 210000, 26},      {105000, 148000, 27},      {74000, 105000, 28},
    {52000, 74000, 29},        {37000, 52000, 30},        {26000, 37000, 31},
    {1000000, 1414000, 41},    {707000, 1000000, 42},     {500000, 707000, 43},
    {353000, 500000, 44},      {250000, 353000, 45},      {176000, 250000, 46},
    {125000, 176000, 47},      {88000, 125000, 48},       {62000, 88000, 49},
    {44000, 62000, 50},        {31000, 44000, 51},        {917000, 1297000, 61},
    {648000, 917000, 62},      {458000, 648000, 63},      {324000, 458000, 64},
    {229000, 324000, 65},      {162000, 229000, 66},      {114000, 162000, 67},
    {81000, 114000, 68},       {57000, 81000, 69},        {110000, 220000, 70},
    {1030000, 1456000, 81},    {728000, 1030000, 82},     {515000, 728000, 83},
    {364000, 515000, 84},      {257000, 364000, 85},      {182000, 257000, 86},
    {128000, 182000, 87},      {91000, 128000, 88},       {64000, 91000, 89},
    {45000, 64000, 90},        {32000, 45000, 91},        {279400, 431800, 10001},
    {215900, 330200, 10002},   {100000, 148000, 10003},   {267000, 388000, 10005},
    {194000, 267000, 10006},   {140000, 215900, 10007},   {203200, 254000, 10008},
    {304800, 457200, 10009},   {304800, 482600, 10010},   {320000, 457200, 10011},
    {320000, 450000, 10012},   {120000, 235000, 10013},
};

// Micrometres a measured side may differ from the table's, either way.
constexpr int64_t kTolerance = 2000;
// prtInputDimUnit of micrometres; prtInputCapacityUnit of sheets.
constexpr int32_t kUnitMicrometers = 4;
constexpr int32_t kUnitSheets = 8;

bool near(int64_t measured, int64_t nominal) {
  int64_t difference = measured - nominal;
  return difference >= -kTolerance && difference <= kTolerance;
}

}  // namespace

void CPSWDevCommOption::MediaDimensionToMediumSize(int32_t unit, int32_t feed, int32_t crossFeed, int32_t* size,
                                                   int32_t* direction) {
  if (unit != kUnitMicrometers || feed < 0 || crossFeed < 0) return;
  const int32_t shortSide = feed < crossFeed ? feed : crossFeed;
  const int32_t longSide = feed < crossFeed ? crossFeed : feed;
  for (const MediumSize& m : kMediumSizes) {
    if (near(shortSide, m.shortSide) && near(longSide, m.longSide)) {
      if (size != nullptr) *size = m.code;
      // 2 when the feed-direction dimension is the shorter one (the long edge
      // leads), 3 when it is the longer or the sides are equal (the short
      // edge leads).
      if (direction != nullptr) *direction = feed >= crossFeed ? 3 : 2;
      return;
    }
  }
}

void CPSWDevCommOption::ConvertMediumLevel(int32_t unit, int32_t maximum, int32_t current, int32_t* maximumOut,
                                           int32_t* levelOut) {
  if (unit != kUnitSheets) return;
  if (maximumOut != nullptr) *maximumOut = maximum;
  if (levelOut == nullptr) return;
  if (current < 0 || maximum < 1) {
    *levelOut = -1;
    return;
  }
  // Rounded percent. Worked out in 64 bits: a device may report any 32-bit
  // level, and current * 100 would overflow; a level far above the maximum
  // is reported as the largest 32-bit number.
  int64_t percent = (static_cast<int64_t>(current) * 100 + 50) / maximum;
  *levelOut = percent > INT32_MAX ? INT32_MAX : static_cast<int32_t>(percent);
}

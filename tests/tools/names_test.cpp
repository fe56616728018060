// The tool's readings of raw status numbers: error bits, levels, media
// sizes, result codes.
#include <gtest/gtest.h>

#include "pswctl_names.h"

namespace pswctl {
namespace {

using Names = std::vector<std::string>;

// Octets in record order: the first octet is the lowest byte, and bit 0 is
// that octet's most significant bit.
int32_t state_of(std::initializer_list<uint8_t> octets) {
  uint32_t v = 0;
  int shift = 0;
  for (uint8_t o : octets) {
    v |= static_cast<uint32_t>(o) << shift;
    shift += 8;
  }
  return static_cast<int32_t>(v);
}

TEST(DetectedErrors, BitsAreCountedFromTheFirstOctetsHighBit) {
  EXPECT_EQ(detected_error_names(0), Names{});
  EXPECT_EQ(detected_error_names(state_of({0x80})), Names{"lowPaper"});
  EXPECT_EQ(detected_error_names(state_of({0x01})), Names{"serviceRequested"});
  EXPECT_EQ(detected_error_names(state_of({0x00, 0x80})), Names{"inputTrayMissing"});
  EXPECT_EQ(detected_error_names(state_of({0x28, 0x04})), (Names{"lowToner", "doorOpen", "inputTrayEmpty"}));
  // Bits past the named ones are still reported.
  EXPECT_EQ(detected_error_names(state_of({0x00, 0x01})), Names{"bit 15"});
  EXPECT_EQ(detected_error_names(state_of({0, 0, 0, 0x01})), Names{"bit 31"});
}

TEST(DetectedErrors, OctetTextKeepsRecordOrderAndDropsTrailingZeros) {
  EXPECT_EQ(detected_error_octets(state_of({0x28, 0x04})), "2804");
  EXPECT_EQ(detected_error_octets(0), "00");
  EXPECT_EQ(detected_error_octets(state_of({0x00, 0x00, 0x10})), "000010");
  EXPECT_EQ(detected_error_octets(-1), "ffffffff");
}

TEST(Levels, PercentOnlyWhereTheUnitAndValuesAllowIt) {
  EXPECT_EQ(level_percent(19, 100, 62), 62);       // already percent
  EXPECT_EQ(level_percent(19, -2, 40), 40);        // percent needs no maximum
  EXPECT_EQ(level_percent(7, 15000, 4200), 28);    // impressions of a maximum
  EXPECT_EQ(level_percent(13, 2600, 2600), 100);
  EXPECT_EQ(level_percent(8, 3, 2), 67);           // rounded to the nearest
  EXPECT_EQ(level_percent(8, 550, 412), 75);
  EXPECT_EQ(level_percent(13, 2600, 5200), 100);   // clamped
  EXPECT_EQ(level_percent(7, 0, 10), std::nullopt);   // no maximum
  EXPECT_EQ(level_percent(7, -2, 10), std::nullopt);
  EXPECT_EQ(level_percent(19, 100, -3), std::nullopt);  // some remaining
  EXPECT_EQ(level_percent(7, 100, -2), std::nullopt);   // unknown
  // No overflow for large capacities.
  EXPECT_EQ(level_percent(7, 2000000000, 1000000000), 50);
}

TEST(Levels, SpecialValuesHaveNames) {
  EXPECT_EQ(level_text(-1), "other");
  EXPECT_EQ(level_text(-2), "unknown");
  EXPECT_EQ(level_text(-3), "some remaining");
  EXPECT_EQ(level_text(0), "0");
  EXPECT_EQ(level_text(550), "550");
}

TEST(MediaSizes, MicrometresAndInchesWithinTolerance) {
  MediaSize a4 = media_size(4, 297000, 210000);
  EXPECT_EQ(a4.name, "A4");
  EXPECT_EQ(a4.direction, "short edge first");
  MediaSize a4lef = media_size(4, 210000, 297000);
  EXPECT_EQ(a4lef.name, "A4");
  EXPECT_EQ(a4lef.direction, "long edge first");
  EXPECT_EQ(media_size(4, 420000, 297000).name, "A3");
  // Letter in ten-thousandths of an inch (8.5 x 11 in).
  MediaSize letter = media_size(3, 110000, 85000);
  EXPECT_EQ(letter.name, "Letter");
  EXPECT_EQ(letter.direction, "short edge first");
  // 2 mm either way still matches, 2.001 mm does not.
  EXPECT_EQ(media_size(4, 299000, 208000).name, "A4");
  EXPECT_EQ(media_size(4, 297000, 212001).name, "");
  // Other units and negative dimensions give no size.
  EXPECT_EQ(media_size(2, 297000, 210000).name, "");
  EXPECT_EQ(media_size(4, -2, 210000).name, "");
  EXPECT_EQ(media_size(4, 297000, 210000 + 50000).name, "");
}

TEST(ResultCodes, NamesAndAdviceForLibraryAndProtocolCodes) {
  EXPECT_EQ(result_code_name(-2), "PSW_ERR_ARGUMENT");
  EXPECT_EQ(result_code_name(-203), "PSW_ERR_TIMEOUT");
  EXPECT_EQ(result_code_name(-12345), "PSW_ERR_UNKNOWN");
  // A time-out points at the address and the community.
  const std::string timeout = result_code_advice(-203);
  EXPECT_NE(timeout.find("address"), std::string::npos);
  EXPECT_NE(timeout.find("community"), std::string::npos);
  EXPECT_NE(result_code_advice(-214).find("--v3-user"), std::string::npos);
  EXPECT_NE(result_code_advice(-7).find("--write-community"), std::string::npos);
  EXPECT_FALSE(result_code_advice(-12345).empty());
}

TEST(ResultCodes, EveryCodeTheLibraryNamesHasAdviceAndAFailureStatus) {
  const std::string unknown = result_code_advice(-12345);
  int named = 0;
  for (int32_t code = -1000; code < 0; ++code) {
    if (result_code_name(code) == "PSW_ERR_UNKNOWN") {
      EXPECT_EQ(exit_status(code), kExitFailed) << code;
      continue;
    }
    ++named;
    EXPECT_NE(result_code_advice(code), unknown) << result_code_name(code) << ": no advice of its own";
    EXPECT_NE(exit_status(code), kExitOk) << result_code_name(code);
    EXPECT_NE(exit_status(code), kExitUsage) << result_code_name(code) << ": the command line was fine";
  }
  EXPECT_GE(named, 26);  // the negative constants of psw.h
  EXPECT_EQ(exit_status(0), kExitOk);
}

TEST(Enumerations, KnownValuesByNameOthersByNumber) {
  EXPECT_EQ(printer_status_name(3), "idle");
  EXPECT_EQ(printer_status_name(99), "value 99");
  EXPECT_EQ(device_status_name(5), "down");
  EXPECT_EQ(device_type_name(5), "printer");
  EXPECT_EQ(device_type_name(102), "maker unit 102");
  EXPECT_EQ(storage_type_name(4), "fixedDisk");
  EXPECT_EQ(alert_severity_name(3), "critical");
  EXPECT_EQ(alert_group_name(6), "cover");
  EXPECT_EQ(supply_unit_name(19), "percent");
  EXPECT_EQ(subunit_status_text(0), "available, idle");
  EXPECT_EQ(subunit_status_text(4 | 8 | 32), "available, active, non-critical alerts, off-line");
  EXPECT_EQ(subunit_status_text(-1), "value -1");
}

}  // namespace
}  // namespace pswctl

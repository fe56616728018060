// The conversions of the status readers: type mapping by exact identifier
// text, octet values laid out as records, the cancel index.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/psw_status_convert.h"

namespace {

std::string under(const char* base, long n) { return std::string(base) + "." + std::to_string(n); }

TEST(StatusMapping, StorageTypesOneToEight) {
  const char* base = "1.3.6.1.2.1.25.2.1";
  for (int n = 1; n <= 8; ++n) EXPECT_EQ(psw_map_oid(kPSWStorageTypes, under(base, n).c_str()), n) << n;
  for (const char* other :
       {"1.3.6.1.2.1.25.2.1.9", "1.3.6.1.2.1.25.2.1.0", "1.3.6.1.2.1.25.2.1.4.0", "1.3.6.1.2.1.25.2.1.04",
        "1.3.6.1.2.1.25.2.1", "1.3.6.1.2.1.25.2.14", "1.3.6.1.2.1.25.2.1.", "", "1.3.6.1.2.1.25.3.1.4"}) {
    EXPECT_EQ(psw_map_oid(kPSWStorageTypes, other), 0) << other;
  }
  EXPECT_EQ(psw_map_oid(kPSWStorageTypes, nullptr), 0);
}

TEST(StatusMapping, DeviceTypesOfBothTrees) {
  const char* hr = "1.3.6.1.2.1.25.3.1";
  const char* maker = "1.3.6.1.4.1.32473.8.52.2";
  struct Run {
    const char* base;
    int first, last;
  };
  for (Run run : {Run{hr, 1, 6}, Run{hr, 10, 21}, Run{maker, 101, 109}, Run{maker, 151, 154}, Run{maker, 201, 207}}) {
    for (int n = run.first; n <= run.last; ++n) {
      EXPECT_EQ(psw_map_oid(kPSWDeviceTypes, under(run.base, n).c_str()), n) << run.base << "." << n;
    }
    // The numbers just outside each run are not entries.
    EXPECT_EQ(psw_map_oid(kPSWDeviceTypes, under(run.base, run.first - 1).c_str()), 0) << run.first - 1;
    EXPECT_EQ(psw_map_oid(kPSWDeviceTypes, under(run.base, run.last + 1).c_str()), 0) << run.last + 1;
  }
  // Each tree has its own numbers only.
  EXPECT_EQ(psw_map_oid(kPSWDeviceTypes, under(hr, 101).c_str()), 0);
  EXPECT_EQ(psw_map_oid(kPSWDeviceTypes, under(maker, 5).c_str()), 0);
  EXPECT_EQ(psw_map_oid(kPSWDeviceTypes, "1.3.6.1.4.1.32473.8.52.2.101.1"), 0);
}

TEST(StatusMapping, JobTypesOneToTwelve) {
  const char* base = "1.3.6.1.4.1.32473.8.58.2";
  for (int n = 1; n <= 12; ++n) EXPECT_EQ(psw_map_oid(kPSWJobTypes, under(base, n).c_str()), n) << n;
  EXPECT_EQ(psw_map_oid(kPSWJobTypes, under(base, 0).c_str()), 0);
  EXPECT_EQ(psw_map_oid(kPSWJobTypes, under(base, 13).c_str()), 0);
}

TEST(StatusMapping, HugeSubIdentifiersDoNotWrapIntoTheTable) {
  // 2^32 + 3 and 2^64 + 3 must not be read as 3.
  EXPECT_EQ(psw_map_oid(kPSWStorageTypes, "1.3.6.1.2.1.25.2.1.4294967299"), 0);
  EXPECT_EQ(psw_map_oid(kPSWStorageTypes, "1.3.6.1.2.1.25.2.1.18446744073709551619"), 0);
  EXPECT_EQ(psw_map_oid(kPSWJobTypes, "1.3.6.1.4.1.32473.8.58.2.4294967297"), 0);
}

TEST(StatusOctets, ErrorStateIsLittleEndianOfTheFirstFourOctets) {
  const unsigned char two[] = {0x28, 0x04};
  EXPECT_EQ(psw_octets_le32(two, 2), 0x0428);
  const unsigned char one[] = {0x80};
  EXPECT_EQ(psw_octets_le32(one, 1), 0x80);
  const unsigned char six[] = {0x01, 0x02, 0x03, 0x84, 0x05, 0x06};
  EXPECT_EQ(static_cast<uint32_t>(psw_octets_le32(six, 6)), 0x84030201u);
  EXPECT_EQ(psw_octets_le32(six, 0), 0);
  EXPECT_EQ(psw_octets_le32(nullptr, 4), 0);
}

TEST(StatusOctets, DateAndTimeTakesTheFirstSevenOctets) {
  uint16_t t[6];
  // 2024-03-16 00:07:30.0 (eight octets, hour 0)
  const unsigned char midnight[] = {0x07, 0xE8, 3, 16, 0, 7, 30, 0};
  psw_date_and_time(midnight, sizeof midnight, t);
  EXPECT_EQ(std::vector<uint16_t>(t, t + 6), (std::vector<uint16_t>{2024, 3, 16, 0, 7, 30}));
  // With a time zone (eleven octets): the zone is not part of the fields.
  const unsigned char zoned[] = {0x07, 0xE8, 12, 31, 23, 59, 59, 9, '+', 1, 0};
  psw_date_and_time(zoned, sizeof zoned, t);
  EXPECT_EQ(std::vector<uint16_t>(t, t + 6), (std::vector<uint16_t>{2024, 12, 31, 23, 59, 59}));
  // Missing octets give 0; a lone first octet is still the high byte.
  const unsigned char short_value[] = {0x07, 0xE8, 5};
  psw_date_and_time(short_value, sizeof short_value, t);
  EXPECT_EQ(std::vector<uint16_t>(t, t + 6), (std::vector<uint16_t>{2024, 5, 0, 0, 0, 0}));
  psw_date_and_time(short_value, 1, t);
  EXPECT_EQ(std::vector<uint16_t>(t, t + 6), (std::vector<uint16_t>{0x0700, 0, 0, 0, 0, 0}));
  psw_date_and_time(nullptr, 0, t);
  EXPECT_EQ(std::vector<uint16_t>(t, t + 6), (std::vector<uint16_t>{0, 0, 0, 0, 0, 0}));
}

TEST(StatusCancelIndex, LengthThenCharacterCodes) {
  EXPECT_EQ(psw_cancel_suffix("ABCDE"), "101.5.65.66.67.68.69");
  EXPECT_EQ(psw_cancel_suffix("00001044"), "101.8.48.48.48.48.49.48.52.52");
  EXPECT_EQ(psw_cancel_suffix(""), "101.0");
  EXPECT_EQ(psw_cancel_suffix(nullptr), "101.0");
  // Bytes above 127 are their unsigned codes.
  EXPECT_EQ(psw_cancel_suffix("\xC3\xA9"), "101.2.195.169");
}

TEST(StatusCancelIndex, LookUpIdentifiersCarrySignedNumbersAsUnsigned) {
  EXPECT_EQ(psw_oid_with("1.3.6.1.2.1.43.7.1.1.4", 1, 2), "1.3.6.1.2.1.43.7.1.1.4.1.2");
  EXPECT_EQ(psw_oid_with("1.3.6.1.4.1.32473.8.51.5.1.1.4", 1, 42, 106), "1.3.6.1.4.1.32473.8.51.5.1.1.4.1.42.106");
  EXPECT_EQ(psw_oid_with("1.3", static_cast<uint32_t>(-1), 0), "1.3.4294967295.0");
}

}  // namespace

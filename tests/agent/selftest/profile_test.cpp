// Reading device profiles in the simulator text format.
#include <gtest/gtest.h>

#include <filesystem>

#include "agent/snmprec_profile.h"

namespace psw_test {
namespace {

using ber::Value;

TEST(SnmprecProfile, ReadsEveryTypeHexAndWritableMarks) {
  SnmprecProfile p = SnmprecProfile::parse(
      "# comment\r\n"
      "\n"
      "1.3.6.1.4.1.32473.5.0|4|text with | bar\r\n"
      "1.3.6.1.4.1.32473.1.0|2|-2147483648\n"
      "1.3.6.1.4.1.32473.2.0|4x|00FF\n"
      "1.3.6.1.4.1.32473.3.0|5|\n"
      "1.3.6.1.4.1.32473.4.0|6|1.3.6.1.4.1.32473.9\n"
      "1.3.6.1.4.1.32473.6.0|64|192.168.0.1\n"
      "1.3.6.1.4.1.32473.7.0|64x|0a000001\n"
      "1.3.6.1.4.1.32473.8.0|65|4294967295\n"
      "1.3.6.1.4.1.32473.9.0|66|0\n"
      "1.3.6.1.4.1.32473.10.0|67|100\n"
      "1.3.6.1.4.1.32473.11.0|68x|9f78\n"
      "1.3.6.1.4.1.32473.12.0|70|18446744073709551615\n"
      "1.3.6.1.4.1.32473.13.0|2:writecache|7\n");
  std::vector<ProfileEntry> e = p.entries();
  ASSERT_EQ(e.size(), 13u);
  // Entries come back in OID order (arc by arc, not as text).
  EXPECT_EQ(ber::oid_text(e[0].oid), "1.3.6.1.4.1.32473.1.0");
  EXPECT_EQ(ber::oid_text(e[9].oid), "1.3.6.1.4.1.32473.10.0");
  EXPECT_EQ(e[0].value, Value::Integer(INT32_MIN));
  EXPECT_EQ(e[1].value, Value::OctetString(std::string("\0\xff", 2)));
  EXPECT_EQ(e[2].value, Value::Null());
  EXPECT_EQ(e[3].value, Value::ObjectId(ber::parse_oid("1.3.6.1.4.1.32473.9")));
  EXPECT_EQ(e[4].value, Value::OctetString("text with | bar"));
  EXPECT_EQ(e[5].value, Value::IpAddress(192, 168, 0, 1));
  EXPECT_EQ(e[6].value, Value::IpAddress(10, 0, 0, 1));
  EXPECT_EQ(e[7].value, Value::Counter32(4294967295u));
  EXPECT_EQ(e[8].value, Value::Gauge32(0));
  EXPECT_EQ(e[9].value, Value::TimeTicks(100));
  EXPECT_EQ(e[10].value, Value::Opaque("\x9f\x78"));
  EXPECT_EQ(e[11].value, Value::Counter64(~0ull));
  EXPECT_EQ(e[12].value, Value::Integer(7));
  EXPECT_TRUE(e[12].writable);
  EXPECT_FALSE(e[0].writable);
}

TEST(SnmprecProfile, NamesTheLineOfEveryFault) {
  const char* bad[] = {
      "1.3.6.1|2|2147483648",       "1.3.6.1|2|12x",        "1.3.6.1|65|4294967296", "1.3.6.1|66|-1",
      "1.3.6.1|4x|abc",             "1.3.6.1|4x|zz",        "1.3.6.1|64|1.2.3",      "1.3.6.1|64|1.2.3.256",
      "1.3.6.1|2x|00",              "1.3.6.1|99|1",         "1.3.6.1|5|x",           "1.3.6.1|6|1..2",
      "1.3.6.1|2:volatilecache|1",  "1.3.6.1|2",            "1.3..6|2|1",            "1.3.6.1|70|18446744073709551616",
  };
  for (const char* line : bad) {
    try {
      SnmprecProfile::parse(std::string("# ok\n1.3.6.1.9|2|1\n") + line + "\n", "dev.snmprec");
      ADD_FAILURE() << "accepted: " << line;
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find("dev.snmprec:3:"), std::string::npos) << e.what();
    }
  }
}

TEST(SnmprecProfile, EditsAndShippedProfilesLoad) {
  SnmprecProfile p = SnmprecProfile::load(profile_path("printer.snmprec"));
  const ProfileEntry* name = p.find(ber::parse_oid("1.3.6.1.2.1.1.5.0"));
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->value, Value::OctetString("LP-2200"));
  EXPECT_FALSE(name->writable);
  p.set_writable("1.3.6.1.2.1.1.5.0");
  EXPECT_TRUE(p.find(ber::parse_oid("1.3.6.1.2.1.1.5.0"))->writable);
  EXPECT_THROW(p.set_writable("1.3.6.1.2.1.1.99.0"), std::invalid_argument);
  size_t before = p.size();
  p.set("1.3.6.1.2.1.1.5.0", Value::OctetString("renamed"));
  EXPECT_EQ(p.size(), before);
  p.remove(ber::parse_oid("1.3.6.1.2.1.1.5.0"));
  EXPECT_EQ(p.find(ber::parse_oid("1.3.6.1.2.1.1.5.0")), nullptr);
  EXPECT_GT(SnmprecProfile::load(profile_path("types.snmprec")).size(), 10u);
  EXPECT_THROW(SnmprecProfile::load(profile_path("no-such.snmprec")), std::runtime_error);
}

TEST(SnmprecProfile, EveryShippedProfileParses) {
  size_t count = 0;
  for (const auto& file : std::filesystem::directory_iterator(profile_path(""))) {
    if (file.path().extension() != ".snmprec") continue;
    ++count;
    EXPECT_NO_THROW(SnmprecProfile::load(file.path().string())) << file.path();
  }
  EXPECT_GE(count, 2u);
}

}  // namespace
}  // namespace psw_test

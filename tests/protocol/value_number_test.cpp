// INTEGER, the unsigned 32-bit classes and Counter64.
#include <gtest/gtest.h>

#include "protocol_test_util.h"

using namespace core_test;

namespace {

const int kUnsignedTags[] = {PMC_TAG_COUNTER32, PMC_TAG_GAUGE32, PMC_TAG_TIMETICKS};

TEST(IntegerValue, ReadsLikeTheCLibraryButRefusesOverflow) {
  auto value = make_value(PMC_TAG_INTEGER);
  EXPECT_EQ(value->from_text(" +42xyz"), PMC_OK);
  EXPECT_EQ(value->get_int32(nullptr), 42);
  EXPECT_EQ(value->from_text("abc"), PMC_OK);  // no leading number reads as 0
  EXPECT_EQ(value->get_int32(nullptr), 0);

  ASSERT_EQ(value->set_int32(7), PMC_OK);
  EXPECT_EQ(value->from_text("2147483648"), PMC_E_ARG);
  EXPECT_EQ(value->from_text("-2147483649"), PMC_E_ARG);
  EXPECT_EQ(value->from_text("99999999999999999999999"), PMC_E_ARG);
  EXPECT_EQ(value->from_text(static_cast<const char*>(nullptr)), PMC_E_ARG);
  EXPECT_EQ(value->get_int32(nullptr), 7);  // refusals leave the value alone
}

TEST(UnsignedValues, WriteAndReadTheWholeUnsignedRange) {
  for (int tag : kUnsignedTags) {
    auto value = make_value(tag);
    ASSERT_EQ(value->set_uint32(0xFFFFFFFFu), PMC_OK);
    EXPECT_EQ(text_of(*value), "4294967295");
    // A negative number keeps its bit pattern; beyond 32 bits is refused.
    EXPECT_EQ(value->from_text("-1"), PMC_OK);
    EXPECT_EQ(value->get_uint32(nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(value->from_text("4294967296"), PMC_E_ARG);
    EXPECT_EQ(value->from_text("-2147483649"), PMC_E_ARG);
  }
}

TEST(Counter64Value, TextIsTheDecimalOfTheWholeNumber) {
  auto value = make_value(PMC_TAG_COUNTER64);
  ASSERT_EQ(value->set_high32(1), PMC_OK);
  ASSERT_EQ(value->set_low32(0), PMC_OK);
  EXPECT_EQ(text_of(*value), "4294967296");
  ASSERT_EQ(value->set_low32(5), PMC_OK);
  EXPECT_EQ(text_of(*value), "4294967301");

  auto mid = parse("81985529216486895", PMC_TAG_COUNTER64);  // 0x0123456789ABCDEF
  ASSERT_TRUE(mid);
  EXPECT_EQ(mid->get_high32(nullptr), 0x01234567u);
  EXPECT_EQ(mid->get_low32(nullptr), 0x89ABCDEFu);
}

TEST(Counter64Value, RefusesAnythingButDigitsAndValuesAbove64Bits) {
  auto value = make_value(PMC_TAG_COUNTER64);
  ASSERT_EQ(value->from_text("77"), PMC_OK);
  for (const char* bad : {"18446744073709551616", "99999999999999999999999", "", "12a", "+1", "-1", " 1", "1 "}) {
    EXPECT_EQ(value->from_text(bad), PMC_E_ARG) << bad;
  }
  EXPECT_EQ(value->from_text(static_cast<const char*>(nullptr)), PMC_E_ARG);
  EXPECT_EQ(value->get_low32(nullptr), 77u);
}

TEST(Counter64Value, ThirtyTwoBitFaceIsTheLowHalf) {
  auto value = make_value(PMC_TAG_COUNTER64);
  value->set_high32(9);
  value->set_low32(3);
  EXPECT_EQ(value->get_uint32(nullptr), 3u);
  ASSERT_EQ(value->set_uint32(11), PMC_OK);
  EXPECT_EQ(value->get_high32(nullptr), 0u);
  EXPECT_EQ(value->get_low32(nullptr), 11u);
  EXPECT_EQ(value->size(), 1u);
}

TEST(NumberValues, UnsupportedGettersGiveFillerAndMinusFive) {
  auto gauge = make_value(PMC_TAG_GAUGE32);
  auto integer = make_value(PMC_TAG_INTEGER);
  int err = 0;
  EXPECT_EQ(gauge->get_int32(&err), -1);
  EXPECT_EQ(err, PMC_E_UNSUPPORTED);
  err = 0;
  EXPECT_EQ(integer->get_uint32(&err), 0xFFFFFFFFu);
  EXPECT_EQ(err, PMC_E_UNSUPPORTED);
  err = 0;
  EXPECT_EQ(integer->get_uint16(&err), 0xFFFF);
  EXPECT_EQ(err, PMC_E_UNSUPPORTED);
  size_t length = 9;
  EXPECT_EQ(integer->get_octets(&length, &err), nullptr);
  EXPECT_EQ(gauge->set_int32(1), PMC_E_UNSUPPORTED);
  // The octet text of a number is handed out empty, with -5.
  err = 0;
  PmcPtr<IPmcText> octets(integer->to_octet_text(&err));
  ASSERT_TRUE(octets);
  EXPECT_EQ(err, PMC_E_UNSUPPORTED);
  EXPECT_EQ(octets->length(), 0u);
}

TEST(NumberValues, EqualsAndAssignNeedTheSameTag) {
  auto integer = pmc_create_integer_value(1, PMC_TAG_INTEGER, nullptr);
  PmcPtr<IPmcValue> one(integer);
  auto gauge = make_value(PMC_TAG_GAUGE32);
  auto counter = make_value(PMC_TAG_COUNTER32);
  gauge->set_uint32(1);
  counter->set_uint32(1);
  EXPECT_FALSE(one->equals(*gauge));
  EXPECT_FALSE(gauge->equals(*counter));
  EXPECT_EQ(one->assign(*gauge), PMC_E_ARG);
  EXPECT_EQ(gauge->assign(*counter), PMC_E_ARG);

  auto other_gauge = make_value(PMC_TAG_GAUGE32);
  EXPECT_FALSE(other_gauge->equals(*gauge));
  ASSERT_EQ(other_gauge->assign(*gauge), PMC_OK);
  EXPECT_TRUE(other_gauge->equals(*gauge));

  auto big = make_value(PMC_TAG_COUNTER64);
  auto copy = make_value(PMC_TAG_COUNTER64);
  big->set_high32(2);
  big->set_low32(3);
  copy->set_low32(3);
  EXPECT_FALSE(copy->equals(*big));  // the high half counts too
  ASSERT_EQ(copy->assign(*big), PMC_OK);
  EXPECT_TRUE(copy->equals(*big));
}

TEST(NumberIndexForm, OneSubidentifierAndIntegerAsItsBitPattern) {
  auto oid = make_oid();
  auto minus_one = make_value(PMC_TAG_INTEGER);
  minus_one->set_int32(-1);
  EXPECT_EQ(minus_one->index_length(false), 1u);
  ASSERT_EQ(minus_one->to_oid(*oid, false), PMC_OK);
  EXPECT_OID(oid, "4294967295");

  auto back = make_value(PMC_TAG_INTEGER);
  ASSERT_EQ(back->from_oid(*oid, false, PMC_ALL_SUBIDS), PMC_OK);
  EXPECT_EQ(back->get_int32(nullptr), -1);

  for (int tag : kUnsignedTags) {
    auto value = make_value(tag);
    auto source = make_oid("3000000000.7.8");
    ASSERT_EQ(value->from_oid(*source, true, 2), PMC_OK);  // implied and count change nothing
    EXPECT_EQ(value->get_uint32(nullptr), 3000000000u);
    EXPECT_EQ(value->index_length(true), 1u);
  }
}

TEST(NumberIndexForm, MissingOrBadSubidentifiers) {
  auto value = make_value(PMC_TAG_GAUGE32);
  value->set_uint32(5);
  EXPECT_EQ(value->from_oid(*make_oid(), false, PMC_ALL_SUBIDS), PMC_E_EMPTY);
  EXPECT_EQ(value->get_uint32(nullptr), 0u);  // cleared first
  EXPECT_EQ(value->from_oid(*raw_oid("4294967296.1"), false, PMC_ALL_SUBIDS), PMC_E_ARG);
}

TEST(Counter64IndexForm, HasNone) {
  auto value = make_value(PMC_TAG_COUNTER64);
  auto oid = make_oid("1.2");
  EXPECT_EQ(value->index_length(false), 0u);
  EXPECT_EQ(value->append_to_oid(*oid, false), PMC_E_UNSUPPORTED);
  EXPECT_EQ(value->to_oid(*oid, false), PMC_E_UNSUPPORTED);
  EXPECT_EQ(value->from_oid(*oid, false, PMC_ALL_SUBIDS), PMC_E_UNSUPPORTED);
  EXPECT_OID(oid, "1.2");  // to_oid did not clear it
}

}  // namespace

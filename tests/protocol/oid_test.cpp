// Object identifiers: text checks, relations, appends and removals with their
// cached count, the index operations, and operations on the OID itself.
#include <gtest/gtest.h>

#include <string>

#include "protocol_test_util.h"

using namespace core_test;

namespace {

TEST(OidText, ValidTexts) {
  for (const char* good : {"", "0", "1.3.6.1", "0.0.0", "1.3.6.1.4.1.47001", "99999999999999999999"}) {
    EXPECT_TRUE(raw_oid(good)->is_valid()) << good;
    EXPECT_TRUE(make_oid(good)) << good;
  }
  for (const char* bad : {"1..2", "1.2.", ".1", "1.02", "01", "1.a", "1 .2", "-1", ".", "1.2.3 ", "+1"}) {
    EXPECT_FALSE(raw_oid(bad)->is_valid()) << bad;
    int err = 0;
    EXPECT_EQ(pmc_create_oid_from_text(bad, &err), nullptr) << bad;
    EXPECT_EQ(err, PMC_E_ARG);
  }
  int err = 0;
  EXPECT_EQ(pmc_create_oid_from_text(nullptr, &err), nullptr);
  EXPECT_EQ(err, PMC_E_ARG);
}

TEST(OidCompare, RelationsOfTheText) {
  struct Case {
    const char* self;
    const char* other;
    uint32_t relation;
  } cases[] = {
      {"1.3.6.1", "1.3.6.1.2", IPmcOid::OTHER_BELOW},  {"1.3.6.1.2", "1.3.6.1", IPmcOid::THIS_BELOW},
      {"1.3.6.1", "1.3.6.10", IPmcOid::SORTS_BEFORE},  {"1.3.6.10", "1.3.6.1", IPmcOid::SORTS_AFTER},
      {"1.3.6.1", "1.3.6.1", IPmcOid::EQUAL},          {"", "", IPmcOid::EQUAL},
      {"1.3.6.1.10", "1.3.6.1.9", IPmcOid::SORTS_BEFORE},  // character order, not numeric
      {"1.3.6.2", "1.3.6.1.5", IPmcOid::SORTS_AFTER},  {"", "1", IPmcOid::SORTS_BEFORE},
  };
  for (const Case& c : cases) {
    auto self = make_oid(c.self);
    int err = 1;
    EXPECT_EQ(self->compare(c.other, &err), c.relation) << c.self << " vs " << c.other;
    EXPECT_EQ(err, PMC_OK);
    EXPECT_EQ(self->compare(*make_oid(c.other), nullptr), c.relation) << c.self << " vs " << c.other;
  }
  int err = 0;
  EXPECT_EQ(make_oid("1")->compare(static_cast<const char*>(nullptr), &err), IPmcOid::COMPARE_FAILED);
  EXPECT_EQ(err, PMC_E_ARG);
}

TEST(OidStrip, RemovesAPrefixAtAComponentBoundaryOnly) {
  auto oid = make_oid("1.3.6.1.2.1.25");
  ASSERT_EQ(oid->size(), 7u);  // counted, so the strip must keep the cache true
  ASSERT_EQ(oid->strip_prefix("1.3.6.1"), PMC_OK);
  EXPECT_OID(oid, "2.1.25");
  EXPECT_EQ(oid->strip_prefix("2.1.2"), PMC_E_ARG);  // 2.1.25 does not lie below 2.1.2
  EXPECT_EQ(oid->strip_prefix(static_cast<const char*>(nullptr)), PMC_E_ARG);
  EXPECT_OID(oid, "2.1.25");
  ASSERT_EQ(oid->strip_prefix(*make_oid("2.1.25")), PMC_OK);
  EXPECT_OID(oid, "");
  auto self = make_oid("4.5");
  ASSERT_EQ(self->strip_prefix(*self), PMC_OK);
  EXPECT_OID(self, "");
}

TEST(OidAppend, EveryKindOfAppendKeepsTheCountTrue) {
  auto oid = make_oid();
  ASSERT_EQ(oid->append_subid(7), PMC_OK);
  EXPECT_OID(oid, "7");
  ASSERT_EQ(oid->append_text(""), PMC_OK);
  ASSERT_EQ(oid->append_text(nullptr), PMC_OK);
  EXPECT_OID(oid, "7");
  ASSERT_EQ(oid->append_text("8.9"), PMC_OK);
  EXPECT_OID(oid, "7.8.9");
  ASSERT_EQ(oid->append_subid(4294967295u), PMC_OK);
  EXPECT_OID(oid, "7.8.9.4294967295");
  ASSERT_EQ(oid->append_oid(*make_oid()), PMC_OK);
  ASSERT_EQ(oid->append_oid(*make_oid("1.2")), PMC_OK);
  EXPECT_OID(oid, "7.8.9.4294967295.1.2");
  ASSERT_EQ(oid->append_value_text("ab", PMC_TAG_OCTET_STRING, false), PMC_OK);
  EXPECT_OID(oid, "7.8.9.4294967295.1.2.2.97.98");
  ASSERT_EQ(oid->append_value(*parse("5", PMC_TAG_INTEGER), true), PMC_OK);
  EXPECT_OID(oid, "7.8.9.4294967295.1.2.2.97.98.5");
  EXPECT_EQ(oid->append_value_text(nullptr, PMC_TAG_INTEGER, false), PMC_E_ARG);
  EXPECT_EQ(oid->append_value_text("1.2.3", PMC_TAG_IP_ADDRESS, false), PMC_E_ARG);
  EXPECT_EQ(oid->append_value(*make_value(PMC_TAG_COUNTER64), false), PMC_E_UNSUPPORTED);
  EXPECT_OID(oid, "7.8.9.4294967295.1.2.2.97.98.5");
}

TEST(OidAppend, AnOidAppendedToItself) {
  auto oid = make_oid("1.2");
  ASSERT_EQ(oid->append_oid(*oid), PMC_OK);
  EXPECT_OID(oid, "1.2.1.2");
  ASSERT_EQ(oid->append_value(*oid, false), PMC_OK);
  EXPECT_OID(oid, "1.2.1.2.4.1.2.1.2");
  // Text taken from the OID's own bytes.
  auto small = make_oid("3.4");
  size_t length = 0;
  ASSERT_EQ(small->append_text(reinterpret_cast<const char*>(small->get_octets(&length, nullptr))), PMC_OK);
  EXPECT_OID(small, "3.4.3.4");
}

TEST(OidElements, PositionsEndsAndOversizedComponents) {
  int err = 0;
  EXPECT_EQ(make_oid()->get_element(0, &err), 0xFFFFFFFFu);
  EXPECT_EQ(err, PMC_E_EMPTY);
  auto oid = make_oid("1.3.4294967295");
  EXPECT_EQ(oid->get_element(2, &err), 4294967295u);
  EXPECT_EQ(err, PMC_OK);
  EXPECT_EQ(oid->get_element(oid->size(), &err), 0xFFFFFFFFu);
  EXPECT_EQ(err, PMC_E_NOVALUE);
  EXPECT_EQ(oid->get_uint32(&err), 1u);
  auto huge = make_oid("1.4294967296.99999999999999999999999");
  EXPECT_EQ(huge->get_element(1, &err), 0xFFFFFFFFu);
  EXPECT_EQ(err, PMC_E_ARG);
  EXPECT_EQ(huge->get_element(2, &err), 0xFFFFFFFFu);
  EXPECT_EQ(err, PMC_E_ARG);
  EXPECT_EQ(raw_oid("1.x")->get_element(1, &err), 0xFFFFFFFFu);
  EXPECT_EQ(err, PMC_E_ARG);
  ASSERT_EQ(oid->set_uint32(77), PMC_OK);
  EXPECT_OID(oid, "77");
}

TEST(OidRemove, FromTheFrontTheMiddleAndPastTheEnd) {
  auto oid = make_oid("1.2.3.4.5");
  ASSERT_EQ(oid->size(), 5u);
  ASSERT_EQ(oid->remove(0, 2), PMC_OK);
  EXPECT_OID(oid, "3.4.5");
  ASSERT_EQ(oid->remove(1, 1), PMC_OK);
  EXPECT_OID(oid, "3.5");
  EXPECT_EQ(oid->remove(3, 1), PMC_E_ARG);
  ASSERT_EQ(oid->remove(2, 1), PMC_OK);  // at the end: nothing to remove
  ASSERT_EQ(oid->remove(1, PMC_ALL_SUBIDS), PMC_OK);
  EXPECT_OID(oid, "3");
  ASSERT_EQ(oid->remove(0, 9), PMC_OK);
  EXPECT_OID(oid, "");
  // On text that is not a valid OID the count still follows the text.
  auto odd = raw_oid("1.2.");
  ASSERT_EQ(odd->size(), 3u);
  ASSERT_EQ(odd->remove(0, 2), PMC_OK);
  EXPECT_OID(odd, "");
}

TEST(OidTakeFront, SplitTextAndSubidentifiers) {
  auto oid = make_oid("1.3.6.1.2");
  int err = 1;
  PmcPtr<IPmcOid> front(oid->split_front(2, &err));
  ASSERT_TRUE(front);
  EXPECT_EQ(err, PMC_OK);
  EXPECT_OID(front, "1.3");
  EXPECT_OID(oid, "6.1.2");
  PmcPtr<IPmcText> text(oid->take_front_text(1, &err));
  ASSERT_TRUE(text);
  EXPECT_STREQ(text->c_str(), "6");
  EXPECT_OID(oid, "1.2");
  EXPECT_EQ(oid->pop_subid(&err), 1u);
  EXPECT_EQ(err, PMC_OK);
  EXPECT_EQ(oid->pop_subid(&err), 2u);
  EXPECT_EQ(oid->pop_subid(&err), 0xFFFFFFFFu);
  EXPECT_EQ(err, PMC_E_EMPTY);
  PmcPtr<IPmcOid> rest(make_oid("9.8")->split_front(10, &err));
  EXPECT_OID(rest, "9.8");

  auto big = make_oid("4294967296.1");
  EXPECT_EQ(big->pop_subid(&err), 0xFFFFFFFFu);
  EXPECT_EQ(err, PMC_E_ARG);
  EXPECT_OID(big, "4294967296.1");  // nothing removed
}

TEST(OidTakeFront, IntoAValueThatMayRefuse) {
  auto oid = make_oid("10.0.0.1.7");
  auto address = make_value(PMC_TAG_IP_ADDRESS);
  EXPECT_EQ(oid->take_front_into(*address, 3), PMC_E_ARG);  // "10.0.0" is no address
  EXPECT_OID(oid, "10.0.0.1.7");
  ASSERT_EQ(oid->take_front_into(*address, 4), PMC_OK);
  EXPECT_EQ(text_of(*address), "10.0.0.1");
  EXPECT_OID(oid, "7");
  EXPECT_EQ(oid->take_front_into(*oid, 1), PMC_E_ARG);
}

TEST(OidIndexValues, PopAndTakeConsumeWhatTheValueUsed) {
  auto oid = make_oid("3.97.98.99.5.10.0.0.1.42");
  int err = 1;
  PmcPtr<IPmcValue> name(oid->pop_value(PMC_TAG_OCTET_STRING, &err, false, PMC_ALL_SUBIDS));
  ASSERT_TRUE(name);
  EXPECT_EQ(text_of(*name), "abc");
  EXPECT_OID(oid, "5.10.0.0.1.42");
  PmcPtr<IPmcValue> number(oid->pop_value(PMC_TAG_INTEGER, &err, false, PMC_ALL_SUBIDS));
  ASSERT_TRUE(number);
  EXPECT_EQ(number->get_int32(nullptr), 5);
  // An implied address always uses 4 sub-identifiers, whatever the count.
  auto address = make_value(PMC_TAG_IP_ADDRESS);
  ASSERT_EQ(oid->take_value(*address, true, 2), PMC_OK);
  EXPECT_EQ(text_of(*address), "10.0.0.1");
  EXPECT_OID(oid, "42");
  // Failures remove nothing and hand out nothing.
  EXPECT_EQ(oid->pop_value(PMC_TAG_OCTET_STRING, &err, false, PMC_ALL_SUBIDS), nullptr);
  EXPECT_EQ(err, PMC_E_BAD_INDEX);
  EXPECT_EQ(oid->pop_value(PMC_TAG_COUNTER64, &err, false, PMC_ALL_SUBIDS), nullptr);
  EXPECT_EQ(err, PMC_E_UNSUPPORTED);
  EXPECT_EQ(oid->pop_value(3, &err, false, PMC_ALL_SUBIDS), nullptr);
  EXPECT_EQ(err, PMC_E_ARG);
  EXPECT_OID(oid, "42");
  EXPECT_EQ(oid->take_value(*oid, false, PMC_ALL_SUBIDS), PMC_E_ARG);
}

TEST(OidIndexValues, ImpliedOctetsWithACount) {
  auto oid = make_oid("104.105.33.1");
  int err = 1;
  PmcPtr<IPmcValue> word(oid->pop_value(PMC_TAG_OCTET_STRING, &err, true, 2));
  ASSERT_TRUE(word);
  EXPECT_EQ(text_of(*word), "hi");
  EXPECT_OID(oid, "33.1");
  PmcPtr<IPmcValue> rest(oid->pop_value(PMC_TAG_OCTET_STRING, &err, true, PMC_ALL_SUBIDS));
  ASSERT_TRUE(rest);
  EXPECT_EQ(text_of(*rest), "!\x01");
  EXPECT_OID(oid, "");
}

TEST(OidIndexValues, ReadValueLeavesTheOid) {
  auto oid = make_oid("2.104.105");
  int err = 1;
  PmcPtr<IPmcValue> value(oid->read_value(PMC_TAG_OCTET_STRING, &err, false));
  ASSERT_TRUE(value);
  EXPECT_EQ(text_of(*value), "hi");
  EXPECT_OID(oid, "2.104.105");
  EXPECT_EQ(oid->read_value(PMC_TAG_IP_ADDRESS, &err, false), nullptr);
  EXPECT_EQ(err, PMC_E_BAD_INDEX);
}

TEST(OidIndexValues, SetFromValueAndTheOidsOwnForm) {
  auto oid = make_oid("9.9");
  ASSERT_EQ(oid->set_from_value(*parse("ab", PMC_TAG_OCTET_STRING), false), PMC_OK);
  EXPECT_OID(oid, "2.97.98");
  EXPECT_EQ(oid->set_from_value(*make_value(PMC_TAG_COUNTER64), false), PMC_E_UNSUPPORTED);
  EXPECT_EQ(oid->set_from_value(*raw_oid("1.x"), false), PMC_E_ARG);
  EXPECT_OID(oid, "2.97.98");

  auto source = make_oid("1.3.6");
  EXPECT_EQ(source->index_length(false), 4u);
  ASSERT_EQ(oid->set_from_value(*source, false), PMC_OK);
  EXPECT_OID(oid, "3.1.3.6");
  auto back = make_value(PMC_TAG_OID);
  ASSERT_EQ(back->from_oid(*oid, false, PMC_ALL_SUBIDS), PMC_OK);
  EXPECT_TRUE(back->equals(*source));
  ASSERT_EQ(back->from_oid(*oid, true, 2), PMC_OK);
  EXPECT_OID(back->as_oid(), "3.1");
  EXPECT_EQ(back->from_oid(*make_oid("4.1.2"), false, PMC_ALL_SUBIDS), PMC_E_BAD_INDEX);
  EXPECT_EQ(back->from_oid(*make_oid("3.1.2"), false, PMC_ALL_SUBIDS), PMC_E_NOVALUE);
  // An OID becomes its own index form, and reads itself back.
  ASSERT_EQ(source->set_from_value(*source, false), PMC_OK);
  EXPECT_OID(source, "3.1.3.6");
  ASSERT_EQ(source->read_value(*source, false), PMC_OK);
  EXPECT_OID(source, "1.3.6");
}

TEST(OidIndexValues, TextThatDoesNotConvertLeavesTheTargetAlone) {
  auto target = make_oid("1.2");
  EXPECT_EQ(raw_oid("1.x.3")->append_to_oid(*target, false), PMC_E_ARG);
  EXPECT_EQ(raw_oid("1.99999999999")->to_oid(*target, true), PMC_E_ARG);
  EXPECT_OID(target, "1.2");
}

TEST(OidValueFace, StoresAnyTextAndComparesTexts) {
  auto oid = make_value(PMC_TAG_OID);
  ASSERT_EQ(oid->from_text("1.3..x"), PMC_OK);
  EXPECT_FALSE(oid->is_valid());
  EXPECT_EQ(oid->size(), 4u);
  ASSERT_EQ(oid->set_octets("1.3.6", 5), PMC_OK);
  EXPECT_TRUE(oid->is_valid());
  EXPECT_TRUE(oid->equals(*make_oid("1.3.6")));
  EXPECT_FALSE(oid->equals(*make_oid("1.3.6.0")));
  EXPECT_EQ(oid->from_text(static_cast<const char*>(nullptr)), PMC_OK);
  EXPECT_EQ(oid->size(), 0u);
  auto copy = make_value(PMC_TAG_OID);
  ASSERT_EQ(copy->assign(*make_oid("1.2.3")), PMC_OK);
  EXPECT_EQ(copy->size(), 3u);
  EXPECT_EQ(copy->assign(*parse("1.2.3.4", PMC_TAG_IP_ADDRESS)), PMC_E_ARG);
  PmcPtr<IPmcOid> clone(copy->as_oid()->clone(nullptr));
  ASSERT_TRUE(clone);
  EXPECT_OID(clone, "1.2.3");
  ASSERT_EQ(clone->append_subid(4), PMC_OK);
  EXPECT_OID(copy->as_oid(), "1.2.3");
}

}  // namespace

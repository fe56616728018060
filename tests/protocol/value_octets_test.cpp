// OCTET STRING, Opaque and the address classes built on the octet buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "protocol/pmc_value_octets.h"
#include "protocol_test_util.h"

using namespace core_test;

namespace {

const CPmcOctetString& octets_of(IPmcValue& value) {
  void* impl = nullptr;
  EXPECT_EQ(value.query_interface(PMC_IID_OCTET_STRING, &impl), PMC_OK);
  return *static_cast<CPmcOctetString*>(impl);
}

TEST(OctetString, KeepsEveryByteOfATextObject) {
  auto value = make_value(PMC_TAG_OCTET_STRING);
  const char bytes[] = {'a', '\0', 'b', '\xff'};
  PmcPtr<IPmcText> source(pmc_create_text(nullptr));
  ASSERT_EQ(source->assign(bytes, sizeof bytes), PMC_OK);
  ASSERT_EQ(value->from_text(*source), PMC_OK);
  EXPECT_EQ(value->size(), 4u);
  EXPECT_EQ(text_of(*value), std::string(bytes, sizeof bytes));
  size_t length = 0;
  const unsigned char* raw = value->get_octets(&length, nullptr);
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(std::memcmp(raw, bytes, 4), 0);
  int err = 0;
  EXPECT_EQ(value->get_octets(nullptr, &err), nullptr);
  EXPECT_EQ(err, PMC_E_ARG);
  EXPECT_EQ(value->get_element(3, &err), 0xFFu);
  EXPECT_EQ(value->get_element(4, &err), 0xFFFFFFFFu);
  EXPECT_EQ(err, PMC_E_ARG);
}

TEST(OctetString, NullTextEmptiesAndNullDataIsRefused) {
  for (int tag : {PMC_TAG_OCTET_STRING, PMC_TAG_OPAQUE}) {
    auto value = parse("abc", tag);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->from_text(static_cast<const char*>(nullptr)), PMC_OK);
    EXPECT_EQ(value->size(), 0u);
    EXPECT_EQ(value->set_octets(nullptr, 3), PMC_E_ARG);
    EXPECT_EQ(value->set_octets(nullptr, 0), PMC_OK);
  }
}

TEST(OctetString, BufferGrowsInBlocksOf128AndNeverShrinks) {
  auto value = make_value(PMC_TAG_OCTET_STRING);
  const CPmcOctetString& impl = octets_of(*value);
  EXPECT_EQ(impl.capacity(), 0u);
  std::vector<unsigned char> bytes(400, 0x5a);
  struct Step {
    size_t length, capacity;
  } steps[] = {{1, 128}, {127, 128}, {128, 128}, {129, 256}, {300, 384}, {10, 384}};
  for (const Step& step : steps) {
    ASSERT_EQ(value->set_octets(bytes.data(), step.length), PMC_OK);
    EXPECT_EQ(impl.length(), step.length);
    EXPECT_EQ(impl.capacity(), step.capacity) << "after " << step.length << " octets";
  }
  value->clear();
  EXPECT_EQ(impl.length(), 0u);
  EXPECT_EQ(impl.capacity(), 384u);
  // Growing to a whole block still adds one: (needed / 128 + 1) * 128.
  auto fresh = make_value(PMC_TAG_OPAQUE);
  ASSERT_EQ(fresh->set_octets(bytes.data(), 256), PMC_OK);
  EXPECT_EQ(octets_of(*fresh).capacity(), 384u);
}

TEST(OctetString, SetOctetsFromItsOwnBytes) {
  auto value = parse("hello world", PMC_TAG_OCTET_STRING);
  size_t length = 0;
  const unsigned char* own = value->get_octets(&length, nullptr);
  ASSERT_EQ(value->set_octets(own + 6, 5), PMC_OK);
  EXPECT_EQ(text_of(*value), "world");
}

TEST(OctetString, OpaqueEqualsOnlyOpaque) {
  auto opaque = parse("xyz", PMC_TAG_OPAQUE);
  auto same = parse("xyz", PMC_TAG_OPAQUE);
  auto string = parse("xyz", PMC_TAG_OCTET_STRING);
  auto shorter = parse("xy", PMC_TAG_OPAQUE);
  EXPECT_TRUE(opaque->equals(*same));
  EXPECT_FALSE(opaque->equals(*string));
  EXPECT_FALSE(opaque->equals(*shorter));
  EXPECT_EQ(string->assign(*opaque), PMC_E_ARG);
  ASSERT_EQ(shorter->assign(*opaque), PMC_OK);
  EXPECT_TRUE(shorter->equals(*opaque));
  PmcPtr<IPmcValue> copy(opaque->clone(nullptr));
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->get_type(), PMC_TAG_OPAQUE);
  EXPECT_TRUE(copy->equals(*opaque));
}

// ---------------------------------------------------------------------------
// Fixed-size addresses
// ---------------------------------------------------------------------------

TEST(FixedAddresses, StartZeroedAndClearZeroesAgain) {
  struct Case {
    int tag;
    size_t size;
    const char* zero;
    const char* sample;
  } cases[] = {
      {PMC_TAG_IP_ADDRESS, 4, "0.0.0.0", "10.1.2.3"},
      {PMC_TAG_IPV6_ADDRESS, 16, "0:0:0:0:0:0:0:0", "fe80:0:0:0:1:2:3:abcd"},
      {PMC_TAG_IPV4_PREFIX, 6, "0.0.0.0/0", "192.168.0.0/16"},
      {PMC_TAG_IPX_ADDRESS, 12, "00000000:000000000000/0", "0000abcd:0123456789ab/451"},
  };
  for (const Case& c : cases) {
    auto value = make_value(c.tag);
    EXPECT_EQ(value->size(), c.size);
    EXPECT_EQ(text_of(*value), c.zero);
    ASSERT_EQ(value->from_text(c.sample), PMC_OK) << c.sample;
    EXPECT_EQ(text_of(*value), c.sample);
    value->clear();
    EXPECT_EQ(value->size(), c.size);
    EXPECT_EQ(text_of(*value), c.zero);
    // Only the exact size is taken.
    std::vector<unsigned char> bytes(c.size + 1, 1);
    EXPECT_EQ(value->set_octets(bytes.data(), c.size + 1), PMC_E_ARG);
    EXPECT_EQ(value->set_octets(bytes.data(), c.size - 1), PMC_E_ARG);
    EXPECT_EQ(value->set_octets(bytes.data(), c.size), PMC_OK);
    EXPECT_EQ(value->from_text(static_cast<const char*>(nullptr)), PMC_E_ARG);
  }
}

TEST(IpAddress, RefusesWhatIsNotFourDecimalParts) {
  auto value = parse("10.0.0.255", PMC_TAG_IP_ADDRESS);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->get_uint32(nullptr), 0x0A0000FFu);
  for (const char* bad : {"1.2.3.256", "1.2.3", "1.2.3.-4", "1.2.3.4.5", "1.2.3.4 ", " 1.2.3.4", "1..2.3", "",
                          "a.b.c.d", "1.2.3.99999999999999999999"}) {
    EXPECT_EQ(value->from_text(bad), PMC_E_ARG) << bad;
  }
  // A refused text leaves the address as it was.
  EXPECT_EQ(text_of(*value), "10.0.0.255");
  ASSERT_EQ(value->set_uint32(0xC0A80101u), PMC_OK);
  EXPECT_EQ(text_of(*value), "192.168.1.1");
}

TEST(Ipv6Address, EightGroupsOnly) {
  auto value = parse("FE80:0:0:0:0:0:0:1", PMC_TAG_IPV6_ADDRESS);
  ASSERT_TRUE(value);
  EXPECT_EQ(text_of(*value), "fe80:0:0:0:0:0:0:1");
  EXPECT_EQ(value->get_element(0, nullptr), 0xFEu);
  EXPECT_EQ(value->get_element(15, nullptr), 0x01u);
  for (const char* bad : {"1:2:3:4:5:6:7", "::1", "1::2:3:4:5:6:7", "1:2:3:4:5:6:7:8:9", "1:2:3:4:5:6:7:g",
                          "1:2:3:4:5:6:7:", ""}) {
    EXPECT_EQ(value->from_text(bad), PMC_E_ARG) << bad;
  }
  // A group of more than four digits keeps its low 16 bits.
  ASSERT_EQ(value->from_text("12345:0:0:0:0:0:0:0"), PMC_OK);
  EXPECT_EQ(text_of(*value), "2345:0:0:0:0:0:0:0");
}

TEST(Ipv4Prefix, AddressAndPrefixLength) {
  auto value = parse("10.1.2.0/24", PMC_TAG_IPV4_PREFIX);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->get_uint16(nullptr), 24);
  EXPECT_EQ(value->get_uint32(nullptr), 0x0A010200u);
  ASSERT_EQ(value->set_uint16(65535), PMC_OK);
  EXPECT_EQ(text_of(*value), "10.1.2.0/65535");
  for (const char* bad : {"10.1.2.0/65536", "10.1.2.0", "10.1.2.0/", "256.1.2.0/8", "10.1.2.0/8x"}) {
    EXPECT_EQ(value->from_text(bad), PMC_E_ARG) << bad;
  }
  EXPECT_EQ(text_of(*value), "10.1.2.0/65535");
}

TEST(IpxAddress, HexadecimalFieldsAndAnHonestLength) {
  auto value = parse("0000abcd:0123456789ab/451", PMC_TAG_IPX_ADDRESS);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->get_uint16(nullptr), 0x451);
  PmcPtr<IPmcText> text(value->to_text(nullptr));
  // The length counts the characters only, not the terminating zero.
  EXPECT_EQ(text->length(), std::strlen(text->c_str()));
  ASSERT_EQ(value->set_uint16(0xFFFF), PMC_OK);
  EXPECT_EQ(text_of(*value), "0000abcd:0123456789ab/ffff");
  for (const char* bad : {"0000abcd:0123456789ab/10000", "abcd:0123456789ab/1", "0000abcd:0123456789/1",
                          "0000abcd0123456789ab/1", "0000abcd:0123456789ab/", "0000abcd:0123456789ab/1 ",
                          "0000abcg:0123456789ab/1"}) {
    EXPECT_EQ(value->from_text(bad), PMC_E_ARG) << bad;
  }
}

// ---------------------------------------------------------------------------
// Index forms
// ---------------------------------------------------------------------------

TEST(OctetIndexForm, LengthThenOctetsOrImplied) {
  auto value = parse("abc", PMC_TAG_OCTET_STRING);
  auto oid = make_oid("9");
  EXPECT_EQ(value->index_length(false), 4u);
  EXPECT_EQ(value->index_length(true), 3u);
  ASSERT_EQ(value->append_to_oid(*oid, false), PMC_OK);
  EXPECT_OID(oid, "9.3.97.98.99");
  ASSERT_EQ(value->to_oid(*oid, true), PMC_OK);
  EXPECT_OID(oid, "97.98.99");

  auto back = make_value(PMC_TAG_OPAQUE);
  ASSERT_EQ(back->from_oid(*make_oid("3.97.98.99.100"), false, PMC_ALL_SUBIDS), PMC_OK);
  EXPECT_EQ(text_of(*back), "abc");
}

TEST(OctetIndexForm, MalformedAndShortIndexes) {
  auto value = make_value(PMC_TAG_OCTET_STRING);
  EXPECT_EQ(value->from_oid(*make_oid("4.1.2"), false, PMC_ALL_SUBIDS), PMC_E_BAD_INDEX);
  EXPECT_EQ(value->from_oid(*make_oid("3.1.2"), false, PMC_ALL_SUBIDS), PMC_E_NOVALUE);
  EXPECT_EQ(value->from_oid(*make_oid("2.256.1"), false, PMC_ALL_SUBIDS), PMC_E_BAD_INDEX);
  EXPECT_EQ(value->from_oid(*make_oid("1.97.256"), true, PMC_ALL_SUBIDS), PMC_E_BAD_INDEX);
  EXPECT_EQ(value->size(), 2u);  // partly filled, as far as it got
  EXPECT_EQ(value->from_oid(*make_oid(), false, PMC_ALL_SUBIDS), PMC_E_EMPTY);
  EXPECT_EQ(value->from_oid(*raw_oid("2.97.98x"), false, PMC_ALL_SUBIDS), PMC_E_ARG);
}

TEST(OctetIndexForm, ImpliedTakesCountOrEverything) {
  auto source = make_oid("97.98.99");
  auto value = make_value(PMC_TAG_OCTET_STRING);
  struct Case {
    uint32_t count;
    const char* text;
  } cases[] = {{2, "ab"}, {PMC_ALL_SUBIDS, "abc"}, {7, "abc"}, {0, ""}};
  for (const Case& c : cases) {
    ASSERT_EQ(value->from_oid(*source, true, c.count), PMC_OK);
    EXPECT_EQ(text_of(*value), c.text);
  }
  EXPECT_OID(source, "97.98.99");  // reading leaves the OID alone
}

TEST(AddressIndexForm, LeadLengthAndOctets) {
  struct Case {
    int tag;
    const char* text;
    const char* form;
    const char* implied_form;
  } cases[] = {
      {PMC_TAG_IP_ADDRESS, "10.0.0.1", "4.10.0.0.1", "10.0.0.1"},
      {PMC_TAG_IPV4_PREFIX, "10.0.0.0/8", "1.6.10.0.0.0.0.8", "1.10.0.0.0.0.8"},
      {PMC_TAG_IPV6_ADDRESS, "fe80:0:0:0:0:0:0:1", "16.254.128.0.0.0.0.0.0.0.0.0.0.0.0.0.1",
       "254.128.0.0.0.0.0.0.0.0.0.0.0.0.0.1"},
      {PMC_TAG_IPX_ADDRESS, "0000abcd:0123456789ab/451", "5.12.0.0.171.205.1.35.69.103.137.171.4.81",
       "5.0.0.171.205.1.35.69.103.137.171.4.81"},
  };
  for (const Case& c : cases) {
    auto value = parse(c.text, c.tag);
    ASSERT_TRUE(value) << c.text;
    auto oid = make_oid();
    for (bool implied : {false, true}) {
      const char* form = implied ? c.implied_form : c.form;
      ASSERT_EQ(value->to_oid(*oid, implied), PMC_OK);
      EXPECT_OID(oid, form);
      EXPECT_EQ(value->index_length(implied), oid->size());
      auto back = make_value(c.tag);
      ASSERT_EQ(back->from_oid(*oid, implied, PMC_ALL_SUBIDS), PMC_OK) << form;
      EXPECT_TRUE(back->equals(*value)) << form;
    }
  }
}

TEST(AddressIndexForm, WrongLeadOrLengthAndMissingOctets) {
  auto ip = make_value(PMC_TAG_IP_ADDRESS);
  EXPECT_EQ(ip->from_oid(*make_oid("5.10.0.0.1.1"), false, PMC_ALL_SUBIDS), PMC_E_BAD_INDEX);
  EXPECT_EQ(ip->from_oid(*make_oid("4.10.0.0"), false, PMC_ALL_SUBIDS), PMC_E_NOVALUE);
  EXPECT_EQ(ip->from_oid(*make_oid("10.0.300.1"), true, PMC_ALL_SUBIDS), PMC_E_BAD_INDEX);
  auto prefix = make_value(PMC_TAG_IPV4_PREFIX);
  EXPECT_EQ(prefix->from_oid(*make_oid("2.6.10.0.0.0.0.8"), false, PMC_ALL_SUBIDS), PMC_E_BAD_INDEX);
  EXPECT_EQ(prefix->from_oid(*make_oid("1.5.10.0.0.0.0.8"), false, PMC_ALL_SUBIDS), PMC_E_BAD_INDEX);
  auto ipx = make_value(PMC_TAG_IPX_ADDRESS);
  EXPECT_EQ(ipx->from_oid(*make_oid("5.11"), false, PMC_ALL_SUBIDS), PMC_E_BAD_INDEX);
  EXPECT_EQ(ipx->from_oid(*make_oid("5.12.1.2"), false, PMC_ALL_SUBIDS), PMC_E_NOVALUE);
  // The octet count is fixed: an implied count does not change it.
  ASSERT_EQ(ip->from_oid(*make_oid("1.2.3.4.5.6"), true, 2), PMC_OK);
  EXPECT_EQ(text_of(*ip), "1.2.3.4");
}

}  // namespace

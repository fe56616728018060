// The messages Net-SNMP built (shared/fixtures/ber): our decoder reads each
// into the values Net-SNMP's own parser read, and our encoder, given those
// values, rebuilds each message byte for byte.
#include <gtest/gtest.h>

#include "snmp/codec_test_support.h"

using namespace codec_test;

namespace {

class Fixtures : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    m_fixture = load_fixture(GetParam());
    ASSERT_FALSE(m_fixture.message.empty()) << "missing fixture " << GetParam();
    ASSERT_FALSE(m_fixture.bindings.empty());
  }

  // The PDU and header the fixture describes, built from its values alone.
  PmcPtr<IPmsPdu> described_pdu() const {
    PmcPtr<IPmsPdu> out = pdu(m_fixture.pdu_tag & 0x1F, m_fixture.request_id);
    out->set_error_status(m_fixture.error_status);
    out->set_error_index(static_cast<size_t>(m_fixture.error_index));
    add_fixture_bindings(m_fixture, *out);
    return out;
  }

  void expect_fixture_values(const IPmsPdu& decoded, const IPmsSnmpTarget& target) const {
    EXPECT_EQ(target.get_version(), m_fixture.version);
    EXPECT_EQ(pms_community_of(&target)->get_community(), m_fixture.community);
    EXPECT_EQ(0xA0 | decoded.get_type(), m_fixture.pdu_tag);
    EXPECT_EQ(decoded.get_request_id(), m_fixture.request_id);
    EXPECT_EQ(decoded.get_error_status(), m_fixture.error_status);
    EXPECT_EQ(decoded.get_error_index(), static_cast<size_t>(m_fixture.error_index));
    const IPmcVarBindList* list = decoded.get_varbind_list();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->size(), m_fixture.bindings.size());
    for (size_t i = 0; i < list->size(); ++i) {
      const FixtureBinding& expected = m_fixture.bindings[i];
      const IPmcValue* value = list->at(i)->get_value();
      EXPECT_EQ(oid_text(*list->at(i)), expected.oid) << i;
      EXPECT_EQ(value->get_type(), expected.tag) << expected.oid;
      EXPECT_EQ(fixture_value_text(*value), expected.value) << expected.oid;
    }
  }

  Fixture m_fixture;
};

}  // namespace

TEST_P(Fixtures, DecodesToNetSnmpsValues) {
  PmcPtr<IPmsPdu> decoded = pdu(PMS_PDU_NONE);
  PmcPtr<IPmsSnmpTarget> target = header(PMS_VERSION_NONE, "");
  ASSERT_EQ(decode(m_fixture.message, decoded.get(), target.get()), PMC_OK);
  expect_fixture_values(*decoded, *target);
}

TEST_P(Fixtures, EncodesByteForByte) {
  PmcPtr<IPmsPdu> described = described_pdu();
  Encoded out = encode(*described, *header(m_fixture.version, m_fixture.community.c_str()));
  ASSERT_EQ(out.rc, PMC_OK);
  EXPECT_EQ(out.bindings, m_fixture.bindings.size());
  EXPECT_EQ(hex_text(out.bytes), hex_text(m_fixture.message));
}

TEST_P(Fixtures, DecodesInPlaceIntoTheRequestAndAgainIntoItself) {
  // The request a session would hold: the fixture's OIDs with NULL values.
  PmcPtr<IPmsPdu> request = pdu(PMS_PDU_GETNEXT, m_fixture.request_id);
  for (const FixtureBinding& binding : m_fixture.bindings) add(*request, binding.oid.c_str());
  PmcPtr<IPmsSnmpTarget> target = header();
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(decode(m_fixture.message, request.get(), target.get()), PMC_OK) << round;
    expect_fixture_values(*request, *target);
  }
  // And the PDU decoded twice still encodes to the same message.
  Encoded out = encode(*request, *header(m_fixture.version, m_fixture.community.c_str()));
  ASSERT_EQ(out.rc, PMC_OK);
  EXPECT_EQ(hex_text(out.bytes), hex_text(m_fixture.message));
}

TEST_P(Fixtures, HeaderOnlyReadsTheRequestId) {
  int32_t status = -1;
  int32_t id = 0;
  ASSERT_EQ(decode_header(m_fixture.message, &status, &id), PMC_OK);
  EXPECT_EQ(status, m_fixture.error_status);
  EXPECT_EQ(id, m_fixture.request_id);
}

TEST(FixtureSet, AllSixArePresent) { EXPECT_EQ(fixture_names().size(), 6u); }

INSTANTIATE_TEST_SUITE_P(Ber, Fixtures, ::testing::ValuesIn(fixture_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

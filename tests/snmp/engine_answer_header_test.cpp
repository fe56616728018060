// What an answer leaves behind in the exchange: its header (version and
// community) is read, never adopted, so that the requests that follow in
// the same operation (the next GetNext of a walk, the parts of a split
// request) carry the version and community the caller chose; and a
// malformed answer to the request leaves nothing of itself in the request
// that a later split sends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agent/mini_ber.h"
#include "agent/stand_in_socket.h"
#include "engine_test_support.h"
#include "snmp/pms_request_session.h"
#include "snmp/pms_socket_factory.h"

namespace {

namespace ber = psw_test::ber;
using psw_test::PlannedPeer;

// The answer to `request` in a message of `version` and `community`, each
// binding's value INTEGER 5, or tooBig.
PlannedPeer::Step answer_as(int32_t version, const std::string& community, bool too_big = false) {
  return [=](const ber::Message& request) {
    ber::Message m = request;
    m.version = version;
    m.community = community;
    m.pdu_type = ber::kResponse;
    m.error_status = too_big ? ber::kTooBig : 0;
    m.error_index = 0;
    for (ber::VarBind& b : m.bindings) b.value = ber::Value::Integer(5);
    return psw_test::StandInDatagram{ber::encode_message(m), false};
  };
}

std::vector<ber::Message> decoded(const std::vector<std::string>& datagrams) {
  std::vector<ber::Message> out;
  for (const std::string& d : datagrams) {
    ber::Message m;
    std::string error;
    EXPECT_TRUE(ber::decode_message(d, &m, &error)) << error;
    out.push_back(m);
  }
  return out;
}

// Every request sent carries `version` and `community`.
void expect_headers(const std::vector<ber::Message>& sent, int32_t version, const std::string& community) {
  for (const ber::Message& m : sent) {
    EXPECT_EQ(m.version, version);
    EXPECT_EQ(m.community, community);
  }
}

class AnswerHeader : public ::testing::Test {
 protected:
  void SetUp() override {
    int err = -1;
    session_.reset(pmc_make<RequestSession>(&err));
    ASSERT_EQ(err, PMC_OK);
  }
  void TearDown() override { EXPECT_EQ(peer_.errors, std::vector<std::string>{}); }

  PlannedPeer peer_;
  psw_test::StandInFactory network_{peer_};
  PmsSocketFactoryOverride use_{network_};
  PmcPtr<RequestSession> session_;  // last: its sockets go before the network they came from
};

TEST_F(AnswerHeader, AnAnswerOfAnotherVersionOrCommunityDoesNotChangeTheNextRequests) {
  auto target = engine_test::make_target("192.0.2.10", 161, 1000, 0, 1400, "office-ro", PMS_VERSION_V2C);
  // A device that answers SNMPv2c as SNMPv1, with its own community, and
  // one whose community ends at a NUL octet.
  peer_.plan = {answer_as(ber::kVersion1, "other"), answer_as(ber::kVersion2c, std::string("off\0ice", 7))};
  auto first = engine_test::make_pdu(PMS_PDU_GETBULK, {"1.3.6.1.2.1.1.1"});
  first->set_error_index(3);  // max-repetitions
  ASSERT_EQ(session_->send_sync(first.get(), target.get()), PMC_OK);
  EXPECT_EQ(engine_test::int_at(*first, 0), 5);
  auto second = engine_test::make_pdu(PMS_PDU_GETBULK, {"1.3.6.1.2.1.1.2"});
  second->set_error_index(3);
  ASSERT_EQ(session_->send_sync(second.get(), target.get()), PMC_OK);
  auto third = engine_test::make_pdu(PMS_PDU_GETNEXT, {"1.3.6.1.2.1.1.3"});
  EXPECT_EQ(session_->send_sync(third.get(), target.get()), PMC_E_TIMEOUT);

  const std::vector<ber::Message> sent = decoded(peer_.sent);
  ASSERT_EQ(sent.size(), 3u);
  expect_headers(sent, ber::kVersion2c, "office-ro");
  EXPECT_EQ(sent[1].pdu_type, ber::kGetBulkRequest);
  EXPECT_EQ(target->get_version(), PMS_VERSION_V2C);
  EXPECT_STREQ(pms_community_of(target.get())->get_community(), "office-ro");
}

TEST_F(AnswerHeader, ThePartsOfASplitRequestKeepTheCallersHeader) {
  auto target = engine_test::make_target("192.0.2.10", 161, 1000, 0, 1400, "public", PMS_VERSION_V1);
  // tooBig in a message of another community: the parts still go out as
  // the caller's.
  peer_.plan = {answer_as(ber::kVersion2c, "elsewhere", true), answer_as(ber::kVersion2c, "elsewhere"),
                answer_as(ber::kVersion1, "x")};
  auto pdu = engine_test::make_pdu(PMS_PDU_GET, {"1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.1.7.0"});
  ASSERT_EQ(session_->send_sync(pdu.get(), target.get()), PMC_OK);
  const std::vector<ber::Message> sent = decoded(peer_.sent);
  ASSERT_EQ(sent.size(), 3u);
  expect_headers(sent, ber::kVersion1, "public");
  for (const ber::Message& m : sent) EXPECT_EQ(m.pdu_type, ber::kGetRequest);
  EXPECT_EQ(engine_test::describe(*pdu),
            (std::vector<std::string>{"1.3.6.1.2.1.1.5.0=2:5", "1.3.6.1.2.1.1.7.0=2:5"}));
}

TEST_F(AnswerHeader, AMalformedAnswerLeavesTheRequestAsItWasForTheSplitThatFollows) {
  auto target = engine_test::make_target("192.0.2.10", 161, 1000, 0, 1400, "public", PMS_VERSION_V1);
  const std::vector<std::string> names = {"1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.1.7.0"};
  // The request's id and a first binding that reads well (another name,
  // a value), then a binding cut short: the datagram is malformed.
  auto malformed = [](const ber::Message& request) {
    const std::string good = ber::encode_tlv(
        ber::kSequence, ber::encode_tlv(ber::kObjectId, ber::oid_content(ber::parse_oid("1.3.6.1.4.1.32473.9"))) +
                            ber::encode_value(ber::Value::Integer(9)));
    const std::string cut = ber::encode_tlv(ber::kSequence, std::string("\x06\x05\x2b\x06", 4));
    const std::string pdu = ber::encode_tlv(ber::kInteger, ber::integer_content(request.request_id)) +
                            ber::encode_tlv(ber::kInteger, ber::integer_content(0)) +
                            ber::encode_tlv(ber::kInteger, ber::integer_content(0)) +
                            ber::encode_tlv(ber::kSequence, good + cut);
    const std::string message = ber::encode_tlv(
        ber::kSequence, ber::encode_tlv(ber::kInteger, ber::integer_content(0)) +
                            ber::encode_tlv(ber::kOctetString, "public") + ber::encode_tlv(ber::kResponse, pdu));
    return psw_test::StandInDatagram{message, false};
  };
  peer_.plan = {malformed, answer_as(ber::kVersion1, "public", true), answer_as(ber::kVersion1, "public"),
                answer_as(ber::kVersion1, "public")};
  auto pdu = engine_test::make_pdu(PMS_PDU_GET, names);
  ASSERT_EQ(session_->send_sync(pdu.get(), target.get()), PMC_OK);
  const std::vector<ber::Message> sent = decoded(peer_.sent);
  ASSERT_EQ(sent.size(), 3u);
  // The parts ask the names asked, with NULL values.
  for (size_t part = 1; part < 3; ++part) {
    ASSERT_EQ(sent[part].bindings.size(), 1u);
    EXPECT_EQ(ber::oid_text(sent[part].bindings[0].oid), names[part - 1]);
    EXPECT_EQ(sent[part].bindings[0].value.tag, ber::kNull);
  }
  EXPECT_EQ(engine_test::describe(*pdu), (std::vector<std::string>{names[0] + "=2:5", names[1] + "=2:5"}));
}

}  // namespace

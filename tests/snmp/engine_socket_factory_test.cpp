// The session's socket factory: with a stand-in put in place, every
// exchange of the SNMPv1/v2c session (tries, time-outs, answers from
// elsewhere, splitting) talks to it instead of the network; overrides nest
// and restore, and without one the session opens real sockets as before.
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
using engine_test::make_pdu;
using engine_test::make_target;
using psw_test::PlannedPeer;

const std::string kName = "1.3.6.1.2.1.1.5.0";
const std::string kServices = "1.3.6.1.2.1.1.7.0";
// A documentation address: nothing is ever sent there.
const std::string kDevice = "192.0.2.10";

// The answer to `request` with the values of `values` (one per binding,
// INTEGER 7 when there are fewer).
psw_test::StandInDatagram answer(const ber::Message& request, std::vector<ber::Value> values = {},
                                 int32_t request_id_offset = 0) {
  ber::Message m = request;
  m.pdu_type = ber::kResponse;
  m.request_id += request_id_offset;
  m.error_status = 0;
  m.error_index = 0;
  for (size_t i = 0; i < m.bindings.size(); ++i)
    m.bindings[i].value = i < values.size() ? values[i] : ber::Value::Integer(7);
  return {ber::encode_message(m), false};
}

PlannedPeer::Step answer_step(std::vector<ber::Value> values = {}) {
  return [values](const ber::Message& r) { return answer(r, values); };
}

class SocketFactoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int err = -1;
    session_.reset(pmc_make<RequestSession>(&err));
    ASSERT_EQ(err, PMC_OK);
  }

  void TearDown() override { EXPECT_EQ(peer_.errors, std::vector<std::string>{}); }

  PlannedPeer peer_;
  psw_test::StandInFactory network_{peer_};
  PmcPtr<RequestSession> session_;
};

TEST_F(SocketFactoryTest, ExchangesGoToTheStandInOnOneSocketPerSession) {
  PmsSocketFactoryOverride use(network_);
  peer_.plan = {answer_step({ber::Value::OctetString("LP-2200"), ber::Value::Integer(72)}), answer_step()};
  auto target = make_target(kDevice, 161, 1000, 0);
  auto pdu = make_pdu(PMS_PDU_GET, {kName, kServices});
  ASSERT_EQ(session_->send_sync(pdu.get(), target.get()), PMC_OK);
  EXPECT_EQ(engine_test::text_at(*pdu, 0), "LP-2200");
  EXPECT_EQ(engine_test::int_at(*pdu, 1), 72);

  auto again = make_pdu(PMS_PDU_GETNEXT, {kName});
  ASSERT_EQ(session_->send_sync(again.get(), target.get()), PMC_OK);
  EXPECT_EQ(network_.opened(), 1);
  ASSERT_EQ(peer_.sent.size(), 2u);
  EXPECT_EQ(peer_.destinations, (std::vector<std::string>{kDevice + ":161", kDevice + ":161"}));
  ber::Message first;
  std::string error;
  ASSERT_TRUE(ber::decode_message(peer_.sent[0], &first, &error)) << error;
  EXPECT_EQ(first.pdu_type, ber::kGetRequest);
  EXPECT_EQ(first.community, "public");
  EXPECT_EQ(first.request_id, pdu->get_request_id());
  ASSERT_NE(session_->socket(), nullptr);
  EXPECT_NE(session_->socket()->local_address()->get_port(), 0);
}

TEST_F(SocketFactoryTest, TimeOutsComeAtOnceAndEveryTryIsSentAgain) {
  PmsSocketFactoryOverride use(network_);
  // A minute per try: only a stand-in that does not wait ends this quickly.
  auto target = make_target(kDevice, 161, 60000, 2);
  auto pdu = make_pdu(PMS_PDU_GET, {kName});
  engine_test::Stopwatch watch;
  EXPECT_EQ(session_->send_sync(pdu.get(), target.get()), PMC_E_TIMEOUT);
  EXPECT_LT(watch.ms(), 5000);
  ASSERT_EQ(peer_.sent.size(), 3u);
  EXPECT_EQ(peer_.sent[1], peer_.sent[0]);
  EXPECT_EQ(peer_.sent[2], peer_.sent[0]);
  EXPECT_EQ(peer_.receives, 3);
}

TEST_F(SocketFactoryTest, AnswersFromElsewhereOrToAnotherRequestAreDroppedWithinTheTry) {
  PmsSocketFactoryOverride use(network_);
  peer_.plan = {
      [](const ber::Message& r) {
        psw_test::StandInDatagram d = answer(r, {ber::Value::Integer(1)});
        d.from_elsewhere = true;
        return d;
      },
      [](const ber::Message& r) { return answer(r, {ber::Value::Integer(2)}, 1); },
      [](const ber::Message&) { return psw_test::StandInDatagram{"\x30\x03\x02\x01", false}; },
      answer_step({ber::Value::Integer(3)}),
  };
  auto target = make_target(kDevice, 161, 60000, 0);
  auto pdu = make_pdu(PMS_PDU_GET, {kServices});
  ASSERT_EQ(session_->send_sync(pdu.get(), target.get()), PMC_OK);
  EXPECT_EQ(engine_test::int_at(*pdu, 0), 3);
  EXPECT_EQ(peer_.sent.size(), 1u);
  EXPECT_EQ(peer_.receives, 4);
}

TEST_F(SocketFactoryTest, TooBigSplitsTheRequestIntoPartsThatAreJoinedAgain) {
  PmsSocketFactoryOverride use(network_);
  peer_.plan = {
      [](const ber::Message& r) {
        ber::Message m = r;
        m.pdu_type = ber::kResponse;
        m.error_status = ber::kTooBig;
        return psw_test::StandInDatagram{ber::encode_message(m), false};
      },
      answer_step({ber::Value::Integer(11)}),
      answer_step({ber::Value::Integer(22)}),
  };
  auto target = make_target(kDevice, 161, 1000, 0);
  auto pdu = make_pdu(PMS_PDU_GET, {kName, kServices});
  ASSERT_EQ(session_->send_sync(pdu.get(), target.get()), PMC_OK);
  EXPECT_EQ(engine_test::describe(*pdu), (std::vector<std::string>{kName + "=2:11", kServices + "=2:22"}));
  EXPECT_EQ(peer_.sent.size(), 3u);
}

TEST_F(SocketFactoryTest, AFailingFactoryFailsTheExchangeWithItsCodeAndSendsNothing) {
  PmsSocketFactoryOverride use(network_);
  network_.open_result = PMC_E_SOCKET;
  auto target = make_target(kDevice, 161, 1000, 0);
  auto pdu = make_pdu(PMS_PDU_GET, {kName});
  EXPECT_EQ(session_->send_sync(pdu.get(), target.get()), PMC_E_SOCKET);
  EXPECT_EQ(session_->socket(), nullptr);
  EXPECT_TRUE(peer_.sent.empty());
  DataGramSocket* socket = reinterpret_cast<DataGramSocket*>(1);
  EXPECT_EQ(pms_open_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV4, 0, &socket), PMC_E_SOCKET);
  EXPECT_EQ(socket, nullptr);
}

TEST_F(SocketFactoryTest, OverridesNestAndRealSocketsComeBackWhenTheyGo) {
  PlannedPeer inner_peer;
  psw_test::StandInFactory inner(inner_peer);
  auto opens_stand_in = [](const psw_test::StandInFactory& factory) {
    const int before = factory.opened();
    DataGramSocket* raw = nullptr;
    EXPECT_EQ(pms_open_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV4, 0, &raw), PMC_OK);
    PmcPtr<DataGramSocket> socket(raw);
    return socket && factory.opened() == before + 1;
  };
  {
    PmsSocketFactoryOverride outer_use(network_);
    {
      PmsSocketFactoryOverride inner_use(inner);
      EXPECT_TRUE(opens_stand_in(inner));
      EXPECT_EQ(network_.opened(), 0);
    }
    EXPECT_TRUE(opens_stand_in(network_));
    EXPECT_EQ(inner.opened(), 1);
  }
  // No stand-in: a real socket, bound to a port the system chose.
  DataGramSocket* raw = nullptr;
  ASSERT_EQ(pms_open_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV4, 0, &raw), PMC_OK);
  PmcPtr<DataGramSocket> real(raw);
  EXPECT_EQ(dynamic_cast<psw_test::StandInSocket*>(real.get()), nullptr);
  EXPECT_NE(real->local_address()->get_port(), 0);
  EXPECT_EQ(network_.opened(), 1);
  EXPECT_EQ(pms_open_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV4, 0, nullptr), PMC_E_ARG);
}

}  // namespace

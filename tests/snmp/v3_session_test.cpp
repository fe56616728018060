// SNMPv3 exchanges with a real agent: every security level and protocol,
// every value type, walk, Set, refusals, time-outs, IPv6 and traps.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include "agent/snmpd_agent.h"
#include "agent/udp_socket.h"
#include "base/pmc_result.h"
#include "protocol/pmc_oid.h"
#include "protocol/pmc_value.h"
#include "snmp/pms_request_session.h"
#include "snmp/pms_v3_library.h"
#include "snmp/pms_v3_session.h"
#include "snmp/v3_test_support.h"

namespace {

using namespace std::chrono_literals;
using v3test::binding_count;
using v3test::make_pdu;
using v3test::make_target;
using v3test::oid_text;
using v3test::value_text;
using v3test::value_type;

class V3Session : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    v3test::use_private_snmp_config();
    agent_ = new psw_test::SnmpdAgent(v3test::agent_options("v3-agent", {"127.0.0.1", "::1"}));
  }
  static void TearDownTestSuite() {
    delete agent_;
    agent_ = nullptr;
  }
  void SetUp() override { session_.reset(pms_create_v3_request_session(nullptr)); }

  static PmcPtr<IPmsSnmpTarget> target(const v3test::User& user, const std::string& address = "127.0.0.1") {
    return make_target(user, address, agent_->port());
  }

  // One Get of `oids`; the result code.
  int get(const v3test::User& user, PmcPtr<IPmsPdu>* pdu, const std::vector<std::string>& oids) {
    *pdu = make_pdu(0, oids);
    PmcPtr<IPmsSnmpTarget> t = target(user);
    return session_->send_sync(pdu->get(), t.get());
  }

  static psw_test::SnmpdAgent* agent_;
  PmcPtr<v3RequestSession> session_;
};

psw_test::SnmpdAgent* V3Session::agent_ = nullptr;

}  // namespace

TEST_F(V3Session, GetWorksAtEverySecurityLevelWithEveryProtocol) {
  std::string first_engine;
  for (const v3test::User& user : v3test::all_users()) {
    SCOPED_TRACE(user.name);
    PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
    PmcPtr<IPmsSnmpTarget> t = target(user);
    ASSERT_EQ(session_->send_sync(pdu.get(), t.get()), PMC_OK);
    EXPECT_EQ(pdu->get_type(), PMS_PDU_RESPONSE);
    ASSERT_EQ(binding_count(pdu.get()), 1u);
    EXPECT_EQ(oid_text(pdu.get(), 0), v3test::kSysName);
    EXPECT_EQ(value_text(pdu.get(), 0), "v3-agent");
    // The target now knows the agent's engine (the same for every user).
    const std::string engine = v3test::engine_id(t.get());
    EXPECT_FALSE(engine.empty());
    if (first_engine.empty()) first_engine = engine;
    EXPECT_EQ(engine, first_engine);
    EXPECT_EQ(pms_usm_of(t.get())->get_security_level(), user.level);
    EXPECT_STREQ(t->get_address()->c_str(), "127.0.0.1");
    // The answering port stays, so the target can be used again.
    EXPECT_EQ(t->get_address()->get_port(), agent_->port());
  }
}

TEST_F(V3Session, EveryValueTypeArrivesIntact) {
  const std::string root = v3test::kTypesRoot;
  PmcPtr<IPmsPdu> pdu;
  ASSERT_EQ(get(v3test::sha_aes_user(), &pdu,
                {root + ".1.1.0", root + ".2.2.0", root + ".2.3.0", root + ".3.1.0", root + ".4.1.0",
                 root + ".4.2.0", root + ".4.3.0", root + ".5.1.0", root + ".5.2.0", root + ".5.3.0"}),
            PMC_OK);
  ASSERT_EQ(binding_count(pdu.get()), 10u);
  EXPECT_EQ(value_text(pdu.get(), 0), "-123456");
  EXPECT_EQ(value_type(pdu.get(), 1), PMC_TAG_OCTET_STRING);
  IPmcValue* octets = pdu->get_varbind_list()->at(1)->get_value();
  size_t length = 0;
  const unsigned char* bytes = octets->get_octets(&length, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), length), std::string("\x00\xff\x41\x42", 4));
  EXPECT_EQ(value_text(pdu.get(), 2), "");
  EXPECT_EQ(value_type(pdu.get(), 3), PMC_TAG_OID);
  EXPECT_EQ(value_text(pdu.get(), 3), "1.3.6.1.4.1.32473.8.52.2.101");
  EXPECT_EQ(value_type(pdu.get(), 4), PMC_TAG_COUNTER32);
  EXPECT_EQ(value_text(pdu.get(), 4), "4294967295");
  EXPECT_EQ(value_type(pdu.get(), 5), PMC_TAG_GAUGE32);
  EXPECT_EQ(value_text(pdu.get(), 5), "1234");
  EXPECT_EQ(value_type(pdu.get(), 6), PMC_TAG_TIMETICKS);
  EXPECT_EQ(value_text(pdu.get(), 6), "8640000");
  EXPECT_EQ(value_type(pdu.get(), 7), PMC_TAG_IP_ADDRESS);
  EXPECT_EQ(value_text(pdu.get(), 7), "10.20.30.40");
  IPmcValue* c64 = pdu->get_varbind_list()->at(8)->get_value();
  ASSERT_EQ(c64->get_type(), PMC_TAG_COUNTER64);
  EXPECT_EQ(c64->get_high32(nullptr), 0xFFFFFFFFu);  // both halves are kept
  EXPECT_EQ(c64->get_low32(nullptr), 0xFFFFFFFFu);
  EXPECT_EQ(value_type(pdu.get(), 9), PMC_TAG_OPAQUE);
  bytes = pdu->get_varbind_list()->at(9)->get_value()->get_octets(&length, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), length), std::string("\x01\x02\xff", 3));
}

TEST_F(V3Session, MissingObjectsComeBackAsExceptionValues) {
  PmcPtr<IPmsPdu> pdu;
  ASSERT_EQ(get(v3test::md5_user(), &pdu, {std::string(v3test::kTypesRoot) + ".77.0", "1.3.6.1.2.1.1.5.9"}), PMC_OK);
  ASSERT_EQ(binding_count(pdu.get()), 2u);
  EXPECT_EQ(value_type(pdu.get(), 0), PMC_TAG_NO_SUCH_OBJECT);
  EXPECT_EQ(value_type(pdu.get(), 1), PMC_TAG_NO_SUCH_INSTANCE);
}

TEST_F(V3Session, WalkWithGetNextVisitsTheSubtreeInOrder) {
  const std::string root = std::string(v3test::kTypesRoot) + ".4";
  PmcPtr<IPmsPdu> pdu = make_pdu(1, {root});
  std::vector<std::string> seen;
  for (int step = 0; step < 10; ++step) {
    PmcPtr<IPmsSnmpTarget> t = target(v3test::md5_des_user());
    ASSERT_EQ(session_->send_sync(pdu.get(), t.get()), PMC_OK);
    std::string name = oid_text(pdu.get(), 0);
    if (name.compare(0, root.size() + 1, root + ".") != 0) break;
    seen.push_back(name);
    pdu->set_type(1);  // the response's bindings ask for the next objects
  }
  EXPECT_EQ(seen, (std::vector<std::string>{root + ".1.0", root + ".2.0", root + ".3.0"}));
}

TEST_F(V3Session, SetChangesTheObject) {
  PmcPtr<IPmsPdu> set = make_pdu(3, v3test::kWritableInt, pmc_create_integer_value(4242, PMC_TAG_INTEGER, nullptr));
  PmcPtr<IPmsSnmpTarget> t = target(v3test::sha_aes_user());
  ASSERT_EQ(session_->send_sync(set.get(), t.get()), PMC_OK);
  EXPECT_EQ(set->get_error_status(), 0);
  EXPECT_EQ(value_text(set.get(), 0), "4242");

  PmcPtr<IPmsPdu> check;
  ASSERT_EQ(get(v3test::no_auth_user(), &check, {v3test::kWritableInt}), PMC_OK);
  EXPECT_EQ(value_text(check.get(), 0), "4242");

  // A value of the wrong type, sent with the same target again, is refused
  // by the agent with an error-status.
  PmcPtr<IPmsPdu> wrong = make_pdu(3, v3test::kWritableInt, pmc_create_value_from_text("text", PMC_TAG_OCTET_STRING, nullptr));
  ASSERT_EQ(session_->send_sync(wrong.get(), t.get()), PMC_OK);
  EXPECT_EQ(wrong->get_error_status(), 7);  // wrongType
  EXPECT_EQ(wrong->get_error_index(), 1u);
}

TEST_F(V3Session, WrongPassPhraseIsRefusedEvenRightAfterTheRightOne) {
  PmcPtr<IPmsPdu> pdu;
  ASSERT_EQ(get(v3test::md5_user(), &pdu, {v3test::kSysName}), PMC_OK);
  v3test::User wrong = v3test::md5_user();
  wrong.auth_phrase = "not-the-pass-phrase";
  EXPECT_EQ(get(wrong, &pdu, {v3test::kSysName}), PMC_E_SECURITY);
  ASSERT_EQ(get(v3test::md5_user(), &pdu, {v3test::kSysName}), PMC_OK);

  // The agent drops a request it cannot decrypt: the wrong privacy pass
  // phrase ends in a time-out.
  v3test::User wrong_privacy = v3test::sha_aes_user();
  wrong_privacy.priv_phrase = "not-the-privacy-phrase";
  pdu = make_pdu(0, {v3test::kSysName});
  PmcPtr<IPmsSnmpTarget> t = make_target(wrong_privacy, "127.0.0.1", agent_->port(), 300, 0);
  EXPECT_EQ(session_->send_sync(pdu.get(), t.get()), PMC_E_TIMEOUT);
}

TEST_F(V3Session, UnknownUserAndLevelAboveTheUsersAreSecurityErrors) {
  PmcPtr<IPmsPdu> pdu;
  v3test::User stranger = v3test::no_auth_user();
  stranger.name = "nobody-here";
  EXPECT_EQ(get(stranger, &pdu, {v3test::kSysName}), PMC_E_SECURITY);
  v3test::User too_high = v3test::md5_user();  // a user without privacy asking for it
  too_high.level = 2;
  too_high.priv = 1;
  too_high.priv_phrase = "some-privacy-phrase";
  EXPECT_EQ(get(too_high, &pdu, {v3test::kSysName}), PMC_E_SECURITY);
}

TEST_F(V3Session, SilentPeerTimesOutAfterEveryRetry) {
  psw_test::UdpSocket silent("127.0.0.1");
  PmcPtr<IPmsSnmpTarget> t = make_target(v3test::no_auth_user(), "127.0.0.1", silent.local_port(), 200, 2);
  PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(session_->send_sync(pdu.get(), t.get()), PMC_E_TIMEOUT);
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 550ms);
  EXPECT_LT(elapsed, 3s);
  EXPECT_EQ(silent.receive_for(50ms).size(), 3u);  // the first try and two retries
}

TEST_F(V3Session, NegativeTimeOutOrRetriesAreRefusedBeforeAnythingIsSent) {
  // As for SNMPv1: the library itself would read -1 retries as its default
  // and a negative time-out as no wait.
  psw_test::UdpSocket silent("127.0.0.1");
  for (auto [timeout, retries] : {std::pair{200, -1}, std::pair{-1, 1}, std::pair{-1, -1}}) {
    SCOPED_TRACE(std::to_string(timeout) + "/" + std::to_string(retries));
    PmcPtr<IPmsSnmpTarget> t =
        make_target(v3test::sha_aes_user(), "127.0.0.1", silent.local_port(), timeout, retries);
    PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
    EXPECT_EQ(session_->send_sync(pdu.get(), t.get()), PMC_E_ARG);
    IPmsSnmpPacketList* found = nullptr;
    EXPECT_EQ(session_->send_broad_cast_sync(pdu.get(), t.get(), &found), PMC_E_ARG);
    EXPECT_EQ(found, nullptr);
  }
  EXPECT_TRUE(silent.receive_for(50ms).empty());
}

TEST_F(V3Session, IPv6AgentAnswersAndIsNamedByItsNumericAddress) {
  PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
  PmcPtr<IPmsSnmpTarget> t = target(v3test::sha_user(), "::1");
  ASSERT_EQ(session_->send_sync(pdu.get(), t.get()), PMC_OK);
  EXPECT_EQ(value_text(pdu.get(), 0), "v3-agent");
  EXPECT_STREQ(t->get_address()->c_str(), "::1");
  EXPECT_EQ(t->get_address()->get_protocol(), IPmcNetworkAddress::PROTOCOL_IPV6);
}

TEST_F(V3Session, ResponseCarriesTheRequestIdThePduWasGiven) {
  pms_set_next_request_id_for_test(918273);
  PmcPtr<IPmsPdu> pdu;
  ASSERT_EQ(get(v3test::no_auth_user(), &pdu, {v3test::kSysName}), PMC_OK);
  EXPECT_EQ(pdu->get_request_id(), 918273);
}

TEST_F(V3Session, PacketFormUsesAndKeepsThePacketsParts) {
  PmcPtr<IPmsSnmpPacket> packet(pms_create_snmp_packet(nullptr));
  packet->set_pdu(make_pdu(0, {v3test::kSysName}).release());
  packet->set_target(target(v3test::md5_user()).release());
  ASSERT_EQ(session_->send_sync(packet.get()), PMC_OK);
  EXPECT_EQ(value_text(packet->get_pdu(), 0), "v3-agent");
  EXPECT_FALSE(v3test::engine_id(packet->get_target()).empty());

  EXPECT_EQ(session_->send_sync(nullptr), PMC_E_ARG);
  PmcPtr<IPmsSnmpPacket> half(pms_create_snmp_packet(nullptr));
  half->set_pdu(make_pdu(0, {v3test::kSysName}).release());
  EXPECT_EQ(session_->send_sync(half.get()), PMC_E_ARG);
  EXPECT_EQ(session_->send_sync(nullptr, nullptr), PMC_E_ARG);
}

TEST_F(V3Session, CommunityTargetIsNotForThisSession) {
  PmcPtr<IPmsSnmpTarget> community(pms_create_community_target(nullptr));
  PmcPtr<IPmcNetworkAddress> where(pmc_create_network_address(nullptr));
  where->set("127.0.0.1", IPmcNetworkAddress::PROTOCOL_IPV4, agent_->port());
  community->set_address(where.get());
  PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
  EXPECT_EQ(session_->send_sync(pdu.get(), community.get()), PMC_E_UNSUPPORTED);
}

TEST_F(V3Session, TrapIsSentWithoutWaitingForAnAnswer) {
  psw_test::UdpSocket receiver("127.0.0.1");
  PmcPtr<IPmsSnmpTarget> t = make_target(v3test::no_auth_user(), "127.0.0.1", receiver.local_port(), 2000, 1);
  pms_usm_of(t.get())->set_engine_id("\x80\x00\x1f\x88\x80trap", 8);
  PmcPtr<IPmsPdu> trap = make_pdu(4, v3test::kSysName, pmc_create_value_from_text("x", PMC_TAG_OCTET_STRING, nullptr));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(session_->send_sync(trap.get(), t.get()), PMC_OK);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_TRUE(receiver.receive(500ms).has_value());
}

TEST_F(V3Session, NoUserKeyOrEngineTimeOfAnOperationStaysInTheLibrary) {
  PmcPtr<IPmsSnmpTarget> t = target(v3test::sha_aes_user());
  PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
  ASSERT_EQ(session_->send_sync(pdu.get(), t.get()), PMC_OK);
  const std::string engine = v3test::engine_id(t.get());
  ASSERT_FALSE(engine.empty());
  // The operation itself knows the engine's time for its next request.
  ASSERT_NE(session_->channel(), nullptr);
  EXPECT_TRUE(session_->channel()->engine_time().known());
  EXPECT_EQ(session_->channel()->engine_id(), engine);

  auto library_holds_nothing = [&] {
    CPmsSnmpLibraryScope library;
    ASSERT_EQ(library.result(), PMC_OK);
    const u_char* id = reinterpret_cast<const u_char*>(engine.data());
    EXPECT_EQ(usm_get_user(id, engine.size(), "v3shaaes"), nullptr);
    // Only the key-less user of discovery requests is left.
    for (struct usmUser* user = usm_get_userList(); user != nullptr; user = user->next) {
      EXPECT_STREQ(user->name, "");
      EXPECT_EQ(user->authKeyLen, 0u);
      EXPECT_EQ(user->privKeyLen, 0u);
    }
    u_int boots = 1;
    u_int time = 1;
    get_enginetime(id, engine.size(), &boots, &time, FALSE);
    EXPECT_EQ(boots, 0u);
    EXPECT_EQ(time, 0u);
  };
  library_holds_nothing();  // between two requests of the operation
  pdu = make_pdu(0, {v3test::kSysName});
  ASSERT_EQ(session_->send_sync(pdu.get(), t.get()), PMC_OK);
  session_.reset();
  library_holds_nothing();  // after it
}

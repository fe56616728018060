// What SNMPv3 operations put on the wire, against Net-SNMP's agent and the
// independent pysnmp agent, seen by a relay between them and the library:
// every security level and protocol pair for Get, walk and Set, with no
// request sent without the engine's boots and time after the discovery
// (so no notInTimeWindows report and no second try); the refusals every
// agent makes; and an engine record that no longer fits the address.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "agent/pysnmp_agent.h"
#include "agent/snmpd_agent.h"
#include "agent/v3_relay.h"
#include "base/pmc_result.h"
#include "protocol/pmc_value.h"
#include "snmp/pms_v3_engine.h"
#include "snmp/pms_v3_session.h"
#include "snmp/v3_test_support.h"

namespace {

using psw_test::V3WireCounts;
using v3test::make_pdu;
using v3test::value_text;

enum class AgentKind { kSnmpd, kPysnmp };

std::string kind_name(const ::testing::TestParamInfo<AgentKind>& info) {
  return info.param == AgentKind::kSnmpd ? "snmpd" : "pysnmp";
}

class V3Wire : public ::testing::TestWithParam<AgentKind> {
 protected:
  static void SetUpTestSuite() {
    v3test::use_private_snmp_config();
    psw_test::SnmpdOptions options = v3test::agent_options("wire-agent");
    snmpd_ = new psw_test::SnmpdAgent(options);
    psw_test::PysnmpOptions py;
    py.profile = options.profile;
    py.profile.set(v3test::kSysName, psw_test::ber::Value::OctetString("wire-agent"));
    py.users = options.users;
    pysnmp_ = new psw_test::PysnmpAgent(py);
    snmpd_relay_ = new psw_test::V3Relay(snmpd_->address(), snmpd_->port());
    pysnmp_relay_ = new psw_test::V3Relay(pysnmp_->address(), pysnmp_->port());
  }
  static void TearDownTestSuite() {
    delete snmpd_relay_;
    delete pysnmp_relay_;
    delete snmpd_;
    delete pysnmp_;
    snmpd_relay_ = pysnmp_relay_ = nullptr;
    snmpd_ = nullptr;
    pysnmp_ = nullptr;
  }
  void SetUp() override {
    pms_v3_engine_cache().clear();
    relay().take();
  }

  static psw_test::V3Relay& relay() { return GetParam() == AgentKind::kSnmpd ? *snmpd_relay_ : *pysnmp_relay_; }
  // The library's name for the relay, the key of the engine record.
  static std::string peer() { return relay().address() + ":" + std::to_string(relay().port()); }

  static PmcPtr<IPmsSnmpTarget> target(const v3test::User& user, int32_t timeout_ms = 1500, int32_t retries = 1) {
    return v3test::make_target(user, relay().address(), relay().port(), timeout_ms, retries);
  }

  // One Get of sysName on a session of its own (one operation).
  static int get_sys_name(const v3test::User& user, std::string* value = nullptr, int32_t timeout_ms = 1500) {
    PmcPtr<v3RequestSession> session(pms_create_v3_request_session(nullptr));
    PmcPtr<IPmsSnmpTarget> t = target(user, timeout_ms);
    PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
    int rc = session->send_sync(pdu.get(), t.get());
    if (value != nullptr) *value = rc == PMC_OK ? value_text(pdu.get(), 0) : "";
    return rc;
  }

  // The datagrams relayed since the last call, counted.
  static V3WireCounts counts() { return psw_test::count_wire(relay().take()); }

  static psw_test::SnmpdAgent* snmpd_;
  static psw_test::PysnmpAgent* pysnmp_;
  static psw_test::V3Relay* snmpd_relay_;
  static psw_test::V3Relay* pysnmp_relay_;
};

psw_test::SnmpdAgent* V3Wire::snmpd_ = nullptr;
psw_test::PysnmpAgent* V3Wire::pysnmp_ = nullptr;
psw_test::V3Relay* V3Wire::snmpd_relay_ = nullptr;
psw_test::V3Relay* V3Wire::pysnmp_relay_ = nullptr;

// A walk of the three objects below kTypesRoot.4 as one operation: one
// session, one GetNext per object and the one that leaves the subtree.
int walk_counters(v3RequestSession& session, IPmsSnmpTarget* t, std::vector<std::string>* seen) {
  const std::string root = std::string(v3test::kTypesRoot) + ".4";
  PmcPtr<IPmsPdu> pdu = make_pdu(1, {root});
  for (int step = 0; step < 10; ++step) {
    int rc = session.send_sync(pdu.get(), t);
    if (rc != PMC_OK) return rc;
    std::string name = v3test::oid_text(pdu.get(), 0);
    if (name.compare(0, root.size() + 1, root + ".") != 0) return PMC_OK;
    seen->push_back(name);
    pdu->set_type(1);
  }
  return PMC_E_FAIL;
}

void expect_no_second_tries(const V3WireCounts& c) {
  EXPECT_EQ(c.untimed_requests, 0u) << "authenticated requests without boots and time";
  EXPECT_EQ(c.time_window_reports, 0u) << "notInTimeWindows reports";
}

}  // namespace

TEST_P(V3Wire, GetWalkAndSetAtEveryLevelTakeOneTryPerRequest) {
  int32_t written = 40;
  for (const v3test::User& user : v3test::all_users()) {
    SCOPED_TRACE(user.name);
    pms_v3_engine_cache().clear();

    // A Get with nothing known: discovery, then the Get.
    std::string value;
    ASSERT_EQ(get_sys_name(user, &value), PMC_OK);
    EXPECT_EQ(value, "wire-agent");
    V3WireCounts c = counts();
    EXPECT_EQ(c.discovery_requests, 1u);
    EXPECT_EQ(c.datagrams, 4u);
    expect_no_second_tries(c);

    // A walk, the engine still unknown to the operation: one discovery,
    // then every GetNext answered at its first try.
    pms_v3_engine_cache().clear();
    PmcPtr<v3RequestSession> walker(pms_create_v3_request_session(nullptr));
    PmcPtr<IPmsSnmpTarget> t = target(user);
    std::vector<std::string> seen;
    ASSERT_EQ(walk_counters(*walker, t.get(), &seen), PMC_OK);
    EXPECT_EQ(seen.size(), 3u);
    c = counts();
    EXPECT_EQ(c.discovery_requests, 1u);
    EXPECT_EQ(c.datagrams, 2u + 2u * 4u);
    expect_no_second_tries(c);

    // A Set and the Get that reads it back, each its own operation: the
    // engine found before is used, no discovery.
    PmcPtr<v3RequestSession> setter(pms_create_v3_request_session(nullptr));
    PmcPtr<IPmsSnmpTarget> st = target(user);
    ++written;
    PmcPtr<IPmsPdu> set = make_pdu(3, v3test::kWritableInt, pmc_create_integer_value(written, PMC_TAG_INTEGER, nullptr));
    ASSERT_EQ(setter->send_sync(set.get(), st.get()), PMC_OK);
    EXPECT_EQ(set->get_error_status(), 0);
    PmcPtr<v3RequestSession> reader(pms_create_v3_request_session(nullptr));
    PmcPtr<IPmsSnmpTarget> rt = target(user);
    PmcPtr<IPmsPdu> check = make_pdu(0, {v3test::kWritableInt});
    ASSERT_EQ(reader->send_sync(check.get(), rt.get()), PMC_OK);
    EXPECT_EQ(value_text(check.get(), 0), std::to_string(written));
    c = counts();
    EXPECT_EQ(c.discovery_requests, 0u);
    EXPECT_EQ(c.datagrams, 4u);
    expect_no_second_tries(c);
  }
}

TEST_P(V3Wire, EveryAgentsRefusalsAreSecurityErrors) {
  ASSERT_EQ(get_sys_name(v3test::md5_user()), PMC_OK);  // the engine is known from here on

  // A wrong pass phrase, with and without privacy, right after the right one.
  for (v3test::User wrong : {v3test::md5_user(), v3test::sha_aes_user()}) {
    SCOPED_TRACE(wrong.name);
    wrong.auth_phrase = "not-the-right-phrase";
    EXPECT_EQ(get_sys_name(wrong, nullptr, 800), PMC_E_SECURITY);
    EXPECT_EQ(get_sys_name(v3test::md5_user()), PMC_OK);
  }

  v3test::User stranger = v3test::sha_user();
  stranger.name = "nobody-here";
  EXPECT_EQ(get_sys_name(stranger, nullptr, 800), PMC_E_SECURITY);

  v3test::User too_high = v3test::md5_user();  // a user without privacy asking for it
  too_high.level = 2;
  too_high.priv = 1;
  too_high.priv_phrase = "some-privacy-phrase";
  EXPECT_EQ(get_sys_name(too_high, nullptr, 800), PMC_E_SECURITY);

  // An engine id the agent does not have, named by the target.
  PmcPtr<v3RequestSession> session(pms_create_v3_request_session(nullptr));
  PmcPtr<IPmsSnmpTarget> t = target(v3test::sha_aes_user(), 800);
  pms_usm_of(t.get())->set_engine_id("\x80\x00\x1f\x88\x80unknown", 12);
  PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
  EXPECT_EQ(session->send_sync(pdu.get(), t.get()), PMC_E_SECURITY);

  // None of it stopped the right users.
  EXPECT_EQ(get_sys_name(v3test::sha_aes_user()), PMC_OK);
}

TEST_P(V3Wire, RecordOfAnotherEngineAtTheAddressIsReplaced) {
  // What the record would hold if another device had been at the address.
  PmsV3EngineRecord stale;
  stale.engine_id = std::string("\x80\x00\x1f\x88\x80stale-one", 14);
  pms_v3_engine_cache().store(peer(), stale);
  std::string value;
  ASSERT_EQ(get_sys_name(v3test::sha_aes_user(), &value, 800), PMC_OK);
  EXPECT_EQ(value, "wire-agent");
  PmsV3EngineRecord now;
  ASSERT_TRUE(pms_v3_engine_cache().find(peer(), &now));
  EXPECT_NE(now.engine_id, stale.engine_id);
  EXPECT_TRUE(now.time.authenticated());
  // The stale engine was asked once, then the address's engine.
  V3WireCounts c = counts();
  EXPECT_EQ(c.discovery_requests, 1u);
  EXPECT_LE(c.requests, 3u);
}

TEST_P(V3Wire, RecordWithTheEngineTimeAheadIsPutRight) {
  ASSERT_EQ(get_sys_name(v3test::md5_des_user()), PMC_OK);
  PmsV3EngineRecord record;
  ASSERT_TRUE(pms_v3_engine_cache().find(peer(), &record));
  uint32_t boots = 0, time = 0;
  record.time.now(&boots, &time);
  // Boots as if the engine had restarted five times since (it has not).
  record.time.set(boots + 5, time + 1000, true);
  pms_v3_engine_cache().store(peer(), record);
  counts();

  std::string value;
  ASSERT_EQ(get_sys_name(v3test::md5_des_user(), &value), PMC_OK);
  EXPECT_EQ(value, "wire-agent");
  // The request, the agent's report of its time, the request again with
  // it and the answer.
  EXPECT_EQ(counts().datagrams, 4u);
  // Put right for the next operation.
  ASSERT_EQ(get_sys_name(v3test::md5_des_user()), PMC_OK);
  EXPECT_EQ(counts().datagrams, 2u);
}

INSTANTIATE_TEST_SUITE_P(Agents, V3Wire, ::testing::Values(AgentKind::kSnmpd, AgentKind::kPysnmp), kind_name);

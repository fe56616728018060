// A whole status read of the office printer through the C interface, over
// SNMPv3 (authPriv, SHA and AES) and over SNMPv1, against Net-SNMP's agent
// and the pysnmp agent, seen by a relay: SNMPv3 sends the requests SNMPv1
// sends and one engine discovery more, every authenticated request with the
// engine's boots and time, so no agent answers one with a notInTimeWindows
// report and nothing is sent twice.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "agent/pysnmp_agent.h"
#include "agent/snmpd_agent.h"
#include "agent/v3_relay.h"
#include "device/status_netns.h"
#include "psw/psw.h"
#include "snmp/pms_v3_engine.h"

namespace {

const psw_test::UsmUser kReader{"reader", "SHA", "reader-auth-phrase", "AES", "reader-priv-phrase", false};

template <class Record>
int32_t read_table(PSWHANDLE h, int32_t (*count_fn)(PSWHANDLE, int32_t*),
                   int32_t (*copy_fn)(PSWHANDLE, int32_t, Record*)) {
  int32_t count = 0;
  int32_t rc = count_fn(h, &count);
  Record record;
  for (int32_t i = 0; rc == PSW_OK && i < count; ++i) rc = copy_fn(h, i, &record);
  return rc;
}

// Opens the printer behind the relay on 127.0.0.1:161 and reads every table,
// the printer status and the jobs; SNMPv3 walks with GetBulk of
// `repetitions` (0: GetNext, as SNMPv1).
int32_t read_status(bool v3, intptr_t repetitions = 0) {
  PSWUSMSettings block;
  std::memset(&block, 0, sizeof block);
  std::strcpy(block.userName, kReader.name.c_str());
  block.securityLevel = PSW_USM_AUTH_PRIV;
  block.authProtocol = PSW_USM_AUTH_HMAC_SHA;
  block.privProtocol = PSW_USM_PRIV_AES;
  std::strcpy(block.authPassPhrase, kReader.auth_passphrase.c_str());
  std::strcpy(block.privPassPhrase, kReader.priv_passphrase.c_str());
  PSWHANDLE h = nullptr;
  if (PSWInit(&h) != PSW_OK) return -1;
  if (PSWCommandInteger(h, "CmdSetMaxRepetitions", repetitions) != PSW_OK) return -1;
  int32_t rc = v3 ? PSWInitDeviceEx(h, "127.0.0.1", PSW_TRANSPORT_UDP, PSW_SNMP_MODE_V3, &block, 2000, 1)
                  : PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1);
  if (rc == PSW_OK) rc = read_table(h, PSWGetNumberOfStorageInfo, PSWGetStorageInfo);
  if (rc == PSW_OK) rc = read_table(h, PSWGetNumberOfDeviceInfo, PSWGetDeviceInfo);
  PSWPrinterInfo info;
  if (rc == PSW_OK) rc = PSWGetPrinterInfo(h, &info);
  if (rc == PSW_OK) rc = read_table(h, PSWGetNumberOfInputTrayInfo, PSWGetInputTrayInfo);
  if (rc == PSW_OK) rc = read_table(h, PSWGetNumberOfOutputTrayInfo, PSWGetOutputTrayInfo);
  if (rc == PSW_OK) rc = read_table(h, PSWGetNumberOfTonerInfo, PSWGetTonerInfo);
  if (rc == PSW_OK) rc = read_table(h, PSWGetNumberOfAlertInfo, PSWGetAlertInfo);
  int32_t jobs = 0;
  if (rc == PSW_OK) rc = PSWGetNumberOfJobInfo(h, PSW_JOBS_ALL, &jobs);
  PSWJobInfo job;
  for (int32_t i = 0; rc == PSW_OK && i < jobs; ++i) rc = PSWGetJobInfo(h, i, &job);
  PSWUnInit(h);
  return rc;
}

enum class AgentKind { kSnmpd, kPysnmp };

class StatusReadV3Wire : public ::testing::TestWithParam<AgentKind> {};

}  // namespace

TEST_P(StatusReadV3Wire, SendsWhatSnmpV1SendsAndOneDiscoveryMore) {
  status_test::PrivateNetns netns;
  // The agent on a port of its own inside the namespace; the relay takes
  // the printer's port 161 in front of it.
  const uint16_t agent_port = 1161;
  std::unique_ptr<psw_test::SnmpdAgent> snmpd;
  std::unique_ptr<psw_test::PysnmpAgent> pysnmp;
  if (GetParam() == AgentKind::kSnmpd) {
    psw_test::SnmpdOptions o;
    o.profile = status_test::office_printer_profile();
    o.netns = netns.name();
    o.port = agent_port;
    o.users = {kReader};
    snmpd = std::make_unique<psw_test::SnmpdAgent>(o);
  } else {
    psw_test::PysnmpOptions o;
    o.profile = status_test::office_printer_profile();
    o.netns = netns.name();
    o.port = agent_port;
    o.users = {kReader};
    pysnmp = std::make_unique<psw_test::PysnmpAgent>(o);
  }
  netns.run([&] {
    psw_test::V3Relay relay("127.0.0.1", agent_port, "127.0.0.1", 161);
    ASSERT_EQ(read_status(false), PSW_OK);
    const psw_test::V3WireCounts v1 = psw_test::count_wire(relay.take());
    pms_v3_engine_cache().clear();
    ASSERT_EQ(read_status(true), PSW_OK);
    const psw_test::V3WireCounts v3 = psw_test::count_wire(relay.take());

    EXPECT_GT(v1.requests, 20u);
    EXPECT_EQ(v3.discovery_requests, 1u);
    EXPECT_EQ(v3.requests, v1.requests + 1);
    EXPECT_EQ(v3.datagrams, v1.datagrams + 2);
    EXPECT_EQ(v3.untimed_requests, 0u);
    EXPECT_EQ(v3.time_window_reports, 0u);

    // The next read finds the engine in the record: no discovery at all.
    ASSERT_EQ(read_status(true), PSW_OK);
    const psw_test::V3WireCounts again = psw_test::count_wire(relay.take());
    EXPECT_EQ(again.discovery_requests, 0u);
    EXPECT_EQ(again.datagrams, v1.datagrams);

    // GetBulk walks (the default): every table in a request or two.
    ASSERT_EQ(read_status(true, 25), PSW_OK);
    const psw_test::V3WireCounts bulk = psw_test::count_wire(relay.take());
    EXPECT_EQ(bulk.discovery_requests, 0u);
    EXPECT_LT(bulk.requests * 2, v1.requests) << bulk.requests << " against " << v1.requests;
    EXPECT_EQ(bulk.untimed_requests, 0u);
  });
}

INSTANTIATE_TEST_SUITE_P(Agents, StatusReadV3Wire, ::testing::Values(AgentKind::kSnmpd, AgentKind::kPysnmp),
                         [](const ::testing::TestParamInfo<AgentKind>& info) {
                           return std::string(info.param == AgentKind::kSnmpd ? "snmpd" : "pysnmp");
                         });

// Community-based requests as SNMPv2c: the request object's choice of
// version, what goes on the wire, walks of real agents that must give the
// same rows as over SNMPv1, and a device that does not speak SNMPv2c.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "agent/fault_agent.h"
#include "agent/pysnmp_agent.h"
#include "agent/snmpd_agent.h"
#include "request/pmc_get_data.h"
#include "snmp/engine_test_support.h"

namespace {

using psw_test::FaultAgent;
using psw_test::FaultScript;
using psw_test::ReplyPlan;
namespace ber = psw_test::ber;

const PmcUsmSettings kNoUsm{};
const std::string kName = "1.3.6.1.2.1.1.5";
const std::string kColumnA = "1.3.6.1.4.1.32473.5.1.1.2";
const std::string kColumnB = "1.3.6.1.4.1.32473.5.1.1.3";

// Walks go with GetNext unless `repetitions` asks for GetBulk.
PmcPtr<IPmcGetData> make_request(const std::string& address, uint16_t port, int32_t community_version,
                                 int timeout_ms = 1000, int retries = 0, int32_t repetitions = 0) {
  int err = -1;
  PmcPtr<IPmcGetData> r(pmc_create_get_data(&err));
  EXPECT_EQ(err, PMC_OK);
  EXPECT_EQ(r->set_bulk_repetitions(repetitions), PMC_OK);
  EXPECT_EQ(r->set_community_version(community_version), PMC_OK);
  int protocol = address.find(':') != std::string::npos ? IPmcNetworkAddress::PROTOCOL_IPV6
                                                       : IPmcNetworkAddress::PROTOCOL_IPV4;
  EXPECT_EQ(r->init(address.c_str(), protocol, port, 0, &kNoUsm, timeout_ms, retries, 0), PMC_OK);
  return r;
}

// The version of the target the request object's last init built.
int32_t impl_version(IPmcGetData* r) { return static_cast<CPmcGetData*>(r)->target()->get_version(); }

// Walks `columns` (rooted at the first) and describes every row.
int walk(IPmcGetData* r, const std::vector<std::string>& columns, std::vector<std::vector<std::string>>* rows) {
  for (const std::string& c : columns) EXPECT_EQ(r->add_oid_string(c.c_str(), false), PMC_OK);
  int err = -1;
  PmcPtr<IPmsPduList> list(pmc_create_pdu_list(&err));
  int rc = r->get_data(list.get(), columns[0].c_str());
  PmcPtr<IPmcListIterator> it(list->create_iterator(&err));
  for (IPmsPdu* p = list->current(it.get()); p != nullptr; list->advance(it.get()), p = list->current(it.get()))
    rows->push_back(engine_test::describe(*p));
  return rc;
}

// Walks the tables of `tables` at once and describes every row of each.
std::vector<std::vector<std::vector<std::string>>> walk_tables(IPmcGetData* r,
                                                              const std::vector<std::vector<std::string>>& tables) {
  std::vector<size_t> sizes;
  std::vector<PmcPtr<IPmsPduList>> lists;
  std::vector<IPmsPduList*> targets;
  int err = -1;
  for (const auto& columns : tables) {
    for (const std::string& c : columns) EXPECT_EQ(r->add_oid_string(c.c_str(), false), PMC_OK);
    sizes.push_back(columns.size());
    lists.emplace_back(pmc_create_pdu_list(&err));
    targets.push_back(lists.back().get());
  }
  EXPECT_EQ(r->get_tables(sizes.data(), sizes.size(), targets.data()), PMC_OK);
  std::vector<std::vector<std::vector<std::string>>> out(tables.size());
  for (size_t t = 0; t < tables.size(); ++t) {
    PmcPtr<IPmcListIterator> it(lists[t]->create_iterator(&err));
    for (IPmsPdu* p = lists[t]->current(it.get()); p != nullptr; lists[t]->advance(it.get()), p = lists[t]->current(it.get()))
      out[t].push_back(engine_test::describe(*p));
  }
  return out;
}

class CommunityVersionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int row = 1; row <= 3; ++row) {
      agent_.set(kColumnA + "." + std::to_string(row), ber::Value::Integer(10 * row));
      agent_.set(kColumnB + "." + std::to_string(row), ber::Value::OctetString("row " + std::to_string(row)));
    }
    agent_.set(kName + ".0", ber::Value::OctetString("LP-2200"));
  }

  FaultAgent agent_{"127.0.0.1"};
};

TEST_F(CommunityVersionTest, ChosenVersionGoesOnTheWireAndOtherValuesAreRefused) {
  int err = -1;
  PmcPtr<IPmcGetData> r(pmc_create_get_data(&err));
  for (int32_t bad : {-1, 2, 3, 0x7FFFFFFF}) EXPECT_EQ(r->set_community_version(bad), PMC_E_ARG);
  ASSERT_EQ(r->set_community_version(PMS_VERSION_V2C), PMC_OK);
  EXPECT_EQ(r->set_community_version(7), PMC_E_ARG);  // a refusal keeps the choice made
  ASSERT_EQ(r->init(agent_.address().c_str(), IPmcNetworkAddress::PROTOCOL_IPV4, agent_.port(), 0, &kNoUsm, 1000,
                    0, 0),
            PMC_OK);
  EXPECT_EQ(impl_version(r.get()), PMS_VERSION_V2C);
  ASSERT_EQ(r->add_oid_string(kName.c_str(), true), PMC_OK);
  char text[PMC_GET_DATA_TEXT_SIZE] = {};
  ASSERT_EQ(r->get_data(text), PMC_OK);
  EXPECT_STREQ(text, "LP-2200");
  ASSERT_EQ(agent_.request_count(), 1u);
  EXPECT_EQ(agent_.requests()[0].message.version, ber::kVersion2c);

  // Back to SNMPv1 for the next init; an SNMPv3 request is not touched.
  ASSERT_EQ(r->set_community_version(PMS_VERSION_V1), PMC_OK);
  ASSERT_EQ(r->init(agent_.address().c_str(), IPmcNetworkAddress::PROTOCOL_IPV4, agent_.port(), 0, &kNoUsm, 1000,
                    0, 0),
            PMC_OK);
  EXPECT_EQ(impl_version(r.get()), PMS_VERSION_V1);
  ASSERT_EQ(r->set_community_version(PMS_VERSION_V2C), PMC_OK);
  ASSERT_EQ(r->init(agent_.address().c_str(), IPmcNetworkAddress::PROTOCOL_IPV4, agent_.port(),
                    PMC_REQUEST_VERSION_V3, &kNoUsm, 1000, 0, 0),
            PMC_OK);
  EXPECT_EQ(impl_version(r.get()), PMS_VERSION_V3);
}

TEST_F(CommunityVersionTest, WalkOverSnmpv2cEndsAtEndOfMibViewWithTheRowsOfSnmpv1) {
  // The walked columns are the last objects of the device: SNMPv1 ends them
  // with noSuchName, SNMPv2c with endOfMibView in the binding.
  std::vector<std::vector<std::string>> v1_rows, v2c_rows;
  PmcPtr<IPmcGetData> v1 = make_request(agent_.address(), agent_.port(), PMS_VERSION_V1);
  ASSERT_EQ(walk(v1.get(), {kColumnA, kColumnB}, &v1_rows), PMC_OK);
  PmcPtr<IPmcGetData> v2c = make_request(agent_.address(), agent_.port(), PMS_VERSION_V2C);
  ASSERT_EQ(walk(v2c.get(), {kColumnA, kColumnB}, &v2c_rows), PMC_OK);
  ASSERT_EQ(v1_rows.size(), 3u);
  EXPECT_EQ(v2c_rows, v1_rows);
  std::vector<psw_test::ReceivedRequest> sent = agent_.requests();
  // SNMPv1 needs a fifth request: noSuchName at the last column refuses
  // the whole answer, so the first column is asked again without it.
  ASSERT_EQ(sent.size(), 9u);
  for (size_t i = 0; i < sent.size(); ++i)
    EXPECT_EQ(sent[i].message.version, i < 5 ? ber::kVersion1 : ber::kVersion2c) << "request " << i;
  EXPECT_EQ(sent[4].message.bindings.size(), 1u);
  EXPECT_EQ(sent[8].message.bindings.size(), 2u);
}

TEST_F(CommunityVersionTest, DeviceThatIgnoresSnmpv2cGivesTheTimeOutAndNoRows) {
  FaultScript script;
  script.hook = [](size_t, const ber::Message& request, ReplyPlan& plan) {
    plan.drop = request.version != ber::kVersion1;
  };
  agent_.set_script(script);
  std::vector<std::vector<std::string>> rows;
  PmcPtr<IPmcGetData> walker = make_request(agent_.address(), agent_.port(), PMS_VERSION_V2C, 100, 1);
  EXPECT_EQ(walk(walker.get(), {kColumnA, kColumnB}, &rows), PMC_E_TIMEOUT);
  EXPECT_TRUE(rows.empty());
  PmcPtr<IPmcGetData> get = make_request(agent_.address(), agent_.port(), PMS_VERSION_V2C, 100, 1);
  ASSERT_EQ(get->add_oid_string(kName.c_str(), true), PMC_OK);
  char text[PMC_GET_DATA_TEXT_SIZE] = "untouched";
  EXPECT_EQ(get->get_data(text), PMC_E_TIMEOUT);
  EXPECT_STREQ(text, "untouched");
  EXPECT_EQ(agent_.request_count(), 4u);  // each tried twice

  // The same device asked with SNMPv1 answers.
  PmcPtr<IPmcGetData> v1 = make_request(agent_.address(), agent_.port(), PMS_VERSION_V1, 100, 1);
  EXPECT_EQ(walk(v1.get(), {kColumnA, kColumnB}, &rows), PMC_OK);
  EXPECT_EQ(rows.size(), 3u);
}

// --- real agents: every table the status readers walk, over both versions ---

// The column sets of printer.snmprec's tables, as the readers walk them.
const std::vector<std::vector<std::string>> kTables = {
    {"1.3.6.1.2.1.25.2.3.1.2", "1.3.6.1.2.1.25.2.3.1.3", "1.3.6.1.2.1.25.2.3.1.4", "1.3.6.1.2.1.25.2.3.1.5",
     "1.3.6.1.2.1.25.2.3.1.6"},
    {"1.3.6.1.2.1.25.3.2.1.2", "1.3.6.1.2.1.25.3.2.1.3", "1.3.6.1.2.1.25.3.2.1.5"},
    {"1.3.6.1.2.1.43.8.2.1.2", "1.3.6.1.2.1.43.8.2.1.9", "1.3.6.1.2.1.43.8.2.1.10", "1.3.6.1.2.1.43.8.2.1.13"},
    {"1.3.6.1.2.1.43.9.2.1.2", "1.3.6.1.2.1.43.9.2.1.4", "1.3.6.1.2.1.43.9.2.1.5", "1.3.6.1.2.1.43.9.2.1.7"},
    {"1.3.6.1.2.1.43.11.1.1.4", "1.3.6.1.2.1.43.11.1.1.5", "1.3.6.1.2.1.43.11.1.1.6", "1.3.6.1.2.1.43.11.1.1.8",
     "1.3.6.1.2.1.43.11.1.1.9"},
    {"1.3.6.1.2.1.43.18.1.1.2", "1.3.6.1.2.1.43.18.1.1.4", "1.3.6.1.2.1.43.18.1.1.7",
     "1.3.6.1.2.1.43.18.1.1.8"},
};

enum class AgentKind { kSnmpd, kPysnmp };

class RealAgentCommunityVersion : public ::testing::TestWithParam<AgentKind> {};

TEST_P(RealAgentCommunityVersion, EveryTableGivesTheSameRowsOverSnmpv1AndSnmpv2c) {
  psw_test::SnmprecProfile profile = psw_test::SnmprecProfile::load(psw_test::profile_path("printer.snmprec"));
  std::unique_ptr<psw_test::SnmpdAgent> snmpd;
  std::unique_ptr<psw_test::PysnmpAgent> pysnmp;
  std::string address;
  uint16_t port = 0;
  if (GetParam() == AgentKind::kSnmpd) {
    psw_test::SnmpdOptions o;
    o.profile = profile;
    snmpd = std::make_unique<psw_test::SnmpdAgent>(o);
    address = snmpd->address();
    port = snmpd->port();
  } else {
    psw_test::PysnmpOptions o;
    o.profile = profile;
    pysnmp = std::make_unique<psw_test::PysnmpAgent>(o);
    address = pysnmp->address();
    port = pysnmp->port();
  }
  size_t all_rows = 0;
  std::vector<std::vector<std::vector<std::string>>> tables_alone;
  for (const auto& columns : kTables) {
    std::vector<std::vector<std::string>> v1_rows;
    PmcPtr<IPmcGetData> v1 = make_request(address, port, PMS_VERSION_V1, 2000, 1);
    ASSERT_EQ(walk(v1.get(), columns, &v1_rows), PMC_OK) << columns[0];
    // GetNext, GetBulk with a few repetitions (several bulk requests per
    // table) and with the default.
    for (int32_t repetitions : {0, 2, PMC_BULK_REPETITIONS_DEFAULT}) {
      std::vector<std::vector<std::string>> v2c_rows;
      PmcPtr<IPmcGetData> v2c = make_request(address, port, PMS_VERSION_V2C, 2000, 1, repetitions);
      ASSERT_EQ(walk(v2c.get(), columns, &v2c_rows), PMC_OK) << columns[0] << " " << repetitions;
      EXPECT_EQ(v2c_rows, v1_rows) << columns[0] << " " << repetitions;
    }
    all_rows += v1_rows.size();
    tables_alone.push_back(v1_rows);
  }
  EXPECT_GE(all_rows, kTables.size());  // every table has rows in the profile

  // Every table at once, in one walk: each table's rows as when walked alone.
  for (int32_t version : {PMS_VERSION_V1, PMS_VERSION_V2C}) {
    for (int32_t repetitions : {0, 3, PMC_BULK_REPETITIONS_DEFAULT}) {
      PmcPtr<IPmcGetData> r = make_request(address, port, version, 2000, 1, repetitions);
      EXPECT_EQ(walk_tables(r.get(), kTables), tables_alone) << version << " " << repetitions;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Agents, RealAgentCommunityVersion, ::testing::Values(AgentKind::kSnmpd, AgentKind::kPysnmp),
                         [](const ::testing::TestParamInfo<AgentKind>& info) {
                           return std::string(info.param == AgentKind::kSnmpd ? "snmpd" : "pysnmp");
                         });

}  // namespace

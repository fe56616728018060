// SNMPv3 operations from several threads at once, with different users and
// agents: each gets its own agent's answers.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "agent/snmpd_agent.h"
#include "core/pmc_result.h"
#include "snmp/pms_v3_session.h"
#include "snmp/v3_test_support.h"

namespace {

using v3test::make_pdu;
using v3test::make_target;
using v3test::value_text;

constexpr int kAgents = 4;
constexpr int kThreads = 8;
constexpr int kRounds = 12;

}  // namespace

TEST(V3Concurrency, EightThreadsWithDifferentUsersAndAgentsGetTheirOwnAnswers) {
  v3test::use_private_snmp_config();
  std::vector<std::unique_ptr<psw_test::SnmpdAgent>> agents;
  for (int a = 0; a < kAgents; ++a) {
    std::string address = "127.0.0." + std::to_string(a + 1);
    agents.push_back(std::make_unique<psw_test::SnmpdAgent>(v3test::agent_options("agent-" + std::to_string(a), {address})));
  }
  const std::vector<v3test::User> users = v3test::all_users();

  std::atomic<int> good{0};
  std::vector<std::string> failures(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const int a = t % kAgents;
      const v3test::User& user = users[t % users.size()];
      const std::string name = "agent-" + std::to_string(a);
      PmcPtr<v3RequestSession> session(pms_create_v3_request_session(nullptr));
      for (int round = 0; round < kRounds; ++round) {
        PmcPtr<IPmsSnmpTarget> target = make_target(user, agents[a]->address(), agents[a]->port(), 3000, 2);
        PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName, std::string(v3test::kTypesRoot) + ".1.1.0"});
        int rc = session->send_sync(pdu.get(), target.get());
        std::string sys_name = rc == PMC_OK ? value_text(pdu.get(), 0) : "";
        if (rc == PMC_OK && sys_name == name && value_text(pdu.get(), 1) == "-123456") {
          ++good;
        } else if (failures[t].empty()) {
          failures[t] = user.name + " at " + name + ": rc " + std::to_string(rc) + ", sysName '" + sys_name + "'";
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (const std::string& failure : failures) EXPECT_TRUE(failure.empty()) << failure;
  EXPECT_EQ(good.load(), kThreads * kRounds);
}

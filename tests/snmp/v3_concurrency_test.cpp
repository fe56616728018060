// SNMPv3 operations from many threads at once: with different users and
// agents (some with wrong pass phrases), with one user at one engine and
// different pass phrases, and whether their network waits overlap.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "agent/pysnmp_agent.h"
#include "agent/snmpd_agent.h"
#include "agent/udp_socket.h"
#include "base/pmc_result.h"
#include "snmp/pms_v3_session.h"
#include "snmp/v3_test_support.h"

namespace {

using namespace std::chrono_literals;
using v3test::make_pdu;
using v3test::make_target;
using v3test::value_text;

// An agent of either kind, by address.
struct Agent {
  std::string name;
  std::string address;
  uint16_t port = 0;
};

// Four of Net-SNMP's agents and two pysnmp agents on 127.0.0.1 to .6, each
// with every test user and its own sysName.
class V3Concurrency : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    v3test::use_private_snmp_config();
    for (int a = 0; a < 6; ++a) {
      const std::string address = "127.0.0." + std::to_string(a + 1);
      const std::string name = "agent-" + std::to_string(a);
      psw_test::SnmpdOptions options = v3test::agent_options(name, {address});
      if (a < 4) {
        snmpd_.push_back(std::make_unique<psw_test::SnmpdAgent>(options));
        agents_.push_back({name, address, snmpd_.back()->port()});
      } else {
        psw_test::PysnmpOptions py;
        py.profile = options.profile;
        py.profile.set(v3test::kSysName, psw_test::ber::Value::OctetString(name));
        py.users = options.users;
        py.listen = {address};
        pysnmp_.push_back(std::make_unique<psw_test::PysnmpAgent>(py));
        agents_.push_back({name, address, pysnmp_.back()->port()});
      }
    }
  }
  static void TearDownTestSuite() {
    agents_.clear();
    snmpd_.clear();
    pysnmp_.clear();
  }

  static std::vector<std::unique_ptr<psw_test::SnmpdAgent>> snmpd_;
  static std::vector<std::unique_ptr<psw_test::PysnmpAgent>> pysnmp_;
  static std::vector<Agent> agents_;
};

std::vector<std::unique_ptr<psw_test::SnmpdAgent>> V3Concurrency::snmpd_;
std::vector<std::unique_ptr<psw_test::PysnmpAgent>> V3Concurrency::pysnmp_;
std::vector<Agent> V3Concurrency::agents_;

// One Get of sysName and an INTEGER as one operation; the result code and,
// on success, whether both values are the agent's.
int get_two(const v3test::User& user, const Agent& agent, bool* right_values) {
  PmcPtr<v3RequestSession> session(pms_create_v3_request_session(nullptr));
  PmcPtr<IPmsSnmpTarget> target = make_target(user, agent.address, agent.port, 1500, 1);
  PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName, std::string(v3test::kTypesRoot) + ".1.1.0"});
  int rc = session->send_sync(pdu.get(), target.get());
  *right_values = rc == PMC_OK && value_text(pdu.get(), 0) == agent.name && value_text(pdu.get(), 1) == "-123456";
  return rc;
}

}  // namespace

TEST_F(V3Concurrency, SixteenThreadsWithDifferentUsersAndAgentsSomeWithWrongPassPhrases) {
  constexpr int kThreads = 16;
  constexpr int kRounds = 6;
  const std::vector<v3test::User> users = v3test::all_users();
  std::vector<std::string> failures(kThreads);
  std::atomic<int> right{0};
  std::atomic<int> refused{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const Agent& agent = agents_[t % agents_.size()];
      // Every fourth thread has a user with authentication and the wrong
      // pass phrase for it.
      const bool wrong = t % 4 == 3;
      v3test::User user = wrong ? users[1 + (t / 4) % 4] : users[t % users.size()];
      if (wrong) user.auth_phrase = "wrong-phrase-" + std::to_string(t);
      for (int round = 0; round < kRounds; ++round) {
        bool values = false;
        int rc = get_two(user, agent, &values);
        if (!wrong && rc == PMC_OK && values) {
          ++right;
        } else if (wrong && rc == PMC_E_SECURITY) {
          ++refused;
        } else if (failures[t].empty()) {
          failures[t] = user.name + (wrong ? " (wrong phrase)" : "") + " at " + agent.name + ": rc " +
                        std::to_string(rc) + (rc == PMC_OK && !values ? ", other values" : "");
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (const std::string& failure : failures) EXPECT_TRUE(failure.empty()) << failure;
  EXPECT_EQ(right.load(), 12 * kRounds);
  EXPECT_EQ(refused.load(), 4 * kRounds);
}

TEST_F(V3Concurrency, OneUserAtOneEngineWithRightAndWrongPassPhrasesAtOnce) {
  // The library's user list and key localization are keyed by engine and
  // user name: operations that met each other's entries would let a wrong
  // pass phrase through, or lock a right one out.
  for (size_t a : {size_t{0}, size_t{4}}) {
    const Agent& agent = agents_[a];
    SCOPED_TRACE(agent.name);
    constexpr int kThreads = 8;
    std::atomic<int> bad{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        v3test::User user = t % 2 == 0 ? v3test::sha_aes_user() : v3test::md5_user();
        const bool wrong = (t / 2) % 2 == 1;
        if (wrong) user.auth_phrase = "other-phrase-" + std::to_string(t);
        for (int round = 0; round < 8; ++round) {
          bool values = false;
          int rc = get_two(user, agent, &values);
          if (wrong ? rc != PMC_E_SECURITY : (rc != PMC_OK || !values)) ++bad;
        }
      });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(bad.load(), 0);
  }
}

TEST(V3Overlap, RequestsOfDifferentThreadsAreOnTheWireAtTheSameTime) {
  v3test::use_private_snmp_config();
  // A peer that never answers: every request waits for its whole time-out.
  // Requests that took turns would reach it one per time-out.
  psw_test::UdpSocket silent("127.0.0.1");
  constexpr int kThreads = 8;
  std::vector<std::thread> threads;
  std::atomic<int> timed_out{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      PmcPtr<v3RequestSession> session(pms_create_v3_request_session(nullptr));
      PmcPtr<IPmsSnmpTarget> target = make_target(v3test::sha_aes_user(), "127.0.0.1", silent.local_port(), 3000, 0);
      pms_usm_of(target.get())->set_engine_id("\x80\x00\x1f\x88\x80silent", 11);
      PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
      if (session->send_sync(pdu.get(), target.get()) == PMC_E_TIMEOUT) ++timed_out;
    });
  }
  std::set<uint16_t> senders;
  auto deadline = std::chrono::steady_clock::now() + 2500ms;
  while (senders.size() < kThreads && std::chrono::steady_clock::now() < deadline) {
    auto datagram = silent.receive(100ms);
    if (datagram) senders.insert(datagram->port);
  }
  // All of them within the first time-out.
  EXPECT_EQ(senders.size(), static_cast<size_t>(kThreads));
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(timed_out.load(), kThreads);
}

// The engine in processes of its own (tests/snmp/probe): the first
// request-id of a fresh process, and try loops with a retry count so large
// that only a kill ends them.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>

#include "agent/child_process.h"
#include "agent/mini_ber.h"
#include "agent/udp_socket.h"

namespace {

using namespace std::chrono_literals;
namespace ber = psw_test::ber;

// The first line of the probe's output as a number.
long long first_number(const std::string& output) {
  size_t used = 0;
  long long value = std::stoll(output, &used);
  EXPECT_TRUE(used == output.size() || output[used] == '\n') << output;
  return value;
}

TEST(FreshProcess, FirstRequestIdIsDrawnAnewInEveryProcess) {
  // Three processes: ids drawn from 2^30 values all agree with a
  // probability of 2^-60, where a fixed start would agree every time.
  std::set<long long> firsts;
  for (int i = 0; i < 3; ++i) {
    psw_test::CommandResult r = psw_test::run_command({PSW_ENGINE_PROBE, "first-id"}, 10000ms);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    long long id = first_number(r.output);
    EXPECT_GE(id, 0);
    EXPECT_LT(id, 1LL << 30);
    firsts.insert(id);
  }
  EXPECT_GT(firsts.size(), 1u);
}

}  // namespace

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

// Runs the probe's exchange or search against `sink` with time-out 0 and
// 2147483647 retries, kills it after `window`, and returns its output; the
// datagrams it sent are left in `sink`.
std::string run_endless_tries(const char* mode, psw_test::UdpSocket& sink, std::chrono::milliseconds window) {
  psw_test::CommandResult r = psw_test::run_command(
      {PSW_ENGINE_PROBE, mode, "127.0.0.1", std::to_string(sink.local_port()), "0", "2147483647", "20"}, window);
  // Still trying when it was killed by pid: it neither ended its loop nor
  // stopped on a sanitizer report.
  EXPECT_EQ(r.exit_code, -1) << r.output;
  return r.output;
}

// The requests that reached `sink`: every one carries the same request-id.
size_t count_requests(psw_test::UdpSocket& sink, int32_t* id) {
  size_t count = 0;
  std::set<int32_t> ids;
  for (const psw_test::Datagram& d : sink.receive_for(200ms)) {
    ber::Message m;
    std::string error;
    if (!ber::decode_message(d.data, &m, &error)) continue;
    EXPECT_EQ(m.pdu_type, ber::kGetRequest);
    ids.insert(m.request_id);
    ++count;
  }
  EXPECT_LE(ids.size(), 1u);
  if (!ids.empty()) *id = *ids.begin();
  return count;
}

TEST(FreshProcess, LargestRetryCountKeepsTheExchangeAndTheSearchSending) {
  for (const char* mode : {"exchange", "search"}) {
    psw_test::UdpSocket sink("127.0.0.1");
    std::string output = run_endless_tries(mode, sink, 1500ms);
    EXPECT_NE(output.find("sending"), std::string::npos) << mode << ": " << output;
    EXPECT_EQ(output.find("result"), std::string::npos) << mode << ": " << output;
    EXPECT_EQ(output.find("runtime error"), std::string::npos) << mode << ": " << output;
    int32_t id = 0;
    // Far more tries than any small retry count; the socket's queue holds
    // a few hundred of them.
    EXPECT_GE(count_requests(sink, &id), 50u) << mode << ": " << output;
  }
}

}  // namespace

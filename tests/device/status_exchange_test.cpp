// What the status readers send and how they fail, seen from a scripted
// agent that records every request: communities of reads and of the cancel,
// the cancel's binding, refused Sets, the number of exchanges per read,
// failures returned and logged, and what a failure leaves behind.
#include <gtest/gtest.h>

#include "device/status_device_support.h"
#include "device/status_expected_records.h"
#include "log/log_test_support.h"

namespace status_test {
namespace {

using psw_test::FaultAgent;
using psw_test::FaultScript;
using psw_test::ReceivedRequest;
using psw_test::ReplyPlan;
namespace ber = psw_test::ber;

constexpr const char* kJobTextBase = "1.3.6.1.4.1.32473.8.51.5.1.1.4";
constexpr const char* kCancelColumn = "1.3.6.1.4.1.32473.8.76.3.2.1.1";

// The scripted agent on port 161 of 127.0.0.1 in a namespace of its own,
// serving the office printer's status profile.
class FaultPrinter {
 public:
  FaultPrinter() {
    netns_.run([&] { agent_ = std::make_unique<FaultAgent>("127.0.0.1", 161); });
    agent_->load(status_profile());
  }
  FaultAgent& agent() { return *agent_; }
  void run(const std::function<void()>& fn) const { netns_.run(fn); }

 private:
  PrivateNetns netns_;
  std::unique_ptr<FaultAgent> agent_;
};

// Records the lines of the "PSW" category while it lives.
class PswLog {
 public:
  PswLog() {
    int err = 0;
    IPmcLogger* logger = pmc_log_manager(&err)->get_logger("PSW", &err);
    logger->add_sink(&sink_);
    logger->set_level_mask(PMC_LOG_ALL);
  }
  ~PswLog() { pmc_log_manager(nullptr)->reset_all(); }
  // The lines that carry `message` at error level.
  size_t errors(const std::string& message) const {
    size_t n = 0;
    for (const std::string& line : sink_.lines()) {
      if (line.find("PSW ") != std::string::npos && line.find(", Error, " + message) != std::string::npos) ++n;
    }
    return n;
  }
  size_t count() const { return sink_.lines().size(); }
  std::string text() const {
    std::string all;
    for (const std::string& line : sink_.lines()) all += line + "\n";
    return all;
  }

 private:
  log_test::CaptureSink sink_;
};

class StatusExchange : public ::testing::Test {
 protected:
  FaultPrinter printer_;
  PSWPluginUSMPtr usm_ = community_settings();

  StatusPtr open(int32_t timeout = 2000, int32_t retries = 1) {
    return make_status(kIPv4.protocol, kIPv4.address, *usm_, timeout, retries);
  }
  std::vector<ReceivedRequest> requests() { return printer_.agent().requests(); }
};

TEST_F(StatusExchange, ReadsUsePublicAndTheCancelPrivateUntilCommunitiesAreSet) {
  printer_.run([&] {
    StatusPtr status = open();
    ASSERT_TRUE(status);
    ASSERT_EQ(status->read_printer_status(), 0);
    ASSERT_EQ(status->cancel_job("00001044"), 0);
    std::vector<ReceivedRequest> sent = requests();
    ASSERT_EQ(sent.size(), 3u);  // two GetNexts of the walk, the Set
    EXPECT_EQ(sent[0].message.community, "public");
    EXPECT_EQ(sent[1].message.community, "public");
    EXPECT_EQ(sent[2].message.community, "private");

    printer_.agent().reset_requests();
    status->set_read_community("office-ro");
    status->set_write_community("office-rw");
    ASSERT_EQ(status->read_char_set(0, nullptr), 0);
    ASSERT_EQ(status->cancel_job("00001045"), 0);
    sent = requests();
    ASSERT_EQ(sent.size(), 4u);  // two GetNexts and the Get of the look-up, the Set
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(sent[i].message.community, "office-ro") << i;
    EXPECT_EQ(sent[3].message.community, "office-rw");
  });
}

TEST_F(StatusExchange, CancelSetsOneIntegerUnderTheJobIdentifier) {
  printer_.agent().set(std::string(kCancelColumn) + ".101.5.65.66.67.68.69", ber::Value::Integer(0), true);
  printer_.run([&] {
    StatusPtr status = open();
    ASSERT_TRUE(status);
    ASSERT_EQ(status->cancel_job("ABCDE"), 0);
  });
  std::vector<ReceivedRequest> sent = requests();
  ASSERT_EQ(sent.size(), 1u);
  const ber::Message& m = sent[0].message;
  EXPECT_EQ(m.pdu_type, ber::kSetRequest);
  ASSERT_EQ(m.bindings.size(), 1u);
  EXPECT_EQ(ber::oid_text(m.bindings[0].oid), std::string(kCancelColumn) + ".101.5.65.66.67.68.69");
  EXPECT_EQ(m.bindings[0].value, ber::Value::Integer(1414));
  EXPECT_EQ(printer_.agent().value(std::string(kCancelColumn) + ".101.5.65.66.67.68.69"), ber::Value::Integer(1414));
}

TEST_F(StatusExchange, ExchangesPerRead) {
  printer_.run([&] {
    StatusPtr status = open();
    ASSERT_TRUE(status);
    // A walk of six rows: six GetNexts and the one that leaves the table.
    ASSERT_EQ(status->read_storage_table(), 0);
    EXPECT_EQ(requests().size(), 7u);
    // The first job read: the maker's character set (a walk of one row and
    // one look-up), the job walk (six rows), three text look-ups per row.
    printer_.agent().reset_requests();
    ASSERT_EQ(status->read_job_table(0), 0);
    EXPECT_EQ(requests().size(), 3u + 7u + 18u);
    // The character set is kept: a second read does not look it up again.
    printer_.agent().reset_requests();
    status->job_table().clear();
    ASSERT_EQ(status->read_job_table(1), 0);
    EXPECT_EQ(requests().size(), 7u + 18u);
    // Each look-up is one Get of "<base>.<row key>.<text index>.<character set>".
    size_t lookups = 0;
    for (const ReceivedRequest& r : requests()) {
      if (r.message.pdu_type != ber::kGetRequest) continue;
      ++lookups;
      ASSERT_EQ(r.message.bindings.size(), 1u);
      std::string oid = ber::oid_text(r.message.bindings[0].oid);
      EXPECT_EQ(oid.rfind(std::string(kJobTextBase) + ".1.", 0), 0u) << oid;
      EXPECT_EQ(oid.substr(oid.size() - 4), ".106") << oid;
    }
    EXPECT_EQ(lookups, 18u);
  });
}

TEST_F(StatusExchange, FailedWalkIsReturnedLoggedAndKeepsNoRow) {
  PswLog log;
  printer_.run([&] {
    StatusPtr status = open(100, 0);
    ASSERT_TRUE(status);
    // The walk loses its answer after three rows.
    FaultScript script;
    script.hook = [](size_t index, const ber::Message&, ReplyPlan& plan) { plan.drop = index >= 3; };
    printer_.agent().set_script(script);
    EXPECT_EQ(status->read_storage_table(), -203);
    EXPECT_EQ(status->storage_table().size(), 0u);
  });
  EXPECT_EQ(log.errors("pGetData->get_data()"), 1u);
  EXPECT_EQ(log.count(), 1u);
}

TEST_F(StatusExchange, FailedCallsAreLoggedByTheirText) {
  PswLog log;
  printer_.run([&] {
    // An IPv6 address under the IPv4 protocol: the exchange cannot be sent.
    StatusPtr status = make_status(kIPv4.protocol, "::1", *usm_);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->read_device_table(), -2);
    EXPECT_EQ(status->cancel_job("00001044"), -2);
  });
  EXPECT_EQ(log.errors("pGetData->get_data()"), 1u) << log.text();
  EXPECT_EQ(log.errors("pGetData->set_data()"), 1u) << log.text();
  EXPECT_EQ(log.count(), 2u) << log.text();
  EXPECT_EQ(printer_.agent().request_count(), 0u);
}

TEST_F(StatusExchange, FailedJobTextLookUpEndsTheReadKeepingEarlierJobs) {
  PswLog log;
  printer_.run([&] {
    StatusPtr status = open(100, 0);
    ASSERT_TRUE(status);
    // The third job is the first with text index 42 ("Paper jam").
    FaultScript script;
    script.hook = [](size_t, const ber::Message& m, ReplyPlan& plan) {
      if (m.pdu_type != ber::kGetRequest || m.bindings.empty()) return;
      plan.drop = ber::oid_text(m.bindings[0].oid) == std::string(kJobTextBase) + ".1.42.106";
    };
    printer_.agent().set_script(script);
    EXPECT_EQ(status->read_job_table(0), -203);
    std::vector<PSWJobInfo> all = expected_jobs();
    expect_table(status->job_table(), std::vector<PSWJobInfo>(all.begin(), all.begin() + 2));
  });
  EXPECT_EQ(log.errors("pGetData->get_data()"), 1u);
}

TEST_F(StatusExchange, FailedCharacterSetLookUpKeepsTheLastValue) {
  printer_.run([&] {
    StatusPtr status = open(100, 0);
    ASSERT_TRUE(status);
    int32_t out = 0;
    ASSERT_EQ(status->read_char_set(1, &out), 0);
    ASSERT_EQ(out, kExpectedVendorCharSet);
    FaultScript script;
    script.hook = [](size_t, const ber::Message& m, ReplyPlan& plan) { plan.drop = m.pdu_type == ber::kGetRequest; };
    printer_.agent().set_script(script);
    out = -99;
    EXPECT_EQ(status->read_char_set(1, &out), -203);
    EXPECT_EQ(out, -99);
    EXPECT_EQ(status->vendor_char_set(), kExpectedVendorCharSet);
  });
}

TEST_F(StatusExchange, JobReadStopsWhenTheCharacterSetCannotBeRead) {
  printer_.run([&] {
    StatusPtr status = open(100, 0);
    ASSERT_TRUE(status);
    FaultScript script;
    script.hook = [](size_t, const ber::Message& m, ReplyPlan& plan) { plan.drop = m.pdu_type == ber::kGetRequest; };
    printer_.agent().set_script(script);
    EXPECT_EQ(status->read_job_table(0), -203);
    EXPECT_EQ(status->job_table().size(), 0u);
    // Only the character-set exchanges went out, not the job walk.
    for (const ReceivedRequest& r : requests()) {
      ASSERT_FALSE(r.message.bindings.empty());
      EXPECT_EQ(ber::oid_text(r.message.bindings[0].oid).rfind("1.3.6.1.4.1.32473.8.51.", 0), 0u);
    }
  });
}

}  // namespace
}  // namespace status_test

// GetBulk walks against devices that answer GetBulk the way real agents do,
// right and wrong: tooBig, one row whatever was asked, more rows than asked,
// endOfMibView in the middle of an answer, answers cut by size, and a device
// that speaks only SNMPv1. Whatever the device does, the rows are those of
// the GetNext walk of the same table, or the walk fails with a clear code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agent/fault_agent.h"
#include "request/pmc_get_data.h"
#include "snmp/engine_test_support.h"

namespace {

using psw_test::FaultAgent;
using psw_test::FaultScript;
namespace ber = psw_test::ber;

const PmcUsmSettings kNoUsm{};
// Three columns of one table: A and B in every row, C in every third; then
// an object beyond the table, so that the walk leaves it by name.
const std::string kEntry = "1.3.6.1.4.1.32473.7.1.1";
const std::vector<std::string> kColumns = {kEntry + ".2", kEntry + ".3", kEntry + ".4"};
constexpr int kRows = 40;

using Rows = std::vector<std::vector<std::string>>;

class BulkWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int row = 1; row <= kRows; ++row) {
      const std::string index = "." + std::to_string(row);
      agent_.set(kColumns[0] + index, ber::Value::Integer(row));
      agent_.set(kColumns[1] + index, ber::Value::OctetString("tray " + std::to_string(row)));
      if (row % 3 == 0) agent_.set(kColumns[2] + index, ber::Value::Integer(-row));
    }
    agent_.set("1.3.6.1.4.1.32473.8.0", ber::Value::Integer(1));
    ASSERT_EQ(walk(PMS_VERSION_V1, 0, &baseline_), PMC_OK);
    ASSERT_EQ(baseline_.size(), static_cast<size_t>(kRows));
    agent_.reset_requests();
  }

  // Walks the three columns with the version and repetitions given.
  int walk(int32_t version, int32_t repetitions, Rows* rows, int timeout_ms = 1000, int retries = 0,
           size_t max_message_size = 0) {
    int err = -1;
    PmcPtr<IPmcGetData> r(pmc_create_get_data(&err));
    EXPECT_EQ(r->set_community_version(version), PMC_OK);
    EXPECT_EQ(r->set_bulk_repetitions(repetitions), PMC_OK);
    EXPECT_EQ(r->init(agent_.address().c_str(), IPmcNetworkAddress::PROTOCOL_IPV4, agent_.port(), 0, &kNoUsm,
                      timeout_ms, retries, max_message_size),
              PMC_OK);
    for (const std::string& c : kColumns) EXPECT_EQ(r->add_oid_string(c.c_str(), false), PMC_OK);
    PmcPtr<IPmsPduList> list(pmc_create_pdu_list(&err));
    int rc = r->get_data(list.get(), kColumns[0].c_str());
    PmcPtr<IPmcListIterator> it(list->create_iterator(&err));
    for (IPmsPdu* p = list->current(it.get()); p != nullptr; list->advance(it.get()), p = list->current(it.get()))
      rows->push_back(engine_test::describe(*p));
    return rc;
  }

  // Walks with GetBulk of 25 under `script`; the rows must be the baseline.
  void expect_baseline_under(const FaultScript& script) {
    agent_.set_script(script);
    Rows rows;
    EXPECT_EQ(walk(PMS_VERSION_V2C, 25, &rows), PMC_OK);
    EXPECT_EQ(rows, baseline_);
  }

  // Max-repetitions of every GetBulk the agent received, in order (-1 for
  // a GetNext).
  std::vector<int> repetitions_asked() const {
    std::vector<int> out;
    for (const psw_test::ReceivedRequest& r : agent_.requests())
      out.push_back(r.message.pdu_type == ber::kGetBulkRequest ? r.message.max_repetitions() : -1);
    return out;
  }

  FaultAgent agent_{"127.0.0.1"};
  Rows baseline_;
};

TEST_F(BulkWalk, AWellBehavedAgentGivesTheRowsOfGetNextInAFewRequests) {
  expect_baseline_under(FaultScript());
  // 41 steps per column at 25 a request: two GetBulks without
  // non-repeaters; the sparse column ended within the first.
  const std::vector<psw_test::ReceivedRequest> sent = agent_.requests();
  ASSERT_EQ(sent.size(), 2u);
  for (const auto& r : sent) {
    EXPECT_EQ(r.message.pdu_type, ber::kGetBulkRequest);
    EXPECT_EQ(r.message.non_repeaters(), 0);
    EXPECT_EQ(r.message.max_repetitions(), 25);
  }
  EXPECT_EQ(sent[0].message.bindings.size(), 3u);
  EXPECT_EQ(sent[1].message.bindings.size(), 2u);
  // A few repetitions, many requests: the same rows.
  agent_.reset_requests();
  Rows rows;
  ASSERT_EQ(walk(PMS_VERSION_V2C, 3, &rows), PMC_OK);
  EXPECT_EQ(rows, baseline_);
  EXPECT_EQ(agent_.request_count(), 14u);  // ceil(41 / 3)
}

TEST_F(BulkWalk, TooBigHalvesTheRepetitionsDownToGetNext) {
  FaultScript above;
  above.bulk_too_big_above = 5;
  expect_baseline_under(above);
  std::vector<int> asked = repetitions_asked();
  ASSERT_GE(asked.size(), 4u);
  EXPECT_EQ(std::vector<int>(asked.begin(), asked.begin() + 4), (std::vector<int>{25, 12, 6, 3}));
  for (size_t i = 4; i < asked.size(); ++i) EXPECT_EQ(asked[i], 3) << i;  // the size that worked stays

  // A device that refuses every GetBulk is walked with GetNext in the end.
  agent_.reset_requests();
  FaultScript always;
  always.bulk_too_big = true;
  expect_baseline_under(always);
  asked = repetitions_asked();
  ASSERT_EQ(asked.size(), 5u + kRows + 1u);
  EXPECT_EQ(std::vector<int>(asked.begin(), asked.begin() + 6), (std::vector<int>{25, 12, 6, 3, 1, -1}));
}

TEST_F(BulkWalk, ARequestTooBigForTheMessageSizeGoesWithFewerColumns) {
  // 70 octets hold a GetBulk of two of the three columns, not of all three:
  // nothing too big is sent, and every GetBulk carries fewer columns.
  Rows rows;
  ASSERT_EQ(walk(PMS_VERSION_V2C, 25, &rows, 1000, 0, 70), PMC_OK);
  EXPECT_EQ(rows, baseline_);
  const std::vector<psw_test::ReceivedRequest> sent = agent_.requests();
  ASSERT_FALSE(sent.empty());
  for (const auto& r : sent) {
    EXPECT_EQ(r.message.pdu_type, ber::kGetBulkRequest);
    EXPECT_LE(r.size, 70u);
    EXPECT_EQ(r.message.bindings.size(), 1u);
  }
}

TEST_F(BulkWalk, OneRowAnswersAndCutAnswersLowerTheRepetitions) {
  FaultScript single;
  single.bulk_single_row = true;
  expect_baseline_under(single);
  std::vector<int> asked = repetitions_asked();
  ASSERT_GE(asked.size(), 2u);
  EXPECT_EQ(asked[0], 25);
  EXPECT_EQ(asked[1], 1);  // as many as the device sent

  // Answers cut by the device's size limit: fewer repetitions, same rows.
  agent_.reset_requests();
  FaultScript cut;
  cut.max_answer_size = 400;
  expect_baseline_under(cut);
  asked = repetitions_asked();
  ASSERT_GE(asked.size(), 2u);
  EXPECT_LT(asked[1], 25);
}

TEST_F(BulkWalk, MoreRowsThanAskedAreRowsAllTheSame) {
  FaultScript extra;
  extra.bulk_extra_rows = 30;
  expect_baseline_under(extra);
  EXPECT_EQ(agent_.request_count(), 1u);  // 55 steps came with the first answer
}

TEST_F(BulkWalk, EndOfMibViewInTheMiddleOfAnAnswerIsCheckedWithGetNext) {
  // An agent that ends every answer after 4 rows with endOfMibView: each
  // end is asked again with one GetNext, which finds the table going on.
  FaultScript lying;
  lying.bulk_end_after = 4;
  expect_baseline_under(lying);
  std::vector<int> asked = repetitions_asked();
  ASSERT_GE(asked.size(), 3u);
  EXPECT_EQ(asked[0], 25);
  EXPECT_EQ(asked[1], -1);

  // The table at the very end of the device: the endOfMibView of the last
  // two columns is real, one GetNext of both confirms it, and the walk ends.
  agent_.clear();
  for (int row = 1; row <= 5; ++row) {
    agent_.set(kColumns[0] + "." + std::to_string(row), ber::Value::Integer(row));
    agent_.set(kColumns[1] + "." + std::to_string(row), ber::Value::OctetString("tray"));
  }
  agent_.reset_requests();
  agent_.set_script(FaultScript());
  Rows v1_rows;
  ASSERT_EQ(walk(PMS_VERSION_V1, 0, &v1_rows), PMC_OK);
  agent_.reset_requests();
  Rows rows;
  ASSERT_EQ(walk(PMS_VERSION_V2C, 25, &rows), PMC_OK);
  EXPECT_EQ(rows, v1_rows);
  EXPECT_EQ(repetitions_asked(), (std::vector<int>{25, -1}));
}

TEST_F(BulkWalk, AStuckBulkAnswerFailsAsAStuckWalk) {
  FaultScript stuck;
  stuck.stuck_walk = true;
  agent_.set_script(stuck);
  Rows rows;
  EXPECT_EQ(walk(PMS_VERSION_V2C, 25, &rows), PMC_E_WALK_STUCK);
  EXPECT_TRUE(rows.empty());
}

TEST_F(BulkWalk, AnSnmpv1OnlyDeviceAskedWithSnmpv2cTimesOut) {
  FaultScript v1_only;
  v1_only.v1_only = true;
  agent_.set_script(v1_only);
  Rows rows;
  EXPECT_EQ(walk(PMS_VERSION_V2C, 25, &rows, 100, 1), PMC_E_TIMEOUT);
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(agent_.request_count(), 2u);
  // SNMPv1 still reads it, with GetNext whatever the repetitions say.
  agent_.reset_requests();
  ASSERT_EQ(walk(PMS_VERSION_V1, 25, &rows), PMC_OK);
  EXPECT_EQ(rows, baseline_);
  for (int r : repetitions_asked()) EXPECT_EQ(r, -1);
}

TEST_F(BulkWalk, RepetitionsOutsideTheRangeAreRefused) {
  int err = -1;
  PmcPtr<IPmcGetData> r(pmc_create_get_data(&err));
  for (int32_t bad : {-1, PMC_BULK_REPETITIONS_MAX + 1, 0x7FFFFFFF}) EXPECT_EQ(r->set_bulk_repetitions(bad), PMC_E_ARG);
  EXPECT_EQ(r->set_bulk_repetitions(0), PMC_OK);
  EXPECT_EQ(r->set_bulk_repetitions(PMC_BULK_REPETITIONS_MAX), PMC_OK);
}

}  // namespace

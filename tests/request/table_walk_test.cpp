// Table walks of devices that lack columns, hold cells only for some rows,
// number their rows freely, or answer walks that never end: every row the
// device has is read, a missing cell stays absent, and a walk that cannot
// end fails with its own code.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "agent/fault_agent.h"
#include "agent/udp_socket.h"
#include "request/pmc_get_data.h"
#include "request/pmc_table_walk.h"
#include "snmp/engine_test_support.h"

namespace {

using psw_test::FaultAgent;
using psw_test::FaultScript;
namespace ber = psw_test::ber;

const std::string kEntry = "1.3.6.1.4.1.32473.5.2.1";  // a table entry; columns are kEntry.N
std::string column(int n) { return kEntry + "." + std::to_string(n); }

const PmcUsmSettings kNoUsm{};

// One walked row: per column its name, and its integer or "absent".
struct Cell {
  std::string oid;
  std::string value;
  bool operator==(const Cell& o) const { return oid == o.oid && value == o.value; }
};
using Row = std::vector<Cell>;

std::ostream& operator<<(std::ostream& os, const Cell& c) { return os << c.oid << "=" << c.value; }

Row row_of(const IPmsPdu& pdu) {
  Row row;
  for (size_t i = 0; i < engine_test::binding_count(pdu); ++i) {
    const IPmcValue* v = engine_test::value_at(pdu, i);
    std::string text = v != nullptr && pmc_is_absent_cell(*v) ? "absent" : std::to_string(engine_test::int_at(pdu, i));
    row.push_back({engine_test::oid_at(pdu, i), text});
  }
  return row;
}

// Walks `columns` of the device at address:port; the rows read land in `rows`.
int walk_at(const std::string& address, uint16_t port, const std::vector<std::string>& columns,
            std::vector<Row>* rows, int timeout_ms = 1000) {
  int err = -1;
  PmcPtr<IPmcGetData> request(pmc_create_get_data(&err));
  EXPECT_EQ(request->init(address.c_str(), IPmcNetworkAddress::PROTOCOL_IPV4, port, 0, &kNoUsm, timeout_ms, 0, 0),
            PMC_OK);
  for (const std::string& c : columns) EXPECT_EQ(request->add_oid_string(c.c_str(), false), PMC_OK);
  PmcPtr<IPmsPduList> list(pmc_create_pdu_list(&err));
  int rc = request->get_data(list.get(), columns[0].c_str());
  PmcPtr<IPmcListIterator> it(list->create_iterator(&err));
  for (IPmsPdu* p = list->current(it.get()); p != nullptr; list->advance(it.get()), p = list->current(it.get()))
    rows->push_back(row_of(*p));
  return rc;
}

class TableWalk : public ::testing::Test {
 protected:
  void cell(int col, const std::string& index, int32_t value) {
    agent_.set(column(col) + "." + index, ber::Value::Integer(value));
  }
  int walk(const std::vector<int>& cols, std::vector<Row>* rows) {
    std::vector<std::string> names;
    for (int c : cols) names.push_back(column(c));
    return walk_at(agent_.address(), agent_.port(), names, rows);
  }
  static Cell at(int col, const std::string& index, int32_t value) {
    return {column(col) + "." + index, std::to_string(value)};
  }
  static Cell absent(int col, const std::string& index) { return {column(col) + "." + index, "absent"}; }

  FaultAgent agent_{"127.0.0.1"};
};

TEST_F(TableWalk, RowsAreTheUnionOfEveryColumnsIndicesAndMissingCellsStayAbsent) {
  // Column 2 (the first asked) is missing altogether, column 4 holds only
  // row 5, the rows are numbered 2, 5, 11, and another column follows.
  for (const char* index : {"2", "5", "11"}) {
    cell(3, index, 30 + std::stoi(index));
    cell(5, index, 50 + std::stoi(index));
  }
  cell(4, "5", 45);
  cell(6, "1", 999);
  std::vector<Row> rows;
  ASSERT_EQ(walk({2, 3, 4, 5}, &rows), PMC_OK);
  std::vector<Row> expected = {
      {absent(2, "2"), at(3, "2", 32), absent(4, "2"), at(5, "2", 52)},
      {absent(2, "5"), at(3, "5", 35), at(4, "5", 45), at(5, "5", 55)},
      {absent(2, "11"), at(3, "11", 41), absent(4, "11"), at(5, "11", 61)},
  };
  EXPECT_EQ(rows, expected);
  // As many requests as for a complete table: one per row and the last.
  EXPECT_EQ(agent_.request_count(), 4u);
  // A column that has left the walk is no longer asked for.
  std::vector<psw_test::ReceivedRequest> sent = agent_.requests();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].message.bindings.size(), 4u);
  EXPECT_EQ(sent[1].message.bindings.size(), 2u);  // columns 3 and 5; column 4 already holds row 5
  EXPECT_EQ(sent[2].message.bindings.size(), 3u);
}

TEST_F(TableWalk, IndicesOfSeveralPartsAreOrderedByNumberNotByText) {
  cell(3, "1.9", 1);
  cell(3, "1.10", 2);
  cell(5, "1.2", 3);
  cell(5, "1.10", 4);
  cell(5, "2.1", 5);
  std::vector<Row> rows;
  ASSERT_EQ(walk({3, 5}, &rows), PMC_OK);
  std::vector<Row> expected = {
      {absent(3, "1.2"), at(5, "1.2", 3)},
      {at(3, "1.9", 1), absent(5, "1.9")},
      {at(3, "1.10", 2), at(5, "1.10", 4)},
      {absent(3, "2.1"), at(5, "2.1", 5)},
  };
  EXPECT_EQ(rows, expected);
}

TEST_F(TableWalk, ColumnsOfDifferentTablesAreJoinedByPosition) {
  // Two tables of one device whose rows correspond but whose indices have
  // different forms; the second table holds one row less.
  const std::string other = "1.3.6.1.4.1.32473.5.3.1.7";
  cell(3, "1.1041", 1);
  cell(3, "1.1042", 2);
  agent_.set(other + ".1.4.48.49.52.49", ber::Value::Integer(10));
  std::vector<Row> rows;
  ASSERT_EQ(walk_at(agent_.address(), agent_.port(), {column(3), other}, &rows), PMC_OK);
  std::vector<Row> expected = {
      {at(3, "1.1041", 1), {other + ".1.4.48.49.52.49", "10"}},
      {at(3, "1.1042", 2), {other, "absent"}},
  };
  EXPECT_EQ(rows, expected);
}

TEST_F(TableWalk, ColumnAtTheEndOfTheDeviceLeavesOnNoSuchName) {
  // SNMPv1 refuses a GetNext past the device's last object with noSuchName
  // at that binding; the other columns go on.
  cell(3, "1", 31);
  cell(3, "2", 32);
  cell(3, "3", 33);
  cell(9, "1", 91);  // the last object of the device
  std::vector<Row> rows;
  ASSERT_EQ(walk({3, 9}, &rows), PMC_OK);
  std::vector<Row> expected = {
      {at(3, "1", 31), at(9, "1", 91)},
      {at(3, "2", 32), absent(9, "2")},
      {at(3, "3", 33), absent(9, "3")},
  };
  EXPECT_EQ(rows, expected);
}

TEST_F(TableWalk, AnswerThatDoesNotAdvanceFailsTheWalk) {
  cell(3, "1", 31);
  cell(3, "2", 32);
  FaultScript script;
  script.stuck_walk = true;
  agent_.set_script(script);
  std::vector<Row> rows;
  EXPECT_EQ(walk({3}, &rows), PMC_E_WALK_STUCK);
  // The first answer already gives it away: no row, no further request.
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(agent_.request_count(), 1u);
}

TEST_F(TableWalk, RefusedWalkIsNoValueAndAShortAnswerToo) {
  cell(3, "1", 31);
  FaultScript script;
  script.error_status = ber::kGenErr;
  agent_.set_script(script);
  std::vector<Row> rows;
  EXPECT_EQ(walk({3}, &rows), PMC_E_NOVALUE);
  EXPECT_TRUE(rows.empty());
}

// A device of our own making for walks no table serves: `answer` gives the
// bindings of the response to each GetNext.
class ScriptedDevice {
 public:
  using Answer = std::function<std::vector<ber::VarBind>(const ber::Message&)>;
  explicit ScriptedDevice(Answer answer) : answer_(std::move(answer)), thread_([this] { serve(); }) {}
  ~ScriptedDevice() {
    stop_ = true;
    thread_.join();
  }
  uint16_t port() const { return socket_.local_port(); }
  size_t requests() const { return requests_; }

 private:
  void serve() {
    while (!stop_) {
      std::optional<psw_test::Datagram> d = socket_.receive(std::chrono::milliseconds(20));
      if (!d) continue;
      ber::Message request;
      std::string error;
      if (!ber::decode_message(d->data, &request, &error)) continue;
      ++requests_;
      ber::Message response = request;
      response.pdu_type = ber::kResponse;
      response.bindings = answer_(request);
      socket_.send_to(ber::encode_message(response), d->address, d->port);
    }
  }

  psw_test::UdpSocket socket_{"127.0.0.1"};
  Answer answer_;
  std::atomic<bool> stop_{false};
  std::atomic<size_t> requests_{0};
  std::thread thread_;
};

TEST(TableWalkEnd, AnswerThatGoesBackwardsFailsTheWalk) {
  // Rows 1, 2, 3, then row 2 again.
  ScriptedDevice device([](const ber::Message& request) {
    ber::Oid asked = request.bindings.at(0).oid;
    ber::Oid next = ber::parse_oid(column(3));
    if (asked.size() == next.size()) {
      next.push_back(1);
    } else {
      next.push_back(asked.back() < 3 ? asked.back() + 1 : 2);
    }
    return std::vector<ber::VarBind>{{next, ber::Value::Integer(1)}};
  });
  std::vector<Row> rows;
  EXPECT_EQ(walk_at("127.0.0.1", device.port(), {column(3)}, &rows), PMC_E_WALK_STUCK);
  EXPECT_EQ(device.requests(), 4u);
}

TEST(TableWalkEnd, EndlessTableFailsAtTheRowLimit) {
  ScriptedDevice device([](const ber::Message& request) {
    ber::Oid next = request.bindings.at(0).oid;
    if (next.size() == ber::parse_oid(column(3)).size()) next.push_back(0);
    ++next.back();
    return std::vector<ber::VarBind>{{next, ber::Value::OctetString(std::string(200, 'x'))}};
  });
  std::vector<Row> rows;
  EXPECT_EQ(walk_at("127.0.0.1", device.port(), {column(3)}, &rows), PMC_E_WALK_LIMIT);
  // The walk stops at the limit: it neither asks nor keeps more.
  EXPECT_EQ(rows.size(), PMC_WALK_ROW_LIMIT);
  EXPECT_EQ(device.requests(), PMC_WALK_ROW_LIMIT + 1);
}

}  // namespace

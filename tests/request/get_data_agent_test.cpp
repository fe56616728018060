// The request object against a real agent (Net-SNMP's snmpd) on the IPv4 and
// IPv6 loopback: single Gets, a walk of a table of several columns, and Sets
// that the agent accepts or refuses.
#include <gtest/gtest.h>

#include <memory>

#include "agent/snmpd_agent.h"
#include "request/pmc_get_data.h"
#include "snmp/engine_test_support.h"

namespace {

namespace ber = psw_test::ber;

const std::string kInputTable = "1.3.6.1.2.1.43.8.2.1";
const std::string kCancel = "1.3.6.1.4.1.32473.8.76.3.2.1.1";
const std::string kLocation = "1.3.6.1.2.1.1.6";
const PmcUsmSettings kNoUsm{};

class GetDataAgentTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    options_.profile = psw_test::SnmprecProfile::load(psw_test::profile_path("printer.snmprec"));
    options_.profile.set(kCancel + ".7", ber::Value::Integer(0), true);
    options_.listen = {GetParam()};
    options_.write_community = "private";
    agent_ = std::make_unique<psw_test::SnmpdAgent>(options_);
  }

  PmcPtr<IPmcGetData> request(const char* community = nullptr) {
    int err = -1;
    PmcPtr<IPmcGetData> r(pmc_create_get_data(&err));
    EXPECT_EQ(err, PMC_OK);
    if (community != nullptr) {
      EXPECT_EQ(r->set_community(community), PMC_OK);
    }
    int protocol = 0;
    EXPECT_EQ(r->get_protocol_of(agent_->address().c_str(), &protocol), PMC_OK);
    EXPECT_EQ(r->init(agent_->address().c_str(), protocol, agent_->port(), 0, &kNoUsm, 2000, 1, 0), PMC_OK);
    return r;
  }

  // The profile's INTEGER at `oid`.
  int32_t profile_int(const std::string& oid) const {
    const psw_test::ProfileEntry* e = options_.profile.find(ber::parse_oid(oid));
    EXPECT_NE(e, nullptr) << oid;
    return e == nullptr ? 0 : static_cast<int32_t>(e->value.integer);
  }

  // The profile's rows of `column` (their index suffixes, in order).
  std::vector<std::string> profile_rows(const std::string& column) const {
    std::vector<std::string> rows;
    ber::Oid prefix = ber::parse_oid(column);
    for (const psw_test::ProfileEntry& e : options_.profile.entries()) {
      if (e.oid.size() > prefix.size() && ber::oid_starts_with(e.oid, prefix)) {
        rows.push_back(ber::oid_text(e.oid).substr(column.size() + 1));
      }
    }
    return rows;
  }

  int32_t read_int(const std::string& scalar) {
    PmcPtr<IPmcGetData> r = request();
    EXPECT_EQ(r->add_oid_string(scalar.c_str(), false), PMC_OK);
    int32_t value = -12345;
    EXPECT_EQ(r->get_data(&value), PMC_OK);
    return value;
  }

  psw_test::SnmpdOptions options_;
  std::unique_ptr<psw_test::SnmpdAgent> agent_;
};

TEST_P(GetDataAgentTest, SingleGetsOfIntegersAndText) {
  PmcPtr<IPmcGetData> one = request();
  ASSERT_EQ(one->add_oid_string("1.3.6.1.2.1.25.2.2", true), PMC_OK);
  int32_t memory = 0;
  ASSERT_EQ(one->get_data(&memory), PMC_OK);
  EXPECT_EQ(memory, profile_int("1.3.6.1.2.1.25.2.2.0"));

  const std::vector<std::string> scalars = {"1.3.6.1.2.1.1.7.0", kInputTable + ".9.1.1", kInputTable + ".4.1.2"};
  PmcPtr<IPmcGetData> several = request();
  for (const std::string& s : scalars) ASSERT_EQ(several->add_oid_string(s.c_str(), false), PMC_OK);
  int32_t values[3] = {};
  ASSERT_EQ(several->get_data(values, 3), PMC_OK);
  for (size_t i = 0; i < scalars.size(); ++i) EXPECT_EQ(values[i], profile_int(scalars[i])) << scalars[i];

  PmcPtr<IPmcGetData> text = request();
  ASSERT_EQ(text->add_oid_string("1.3.6.1.2.1.1.1", true), PMC_OK);
  char buffer[PMC_GET_DATA_TEXT_SIZE] = "";
  ASSERT_EQ(text->get_data(buffer), PMC_OK);
  EXPECT_EQ(std::string(buffer), options_.profile.find(ber::parse_oid("1.3.6.1.2.1.1.1.0"))->value.bytes);
}

TEST_P(GetDataAgentTest, WalkOfSeveralColumnsGivesOneRowPerIndexInColumnOrder) {
  const std::vector<std::string> columns = {kInputTable + ".2", kInputTable + ".9", kInputTable + ".13",
                                            kInputTable + ".10"};
  PmcPtr<IPmcGetData> r = request();
  for (const std::string& c : columns) ASSERT_EQ(r->add_oid_string(c.c_str(), false), PMC_OK);
  int err = -1;
  PmcPtr<IPmsPduList> rows(pmc_create_pdu_list(&err));
  ASSERT_EQ(r->get_data(rows.get(), columns[0].c_str()), PMC_OK);

  std::vector<std::string> indexes = profile_rows(columns[0]);
  ASSERT_EQ(indexes.size(), 2u);
  ASSERT_EQ(rows->size(), indexes.size());
  PmcPtr<IPmcListIterator> it(rows->create_iterator(&err));
  for (const std::string& index : indexes) {
    const IPmsPdu* row = rows->current(it.get());
    ASSERT_NE(row, nullptr);
    ASSERT_EQ(engine_test::binding_count(*row), columns.size());
    for (size_t c = 0; c < columns.size(); ++c) {
      std::string oid = columns[c] + "." + index;
      EXPECT_EQ(engine_test::oid_at(*row, c), oid);
      const psw_test::ProfileEntry* e = options_.profile.find(ber::parse_oid(oid));
      ASSERT_NE(e, nullptr);
      std::string expected = e->value.tag == ber::kInteger ? std::to_string(e->value.integer) : e->value.bytes;
      EXPECT_EQ(engine_test::text_at(*row, c), expected) << oid;
    }
    rows->advance(it.get());
  }
}

TEST_P(GetDataAgentTest, AcceptedSetReadsBackChanged) {
  PmcPtr<IPmcGetData> r = request("private");
  ASSERT_EQ(r->add_oid_string(kCancel.c_str(), "7", 1414), PMC_OK);
  ASSERT_EQ(r->set_data(), PMC_OK);
  EXPECT_EQ(read_int(kCancel + ".7"), 1414);
}

TEST_P(GetDataAgentTest, RefusedSetsAreMinusSevenAndChangeNothing) {
  // An INTEGER onto an object kept as text: badValue.
  PmcPtr<IPmcGetData> wrong_type = request("private");
  ASSERT_EQ(wrong_type->add_oid_string(kLocation.c_str(), "0", 5), PMC_OK);
  EXPECT_EQ(wrong_type->set_data(), PMC_E_NOVALUE);
  // An object the agent does not let anyone write: noSuchName in SNMPv1.
  PmcPtr<IPmcGetData> read_only = request("private");
  ASSERT_EQ(read_only->add_oid_string((kInputTable + ".9").c_str(), "1.1", 1), PMC_OK);
  EXPECT_EQ(read_only->set_data(), PMC_E_NOVALUE);
  EXPECT_EQ(read_int(kInputTable + ".9.1.1"), profile_int(kInputTable + ".9.1.1"));
  // An object the agent does not have.
  PmcPtr<IPmcGetData> absent = request("private");
  ASSERT_EQ(absent->add_oid_string(kCancel.c_str(), "99", 1414), PMC_OK);
  EXPECT_EQ(absent->set_data(), PMC_E_NOVALUE);
  EXPECT_EQ(read_int(kCancel + ".7"), 0);
}

INSTANTIATE_TEST_SUITE_P(Loopback, GetDataAgentTest, ::testing::Values("127.0.0.1", "::1"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param == "::1" ? std::string("IPv6") : std::string("IPv4");
                         });

}  // namespace

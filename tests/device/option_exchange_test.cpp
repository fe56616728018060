// What the option reader sends: one Get for the model check, the refresh's
// requests in order, the community in every request, and where a failure
// stops it. Against the fault agent, which records every request.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/pmc_result.h"
#include "device/option_test_support.h"
#include "device/psw_any_model_option.h"
#include "device/psw_dev_comm_option_keys.h"

namespace {

using option_test::Family;
using option_test::FaultPrinter;
using option_test::TestOption;
using psw_test::ReceivedRequest;
namespace ber = psw_test::ber;

// The OIDs of one request, as dotted texts.
std::vector<std::string> oids_of(const ReceivedRequest& r) {
  std::vector<std::string> oids;
  for (const ber::VarBind& b : r.message.bindings) oids.push_back(ber::oid_text(b.oid));
  return oids;
}

// The binding lists of every Get the agent received, in order.
std::vector<std::vector<std::string>> gets(const psw_test::FaultAgent& agent) {
  std::vector<std::vector<std::string>> out;
  for (const ReceivedRequest& r : agent.requests()) {
    if (r.parsed && r.message.pdu_type == ber::kGetRequest) out.push_back(oids_of(r));
  }
  return out;
}

// Whether a GetNext asked for anything below `prefix`.
bool walked(const psw_test::FaultAgent& agent, const std::string& prefix) {
  for (const ReceivedRequest& r : agent.requests()) {
    if (r.message.pdu_type != ber::kGetNextRequest) continue;
    for (const std::string& oid : oids_of(r)) {
      if (oid.compare(0, prefix.size(), prefix) == 0) return true;
    }
  }
  return false;
}

const std::string kSettings = "1.3.6.1.4.1.32473.8.53.13.2.1.6.";

// The bare columns of the refresh's four tables, in the readers' order.
const std::vector<std::vector<std::string>> kTableColumns = {
    {"1.3.6.1.2.1.25.3.2.1.1", "1.3.6.1.2.1.25.3.2.1.3", "1.3.6.1.2.1.25.3.2.1.5"},
    {"1.3.6.1.2.1.43.8.2.1.2", "1.3.6.1.2.1.43.8.2.1.3", "1.3.6.1.2.1.43.8.2.1.6", "1.3.6.1.2.1.43.8.2.1.7",
     "1.3.6.1.2.1.43.8.2.1.8", "1.3.6.1.2.1.43.8.2.1.9", "1.3.6.1.2.1.43.8.2.1.10", "1.3.6.1.2.1.43.8.2.1.13",
     "1.3.6.1.2.1.43.8.2.1.18", "1.3.6.1.2.1.43.8.2.1.21"},
    {"1.3.6.1.2.1.43.9.2.1.2", "1.3.6.1.2.1.43.9.2.1.7", "1.3.6.1.2.1.43.9.2.1.24"},
    {"1.3.6.1.2.1.43.13.4.1.9"},
};

// The GetNexts the agent received, as binding lists.
std::vector<std::vector<std::string>> get_nexts(const psw_test::FaultAgent& agent) {
  std::vector<std::vector<std::string>> out;
  for (const ReceivedRequest& r : agent.requests()) {
    if (r.parsed && r.message.pdu_type == ber::kGetNextRequest) out.push_back(oids_of(r));
  }
  return out;
}

// Every option key's answer (per-tray keys for every tray), as text.
std::string every_option(const TestOption& o) {
  std::string out;
  for (const PSWOptionKeyInfo& k : psw_option_keys()) {
    for (int i = 0; i < (k.perTray ? o.m_nInputTrayCount : 1); ++i) {
      out += std::string(k.key) + "[" + std::to_string(i) + "]=";
      if (k.kind == PSWOptionKind::kBoolean) {
        bool v = false;
        out += std::to_string(o.get_option(k.key, &v, i)) + ":" + std::to_string(v) + "\n";
      } else if (k.kind == PSWOptionKind::kInteger) {
        int32_t v = -1;
        out += std::to_string(o.get_option(k.key, &v, i)) + ":" + std::to_string(v) + "\n";
      } else {
        const char* v = nullptr;
        out += std::to_string(o.get_option(k.key, &v, i)) + ":" + (v != nullptr ? v : "(null)") + "\n";
      }
    }
  }
  return out;
}

class OptionExchange : public ::testing::TestWithParam<Family> {
 protected:
  int32_t init(TestOption& o, uint32_t timeout = 2000, uint32_t retries = 1) {
    return o.Init(GetParam().protocol, GetParam().address, nullptr, timeout, retries, 0);
  }
};

// The model check is one Get; its community is "public" until one is set
// (cut to 255 characters), and again once a null text takes it back.
TEST_P(OptionExchange, InitSendsOneGetForTheSysObjectId) {
  FaultPrinter printer(GetParam(), option_test::office_mfp_profile());
  const std::string longCommunity(300, 'c');
  printer.run([&] {
    TestOption o;
    ASSERT_EQ(init(o), PSW_OK);
    o.SetCommunityStr(longCommunity.c_str());
    ASSERT_EQ(init(o), PSW_OK);
    o.SetCommunityStr(nullptr);
    ASSERT_EQ(init(o), PSW_OK);
  });
  std::vector<ReceivedRequest> requests = printer.agent().requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].message.pdu_type, ber::kGetRequest);
  EXPECT_EQ(requests[0].message.version, ber::kVersion1);
  EXPECT_EQ(oids_of(requests[0]), std::vector<std::string>{"1.3.6.1.2.1.1.2.0"});
  EXPECT_EQ(requests[0].message.community, "public");
  EXPECT_EQ(requests[1].message.community, longCommunity.substr(0, 255));
  EXPECT_EQ(requests[2].message.community, "public");
}

TEST_P(OptionExchange, RefreshSendsItsGetsInOrderWithTheReadersCommunity) {
  FaultPrinter printer(GetParam(), option_test::office_mfp_profile());
  printer.agent().set_communities({"office-ro"});
  printer.run([&] {
    TestOption o;
    o.SetCommunityStr("office-ro");
    ASSERT_EQ(init(o), PSW_OK);
    ASSERT_EQ(o.refresh_options(), PSW_OK);
  });
  // The model check, then the single Gets in two gatherings: those every
  // device is asked, and those its fax and booklet units call for.
  const std::vector<std::vector<std::string>> expected = {
      {"1.3.6.1.2.1.1.2.0"},
      {"1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.25.2.2.0", "1.3.6.1.4.1.32473.8.64.4.2.1.7.10.19159104"},
      {"1.3.6.1.4.1.32473.8.64.4.2.1.5.10.13124141", "1.3.6.1.4.1.32473.8.64.4.2.1.5.10.13124142",
       "1.3.6.1.4.1.32473.8.64.4.2.1.5.10.13124143", kSettings + "1.1.1", kSettings + "1.1.2", kSettings + "1.1.4",
       kSettings + "1.1.5", kSettings + "1.1.6", kSettings + "104.1.1", "1.3.6.1.4.1.32473.8.53.13.2.1.8.124.6.1"},
  };
  EXPECT_EQ(gets(printer.agent()), expected);
  for (const ReceivedRequest& r : printer.agent().requests()) EXPECT_EQ(r.message.community, "office-ro");
  // The four tables go in one walk: it starts with every bare column side
  // by side, and takes one GetNext per row of the longest table (the
  // profile has 12 devices) and one that sees the last column leave.
  std::vector<std::string> allColumns;
  for (const auto& table : kTableColumns) allColumns.insert(allColumns.end(), table.begin(), table.end());
  const std::vector<std::vector<std::string>> walk = get_nexts(printer.agent());
  ASSERT_FALSE(walk.empty());
  EXPECT_EQ(walk[0], allColumns);
  EXPECT_EQ(walk.size(), 13u);
}

// A device that refuses the walk of all four tables at once (here: any
// GetNext of more than ten bindings) is walked table by table, with the
// options of a device that does not.
TEST_P(OptionExchange, RefusedTableGatheringFallsBackToWalksWithTheSameOptions) {
  std::string expected;
  {
    FaultPrinter printer(GetParam(), option_test::office_mfp_profile());
    printer.run([&] {
      TestOption o;
      ASSERT_EQ(init(o), PSW_OK);
      ASSERT_EQ(o.refresh_options(), PSW_OK);
      expected = every_option(o);
    });
  }
  FaultPrinter printer(GetParam(), option_test::office_mfp_profile());
  psw_test::FaultScript script;
  script.hook = [](size_t, const ber::Message& request, psw_test::ReplyPlan& plan) {
    if (request.pdu_type == ber::kGetNextRequest && request.bindings.size() > 10) plan.error_status = 5;  // genErr
  };
  printer.agent().set_script(script);
  printer.run([&] {
    TestOption o;
    ASSERT_EQ(init(o), PSW_OK);
    ASSERT_EQ(o.refresh_options(), PSW_OK);
    EXPECT_EQ(every_option(o), expected);
    EXPECT_EQ(o.m_nInputTrayCount, 5);
  });
  // After the refused start, each table's walk starts on its own columns.
  std::vector<std::vector<std::string>> starts;
  for (const std::vector<std::string>& oids : get_nexts(printer.agent())) {
    for (const auto& table : kTableColumns) {
      if (oids == table) starts.push_back(oids);
    }
  }
  EXPECT_EQ(starts, kTableColumns);
}

// A printer of another model (accepted with "CmdSetAnyModel") is asked
// only for standard objects, gathered the same way: one Get of sysName and
// memory size, one walk of its three tables side by side.
TEST_P(OptionExchange, AnotherModelsRefreshGathersItsStandardObjects) {
  psw_test::SnmprecProfile p = option_test::office_mfp_profile();
  p.set(ber::parse_oid("1.3.6.1.2.1.1.2.0"), ber::Value::ObjectId(ber::parse_oid("1.3.6.1.4.1.32473.200.1")));
  FaultPrinter printer(GetParam(), p);
  printer.run([&] {
    CPSWAnyModelOption o;
    ASSERT_EQ(o.Init(GetParam().protocol, GetParam().address, nullptr, 2000, 1, 0), PSW_OK);
    ASSERT_TRUE(o.is_foreign());
    printer.agent().reset_requests();
    ASSERT_EQ(o.refresh_options(), PSW_OK);
    const char* name = nullptr;
    ASSERT_EQ(o.get_option("SysName", &name, 0), PSW_OK);
    EXPECT_STREQ(name, "MFP-3F-EAST");
    int32_t trays = 0;
    ASSERT_EQ(o.get_option("NumberOfInputTray", &trays, 0), PSW_OK);
    EXPECT_EQ(trays, 5);
  });
  EXPECT_EQ(gets(printer.agent()),
            (std::vector<std::vector<std::string>>{{"1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.25.2.2.0"}}));
  std::vector<std::string> columns;
  for (size_t t = 1; t < kTableColumns.size(); ++t) {
    columns.insert(columns.end(), kTableColumns[t].begin(), kTableColumns[t].end());
  }
  const std::vector<std::vector<std::string>> walk = get_nexts(printer.agent());
  ASSERT_FALSE(walk.empty());
  EXPECT_EQ(walk[0], columns);
  EXPECT_EQ(walk.size(), 6u);  // five input trays, the longest table, and the end
}

TEST_P(OptionExchange, WithoutFaxUnitTheSixthSettingIsNotAsked) {
  psw_test::SnmprecProfile p = option_test::office_mfp_profile();
  for (int column : {1, 2, 3, 4, 5, 6}) p.remove(ber::parse_oid("1.3.6.1.2.1.25.3.2.1." + std::to_string(column) + ".104"));
  FaultPrinter printer(GetParam(), p);
  printer.run([&] {
    TestOption o;
    ASSERT_EQ(init(o), PSW_OK);
    ASSERT_EQ(o.refresh_options(), PSW_OK);
  });
  std::vector<std::vector<std::string>> all = gets(printer.agent());
  ASSERT_EQ(all.size(), 3u);  // model check, the two gatherings
  EXPECT_EQ(all[2], (std::vector<std::string>{kSettings + "1.1.1", kSettings + "1.1.2", kSettings + "1.1.4",
                                              kSettings + "1.1.5", kSettings + "1.1.6",
                                              "1.3.6.1.4.1.32473.8.53.13.2.1.8.124.6.1"}));
}

// SNMPv1 refuses a whole Get for one object the device lacks: then each
// reader asks on its own, and reads what it read before.
TEST_P(OptionExchange, RefusedGatheringFallsBackToSingleGetsWithTheSameOptions) {
  psw_test::SnmprecProfile p = option_test::office_mfp_profile();
  p.remove(ber::parse_oid("1.3.6.1.4.1.32473.8.64.4.2.1.7.10.19159104"));
  FaultPrinter printer(GetParam(), p);
  printer.run([&] {
    TestOption o;
    ASSERT_EQ(init(o), PSW_OK);
    ASSERT_EQ(o.refresh_options(), PSW_OK);
    const char* name = nullptr;
    ASSERT_EQ(o.get_option("SysName", &name, 0), PSW_OK);
    EXPECT_STREQ(name, "MFP-3F-EAST");
    EXPECT_STREQ(o.m_szNetWareSAPUnitName, "");
    EXPECT_GT(o.m_nMemorySizeKB, 0);
  });
  std::vector<std::vector<std::string>> all = gets(printer.agent());
  ASSERT_EQ(all.size(), 6u);  // model check, refused gathering, three single Gets, the second gathering
  EXPECT_EQ(all[1].size(), 3u);
  EXPECT_EQ(all[2], std::vector<std::string>{"1.3.6.1.2.1.1.5.0"});
  EXPECT_EQ(all[3], std::vector<std::string>{"1.3.6.1.2.1.25.2.2.0"});
  EXPECT_EQ(all[4], std::vector<std::string>{"1.3.6.1.4.1.32473.8.64.4.2.1.7.10.19159104"});
  EXPECT_EQ(all[5].size(), 10u);
}

TEST_P(OptionExchange, FailedReadEndsTheRefreshAndKeepsWhatWasRead) {
  FaultPrinter printer(GetParam(), option_test::office_mfp_profile());
  psw_test::FaultScript script;
  // The Get the fax unit calls for never gets an answer.
  script.hook = [](size_t, const ber::Message& request, psw_test::ReplyPlan& plan) {
    if (!request.bindings.empty() &&
        ber::oid_text(request.bindings[0].oid) == "1.3.6.1.4.1.32473.8.64.4.2.1.5.10.13124141") {
      plan.drop = true;
    }
  };
  printer.agent().set_script(script);
  printer.run([&] {
    TestOption o;
    ASSERT_EQ(init(o, 100, 1), PSW_OK);
    EXPECT_EQ(o.refresh_options(), PMC_E_TIMEOUT);
    const char* name = nullptr;
    ASSERT_EQ(o.get_option("SysName", &name, 0), PSW_OK);
    EXPECT_STREQ(name, "MFP-3F-EAST");
    EXPECT_EQ(o.m_nInputTrayCount, 5);
    EXPECT_EQ(o.m_nOutputTrayCount, 4);
    EXPECT_GT(o.m_nMemorySizeKB, 0);
    EXPECT_EQ(o.m_nFaxMaxSpeedDial, 0);  // never read
  });
  // Two tries of the gathering, then nothing more: the fax reader does not
  // ask the silent device once again.
  std::vector<std::vector<std::string>> all = gets(printer.agent());
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[2], all[3]);
  EXPECT_EQ(all[3].size(), 10u);
  EXPECT_TRUE(walked(printer.agent(), "1.3.6.1.2.1.43.13"));
}

TEST_P(OptionExchange, DeviceWithoutSysObjectIdIsNotTheModel) {
  // The device answers noSuchName: it has no value to check.
  psw_test::SnmprecProfile p = option_test::office_mfp_profile();
  p.remove(ber::parse_oid("1.3.6.1.2.1.1.2.0"));
  FaultPrinter printer(GetParam(), p);
  printer.run([&] {
    TestOption o;
    EXPECT_EQ(init(o), PSW_ERR_NO_VALUE);
    EXPECT_FALSE(o.is_supported_OID("1"));
  });
}

INSTANTIATE_TEST_SUITE_P(Families, OptionExchange, ::testing::Values(option_test::kIPv4, option_test::kIPv6),
                         option_test::family_name);

}  // namespace

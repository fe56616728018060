// pswctl inventory: 32 simulated printers whose answers come 20 ms late and
// one silent address, read at once (the run takes about as long as one
// printer's read, not 32 times it), a row per printer with the silent one's
// error; the CSV form with its header row and quoting.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "agent/fault_agent.h"
#include "device/status_netns.h"
#include "pswctl_inventory.h"
#include "pswctl_run.h"

namespace {

using nlohmann::json;
using pswctl_test::parse;
using pswctl_test::pswctl;
using pswctl_test::ToolRun;
using Clock = std::chrono::steady_clock;

TEST(Inventory, ThirtyTwoDelayedPrintersReadAtOnceAndASilentOneGetsItsRow) {
  constexpr int kPrinters = 32;
  const psw_test::SnmprecProfile profile =
      psw_test::SnmprecProfile::load(psw_test::profile_path("meters_laser.snmprec"));
  status_test::PrivateNetns netns;
  std::vector<std::unique_ptr<psw_test::FaultAgent>> agents;
  netns.run([&] {
    for (int i = 1; i <= kPrinters; ++i)
      agents.push_back(std::make_unique<psw_test::FaultAgent>("127.0.0." + std::to_string(i), 161));
  });
  psw_test::FaultScript late;
  late.delay = std::chrono::milliseconds(20);
  for (size_t i = 0; i < agents.size(); ++i) {
    agents[i]->load(profile);
    agents[i]->set("1.3.6.1.2.1.43.5.1.1.17.2", psw_test::ber::Value::OctetString("SN-" + std::to_string(i + 1)));
    agents[i]->set_script(late);
  }
  const std::vector<std::string> common = {"--any-model", "--timeout", "1000", "--retries", "0"};
  auto inventory = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "inventory");
    args.insert(args.end(), common.begin(), common.end());
    const Clock::time_point start = Clock::now();
    ToolRun r = pswctl(netns.name(), args);
    return std::make_pair(r, Clock::now() - start);
  };

  const auto [one, one_took] = inventory({"127.0.0.1", "--format", "json"});
  ASSERT_EQ(one.exit_code, 0) << one.err;
  std::vector<std::string> args;
  for (int i = 1; i <= kPrinters; ++i) args.push_back("127.0.0." + std::to_string(i));
  args.push_back("127.0.0.99");  // nobody there
  args.insert(args.end(), {"--parallel", "33", "--format", "json"});
  const auto [all, all_took] = inventory(args);
  ASSERT_EQ(all.exit_code, 0) << all.err;
  const json rows = parse(all)["printers"];
  ASSERT_EQ(rows.size(), static_cast<size_t>(kPrinters + 1));
  for (int i = 0; i < kPrinters; ++i) {
    EXPECT_EQ(rows[i]["address"], "127.0.0." + std::to_string(i + 1));
    EXPECT_EQ(rows[i]["serial"], "SN-" + std::to_string(i + 1));
    EXPECT_EQ(rows[i]["model"], "Corvid CL-5500 PCL 6");
    EXPECT_EQ(rows[i]["pages"], 3000000000u);
    EXPECT_EQ(rows[i]["lowestSupply"], 35);
    EXPECT_EQ(rows[i]["alerts"], 1);
    EXPECT_EQ(rows[i]["mac"], "00:1b:a9:0c:22:51");
    EXPECT_TRUE(rows[i]["error"].is_null()) << rows[i].dump();
  }
  EXPECT_EQ(rows[kPrinters]["errorCode"], PSW_ERR_TIMEOUT);
  EXPECT_TRUE(rows[kPrinters]["serial"] == "");
  const double one_ms = std::chrono::duration<double, std::milli>(one_took).count();
  const double all_ms = std::chrono::duration<double, std::milli>(all_took).count();
  std::printf("inventory: one printer %.0f ms, %d printers and a silent address %.0f ms\n", one_ms, kPrinters, all_ms);
  // Read one after another they would take 32 times one printer's read.
  EXPECT_LT(all_ms, 8 * one_ms + 1000) << one_ms;
}

TEST(Inventory, CsvHasAHeaderRowAndQuotesWhatNeedsIt) {
  pswctl::InventoryRow ok;
  ok.address = "192.0.2.7";
  ok.model = "Corvid CL-5500, \"PCL 6\"";
  ok.serial = "CNB1K12345";
  ok.pages = 3000000000u;
  ok.lowestSupply = 35;
  ok.alerts = 0;
  ok.status = "idle";
  pswctl::InventoryRow silent;
  silent.address = "192.0.2.8";
  silent.errorCode = PSW_ERR_TIMEOUT;
  silent.error = "PSW_ERR_TIMEOUT (PSWInitDevice)";
  EXPECT_EQ(pswctl::inventory_csv({ok, silent}),
            "address,model,serial,name,location,mac,pages,status,lowestSupply,alerts,error\r\n"
            "192.0.2.7,\"Corvid CL-5500, \"\"PCL 6\"\"\",CNB1K12345,,,,3000000000,idle,35,0,\r\n"
            "192.0.2.8,,,,,,,,,,PSW_ERR_TIMEOUT (PSWInitDevice)\r\n");
  const json j = pswctl::inventory_json({ok, silent});
  EXPECT_TRUE(j[1]["pages"].is_null());
  EXPECT_EQ(j[1]["errorCode"], PSW_ERR_TIMEOUT);
  const std::string table = pswctl::inventory_table({ok, silent});
  EXPECT_NE(table.find("Printers: 2\n"), std::string::npos) << table;
}

TEST(Inventory, NothingToReadIsACommandLineMistake) {
  status_test::PrivateNetns netns;
  ToolRun r = pswctl(netns.name(), {"inventory"});
  EXPECT_EQ(r.exit_code, 2) << r.err;
}

}  // namespace

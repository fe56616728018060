// pswctl with --any-model and --supplies: the search lists printers of
// other makers with their own model text, status reads them and shows
// every supply by type, options lists only the keys of standard tables.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>
#include <string>
#include <vector>

#include "agent/netns_network.h"
#include "device/status_netns.h"
#include "device/status_test_support.h"
#include "pswctl_run.h"

namespace {

using nlohmann::json;
using pswctl_test::has;
using pswctl_test::parse;
using pswctl_test::pswctl;
using pswctl_test::ToolRun;

psw_test::SnmprecProfile profile(const std::string& name) {
  return psw_test::SnmprecProfile::load(psw_test::profile_path(name + ".snmprec"));
}

std::string text_of(const psw_test::SnmprecProfile& p, const std::string& oid) {
  const psw_test::ProfileEntry* e = p.find(psw_test::ber::parse_oid(oid));
  return e == nullptr ? std::string() : e->value.bytes;
}

TEST(PswctlAnyModel, DiscoverListsEveryPrinterWithItsMakersModelText) {
  const psw_test::SnmprecProfile office = status_test::office_printer_profile();
  const psw_test::SnmprecProfile inkjet = profile("inkjet");
  const psw_test::SnmprecProfile laser = profile("laser_cartridges");
  std::vector<psw_test::SnmpdOptions> agents(4);
  agents[0].profile = office;
  agents[1].profile = inkjet;
  agents[2].profile = laser;
  agents[3].profile = profile("network_switch");
  psw_test::NetnsNetworkOptions options;
  options.ipv6 = false;
  psw_test::NetnsNetwork net(agents, options);

  ToolRun plain = pswctl(net.client_netns(), {"discover", "--json", "--timeout", "500", "--retries", "0"});
  ASSERT_EQ(plain.exit_code, 0) << plain.err;
  EXPECT_EQ(parse(plain)["devices"].size(), 1u) << plain.out;

  ToolRun any = pswctl(net.client_netns(), {"--any-model", "discover", "--json", "--timeout", "500", "--retries", "0"});
  ASSERT_EQ(any.exit_code, 0) << any.err;
  std::set<std::string> found;
  const json devices = parse(any)["devices"];
  for (const json& d : devices)
    found.insert(d["address"].get<std::string>() + " " + d["modelName"].get<std::string>());
  const std::string laser_text = text_of(laser, "1.3.6.1.2.1.1.1.0").substr(0, 63);
  EXPECT_EQ(found, (std::set<std::string>{net.agent_address(0) + " Quillmark-VII Q4410",
                                          net.agent_address(1) + " " + text_of(inkjet, "1.3.6.1.2.1.1.1.0"),
                                          net.agent_address(2) + " " + laser_text}))
      << any.out << any.err;

  // In text, after the sub-command too.
  ToolRun text = pswctl(net.client_netns(), {"discover", "--any-model", "--timeout", "500", "--retries", "0"});
  ASSERT_EQ(text.exit_code, 0) << text.err;
  EXPECT_TRUE(has(text.out, "Devices found: 3")) << text.out;
  EXPECT_TRUE(has(text.out, laser_text)) << text.out;
  EXPECT_FALSE(has(text.out, "Stonefield")) << text.out;
}

class PswctlAnyModelDevice : public ::testing::Test {
 protected:
  ToolRun run(const std::vector<std::string>& args) { return pswctl(printer_.netns().name(), args); }
  status_test::SimulatedPrinter printer_{profile("inkjet")};
};

TEST_F(PswctlAnyModelDevice, StatusShowsEverySupplyByTypeOnlyWithTheOption) {
  ToolRun refused = run({"status", "127.0.0.1"});
  EXPECT_EQ(refused.exit_code, 5) << refused.err;  // another model: not supported
  EXPECT_TRUE(has(refused.err, "--any-model")) << refused.err;

  ToolRun r = run({"status", "127.0.0.1", "--any-model"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const size_t supplies = r.out.find("Supplies\n");
  ASSERT_NE(supplies, std::string::npos) << r.out;
  // The four cartridges (type 6) come before the waste ink (type 8), each
  // with its colorant.
  const size_t cyan = r.out.find("ink cartridge  Cyan Ink PX-71C", supplies);
  const size_t black = r.out.find("ink cartridge  Black Ink PX-71K", supplies);
  const size_t waste = r.out.find("waste ink", supplies);
  EXPECT_NE(cyan, std::string::npos) << r.out;
  EXPECT_NE(black, std::string::npos) << r.out;
  EXPECT_LT(black, waste) << r.out;
  EXPECT_TRUE(has(r.out.substr(supplies), "magenta")) << r.out;
  EXPECT_TRUE(has(r.out.substr(supplies), "receptacle")) << r.out;

  json s = parse(run({"status", "127.0.0.1", "--any-model", "--json"}));
  ASSERT_EQ(s["supplies"].size(), 5u) << s.dump();
  EXPECT_EQ(s["toners"].size(), 0u);
  EXPECT_EQ(s["supplies"][0]["typeName"], "ink cartridge");
  EXPECT_EQ(s["supplies"][0]["colorant"], "cyan");
  EXPECT_EQ(s["supplies"][0]["levelPercent"], 64);
  EXPECT_EQ(s["supplies"][4]["typeName"], "waste ink");
  EXPECT_EQ(s["supplies"][4]["className"], "receptacle");
  EXPECT_EQ(s["supplies"][4]["levelText"], "some remaining");
}

TEST_F(PswctlAnyModelDevice, OptionsListOnlyTheKeysOfStandardTables) {
  json o = parse(run({"options", "127.0.0.1", "--any-model", "--json"}));
  ASSERT_TRUE(o.contains("options")) << o.dump();
  EXPECT_EQ(o["options"]["sysName"], "IJ7-STUDIO");
  EXPECT_EQ(o["options"]["numberOfInputTray"], 2);
  EXPECT_FALSE(o["options"].contains("printerRomVersion"));
  EXPECT_FALSE(o["options"].contains("scanner"));
  ASSERT_EQ(o["inputTrays"].size(), 2u);
  EXPECT_EQ(o["inputTrays"][1]["inputTrayName"], "Photo tray");
}

// The supported model: --supplies lists the waste toner box and drums
// beside the toners, which stay toners only.
TEST(PswctlSupplies, TheSupportedModelsSuppliesByType) {
  status_test::SimulatedPrinter printer(profile("colour_mfp_supplies"));
  ToolRun r = pswctl(printer.netns().name(), {"status", "127.0.0.1", "--supplies"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const size_t supplies = r.out.find("Supplies\n");
  ASSERT_NE(supplies, std::string::npos) << r.out;
  EXPECT_FALSE(has(r.out.substr(0, supplies), "Waste toner box")) << r.out;
  EXPECT_TRUE(has(r.out.substr(supplies), "waste toner  Waste toner box")) << r.out;
  EXPECT_TRUE(has(r.out.substr(supplies), "drum         Drum unit CMY")) << r.out;
}

}  // namespace

// pswctl status with the meter reads: the identity block that opens it,
// page counters per marker, covers (open ones marked), console lines and
// lights, supplies with percentage and state, in text and in JSON; and the
// names of the options' coded values. Profiles modelled on real devices'
// habits, served by pysnmp (its uptime is the profile's) and snmpd.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "api/served_device.h"
#include "device/status_test_support.h"
#include "pswctl_names.h"
#include "pswctl_run.h"

namespace {

using api_test::AgentKind;
using api_test::ServedDevice;
using nlohmann::json;
using pswctl_test::has;
using pswctl_test::parse;
using pswctl_test::pswctl;
using pswctl_test::ToolRun;

psw_test::SnmprecProfile profile(const std::string& name) { return api_test::shipped_profile(name); }

class PswctlMeters : public ::testing::Test {
 protected:
  ToolRun run(const ServedDevice& d, std::vector<std::string> args) {
    args.insert(args.end(), {"--any-model", "--timeout", "2000"});
    return pswctl(d.netns_name(), args);
  }
};

TEST_F(PswctlMeters, TheColourLaserInText) {
  ServedDevice d(AgentKind::kPysnmp, profile("meters_laser"));
  ToolRun r = run(d, {"status", "127.0.0.1", "--supplies"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  // The identity opens the report; the serial without its NULs.
  EXPECT_EQ(r.out.rfind("Status of 127.0.0.1\n\nIdentity\n  model: Corvid CL-5500 PCL 6\n  serial number: CNB1K12345\n", 0), 0u)
      << r.out;
  for (const char* line : {"  printer name: Corvid CL-5500 Ufficio\n", "  location: Milano, piano 2\n",
                           "  uptime: 12 days 18 hours\n", "  hardware address: 00:1b:a9:0c:22:51\n",
                           "  sysObjectID: 1.3.6.1.4.1.64503.3.5500\n"}) {
    EXPECT_TRUE(has(r.out, line)) << line << r.out;
  }
  // Counters past 2^31, whichever type the device sent.
  EXPECT_TRUE(has(r.out, "  1       electrophotographic laser  impressions  3000000000  4211")) << r.out;
  EXPECT_TRUE(has(r.out, "  2       electrophotographic laser  sheets       3000000001  17")) << r.out;
  EXPECT_TRUE(has(r.out, "     Front door              closed\n")) << r.out;
  EXPECT_TRUE(has(r.out, "  !  Toner access interlock  interlock open\n")) << r.out;
  // Console lines trimmed of their padding, the empty line kept.
  EXPECT_TRUE(has(r.out, "Console\n  1: Pronta\n  2: Toner scarsa\n  3:\n  4: 03/27 20:50  Fax\n")) << r.out;
  EXPECT_TRUE(has(r.out, "  light 1: Pronta (green, on)\n  light 2: Attenzione (orange, blinking)\n")) << r.out;
  // Supplies with their percentage and state.
  EXPECT_TRUE(has(r.out, "some remaining  someRemaining")) << r.out;
  EXPECT_TRUE(has(r.out, "35%             known")) << r.out;
  EXPECT_TRUE(has(r.out, "90%             receptacle")) << r.out;
}

TEST_F(PswctlMeters, TheColourLaserInJsonKeepsExactTextsAndNumbersAsNumbers) {
  ServedDevice d(AgentKind::kPysnmp, profile("meters_laser"));
  ToolRun r = run(d, {"status", "127.0.0.1", "--json"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const json s = parse(r);
  const json& id = s["identity"];
  EXPECT_EQ(id["serialNumber"], "CNB1K12345");
  EXPECT_EQ(id["model"], "Corvid CL-5500 PCL 6");
  EXPECT_EQ(id["sysUpTime"], 110163000u);
  EXPECT_EQ(id["upTimeSeconds"], 1101630u);
  EXPECT_EQ(id["hardwareAddress"], "00:1b:a9:0c:22:51");
  EXPECT_EQ(id["sysContact"], "helpdesk@example.org");
  ASSERT_EQ(s["markers"].size(), 2u);
  EXPECT_EQ(s["markers"][0]["lifeCount"], 3000000000u);
  EXPECT_EQ(s["markers"][0]["counterUnitName"], "impressions");
  EXPECT_EQ(s["markers"][1]["lifeCount"], 3000000001u);
  EXPECT_EQ(s["markers"][1]["deviceIndex"], 2);
  ASSERT_EQ(s["covers"].size(), 2u);
  EXPECT_EQ(s["covers"][0]["open"], false);
  EXPECT_EQ(s["covers"][1]["open"], true);
  EXPECT_EQ(s["covers"][1]["statusName"], "interlock open");
  ASSERT_EQ(s["consoleLines"].size(), 4u);
  EXPECT_EQ(s["consoleLines"][1]["text"], "Toner scarsa         ");  // exact, padding and all
  EXPECT_EQ(s["consoleLines"][2]["text"], "");
  EXPECT_EQ(s["consoleLights"][1]["state"], "blinking");
  ASSERT_EQ(s["supplies"].size(), 3u);
  EXPECT_EQ(s["supplies"][0]["levelState"], "someRemaining");
  EXPECT_TRUE(s["supplies"][0]["levelPercent"].is_null());
  EXPECT_EQ(s["supplies"][1]["levelPercent"], 35);
  EXPECT_EQ(s["supplies"][2]["levelState"], "receptacle");
  EXPECT_EQ(s["supplies"][2]["levelPercent"], 90);
}

TEST_F(PswctlMeters, ASparseInkPrinterShowsWhatItLacksAsAbsent) {
  ServedDevice d(AgentKind::kSnmpd, profile("meters_inkjet_sparse"));
  ToolRun t = run(d, {"status", "127.0.0.1"});
  ASSERT_EQ(t.exit_code, 0) << t.err;
  EXPECT_TRUE(has(t.out, "  serial number: 000000000\n")) << t.out;  // blanks trimmed
  EXPECT_TRUE(has(t.out, "  printer name: -\n")) << t.out;
  EXPECT_TRUE(has(t.out, "  hardware address: -\n")) << t.out;
  EXPECT_TRUE(has(t.out, "Covers\n  (none)\n")) << t.out;
  EXPECT_TRUE(has(t.out, "Console\n  (none)\n")) << t.out;
  EXPECT_TRUE(has(t.out, "  1       thermal ink jet  -     1234  -")) << t.out;

  ToolRun j = run(d, {"status", "127.0.0.1", "--json"});
  ASSERT_EQ(j.exit_code, 0) << j.err;
  const json s = parse(j);
  EXPECT_TRUE(s["markers"][0]["powerOnCount"].is_null());
  EXPECT_TRUE(s["markers"][0]["counterUnit"].is_null());
  EXPECT_EQ(s["identity"]["printerName"], "");
  EXPECT_EQ(s["supplies"][1]["levelPercent"], 100);  // 104 of 100
  EXPECT_EQ(s["supplies"][1]["aboveMaximum"], true);
  EXPECT_EQ(s["supplies"][2]["levelState"], "unknown");  // -100: not a Printer MIB value
  EXPECT_TRUE(s["supplies"][2]["levelPercent"].is_null());
}

TEST(PswctlOptionNames, CodedTrayValuesCarryTheirNames) {
  status_test::SimulatedPrinter printer(status_test::office_printer_profile());
  ToolRun j = pswctl(printer.netns().name(), {"options", "127.0.0.1", "--json"});
  ASSERT_EQ(j.exit_code, 0) << j.err;
  const json trays = parse(j)["inputTrays"];
  ASSERT_FALSE(trays.empty());
  ToolRun t = pswctl(printer.netns().name(), {"options", "127.0.0.1"});
  ASSERT_EQ(t.exit_code, 0) << t.err;
  for (const json& tray : trays) {
    const int32_t type = tray["inputTrayType"].get<int32_t>();
    EXPECT_EQ(tray["inputTrayTypeName"], pswctl::input_type_name(type)) << tray.dump();
    EXPECT_TRUE(has(t.out, " " + std::to_string(type) + " (" + pswctl::input_type_name(type) + ")\n")) << t.out;
    const int32_t direction = tray["inputTrayMediaDirection"].get<int32_t>();
    EXPECT_EQ(tray["inputTrayMediaDirectionName"], pswctl::media_direction_name(direction));
  }
  // A tray whose size matched names it.
  bool named = false;
  for (const json& tray : trays) named = named || tray.contains("inputTrayMediaSizeName");
  EXPECT_TRUE(named) << trays.dump();
}

}  // namespace

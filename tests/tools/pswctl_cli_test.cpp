// pswctl run as a program against the simulated office printer: every
// sub-command in text and JSON, the JSON checked against what the C
// interface reads from the same device, and the error paths. Each test has
// a namespace of its own holding the printer on loopback port 161; the
// search runs in the client namespace of a small namespace network.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <set>

#include "agent/child_process.h"
#include "agent/temp_dir.h"
#include "device/status_expected_records.h"
#include "device/status_test_support.h"
#include "psw/psw.h"
#include "pswctl_option_keys.h"
#include "pswctl_run.h"
#include "raw_controls.h"

namespace {

using nlohmann::json;
using status_test::SimulatedPrinter;

using pswctl_test::has;
using pswctl_test::parse;
using pswctl_test::pswctl;
using pswctl_test::tools_profile;
using pswctl_test::ToolRun;

class Pswctl : public ::testing::Test {
 protected:
  // The same device read through the C interface, for comparison.
  template <class Fn>
  void with_handle(Fn fn) {
    printer_.run([&] {
      PSWHANDLE h = nullptr;
      ASSERT_EQ(PSWInit(&h), 0);
      ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), 0);
      fn(h);
      PSWUnInit(h);
    });
  }
  ToolRun run(const std::vector<std::string>& args) { return pswctl(printer_.netns().name(), args); }

  SimulatedPrinter printer_{status_test::office_printer_profile()};
};

TEST_F(Pswctl, StatusJsonMatchesTheCInterfaceAndSpellsOutTheValues) {
  ToolRun r = run({"status", "127.0.0.1", "--json"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  json s = parse(r);
  EXPECT_EQ(s["address"], "127.0.0.1");
  with_handle([&](PSWHANDLE h) {
    int32_t count = 0;
    ASSERT_EQ(PSWGetNumberOfTonerInfo(h, &count), 0);
    ASSERT_EQ(s["toners"].size(), static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
      PSWTonerInfo t;
      ASSERT_EQ(PSWGetTonerInfo(h, i, &t), 0);
      EXPECT_EQ(s["toners"][i]["description"], t.description);
      EXPECT_EQ(s["toners"][i]["level"], t.level);
    }
    ASSERT_EQ(PSWGetNumberOfAlertInfo(h, &count), 0);
    EXPECT_EQ(s["alerts"].size(), static_cast<size_t>(count));
    ASSERT_EQ(PSWGetNumberOfStorageInfo(h, &count), 0);
    EXPECT_EQ(s["storage"].size(), static_cast<size_t>(count));
    ASSERT_EQ(PSWGetNumberOfDeviceInfo(h, &count), 0);
    EXPECT_EQ(s["devices"].size(), static_cast<size_t>(count));
    ASSERT_EQ(PSWGetNumberOfInputTrayInfo(h, &count), 0);
    EXPECT_EQ(s["inputTrays"].size(), static_cast<size_t>(count));
    ASSERT_EQ(PSWGetNumberOfOutputTrayInfo(h, &count), 0);
    EXPECT_EQ(s["outputTrays"].size(), static_cast<size_t>(count));
    int32_t charset = 0;
    ASSERT_EQ(PSWGetCharSet(h, PSW_CHARSET_PRINTER, &charset), 0);
    EXPECT_EQ(s["charSets"]["printer"], charset);
  });
  // The profile's hrPrinterDetectedErrorState is 28 04: low toner, door
  // open, input tray empty.
  EXPECT_EQ(s["printer"]["detectedErrorState"], "2804");
  EXPECT_EQ(s["printer"]["errors"], json({"lowToner", "doorOpen", "inputTrayEmpty"}));
  EXPECT_EQ(s["printer"]["statusName"], "idle");
  // Black toner in percent (62), cyan in impressions 4200 of 15000.
  EXPECT_EQ(s["toners"][0]["levelPercent"], 62);
  EXPECT_EQ(s["toners"][1]["levelPercent"], 28);
  EXPECT_TRUE(s["toners"][2]["levelPercent"].is_null());
  EXPECT_EQ(s["toners"][2]["levelText"], "some remaining");
  // Tray 1 holds A4 fed 210 mm along the path: long edge first.
  EXPECT_EQ(s["inputTrays"][0]["name"], "Tray 1");
  EXPECT_EQ(s["inputTrays"][0]["mediaSize"], "A4");
  EXPECT_EQ(s["inputTrays"][0]["direction"], "long edge first");
  // 412 of 550 sheets, rounded as the option reader rounds its tray level.
  EXPECT_EQ(s["inputTrays"][0]["levelPercent"], 75);
  std::set<std::string> alerts;
  for (const json& a : s["alerts"]) alerts.insert(a["description"].get<std::string>());
  EXPECT_EQ(alerts.count("Front cover open"), 1u);
  // Not a terminal: no progress line.
  EXPECT_EQ(r.err, "");
}

TEST_F(Pswctl, StatusTextShowsEverySection) {
  ToolRun r = run({"status", "127.0.0.1"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (const char* part : {"Storage\n", "Devices\n", "Printer\n", "Input trays\n", "Output trays\n", "Toners\n",
                           "Alerts\n", "Character sets\n", "detected errors: lowToner, doorOpen, inputTrayEmpty",
                           "Black Toner Cartridge", "62%", "28%", "A4", "Front cover open"})
    EXPECT_TRUE(has(r.out, part)) << part << "\n" << r.out;
  EXPECT_FALSE(has(r.out, "Waste Toner Box")) << "only toners are listed";
}

TEST_F(Pswctl, OptionsJsonHoldsEveryKeyTheReaderAnswers) {
  ToolRun r = run({"--json", "options", "127.0.0.1"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  json o = parse(r);
  with_handle([&](PSWHANDLE h) {
    ASSERT_EQ(PSWRefreshOptions(h), 0);
    int32_t trays = 0;
    ASSERT_EQ(PSWGetOptionValueInteger(h, "NumberOfInputTray", 0, &trays), 0);
    ASSERT_EQ(o["inputTrays"].size(), static_cast<size_t>(trays));
    ASSERT_GT(trays, 0);
    for (const pswctl::OptionKey& k : pswctl::option_keys()) {
      const int count = k.perTray ? trays : 1;
      for (int i = 0; i < count; ++i) {
        const std::string name = pswctl::json_name(k.key);
        const json& got = k.perTray ? o["inputTrays"][i][name] : o["options"][name];
        const uint16_t index = static_cast<uint16_t>(i);
        if (k.kind == pswctl::OptionKind::kBoolean) {
          int16_t v = 0;
          ASSERT_EQ(PSWGetOptionValueBoolean(h, k.key, index, &v), 0) << k.key;
          EXPECT_EQ(got, v != 0) << k.key;
        } else if (k.kind == pswctl::OptionKind::kInteger) {
          int32_t v = 0;
          ASSERT_EQ(PSWGetOptionValueInteger(h, k.key, index, &v), 0) << k.key;
          EXPECT_EQ(got, v) << k.key;
        } else {
          char v[PSW_OPTION_TEXT_SIZE] = {};
          ASSERT_EQ(PSWGetOptionValueString(h, k.key, index, v), 0) << k.key;
          EXPECT_EQ(got, v) << k.key;
        }
      }
    }
  });
}

TEST_F(Pswctl, OptionsTextListsKeysAndTrays) {
  ToolRun r = run({"options", "127.0.0.1"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(has(r.out, "Options\n")) << r.out;
  EXPECT_TRUE(has(r.out, "PrinterRomVersion ")) << r.out;
  EXPECT_TRUE(has(r.out, "Input tray 0\n")) << r.out;
  EXPECT_TRUE(has(r.out, "InputTrayName")) << r.out;
}

TEST_F(Pswctl, JobsOfEachKindAndCancel) {
  json all = parse(run({"jobs", "127.0.0.1", "--json"}));
  json active = parse(run({"jobs", "127.0.0.1", "--kind", "active", "--json"}));
  json finished = parse(run({"jobs", "127.0.0.1", "--kind=finished", "--json"}));
  ASSERT_FALSE(all["jobs"].empty());
  EXPECT_EQ(all["jobs"].size(), active["jobs"].size() + finished["jobs"].size());
  for (const json& j : active["jobs"]) EXPECT_FALSE(j["finished"].get<bool>());
  for (const json& j : finished["jobs"]) EXPECT_TRUE(j["finished"].get<bool>());
  with_handle([&](PSWHANDLE h) {
    int32_t count = 0;
    ASSERT_EQ(PSWGetNumberOfJobInfo(h, PSW_JOBS_ALL, &count), 0);
    ASSERT_EQ(all["jobs"].size(), static_cast<size_t>(count));
    PSWJobInfo job;
    ASSERT_EQ(PSWGetJobInfo(h, 0, &job), 0);
    EXPECT_EQ(all["jobs"][0]["jobId"], job.jobId);
  });

  ToolRun text = run({"jobs", "127.0.0.1"});
  ASSERT_EQ(text.exit_code, 0) << text.err;
  EXPECT_TRUE(has(text.out, all["jobs"][0]["jobId"].get<std::string>())) << text.out;

  ASSERT_FALSE(active["jobs"].empty());
  const std::string id = active["jobs"][0]["jobId"];
  ToolRun cancel = run({"cancel", "127.0.0.1", id, "--write-community", "private", "--json"});
  ASSERT_EQ(cancel.exit_code, 0) << cancel.err;
  EXPECT_EQ(parse(cancel)["cancelled"], id);
  EXPECT_EQ(printer_.get(status_test::cancel_oid(id)), "INTEGER: 1414");
  // A finished job is refused by the device: no value.
  ASSERT_FALSE(finished["jobs"].empty());
  ToolRun refused = run({"cancel", "127.0.0.1", finished["jobs"][0]["jobId"]});
  EXPECT_EQ(refused.exit_code, 4);
  EXPECT_TRUE(has(refused.err, "PSW_ERR_NO_VALUE")) << refused.err;
}

TEST_F(Pswctl, WatchReportsTheStartStateThenOnlyChanges) {
  ToolRun r = run({"watch", "127.0.0.1", "--interval", "0.2", "--count", "3", "--json"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  // The device does not change: one line, for the first reading.
  ASSERT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
  json first = parse(r);
  EXPECT_FALSE(first["time"].get<std::string>().empty());
  json status = parse(run({"status", "127.0.0.1", "--json"}));
  const size_t expected = 1 + status["printer"]["errors"].size() + status["toners"].size() + status["alerts"].size();
  EXPECT_EQ(first["changes"].size(), expected);

  ToolRun text = run({"watch", "127.0.0.1", "--interval", "0.01", "--count", "2"});
  ASSERT_EQ(text.exit_code, 0) << text.err;
  EXPECT_EQ(static_cast<size_t>(std::count(text.out.begin(), text.out.end(), '\n')), expected) << text.out;
  EXPECT_TRUE(has(text.out, "alert new: Front cover open")) << text.out;
  EXPECT_TRUE(has(text.out, "error set: doorOpen")) << text.out;
}

// A failure with --json: the same error as an object on standard output.
TEST_F(Pswctl, AFailureInJsonIsAnErrorObject) {
  ToolRun wrong = run({"--json", "options", "::1", "--transport", "udp"});
  EXPECT_EQ(wrong.exit_code, 5);
  json e = parse(wrong);
  EXPECT_EQ(e["error"]["code"], -2);
  EXPECT_EQ(e["error"]["name"], "PSW_ERR_ARGUMENT");
  EXPECT_EQ(e["error"]["step"], "PSWInitDevice");
  EXPECT_EQ(e["error"]["exitStatus"], 5);
}

TEST_F(Pswctl, SnmpVersion2cReadsTheSameAndWrongCombinationsAreUsageErrors) {
  for (const char* command : {"status", "options"}) {
    ToolRun v1 = run({command, "127.0.0.1", "--json"});
    ToolRun v2c = run({"--snmp-version", "2c", command, "127.0.0.1", "--json"});
    ASSERT_EQ(v1.exit_code, 0) << v1.err;
    ASSERT_EQ(v2c.exit_code, 0) << v2c.err;
    EXPECT_EQ(parse(v2c), parse(v1)) << command;
  }
  ToolRun explicit_v1 = run({"status", "127.0.0.1", "--snmp-version", "1"});
  EXPECT_EQ(explicit_v1.exit_code, 0) << explicit_v1.err;

  ToolRun no_user = run({"status", "127.0.0.1", "--snmp-version", "3"});
  EXPECT_EQ(no_user.exit_code, 2);
  EXPECT_TRUE(has(no_user.err, "--snmp-version 3 needs the SNMPv3 user name: give --v3-user NAME")) << no_user.err;
  ToolRun both = run({"--snmp-version", "2c", "--v3-user", "alice", "status", "127.0.0.1"});
  EXPECT_EQ(both.exit_code, 2);
  EXPECT_TRUE(has(both.err, "--v3-user selects SNMPv3 and cannot go with --snmp-version 2c")) << both.err;
  ToolRun unknown = run({"status", "127.0.0.1", "--snmp-version", "2"});
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_TRUE(has(unknown.err, "--snmp-version")) << unknown.err;
}

TEST(PswctlExitStatus, ADeviceThatSpeaksOnlySnmpv1AskedWithSnmpv2c) {
  psw_test::NetnsNetworkOptions options;
  options.fault_agents = 1;
  options.ipv6 = false;
  psw_test::NetnsNetwork net({}, options);
  net.fault_agent(0).load(status_test::office_printer_profile());
  psw_test::FaultScript script;
  script.hook = [](size_t, const psw_test::ber::Message& request, psw_test::ReplyPlan& plan) {
    plan.drop = request.version != psw_test::ber::kVersion1;
  };
  net.fault_agent(0).set_script(script);
  ToolRun v2c = pswctl(net.client_netns(),
                       {"status", net.fault_agent_address(0), "--snmp-version", "2c", "--timeout", "200"});
  EXPECT_EQ(v2c.exit_code, 3) << v2c.err;
  EXPECT_TRUE(has(v2c.err, "PSW_ERR_TIMEOUT (-203)")) << v2c.err;
  ToolRun v1 = pswctl(net.client_netns(), {"status", net.fault_agent_address(0), "--timeout", "200"});
  EXPECT_EQ(v1.exit_code, 0) << v1.err;
}

TEST(PswctlExitStatus, ADeviceWhoseTableAnswersDoNotAdvance) {
  psw_test::NetnsNetworkOptions options;
  options.fault_agents = 1;
  options.ipv6 = false;
  psw_test::NetnsNetwork net({}, options);
  net.fault_agent(0).load(status_test::office_printer_profile());
  psw_test::FaultScript script;
  script.stuck_walk = true;
  net.fault_agent(0).set_script(script);
  ToolRun stuck = pswctl(net.client_netns(), {"status", net.fault_agent_address(0), "--timeout", "500"});
  EXPECT_EQ(stuck.exit_code, 7) << stuck.err;
  EXPECT_TRUE(has(stuck.err, "PSW_ERR_WALK_STUCK (-402)")) << stuck.err;
}

TEST_F(Pswctl, StatusOverIpv6AndVerboseLogOnStandardError) {
  ToolRun r = run({"status", "::1", "--transport", "udp6", "--json", "-vvv"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  json s = parse(r);  // the log never mixes into standard output
  EXPECT_EQ(s["printer"]["statusName"], "idle");
  EXPECT_TRUE(has(r.err, "snmp")) << r.err;
  // Without --verbose nothing is logged.
  ToolRun quiet = run({"status", "::1", "--transport", "udp6", "--json"});
  EXPECT_EQ(quiet.err, "");
}

// ---------------------------------------------------------------------------
// Devices that answer the way other makers' printers do: texts in Latin-1 or
// full of control characters, columns absent for some or all rows.
// ---------------------------------------------------------------------------

class PswctlDevice : public ::testing::Test {
 protected:
  void start(psw_test::SnmprecProfile profile) { printer_ = std::make_unique<SimulatedPrinter>(std::move(profile)); }
  ToolRun run(const std::vector<std::string>& args) { return pswctl(printer_->netns().name(), args); }
  std::unique_ptr<SimulatedPrinter> printer_;
};

TEST_F(PswctlDevice, Latin1TextsComeOutAsUtf8AndTheAbsentSupplyUnitAsAbsent) {
  start(psw_test::SnmprecProfile::load(psw_test::profile_path("mono_laser_latin1.snmprec")));
  ToolRun j = run({"status", "127.0.0.1", "--json"});
  ASSERT_EQ(j.exit_code, 0) << j.err;
  json s = parse(j);
  EXPECT_EQ(s["devices"][0]["description"], "Impresora l\xC3\xA1ser");
  EXPECT_EQ(s["toners"][0]["description"], "T\xC3\xB3ner negro");
  EXPECT_TRUE(s["toners"][0]["supplyUnit"].is_null());
  EXPECT_TRUE(s["toners"][0]["supplyUnitName"].is_null());
  EXPECT_EQ(s["toners"][0]["levelPercent"], 18);
  EXPECT_EQ(s["alerts"][0]["description"], "T\xC3\xB3ner bajo");
  EXPECT_EQ(s["inputTrays"][1]["description"], "Alimentaci\xC3\xB3n manual");

  ToolRun t = run({"status", "127.0.0.1"});
  ASSERT_EQ(t.exit_code, 0) << t.err;
  // Aligned by what the terminal shows: "T\xC3\xB3ner negro" is as wide as
  // "DESCRIPTION"; no unit after the raw level.
  EXPECT_TRUE(has(t.out, "  DESCRIPTION  LEVEL  RAW\n  T\xC3\xB3ner negro  18%    18 / 100\n")) << t.out;
  EXPECT_FALSE(has(t.out, "2147483648")) << t.out;

  ToolRun o = run({"options", "127.0.0.1", "--json"});
  ASSERT_EQ(o.exit_code, 0) << o.err;
  EXPECT_EQ(parse(o)["inputTrays"][1]["inputTrayDescription"], "Alimentaci\xC3\xB3n manual");
}

TEST_F(PswctlDevice, CellsADeviceLacksAreAbsentNotPlaceholders) {
  start(psw_test::SnmprecProfile::load(psw_test::profile_path("workgroup_sparse_columns.snmprec")));
  ToolRun j = run({"status", "127.0.0.1", "--json"});
  ASSERT_EQ(j.exit_code, 0) << j.err;
  EXPECT_FALSE(has(j.out, "2147483648")) << j.out;
  json s = parse(j);
  EXPECT_TRUE(s["devices"][1]["status"].is_null());
  EXPECT_TRUE(s["devices"][1]["statusName"].is_null());
  ToolRun t = run({"status", "127.0.0.1"});
  ASSERT_EQ(t.exit_code, 0) << t.err;
  EXPECT_FALSE(has(t.out, "2147483648")) << t.out;
  EXPECT_FALSE(has(t.out, "value ")) << t.out;
  EXPECT_TRUE(has(t.out, "  Internal disk 16 GB  diskStorage  -\n")) << t.out;
}

TEST_F(PswctlDevice, ControlCharactersNeverReachTheTerminalRawButJsonKeepsTheText) {
  start(tools_profile("control_characters.snmprec"));
  ToolRun t = run({"status", "127.0.0.1"});
  ASSERT_EQ(t.exit_code, 0) << t.err;
  EXPECT_FALSE(has_raw_control(t.out, true)) << t.out;
  for (const char* shown : {"Printer \\x1b[2J\\x1b[31mred", "RAM\\x0d\\x0afake line", "Tray\\x7f1",
                            "Manual\\u009b2J", "Out\\u202etxt.exe", "Black\\x1b[8m hidden", "Door\\u009d open"})
    EXPECT_TRUE(has(t.out, shown)) << shown << "\n" << t.out;

  ToolRun j = run({"status", "127.0.0.1", "--json"});
  ASSERT_EQ(j.exit_code, 0) << j.err;
  EXPECT_FALSE(has_raw_control(j.out, true)) << j.out;
  json s = parse(j);
  EXPECT_EQ(s["devices"][0]["description"], "Printer \x1b[2J\x1b[31mred");
  EXPECT_EQ(s["storage"][0]["description"], "RAM\r\nfake line");
  EXPECT_EQ(s["outputTrays"][0]["name"], "Out\xE2\x80\xAEtxt.exe");
  EXPECT_EQ(s["inputTrays"][1]["name"], "Manual\xC2\x9B" "2J");
  EXPECT_EQ(s["alerts"][0]["description"], "Door\xC2\x9D open");

  ToolRun o = run({"options", "127.0.0.1"});
  ASSERT_EQ(o.exit_code, 0) << o.err;
  EXPECT_FALSE(has_raw_control(o.out, true)) << o.out;
  EXPECT_TRUE(has(o.out, "CTRL\\x1b[2J")) << o.out;

  for (const std::vector<std::string>& args : {std::vector<std::string>{"watch", "127.0.0.1", "--count", "1"},
                                               std::vector<std::string>{"watch", "127.0.0.1", "--count", "1", "--json"}}) {
    ToolRun w = run(args);
    ASSERT_EQ(w.exit_code, 0) << w.err;
    EXPECT_FALSE(has_raw_control(w.out, true)) << w.out;
    EXPECT_TRUE(has(w.out, "Door\\u009d open")) << w.out;
  }
}

TEST(PswctlDiscover, FindsEverySimulatedPrinterOfTheNetwork) {
  std::vector<psw_test::SnmpdOptions> agents(2);
  for (auto& a : agents) a.profile = status_test::office_printer_profile();
  psw_test::NetnsNetwork net(agents, {});
  ToolRun r = pswctl(net.client_netns(), {"discover", "--json", "--timeout", "500", "--retries", "0"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  json d = parse(r);
  std::set<std::string> found;
  for (const json& dev : d["devices"]) {
    found.insert(dev["address"].get<std::string>());
    EXPECT_EQ(dev["sysObjectId"], "1.3.6.1.4.1.47001.1.11.93.1.34.40.1.1");
    EXPECT_FALSE(dev["modelName"].get<std::string>().empty());
  }
  EXPECT_EQ(found, (std::set<std::string>{net.agent_address(0), net.agent_address(1)}));

  // A filter that no device matches leaves the list empty; text output.
  ToolRun none = pswctl(net.client_netns(), {"discover", "--filter", "1.3.6.1.4.1.9", "--timeout", "300", "--retries", "0"});
  ASSERT_EQ(none.exit_code, 0) << none.err;
  EXPECT_TRUE(has(none.out, "Devices found: 0")) << none.out;

  // A filter before the address leaves the address to the search.
  ToolRun filtered = pswctl(net.client_netns(), {"discover", "--filter", "1.3.6.1.4.1.47001", net.agent_address(1),
                                                 "--json", "--timeout", "500", "--retries", "0"});
  ASSERT_EQ(filtered.exit_code, 0) << filtered.err;
  const json only = parse(filtered)["devices"];
  ASSERT_EQ(only.size(), 1u) << filtered.out;
  EXPECT_EQ(only[0]["address"], net.agent_address(1));

  // A search of one address, in text.
  ToolRun one = pswctl(net.client_netns(), {"discover", net.agent_address(1), "--timeout", "500", "--retries", "0"});
  ASSERT_EQ(one.exit_code, 0) << one.err;
  EXPECT_TRUE(has(one.out, "Devices found: 1")) << one.out;
  EXPECT_TRUE(has(one.out, net.agent_address(1))) << one.out;
}

}  // namespace

// pswctl against simulated printers, as tables: command-line mistakes and
// failures (arguments -> exit status and first line of standard error),
// profile cells -> what text and JSON show of them, and the JSON of every
// sub-command for every shipped profile checked by an independent parser.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "agent/temp_dir.h"
#include "device/status_test_support.h"
#include "pswctl_run.h"

namespace {

using nlohmann::json;
using pswctl_test::first_line;
using pswctl_test::has;
using pswctl_test::parse;
using pswctl_test::pswctl;
using pswctl_test::tools_profile;
using pswctl_test::ToolRun;
using status_test::SimulatedPrinter;

// ---------------------------------------------------------------------------
// Errors: what the user typed, the exit status, the first line of standard
// error and a part of the hint under it.
// ---------------------------------------------------------------------------

struct ErrorCase {
  std::vector<std::string> args;
  int status;
  std::string firstLine;
  std::string hint;  // "" for none
};

void check_errors(const std::string& netns, const std::vector<ErrorCase>& cases) {
  for (const ErrorCase& c : cases) {
    ToolRun r = pswctl(netns, c.args);
    const std::string what = psw_test::command_text(c.args);
    EXPECT_EQ(r.exit_code, c.status) << what << "\n" << r.err;
    EXPECT_EQ(first_line(r.err), c.firstLine) << what;
    if (!c.hint.empty()) {
      EXPECT_TRUE(has(r.err, c.hint)) << what << "\n" << r.err;
    }
    EXPECT_EQ(r.out, "") << what;
  }
}

TEST(PswctlErrors, EachMistakeAndFailureHasItsStatusAndItsMessage) {
  SimulatedPrinter printer{status_test::office_printer_profile(), [](psw_test::SnmpdOptions& o) {
                             o.users = {{"alice", "SHA", "alice-auth-pass", "AES", "alice-priv-pass"}};
                           }};
  const std::string quick[] = {"--timeout", "300", "--retries", "0"};
  auto with_quick = [&](std::vector<std::string> args) {
    args.insert(args.end(), std::begin(quick), std::end(quick));
    return args;
  };
  check_errors(
      printer.netns().name(),
      {
          // The command line.
          {{}, 2, "A subcommand is required", ""},
          {{"bogus"}, 2, "pswctl: unknown sub-command 'bogus'; the sub-commands are discover, status, options, jobs, "
                         "cancel, watch", ""},
          {{"--timeout", "100", "statu", "127.0.0.1"}, 2, "pswctl: unknown sub-command 'statu'; the sub-commands are "
                                                          "discover, status, options, jobs, cancel, watch", ""},
          {{"status"}, 2, "address is required", ""},
          {{"status", "127.0.0.1", "--transport", "tcp"}, 2, "--transport: unknown value 'tcp'; one of ipx, udp, udp6",
           ""},
          {{"status", "127.0.0.1", "--v3-level", "high"}, 2,
           "--v3-level: unknown value 'high'; one of authNoPriv, authPriv, noAuthNoPriv", ""},
          {{"jobs", "127.0.0.1", "--kind", "some"}, 2, "--kind: some not in {all,active,finished}", ""},
          {{"status", "127.0.0.1", "--no-such-option"}, 2, "The following argument was not expected: --no-such-option",
           ""},
          {{"watch", "127.0.0.1", "--interval", "0"}, 2,
           "--interval: the interval must be more than 0 and at most 86400 seconds", ""},
          {{"watch", "127.0.0.1", "--interval", "-1"}, 2,
           "--interval: the interval must be more than 0 and at most 86400 seconds", ""},
          // Address texts the library cannot read.
          {{"status", "printer.local"}, 2, "pswctl: PSWInitDevice failed: PSW_ERR_FAILED (-1)",
           "The address 'printer.local' cannot be read"},
          {{"status", ""}, 2, "pswctl: PSWInitDevice failed: PSW_ERR_FAILED (-1)", "The address '' cannot be read"},
          {{"jobs", "10.1.1.300"}, 2, "pswctl: PSWInitDevice failed: PSW_ERR_FAILED (-1)",
           "The address '10.1.1.300' cannot be read"},
          {{"discover", "printer.local"}, 2, "pswctl: PSWFindDeviceSNMP failed: PSW_ERR_FAILED (-1)",
           "The address 'printer.local' cannot be read"},
          // Addresses of the other transport.
          {{"options", "::1"}, 5, "pswctl: PSWInitDevice failed: PSW_ERR_ARGUMENT (-2)",
           "'::1' is an IPv6 address, but --transport udp takes an IPv4 address: use --transport udp6."},
          {{"status", "127.0.0.1", "--transport", "udp6"}, 5, "pswctl: PSWInitDevice failed: PSW_ERR_ARGUMENT (-2)",
           "use --transport udp."},
          // The device and the way to it.
          {with_quick({"status", "127.0.0.1", "--community", "wrong"}), 3,
           "pswctl: PSWInitDevice failed: PSW_ERR_TIMEOUT (-203)", "--community"},
          {with_quick({"status", "10.1.2.3"}), 6, "pswctl: PSWInitDevice failed: PSW_ERR_SEND (-205)", "route"},
          {with_quick({"status", "127.0.0.1", "--v3-user", "alice", "--v3-level", "authPriv", "--v3-auth", "SHA",
                       "--v3-auth-pass", "alice-auth-pass", "--v3-priv", "AES", "--v3-priv-pass", "wrong-priv-pass"}),
           3, "pswctl: PSWInitDeviceEx failed: PSW_ERR_TIMEOUT (-203)", ""},
          {with_quick({"status", "127.0.0.1", "--v3-user", "mallory", "--v3-level", "authPriv", "--v3-auth", "sha",
                       "--v3-auth-pass", "mallory-pass", "--v3-priv", "aes", "--v3-priv-pass", "mallory-pass"}),
           4, "pswctl: PSWInitDeviceEx failed: PSW_ERR_SECURITY (-214)",
           "The device refused SNMPv3 user 'mallory' at authPriv, SHA authentication, AES privacy."},
          {with_quick({"status", "127.0.0.1", "--v3-user", "alice", "--v3-level", "authNoPriv", "--v3-auth", "MD5",
                       "--v3-auth-pass", "alice-auth-pass"}),
           4, "pswctl: PSWInitDeviceEx failed: PSW_ERR_SECURITY (-214)",
           "The device refused SNMPv3 user 'alice' at authNoPriv, MD5 authentication."},
      });

  // Help and version succeed; the help of a sub-command lists the common
  // options with their words.
  ToolRun help = pswctl(printer.netns().name(), {"watch", "--help"});
  EXPECT_EQ(help.exit_code, 0);
  for (const char* part : {"--interval SECONDS", "--transport udp|udp6|ipx", "--timeout MS", "--json",
                           "--v3-level noAuthNoPriv|authNoPriv|authPriv"})
    EXPECT_TRUE(has(help.out, part)) << part << "\n" << help.out;
  EXPECT_FALSE(has(help.out, "->")) << "numbers behind the words:\n" << help.out;
  ToolRun version = pswctl(printer.netns().name(), {"--version"});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out.rfind("pswctl ", 0), 0u) << version.out;
}

TEST(PswctlErrors, ADeviceOfAnotherModelIsNamedByWhatItSaid) {
  SimulatedPrinter other{psw_test::SnmprecProfile::load(psw_test::profile_path("other_model.snmprec"))};
  check_errors(other.netns().name(),
               {{{"status", "127.0.0.1"}, 5, "pswctl: PSWInitDevice failed: PSW_ERR_ARGUMENT (-2)",
                 "The device at 127.0.0.1 is not of the supported model: its sysObjectID is "
                 "1.3.6.1.4.1.47001.1.11.93.1.34.40.15."}});
  ToolRun j = pswctl(other.netns().name(), {"options", "127.0.0.1", "--json"});
  EXPECT_EQ(j.exit_code, 5);
  EXPECT_EQ(parse(j)["error"]["sysObjectId"], "1.3.6.1.4.1.47001.1.11.93.1.34.40.15");
}

// ---------------------------------------------------------------------------
// Rendering: a profile's cell, where JSON shows it and what, and a part of
// the text output that shows the same.
// ---------------------------------------------------------------------------

struct RenderCase {
  const char* profile;  // tests/tools/profiles, or "agent:" + tests/agent/profiles
  const char* command;  // status, options or jobs
  const char* pointer;  // JSON pointer into the command's JSON output
  json value;
  std::string text;  // in the command's text output; "" for none
};

psw_test::SnmprecProfile load_profile(const std::string& name) {
  if (name == "office") return status_test::office_printer_profile();
  if (name.rfind("agent:", 0) == 0) return psw_test::SnmprecProfile::load(psw_test::profile_path(name.substr(6)));
  return tools_profile(name);
}

TEST(PswctlRendering, SpecialValuesCharacterSetsAndJobFields) {
  const RenderCase cases[] = {
      // Printer status absent: no printer row, so no error state either.
      {"unusual_values.snmprec", "status", "/printer/status", nullptr, "  status: -\n  detected errors: -\n"},
      {"unusual_values.snmprec", "status", "/printer/errors", nullptr, ""},
      {"unusual_values.snmprec", "status", "/printer/detectedErrorState", nullptr, ""},
      // A level above its maximum: 100 percent, and said so.
      {"unusual_values.snmprec", "status", "/toners/0/level", 130, "  T\xC3\xB3ner negro           100%            130 / 100 (above the maximum)\n"},
      {"unusual_values.snmprec", "status", "/toners/0/levelPercent", 100, ""},
      {"unusual_values.snmprec", "status", "/toners/0/aboveMaximum", true, ""},
      // Special levels and capacities by name, the numbers beside them.
      {"unusual_values.snmprec", "status", "/toners/1/levelText", "some remaining",
       "  Toner some remaining  some remaining  some remaining / unknown impressions\n"},
      {"unusual_values.snmprec", "status", "/toners/1/level", -3, ""},
      {"unusual_values.snmprec", "status", "/toners/1/maxCapacityText", "unknown", ""},
      {"unusual_values.snmprec", "status", "/toners/1/levelPercent", nullptr, ""},
      {"unusual_values.snmprec", "status", "/toners/2/levelText", "unknown", "  Toner unknown         unknown         unknown / 500 impressions\n"},
      {"unusual_values.snmprec", "status", "/toners/3/levelText", "other", "  Toner other           other           other / other impressions\n"},
      {"unusual_values.snmprec", "status", "/toners/3/maxCapacity", -1, ""},
      // Capacity unit 19: percent.
      {"unusual_values.snmprec", "status", "/inputTrays/0/capacityUnitName", "percent", "100 percent  40 (40%)"},
      {"unusual_values.snmprec", "status", "/inputTrays/0/levelPercent", 40, ""},
      {"unusual_values.snmprec", "status", "/inputTrays/1/maxCapacityText", "unknown", "  Bandeja multiuso  manual feed     A4    short edge first  unknown      some remaining  "},
      {"unusual_values.snmprec", "status", "/inputTrays/1/levelText", "some remaining", ""},
      // Alert group index and location.
      {"unusual_values.snmprec", "status", "/alerts/0/groupIndexText", "none",
       "  warning   marker supplies  none   unknown   1102  T\xC3\xB3ner bajo\n"},
      {"unusual_values.snmprec", "status", "/alerts/0/groupIndex", -1, ""},
      {"unusual_values.snmprec", "status", "/alerts/0/locationText", "unknown", ""},
      {"unusual_values.snmprec", "status", "/alerts/0/location", -2, ""},
      // Character sets by name; an octet that is no UTF-8 shown, not lost.
      {"unusual_values.snmprec", "status", "/charSets/printerName", "UTF-8", "  printer: UTF-8 (106)\n  vendor: -\n"},
      {"unusual_values.snmprec", "status", "/charSets/vendor", nullptr, ""},
      {"unusual_values.snmprec", "status", "/outputTrays/0/description", "Salida \\xffboca", "Salida \\xffboca"},
      {"unusual_values.snmprec", "status", "/devices/0/description", "Impresora l\xC3\xA1ser", ""},
      // Shift_JIS texts, aligned by their width on a terminal.
      {"mono_laser_shift_jis.snmprec", "status", "/charSets/printerName", "Shift_JIS", "  printer: Shift_JIS (17)\n"},
      {"mono_laser_shift_jis.snmprec", "status", "/toners/0/description",
       "\xE3\x83\x96\xE3\x83\xA9\xE3\x83\x83\xE3\x82\xAF\xE3\x83\x88\xE3\x83\x8A\xE3\x83\xBC",
       "  DESCRIPTION     LEVEL  RAW\n  \xE3\x83\x96\xE3\x83\xA9\xE3\x83\x83\xE3\x82\xAF\xE3\x83\x88\xE3\x83\x8A\xE3"
       "\x83\xBC  18%    18 / 100\n"},
      {"mono_laser_shift_jis.snmprec", "status", "/devices/0/description",
       "\xE3\x83\xAC\xE3\x83\xBC\xE3\x82\xB6\xE3\x83\xBC\xE3\x83\x97\xE3\x83\xAA\xE3\x83\xB3\xE3\x82\xBF\xE3\x83\xBC",
       ""},
      {"mono_laser_shift_jis.snmprec", "status", "/alerts/0/description",
       "\xE3\x83\x88\xE3\x83\x8A\xE3\x83\xBC\xE6\xAE\x8B\xE9\x87\x8F\xE5\xB0\x91", ""},
      // An octet Shift_JIS does not have is shown; a character the field cut
      // is left out.
      {"mono_laser_shift_jis.snmprec", "status", "/inputTrays/0/description",
       "\xE7\x94\xA8\xE7\xB4\x99\\xa0" "A4", ""},
      {"mono_laser_shift_jis.snmprec", "status", "/inputTrays/1/name", std::string(62, 'M'), ""},
      {"mono_laser_shift_jis.snmprec", "options", "/inputTrays/0/inputTrayName",
       "\xE3\x83\x88\xE3\x83\xAC\xE3\x82\xA4\xEF\xBC\x91", "  InputTrayName" + std::string(20, ' ') + "\xE3\x83\x88\xE3\x83\xAC\xE3\x82\xA4\xEF\xBC\x91\n"},
      // Latin-1.
      {"agent:mono_laser_latin1.snmprec", "status", "/charSets/printerName", "ISO-8859-1", "  printer: ISO-8859-1 (4)\n"},
      {"agent:mono_laser_latin1.snmprec", "status", "/toners/0/description", "T\xC3\xB3ner negro", ""},
      // Job fields by what they hold; times in ISO 8601.
      {"office", "jobs", "/jobs/0/name", "Quarterly report.pdf", "Quarterly report.pdf"},
      {"office", "jobs", "/jobs/0/source", "Network (IPP)", "Network (IPP)"},
      {"office", "jobs", "/jobs/0/stateText", "Completed", ""},
      {"office", "jobs", "/jobs/0/condition", "OK", ""},
      {"office", "jobs", "/jobs/0/pages", 12, ""},
      {"office", "jobs", "/jobs/0/impressions", 12, ""},
      {"office", "jobs", "/jobs/0/copies", 1, ""},
      {"office", "jobs", "/jobs/0/received", "2024-03-15T09:11:58", "2024-03-15T09:11:58"},
      {"office", "jobs", "/jobs/0/started", "2024-03-15T09:12:05", ""},
      {"office", "jobs", "/jobs/0/completed", "2024-03-15T09:12:40", ""},
      {"office", "jobs", "/jobs/4/completed", nullptr, ""},
      {"office", "options", "/options/printerRomVersion", json::value_t::discarded, "PrinterRomVersion "},
  };
  // One printer per profile, one run per command and form.
  std::map<std::string, std::unique_ptr<SimulatedPrinter>> printers;
  std::map<std::string, std::pair<json, std::string>> runs;
  for (const RenderCase& c : cases) {
    auto& printer = printers[c.profile];
    if (!printer) printer = std::make_unique<SimulatedPrinter>(load_profile(c.profile));
    const std::string key = std::string(c.profile) + " " + c.command;
    if (runs.count(key) == 0) {
      ToolRun j = pswctl(printer->netns().name(), {c.command, "127.0.0.1", "--json"});
      ToolRun t = pswctl(printer->netns().name(), {c.command, "127.0.0.1"});
      EXPECT_EQ(j.exit_code, 0) << key << "\n" << j.err;
      EXPECT_EQ(t.exit_code, 0) << key << "\n" << t.err;
      runs[key] = {parse(j), t.out};
    }
    const auto& [document, text] = runs[key];
    const json::json_pointer pointer(c.pointer);
    ASSERT_TRUE(document.contains(pointer)) << key << " " << c.pointer << "\n" << document.dump(2);
    if (!c.value.is_discarded()) {
      EXPECT_EQ(document.at(pointer), c.value) << key << " " << c.pointer;
    }
    if (!c.text.empty()) {
      EXPECT_TRUE(has(text, c.text)) << key << ": [" << c.text << "]\n" << text;
    }
  }
}

// ---------------------------------------------------------------------------
// The JSON of every sub-command for every shipped profile, read by Python's
// parser (strict UTF-8, no control characters in strings).
// ---------------------------------------------------------------------------

bool python_parses(const std::string& text, std::string* why) {
  psw_test::TempDir dir("pswctl-json");
  const std::string file = dir.file("out.json");
  std::ofstream(file, std::ios::binary) << text;
  const psw_test::CommandResult r = psw_test::run_command(
      {"/usr/bin/python3", "-c",
       "import json,sys\n"
       "raw=open(sys.argv[1],'rb').read().decode('utf-8')\n"
       "for line in raw.splitlines() if raw.startswith('{\"time\"') else [raw]:\n"
       "  json.loads(line, strict=True)\n",
       file});
  *why = r.output;
  return r.exit_code == 0;
}

TEST(PswctlJson, EverySubCommandForEveryShippedProfileParses) {
  std::vector<std::pair<std::string, psw_test::SnmprecProfile>> profiles = {
      {"office", status_test::office_printer_profile()}};
  for (const char* dir : {"/tests/agent/profiles", "/tests/tools/profiles"}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::string(PSW_SOURCE_DIR) + dir)) {
      const std::string name = entry.path().filename().string();
      if (entry.path().extension() != ".snmprec" || name.rfind("office_mfp_", 0) == 0) continue;
      profiles.emplace_back(name, psw_test::SnmprecProfile::load(entry.path().string()));
    }
  }
  ASSERT_GE(profiles.size(), 13u);
  const std::vector<std::vector<std::string>> commands = {
      {"status", "127.0.0.1"}, {"options", "127.0.0.1"}, {"jobs", "127.0.0.1"},
      {"discover", "127.0.0.1"}, {"watch", "127.0.0.1", "--count", "1"}, {"cancel", "127.0.0.1", "00001046"}};
  for (auto& [name, profile] : profiles) {
    SimulatedPrinter printer{std::move(profile)};
    for (std::vector<std::string> args : commands) {
      args.insert(args.end(), {"--json", "--timeout", "1000", "--retries", "0"});
      ToolRun r = pswctl(printer.netns().name(), args);
      const std::string what = name + ": " + psw_test::command_text(args);
      ASSERT_FALSE(r.out.empty()) << what << "\n" << r.err;
      std::string why;
      EXPECT_TRUE(python_parses(r.out, &why)) << what << "\n" << why << "\n" << r.out;
      // A failure is one error object, and its status says the same.
      json document = parse(r);
      if (r.exit_code != 0) {
        EXPECT_EQ(document["error"]["exitStatus"], r.exit_code) << what;
      }
    }
  }
}

}  // namespace

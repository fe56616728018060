// pswctl.exe, the Windows build, run under Wine beside pswctl on the same
// simulated network: every sub-command must print the same JSON and end
// with the same exit status. The network has two office printers and one
// printer of another model, printers whose texts are Shift_JIS and Latin-1,
// an ink printer of another maker, IPv4 and IPv6, a write community and
// SNMPv3 users of every security level. Skipped when the build has no Windows
// tree to compare (scripts/test always builds one).
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "agent/netns_network.h"
#include "agent/snmprec_profile.h"
#include "device/status_netns.h"
#include "pswctl_run.h"

namespace {

using nlohmann::json;
using pswctl_test::ToolRun;

#ifdef PSW_WINDOWS_BUILD
constexpr const char* kWindowsBuild = PSW_WINDOWS_BUILD;
constexpr const char* kWindowsTool = PSW_WINDOWS_BUILD "/tools/pswctl.exe";
#else
constexpr const char* kWindowsBuild = "";
constexpr const char* kWindowsTool = "";
#endif

// Runs `program` (a Linux program, or the Wine wrapper and a Windows one)
// with `args` inside `netns`.
ToolRun run_in(const std::string& netns, std::vector<std::string> program, const std::vector<std::string>& args) {
  psw_test::TempDir dir("compare");
  std::vector<std::string> argv = {"/bin/sh", "-c", "f=$1; shift; exec \"$@\" 2>\"$f\"", "sh", dir.file("err")};
  argv.insert(argv.end(), program.begin(), program.end());
  argv.insert(argv.end(), args.begin(), args.end());
  // The Wine wrapper needs to know it runs where the suite's namespace
  // check passed, and Wine a home and its prefix.
  std::vector<std::string> env;
  for (const char* name : {"PSW_IN_PRIVATE_NETNS", "HOME", "WINEPREFIX", "TMPDIR"})
    if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
  psw_test::CommandResult r = psw_test::run_command(argv, std::chrono::milliseconds(120000), netns, env);
  return {r.exit_code, r.output, dir.read("err")};
}

// A Windows console program ends its lines with CR LF.
std::string unix_lines(std::string text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out.push_back(text[i]);
  return out;
}

std::string sorted_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

// A search's JSON with its devices sorted by address; other texts as they are.
std::string in_order(const std::string& text) {
  json value = json::parse(text, nullptr, false);
  // A device's status has "devices" too (its hrDeviceTable), under its address.
  if (value.is_discarded() || !value.is_object() || !value.contains("devices") || value.contains("address"))
    return text;
  std::sort(value["devices"].begin(), value["devices"].end(), [](const json& a, const json& b) {
    return a.value("address", std::string()) < b.value("address", std::string());
  });
  return value.dump(2);
}

class WindowsCompare : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (*kWindowsBuild == '\0') return;
    std::vector<psw_test::SnmpdOptions> agents(6);
    for (size_t i = 0; i < 2; ++i) {
      agents[i].profile = status_test::office_printer_profile();
      agents[i].write_community = "private";
    }
    agents[0].users = {psw_test::UsmUser{"nora", "", "", "", "", false},
                       psw_test::UsmUser{"mike", "MD5", "mike-auth-pass", "", "", false},
                       psw_test::UsmUser{"sara", "SHA", "sara-auth-pass", "AES", "sara-priv-pass", false},
                       psw_test::UsmUser{"dave", "MD5", "dave-auth-pass", "DES", "dave-priv-pass", false}};
    agents[2].profile = psw_test::SnmprecProfile::load(psw_test::profile_path("other_model.snmprec"));
    // Texts in Shift_JIS: the tools convert them each with its system's
    // converter (iconv, Windows' code pages).
    agents[3].profile = pswctl_test::tools_profile("mono_laser_shift_jis.snmprec");
    // Latin-1 texts and columns the device lacks; and an ink printer of
    // another maker, for the any-model path.
    agents[4].profile = psw_test::SnmprecProfile::load(psw_test::profile_path("mono_laser_latin1.snmprec"));
    agents[5].profile = psw_test::SnmprecProfile::load(psw_test::profile_path("inkjet.snmprec"));
    psw_test::NetnsNetworkOptions options;
    options.subnet = "10.231.17";
    options.subnet6 = "fd31:231:17::";
    s_net = new psw_test::NetnsNetwork(agents, options);
  }
  static void TearDownTestSuite() {
    delete s_net;
    s_net = nullptr;
  }

  void SetUp() override {
    if (*kWindowsBuild == '\0') GTEST_SKIP() << "no Windows build to compare (configure with PSW_WINDOWS_BUILD_DIR)";
  }

  // Runs an example program of both builds (the Windows one calls psw.dll
  // through its import library) and expects the same output and status.
  // A search's lines come in the order of the answers: `any_order` compares
  // them as sorted lines.
  void same_example(const std::string& name, const std::vector<std::string>& args, bool any_order = false) {
    const std::string& netns = s_net->client_netns();
    ToolRun linux_run = run_in(netns, {std::string(PSW_BINARY_DIR) + "/examples/" + name}, args);
    ToolRun windows_run = run_in(netns,
                                 {std::string(PSW_SOURCE_DIR) + "/scripts/wine-run",
                                  std::string(kWindowsBuild) + "/examples/" + name + ".exe"},
                                 args);
    EXPECT_EQ(linux_run.exit_code, 0) << name << ": " << linux_run.err;
    EXPECT_EQ(windows_run.exit_code, linux_run.exit_code) << name << ": " << windows_run.err;
    EXPECT_EQ(any_order ? sorted_lines(unix_lines(windows_run.out)) : unix_lines(windows_run.out),
              any_order ? sorted_lines(linux_run.out) : linux_run.out)
        << name;
  }

  // Runs both tools with `args` and expects the same output and status;
  // returns the Linux run for further checks. A search lists devices in the
  // order their answers came, which no two runs share: its devices are
  // compared by address.
  ToolRun same(const std::vector<std::string>& args) {
    const std::string& netns = s_net->client_netns();
    ToolRun linux_run = run_in(netns, {PSWCTL_PATH}, args);
    ToolRun windows_run = run_in(netns, {std::string(PSW_SOURCE_DIR) + "/scripts/wine-run", kWindowsTool}, args);
    std::string what = "pswctl";
    for (const std::string& a : args) what += " " + a;
    EXPECT_EQ(windows_run.exit_code, linux_run.exit_code) << what << "\nLinux: " << linux_run.err
                                                          << "\nWindows: " << windows_run.err;
    EXPECT_EQ(in_order(unix_lines(windows_run.out)), in_order(linux_run.out)) << what;
    return linux_run;
  }

  static std::string agent(size_t i) { return s_net->agent_address(i); }
  static std::string agent6(size_t i) { return s_net->agent_address6(i); }

  static psw_test::NetnsNetwork* s_net;
};

psw_test::NetnsNetwork* WindowsCompare::s_net = nullptr;

TEST_F(WindowsCompare, SearchesFindTheSameDevices) {
  ToolRun limited = same({"discover", "--json", "--timeout", "1500", "--retries", "0"});
  EXPECT_EQ(json::parse(limited.out)["devices"].size(), 4u) << limited.out;  // other makers' are left out
  same({"discover", "10.231.17.255", "--json", "--timeout", "1500", "--retries", "0"});
  ToolRun multicast = same({"discover", "--transport", "udp6", "--json", "--timeout", "1500", "--retries", "0"});
  EXPECT_EQ(json::parse(multicast.out)["devices"].size(), 4u) << multicast.out;
  same({"discover", "--filter", "1.3.6.1.4.1.47001.1.11", "--json", "--timeout", "1500", "--retries", "0"});
  ToolRun any = same({"discover", "--any-model", "--json", "--timeout", "1500", "--retries", "0"});
  EXPECT_GT(json::parse(any.out)["devices"].size(), 4u) << any.out;
}

TEST_F(WindowsCompare, StatusOptionsAndJobsReadAlike) {
  ToolRun status = same({"status", agent(0), "--json"});
  EXPECT_FALSE(json::parse(status.out)["toners"].empty()) << status.out;
  same({"status", agent6(1), "--transport", "udp6", "--json"});
  same({"status", agent(3), "--json"});
  same({"status", agent(3)});  // as text: device texts converted and escaped alike
  same({"jobs", agent(3)});
  same({"status", agent(4)});
  same({"options", agent(4), "--json"});
  same({"status", agent(5), "--any-model", "--json"});
  same({"options", agent(5), "--any-model"});
  same({"options", agent(0), "--json"});
  same({"jobs", agent(1), "--json"});
  same({"jobs", agent(1), "--kind", "finished", "--json"});
  // Refusals end alike: another model, and an address nobody answers.
  same({"status", agent(2), "--json"});
  same({"status", "10.231.17.99", "--timeout", "300", "--retries", "0", "--json"});
}

TEST_F(WindowsCompare, ExampleProgramsCallTheDllAlike) {
  same_example("example_print_status", {agent(0)});
  same_example("example_find_devices", {"10.231.17.255"}, true);
}

TEST_F(WindowsCompare, CancelIsAcceptedAndRefusedAlike) {
  json jobs = json::parse(run_in(s_net->client_netns(), {PSWCTL_PATH}, {"jobs", agent(1), "--json"}).out);
  std::string active;
  std::string finished;
  for (const json& j : jobs["jobs"]) {
    if (!j["finished"].get<bool>() && active.empty()) active = j["jobId"];
    if (j["finished"].get<bool>() && finished.empty()) finished = j["jobId"];
  }
  ASSERT_FALSE(active.empty());
  ASSERT_FALSE(finished.empty());
  ToolRun cancel = same({"cancel", agent(1), active, "--write-community", "private", "--json"});
  EXPECT_EQ(cancel.exit_code, 0) << cancel.err;
  ToolRun refused = same({"cancel", agent(1), finished, "--write-community", "private", "--json"});
  EXPECT_EQ(refused.exit_code, 4);
}

TEST_F(WindowsCompare, SnmpV3AtEverySecurityLevel) {
  ToolRun none = same({"status", agent(0), "--json", "--v3-user", "nora", "--v3-level", "noAuthNoPriv"});
  EXPECT_EQ(none.exit_code, 0) << none.err;
  ToolRun auth = same({"status", agent(0), "--json", "--v3-user", "mike", "--v3-level", "authNoPriv", "--v3-auth",
                       "MD5", "--v3-auth-pass", "mike-auth-pass"});
  EXPECT_EQ(auth.exit_code, 0) << auth.err;
  ToolRun sha_aes = same({"options", agent(0), "--json", "--v3-user", "sara", "--v3-level", "authPriv", "--v3-auth",
                          "SHA", "--v3-auth-pass", "sara-auth-pass", "--v3-priv", "AES", "--v3-priv-pass",
                          "sara-priv-pass"});
  EXPECT_EQ(sha_aes.exit_code, 0) << sha_aes.err;
  ToolRun md5_des = same({"jobs", agent(0), "--json", "--v3-user", "dave", "--v3-level", "authPriv", "--v3-auth",
                          "MD5", "--v3-auth-pass", "dave-auth-pass", "--v3-priv", "DES", "--v3-priv-pass",
                          "dave-priv-pass"});
  EXPECT_EQ(md5_des.exit_code, 0) << md5_des.err;
  // A wrong pass phrase is refused alike.
  ToolRun wrong = same({"status", agent(0), "--json", "--v3-user", "sara", "--v3-level", "authPriv", "--v3-auth",
                        "SHA", "--v3-auth-pass", "not-the-pass", "--v3-priv", "AES", "--v3-priv-pass",
                        "sara-priv-pass", "--timeout", "1000", "--retries", "0"});
  EXPECT_EQ(wrong.exit_code, 4) << wrong.err;
}

}  // namespace

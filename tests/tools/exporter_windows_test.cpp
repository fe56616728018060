// pswctl.exe exporter, the Windows build, run under Wine inside the network
// namespace of a simulated printer, beside the Linux exporter: its probes
// give the Linux exporter's metrics (the printer's profile values), a silent
// address is down, its own metrics count, it listens on the namespace's
// loopback address alone, and Ctrl+C stops it cleanly. Skipped when the
// build has no Windows tree (configure with PSW_WINDOWS_BUILD_DIR).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "device/status_test_support.h"
#include "exporter_support.h"

namespace {

using exporter_test::Exporter;
using exporter_test::ExporterCommand;
using exporter_test::find;
using exporter_test::parse_exposition;
using exporter_test::Sample;
using exporter_test::value;

#ifdef PSW_WINDOWS_BUILD
constexpr const char* kWindowsTool = PSW_WINDOWS_BUILD "/tools/pswctl.exe";
#else
constexpr const char* kWindowsTool = "";
#endif

constexpr int kWindowsPort = 9918;

// What the Wine wrapper needs besides a plain tool environment: to know it
// runs where the suite's namespace check passed, and Wine a home and its
// prefix.
std::vector<std::string> wine_environment() {
  std::vector<std::string> env;
  for (const char* name : {"PSW_IN_PRIVATE_NETNS", "HOME", "WINEPREFIX", "TMPDIR", "PSW_WINE_PREFIX"})
    if (const char* v = std::getenv(name)) env.push_back(std::string(name) + "=" + v);
  return env;
}

// pswctl.exe through the Wine wrapper. The first start in a namespace
// makes its Wine prefix: give it time.
ExporterCommand windows_command() {
  ExporterCommand command;
  command.program = {std::string(PSW_SOURCE_DIR) + "/scripts/wine-run", kWindowsTool};
  command.env = psw_test::tool_environment(wine_environment());
  command.port = kWindowsPort;
  command.start_limit = std::chrono::milliseconds(180000);
  return command;
}

// A probe's samples without its duration, one line each, for comparing two
// exporters' answers.
std::vector<std::string> comparable(const std::vector<Sample>& samples) {
  std::vector<std::string> lines;
  for (const Sample& s : samples) {
    if (s.name == "printer_probe_duration_seconds") continue;
    std::string line = s.name;
    for (const auto& [k, v] : s.labels) line += " " + k + "=" + v;
    lines.push_back(line + " " + std::to_string(s.value));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

class WindowsExporter : public ::testing::Test {
 protected:
  void SetUp() override {
    if (*kWindowsTool == '\0') GTEST_SKIP() << "no Windows build (configure with PSW_WINDOWS_BUILD_DIR)";
  }

  // The Windows exporter in `netns`; fails the test at once where
  // pswctl.exe was built without it.
  static std::unique_ptr<Exporter> start_windows(const std::string& netns, const std::vector<std::string>& args) {
    try {
      return std::make_unique<Exporter>(netns, args, windows_command());
    } catch (const std::runtime_error& e) {
      ADD_FAILURE() << e.what()
                    << (std::string(e.what()).find("not available in this build") != std::string::npos
                            ? "\n(pswctl.exe has no exporter: scripts/windows-deps gave no cpp-httplib or "
                              "prometheus-cpp)"
                            : "");
      return nullptr;
    }
  }
};

TEST_F(WindowsExporter, ProbesGiveTheLinuxExportersMetrics) {
  status_test::SimulatedPrinter printer(exporter_test::colour_profile());
  const std::vector<std::string> args = {"--timeout", "1000", "--retries", "0"};
  std::unique_ptr<Exporter> windows = start_windows(printer.netns().name(), args);
  ASSERT_TRUE(windows);
  Exporter linux_exporter(printer.netns().name(), args);
  for (const std::string path : {"/probe?target=127.0.0.1", "/probe?target=::1", "/probe?target=127.0.0.9"}) {
    SCOPED_TRACE(path);
    const exporter_test::HttpAnswer answer = windows->get(path);
    ASSERT_EQ(answer.status, 200) << answer.body << windows->log();
    EXPECT_EQ(answer.headers.find("Content-Type")->second, "text/plain; version=0.0.4; charset=utf-8");
    EXPECT_EQ(exporter_test::promtool_complaints(answer.body), "") << answer.body;
    const std::vector<Sample> samples = parse_exposition(answer.body);
    // Nobody answers at 127.0.0.9: down, with nothing read.
    if (path.find("127.0.0.9") != std::string::npos) {
      EXPECT_EQ(value(samples, "printer_up"), 0) << answer.body;
      EXPECT_TRUE(find(samples, "printer_info").empty()) << answer.body;
    } else {
      exporter_test::expect_colour_printer(samples, exporter_test::colour_profile());
    }
    const std::vector<Sample> linux_samples = parse_exposition(linux_exporter.get(path).body);
    EXPECT_EQ(comparable(samples), comparable(linux_samples));
    std::printf("pswctl.exe probe of %s: %.1f ms (pswctl: %.1f ms)\n", path.c_str(),
                value(samples, "printer_probe_duration_seconds").value_or(-1) * 1000,
                value(linux_samples, "printer_probe_duration_seconds").value_or(-1) * 1000);
  }
  // Its own metrics counted the probes and the failed read, as pswctl's did.
  const exporter_test::HttpAnswer own = windows->get("/metrics");
  ASSERT_EQ(own.status, 200);
  EXPECT_EQ(exporter_test::promtool_complaints(own.body), "") << own.body;
  const std::vector<Sample> own_samples = parse_exposition(own.body);
  EXPECT_EQ(value(own_samples, "printer_exporter_probes_total"), 3);
  EXPECT_EQ(comparable(own_samples), comparable(parse_exposition(linux_exporter.get("/metrics").body)));
  // A refusal is answered by the exporter's own handler.
  const exporter_test::HttpAnswer refused = windows->get("/probe?target=printer.example");
  EXPECT_EQ(refused.status, 400);
  EXPECT_NE(refused.body.find("host names are not resolved"), std::string::npos) << refused.body;
}

TEST_F(WindowsExporter, ListensOnLoopbackOnlyRefusesATakenPortAndStopsOnCtrlC) {
  status_test::PrivateNetns netns;
  std::unique_ptr<Exporter> exporter = start_windows(netns.name(), {});
  ASSERT_TRUE(exporter);
  // Other addresses of the namespace's loopback reach no listener.
  EXPECT_EQ(exporter_test::http_get(netns.name(), kWindowsPort, "/metrics").status, 200);
  psw_test::run_in_netns(netns.name(), [] {
    for (const char* host : {"127.0.0.2", "::1"}) {
      httplib::Client client(host, kWindowsPort);
      client.set_connection_timeout(2, 0);
      EXPECT_FALSE(client.Get("/metrics")) << host;
    }
  });
  // A second exporter on the same port gives up.
  {
    std::vector<std::string> argv = windows_command().program;
    for (const char* a : {"exporter", "--listen", "127.0.0.1:9918"}) argv.push_back(a);
    const psw_test::CommandResult second =
        psw_test::run_command(argv, std::chrono::milliseconds(60000), netns.name(), wine_environment());
    EXPECT_EQ(second.exit_code, 6) << second.output;
    EXPECT_NE(second.output.find("cannot listen on 127.0.0.1:9918"), std::string::npos) << second.output;
  }
  // SIGINT reaches a Windows console program as Ctrl+C: a clean stop. (Wine
  // ends a program that takes no Ctrl+C with 0 too: the exporter's own
  // words tell that it stopped itself.)
  ::kill(exporter->process().pid(), SIGINT);
  for (int i = 0; i < 200 && exporter->process().running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_FALSE(exporter->process().running()) << exporter->log();
  const int status = exporter->process().wait_status();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << exporter->log();
  EXPECT_NE(exporter->log().find("pswctl: exporter stopped"), std::string::npos) << exporter->log();
}

}  // namespace

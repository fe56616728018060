// pswctl exporter under bad input and load: unreadable and refused
// targets, probes beyond the limit, malformed and stalled clients, a
// thousand requests with the exporter's memory flat, device texts on the
// page and in the targets, and a clean stop.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <sys/socket.h>
#include <sys/wait.h>
#include <signal.h>
#include <unistd.h>

#include <future>

#include <nlohmann/json.hpp>

#include "agent/netns_network.h"
#include "device/status_test_support.h"
#include "exporter_support.h"
#include "pswctl_run.h"

namespace {

using exporter_test::Exporter;
using exporter_test::HttpAnswer;
using exporter_test::parse_exposition;
using exporter_test::value;

// Whether `answer` holds a whole response: its head and the body its
// Content-Length gives.
bool complete(const std::string& answer) {
  const size_t head = answer.find("\r\n\r\n");
  if (head == std::string::npos) return false;
  const size_t length = answer.find("Content-Length: ");
  if (length == std::string::npos || length > head) return true;
  return answer.size() >= head + 4 + std::stoul(answer.substr(length + 16));
}

// A TCP connection to the exporter from inside `netns` that sends `text`
// and, unless `wait_for_answer`, closes at once; the answer read.
std::string raw_exchange(const std::string& netns, const std::string& text, bool wait_for_answer) {
  std::string answer;
  psw_test::run_in_netns(netns, [&] {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(exporter_test::kPort);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
      (void)!::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
      if (wait_for_answer) {
        timeval tv{10, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        char buffer[4096];
        for (ssize_t n; !complete(answer) && (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
          answer.append(buffer, static_cast<size_t>(n));
      }
    }
    ::close(fd);
  });
  return answer;
}

TEST(ExporterHttp, UnreadableTargetsAre400AndTargetsOutsideTheAllowedNetworks403) {
  status_test::PrivateNetns netns;
  Exporter exporter(netns.name(), {"--allow-targets", "10.0.0.0/8,fd00::/8", "--timeout", "200", "--retries", "0"});
  const std::pair<std::string, int> cases[] = {
      {"/probe", 400},
      {"/probe?target=", 400},
      {"/probe?target=printer.example.net", 400},
      {"/probe?target=10.1.2.300", 400},
      {"/probe?target=10.1.2.3&transport=tcp", 400},
      {"/probe?target=10.1.2.3&transport=udp6", 400},
      {"/probe?target=127.0.0.1", 403},
      {"/probe?target=::1", 403},
      {"/probe?target=11.0.0.1", 403},
      {"/nothing-here", 404},
  };
  for (const auto& [path, status] : cases) {
    const HttpAnswer answer = exporter.get(path);
    EXPECT_EQ(answer.status, status) << path << ": " << answer.body;
    EXPECT_FALSE(answer.body.empty()) << path;  // the reason
  }
  EXPECT_NE(exporter.get("/probe?target=printer.example.net").body.find("cannot be read"), std::string::npos);
  EXPECT_NE(exporter.get("/probe?target=11.0.0.1").body.find("--allow-targets"), std::string::npos);
  // Inside the allowed networks the probe goes ahead (nobody answers there).
  const HttpAnswer allowed = exporter.get("/probe?target=10.9.9.9");
  EXPECT_EQ(allowed.status, 200);
  EXPECT_EQ(value(parse_exposition(allowed.body), "printer_up"), 0);
  const auto own = parse_exposition(exporter.get("/metrics").body);
  EXPECT_EQ(value(own, "printer_exporter_probes_refused_total", {{"reason", "bad_request"}}), 7);
  EXPECT_EQ(value(own, "printer_exporter_probes_refused_total", {{"reason", "forbidden"}}), 4);
}

TEST(ExporterHttp, ProbesBeyondTheLimitAreTurnedAwayAtOnce) {
  status_test::PrivateNetns netns;
  // Each probe of the silent address takes its 1.5 s time-out.
  Exporter exporter(netns.name(), {"--max-concurrent-probes", "2", "--timeout", "1500", "--retries", "0"});
  std::vector<std::future<HttpAnswer>> slow;
  for (int i = 0; i < 2; ++i)
    slow.push_back(std::async(std::launch::async, [&] { return exporter.get("/probe?target=127.0.0.9"); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  const auto start = std::chrono::steady_clock::now();
  const HttpAnswer busy = exporter.get("/probe?target=127.0.0.9");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_EQ(busy.status, 503) << busy.body;
  EXPECT_EQ(busy.headers.count("Retry-After"), 1u);
  // The other pages still answer meanwhile.
  EXPECT_EQ(exporter.get("/metrics").status, 200);
  for (auto& f : slow) EXPECT_EQ(f.get().status, 200);
  // Room again once they are done.
  EXPECT_EQ(exporter.get("/probe?target=127.0.0.9").status, 200);
  EXPECT_EQ(value(parse_exposition(exporter.get("/metrics").body), "printer_exporter_probes_refused_total",
                  {{"reason", "busy"}}),
            1);
}

TEST(ExporterHttp, MalformedHugeAndStalledRequestsNeverStopTheServer) {
  status_test::SimulatedPrinter printer(status_test::office_printer_profile());
  Exporter exporter(printer.netns().name(), {"--timeout", "1000", "--retries", "0"});
  const std::string& ns = printer.netns().name();
  // Not HTTP at all; a request line without a version; a cut-off request.
  EXPECT_NE(raw_exchange(ns, "\x16\x03\x01 not http\r\n\r\n", true).find(" 400 "), std::string::npos);
  raw_exchange(ns, "GET /probe?target=127.0.0.1\r\n\r\n", true);
  raw_exchange(ns, "GET /probe?tar", false);
  // A query string far beyond any address: refused, not read into memory.
  const std::string huge = "GET /probe?target=" + std::string(100000, '1') + " HTTP/1.1\r\nHost: x\r\n\r\n";
  const std::string answer = raw_exchange(ns, huge, true);
  EXPECT_TRUE(answer.empty() || answer.find(" 414 ") != std::string::npos || answer.find(" 400 ") != std::string::npos)
      << answer.substr(0, 200);
  // Clients that connect and stall: the server answers others meanwhile.
  std::vector<std::future<std::string>> stalled;
  for (int i = 0; i < 4; ++i)
    stalled.push_back(std::async(std::launch::async, [&] { return raw_exchange(ns, "GET /metr", true); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const HttpAnswer probe = exporter.get("/probe?target=127.0.0.1");
  EXPECT_EQ(probe.status, 200);
  EXPECT_EQ(value(parse_exposition(probe.body), "printer_up"), 1) << probe.body << exporter.get("/metrics").body;
  for (auto& s : stalled) s.get();  // closed by the read time-out
  EXPECT_TRUE(exporter.process().running()) << exporter.log();
}

TEST(ExporterHttp, AThousandRequestsInARowLeaveMemoryFlat) {
  status_test::SimulatedPrinter printer(status_test::office_printer_profile());
  Exporter exporter(printer.netns().name(), {"--timeout", "1000", "--retries", "0"});
  long after_warm_up = 0;
  int probed = 0;
  psw_test::run_in_netns(printer.netns().name(), [&] {
    // A connection per request, so that every thread of the server's pool
    // has served some before the first measurement.
    httplib::Client client("127.0.0.1", exporter_test::kPort);
    const char* const paths[] = {"/probe?target=127.0.0.1", "/probe?target=bad", "/metrics", "/targets", "/",
                                 "/probe?target=::1"};
    for (int i = 0; i < 1000; ++i) {
      const std::string path = paths[i % 6];
      auto r = client.Get(path.c_str());
      ASSERT_TRUE(r) << i << " " << path;
      if (r->status == 200 && r->body.find("\nprinter_up 1\n") != std::string::npos) ++probed;
      if (i == 199) after_warm_up = exporter.resident_kb();
    }
  });
  const long at_end = exporter.resident_kb();
  EXPECT_EQ(probed, 333);
  std::printf("exporter VmRSS: %ld kB after 200 requests, %ld kB after 1000\n", after_warm_up, at_end);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // A sanitizer holds freed memory back (ASan's quarantine alone is 256 MB):
  // resident memory says nothing there, and LeakSanitizer checks for leaks.
  GTEST_SKIP() << "resident memory is not measured in a sanitizer build";
#endif
  EXPECT_LT(at_end - after_warm_up, 2048) << after_warm_up << " kB -> " << at_end << " kB";
}

TEST(ExporterHttp, ThePageAndTheTargetsCarryDeviceTextsSafely) {
  // A printer of another maker whose model text (its sysDescr) is markup.
  const std::string model = "<script>alert(\"x\")</script> & 'co'";
  std::vector<psw_test::SnmpdOptions> agents(1);
  agents[0].profile = psw_test::SnmprecProfile::load(psw_test::profile_path("inkjet.snmprec"));
  agents[0].profile.set("1.3.6.1.2.1.1.1.0", psw_test::ber::Value::OctetString(model));
  psw_test::NetnsNetworkOptions options;
  options.subnet = "10.231.78";
  options.subnet6 = "fd31:231:78::";
  psw_test::NetnsNetwork net(agents, options);
  Exporter exporter(net.client_netns(), {"--any-model", "--discover", "255.255.255.255", "--discover-interval", "1",
                                         "--timeout", "500", "--retries", "0"});
  nlohmann::json groups;
  for (int i = 0; i < 100 && groups.empty(); ++i) {
    groups = nlohmann::json::parse(exporter.get("/targets").body, nullptr, false);
    if (groups.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_EQ(groups.size(), 1u) << groups.dump();
  EXPECT_EQ(groups[0]["labels"]["__meta_printer_model"], model);  // JSON keeps the text
  const std::string page = exporter.get("/").body;
  EXPECT_EQ(page.find("<script>"), std::string::npos) << page;
  EXPECT_NE(page.find("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &#39;co&#39;"), std::string::npos)
      << page;
  const auto own = parse_exposition(exporter.get("/metrics").body);
  EXPECT_GE(value(own, "printer_exporter_searches_total").value_or(0), 1);
  EXPECT_EQ(value(own, "printer_exporter_devices_found"), 1);
}

// A SIGTERM sent the moment the exporter says it listens (its server may
// not run yet) still stops it, every time.
TEST(ExporterCli, SigtermDuringStartStopsIt) {
  status_test::PrivateNetns netns;
  for (int round = 0; round < 10; ++round) {
    psw_test::TempDir dir("exporter-start");
    psw_test::SpawnOptions spawn;
    spawn.argv = {PSWCTL_PATH, "exporter", "--listen", "127.0.0.1:" + std::to_string(exporter_test::kPort)};
    spawn.netns = netns.name();
    spawn.output_path = dir.file("log");
    psw_test::ChildProcess process(spawn);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (exporter_test::read_file(dir.file("log")).find("listening") == std::string::npos && process.running() &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ASSERT_TRUE(process.running()) << exporter_test::read_file(dir.file("log"));
    ::kill(process.pid(), SIGTERM);
    const auto stop_deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (process.running() && std::chrono::steady_clock::now() < stop_deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(process.running()) << "round " << round << ": SIGTERM was lost\n" << exporter_test::read_file(dir.file("log"));
    const int status = process.wait_status();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << exporter_test::read_file(dir.file("log"));
  }
}

TEST(ExporterCli, StopsCleanlyOnSigtermAndRefusesWrongSettings) {
  status_test::PrivateNetns netns;
  {
    Exporter exporter(netns.name(), {});
    // The port is taken: a second exporter gives up rather than share it.
    const pswctl_test::ToolRun second =
        pswctl_test::pswctl(netns.name(), {"exporter"}, std::chrono::milliseconds(10000));
    EXPECT_EQ(second.exit_code, 6) << second.err;
    EXPECT_NE(second.err.find("cannot listen on 127.0.0.1:9917"), std::string::npos) << second.err;
    exporter.process().stop(std::chrono::milliseconds(5000));
    const int status = exporter.process().wait_status();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << exporter.log();
    EXPECT_NE(exporter.log().find("pswctl: exporter stopped"), std::string::npos) << exporter.log();
  }
  const std::pair<std::vector<std::string>, int> cases[] = {
      {{"exporter", "--listen", "nonsense"}, 2},
      {{"exporter", "--listen", "127.0.0.1:70000"}, 2},
      {{"exporter", "--allow-targets", "10.0.0.0/33"}, 2},
      {{"exporter", "--allow-targets", "printers"}, 2},
      {{"exporter", "--max-concurrent-probes", "0"}, 2},
      {{"exporter", "--discover-interval", "0"}, 2},
      {{"exporter", "--listen", "192.0.2.1:9917"}, 6},  // not an address of this host
  };
  for (const auto& [args, status] : cases) {
    const pswctl_test::ToolRun r = pswctl_test::pswctl(netns.name(), args);
    EXPECT_EQ(r.exit_code, status) << args.back() << ": " << r.err;
    EXPECT_FALSE(r.err.empty());
  }
}

}  // namespace

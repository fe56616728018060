// Times a whole status read of the simulated office printer through the C
// interface: open the device, count and copy every table, read the printer
// status and both character sets, count and copy all jobs, refresh the
// options. Prints the requests each step sends (counted by the agent's own
// snmpInPkts) and the time of the whole sequence over several runs.
//
//   scripts/netns-run build/<dir>/bench/bench_device [--runs N]
//
// The printer is Net-SNMP's snmpd serving the test profiles
// office_mfp_status.snmprec and office_mfp_options.snmprec on port 161 of a
// network namespace of its own; like every program that sends packets, the
// benchmark runs only inside a private network namespace.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "agent/snmp_tools.h"
#include "agent/snmpd_agent.h"
#include "device/status_netns.h"
#include "bench_support.h"
#include "psw/psw.h"

namespace {

using Clock = std::chrono::steady_clock;

// One step of the sequence; returns 0 or the failing call's code.
struct Step {
  const char* name;
  std::function<int32_t(PSWHANDLE)> run;
};

// Counts one table and copies every record of it.
template <class Record>
int32_t read_table(PSWHANDLE h, int32_t (*count_fn)(PSWHANDLE, int32_t*),
                   int32_t (*copy_fn)(PSWHANDLE, int32_t, Record*)) {
  int32_t count = 0;
  int32_t rc = count_fn(h, &count);
  Record record;
  for (int32_t i = 0; rc == PSW_OK && i < count; ++i) rc = copy_fn(h, i, &record);
  return rc;
}

int32_t read_jobs(PSWHANDLE h) {
  int32_t count = 0;
  int32_t rc = PSWGetNumberOfJobInfo(h, PSW_JOBS_ALL, &count);
  PSWJobInfo job;
  for (int32_t i = 0; rc == PSW_OK && i < count; ++i) rc = PSWGetJobInfo(h, i, &job);
  return rc;
}

std::vector<Step> steps() {
  return {
      {"open device", [](PSWHANDLE h) { return PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1); }},
      {"storage", [](PSWHANDLE h) { return read_table(h, PSWGetNumberOfStorageInfo, PSWGetStorageInfo); }},
      {"devices", [](PSWHANDLE h) { return read_table(h, PSWGetNumberOfDeviceInfo, PSWGetDeviceInfo); }},
      {"printer status",
       [](PSWHANDLE h) {
         PSWPrinterInfo info;
         return PSWGetPrinterInfo(h, &info);
       }},
      {"input trays", [](PSWHANDLE h) { return read_table(h, PSWGetNumberOfInputTrayInfo, PSWGetInputTrayInfo); }},
      {"output trays", [](PSWHANDLE h) { return read_table(h, PSWGetNumberOfOutputTrayInfo, PSWGetOutputTrayInfo); }},
      {"toners", [](PSWHANDLE h) { return read_table(h, PSWGetNumberOfTonerInfo, PSWGetTonerInfo); }},
      {"alerts", [](PSWHANDLE h) { return read_table(h, PSWGetNumberOfAlertInfo, PSWGetAlertInfo); }},
      {"printer character set",
       [](PSWHANDLE h) {
         int32_t cs = 0;
         return PSWGetCharSet(h, PSW_CHARSET_PRINTER, &cs);
       }},
      {"maker character set",
       [](PSWHANDLE h) {
         int32_t cs = 0;
         return PSWGetCharSet(h, PSW_CHARSET_VENDOR, &cs);
       }},
      {"all jobs", read_jobs},
      {"refresh options", [](PSWHANDLE h) { return PSWRefreshOptions(h); }},
  };
}

// The agent's count of received SNMP messages; each reading adds one.
class PacketCounter {
 public:
  explicit PacketCounter(const std::string& netns) : netns_(netns) {}
  long read() {
    psw_test::CommandResult r =
        tools_.run("snmpget", {"-v1", "-c", "public", "-Oqv", "udp:127.0.0.1:161", "1.3.6.1.2.1.11.1.0"}, netns_);
    std::string out = r.output;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    size_t line = out.rfind('\n');
    return std::atol(line == std::string::npos ? out.c_str() : out.c_str() + line + 1);
  }
  // Messages received between two readings, without the second reading.
  static long between(long before, long after) { return after - before - 1; }

 private:
  std::string netns_;
  psw_test::SnmpTools tools_;
};

bool run_steps(PSWHANDLE h, const std::vector<Step>& list, const std::function<void(const Step&)>& after) {
  for (const Step& s : list) {
    int32_t rc = s.run(h);
    if (rc != PSW_OK) {
      std::fprintf(stderr, "%s failed: %d\n", s.name, static_cast<int>(rc));
      return false;
    }
    if (after) after(s);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!bench::in_private_netns()) return 2;
  const int runs = bench::runs_option(argc, argv, 20);

  try {
    status_test::PrivateNetns netns;
    psw_test::SnmpdOptions options;
    options.profile = status_test::office_printer_profile();
    options.netns = netns.name();
    options.listen = {"127.0.0.1"};
    options.port = 161;
    options.write_community = "private";
    psw_test::SnmpdAgent agent(options);
    PacketCounter counter(netns.name());
    std::vector<Step> list = steps();
    bool ok = true;

    // One counted run: the requests of each step.
    std::printf("requests per step (counted by the agent):\n");
    long total = 0;
    netns.run([&] {
      PSWHANDLE h = nullptr;
      PSWInit(&h);
      long before = counter.read();
      ok = run_steps(h, list, [&](const Step& s) {
        long now = counter.read();
        long sent = PacketCounter::between(before, now);
        total += sent;
        std::printf("  %-22s %5ld\n", s.name, sent);
        before = counter.read();
      });
      PSWUnInit(h);
    });
    if (!ok) return 1;
    std::printf("  %-22s %5ld\n", "total", total);

    // Timed runs of the whole sequence, handle creation included.
    std::vector<double> ms;
    long before = counter.read();
    netns.run([&] {
      for (int r = 0; r < runs && ok; ++r) {
        Clock::time_point start = Clock::now();
        PSWHANDLE h = nullptr;
        PSWInit(&h);
        ok = run_steps(h, list, {});
        PSWUnInit(h);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      }
    });
    if (!ok) return 1;
    long sent = PacketCounter::between(before, counter.read());
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    double per_run = static_cast<double>(sent) / runs;
    std::printf("\nwhole sequence, %d runs: %.1f requests per run\n", runs, per_run);
    std::printf("  time per run: min %.2f ms, median %.2f ms, mean %.2f ms, max %.2f ms\n", ms.front(),
                ms[ms.size() / 2], sum / runs, ms.back());
    std::printf("  time per request (mean): %.3f ms\n", sum / runs / per_run);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_device: %s\n", e.what());
    return 1;
  }
  return 0;
}

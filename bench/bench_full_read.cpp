// The requests and the wall time of a full read of the simulated office
// printer through the C interface, per request plan: open, identity,
// character sets, every status table, the options. Each plan runs at 0 and
// at 20 ms per answer (the agent delays every reply), over SNMPv1, SNMPv2c
// and SNMPv3; "table by table" is the read as the count functions make it,
// "together" reads the tables with PSWReadStatusTables. The requests are
// the library's own count (PSWGetThreadRequestCount).
//
//   scripts/netns-run build/<dir>/bench/bench_full_read [--runs N]
//
// Net-SNMP's snmpd serves office_mfp_status and office_mfp_options on port
// 161 of a network namespace of its own; the benchmark runs only inside a
// private network namespace.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "agent/snmpd_agent.h"
#include "device/status_netns.h"
#include "api/usm_block.h"
#include "bench_support.h"
#include "psw/psw.h"

namespace {

using Clock = std::chrono::steady_clock;

const psw_test::UsmUser kReader{"reader", "SHA", "reader-auth-phrase", "AES", "reader-priv-phrase", false};

struct Plan {
  const char* name;
  int version;          // 1, 2 (SNMPv2c) or 3
  intptr_t repetitions;  // GetBulk max-repetitions, 0: GetNext
  bool together;
};

const Plan kPlans[] = {
    {"SNMPv1, table by table", 1, 0, false},          {"SNMPv1, together", 1, 0, true},
    {"SNMPv2c GetNext, table by table", 2, 0, false}, {"SNMPv2c GetBulk, together", 2, 25, true},
    {"SNMPv3 GetNext, table by table", 3, 0, false},  {"SNMPv3 GetBulk, together", 3, 25, true},
};

template <class Record>
int32_t copy_all(PSWHANDLE h, int32_t count, int32_t (*copy)(PSWHANDLE, int32_t, Record*)) {
  Record record;
  int32_t rc = PSW_OK;
  for (int32_t i = 0; rc == PSW_OK && i < count; ++i) rc = copy(h, i, &record);
  return rc;
}

template <class Record>
int32_t table(PSWHANDLE h, bool together, uint32_t bit, int32_t (*count_fn)(PSWHANDLE, int32_t*),
              int32_t (*copy)(PSWHANDLE, int32_t, Record*)) {
  int32_t count = 0;
  int32_t rc = together ? PSWGetTableCount(h, bit, &count) : count_fn(h, &count);
  return rc == PSW_OK ? copy_all(h, count, copy) : rc;
}

// One full read; 0 or the first failing code.
int32_t full_read(const Plan& plan) {
  PSWHANDLE h = nullptr;
  if (PSWInit(&h) != PSW_OK) return -1;
  if (plan.version == 2) PSWCommandInteger(h, "CmdSetCommunityVersion", 2);
  PSWCommandInteger(h, "CmdSetMaxRepetitions", plan.repetitions);
  int32_t rc = PSW_OK;
  if (plan.version == 3) {
    PSWUSMSettings block = api_test::sha_aes_block(kReader);
    rc = PSWInitDeviceEx(h, "127.0.0.1", PSW_TRANSPORT_UDP, PSW_SNMP_MODE_V3, &block, 2000, 1);
  } else {
    rc = PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1);
  }
  PSWIdentityInfo identity;
  int32_t charset = 0;
  PSWPrinterInfo printer;
  if (rc == PSW_OK) rc = PSWGetIdentityInfo(h, &identity);
  if (rc == PSW_OK) rc = PSWGetCharSet(h, PSW_CHARSET_PRINTER, &charset);
  if (rc == PSW_OK && plan.together) rc = PSWReadStatusTables(h, PSW_TABLE_ALL_STATUS);
  const bool t = plan.together;
  if (rc == PSW_OK) rc = table(h, t, PSW_TABLE_STORAGE, PSWGetNumberOfStorageInfo, PSWGetStorageInfo);
  if (rc == PSW_OK) rc = table(h, t, PSW_TABLE_DEVICE, PSWGetNumberOfDeviceInfo, PSWGetDeviceInfo);
  if (rc == PSW_OK) rc = t ? PSWGetLastPrinterInfo(h, &printer) : PSWGetPrinterInfo(h, &printer);
  if (rc == PSW_OK) rc = table(h, t, PSW_TABLE_INPUT_TRAY, PSWGetNumberOfInputTrayInfo, PSWGetInputTrayInfo);
  if (rc == PSW_OK) rc = table(h, t, PSW_TABLE_OUTPUT_TRAY, PSWGetNumberOfOutputTrayInfo, PSWGetOutputTrayInfo);
  if (rc == PSW_OK) rc = table(h, t, PSW_TABLE_TONER, PSWGetNumberOfTonerInfo, PSWGetTonerInfo);
  if (rc == PSW_OK) rc = table(h, t, PSW_TABLE_SUPPLY, PSWGetNumberOfSupplyInfo, PSWGetSupplyInfo);
  if (rc == PSW_OK) rc = table(h, t, PSW_TABLE_ALERT, PSWGetNumberOfAlertInfo, PSWGetAlertInfo);
  if (rc == PSW_OK) rc = table(h, t, PSW_TABLE_MARKER, PSWGetNumberOfMarkerInfo, PSWGetMarkerInfo);
  if (rc == PSW_OK) rc = table(h, t, PSW_TABLE_COVER, PSWGetNumberOfCoverInfo, PSWGetCoverInfo);
  if (rc == PSW_OK)
    rc = table(h, t, PSW_TABLE_CONSOLE_LINE, PSWGetNumberOfConsoleLineInfo, PSWGetConsoleLineInfo);
  if (rc == PSW_OK)
    rc = table(h, t, PSW_TABLE_CONSOLE_LIGHT, PSWGetNumberOfConsoleLightInfo, PSWGetConsoleLightInfo);
  if (rc == PSW_OK) rc = PSWRefreshOptions(h);
  PSWUnInit(h);
  return rc;
}

struct Figures {
  uint32_t requests = 0;
  double median_ms = 0;
};

Figures measure(const Plan& plan, int runs) {
  Figures f;
  std::vector<double> ms;
  for (int r = 0; r < runs; ++r) {
    const uint32_t before = PSWGetThreadRequestCount();
    const Clock::time_point start = Clock::now();
    int32_t rc = full_read(plan);
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    f.requests = PSWGetThreadRequestCount() - before;
    if (rc != PSW_OK) {
      std::fprintf(stderr, "%s: read failed with %d\n", plan.name, static_cast<int>(rc));
      std::exit(1);
    }
  }
  std::sort(ms.begin(), ms.end());
  f.median_ms = ms[ms.size() / 2];
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  if (!bench::in_private_netns()) return 2;
  const int runs = bench::runs_option(argc, argv, 5);
  try {
    std::printf("full read of the office printer (open, identity, character set, every status table, options)\n");
    std::printf("%-34s %9s %12s %12s\n", "plan", "requests", "0 ms wall", "20 ms wall");
    std::vector<Figures> fast;
    std::vector<Figures> slow;
    for (int delay : {0, 20}) {
      status_test::PrivateNetns netns;
      psw_test::SnmpdOptions options;
      options.profile = status_test::office_printer_profile();
      options.netns = netns.name();
      options.listen = {"127.0.0.1"};
      options.port = 161;
      options.users = {kReader};
      options.reply_delay_ms = delay;
      psw_test::SnmpdAgent agent(options);
      netns.run([&] {
        for (const Plan& plan : kPlans) (delay == 0 ? fast : slow).push_back(measure(plan, delay == 0 ? runs : 1));
      });
    }
    for (size_t i = 0; i < fast.size(); ++i) {
      std::printf("%-34s %9u %9.1f ms %9.1f ms\n", kPlans[i].name, fast[i].requests, fast[i].median_ms,
                  slow[i].median_ms);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_full_read: %s\n", e.what());
    return 1;
  }
  return 0;
}

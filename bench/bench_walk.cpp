// Times a whole table walk: the request object walking a table of 1000 rows
// and 15 columns from a real agent (Net-SNMP's snmpd) with SNMPv1
// GetNextRequests, against Net-SNMP's `snmptable -v1 -Cb` on the same table
// of the same agent; then the same with SNMPv2c GetBulk (25 repetitions)
// against `snmptable -v2c -Cr 25`, and SNMPv3 GetBulk (authPriv, SHA and
// AES) against `snmptable -v3 -Cr 25`. Prints the times, their ratio, the
// requests, and the CPU time of each side per walk, per request and per cell.
//
//   scripts/netns-run build/<dir>/bench/bench_walk [--rows N] [--columns N]
//                                                  [--runs N] [--serve override|pass]
//
// The agent serves the table with one "override" line per cell (the
// default; on these machines the faster of the two) or through a
// pass_persist helper, which answers every binding over a pipe. Both tools
// talk to the same agent, so the comparison is fair either way. Like every program that sends packets, it runs only in
// a private network namespace.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "agent/child_process.h"
#include "agent/snmpd_agent.h"
#include "agent/temp_dir.h"
#include "request/pmc_get_data.h"
#include "request/pmc_snmp_request.h"
#include "snmp/pms_request_count.h"
#include "support/isolation.h"

namespace {

namespace ber = psw_test::ber;

// The table's entry; columns are kEntry.C, cells kEntry.C.R.
const std::string kEntry = "1.3.6.1.4.1.32473.50.1.1";
// A Counter64 object whose parent covers the table: the agent can serve it
// only through the pass_persist helper, which then serves the whole table.
const std::string kPassAnchor = "1.3.6.1.4.1.32473.50.9";

// The SNMPv3 user both sides walk with (authPriv: HMAC-SHA and AES-128).
const psw_test::UsmUser kUser{"bench", "SHA", "bench-auth-phrase", "AES", "bench-priv-phrase", false};

struct Options {
  int rows = 1000;
  int columns = 15;
  int runs = 5;
  bool pass = false;
};

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string name = argv[i];
    std::string value = argv[i + 1];
    if (name == "--rows") o.rows = std::max(1, std::atoi(value.c_str()));
    if (name == "--columns") o.columns = std::max(1, std::atoi(value.c_str()));
    if (name == "--runs") o.runs = std::max(1, std::atoi(value.c_str()));
    if (name == "--serve") o.pass = value == "pass";
  }
  return o;
}

// Integers in odd columns, short texts in even ones.
psw_test::SnmprecProfile table_profile(const Options& o) {
  psw_test::SnmprecProfile profile;
  for (int c = 1; c <= o.columns; ++c) {
    for (int r = 1; r <= o.rows; ++r) {
      std::string oid = kEntry + "." + std::to_string(c) + "." + std::to_string(r);
      if (c % 2 == 1) {
        profile.set(oid, ber::Value::Integer(c * 100000 + r));
      } else {
        profile.set(oid, ber::Value::OctetString("c" + std::to_string(c) + "r" + std::to_string(r)));
      }
    }
  }
  if (o.pass) profile.set(kPassAnchor, ber::Value::Counter64(1));
  return profile;
}

// A MIB module that describes the table, so that snmptable knows its
// columns; it needs nothing from other modules.
std::string table_mib(const Options& o) {
  std::string mib =
      "PSW-BENCH-MIB DEFINITIONS ::= BEGIN\n"
      "org OBJECT IDENTIFIER ::= { iso 3 }\n"
      "dod OBJECT IDENTIFIER ::= { org 6 }\n"
      "internet OBJECT IDENTIFIER ::= { dod 1 }\n"
      "private OBJECT IDENTIFIER ::= { internet 4 }\n"
      "enterprises OBJECT IDENTIFIER ::= { private 1 }\n"
      "pswTest OBJECT IDENTIFIER ::= { enterprises 32473 }\n"
      "pswBench OBJECT IDENTIFIER ::= { pswTest 50 }\n"
      "pswBenchTable OBJECT-TYPE SYNTAX SEQUENCE OF PswBenchEntry ACCESS not-accessible\n"
      "    STATUS mandatory ::= { pswBench 1 }\n"
      "pswBenchEntry OBJECT-TYPE SYNTAX PswBenchEntry ACCESS not-accessible\n"
      "    STATUS mandatory INDEX { c1 } ::= { pswBenchTable 1 }\n"
      "PswBenchEntry ::= SEQUENCE {";
  for (int c = 1; c <= o.columns; ++c) {
    mib += std::string(c == 1 ? " " : ", ") + "c" + std::to_string(c) + (c % 2 == 1 ? " INTEGER" : " OCTET STRING");
  }
  mib += " }\n";
  for (int c = 1; c <= o.columns; ++c) {
    mib += "c" + std::to_string(c) + " OBJECT-TYPE SYNTAX " + (c % 2 == 1 ? "INTEGER" : "OCTET STRING") +
           " ACCESS read-only STATUS mandatory ::= { pswBenchEntry " + std::to_string(c) + " }\n";
  }
  return mib + "END\n";
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// CPU time of the children that have ended and been waited for: each
// snmptable run, not the agent (which runs until the end).
double children_cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  auto seconds = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double thread_cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct WalkResult {
  double wall = 0;
  double cpu = 0;
  size_t rows = 0;
  int rc = 0;
  uint32_t requests = 0;
};

// The walk's protocol: SNMPv1 GetNext, or GetBulk of 25 over SNMPv2c or
// SNMPv3.
enum class Plan { kV1GetNext, kV2cBulk, kV3Bulk };

const char* plan_name(Plan plan) {
  switch (plan) {
    case Plan::kV1GetNext: return "SNMPv1 GetNext";
    case Plan::kV2cBulk: return "SNMPv2c GetBulk 25";
    case Plan::kV3Bulk: return "SNMPv3 GetBulk 25";
  }
  return "";
}

PmcUsmSettings usm_settings() {
  PmcUsmSettings usm;
  usm.nSnmpMode = PMC_REQUEST_VERSION_V3;
  std::snprintf(usm.szUserName, sizeof usm.szUserName, "%s", kUser.name.c_str());
  usm.nSecurityLevel = 2;  // authPriv
  usm.nAuthProtocol = 2;   // SHA
  usm.nPrivProtocol = 2;   // AES
  std::snprintf(usm.szAuthPassPhrase, sizeof usm.szAuthPassPhrase, "%s", kUser.auth_passphrase.c_str());
  std::snprintf(usm.szPrivPassPhrase, sizeof usm.szPrivPassPhrase, "%s", kUser.priv_passphrase.c_str());
  return usm;
}

// One walk of every column with the request object.
WalkResult walk_with_library(const psw_test::SnmpdAgent& agent, const Options& o, Plan plan) {
  static const PmcUsmSettings no_usm{};
  static const PmcUsmSettings v3_usm = usm_settings();
  WalkResult result;
  const uint32_t requests = pms_thread_request_count();
  double cpu = thread_cpu_seconds();
  auto start = std::chrono::steady_clock::now();
  int err = 0;
  PmcPtr<IPmcGetData> request(pmc_create_get_data(&err));
  PmcPtr<IPmsPduList> rows(pmc_create_pdu_list(&err));
  if (!request || !rows) {
    result.rc = err;
    return result;
  }
  if (plan == Plan::kV2cBulk) request->set_community_version(PMS_VERSION_V2C);
  request->set_bulk_repetitions(plan == Plan::kV1GetNext ? 0 : 25);
  const bool v3 = plan == Plan::kV3Bulk;
  result.rc = request->init(agent.address().c_str(), IPmcNetworkAddress::PROTOCOL_IPV4, agent.port(),
                            v3 ? PMC_REQUEST_VERSION_V3 : 0, v3 ? &v3_usm : &no_usm, 5000, 1, 0);
  for (int c = 1; c <= o.columns && result.rc == PMC_OK; ++c) {
    result.rc = request->add_oid_string((kEntry + "." + std::to_string(c)).c_str(), false);
  }
  if (result.rc == PMC_OK) result.rc = request->get_data(rows.get(), (kEntry + ".1").c_str());
  result.rows = rows->size();
  rows.reset();
  request.reset();
  result.wall = seconds_since(start);
  result.cpu = thread_cpu_seconds() - cpu;
  result.requests = pms_thread_request_count() - requests;
  return result;
}

// One run of snmptable on the same table.
// (Numeric output, -On, would keep snmptable from finding the columns.)
WalkResult walk_with_snmptable(const psw_test::SnmpdAgent& agent, const psw_test::TempDir& dir, Plan plan) {
  WalkResult result;
  const double cpu = children_cpu_seconds();
  auto start = std::chrono::steady_clock::now();
  std::vector<std::string> args = {"/usr/bin/snmptable", "-M", dir.path(), "-m", "PSW-BENCH-MIB"};
  if (plan == Plan::kV1GetNext) args.insert(args.end(), {"-v1", "-c", "public", "-Cb"});
  if (plan == Plan::kV2cBulk) args.insert(args.end(), {"-v2c", "-c", "public", "-Cr", "25"});
  if (plan == Plan::kV3Bulk) {
    args.insert(args.end(), {"-v3", "-l", "authPriv", "-u", kUser.name, "-a", "SHA", "-A", kUser.auth_passphrase,
                             "-x", "AES", "-X", kUser.priv_passphrase, "-Cr", "25"});
  }
  args.insert(args.end(), {"-Cf", ",", "-t", "5", "-r", "1", agent.endpoint(), "PSW-BENCH-MIB::pswBenchTable"});
  psw_test::CommandResult out = psw_test::run_command(
      args,
      std::chrono::milliseconds(120000), "",
      {"MIBS=", "SNMP_PERSISTENT_DIR=" + dir.path(), "SNMPCONFPATH=" + dir.path(), "HOME=" + dir.path()});
  result.wall = seconds_since(start);
  result.cpu = children_cpu_seconds() - cpu;
  result.rc = out.exit_code;
  // Rows and the header line hold the field separator; other lines do not.
  size_t lines = 0;
  for (size_t pos = 0; pos < out.output.size();) {
    size_t end = out.output.find('\n', pos);
    if (end == std::string::npos) end = out.output.size();
    if (out.output.find(',', pos) < end) ++lines;
    pos = end + 1;
  }
  result.rows = lines > 0 ? lines - 1 : 0;
  if (out.exit_code != 0) std::fprintf(stderr, "snmptable failed:\n%s\n", out.output.c_str());
  return result;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  std::string why;
  if (!psw_test::only_loopback_visible(&why)) {
    std::fprintf(stderr, "bench_walk sends packets: run it through scripts/netns-run (%s is visible).\n", why.c_str());
    return 2;
  }
  Options o = parse(argc, argv);
  try {
    psw_test::SnmpdOptions agent_options;
    agent_options.profile = table_profile(o);
    agent_options.start_timeout = std::chrono::milliseconds(60000);
    agent_options.users = {kUser};
    auto start = std::chrono::steady_clock::now();
    psw_test::SnmpdAgent agent(agent_options);
    std::printf("agent: %d rows x %d columns served by %s, ready after %.2f s\n", o.rows, o.columns,
                o.pass ? "pass_persist" : "override lines", seconds_since(start));
    psw_test::TempDir tool_dir("psw-bench-snmptable");
    tool_dir.write("PSW-BENCH-MIB.txt", table_mib(o));
    // The library's SNMPv3 side keeps its configuration and engine records
    // out of the host's files, as snmptable does.
    psw_test::TempDir library_dir("psw-bench-library");
    ::setenv("SNMPCONFPATH", library_dir.path().c_str(), 1);
    ::setenv("SNMP_PERSISTENT_DIR", library_dir.path().c_str(), 1);

    for (Plan plan : {Plan::kV1GetNext, Plan::kV2cBulk, Plan::kV3Bulk}) {
      const char* name = plan_name(plan);
      // One warm-up walk each, then alternate so that both meet the same agent state.
      WalkResult ours = walk_with_library(agent, o, plan);
      WalkResult theirs = walk_with_snmptable(agent, tool_dir, plan);
      std::printf("%s warm-up: library %zu rows (result %d), snmptable %zu rows (exit %d)\n", name, ours.rows,
                  ours.rc, theirs.rows, theirs.rc);
      if (ours.rc != 0 || ours.rows != static_cast<size_t>(o.rows)) {
        std::fprintf(stderr, "the library's walk did not return the whole table\n");
        return 1;
      }
      std::vector<double> ours_wall, ours_cpu, theirs_wall, theirs_cpu;
      for (int run = 0; run < o.runs; ++run) {
        ours = walk_with_library(agent, o, plan);
        theirs = walk_with_snmptable(agent, tool_dir, plan);
        ours_wall.push_back(ours.wall);
        ours_cpu.push_back(ours.cpu);
        theirs_wall.push_back(theirs.wall);
        theirs_cpu.push_back(theirs.cpu);
      }
      const double requests = ours.requests;
      const double cells = static_cast<double>(o.rows) * o.columns;
      double ours_median = median(ours_wall);
      double theirs_median = median(theirs_wall);
      std::printf("\n%s, median of %d runs, %d rows x %d columns, %.0f requests per walk:\n", name, o.runs, o.rows,
                  o.columns, requests);
      std::printf("  library walk     %.3f s\n", ours_median);
      std::printf("  snmptable        %.3f s\n", theirs_median);
      std::printf("  ratio            %.2f (library / snmptable)\n", ours_median / theirs_median);
      std::printf("  library CPU      %.1f us per request, %.2f us per cell\n", median(ours_cpu) / requests * 1e6,
                  median(ours_cpu) / cells * 1e6);
      // snmptable's CPU includes its process start and MIB load; its request
      // count is not known here, so cells are the common measure.
      std::printf("  snmptable CPU    %.1f ms per walk, %.2f us per cell\n", median(theirs_cpu) * 1e3,
                  median(theirs_cpu) / cells * 1e6);
      std::printf("  library CPU      %.1f ms per walk (%.2f of snmptable's)\n\n", median(ours_cpu) * 1e3,
                  median(ours_cpu) / median(theirs_cpu));
    }
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_walk: %s\n", e.what());
    return 1;
  }
}

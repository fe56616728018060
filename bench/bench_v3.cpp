// SNMPv3 figures, against real agents (Net-SNMP's snmpd, and pysnmp for the
// datagram counts):
//
// 1. One SNMPv3 Get (authPriv, HMAC-SHA and AES-128) with keys kept from an
//    earlier one, beside Net-SNMP's own cost in the same run and against the
//    same agent: a new library session per request, and one session kept
//    for every request. Our Get is shown as one operation per Get (a new
//    session object each, as the request objects do it), with and without
//    the record of the engine found before, and as one session object for
//    every Get; with the datagrams each sends (counted by a relay).
// 2. A fleet: N threads, each with a handle of its own, reading simulated
//    printers (the office printer, whose every answer is delayed) over and
//    over through the C interface, SNMPv1 and SNMPv3; reads per second for
//    each thread count. A read is the whole status of one printer: open it,
//    every table, printer status, both character sets, all jobs, options.
// 3. Datagrams of one such read, SNMPv1 and SNMPv3, against both agents.
//
//   scripts/netns-run build/<dir>/bench/bench_v3 [--gets N] [--seconds S]
//       [--threads 1,2,4,8] [--printers 32] [--delay-ms 5] [--no-fleet]
//
// Like every program that sends packets, it runs only in a private network
// namespace (the fleet listens on 127.0.0.1 to 127.0.0.N, port 161).
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "agent/pysnmp_agent.h"
#include "agent/snmpd_agent.h"
#include "agent/snmprec_profile.h"
#include "agent/temp_dir.h"
#include "agent/v3_relay.h"
#include "device/status_netns.h"
#include "net/pmc_network_address.h"
#include "protocol/pmc_oid.h"
#include "protocol/pmc_value.h"
#include "protocol/pms_pdu.h"
#include "protocol/pms_snmp_target.h"
#include "psw/psw.h"
#include "snmp/pms_v3_engine.h"
#include "snmp/pms_v3_key_cache.h"
#include "snmp/pms_v3_library.h"
#include "snmp/pms_v3_session.h"
#include "support/isolation.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const kUser = "bench";
const char* const kAuth = "bench-auth-phrase";
const char* const kPriv = "bench-priv-phrase";
const char* const kSysName = "1.3.6.1.2.1.1.5.0";

struct Options {
  int gets = 2000;
  double seconds = 4.0;
  std::vector<int> threads = {1, 2, 4, 8};
  int printers = 32;
  int delay_ms = 5;
  bool fleet = true;
};

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg == "--no-fleet") {
      o.fleet = false;
    } else if (value != nullptr && arg == "--gets") {
      o.gets = std::max(1, std::atoi(value));
      ++i;
    } else if (value != nullptr && arg == "--seconds") {
      o.seconds = std::max(0.5, std::atof(value));
      ++i;
    } else if (value != nullptr && arg == "--printers") {
      o.printers = std::min(250, std::max(1, std::atoi(value)));
      ++i;
    } else if (value != nullptr && arg == "--delay-ms") {
      o.delay_ms = std::max(0, std::atoi(value));
      ++i;
    } else if (value != nullptr && arg == "--threads") {
      o.threads.clear();
      for (const char* p = value; *p != '\0';) {
        int n = std::atoi(p);
        if (n > 0) o.threads.push_back(n);
        const char* comma = std::strchr(p, ',');
        p = comma != nullptr ? comma + 1 : p + std::strlen(p);
      }
      ++i;
    }
  }
  return o;
}

// Microseconds per call of `fn`, over `count` calls; false when a call failed.
bool time_per_call(int count, const std::function<bool()>& fn, double* us) {
  Clock::time_point start = Clock::now();
  for (int i = 0; i < count; ++i) {
    if (!fn()) return false;
  }
  *us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count;
  return true;
}

// ---------------------------------------------------------------------------
// 1. One Get
// ---------------------------------------------------------------------------

PmcPtr<IPmsSnmpTarget> bench_target(const std::string& address, uint16_t port) {
  PmcPtr<IPmsSnmpTarget> target(pms_create_usm_target(nullptr));
  PmcPtr<IPmcNetworkAddress> where(pmc_create_network_address(nullptr));
  where->set(address.c_str(), IPmcNetworkAddress::PROTOCOL_IPV4, port);
  target->set_address(where.get());
  target->set_version(PMS_VERSION_V3);
  target->set_timeout(2000);
  target->set_retries(1);
  IPmsUsmTarget* usm = pms_usm_of(target.get());
  usm->set_user_name(kUser);
  usm->set_security_level(2);
  usm->set_auth_protocol(2);
  usm->set_priv_protocol(2);
  usm->set_auth_pass_phrase(kAuth);
  usm->set_priv_pass_phrase(kPriv);
  return target;
}

// One Get through `session`, with a target of its own.
bool session_get(v3RequestSession& session, const std::string& address, uint16_t port) {
  PmcPtr<IPmsSnmpTarget> target = bench_target(address, port);
  PmcPtr<IPmsPdu> pdu(pms_create_pdu(nullptr));
  pdu->set_type(PMS_PDU_GET);
  pdu->add(pmc_create_oid_from_text(kSysName, nullptr), pmc_create_value(PMC_TAG_NULL, nullptr));
  return session.send_sync(pdu.get(), target.get()) == PMC_OK;
}

// One Get as one operation: a session object of its own.
bool operation_get(const std::string& address, uint16_t port) {
  PmcPtr<v3RequestSession> session(pms_create_v3_request_session(nullptr));
  return session && session_get(*session, address, port);
}

// Net-SNMP's session record for the benchmark user, keys derived.
bool fill_session(netsnmp_session* s, const std::string& peer) {
  snmp_sess_init(s);
  s->version = SNMP_VERSION_3;
  s->peername = const_cast<char*>(peer.c_str());
  s->retries = 1;
  s->timeout = 2000000;
  s->securityName = const_cast<char*>(kUser);
  s->securityNameLen = std::strlen(kUser);
  s->securityLevel = SNMP_SEC_LEVEL_AUTHPRIV;
  s->securityAuthProto = usmHMACSHA1AuthProtocol;
  s->securityAuthProtoLen = USM_AUTH_PROTO_SHA_LEN;
  s->securityAuthKeyLen = USM_AUTH_KU_LEN;
  s->securityPrivProto = usmAESPrivProtocol;
  s->securityPrivProtoLen = USM_PRIV_PROTO_AES_LEN;
  s->securityPrivKeyLen = USM_PRIV_KU_LEN;
  return generate_Ku(s->securityAuthProto, s->securityAuthProtoLen, reinterpret_cast<const u_char*>(kAuth),
                     std::strlen(kAuth), s->securityAuthKey, &s->securityAuthKeyLen) == SNMPERR_SUCCESS &&
         generate_Ku(s->securityAuthProto, s->securityAuthProtoLen, reinterpret_cast<const u_char*>(kPriv),
                     std::strlen(kPriv), s->securityPrivKey, &s->securityPrivKeyLen) == SNMPERR_SUCCESS;
}

// One Get on an open library session.
bool library_get(void* handle) {
  netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
  oid name[MAX_OID_LEN];
  size_t length = MAX_OID_LEN;
  snmp_parse_oid(kSysName, name, &length);
  snmp_add_null_var(pdu, name, length);
  netsnmp_pdu* response = nullptr;
  int status = snmp_sess_synch_response(handle, pdu, &response);
  bool ok = status == STAT_SUCCESS && response != nullptr && response->errstat == 0;
  if (response != nullptr) snmp_free_pdu(response);
  return ok;
}

// One Get the way a Net-SNMP program does it with a new session per
// request (the library initialised once).
bool library_new_session_get(const std::string& peer) {
  netsnmp_session record;
  if (!fill_session(&record, peer)) return false;
  void* handle = snmp_sess_open(&record);
  if (handle == nullptr) return false;
  bool ok = library_get(handle);
  snmp_sess_close(handle);
  return ok;
}

// Datagrams per call of `fn` through `relay`, over `count` calls.
double datagrams_per_call(psw_test::V3Relay& relay, int count, const std::function<bool()>& fn) {
  relay.take();
  for (int i = 0; i < count; ++i) {
    if (!fn()) return -1;
  }
  return static_cast<double>(relay.take().size()) / count;
}

void row(const char* what, double us, double reference, double datagrams) {
  std::printf("  %-58s %8.1f us  %5.2fx", what, us, us / reference);
  if (datagrams >= 0) std::printf("  %4.1f datagrams", datagrams);
  std::printf("\n");
}

int bench_get(const Options& o) {
  psw_test::SnmpdOptions options;
  options.users.push_back(psw_test::UsmUser{kUser, "SHA", kAuth, "AES", kPriv, false});
  options.sys_name = "bench-agent";
  psw_test::SnmpdAgent agent(options);
  psw_test::V3Relay relay(agent.address(), agent.port());
  const std::string address = agent.address();
  const uint16_t port = agent.port();
  const std::string peer = address + ":" + std::to_string(port);
  CPmsV3EngineCache& record = pms_v3_engine_cache();

  PmcPtr<v3RequestSession> kept(pms_create_v3_request_session(nullptr));
  double op = 0, op_no_record = 0, same_session = 0, scope = 0, library_new = 0, library_kept = 0;
  bool ok = operation_get(address, port);  // warm-up: keys derived, crypto back end loaded
  ok = ok && time_per_call(o.gets, [&] { return operation_get(address, port); }, &op);
  record.set_enabled(false);
  ok = ok && time_per_call(o.gets, [&] { return operation_get(address, port); }, &op_no_record);
  record.set_enabled(true);
  ok = ok && session_get(*kept, address, port);
  ok = ok && time_per_call(o.gets, [&] { return session_get(*kept, address, port); }, &same_session);
  ok = ok && time_per_call(o.gets * 10, [] {
    CPmsSnmpLibraryScope library;
    return library.result() == PMC_OK;
  }, &scope);
  void* handle = nullptr;
  netsnmp_session session_record;
  {
    CPmsSnmpLibraryScope library;  // Net-SNMP's own runs, on this thread alone
    ok = ok && library.result() == PMC_OK;
    ok = ok && time_per_call(o.gets, [&] { return library_new_session_get(peer); }, &library_new);
    handle = ok && fill_session(&session_record, peer) ? snmp_sess_open(&session_record) : nullptr;
    ok = ok && handle != nullptr && library_get(handle);
    ok = ok && time_per_call(o.gets, [&] { return library_get(handle); }, &library_kept);
  }
  if (!ok) {
    std::fprintf(stderr, "bench_v3: a Get failed\n");
    return 1;
  }

  // The same again through the relay, counting datagrams only.
  const std::string relay_address = relay.address();
  const uint16_t relay_port = relay.port();
  const std::string relay_peer = relay_address + ":" + std::to_string(relay_port);
  const int counted = std::min(o.gets, 100);
  operation_get(relay_address, relay_port);
  double d_op = datagrams_per_call(relay, counted, [&] { return operation_get(relay_address, relay_port); });
  record.set_enabled(false);
  double d_no_record = datagrams_per_call(relay, counted, [&] { return operation_get(relay_address, relay_port); });
  record.set_enabled(true);
  PmcPtr<v3RequestSession> kept_relayed(pms_create_v3_request_session(nullptr));
  session_get(*kept_relayed, relay_address, relay_port);
  double d_same = datagrams_per_call(relay, counted, [&] { return session_get(*kept_relayed, relay_address, relay_port); });
  double d_new = -1, d_kept = -1;
  {
    CPmsSnmpLibraryScope library;
    d_new = datagrams_per_call(relay, counted, [&] { return library_new_session_get(relay_peer); });
    netsnmp_session relayed;
    void* h = fill_session(&relayed, relay_peer) ? snmp_sess_open(&relayed) : nullptr;
    if (h != nullptr && library_get(h)) d_kept = datagrams_per_call(relay, counted, [&] { return library_get(h); });
    if (h != nullptr) snmp_sess_close(h);
    snmp_sess_close(handle);
  }

  std::printf("SNMPv3 Get, authPriv HMAC-SHA/AES-128, keys kept, %d Gets per figure, agent %s\n", o.gets,
              peer.c_str());
  std::printf("  (x: time beside Net-SNMP's one session kept for every request)\n");
  row("one operation per Get (new session object), engine record", op, library_kept, d_op);
  row("one operation per Get, engine record off (discovery each)", op_no_record, library_kept, d_no_record);
  row("one session object for every Get", same_session, library_kept, d_same);
  row("Net-SNMP, new session per request (init once)", library_new, library_kept, d_new);
  row("Net-SNMP, one session kept for every request", library_kept, library_kept, d_kept);
  row("library lock scope, empty (no set-up per operation)", scope, library_kept, -1);
  return 0;
}

// ---------------------------------------------------------------------------
// 2. and 3. Status reads
// ---------------------------------------------------------------------------

template <class Record>
int32_t read_table(PSWHANDLE h, int32_t (*count_fn)(PSWHANDLE, int32_t*),
                   int32_t (*copy_fn)(PSWHANDLE, int32_t, Record*)) {
  int32_t count = 0;
  int32_t rc = count_fn(h, &count);
  Record record;
  for (int32_t i = 0; rc == PSW_OK && i < count; ++i) rc = copy_fn(h, i, &record);
  return rc;
}

PSWUSMSettings bench_settings() {
  PSWUSMSettings block;
  std::memset(&block, 0, sizeof block);
  std::strcpy(block.userName, kUser);
  block.securityLevel = PSW_USM_AUTH_PRIV;
  block.authProtocol = PSW_USM_AUTH_HMAC_SHA;
  block.privProtocol = PSW_USM_PRIV_AES;
  std::strcpy(block.authPassPhrase, kAuth);
  std::strcpy(block.privPassPhrase, kPriv);
  return block;
}

// The whole status of the printer at `address`; 0 or the failing call's code.
int32_t read_printer(PSWHANDLE h, const char* address, bool v3) {
  static const PSWUSMSettings settings = bench_settings();
  int32_t rc = v3 ? PSWInitDeviceEx(h, address, PSW_TRANSPORT_UDP, PSW_SNMP_MODE_V3, &settings, 2000, 1)
                  : PSWInitDevice(h, address, PSW_TRANSPORT_UDP, 2000, 1);
  if (rc == PSW_OK) rc = read_table(h, PSWGetNumberOfStorageInfo, PSWGetStorageInfo);
  if (rc == PSW_OK) rc = read_table(h, PSWGetNumberOfDeviceInfo, PSWGetDeviceInfo);
  PSWPrinterInfo info;
  if (rc == PSW_OK) rc = PSWGetPrinterInfo(h, &info);
  if (rc == PSW_OK) rc = read_table(h, PSWGetNumberOfInputTrayInfo, PSWGetInputTrayInfo);
  if (rc == PSW_OK) rc = read_table(h, PSWGetNumberOfOutputTrayInfo, PSWGetOutputTrayInfo);
  if (rc == PSW_OK) rc = read_table(h, PSWGetNumberOfTonerInfo, PSWGetTonerInfo);
  if (rc == PSW_OK) rc = read_table(h, PSWGetNumberOfAlertInfo, PSWGetAlertInfo);
  int32_t charset = 0;
  if (rc == PSW_OK) rc = PSWGetCharSet(h, PSW_CHARSET_PRINTER, &charset);
  if (rc == PSW_OK) rc = PSWGetCharSet(h, PSW_CHARSET_VENDOR, &charset);
  int32_t jobs = 0;
  if (rc == PSW_OK) rc = PSWGetNumberOfJobInfo(h, PSW_JOBS_ALL, &jobs);
  PSWJobInfo job;
  for (int32_t i = 0; rc == PSW_OK && i < jobs; ++i) rc = PSWGetJobInfo(h, i, &job);
  if (rc == PSW_OK) rc = PSWRefreshOptions(h);
  return rc;
}

psw_test::SnmpdOptions printer_options(const std::string& address, int delay_ms) {
  psw_test::SnmpdOptions o;
  o.profile = status_test::office_printer_profile();
  o.listen = {address};
  o.port = 161;
  o.users.push_back(psw_test::UsmUser{kUser, "SHA", kAuth, "AES", kPriv, false});
  o.reply_delay_ms = delay_ms;
  return o;
}

// Reads per second of `threads` threads, each with a handle of its own,
// reading its share of the printers in turn for `seconds`.
double fleet_rate(int threads, int printers, bool v3, double seconds, int* failures) {
  std::atomic<long> reads{0};
  std::atomic<int> failed{0};
  const Clock::time_point start = Clock::now();
  const Clock::time_point stop = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      PSWHANDLE h = nullptr;
      if (PSWInit(&h) != PSW_OK) {
        ++failed;
        return;
      }
      for (int i = t; Clock::now() < stop; i += threads) {
        const std::string address = "127.0.0." + std::to_string(1 + i % printers);
        if (read_printer(h, address.c_str(), v3) == PSW_OK) {
          ++reads;
        } else {
          ++failed;
        }
      }
      PSWUnInit(h);
    });
  }
  for (auto& w : workers) w.join();
  *failures = failed.load();
  return reads.load() / std::chrono::duration<double>(Clock::now() - start).count();
}

int bench_fleet(const Options& o) {
  std::vector<std::unique_ptr<psw_test::SnmpdAgent>> fleet;
  for (int i = 0; i < o.printers; ++i) {
    fleet.push_back(std::make_unique<psw_test::SnmpdAgent>(
        printer_options("127.0.0." + std::to_string(i + 1), o.delay_ms), psw_test::SnmpdAgent::Start::kNoWait));
  }
  for (auto& agent : fleet) agent->wait_until_ready();
  std::printf("\nfleet: %d simulated printers, every answer delayed %d ms; status reads per second\n", o.printers,
              o.delay_ms);
  std::printf("  %-8s %14s %14s %12s\n", "threads", "SNMPv1", "SNMPv3", "v3 / v3 x1");
  double v3_one = 0;
  for (int threads : o.threads) {
    int failed_v1 = 0, failed_v3 = 0;
    double v1 = fleet_rate(threads, o.printers, false, o.seconds, &failed_v1);
    double v3 = fleet_rate(threads, o.printers, true, o.seconds, &failed_v3);
    if (v3_one == 0) v3_one = v3;
    std::printf("  %-8d %14.1f %14.1f %11.2fx", threads, v1, v3, v3_one > 0 ? v3 / v3_one : 0.0);
    if (failed_v1 + failed_v3 > 0) std::printf("   (failed reads: v1 %d, v3 %d)", failed_v1, failed_v3);
    std::printf("\n");
  }
  return 0;
}

// The datagrams of one status read of a printer behind a relay on
// 127.0.0.250:161.
long datagrams_of_read(const std::string& agent_address, uint16_t agent_port, bool v3, size_t* untimed,
                       size_t* reports) {
  psw_test::V3Relay relay(agent_address, agent_port, "127.0.0.250", 161);
  PSWHANDLE h = nullptr;
  PSWInit(&h);
  int32_t rc = read_printer(h, "127.0.0.250", v3);
  PSWUnInit(h);
  psw_test::V3WireCounts counts = psw_test::count_wire(relay.take());
  *untimed = counts.untimed_requests;
  *reports = counts.time_window_reports;
  return rc == PSW_OK ? static_cast<long>(counts.datagrams) : -1;
}

int bench_read_datagrams() {
  psw_test::SnmpdAgent snmpd(printer_options("127.0.0.251", 0));
  psw_test::PysnmpOptions py;
  py.profile = status_test::office_printer_profile();
  py.listen = {"127.0.0.252"};
  py.users.push_back(psw_test::UsmUser{kUser, "SHA", kAuth, "AES", kPriv, false});
  psw_test::PysnmpAgent pysnmp(py);
  std::printf("\ndatagrams of one status read (the record of engines emptied before each SNMPv3 read)\n");
  std::printf("  %-8s %-8s %10s %22s %22s\n", "agent", "version", "datagrams", "untimed auth requests",
              "notInTimeWindows");
  struct Agent {
    const char* name;
    std::string address;
    uint16_t port;
  };
  for (const Agent& a : {Agent{"snmpd", snmpd.address(), snmpd.port()}, Agent{"pysnmp", pysnmp.address(), pysnmp.port()}}) {
    for (bool v3 : {false, true}) {
      pms_v3_engine_cache().clear();
      size_t untimed = 0, reports = 0;
      long n = datagrams_of_read(a.address, a.port, v3, &untimed, &reports);
      std::printf("  %-8s %-8s %10ld %22zu %22zu\n", a.name, v3 ? "v3" : "v1", n, untimed, reports);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string why;
  if (!psw_test::only_loopback_visible(&why)) {
    std::fprintf(stderr, "bench_v3 sends packets: run it through scripts/netns-run (%s is visible).\n", why.c_str());
    return 2;
  }
  const Options o = parse(argc, argv);
  // The SNMP library reads only an empty configuration directory.
  psw_test::TempDir config("psw-bench-v3");
  ::setenv("SNMPCONFPATH", config.path().c_str(), 1);
  try {
    int rc = bench_get(o);
    if (rc == 0) rc = bench_read_datagrams();
    if (rc == 0 && o.fleet) rc = bench_fleet(o);
    return rc;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_v3: %s\n", e.what());
    return 1;
  }
}

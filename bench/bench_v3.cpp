// Times one SNMPv3 Get (authPriv, HMAC-SHA and AES-128) through the SNMPv3
// session against a real agent (Net-SNMP's snmpd), and splits the cost:
//   - a Get whose keys were derived by an earlier one (the usual case: the
//     library keeps the keys of recent pass phrases);
//   - the whole Get with its keys derived: library set-up, session, key
//     derivation, engine discovery, the exchange, shut-down;
//   - key derivation alone (the two pass-phrase-to-key runs of one Get);
//   - the library's set-up and shut-down alone (one empty operation);
// and beside it, in the same run and against the same agent, Net-SNMP's own
// cost when it opens a new session per request (keys derived anew, engine
// discovered anew, the library initialised once), and with one session
// kept for every request.
//
//   scripts/netns-run build/<dir>/bench/bench_v3 [--gets N]
//
// Like every program that sends packets, it runs only in a private network
// namespace.
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "agent/snmpd_agent.h"
#include "agent/snmprec_profile.h"
#include "agent/temp_dir.h"
#include "core/pmc_oid.h"
#include "core/pmc_value.h"
#include "core/pms_pdu.h"
#include "core/pms_snmp_target.h"
#include "net/pmc_network_address.h"
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

// Microseconds per call of `fn`, over `count` calls; false when a call failed.
bool time_per_call(int count, const std::function<bool()>& fn, double* us) {
  Clock::time_point start = Clock::now();
  for (int i = 0; i < count; ++i) {
    if (!fn()) return false;
  }
  *us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count;
  return true;
}

PmcPtr<IPmsSnmpTarget> bench_target(const psw_test::SnmpdAgent& agent) {
  PmcPtr<IPmsSnmpTarget> target(pms_create_usm_target(nullptr));
  PmcPtr<IPmcNetworkAddress> where(pmc_create_network_address(nullptr));
  where->set(agent.address().c_str(), IPmcNetworkAddress::PROTOCOL_IPV4, agent.port());
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

// One Get through the SNMPv3 session.
bool session_get(v3RequestSession& session, const psw_test::SnmpdAgent& agent) {
  PmcPtr<IPmsSnmpTarget> target = bench_target(agent);
  PmcPtr<IPmsPdu> pdu(pms_create_pdu(nullptr));
  pdu->set_type(PMS_PDU_GET);
  pdu->add(pmc_create_oid_from_text(kSysName, nullptr), pmc_create_value(PMC_TAG_NULL, nullptr));
  return session.send_sync(pdu.get(), target.get()) == PMC_OK;
}

// The two key derivations of one authPriv Get with HMAC-SHA.
bool derive_keys() {
  u_char key[USM_AUTH_KU_LEN];
  size_t length = sizeof(key);
  if (generate_Ku(usmHMACSHA1AuthProtocol, USM_AUTH_PROTO_SHA_LEN, reinterpret_cast<const u_char*>(kAuth),
                  std::strlen(kAuth), key, &length) != SNMPERR_SUCCESS) {
    return false;
  }
  length = sizeof(key);
  return generate_Ku(usmHMACSHA1AuthProtocol, USM_AUTH_PROTO_SHA_LEN, reinterpret_cast<const u_char*>(kPriv),
                     std::strlen(kPriv), key, &length) == SNMPERR_SUCCESS;
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

// One Get the way a Net-SNMP program does it with a new session per request.
bool library_new_session_get(const std::string& peer) {
  netsnmp_session record;
  if (!fill_session(&record, peer)) return false;
  void* handle = snmp_sess_open(&record);
  if (handle == nullptr) return false;
  bool ok = library_get(handle);
  snmp_sess_close(handle);
  return ok;
}

int parse_gets(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--gets") == 0) return std::max(1, std::atoi(argv[i + 1]));
  }
  return 300;
}

void row(const char* what, double us, double whole) {
  std::printf("  %-52s %9.1f us  %5.1f %%\n", what, us, 100.0 * us / whole);
}

}  // namespace

int main(int argc, char** argv) {
  std::string why;
  if (!psw_test::only_loopback_visible(&why)) {
    std::fprintf(stderr, "bench_v3 sends packets: run it through scripts/netns-run (%s is visible).\n", why.c_str());
    return 2;
  }
  const int gets = parse_gets(argc, argv);
  // The SNMP library reads only an empty configuration directory.
  psw_test::TempDir config("psw-bench-v3");
  ::setenv("SNMPCONFPATH", config.path().c_str(), 1);
  try {
    psw_test::SnmpdOptions options;
    options.users.push_back(psw_test::UsmUser{kUser, "SHA", kAuth, "AES", kPriv, false});
    options.sys_name = "bench-agent";
    psw_test::SnmpdAgent agent(options);
    const std::string peer = agent.address() + ":" + std::to_string(agent.port());

    PmcPtr<v3RequestSession> session(pms_create_v3_request_session(nullptr));
    double kept = 0, whole = 0, keys = 0, setup = 0, library_new = 0, library_kept = 0;
    bool ok = session_get(*session, agent);  // warm-up: first use loads the crypto back end
    ok = ok && time_per_call(gets, [&] { return session_get(*session, agent); }, &kept);
    // Keys forgotten before each Get: what the first operation of a user costs.
    ok = ok && time_per_call(gets, [&] {
      pms_v3_key_cache().clear();
      return session_get(*session, agent);
    }, &whole);
    ok = ok && time_per_call(gets, [] {
      CPmsSnmpLibraryScope library;
      return library.result() == PMC_OK;
    }, &setup);
    {
      CPmsSnmpLibraryScope library;  // Net-SNMP initialised once for its own runs
      ok = ok && library.result() == PMC_OK;
      ok = ok && time_per_call(gets, derive_keys, &keys);
      ok = ok && time_per_call(gets, [&] { return library_new_session_get(peer); }, &library_new);
      netsnmp_session record;
      void* handle = ok && fill_session(&record, peer) ? snmp_sess_open(&record) : nullptr;
      ok = ok && handle != nullptr && time_per_call(gets, [&] { return library_get(handle); }, &library_kept);
      if (handle != nullptr) snmp_sess_close(handle);
    }
    if (!ok) {
      std::fprintf(stderr, "bench_v3: a Get failed\n");
      return 1;
    }
    std::printf("SNMPv3 Get, authPriv HMAC-SHA/AES-128, %d Gets per figure, agent %s\n", gets, peer.c_str());
    row("v3RequestSession::send_sync, keys kept from before", kept, whole);
    row("v3RequestSession::send_sync, keys derived (whole Get)", whole, whole);
    row("  of it: key derivation (2 x generate_Ku)", keys, whole);
    row("  of it: library set-up and shut-down", setup, whole);
    row("  of it: the rest (session, discovery, exchange)", whole - keys - setup, whole);
    row("Net-SNMP, new session per request (init once)", library_new, whole);
    row("Net-SNMP, one session kept for every request", library_kept, whole);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_v3: %s\n", e.what());
    return 1;
  }
  return 0;
}

// CPmsV3SessionBuilder: turns an SNMPv3 target and a PDU into a session and
// a PDU of the SNMP library, for one exchange.
//
// The builder owns the library session (opened from the target, closed with
// the builder) and the library PDU until it is handed to the library. With
// the probe flag it builds the library's engine-discovery request instead of
// a PDU of its own: a GetRequest without bindings, an empty security name,
// noAuthNoPriv, and a session that does not probe by itself.
//
// Target settings become session settings: version 3; retries; time-out in
// microseconds; user name as security name; security level 0/1/2 as
// noAuthNoPriv/authNoPriv/authPriv; authentication protocol 1 HMAC-MD5, 2
// HMAC-SHA (authNoPriv and authPriv only); privacy protocol 1 DES, 2
// AES-128 (authPriv only); keys derived from the pass phrases with the
// authentication protocol's hash (an empty pass phrase gives no key); the
// context name; the engine id when it is set; the peer from the address.
// An unknown level or protocol, and a pass phrase of 1 to 7 characters
// (too short for the user-based security model's key derivation), give -2
// before anything is sent.
//
// Opening is two steps: `prepare` reads the target and derives the keys
// (kept from earlier operations, or derived now, which takes milliseconds)
// and touches no shared state of the library, so it runs without the
// library lock; `open_session` opens the library session and needs a
// CPmsSnmpLibraryScope, like everything else here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/pmc_value.h"
#include "protocol/pms_pdu.h"
#include "protocol/pms_snmp_target.h"

struct snmp_session;
struct snmp_pdu;

class CPmsV3SessionBuilder final : public IPmsSnmpTargetVisitor, public IPmcValueVisitor {
 public:
  explicit CPmsV3SessionBuilder(bool probe = false);
  // Frees a PDU not handed over and closes the session.
  ~CPmsV3SessionBuilder() override;
  CPmsV3SessionBuilder(const CPmsV3SessionBuilder&) = delete;
  CPmsV3SessionBuilder& operator=(const CPmsV3SessionBuilder&) = delete;

  // Reads `target` (through its visitor) and derives its keys; no library
  // lock needed.
  int prepare(IPmsSnmpTarget* target);
  // Opens the library session of the prepared target, with the target's
  // engine id, or with `*engine_id` instead when that is given (empty:
  // no engine id).
  int open_session(const std::string* engine_id = nullptr);
  // Both steps.
  int open(IPmsSnmpTarget* target);
  // Hands the open session over (the builder no longer closes it).
  void* release_session();
  // What the prepared session is made of apart from engine id, time-out
  // and retries: two targets with the same settings give the same text.
  // Holds key material; wiped with the builder.
  const std::string& settings() const { return m_settings; }
  // The library's peer name of the prepared target.
  const std::string& peer() const { return m_peer; }
  // The prepared target's engine id (empty when it has none).
  const std::string& engine_id() const { return m_engineId; }
  const std::string& user() const { return m_user; }
  // The library's security level of the prepared target (1..3).
  int level() const { return m_level; }
  int32_t timeout_ms() const { return m_timeoutMs; }
  int32_t retries() const { return m_retries; }
  // Builds the library PDU: the discovery request with the probe flag,
  // otherwise a PDU of the command of `pdu`'s type with its bindings.
  int build_pdu(const IPmsPdu* pdu);
  // Adds every binding of `pdu` to the library PDU, in order.
  int add_bindings(const IPmsPdu* pdu);
  // Parses a numeric OID text into the current OID (at most 128
  // sub-identifiers); -2 when the library cannot read it.
  int parse_oid(const char* text);

  bool probe() const { return m_probe; }
  // The library's handle of the open session, null before `open`.
  void* session_handle() const { return m_pSession; }
  // The open session's record, null before `open`.
  snmp_session* session() const;
  // The library PDU while the builder holds it.
  snmp_pdu* pdu() const { return m_pPdu; }
  // Hands the library PDU over (the library frees it from then on).
  snmp_pdu* take_pdu();

  // Target visitor: a community target gives -5; an SNMPv3 target opens
  // the session.
  int visit_community(IPmsCommunityTarget& target) override;
  int visit_usm(IPmsUsmTarget& target) override;

  // Value visitor: adds the current OID with the value to the library PDU.
  int visit_oid(CPmcOid& value) override;
  int visit_octet_string(CPmcOctetString& value) override;
  int visit_integer(CPmcInteger& value) override;
  int visit_null(CPmcNull& value) override;
  int visit_counter32(CPmcCounter32& value) override;
  int visit_gauge32(CPmcGauge32& value) override;
  int visit_timeticks(CPmcTimeTicks& value) override;
  int visit_counter64(CPmcCounter64& value) override;
  int visit_ip_address(CPmcIpAddress& value) override;
  int visit_ipv6_address(CPmcIpv6Address&) override;
  int visit_ipv4_prefix(CPmcIpv4Prefix&) override;
  int visit_ipx_address(CPmcIpxAddress&) override;
  int visit_exception(CPmcException&) override;

 private:
  static constexpr size_t kMaxSubIds = 128;

  // Adds the current OID with a value in the library's text form.
  int add_text_value(const IPmcValue& value, char type);
  int add_typed_value(unsigned char type, const void* data, size_t length);
  int build_probe_pdu();

  bool m_probe;
  bool m_prepared = false;
  void* m_pSession = nullptr;
  // The prepared target.
  std::string m_peer;
  std::string m_user;
  std::string m_context;
  std::string m_engineId;
  std::string m_settings;
  int m_level = 0;
  const unsigned long* m_pAuth = nullptr;
  const unsigned long* m_pPriv = nullptr;
  unsigned char m_authKey[64] = {};
  size_t m_authKeyLength = 0;
  unsigned char m_privKey[64] = {};
  size_t m_privKeyLength = 0;
  int32_t m_timeoutMs = 0;
  int32_t m_retries = 0;
  snmp_pdu* m_pPdu = nullptr;
  // The OID of the binding being added (the library's sub-identifiers are
  // unsigned long).
  unsigned long m_oid[kMaxSubIds];
  size_t m_oidLength = 0;
};

// Writes the error report of a failed library step to the "snmp" category
// (under the library lock, taken when the caller does not hold it):
// "%s(): ErrNo = %d, SnmpErrNo = %d, %s" when the library has an error for
// `session_handle` (or, without a handle, for `session` or its last global
// error), "%s(): unknown" when it has none. Returns the library error
// number (0 when unknown).
int pms_v3_report_error(const char* step, void* session_handle, snmp_session* session);
// The same for a failure the library returned directly as `snmp_errno`.
void pms_v3_report_code(const char* step, int snmp_errno);

#include "snmp/pms_v3_session_builder.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "log/pmc_log.h"
#include "platform/pmc_platform.h"
#include "protocol/pmc_oid.h"
#include "protocol/pmc_value_exception.h"
#include "protocol/pmc_value_null.h"
#include "protocol/pmc_value_number.h"
#include "protocol/pmc_value_octets.h"
#include "snmp/pms_v3_key_cache.h"
#include "snmp/pms_v3_library.h"
#include "snmp/pms_v3_mapping.h"

static_assert(std::is_same<oid, unsigned long>::value, "the builder keeps sub-identifiers as the library's oid");

namespace {

// Keys of MD5 and SHA-1 are 16 and 20 bytes long. The library insists on
// room for its longest hash even for these, so it gets the session's whole
// key buffer.
constexpr size_t kKeyBuffer = USM_AUTH_KU_LEN;
static_assert(USM_PRIV_KU_LEN == kKeyBuffer, "both key buffers of the session have the same size");
static_assert(kKeyBuffer <= CPmsKeyCache::kMaxKey, "the key cache keeps keys of the session's size");

// The library's protocol identifiers of the target's settings, or null.
const oid* auth_protocol(int32_t setting) {
  switch (setting) {
    case 1: return usmHMACMD5AuthProtocol;   // 1.3.6.1.6.3.10.1.1.2
    case 2: return usmHMACSHA1AuthProtocol;  // 1.3.6.1.6.3.10.1.1.3
    default: return nullptr;
  }
}

const oid* priv_protocol(int32_t setting) {
  switch (setting) {
    case 1: return usmDESPrivProtocol;  // 1.3.6.1.6.3.10.1.2.2
    case 2: return usmAESPrivProtocol;  // 1.3.6.1.6.3.10.1.2.4
    default: return nullptr;
  }
}

// The protocol identifiers above all have ten sub-identifiers.
constexpr size_t kProtocolLength = USM_AUTH_PROTO_MD5_LEN;

// The user-based security model derives no key from a pass phrase shorter
// than this (RFC 3414, 11.2); the library refuses such phrases.
constexpr size_t kMinPassPhrase = 8;

// The key of `phrase` with the authentication hash of setting `hash`, kept
// from an earlier operation or derived now. An empty phrase gives a key of
// length 0 rather than an error; a phrase too short for the derivation is
// a bad setting.
int derive_key(int32_t hash, const char* phrase, u_char* key, size_t* key_length) {
  size_t length = std::strlen(phrase);
  if (length == 0) {
    *key_length = 0;
    return PMC_OK;
  }
  if (length < kMinPassPhrase) {
    *key_length = 0;
    PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "pass phrase of %zu characters: at least %zu are needed", length,
            kMinPassPhrase);
    return PMC_E_ARG;
  }
  *key_length = kKeyBuffer;
  int rc = pms_v3_key_cache().key(hash, phrase, length, key, key_length);
  if (rc != PMC_OK) *key_length = 0;
  return rc;
}

}  // namespace

// ---------------------------------------------------------------------------
// Error reports
// ---------------------------------------------------------------------------

namespace {

void write_report(const char* step, int sys_errno, int library_errno, const char* text) {
  if (library_errno == 0 && sys_errno == 0) {
    PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "%s(): unknown", step);
    return;
  }
  PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "%s(): ErrNo = %d, SnmpErrNo = %d, %s", step, sys_errno, library_errno,
          text != nullptr ? text : "");
}

}  // namespace

// The library's error texts are written into its static buffers (and read
// its error detail): they are made under the library lock.
int pms_v3_report_error(const char* step, void* session_handle, snmp_session* session) {
  if (!pms_snmp_library_locked_here()) {
    CPmsSnmpLibraryScope library;
    if (library.result() != PMC_OK) {
      write_report(step, 0, 0, nullptr);
      return 0;
    }
    return pms_v3_report_error(step, session_handle, session);
  }
  int sys_errno = 0;
  int library_errno = 0;
  char* text = nullptr;
  if (session_handle != nullptr) {
    snmp_sess_error(session_handle, &sys_errno, &library_errno, &text);
  } else if (session != nullptr) {
    snmp_error(session, &sys_errno, &library_errno, &text);
  } else {
    library_errno = snmp_errno;  // the library's last error outside a session
    if (library_errno != 0) text = strdup(snmp_api_errstring(library_errno));
  }
  write_report(step, sys_errno, library_errno, text);
  std::free(text);
  return library_errno;
}

void pms_v3_report_code(const char* step, int library_errno) {
  if (!pms_snmp_library_locked_here()) {
    CPmsSnmpLibraryScope library;
    write_report(step, 0, library_errno, library.result() == PMC_OK ? snmp_api_errstring(library_errno) : "");
    return;
  }
  write_report(step, 0, library_errno, snmp_api_errstring(library_errno));
}

// ---------------------------------------------------------------------------
// CPmsV3SessionBuilder
// ---------------------------------------------------------------------------

CPmsV3SessionBuilder::CPmsV3SessionBuilder(bool probe) : m_probe(probe) {}

CPmsV3SessionBuilder::~CPmsV3SessionBuilder() {
  if (m_pPdu != nullptr) snmp_free_pdu(m_pPdu);
  if (m_pSession != nullptr) snmp_sess_close(m_pSession);
  pmc_wipe(m_authKey, sizeof m_authKey);
  pmc_wipe(m_privKey, sizeof m_privKey);
  if (!m_settings.empty()) pmc_wipe(&m_settings[0], m_settings.size());
}

snmp_session* CPmsV3SessionBuilder::session() const {
  return m_pSession != nullptr ? snmp_sess_session(m_pSession) : nullptr;
}

snmp_pdu* CPmsV3SessionBuilder::take_pdu() {
  snmp_pdu* pdu = m_pPdu;
  m_pPdu = nullptr;
  return pdu;
}

void* CPmsV3SessionBuilder::release_session() {
  void* session = m_pSession;
  m_pSession = nullptr;
  return session;
}

int CPmsV3SessionBuilder::prepare(IPmsSnmpTarget* target) {
  if (target == nullptr) return PMC_E_ARG;
  if (m_prepared || m_pSession != nullptr) return PMC_E_ARG;  // one session per builder
  return target->accept(*this);
}

int CPmsV3SessionBuilder::open(IPmsSnmpTarget* target) {
  int rc = prepare(target);
  return rc == PMC_OK ? open_session() : rc;
}

int CPmsV3SessionBuilder::visit_community(IPmsCommunityTarget&) { return PMC_E_UNSUPPORTED; }

int CPmsV3SessionBuilder::visit_usm(IPmsUsmTarget& target) {
  if (target.get_address() == nullptr) return PMC_E_ARG;
  m_level = pms_v3_library_security_level(target.get_security_level());
  if (m_level == 0) return PMC_E_ARG;
  if (m_level != SNMP_SEC_LEVEL_NOAUTH) {
    m_pAuth = auth_protocol(target.get_auth_protocol());
    if (m_pAuth == nullptr) return PMC_E_ARG;
    if (m_level == SNMP_SEC_LEVEL_AUTHPRIV) {
      m_pPriv = priv_protocol(target.get_priv_protocol());
      if (m_pPriv == nullptr) return PMC_E_ARG;
    }
  }
  try {
    int rc = pms_v3_peer_name(*target.get_address(), target.get_local_port(), &m_peer);
    if (rc != PMC_OK) return rc;
    m_user = target.get_user_name();
    m_context = target.get_context_name();
    const IPmcText* engine = target.get_engine_id();
    if (engine != nullptr && engine->length() > 0) m_engineId.assign(engine->c_str(), engine->length());
  } catch (...) {
    return PMC_E_NOMEM;
  }
  if (m_pAuth != nullptr) {
    int rc = derive_key(target.get_auth_protocol(), target.get_auth_pass_phrase(), m_authKey, &m_authKeyLength);
    if (rc != PMC_OK) return rc;
  }
  if (m_pPriv != nullptr) {
    // The privacy key is derived with the authentication protocol's hash.
    int rc = derive_key(target.get_auth_protocol(), target.get_priv_pass_phrase(), m_privKey, &m_privKeyLength);
    if (rc != PMC_OK) return rc;
  }
  m_timeoutMs = target.get_timeout();
  m_retries = target.get_retries();
  try {
    // Zero bytes separate the parts: no part can run into the next.
    const char separator = '\0';
    m_settings.reserve(m_peer.size() + m_user.size() + m_context.size() + m_authKeyLength + m_privKeyLength + 16);
    m_settings.append(m_peer).append(1, separator).append(m_user).append(1, separator).append(m_context);
    m_settings.append(1, separator).append(1, static_cast<char>('0' + m_level));
    m_settings.append(1, static_cast<char>('0' + target.get_auth_protocol() % 10));
    m_settings.append(1, static_cast<char>('0' + target.get_priv_protocol() % 10));
    m_settings.append(reinterpret_cast<const char*>(m_authKey), m_authKeyLength).append(1, separator);
    m_settings.append(reinterpret_cast<const char*>(m_privKey), m_privKeyLength);
  } catch (...) {
    return PMC_E_NOMEM;
  }
  m_prepared = true;
  return PMC_OK;
}

int CPmsV3SessionBuilder::open_session(const std::string* engine_id) {
  if (!m_prepared || m_pSession != nullptr) return PMC_E_ARG;
  netsnmp_session record;
  snmp_sess_init(&record);
  record.version = SNMP_VERSION_3;
  record.retries = m_retries;
  record.timeout = static_cast<long>(m_timeoutMs) * 1000;
  record.securityName = &m_user[0];
  record.securityNameLen = m_user.size();
  record.securityLevel = m_level;
  // The library copies what it keeps of the record.
  if (m_pAuth != nullptr) {
    record.securityAuthProto = const_cast<oid*>(m_pAuth);
    record.securityAuthProtoLen = kProtocolLength;
    std::memcpy(record.securityAuthKey, m_authKey, m_authKeyLength);
    record.securityAuthKeyLen = m_authKeyLength;
  }
  if (m_pPriv != nullptr) {
    record.securityPrivProto = const_cast<oid*>(m_pPriv);
    record.securityPrivProtoLen = kProtocolLength;
    std::memcpy(record.securityPrivKey, m_privKey, m_privKeyLength);
    record.securityPrivKeyLen = m_privKeyLength;
  }
  record.contextName = &m_context[0];
  record.contextNameLen = m_context.size();
  const std::string& engine = engine_id != nullptr ? *engine_id : m_engineId;
  if (!engine.empty()) {
    record.securityEngineID = reinterpret_cast<u_char*>(const_cast<char*>(engine.data()));
    record.securityEngineIDLen = engine.size();
  }
  record.peername = &m_peer[0];
  // The library never discovers an engine by itself: its probe would wait
  // for the answer inside the open. Discovery is a request of our own.
  record.flags |= SNMP_FLAGS_DONT_PROBE;

  m_pSession = snmp_sess_open(&record);
  pmc_wipe(record.securityAuthKey, sizeof record.securityAuthKey);
  pmc_wipe(record.securityPrivKey, sizeof record.securityPrivKey);
  if (m_pSession == nullptr) {
    int code = pms_v3_map_library_error(pms_v3_report_error("snmp_open", nullptr, &record));
    return code == PMC_E_SNMPLIB ? PMC_E_ARG : code;
  }
  return PMC_OK;
}

int CPmsV3SessionBuilder::build_pdu(const IPmsPdu* pdu) {
  if (m_pPdu != nullptr) return PMC_E_ARG;
  if (m_probe) return build_probe_pdu();
  if (pdu == nullptr) return PMC_E_ARG;
  int command = pms_v3_command_of_pdu_type(pdu->get_type());
  if (command < 0) return PMC_E_UNSUPPORTED;
  m_pPdu = snmp_pdu_create(command);
  if (m_pPdu == nullptr) {
    pms_v3_report_error("snmp_pdu_create", m_pSession, nullptr);
    return PMC_E_NOMEM;
  }
  if (command == SNMP_MSG_GETBULK) {
    // Our PDU carries them where other requests carry error-status and
    // error-index, as the message does.
    m_pPdu->non_repeaters = pdu->get_error_status() > 0 ? pdu->get_error_status() : 0;
    m_pPdu->max_repetitions = static_cast<long>(pdu->get_error_index());
  }
  return add_bindings(pdu);
}

// The library's engine-discovery request: a GetRequest without bindings
// from an empty, unauthenticated user (created in the library's user table
// when it is missing, as the library does for its own probes).
int CPmsV3SessionBuilder::build_probe_pdu() {
  m_pPdu = snmp_pdu_create(SNMP_MSG_GET);
  if (m_pPdu == nullptr) {
    pms_v3_report_error("snmpv3_build_probe_pdu", m_pSession, nullptr);
    return PMC_E_NOMEM;
  }
  m_pPdu->version = SNMP_VERSION_3;
  m_pPdu->securityName = strdup("");
  m_pPdu->securityNameLen = 0;
  m_pPdu->securityLevel = SNMP_SEC_LEVEL_NOAUTH;
  m_pPdu->securityModel = SNMP_SEC_MODEL_USM;
  if (m_pPdu->securityName == nullptr) {
    pms_v3_report_code("snmpv3_build_probe_pdu", SNMPERR_MALLOC);
    return PMC_E_NOMEM;
  }
  if (usm_get_user(nullptr, 0, m_pPdu->securityName) != nullptr) return PMC_OK;

  auto* user = static_cast<struct usmUser*>(std::calloc(1, sizeof(struct usmUser)));
  if (user != nullptr) {
    user->name = strdup("");
    user->secName = strdup("");
    user->authProtocol = snmp_duplicate_objid(usmNoAuthProtocol, OID_LENGTH(usmNoAuthProtocol));
    user->authProtocolLen = OID_LENGTH(usmNoAuthProtocol);
    user->privProtocol = snmp_duplicate_objid(usmNoPrivProtocol, OID_LENGTH(usmNoPrivProtocol));
    user->privProtocolLen = OID_LENGTH(usmNoPrivProtocol);
  }
  if (user == nullptr || user->name == nullptr || user->secName == nullptr || user->authProtocol == nullptr ||
      user->privProtocol == nullptr) {
    if (user != nullptr) usm_free_user(user);
    pms_v3_report_code("snmpv3_build_probe_pdu", SNMPERR_MALLOC);
    return PMC_E_NOMEM;
  }
  usm_add_user(user);  // the library's user table owns it now
  return PMC_OK;
}

int CPmsV3SessionBuilder::add_bindings(const IPmsPdu* pdu) {
  if (pdu == nullptr || m_pPdu == nullptr) return PMC_E_ARG;
  IPmcVarBindList* list = pdu->get_varbind_list();
  if (list == nullptr) return PMC_OK;
  for (size_t i = 0; i < list->size(); ++i) {
    IPmcVarBind* binding = list->at(i);
    if (binding == nullptr || binding->get_oid() == nullptr) return PMC_E_ARG;
    int err = PMC_OK;
    IPmcText* text = binding->get_oid()->to_text(&err);
    PmcPtr<IPmcText> oid_text(text);
    if (err != PMC_OK) return err;
    int rc = parse_oid(oid_text->c_str());
    if (rc != PMC_OK) return rc;
    IPmcValue* value = binding->get_value();
    rc = value != nullptr ? value->accept(*this) : add_typed_value(ASN_NULL, nullptr, 0);
    if (rc != PMC_OK) return rc;
  }
  return PMC_OK;
}

int CPmsV3SessionBuilder::parse_oid(const char* text) {
  m_oidLength = kMaxSubIds;
  if (text == nullptr || snmp_parse_oid(text, m_oid, &m_oidLength) == nullptr) {
    m_oidLength = 0;
    pms_v3_report_error("snmp_parse_oid", m_pSession, nullptr);
    return PMC_E_ARG;
  }
  return PMC_OK;
}

int CPmsV3SessionBuilder::add_text_value(const IPmcValue& value, char type) {
  int err = PMC_OK;
  PmcPtr<IPmcText> text(value.to_text(&err));
  if (!text) return PMC_E_NOMEM;
  if (err != PMC_OK) return err;
  const char* chars = text->c_str() != nullptr ? text->c_str() : "";
  int rc = snmp_add_var(m_pPdu, m_oid, m_oidLength, type, chars);
  if (rc != SNMPERR_SUCCESS) {
    pms_v3_report_code("snmp_add_var", rc);
    return pms_v3_map_library_error(rc);
  }
  return PMC_OK;
}

int CPmsV3SessionBuilder::add_typed_value(unsigned char type, const void* data, size_t length) {
  if (snmp_pdu_add_variable(m_pPdu, m_oid, m_oidLength, type, data, length) == nullptr) {
    pms_v3_report_code(type == ASN_NULL ? "snmp_add_null_var" : "snmp_add_var", SNMPERR_MALLOC);
    return PMC_E_NOMEM;
  }
  return PMC_OK;
}

int CPmsV3SessionBuilder::visit_oid(CPmcOid& value) { return add_text_value(value, 'o'); }

// Octet strings go over as their octets: the text form would end at the
// first zero byte.
int CPmsV3SessionBuilder::visit_octet_string(CPmcOctetString& value) {
  return add_typed_value(ASN_OCTET_STR, value.data(), value.length());
}

int CPmsV3SessionBuilder::visit_integer(CPmcInteger& value) { return add_text_value(value, 'i'); }
int CPmsV3SessionBuilder::visit_null(CPmcNull&) { return add_typed_value(ASN_NULL, nullptr, 0); }
int CPmsV3SessionBuilder::visit_counter32(CPmcCounter32& value) { return add_text_value(value, 'c'); }
int CPmsV3SessionBuilder::visit_gauge32(CPmcGauge32& value) { return add_text_value(value, 'u'); }
int CPmsV3SessionBuilder::visit_timeticks(CPmcTimeTicks& value) { return add_text_value(value, 't'); }

// The library reads 'C' values as a decimal 64-bit number.
int CPmsV3SessionBuilder::visit_counter64(CPmcCounter64& value) {
  char decimal[24];
  std::snprintf(decimal, sizeof(decimal), "%" PRIu64, value.value());
  int rc = snmp_add_var(m_pPdu, m_oid, m_oidLength, 'C', decimal);
  if (rc != SNMPERR_SUCCESS) {
    pms_v3_report_code("snmp_add_var", rc);
    return pms_v3_map_library_error(rc);
  }
  return PMC_OK;
}

int CPmsV3SessionBuilder::visit_ip_address(CPmcIpAddress& value) { return add_text_value(value, 'a'); }
int CPmsV3SessionBuilder::visit_ipv6_address(CPmcIpv6Address&) { return PMC_E_UNSUPPORTED; }
int CPmsV3SessionBuilder::visit_ipv4_prefix(CPmcIpv4Prefix&) { return PMC_E_UNSUPPORTED; }
int CPmsV3SessionBuilder::visit_ipx_address(CPmcIpxAddress&) { return PMC_E_UNSUPPORTED; }
int CPmsV3SessionBuilder::visit_exception(CPmcException&) { return PMC_E_UNSUPPORTED; }

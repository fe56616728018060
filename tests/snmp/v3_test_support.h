// Shared pieces of the SNMPv3 tests: a private configuration for the SNMP
// library, SNMPv3 targets and PDUs, the agents' users and reading answers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "agent/snmpd_agent.h"
#include "base/pmc_object.h"
#include "protocol/pms_pdu.h"
#include "protocol/pms_snmp_target.h"

namespace v3test {

// Points the SNMP library at an empty configuration directory and a private
// persistent directory (both for the whole test process), so the host's
// snmp.conf cannot change what the tests see. Call before the first
// SNMPv3 operation; later calls do nothing.
void use_private_snmp_config();
// The private persistent directory chosen above.
const std::string& persistent_dir();

// The settings of one SNMPv3 user as the target takes them.
struct User {
  std::string name;
  int32_t level = 0;          // 0 noAuthNoPriv, 1 authNoPriv, 2 authPriv
  int32_t auth = 0;           // 1 MD5, 2 SHA
  int32_t priv = 0;           // 1 DES, 2 AES
  std::string auth_phrase;
  std::string priv_phrase;
  std::string context;
};

// The users every test agent knows (rwuser, so Sets work too).
User no_auth_user();
User md5_user();
User sha_user();
User md5_des_user();
User sha_aes_user();
std::vector<User> all_users();
// The agent's form of a user.
psw_test::UsmUser agent_user(const User& user);

// An SNMPv3 target (version 2) for `user` at `address`:`port` (protocol
// from the text).
PmcPtr<IPmsSnmpTarget> make_target(const User& user, const std::string& address, uint16_t port,
                                   int32_t timeout_ms = 1000, int32_t retries = 1);
// A PDU of `type` with one NULL binding per OID.
PmcPtr<IPmsPdu> make_pdu(int32_t type, const std::vector<std::string>& oids);
// A PDU of `type` with one binding `oid` = `value`.
PmcPtr<IPmsPdu> make_pdu(int32_t type, const std::string& oid, IPmcValue* value);

// The OID text and the value's display text of binding `i`.
std::string oid_text(IPmsPdu* pdu, size_t i);
std::string value_text(IPmsPdu* pdu, size_t i);
int value_type(IPmsPdu* pdu, size_t i);
size_t binding_count(IPmsPdu* pdu);

// The engine id of an SNMPv3 target as bytes.
std::string engine_id(IPmsSnmpTarget* target);

// An agent serving the types profile with every test user and `sys_name`.
psw_test::SnmpdOptions agent_options(const std::string& sys_name, const std::vector<std::string>& listen = {"127.0.0.1"});

// The type test objects of tests/agent/profiles/types.snmprec.
extern const char* const kSysName;      // 1.3.6.1.2.1.1.5.0
extern const char* const kTypesRoot;    // 1.3.6.1.4.1.32473.99
extern const char* const kWritableInt;  // ....99.6.1.0, INTEGER 5
extern const char* const kCounter64;    // ....99.5.2.0, 18446744073709551615

}  // namespace v3test

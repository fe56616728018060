#include "snmp/v3_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "agent/snmprec_profile.h"
#include "agent/temp_dir.h"
#include "log/pmc_log_manager.h"
#include "net/pmc_network_address.h"
#include "protocol/pmc_oid.h"
#include "protocol/pmc_value.h"

namespace v3test {

const char* const kSysName = "1.3.6.1.2.1.1.5.0";
const char* const kTypesRoot = "1.3.6.1.4.1.32473.99";
const char* const kWritableInt = "1.3.6.1.4.1.32473.99.6.1.0";
const char* const kCounter64 = "1.3.6.1.4.1.32473.99.5.2.0";

namespace {

struct PrivateDirs {
  psw_test::TempDir config{"psw-v3-conf"};
  psw_test::TempDir persistent{"psw-v3-state"};
};

PrivateDirs& dirs() {
  static PrivateDirs* d = new PrivateDirs();  // lives as long as the process
  return *d;
}

}  // namespace

void use_private_snmp_config() {
  static std::once_flag once;
  std::call_once(once, [] {
    ::setenv("SNMPCONFPATH", dirs().config.path().c_str(), 1);
    ::setenv("SNMP_PERSISTENT_DIR", dirs().persistent.path().c_str(), 1);
    // PSW_V3_LIBRARY_DEBUG=TOKENS turns the SNMP library's own debugging on
    // for those tokens (shown with PSW_V3_LOG=1).
    const char* tokens = ::getenv("PSW_V3_LIBRARY_DEBUG");
    if (tokens != nullptr && tokens[0] != '\0') {
      dirs().config.write("snmp.conf", std::string("doDebugging 1\ndebugTokens ") + tokens + "\ndumpPacket yes\n");
    }
    // PSW_V3_LOG=1 shows the "snmp" category on standard output.
    const char* show = ::getenv("PSW_V3_LOG");
    if (show != nullptr && show[0] == '1') {
      IPmcLogManager* manager = pmc_log_manager(nullptr);
      IPmcLogger* snmp = manager->get_logger("snmp", nullptr);
      snmp->add_sink(manager->create_sink("stdout", "v3-tests"));
      snmp->set_level_mask(PMC_LOG_ALL);
    }
  });
}

const std::string& persistent_dir() { return dirs().persistent.path(); }

User no_auth_user() { return {"v3noauth", 0, 0, 0, "", "", ""}; }
User md5_user() { return {"v3md5", 1, 1, 0, "md5-pass-phrase", "", ""}; }
User sha_user() { return {"v3sha", 1, 2, 0, "sha-pass-phrase", "", ""}; }
User md5_des_user() { return {"v3md5des", 2, 1, 1, "md5-auth-phrase", "des-priv-phrase", ""}; }
User sha_aes_user() { return {"v3shaaes", 2, 2, 2, "sha-auth-phrase", "aes-priv-phrase", ""}; }
std::vector<User> all_users() { return {no_auth_user(), md5_user(), sha_user(), md5_des_user(), sha_aes_user()}; }

psw_test::UsmUser agent_user(const User& user) {
  psw_test::UsmUser u;
  u.name = user.name;
  if (user.level >= 1) {
    u.auth_protocol = user.auth == 1 ? "MD5" : "SHA";
    u.auth_passphrase = user.auth_phrase;
  }
  if (user.level == 2) {
    u.priv_protocol = user.priv == 1 ? "DES" : "AES";
    u.priv_passphrase = user.priv_phrase;
  }
  u.writable = true;
  return u;
}

PmcPtr<IPmsSnmpTarget> make_target(const User& user, const std::string& address, uint16_t port, int32_t timeout_ms,
                                   int32_t retries) {
  PmcPtr<IPmsSnmpTarget> target(pms_create_usm_target(nullptr));
  EXPECT_TRUE(target);
  if (!target) return target;
  PmcPtr<IPmcNetworkAddress> where(pmc_create_network_address(nullptr));
  bool ipv6 = address.find(':') != std::string::npos;
  EXPECT_EQ(where->set(address.c_str(),
                       ipv6 ? IPmcNetworkAddress::PROTOCOL_IPV6 : IPmcNetworkAddress::PROTOCOL_IPV4, port),
            PMC_OK);
  EXPECT_EQ(target->set_address(where.get()), PMC_OK);
  target->set_version(PMS_VERSION_V3);
  target->set_timeout(timeout_ms);
  target->set_retries(retries);
  IPmsUsmTarget* usm = pms_usm_of(target.get());
  usm->set_user_name(user.name.c_str());
  usm->set_security_level(user.level);
  usm->set_auth_protocol(user.auth);
  usm->set_priv_protocol(user.priv);
  usm->set_auth_pass_phrase(user.auth_phrase.c_str());
  usm->set_priv_pass_phrase(user.priv_phrase.c_str());
  usm->set_context_name(user.context.c_str());
  return target;
}

PmcPtr<IPmsPdu> make_pdu(int32_t type, const std::vector<std::string>& oids) {
  PmcPtr<IPmsPdu> pdu(pms_create_pdu(nullptr));
  pdu->set_type(type);
  for (const std::string& oid : oids) {
    EXPECT_EQ(pdu->add(pmc_create_oid_from_text(oid.c_str(), nullptr), pmc_create_value(PMC_TAG_NULL, nullptr)),
              PMC_OK);
  }
  return pdu;
}

PmcPtr<IPmsPdu> make_pdu(int32_t type, const std::string& oid, IPmcValue* value) {
  PmcPtr<IPmsPdu> pdu(pms_create_pdu(nullptr));
  pdu->set_type(type);
  EXPECT_EQ(pdu->add(pmc_create_oid_from_text(oid.c_str(), nullptr), value), PMC_OK);
  return pdu;
}

size_t binding_count(IPmsPdu* pdu) { return pdu->get_varbind_list() ? pdu->get_varbind_list()->size() : 0; }

namespace {

IPmcVarBind* binding(IPmsPdu* pdu, size_t i) {
  IPmcVarBindList* list = pdu->get_varbind_list();
  return list != nullptr ? list->at(i) : nullptr;
}

std::string text_of(IPmcValue* value) {
  if (value == nullptr) return "<none>";
  PmcPtr<IPmcText> text(value->to_text(nullptr));
  return text && text->c_str() ? std::string(text->c_str(), text->length()) : std::string();
}

}  // namespace

std::string oid_text(IPmsPdu* pdu, size_t i) {
  IPmcVarBind* b = binding(pdu, i);
  return b ? text_of(b->get_oid()) : "<no binding>";
}

std::string value_text(IPmsPdu* pdu, size_t i) {
  IPmcVarBind* b = binding(pdu, i);
  return b ? text_of(b->get_value()) : "<no binding>";
}

int value_type(IPmsPdu* pdu, size_t i) {
  IPmcVarBind* b = binding(pdu, i);
  return b && b->get_value() ? b->get_value()->get_type() : -1;
}

std::string engine_id(IPmsSnmpTarget* target) {
  const IPmsUsmTarget* usm = pms_usm_of(target);
  if (usm == nullptr || usm->get_engine_id()->length() == 0) return std::string();
  return std::string(usm->get_engine_id()->c_str(), usm->get_engine_id()->length());
}

psw_test::SnmpdOptions agent_options(const std::string& sys_name, const std::vector<std::string>& listen) {
  psw_test::SnmpdOptions o;
  o.profile = psw_test::SnmprecProfile::load(psw_test::profile_path("types.snmprec"));
  o.sys_name = sys_name;
  o.listen = listen;
  for (const User& user : all_users()) o.users.push_back(agent_user(user));
  return o;
}

}  // namespace v3test

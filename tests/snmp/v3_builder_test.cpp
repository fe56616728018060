// The session builder: target settings into the library's session, PDUs and
// values into the library's PDU, and refusals before anything is sent.
#include <gtest/gtest.h>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>

#include "agent/udp_socket.h"
#include "base/pmc_result.h"
#include "protocol/pmc_oid.h"
#include "protocol/pmc_value.h"
#include "snmp/pms_v3_library.h"
#include "snmp/pms_v3_session.h"
#include "snmp/pms_v3_session_builder.h"
#include "snmp/v3_test_support.h"

namespace {

using namespace std::chrono_literals;
using v3test::make_pdu;
using v3test::make_target;

class V3Builder : public ::testing::Test {
 protected:
  void SetUp() override {
    v3test::use_private_snmp_config();
    library_ = std::make_unique<CPmsSnmpLibraryScope>();
    ASSERT_EQ(library_->result(), PMC_OK);
  }
  std::unique_ptr<CPmsSnmpLibraryScope> library_;
};

bool same_oid(const oid* a, size_t a_length, const oid* b, size_t b_length) {
  return a_length == b_length && std::memcmp(a, b, a_length * sizeof(oid)) == 0;
}

// The library variable `i` of `pdu`.
const netsnmp_variable_list* variable(const snmp_pdu* pdu, size_t i) {
  const netsnmp_variable_list* v = pdu->variables;
  while (v != nullptr && i-- > 0) v = v->next_variable;
  return v;
}

IPmcValue* value_of(int tag, const char* text) { return pmc_create_value_from_text(text, tag, nullptr); }

}  // namespace

TEST_F(V3Builder, DerivesKeysWithTheChosenHashAndProtocols) {
  struct Case {
    v3test::User user;
    size_t auth_key;
    const oid* auth;
    size_t priv_key;
    const oid* priv;
  };
  const Case cases[] = {
      {v3test::md5_user(), 16, usmHMACMD5AuthProtocol, 0, nullptr},
      {v3test::sha_user(), 20, usmHMACSHA1AuthProtocol, 0, nullptr},
      {v3test::md5_des_user(), 16, usmHMACMD5AuthProtocol, 16, usmDESPrivProtocol},
      {v3test::sha_aes_user(), 20, usmHMACSHA1AuthProtocol, 20, usmAESPrivProtocol},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.user.name);
    PmcPtr<IPmsSnmpTarget> target = make_target(c.user, "127.0.0.1", 9);
    CPmsV3SessionBuilder builder;
    ASSERT_EQ(builder.open(target.get()), PMC_OK);
    const snmp_session* s = builder.session();
    EXPECT_EQ(s->securityLevel, c.user.level + 1);
    EXPECT_EQ(s->securityAuthKeyLen, c.auth_key);
    EXPECT_TRUE(same_oid(s->securityAuthProto, s->securityAuthProtoLen, c.auth, 10));
    EXPECT_EQ(s->securityPrivKeyLen, c.priv_key);
    if (c.priv != nullptr) {
      EXPECT_TRUE(same_oid(s->securityPrivProto, s->securityPrivProtoLen, c.priv, 10));
    }
  }
}

TEST_F(V3Builder, EmptyPassPhrasesGiveKeysOfLengthZero) {
  v3test::User user = v3test::sha_aes_user();
  user.auth_phrase.clear();
  user.priv_phrase.clear();
  PmcPtr<IPmsSnmpTarget> target = make_target(user, "127.0.0.1", 9);
  CPmsV3SessionBuilder builder;
  ASSERT_EQ(builder.open(target.get()), PMC_OK);
  EXPECT_EQ(builder.session()->securityAuthKeyLen, 0u);
  EXPECT_EQ(builder.session()->securityPrivKeyLen, 0u);
}

TEST_F(V3Builder, PassPhraseTooShortForKeyDerivationIsABadSetting) {
  v3test::User user = v3test::md5_user();
  user.auth_phrase = "short";  // the user-based security model wants at least 8 characters
  PmcPtr<IPmsSnmpTarget> target = make_target(user, "127.0.0.1", 9);
  CPmsV3SessionBuilder builder;
  EXPECT_EQ(builder.open(target.get()), PMC_E_ARG);
  EXPECT_EQ(builder.session_handle(), nullptr);
}

TEST_F(V3Builder, CopiesTheOtherSettingsOfTheTarget) {
  v3test::User user = v3test::md5_user();
  user.context = "ctx-one";
  PmcPtr<IPmsSnmpTarget> target = make_target(user, "::1", 16161, 1500, 3);
  pms_usm_of(target.get())->set_engine_id("\x80\x00\x1f\x88\x80zz", 7);
  CPmsV3SessionBuilder builder;
  ASSERT_EQ(builder.open(target.get()), PMC_OK);
  const snmp_session* s = builder.session();
  EXPECT_EQ(s->version, SNMP_VERSION_3);
  EXPECT_EQ(s->retries, 3);
  EXPECT_EQ(s->timeout, 1500000);
  EXPECT_EQ(std::string(s->securityName, s->securityNameLen), "v3md5");
  EXPECT_EQ(std::string(s->contextName, s->contextNameLen), "ctx-one");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(s->securityEngineID), s->securityEngineIDLen),
            std::string("\x80\x00\x1f\x88\x80zz", 7));
  EXPECT_STREQ(s->peername, "udp6:[::1]:16161");
}

TEST_F(V3Builder, BuildsEveryValueKindTheLibraryCarries) {
  PmcPtr<IPmsPdu> pdu(pms_create_pdu(nullptr));
  pdu->set_type(3);
  const char octets[] = {'a', '\0', 'b'};
  IPmcValue* octet_string = pmc_create_value(PMC_TAG_OCTET_STRING, nullptr);
  octet_string->set_octets(octets, sizeof(octets));
  IPmcValue* counter64 = pmc_create_value(PMC_TAG_COUNTER64, nullptr);
  counter64->set_high32(0x100);
  counter64->set_low32(7);
  struct Add {
    const char* oid;
    IPmcValue* value;
  };
  const Add adds[] = {
      {"1.3.6.1.4.1.32473.1.1", value_of(PMC_TAG_INTEGER, "-5")},
      {"1.3.6.1.4.1.32473.1.2", octet_string},
      {"1.3.6.1.4.1.32473.1.3", value_of(PMC_TAG_OID, "1.3.6.1.2.1.43")},
      {"1.3.6.1.4.1.32473.1.4", value_of(PMC_TAG_IP_ADDRESS, "10.20.30.40")},
      {"1.3.6.1.4.1.32473.1.5", value_of(PMC_TAG_COUNTER32, "4000000000")},
      {"1.3.6.1.4.1.32473.1.6", value_of(PMC_TAG_GAUGE32, "12")},
      {"1.3.6.1.4.1.32473.1.7", value_of(PMC_TAG_TIMETICKS, "8640000")},
      {"1.3.6.1.4.1.32473.1.8", counter64},
      {"1.3.6.1.4.1.32473.1.9", pmc_create_value(PMC_TAG_NULL, nullptr)},
  };
  for (const Add& a : adds) ASSERT_EQ(pdu->add(pmc_create_oid_from_text(a.oid, nullptr), a.value), PMC_OK);

  PmcPtr<IPmsSnmpTarget> target = make_target(v3test::no_auth_user(), "127.0.0.1", 9);
  CPmsV3SessionBuilder builder;
  ASSERT_EQ(builder.open(target.get()), PMC_OK);
  ASSERT_EQ(builder.build_pdu(pdu.get()), PMC_OK);
  const snmp_pdu* built = builder.pdu();
  EXPECT_EQ(built->command, SNMP_MSG_SET);

  const netsnmp_variable_list* v = variable(built, 0);
  ASSERT_NE(v, nullptr);
  const oid first[] = {1, 3, 6, 1, 4, 1, 32473, 1, 1};
  EXPECT_TRUE(same_oid(v->name, v->name_length, first, 9));
  EXPECT_EQ(v->type, ASN_INTEGER);
  EXPECT_EQ(*v->val.integer, -5);
  v = variable(built, 1);
  EXPECT_EQ(v->type, ASN_OCTET_STR);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(v->val.string), v->val_len), std::string(octets, 3));
  v = variable(built, 2);
  const oid printer_mib[] = {1, 3, 6, 1, 2, 1, 43};
  EXPECT_EQ(v->type, ASN_OBJECT_ID);
  EXPECT_TRUE(same_oid(v->val.objid, v->val_len / sizeof(oid), printer_mib, 7));
  v = variable(built, 3);
  EXPECT_EQ(v->type, ASN_IPADDRESS);
  ASSERT_EQ(v->val_len, 4u);
  EXPECT_EQ(std::memcmp(v->val.string, "\x0a\x14\x1e\x28", 4), 0);
  v = variable(built, 4);
  EXPECT_EQ(v->type, ASN_COUNTER);
  EXPECT_EQ(static_cast<unsigned long>(*v->val.integer), 4000000000ul);
  EXPECT_EQ(variable(built, 5)->type, ASN_GAUGE);
  EXPECT_EQ(*variable(built, 5)->val.integer, 12);
  EXPECT_EQ(variable(built, 6)->type, ASN_TIMETICKS);
  EXPECT_EQ(*variable(built, 6)->val.integer, 8640000);
  v = variable(built, 7);
  EXPECT_EQ(v->type, ASN_COUNTER64);
  EXPECT_EQ(v->val.counter64->high, 0x100u);
  EXPECT_EQ(v->val.counter64->low, 7u);
  EXPECT_EQ(variable(built, 8)->type, ASN_NULL);
  EXPECT_EQ(variable(built, 9), nullptr);
}

TEST_F(V3Builder, RefusesWhatThisPathCannotSend) {
  PmcPtr<IPmsSnmpTarget> target = make_target(v3test::no_auth_user(), "127.0.0.1", 9);
  const int tags[] = {PMC_TAG_IPV6_ADDRESS, PMC_TAG_IPV4_PREFIX, PMC_TAG_IPX_ADDRESS, PMC_TAG_NO_SUCH_INSTANCE};
  for (int tag : tags) {
    CPmsV3SessionBuilder builder;
    ASSERT_EQ(builder.open(target.get()), PMC_OK);
    PmcPtr<IPmsPdu> pdu = make_pdu(3, "1.3.6.1.4.1.32473.1.1", pmc_create_value(tag, nullptr));
    EXPECT_EQ(builder.build_pdu(pdu.get()), PMC_E_UNSUPPORTED) << tag;
  }
  for (int type : {2, 6, 8}) {
    CPmsV3SessionBuilder builder;
    ASSERT_EQ(builder.open(target.get()), PMC_OK);
    PmcPtr<IPmsPdu> pdu = make_pdu(type, {v3test::kSysName});
    EXPECT_EQ(builder.build_pdu(pdu.get()), PMC_E_UNSUPPORTED) << type;
  }
  {
    // A GetBulk goes with non-repeaters and max-repetitions from where our
    // PDU carries them.
    CPmsV3SessionBuilder builder;
    ASSERT_EQ(builder.open(target.get()), PMC_OK);
    PmcPtr<IPmsPdu> pdu = make_pdu(5, {v3test::kSysName});
    pdu->set_error_status(1);
    pdu->set_error_index(17);
    ASSERT_EQ(builder.build_pdu(pdu.get()), PMC_OK);
    EXPECT_EQ(builder.pdu()->command, SNMP_MSG_GETBULK);
    EXPECT_EQ(builder.pdu()->non_repeaters, 1);
    EXPECT_EQ(builder.pdu()->max_repetitions, 17);
  }
  // An OID longer than the library's 128 sub-identifiers.
  std::string long_oid = "1.3";
  for (int i = 0; i < 127; ++i) long_oid += ".1";
  CPmsV3SessionBuilder builder;
  ASSERT_EQ(builder.open(target.get()), PMC_OK);
  PmcPtr<IPmsPdu> pdu = make_pdu(0, {long_oid});
  EXPECT_EQ(builder.build_pdu(pdu.get()), PMC_E_ARG);
}

// Settings the session cannot use are refused before any datagram leaves.
TEST(V3Refusal, UnknownLevelOrProtocolIsRefusedBeforeSending) {
  v3test::use_private_snmp_config();
  psw_test::UdpSocket listener("127.0.0.1");
  PmcPtr<v3RequestSession> session(pms_create_v3_request_session(nullptr));
  struct Case {
    int32_t level, auth, priv;
  };
  const Case refused[] = {{1, 3, 0}, {1, 0, 0}, {2, 1, 3}, {2, 2, 0}, {3, 1, 1}, {-1, 1, 1}};
  for (const Case& c : refused) {
    v3test::User user = v3test::sha_aes_user();
    user.level = c.level;
    user.auth = c.auth;
    user.priv = c.priv;
    PmcPtr<IPmsSnmpTarget> target = make_target(user, "127.0.0.1", listener.local_port(), 300, 0);
    PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
    EXPECT_EQ(session->send_sync(pdu.get(), target.get()), PMC_E_ARG) << c.level << "/" << c.auth << "/" << c.priv;
  }
  // Pass phrases of 1 to 7 characters give no key; refused, for either
  // key, before discovery or anything else goes out.
  for (const char* phrase : {"a", "seven77"}) {
    for (bool privacy : {false, true}) {
      v3test::User user = v3test::sha_aes_user();
      (privacy ? user.priv_phrase : user.auth_phrase) = phrase;
      PmcPtr<IPmsSnmpTarget> target = make_target(user, "127.0.0.1", listener.local_port(), 300, 0);
      PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
      EXPECT_EQ(session->send_sync(pdu.get(), target.get()), PMC_E_ARG) << phrase << (privacy ? " (privacy)" : "");
    }
  }
  EXPECT_FALSE(listener.receive(200ms).has_value());

  // The same listener does see a request that is allowed out.
  PmcPtr<IPmsSnmpTarget> target = make_target(v3test::no_auth_user(), "127.0.0.1", listener.local_port(), 300, 0);
  PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
  EXPECT_EQ(session->send_sync(pdu.get(), target.get()), PMC_E_TIMEOUT);
  EXPECT_TRUE(listener.receive(200ms).has_value());
}

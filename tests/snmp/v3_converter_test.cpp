// The response converter: what a library response does to the target and
// the PDU. (Senders of both families through real transport data are
// checked against the agent in v3_session_test.)
#include <gtest/gtest.h>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "base/pmc_result.h"
#include "protocol/pmc_oid.h"
#include "protocol/pmc_value.h"
#include "protocol/pmc_varbind.h"
#include "snmp/pms_v3_library.h"
#include "snmp/pms_v3_response_converter.h"
#include "snmp/v3_test_support.h"

namespace {

using v3test::binding_count;
using v3test::make_pdu;
using v3test::make_target;
using v3test::oid_text;
using v3test::value_text;
using v3test::value_type;

const char kEngine[] = "\x80\x00\x1f\x88\x80\x01\x02";

// A library response PDU, freed by the library when the test ends.
struct Response {
  snmp_pdu* pdu = nullptr;
  ~Response() {
    if (pdu != nullptr) snmp_free_pdu(pdu);
  }
};

class V3Converter : public ::testing::Test {
 protected:
  void SetUp() override {
    v3test::use_private_snmp_config();
    library_ = std::make_unique<CPmsSnmpLibraryScope>();
    ASSERT_EQ(library_->result(), PMC_OK);
  }
  void TearDown() override {
    response_.reset();  // freed while the library is still up
    library_.reset();
  }

  // A Response PDU of an SNMPv3 message from `user` at authPriv.
  snmp_pdu* response(int command = SNMP_MSG_RESPONSE) {
    response_ = std::make_unique<Response>();
    snmp_pdu* pdu = snmp_pdu_create(command);
    response_->pdu = pdu;
    pdu->version = SNMP_VERSION_3;
    pdu->reqid = 4711;
    pdu->securityName = strdup("answering-user");
    pdu->securityNameLen = std::strlen(pdu->securityName);
    pdu->securityLevel = SNMP_SEC_LEVEL_AUTHPRIV;
    pdu->contextName = strdup("ctx");
    pdu->contextNameLen = 3;
    pdu->securityEngineID = static_cast<u_char*>(std::malloc(sizeof(kEngine) - 1));
    std::memcpy(pdu->securityEngineID, kEngine, sizeof(kEngine) - 1);
    pdu->securityEngineIDLen = sizeof(kEngine) - 1;
    return pdu;
  }

  static void add(snmp_pdu* pdu, const std::string& name, u_char type, const void* value, size_t length) {
    oid subids[MAX_OID_LEN];
    size_t count = MAX_OID_LEN;
    ASSERT_NE(snmp_parse_oid(name.c_str(), subids, &count), nullptr);
    ASSERT_NE(snmp_pdu_add_variable(pdu, subids, count, type, value, length), nullptr);
  }

  // Transport data as the library keeps it: the sender's socket address first.
  static void from_ipv4(snmp_pdu* pdu, const char* text) {
    auto* in = static_cast<sockaddr_in*>(std::calloc(1, 64));
    in->sin_family = AF_INET;
    in->sin_port = htons(161);  // the port the answer came from
    inet_pton(AF_INET, text, &in->sin_addr);
    pdu->transport_data = in;
    pdu->transport_data_length = 64;
  }

  std::unique_ptr<CPmsSnmpLibraryScope> library_;
  std::unique_ptr<Response> response_;
};

}  // namespace

TEST_F(V3Converter, TargetLearnsUserLevelContextEngineAndIPv4Sender) {
  snmp_pdu* r = response();
  from_ipv4(r, "10.9.8.7");
  PmcPtr<IPmsSnmpTarget> target = make_target(v3test::no_auth_user(), "10.255.255.255", 161);
  target->set_version(PMS_VERSION_NONE);
  PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});

  CPmsV3ResponseConverter converter(r);
  ASSERT_EQ(converter.convert(pdu.get(), target.get()), PMC_OK);
  const IPmsUsmTarget* usm = pms_usm_of(target.get());
  EXPECT_EQ(target->get_version(), PMS_VERSION_V3);
  EXPECT_STREQ(usm->get_user_name(), "answering-user");
  EXPECT_EQ(usm->get_security_level(), 2);
  EXPECT_STREQ(usm->get_context_name(), "ctx");
  EXPECT_EQ(v3test::engine_id(target.get()), std::string(kEngine, sizeof(kEngine) - 1));
  ASSERT_NE(target->get_address(), nullptr);
  EXPECT_STREQ(target->get_address()->c_str(), "10.9.8.7");
  EXPECT_EQ(target->get_address()->get_protocol(), IPmcNetworkAddress::PROTOCOL_IPV4);
  EXPECT_EQ(target->get_address()->get_port(), 161);

  // Transport data too short for its family names no sender.
  int err = PMC_OK;
  EXPECT_EQ(pms_v3_sender_address(r->transport_data, sizeof(sockaddr_in) - 1, &err), nullptr);
  EXPECT_EQ(err, PMC_E_ARG);
  EXPECT_EQ(pms_v3_sender_address(nullptr, 0, &err), nullptr);
}

TEST_F(V3Converter, MessagesThatAreNotSNMPv3AndCommunityTargetsAreRefused) {
  PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
  PmcPtr<IPmsSnmpTarget> target = make_target(v3test::no_auth_user(), "127.0.0.1", 161);
  snmp_pdu* r = response();
  r->version = SNMP_VERSION_2c;
  CPmsV3ResponseConverter converter(r);
  EXPECT_EQ(converter.convert(pdu.get(), target.get()), PMC_E_ARG);
  r->version = SNMP_VERSION_3;
  r->securityLevel = 0;
  EXPECT_EQ(converter.convert(pdu.get(), target.get()), PMC_E_ARG);
  r->securityLevel = SNMP_SEC_LEVEL_NOAUTH;
  PmcPtr<IPmsSnmpTarget> community(pms_create_community_target(nullptr));
  EXPECT_EQ(converter.convert(pdu.get(), community.get()), PMC_E_UNSUPPORTED);
  CPmsV3ResponseConverter empty;
  EXPECT_EQ(empty.convert(pdu.get(), target.get()), PMC_E_ARG);
}

TEST_F(V3Converter, BindingsFollowTheResponseReusingValuesOfTheSameKind) {
  PmcPtr<IPmsPdu> pdu = make_pdu(0, {"1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.2.0", "1.3.6.1.2.1.1.3.0"});
  IPmcValue* reused = pmc_create_integer_value(0, PMC_TAG_INTEGER, nullptr);
  pdu->get_varbind_list()->at(0)->set_value(reused);

  snmp_pdu* r = response();
  long number = -77;
  add(r, "1.3.6.1.4.1.32473.5.1.0", ASN_INTEGER, &number, sizeof(number));
  counter64 big{0xFFFFFFFFul, 0xFFFFFFFEul};
  add(r, "1.3.6.1.4.1.32473.5.2.0", ASN_COUNTER64, &big, sizeof(big));
  PmcPtr<IPmsSnmpTarget> target = make_target(v3test::no_auth_user(), "127.0.0.1", 161);

  CPmsV3ResponseConverter converter(r);
  ASSERT_EQ(converter.convert(pdu.get(), target.get()), PMC_OK);
  ASSERT_EQ(binding_count(pdu.get()), 2u);  // the surplus third binding is gone
  EXPECT_EQ(pdu->get_varbind_list()->at(0)->get_value(), reused);
  EXPECT_EQ(oid_text(pdu.get(), 0), "1.3.6.1.4.1.32473.5.1.0");
  EXPECT_EQ(value_text(pdu.get(), 0), "-77");
  EXPECT_EQ(oid_text(pdu.get(), 1), "1.3.6.1.4.1.32473.5.2.0");
  IPmcValue* c64 = pdu->get_varbind_list()->at(1)->get_value();
  ASSERT_EQ(c64->get_type(), PMC_TAG_COUNTER64);
  EXPECT_EQ(c64->get_high32(nullptr), 0xFFFFFFFFu);
  EXPECT_EQ(c64->get_low32(nullptr), 0xFFFFFFFEu);

  EXPECT_EQ(pdu->get_type(), PMS_PDU_RESPONSE);
  EXPECT_EQ(pdu->get_request_id(), 4711);

  // A response without bindings leaves none.
  CPmsV3ResponseConverter empty(response());
  ASSERT_EQ(empty.convert(pdu.get(), target.get()), PMC_OK);
  EXPECT_EQ(binding_count(pdu.get()), 0u);
}

TEST_F(V3Converter, ValueTypesWithAndWithoutAValueKind) {
  PmcPtr<IPmsPdu> pdu(pms_create_pdu(nullptr));  // no list yet: it is created
  snmp_pdu* r = response();
  const char opaque_bytes[] = {'\x01', '\0', '\x03'};
  add(r, "1.3.6.1.4.1.32473.6.1.0", 0xC4, opaque_bytes, sizeof(opaque_bytes));
  unsigned long gauge = 99;
  add(r, "1.3.6.1.4.1.32473.6.2.0", 0x47, &gauge, sizeof(gauge));
  add(r, "1.3.6.1.4.1.32473.6.3.0", SNMP_NOSUCHINSTANCE, nullptr, 0);
  const u_char ip[] = {192, 0, 2, 1};
  add(r, "1.3.6.1.4.1.32473.6.4.0", ASN_IPADDRESS, ip, 4);
  const oid id[] = {1, 3, 6, 1, 4, 1, 32473};
  add(r, "1.3.6.1.4.1.32473.6.5.0", ASN_OBJECT_ID, id, sizeof(id));
  add(r, "1.3.6.1.4.1.32473.6.6.0", ASN_OCTET_STR, "", 0);
  PmcPtr<IPmsSnmpTarget> target = make_target(v3test::no_auth_user(), "127.0.0.1", 161);

  CPmsV3ResponseConverter converter(r);
  ASSERT_EQ(converter.convert(pdu.get(), target.get()), PMC_OK);
  ASSERT_EQ(binding_count(pdu.get()), 6u);
  EXPECT_EQ(value_type(pdu.get(), 0), PMC_TAG_OCTET_STRING);
  size_t length = 0;
  const unsigned char* octets = pdu->get_varbind_list()->at(0)->get_value()->get_octets(&length, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(octets), length), std::string(opaque_bytes, 3));
  EXPECT_EQ(value_type(pdu.get(), 1), PMC_TAG_GAUGE32);
  EXPECT_EQ(value_text(pdu.get(), 1), "99");
  EXPECT_EQ(value_type(pdu.get(), 2), PMC_TAG_NO_SUCH_INSTANCE);
  EXPECT_EQ(value_text(pdu.get(), 3), "192.0.2.1");
  EXPECT_EQ(value_text(pdu.get(), 4), "1.3.6.1.4.1.32473");
  EXPECT_EQ(value_type(pdu.get(), 5), PMC_TAG_OCTET_STRING);
  EXPECT_EQ(value_text(pdu.get(), 5), "");

  snmp_pdu* bad = response();
  add(bad, "1.3.6.1.4.1.32473.6.7.0", ASN_OCTET_STR, "x", 1);
  bad->variables->type = 0x99;  // a type the library would not build itself
  CPmsV3ResponseConverter unknown(bad);
  EXPECT_EQ(unknown.convert(pdu.get(), target.get()), PMC_E_PLATFORM);

  snmp_pdu* short_ip = response();
  add(short_ip, "1.3.6.1.4.1.32473.6.8.0", ASN_IPADDRESS, ip, 3);
  CPmsV3ResponseConverter malformed(short_ip);
  EXPECT_EQ(malformed.convert(pdu.get(), target.get()), PMC_E_MALFORMED);
}

TEST_F(V3Converter, HeaderErrorStatusAndBindingMarks) {
  PmcPtr<IPmsSnmpTarget> target = make_target(v3test::no_auth_user(), "127.0.0.1", 161);
  PmcPtr<IPmsPdu> pdu = make_pdu(3, {"1.3.6.1.2.1.1.4.0", "1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.1.6.0"});
  snmp_pdu* r = response();
  for (const char* name : {"1.3.6.1.2.1.1.4.0", "1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.1.6.0"}) add(r, name, ASN_NULL, nullptr, 0);
  r->errstat = 6;
  r->errindex = 2;
  CPmsV3ResponseConverter converter(r);
  ASSERT_EQ(converter.convert(pdu.get(), target.get()), PMC_OK);
  EXPECT_EQ(pdu->get_error_status(), 6);
  EXPECT_EQ(pdu->get_error_index(), 2u);
  IPmcVarBindList* list = pdu->get_varbind_list();
  EXPECT_EQ(list->at(0)->get_mark(), PMC_MARK_OTHER);
  EXPECT_EQ(list->at(1)->get_mark(), 6);
  EXPECT_EQ(list->at(2)->get_mark(), PMC_MARK_OTHER);

  r->errstat = 25;  // beyond the known statuses
  ASSERT_EQ(converter.convert(pdu.get(), target.get()), PMC_OK);
  EXPECT_EQ(pdu->get_error_status(), 100);

  r->errstat = 0;
  r->errindex = 0;
  ASSERT_EQ(converter.convert(pdu.get(), target.get()), PMC_OK);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(list->at(i)->get_mark(), 0);

  r->command = SNMP_MSG_REPORT;
  ASSERT_EQ(converter.convert(pdu.get(), target.get()), PMC_OK);
  EXPECT_EQ(pdu->get_type(), PMS_PDU_REPORT);
  r->command = 0xB0;
  EXPECT_EQ(converter.convert(pdu.get(), target.get()), PMC_E_NO_PDU_TYPE);
}

// Community and SNMPv3 targets, and the packet that pairs a target with a PDU.
#include <gtest/gtest.h>

#include <string>

#include "protocol/pms_snmp_packet.h"
#include "protocol/pms_snmp_target.h"
#include "protocol/protocol_test_util.h"

namespace {

PmcPtr<IPmsSnmpTarget> community_target(const char* community) {
  int err = 1;
  PmcPtr<IPmsSnmpTarget> target(pms_create_community_target(&err));
  EXPECT_EQ(err, PMC_OK);
  if (community != nullptr) {
    EXPECT_EQ(pms_community_of(target.get())->set_community(community), PMC_OK);
  }
  return target;
}

PmcPtr<IPmsSnmpTarget> usm_target(const char* user) {
  int err = 1;
  PmcPtr<IPmsSnmpTarget> target(pms_create_usm_target(&err));
  EXPECT_EQ(err, PMC_OK);
  IPmsUsmTarget* usm = pms_usm_of(target.get());
  EXPECT_EQ(usm->set_user_name(user), PMC_OK);
  usm->set_security_level(2);
  usm->set_auth_protocol(1);
  usm->set_priv_protocol(2);
  usm->set_auth_pass_phrase("auth phrase");
  usm->set_priv_pass_phrase("priv phrase");
  usm->set_context_name("ctx");
  return target;
}

PmcPtr<IPmcNetworkAddress> address(const char* text, unsigned short port) {
  PmcPtr<IPmcNetworkAddress> out(pmc_create_network_address(nullptr));
  EXPECT_EQ(out->set(text, IPmcNetworkAddress::PROTOCOL_IPV4, port), PMC_OK);
  return out;
}

// Records which visitor operation a target called.
class KindVisitor : public IPmsSnmpTargetVisitor {
 public:
  int visit_community(IPmsCommunityTarget&) override { return 1; }
  int visit_usm(IPmsUsmTarget&) override { return 2; }
};

}  // namespace

TEST(SnmpTarget, NewTargetsHaveTheResetValues) {
  PmcPtr<IPmsSnmpTarget> targets[] = {community_target(nullptr), usm_target("")};
  for (const PmcPtr<IPmsSnmpTarget>& target : targets) {
    EXPECT_EQ(target->get_version(), PMS_VERSION_NONE);
    EXPECT_EQ(target->get_timeout(), -1);
    EXPECT_EQ(target->get_retries(), 0);
    EXPECT_EQ(target->get_max_message_size(), 0u);
    EXPECT_EQ(target->get_local_port(), 0);
    EXPECT_EQ(target->get_address(), nullptr);
  }
  EXPECT_EQ(pms_community_of(community_target(nullptr).get())->get_community(), nullptr);
  PmcPtr<IPmsSnmpTarget> usm = usm_target("");
  EXPECT_EQ(pms_usm_of(usm.get())->get_engine_id()->length(), 0u);
}

TEST(SnmpTarget, KindsAnswerTheirOwnInterfacesAndVisitorOperation) {
  PmcPtr<IPmsSnmpTarget> community = community_target("public");
  PmcPtr<IPmsSnmpTarget> usm = usm_target("user");
  KindVisitor visitor;
  EXPECT_EQ(community->accept(visitor), 1);
  EXPECT_EQ(usm->accept(visitor), 2);
  EXPECT_FALSE(community->uses_usm());
  EXPECT_TRUE(usm->uses_usm());

  void* out = nullptr;
  EXPECT_EQ(community->query_interface(PMS_IID_TARGET, &out), PMC_OK);
  EXPECT_EQ(out, static_cast<void*>(community.get()));
  for (int id : {PMS_IID_COMMUNITY, PMS_IID_COMMUNITY_ALT}) {
    out = nullptr;
    EXPECT_EQ(community->query_interface(id, &out), PMC_OK);
    EXPECT_EQ(static_cast<IPmsCommunityTarget*>(out)->get_community(), std::string("public"));
    EXPECT_EQ(usm->query_interface(id, &out), PMC_E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
  }
  for (int id : {PMS_IID_USM, PMS_IID_USM_ALT}) {
    EXPECT_EQ(usm->query_interface(id, &out), PMC_OK);
    EXPECT_EQ(static_cast<IPmsUsmTarget*>(out)->get_user_name(), std::string("user"));
    EXPECT_EQ(community->query_interface(id, &out), PMC_E_NOINTERFACE);
  }
  EXPECT_EQ(community->query_interface(PMS_IID_TARGET_IMPL, &out), PMC_OK);
  EXPECT_NE(out, nullptr);
  EXPECT_EQ(community->query_interface(6, &out), PMC_E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(community->query_interface(PMS_IID_TARGET, nullptr), PMC_E_ARG);
}

TEST(SnmpTarget, CommunityEqualityIsByCommunityOnly) {
  PmcPtr<IPmsSnmpTarget> a = community_target("public");
  PmcPtr<IPmsSnmpTarget> b = community_target("public");
  b->set_version(PMS_VERSION_V2C);
  b->set_timeout(10);
  EXPECT_TRUE(a->equals(*b));
  EXPECT_FALSE(a->equals(*community_target("private")));
  EXPECT_FALSE(a->equals(*community_target(nullptr)));
  EXPECT_TRUE(community_target(nullptr)->equals(*community_target(nullptr)));
  EXPECT_FALSE(community_target(nullptr)->equals(*community_target("")));
  // A community target and an SNMPv3 target are never equal.
  EXPECT_FALSE(a->equals(*usm_target("public")));
  EXPECT_FALSE(usm_target("public")->equals(*a));
}

TEST(SnmpTarget, UsmEqualityIgnoresCommonFieldsAndEngineId) {
  PmcPtr<IPmsSnmpTarget> a = usm_target("user");
  PmcPtr<IPmsSnmpTarget> b = usm_target("user");
  b->set_retries(4);
  ASSERT_EQ(pms_usm_of(b.get())->set_engine_id("\x80\x00\x01", 3), PMC_OK);
  EXPECT_TRUE(a->equals(*b));
  pms_usm_of(b.get())->set_priv_protocol(1);
  EXPECT_FALSE(a->equals(*b));
  pms_usm_of(b.get())->set_priv_protocol(2);
  pms_usm_of(b.get())->set_context_name("other");
  EXPECT_FALSE(a->equals(*b));
}

TEST(SnmpTarget, UserNameOfAtMost32Characters) {
  PmcPtr<IPmsSnmpTarget> target = usm_target("old");
  IPmsUsmTarget* usm = pms_usm_of(target.get());
  const std::string name32(32, 'u');
  EXPECT_EQ(usm->set_user_name((name32 + "x").c_str()), PMC_E_ARG);
  EXPECT_STREQ(usm->get_user_name(), "old");
  EXPECT_EQ(usm->set_user_name(name32.c_str()), PMC_OK);
  EXPECT_EQ(usm->get_user_name(), name32);
  EXPECT_EQ(usm->set_user_name(nullptr), PMC_OK);
  EXPECT_STREQ(usm->get_user_name(), "");
  EXPECT_EQ(usm->set_context_name(nullptr), PMC_OK);
  EXPECT_STREQ(usm->get_context_name(), "");
}

TEST(SnmpTarget, EngineIdHoldsOctets) {
  PmcPtr<IPmsSnmpTarget> target = usm_target("u");
  IPmsUsmTarget* usm = pms_usm_of(target.get());
  ASSERT_EQ(usm->set_engine_id("\x80\x00\x00\x01", 4), PMC_OK);
  EXPECT_TRUE(usm->get_engine_id()->equals("\x80\x00\x00\x01", 4));
  ASSERT_EQ(usm->set_engine_id("\x01", 0), PMC_OK);
  EXPECT_EQ(usm->get_engine_id()->length(), 0u);
  ASSERT_EQ(usm->set_engine_id("\x01", 1), PMC_OK);
  ASSERT_EQ(usm->set_engine_id(nullptr, 5), PMC_OK);
  EXPECT_EQ(usm->get_engine_id()->length(), 0u);
}

TEST(SnmpTarget, AssignCopiesEverythingOfTheSameKind) {
  PmcPtr<IPmsSnmpTarget> from = usm_target("user");
  from->set_version(PMS_VERSION_V3);
  from->set_timeout(1500);
  from->set_retries(3);
  from->set_max_message_size(1400);
  from->set_local_port(1161);
  ASSERT_EQ(from->set_address(address("192.0.2.7", 161).get()), PMC_OK);
  ASSERT_EQ(pms_usm_of(from.get())->set_engine_id("\x01\x02", 2), PMC_OK);

  int err = 1;
  PmcPtr<IPmsSnmpTarget> copy(from->clone(&err));
  ASSERT_EQ(err, PMC_OK);
  EXPECT_EQ(copy->get_version(), PMS_VERSION_V3);
  EXPECT_EQ(copy->get_timeout(), 1500);
  EXPECT_EQ(copy->get_retries(), 3);
  EXPECT_EQ(copy->get_max_message_size(), 1400u);
  EXPECT_EQ(copy->get_local_port(), 1161);
  ASSERT_NE(copy->get_address(), nullptr);
  EXPECT_NE(copy->get_address(), from->get_address());
  EXPECT_STREQ(copy->get_address()->c_str(), "192.0.2.7");
  EXPECT_EQ(copy->get_address()->get_port(), 161);
  IPmsUsmTarget* usm = pms_usm_of(copy.get());
  EXPECT_STREQ(usm->get_auth_pass_phrase(), "auth phrase");
  EXPECT_STREQ(usm->get_priv_pass_phrase(), "priv phrase");
  EXPECT_EQ(usm->get_priv_protocol(), 2);
  EXPECT_TRUE(usm->get_engine_id()->equals("\x01\x02", 2));
  EXPECT_TRUE(copy->equals(*from));
}

TEST(SnmpTarget, AssignAcrossKindsChangesNothing) {
  PmcPtr<IPmsSnmpTarget> community = community_target("public");
  community->set_version(PMS_VERSION_V1);
  PmcPtr<IPmsSnmpTarget> usm = usm_target("user");
  usm->set_version(PMS_VERSION_V3);
  ASSERT_EQ(usm->set_address(address("192.0.2.1", 0).get()), PMC_OK);
  EXPECT_EQ(community->assign(*usm), PMC_E_ARG);
  EXPECT_EQ(community->get_version(), PMS_VERSION_V1);
  EXPECT_EQ(community->get_address(), nullptr);
  EXPECT_EQ(usm->assign(*community), PMC_E_ARG);
  EXPECT_STREQ(pms_usm_of(usm.get())->get_user_name(), "user");
}

TEST(SnmpTarget, ResetKeepsTheCommunity) {
  PmcPtr<IPmsSnmpTarget> target = community_target("public");
  target->set_version(PMS_VERSION_V2C);
  target->set_retries(2);
  ASSERT_EQ(target->set_address(address("192.0.2.1", 161).get()), PMC_OK);
  target->reset();
  EXPECT_EQ(target->get_version(), PMS_VERSION_NONE);
  EXPECT_EQ(target->get_retries(), 0);
  EXPECT_EQ(target->get_address(), nullptr);
  EXPECT_STREQ(pms_community_of(target.get())->get_community(), "public");
  ASSERT_EQ(pms_community_of(target.get())->set_community(nullptr), PMC_OK);
  EXPECT_EQ(pms_community_of(target.get())->get_community(), nullptr);
}

TEST(SnmpTarget, AddressIsACopy) {
  PmcPtr<IPmsSnmpTarget> target = community_target("public");
  PmcPtr<IPmcNetworkAddress> given = address("192.0.2.9", 161);
  ASSERT_EQ(target->set_address(given.get()), PMC_OK);
  given->set_port(99);
  EXPECT_EQ(target->get_address()->get_port(), 161);
  ASSERT_EQ(target->set_address(nullptr), PMC_OK);
  EXPECT_EQ(target->get_address(), nullptr);
}

TEST(SnmpPacket, CloneAndEqualityCoverBothParts) {
  int err = 1;
  PmcPtr<IPmsSnmpPacket> packet(pms_create_snmp_packet(&err));
  ASSERT_EQ(err, PMC_OK);
  PmcPtr<IPmsSnmpPacket> empty(pms_create_snmp_packet(nullptr));
  EXPECT_TRUE(packet->equals(*empty));

  packet->set_target(community_target("public").release());
  EXPECT_FALSE(packet->equals(*empty));
  PmcPtr<IPmsPdu> pdu(pms_create_pdu(nullptr));
  pdu->set_type(PMS_PDU_GET);
  ASSERT_EQ(pdu->add(core_test::make_oid("1.3.6.1.2.1.1.1.0").release(), nullptr), PMC_OK);
  packet->set_pdu(pdu.release());

  PmcPtr<IPmsSnmpPacket> copy(packet->clone(&err));
  ASSERT_EQ(err, PMC_OK);
  EXPECT_NE(copy->get_pdu(), packet->get_pdu());
  EXPECT_NE(copy->get_target(), packet->get_target());
  EXPECT_TRUE(copy->equals(*packet));

  copy->get_pdu()->set_request_id(3);
  EXPECT_FALSE(copy->equals(*packet));
  copy->get_pdu()->set_request_id(0);
  pms_community_of(copy->get_target())->set_community("private");
  EXPECT_FALSE(copy->equals(*packet));

  PmcPtr<IPmsSnmpTarget> target(copy->detach_target());
  PmcPtr<IPmsPdu> detached(copy->detach_pdu());
  EXPECT_TRUE(target && detached);
  EXPECT_EQ(copy->get_target(), nullptr);
  EXPECT_EQ(copy->get_pdu(), nullptr);
}

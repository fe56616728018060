// The request object in SNMPv3 mode (version 2): the dispatcher hands its
// Get, walk and Set to the SNMPv3 session.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "agent/snmpd_agent.h"
#include "base/pmc_result.h"
#include "request/pmc_get_data.h"
#include "snmp/v3_test_support.h"

namespace {

namespace ber = psw_test::ber;

const std::string kEntry = "1.3.6.1.4.1.32473.60.1.1";

// The types profile plus a table of three rows and two columns.
psw_test::SnmpdOptions table_agent() {
  psw_test::SnmpdOptions o = v3test::agent_options("table-agent");
  const char* names[] = {"tray one", "tray two", "tray three"};
  for (int row = 1; row <= 3; ++row) {
    o.profile.set(kEntry + ".1." + std::to_string(row), ber::Value::Integer(row * 10));
    o.profile.set(kEntry + ".2." + std::to_string(row), ber::Value::OctetString(names[row - 1]));
  }
  return o;
}

PmcUsmSettings usm_of(const v3test::User& user) {
  PmcUsmSettings usm;
  usm.nSnmpMode = PMC_REQUEST_VERSION_V3;
  std::snprintf(usm.szUserName, sizeof usm.szUserName, "%s", user.name.c_str());
  usm.nSecurityLevel = user.level;
  usm.nAuthProtocol = user.auth;
  usm.nPrivProtocol = user.priv;
  std::snprintf(usm.szAuthPassPhrase, sizeof usm.szAuthPassPhrase, "%s", user.auth_phrase.c_str());
  std::snprintf(usm.szPrivPassPhrase, sizeof usm.szPrivPassPhrase, "%s", user.priv_phrase.c_str());
  std::snprintf(usm.szContextName, sizeof usm.szContextName, "%s", user.context.c_str());
  return usm;
}

class V3RequestObject : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    v3test::use_private_snmp_config();
    agent_ = new psw_test::SnmpdAgent(table_agent());
  }
  static void TearDownTestSuite() {
    delete agent_;
    agent_ = nullptr;
  }

  // A request object initialised for SNMPv3 with `user`.
  PmcPtr<IPmcGetData> request(const v3test::User& user) {
    PmcPtr<IPmcGetData> r(pmc_create_get_data(nullptr));
    usm_ = usm_of(user);
    EXPECT_EQ(r->init(agent_->address().c_str(), 1, agent_->port(), PMC_REQUEST_VERSION_V3, &usm_, 2000, 1, 0), PMC_OK);
    return r;
  }

  static psw_test::SnmpdAgent* agent_;
  PmcUsmSettings usm_;
};

psw_test::SnmpdAgent* V3RequestObject::agent_ = nullptr;

}  // namespace

// Every security level and protocol pair: a walk, a Get and a Set through
// the request object, each read back by another user.
TEST_F(V3RequestObject, WalkGetAndSetAtEverySecurityLevel) {
  const std::vector<v3test::User> users = v3test::all_users();
  ASSERT_EQ(users.size(), 5u);
  int32_t written = 70;
  for (const v3test::User& user : users) {
    SCOPED_TRACE(user.name);
    PmcPtr<IPmcGetData> r = request(user);
    ASSERT_EQ(r->add_oid_string((kEntry + ".1").c_str(), false), PMC_OK);
    ASSERT_EQ(r->add_oid_string((kEntry + ".2").c_str(), false), PMC_OK);
    PmcPtr<IPmsPduList> rows(pmc_create_pdu_list(nullptr));
    ASSERT_EQ(r->get_data(rows.get(), (kEntry + ".1").c_str()), PMC_OK);
    ASSERT_EQ(rows->size(), 3u);

    IPmcListIterator* it = rows->create_iterator(nullptr);
    const char* names[] = {"tray one", "tray two", "tray three"};
    for (int row = 1; row <= 3; ++row, rows->advance(it)) {
      IPmsPdu* pdu = rows->current(it);
      ASSERT_NE(pdu, nullptr);
      ASSERT_EQ(v3test::binding_count(pdu), 2u);
      EXPECT_EQ(v3test::oid_text(pdu, 0), kEntry + ".1." + std::to_string(row));
      EXPECT_EQ(v3test::value_text(pdu, 0), std::to_string(row * 10));
      EXPECT_EQ(v3test::oid_text(pdu, 1), kEntry + ".2." + std::to_string(row));
      EXPECT_EQ(v3test::value_text(pdu, 1), names[row - 1]);
    }
    rows->release_iterator(it);

    PmcPtr<IPmcGetData> get = request(user);
    ASSERT_EQ(get->add_oid_string("1.3.6.1.2.1.1.5", true), PMC_OK);
    char text[PMC_GET_DATA_TEXT_SIZE] = {};
    ASSERT_EQ(get->get_data(text), PMC_OK);
    EXPECT_STREQ(text, "table-agent");

    PmcPtr<IPmcGetData> set = request(user);
    ++written;
    ASSERT_EQ(set->add_oid_string(std::string(v3test::kTypesRoot).append(".6").c_str(), "1.0", written), PMC_OK);
    ASSERT_EQ(set->set_data(), PMC_OK);

    // Read back by a user of another level.
    PmcPtr<IPmcGetData> check = request(user.level == 0 ? v3test::sha_aes_user() : v3test::no_auth_user());
    ASSERT_EQ(check->add_oid_string(v3test::kWritableInt, false), PMC_OK);
    int32_t value = 0;
    ASSERT_EQ(check->get_data(&value), PMC_OK);
    EXPECT_EQ(value, written);
  }
}

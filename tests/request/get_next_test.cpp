// One GetNext without walking on (get_next_data): the names and texts the
// device answers with, exception values, refusals and short answers.
#include <gtest/gtest.h>

#include <string>

#include "agent/fault_agent.h"
#include "request/pmc_get_data.h"

namespace {

using psw_test::FaultAgent;
using psw_test::FaultScript;
namespace ber = psw_test::ber;

const PmcUsmSettings kNoUsm{};

class GetNextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    agent_.set("1.3.6.1.2.1.1.1.0", ber::Value::OctetString("Office laser"));
    agent_.set("1.3.6.1.2.1.25.3.5.1.1.1", ber::Value::Integer(3));
    agent_.set("1.3.6.1.2.1.43.5.1.1.2.1", ber::Value::Integer(1));
  }

  // A request for the agent with `names` added.
  PmcPtr<IPmcGetData> request(std::initializer_list<const char*> names) {
    int err = -1;
    PmcPtr<IPmcGetData> r(pmc_create_get_data(&err));
    EXPECT_EQ(r->init(agent_.address().c_str(), IPmcNetworkAddress::PROTOCOL_IPV4, agent_.port(), 0, &kNoUsm, 500, 0,
                      0),
              PMC_OK);
    for (const char* n : names) EXPECT_EQ(r->add_oid_string(n, false), PMC_OK);
    return r;
  }

  FaultAgent agent_{"127.0.0.1"};
};

TEST_F(GetNextTest, OneRequestGivesTheNextNameAndTextOfEveryBinding) {
  PmcPtr<IPmcGetData> r = request({"1.3.6.1.2.1.1.1", "1.3.6.1.2.1.25.3.5.1.1", "1.3.6.1.2.1.43.5.1.1"});
  PmcNextBinding out[3] = {};
  ASSERT_EQ(r->get_next_data(out, 3), PMC_OK);
  EXPECT_EQ(agent_.request_count(), 1u);
  EXPECT_STREQ(out[0].oid, "1.3.6.1.2.1.1.1.0");
  EXPECT_STREQ(out[0].text, "Office laser");
  EXPECT_TRUE(out[0].present);
  EXPECT_STREQ(out[1].oid, "1.3.6.1.2.1.25.3.5.1.1.1");
  EXPECT_STREQ(out[1].text, "3");
  EXPECT_STREQ(out[2].oid, "1.3.6.1.2.1.43.5.1.1.2.1");
  // Asking for fewer than were added takes the first ones.
  PmcNextBinding one = {};
  ASSERT_EQ(request({"1.3.6.1.2.1.1.1", "1.3.6.1.2.1.43"})->get_next_data(&one, 1), PMC_OK);
  EXPECT_STREQ(one.oid, "1.3.6.1.2.1.1.1.0");
}

TEST_F(GetNextTest, AnExceptionValueIsNotPresentAndHasNoText) {
  agent_.set("1.3.6.1.2.1.43.5.1.1.2.1", ber::Value::Exception(ber::kEndOfMibView));
  PmcNextBinding out = {};
  ASSERT_EQ(request({"1.3.6.1.2.1.43.5.1.1"})->get_next_data(&out, 1), PMC_OK);
  EXPECT_FALSE(out.present);
  EXPECT_STREQ(out.text, "");
  EXPECT_STREQ(out.oid, "1.3.6.1.2.1.43.5.1.1.2.1");
}

TEST_F(GetNextTest, ARefusedOrShortAnswerHasNoValue) {
  // SNMPv1 past the last object: noSuchName.
  PmcNextBinding out[2] = {};
  EXPECT_EQ(request({"1.3.6.1.2.1.1.1", "1.3.6.1.2.1.99"})->get_next_data(out, 2), PMC_E_NOVALUE);
  FaultScript script;
  script.error_status = 5;  // genErr
  agent_.set_script(script);
  EXPECT_EQ(request({"1.3.6.1.2.1.1.1"})->get_next_data(out, 1), PMC_E_NOVALUE);
  agent_.set_script(FaultScript{});
  // More bindings asked for than the answer holds.
  EXPECT_EQ(request({"1.3.6.1.2.1.1.1"})->get_next_data(out, 2), PMC_E_NOVALUE);
  // Bad arguments send nothing.
  const size_t before = agent_.request_count();
  EXPECT_EQ(request({"1.3.6.1.2.1.1.1"})->get_next_data(nullptr, 1), PMC_E_ARG);
  EXPECT_EQ(request({"1.3.6.1.2.1.1.1"})->get_next_data(out, -1), PMC_E_ARG);
  EXPECT_EQ(agent_.request_count(), before);
}

TEST_F(GetNextTest, ALongTextIsCutToTheBuffer) {
  agent_.set("1.3.6.1.2.1.1.1.0", ber::Value::OctetString(std::string(300, 'd')));
  PmcNextBinding out = {};
  ASSERT_EQ(request({"1.3.6.1.2.1.1.1"})->get_next_data(&out, 1), PMC_OK);
  EXPECT_EQ(std::string(out.text), std::string(PMC_GET_DATA_TEXT_SIZE - 1, 'd'));
}

}  // namespace

// The integer command "CmdSetCommunityVersion": which values it takes, and
// that later openings, reads and searches of the handle go out as SNMPv2c,
// while a device that speaks only SNMPv1 gives the time-out, not a result.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "agent/fault_agent.h"
#include "api/api_test_support.h"
#include "api/psw_handle.h"
#include "device/option_test_support.h"
#include "psw/psw.h"

namespace {

using api_test::Handle;
namespace ber = psw_test::ber;

constexpr const char* kCommand = "CmdSetCommunityVersion";

TEST(CommunityVersionCommand, OnlyOneAndTwoAreTaken) {
  Handle h;
  EXPECT_EQ(h->m_nCommunityVersion, PMS_VERSION_V1);
  EXPECT_EQ(PSWCommandInteger(h, kCommand, 2), PSW_OK);
  EXPECT_EQ(h->m_nCommunityVersion, PMS_VERSION_V2C);
  for (intptr_t refused : {intptr_t{0}, intptr_t{3}, intptr_t{-1}, intptr_t{258}}) {
    EXPECT_EQ(PSWCommandInteger(h, kCommand, refused), PSW_ERR_ARGUMENT) << refused;
    EXPECT_EQ(h->m_nCommunityVersion, PMS_VERSION_V2C) << "a refused value changes nothing";
  }
  EXPECT_EQ(PSWCommandInteger(h, kCommand, 1), PSW_OK);
  EXPECT_EQ(h->m_nCommunityVersion, PMS_VERSION_V1);
  EXPECT_EQ(PSWCommandInteger(h, "cmdsetcommunityversion", 2), PSW_ERR_UNSUPPORTED);
  EXPECT_EQ(PSWCommandInteger(nullptr, kCommand, 2), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWCommandString(h, kCommand, "2"), PSW_ERR_UNSUPPORTED);
  EXPECT_FALSE(h->m_bAnyModel);  // the other integer command is not touched
}

// The office printer on port 161 of 127.0.0.1 in a namespace of its own,
// as a fault agent that records the version of every request.
class CommunityVersionDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    netns_.run([&] { agent_ = std::make_unique<psw_test::FaultAgent>("127.0.0.1", 161); });
    agent_->load(option_test::office_mfp_profile());
  }

  std::set<int32_t> versions_sent() const {
    std::set<int32_t> versions;
    for (const auto& r : agent_->requests()) versions.insert(r.message.version);
    return versions;
  }

  status_test::PrivateNetns netns_;
  std::unique_ptr<psw_test::FaultAgent> agent_;
};

TEST_F(CommunityVersionDevice, OpeningReadsOptionsAndSearchesGoOutAsSnmpv2c) {
  Handle h;
  ASSERT_EQ(PSWCommandInteger(h, kCommand, 2), PSW_OK);
  netns_.run([&] {
    ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 1000, 1), PSW_OK);
    int32_t count = 0;
    ASSERT_EQ(PSWGetNumberOfInputTrayInfo(h, &count), PSW_OK);
    EXPECT_EQ(count, 5);
    ASSERT_EQ(PSWRefreshOptions(h), PSW_OK);
    int32_t found = 0;
    ASSERT_EQ(PSWFindDeviceSNMP(h, "127.0.0.1", PSW_TRANSPORT_UDP, 300, 0, &found), PSW_OK);
    EXPECT_EQ(found, 1);
  });
  EXPECT_EQ(versions_sent(), std::set<int32_t>{ber::kVersion2c});

  // A device opened before the command was taken back keeps its version;
  // the next opening goes out as SNMPv1 again.
  agent_->reset_requests();
  ASSERT_EQ(PSWCommandInteger(h, kCommand, 1), PSW_OK);
  netns_.run([&] {
    int32_t count = 0;
    ASSERT_EQ(PSWGetNumberOfOutputTrayInfo(h, &count), PSW_OK);
  });
  EXPECT_EQ(versions_sent(), std::set<int32_t>{ber::kVersion2c});
  agent_->reset_requests();
  netns_.run([&] { ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 1000, 1), PSW_OK); });
  EXPECT_EQ(versions_sent(), std::set<int32_t>{ber::kVersion1});
}

TEST_F(CommunityVersionDevice, DeviceThatSpeaksOnlySnmpv1GivesTheTimeOut) {
  psw_test::FaultScript script;
  script.hook = [](size_t, const ber::Message& request, psw_test::ReplyPlan& plan) {
    plan.drop = request.version != ber::kVersion1;
  };
  agent_->set_script(script);
  Handle h;
  ASSERT_EQ(PSWCommandInteger(h, kCommand, 2), PSW_OK);
  netns_.run([&] {
    EXPECT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 100, 1), PSW_ERR_TIMEOUT);
    int32_t found = -1;
    EXPECT_EQ(PSWFindDeviceSNMP(h, "127.0.0.1", PSW_TRANSPORT_UDP, 100, 0, &found), PSW_OK);
    EXPECT_EQ(found, 0);
  });
  // Opened over SNMPv1 the same device answers; its tables then read as
  // SNMPv1 too, whatever the handle chooses later.
  Handle v1;
  netns_.run([&] {
    ASSERT_EQ(PSWInitDevice(v1, "127.0.0.1", PSW_TRANSPORT_UDP, 100, 1), PSW_OK);
    ASSERT_EQ(PSWCommandInteger(v1, kCommand, 2), PSW_OK);
    int32_t count = 0;
    EXPECT_EQ(PSWGetNumberOfInputTrayInfo(v1, &count), PSW_OK);
    EXPECT_EQ(count, 5);
  });
}

}  // namespace

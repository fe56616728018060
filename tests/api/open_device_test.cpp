// Device opening through the C interface: the checks in their order, the
// one request of the model check, the communities handed on, what a failed
// opening leaves, and repeated openings.
#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

#include "api/api_test_support.h"
#include "api/psw_handle.h"
#include "base/pmc_result.h"
#include "device/option_test_support.h"
#include "psw/psw.h"

namespace {

using option_test::Family;
using option_test::FaultPrinter;
namespace ber = psw_test::ber;

using api_test::Handle;

TEST(OpenDevice, NullPointersAndTransportsOutsideTheTableCreateNothing) {
  Handle h;
  PSWUSMSettings block = {};
  EXPECT_EQ(PSWInitDevice(nullptr, "127.0.0.1", PSW_TRANSPORT_UDP, 100, 0), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWInitDevice(h, nullptr, PSW_TRANSPORT_UDP, 100, 0), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWInitDeviceEx(nullptr, "127.0.0.1", PSW_TRANSPORT_UDP, 0, &block, 100, 0), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWInitDeviceEx(h, nullptr, PSW_TRANSPORT_UDP, 0, &block, 100, 0), PSW_ERR_ARGUMENT);
  // A null settings block is refused rather than read.
  EXPECT_EQ(PSWInitDeviceEx(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2, nullptr, 100, 0), PSW_ERR_ARGUMENT);
  for (int32_t transport : {0, 4, 6, -1, 1000}) {
    EXPECT_EQ(PSWInitDevice(h, "127.0.0.1", transport, 100, 0), PSW_ERR_ARGUMENT) << transport;
    EXPECT_EQ(PSWInitDeviceEx(h, "127.0.0.1", transport, 0, &block, 100, 0), PSW_ERR_ARGUMENT) << transport;
  }
  EXPECT_EQ(h->m_pOption, nullptr);
  EXPECT_EQ(h->m_pStatus, nullptr);
  // The settings object was not touched either.
  EXPECT_EQ(h->m_pUSM->get_snmp_mode(), -1);
}

TEST(OpenDevice, NegativeTimeOutOrRetriesAreRefusedAlikeForEveryMode) {
  // Community-based and SNMPv3 openings follow one rule, checked before the
  // model check sends anything (nothing listens on 127.0.0.1:161 here).
  Handle h;
  PSWUSMSettings v3 = {};
  std::strcpy(v3.userName, "user");
  for (int32_t mode : {0, 2}) {
    for (auto [timeout, retries] : {std::pair{100, -1}, std::pair{-1, 0}}) {
      SCOPED_TRACE(std::to_string(mode) + ": " + std::to_string(timeout) + "/" + std::to_string(retries));
      EXPECT_EQ(PSWInitDeviceEx(h, "127.0.0.1", PSW_TRANSPORT_UDP, mode, &v3, timeout, retries), PSW_ERR_ARGUMENT);
      EXPECT_EQ(h->m_pStatus, nullptr);
    }
  }
}

TEST(OpenDevice, ReservedTransportIsRefusedByTheReader) {
  Handle h;
  EXPECT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_RESERVED, 100, 0), PSW_ERR_ARGUMENT);
  EXPECT_NE(h->m_pOption, nullptr);  // created before its Init refused protocol 3
  EXPECT_EQ(h->m_pStatus, nullptr);
  int32_t count = 0;
  EXPECT_EQ(PSWGetNumberOfStorageInfo(h, &count), PSW_ERR_NOT_OPENED);
}

class OpenDeviceOn : public ::testing::TestWithParam<Family> {};

TEST_P(OpenDeviceOn, OpeningSendsOneRequestAndCreatesTheStatusObject) {
  FaultPrinter printer(GetParam(), option_test::office_mfp_profile());
  Handle h;
  printer.run([&] { ASSERT_EQ(PSWInitDevice(h, GetParam().address, GetParam().transport, 1000, 1), PSW_OK); });
  ASSERT_EQ(printer.agent().request_count(), 1u);
  const std::vector<psw_test::ReceivedRequest> requests = printer.agent().requests();
  const ber::Message& check = requests[0].message;
  EXPECT_EQ(check.pdu_type, ber::kGetRequest);
  ASSERT_EQ(check.bindings.size(), 1u);
  EXPECT_EQ(ber::oid_text(check.bindings[0].oid), "1.3.6.1.2.1.1.2.0");
  EXPECT_EQ(check.community, "public");
  ASSERT_NE(h->m_pOption, nullptr);
  ASSERT_NE(h->m_pStatus, nullptr);
  // The plain opening sets community-based requests in the settings.
  EXPECT_EQ(h->m_pUSM->get_snmp_mode(), 0);
  EXPECT_EQ(h->m_pUSM->get_security_level(), 0);
  // The status functions now answer from the (still empty) tables.
  PSWStorageInfo info;
  EXPECT_EQ(PSWGetStorageInfo(h, 0, &info), PSW_ERR_INDEX);
  EXPECT_EQ(PSWIsSupportedOID(h, option_test::kOfficeSysObjectId), 1);
}

TEST_P(OpenDeviceOn, CommunitiesOfTheHandleReachTheReaders) {
  FaultPrinter printer(GetParam(), option_test::office_mfp_profile());
  printer.agent().set_communities({"office-ro", "office-rw"});
  Handle h;
  ASSERT_EQ(PSWCommandString(h, "CmdSetCommunityGetOption", "office-ro"), PSW_OK);
  ASSERT_EQ(PSWCommandString(h, "CmdSetCommunityWrite", "office-rw"), PSW_OK);
  printer.run([&] {
    ASSERT_EQ(PSWInitDevice(h, GetParam().address, GetParam().transport, 1000, 1), PSW_OK);
    ASSERT_EQ(PSWRefreshOptions(h), PSW_OK);
    int32_t count = 0;
    ASSERT_EQ(PSWGetNumberOfInputTrayInfo(h, &count), PSW_OK);
    EXPECT_EQ(count, 5);
    PSWCancelJob(h, "00001044");  // whatever the agent answers: the community is what counts
  });
  size_t sets = 0;
  for (const psw_test::ReceivedRequest& r : printer.agent().requests()) {
    if (r.message.pdu_type == ber::kSetRequest) {
      ++sets;
      EXPECT_EQ(r.message.community, "office-rw");
    } else {
      EXPECT_EQ(r.message.community, "office-ro");
    }
  }
  EXPECT_EQ(sets, 1u);
}

TEST_P(OpenDeviceOn, TimeOutAndRetriesReachTheRequest) {
  FaultPrinter printer(GetParam(), option_test::office_mfp_profile());
  psw_test::FaultScript script;
  script.drop_first = 1000;
  printer.agent().set_script(script);
  Handle h;
  printer.run([&] { EXPECT_EQ(PSWInitDevice(h, GetParam().address, GetParam().transport, 50, 2), PMC_E_TIMEOUT); });
  EXPECT_EQ(printer.agent().request_count(), 3u);
  EXPECT_EQ(h->m_pStatus, nullptr);
}

TEST_P(OpenDeviceOn, OtherModelOnAFreshHandle) {
  FaultPrinter printer(GetParam(), option_test::other_model_profile());
  Handle h;
  printer.run([&] {
    EXPECT_EQ(PSWInitDevice(h, GetParam().address, GetParam().transport, 1000, 1), PSW_ERR_ARGUMENT);
  });
  EXPECT_EQ(h->m_pStatus, nullptr);
  int32_t count = -1;
  EXPECT_EQ(PSWGetNumberOfStorageInfo(h, &count), PSW_ERR_NOT_OPENED);
  EXPECT_EQ(PSWGetNumberOfJobInfo(h, 0, &count), PSW_ERR_NOT_OPENED);
  PSWPrinterInfo info;
  EXPECT_EQ(PSWGetPrinterInfo(h, &info), PSW_ERR_NOT_OPENED);
  EXPECT_EQ(count, -1);
  // The option functions answer from the reader that failed its check.
  EXPECT_EQ(PSWIsSupportedOID(h, option_test::kOtherSysObjectId), 1);
  EXPECT_EQ(PSWIsSupportedOID(h, option_test::kOfficeSysObjectId), 0);
  char text[PSW_OPTION_TEXT_SIZE] = "x";
  EXPECT_EQ(PSWGetOptionValueString(h, "SysName", 0, text), PSW_OK);
  EXPECT_STREQ(text, "");
}

TEST_P(OpenDeviceOn, AddressOfAnotherFamilyIsRefusedWithoutARequest) {
  FaultPrinter printer(GetParam(), option_test::office_mfp_profile());
  Handle h;
  printer.run([&] {
    const int32_t other = GetParam().transport == PSW_TRANSPORT_UDP ? PSW_TRANSPORT_UDP6 : PSW_TRANSPORT_UDP;
    EXPECT_EQ(PSWInitDevice(h, GetParam().address, other, 100, 0), PSW_ERR_ARGUMENT);
    EXPECT_EQ(PSWInitDevice(h, "00000001:0a0b0c0d0e0f", GetParam().transport, 100, 0), PSW_ERR_ARGUMENT);
  });
  EXPECT_EQ(printer.agent().request_count(), 0u);
  EXPECT_EQ(h->m_pStatus, nullptr);
}

TEST_P(OpenDeviceOn, RepeatedOpeningReplacesBothObjects) {
  FaultPrinter printer(GetParam(), option_test::office_mfp_profile());
  Handle h;
  printer.run([&] {
    for (int i = 0; i < 3; ++i) {
      ASSERT_EQ(PSWInitDevice(h, GetParam().address, GetParam().transport, 1000, 1), PSW_OK);
      // Each opening starts from empty tables and empty options.
      PSWStorageInfo info;
      EXPECT_EQ(PSWGetStorageInfo(h, 0, &info), PSW_ERR_INDEX);
      int32_t trays = -1;
      EXPECT_EQ(PSWGetOptionValueInteger(h, "NumberOfInputTray", 0, &trays), PSW_OK);
      EXPECT_EQ(trays, 0);
      int32_t count = 0;
      ASSERT_EQ(PSWGetNumberOfStorageInfo(h, &count), PSW_OK);
      ASSERT_EQ(PSWRefreshOptions(h), PSW_OK);
    }
  });
  // The objects of the earlier openings were released: the sanitizer builds
  // report any that leaked when the test ends.
}

INSTANTIATE_TEST_SUITE_P(Families, OpenDeviceOn, ::testing::Values(option_test::kIPv4, option_test::kIPv6),
                         option_test::family_name);

TEST(OpenDeviceTwoPrinters, FailedReopeningKeepsTheStatusOfTheDeviceBefore) {
  status_test::PrivateNetns netns;
  std::unique_ptr<psw_test::FaultAgent> office, other;
  netns.run([&] {
    office = std::make_unique<psw_test::FaultAgent>("127.0.0.1", 161);
    other = std::make_unique<psw_test::FaultAgent>("127.0.0.2", 161);
  });
  office->load(option_test::office_mfp_profile());
  other->load(option_test::other_model_profile());
  Handle h;
  netns.run([&] {
    ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 1000, 1), PSW_OK);
    CPSWDeviceStatus* status = h->m_pStatus.get();
    CPSWFalconOption* reader = h->m_pOption.get();
    EXPECT_EQ(PSWInitDevice(h, "127.0.0.2", PSW_TRANSPORT_UDP, 1000, 1), PSW_ERR_ARGUMENT);
    EXPECT_EQ(h->m_pStatus.get(), status);
    EXPECT_NE(h->m_pOption.get(), reader);
    // The status functions still read the device opened before...
    int32_t count = 0;
    ASSERT_EQ(PSWGetNumberOfInputTrayInfo(h, &count), PSW_OK);
    EXPECT_EQ(count, 5);
    // ... while the options come from the refused one.
    EXPECT_EQ(PSWIsSupportedOID(h, option_test::kOtherSysObjectId), 1);
    ASSERT_EQ(PSWRefreshOptions(h), PSW_OK);
    char name[PSW_OPTION_TEXT_SIZE];
    ASSERT_EQ(PSWGetOptionValueString(h, "SysName", 0, name), PSW_OK);
    EXPECT_STREQ(name, "PRN-2F-WEST");
  });
}

}  // namespace

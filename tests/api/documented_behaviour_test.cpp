// What docs/api.md promises callers about address texts the library cannot
// read, option getters before the first refresh, and an opening that fails
// after an earlier one succeeded: checked against the simulated printer.
#include <gtest/gtest.h>

#include <cstring>

#include "device/status_test_support.h"
#include "psw/psw.h"

namespace {

using status_test::SimulatedPrinter;

class DocumentedBehaviour : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(PSWInit(&h_), PSW_OK); }
  void TearDown() override { PSWUnInit(h_); }
  PSWHANDLE h_ = nullptr;
  SimulatedPrinter printer_{status_test::office_printer_profile()};
};

TEST_F(DocumentedBehaviour, AddressTextsThatCannotBeReadGiveFailedForOpeningAndSearching) {
  printer_.run([&] {
    for (const char* address : {"", "printer.local", "10.1.1.300"}) {
      EXPECT_EQ(PSWInitDevice(h_, address, PSW_TRANSPORT_UDP, 300, 0), PSW_ERR_FAILED) << "'" << address << "'";
      int32_t count = 7;
      EXPECT_EQ(PSWFindDeviceSNMP(h_, address, PSW_TRANSPORT_UDP, 300, 0, &count), PSW_ERR_FAILED)
          << "'" << address << "'";
    }
    // Nothing was opened by them.
    int32_t count = 0;
    EXPECT_EQ(PSWGetNumberOfTonerInfo(h_, &count), PSW_ERR_NOT_OPENED);
  });
}

TEST_F(DocumentedBehaviour, OptionGettersAnswerZeroValuesBeforeTheFirstRefresh) {
  printer_.run([&] {
    ASSERT_EQ(PSWInitDevice(h_, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), PSW_OK);
    int16_t yes = 7;
    int32_t number = 7;
    char text[PSW_OPTION_TEXT_SIZE];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(PSWGetOptionValueBoolean(h_, "DuplexModule", 0, &yes), PSW_OK);
    EXPECT_EQ(yes, 0);
    EXPECT_EQ(PSWGetOptionValueInteger(h_, "MemorySizeInKByte", 0, &number), PSW_OK);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(PSWGetOptionValueString(h_, "PrinterRomVersion", 0, text), PSW_OK);
    EXPECT_STREQ(text, "");
    // No trays yet: a tray key's index 0 is beyond them.
    EXPECT_EQ(PSWGetOptionValueInteger(h_, "NumberOfInputTray", 0, &number), PSW_OK);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(PSWGetOptionValueString(h_, "InputTrayName", 0, text), PSW_ERR_INDEX);
    // After the refresh the device's values.
    ASSERT_EQ(PSWRefreshOptions(h_), PSW_OK);
    EXPECT_EQ(PSWGetOptionValueString(h_, "PrinterRomVersion", 0, text), PSW_OK);
    EXPECT_STRNE(text, "");
  });
}

TEST_F(DocumentedBehaviour, AFailedReopeningLeavesThePreviousDevicesStatusReadable) {
  printer_.run([&] {
    ASSERT_EQ(PSWInitDevice(h_, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), PSW_OK);
    ASSERT_EQ(PSWRefreshOptions(h_), PSW_OK);
    int32_t before = 0;
    ASSERT_EQ(PSWGetNumberOfTonerInfo(h_, &before), PSW_OK);
    ASSERT_GT(before, 0);

    // Openings that fail in each way: no answer, another protocol, an
    // address text that cannot be read.
    ASSERT_EQ(PSWCommandString(h_, "CmdSetCommunityGetOption", "wrong"), PSW_OK);
    EXPECT_EQ(PSWInitDevice(h_, "127.0.0.1", PSW_TRANSPORT_UDP, 200, 0), PSW_ERR_TIMEOUT);
    EXPECT_EQ(PSWInitDevice(h_, "::1", PSW_TRANSPORT_UDP, 200, 0), PSW_ERR_ARGUMENT);
    EXPECT_EQ(PSWInitDevice(h_, "printer.local", PSW_TRANSPORT_UDP, 200, 0), PSW_ERR_FAILED);

    // The status tables are still those of the device opened before, read
    // with its community.
    int32_t after = 0;
    EXPECT_EQ(PSWGetNumberOfTonerInfo(h_, &after), PSW_OK);
    EXPECT_EQ(after, before);
    PSWPrinterInfo info{};
    EXPECT_EQ(PSWGetPrinterInfo(h_, &info), PSW_OK);
    // The options are not: they belong to the failed opening's reader,
    // which has read nothing.
    int32_t trays = 7;
    EXPECT_EQ(PSWGetOptionValueInteger(h_, "NumberOfInputTray", 0, &trays), PSW_OK);
    EXPECT_EQ(trays, 0);
  });
}

}  // namespace

// The option functions of the C interface: their checks in order, the
// values of every key of the simulated office printer through the C types,
// and PSWIsSupportedOID.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "api/psw_handle.h"
#include "device/option_test_support.h"
#include "psw/psw.h"

namespace {

using option_test::Family;

TEST(OptionApi, ChecksPointersFirstThenTheOpenedDevice) {
  PSWHANDLE h = nullptr;
  ASSERT_EQ(PSWInit(&h), PSW_OK);
  int16_t b = 7;
  int32_t i = 7;
  uint32_t u = 7;
  char text[PSW_OPTION_TEXT_SIZE] = "untouched";
  EXPECT_EQ(PSWRefreshOptions(nullptr), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetOptionValueBoolean(nullptr, "Scanner", 0, &b), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetOptionValueBoolean(h, nullptr, 0, &b), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetOptionValueBoolean(h, "Scanner", 0, nullptr), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetOptionValueInteger(nullptr, "FAXType", 0, &i), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetOptionValueInteger(h, nullptr, 0, &i), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetOptionValueInteger(h, "FAXType", 0, nullptr), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetOptionValueUInteger(nullptr, "FAXType", 0, &u), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetOptionValueUInteger(h, nullptr, 0, &u), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetOptionValueUInteger(h, "FAXType", 0, nullptr), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetOptionValueString(nullptr, "SysName", 0, text), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetOptionValueString(h, nullptr, 0, text), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetOptionValueString(h, "SysName", 0, nullptr), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWIsSupportedOID(nullptr, "1.3"), -2);
  EXPECT_EQ(PSWIsSupportedOID(nullptr, nullptr), -2);

  // A fresh handle has no device: -8, and no for every identifier.
  EXPECT_EQ(PSWRefreshOptions(h), PSW_ERR_NOT_OPENED);
  EXPECT_EQ(PSWGetOptionValueBoolean(h, "Scanner", 0, &b), PSW_ERR_NOT_OPENED);
  EXPECT_EQ(PSWGetOptionValueInteger(h, "FAXType", 0, &i), PSW_ERR_NOT_OPENED);
  EXPECT_EQ(PSWGetOptionValueUInteger(h, "FAXType", 0, &u), PSW_ERR_NOT_OPENED);
  EXPECT_EQ(PSWGetOptionValueString(h, "SysName", 0, text), PSW_ERR_NOT_OPENED);
  EXPECT_EQ(PSWIsSupportedOID(h, "1.3"), 0);
  EXPECT_EQ(PSWIsSupportedOID(h, ""), 0);
  EXPECT_EQ(PSWIsSupportedOID(h, nullptr), 0);
  EXPECT_EQ(b, 7);
  EXPECT_EQ(i, 7);
  EXPECT_EQ(u, 7u);
  EXPECT_STREQ(text, "untouched");
  PSWUnInit(h);
}

// One input tray as the keys report it.
struct Tray {
  int32_t type, maxSheets, levelPercent, mediaSize, direction, feed, crossFeed;
  const char* name;
  const char* description;
  const char* mediaType;
};

// The five trays of prtInputTable, converted by hand:
//  1: A4 (210 x 297 mm) fed short side first; 412 of 550 sheets -> 75 %.
//  2: A3 (297 x 420 mm) fed long side first; level -3 (some) -> -1.
//  3: dimensions in ten-thousandths of inches, capacity by height: no size,
//     no sheet figures.
//  4: A4, capacity in micrometres: no sheet figures.
//  5: the manual tray (type 5): A5 (148 x 210 mm); 100 sheets, level -2.
const Tray kTrays[] = {
    {3, 550, 75, 25, 2, 210000, 297000, "Tray 1", "Paper Tray 1 (550 sheets)", "stationery"},
    {3, 550, -1, 24, 3, 420000, 297000, "Tray 2", "Paper Tray 2 (550 sheets)", "recycled"},
    {3, -1, -1, 10000, 1, 110000, 85000, "Tray 3", "Paper Tray 3 (stack height)", "stationery"},
    {4, -1, -1, 25, 2, 210000, 297000, "LCT", "Large Capacity Tray (2000 sheets)", "stationery"},
    {5, 100, -1, 26, 2, 148000, 210000, "Bypass", "Manual Feed Tray", "transparency"},
};

class OptionApiOn : public ::testing::TestWithParam<Family> {
 protected:
  void SetUp() override { ASSERT_EQ(PSWInit(&h_), PSW_OK); }
  void TearDown() override { PSWUnInit(h_); }

  // Serves the office printer and runs `body` after a successful opening.
  void opened(const std::function<void()>& body) {
    status_test::SimulatedPrinter printer(option_test::office_mfp_profile());
    printer.run([&] {
      ASSERT_EQ(PSWInitDevice(h_, GetParam().address, GetParam().transport, 2000, 1), PSW_OK);
      body();
    });
  }

  int16_t yes(const char* key) {
    int16_t value = -1;
    EXPECT_EQ(PSWGetOptionValueBoolean(h_, key, 0, &value), PSW_OK) << key;
    return value;
  }
  int32_t number(const char* key, uint16_t index = 0) {
    int32_t value = -12345;
    EXPECT_EQ(PSWGetOptionValueInteger(h_, key, index, &value), PSW_OK) << key;
    return value;
  }
  std::string text(const char* key, uint16_t index = 0) {
    char buffer[PSW_OPTION_TEXT_SIZE];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(PSWGetOptionValueString(h_, key, index, buffer), PSW_OK) << key;
    return std::string(buffer, strnlen(buffer, sizeof buffer));
  }

  void expect_trays() {
    for (uint16_t i = 0; i < 5; ++i) {
      const Tray& t = kTrays[i];
      EXPECT_EQ(number("InputTrayIndex", i), i + 1);
      EXPECT_EQ(number("InputTrayType", i), t.type) << i;
      EXPECT_EQ(number("InputTrayMaxCapacityInSheets", i), t.maxSheets) << i;
      EXPECT_EQ(number("InputTrayCurrentLevelInPercent", i), t.levelPercent) << i;
      EXPECT_EQ(number("InputTrayMediaSize", i), t.mediaSize) << i;
      EXPECT_EQ(number("InputTrayMediaDirection", i), t.direction) << i;
      EXPECT_EQ(number("InputTrayMediaDimFeedDirChosen", i), t.feed) << i;
      EXPECT_EQ(number("InputTrayMediaDimXFeedDirChosen", i), t.crossFeed) << i;
      EXPECT_EQ(text("InputTrayName", i), t.name);
      EXPECT_EQ(text("InputTrayDescription", i), t.description);
      EXPECT_EQ(text("InputTrayMediaType", i), t.mediaType);
    }
  }

  PSWHANDLE h_ = nullptr;
};

TEST_P(OptionApiOn, EveryKeyThroughTheCTypes) {
  opened([&] {
    ASSERT_EQ(PSWRefreshOptions(h_), PSW_OK);
    const std::map<std::string, int16_t> flags = {
        {"Scanner", 0},        {"Copier", 0},           {"FAXUnit", 1},          {"HardDisk", 0},
        {"DuplexModule", 1},   {"OffsetCatch", 1},      {"InTrayMSI", 1},        {"InTrayEx2", 0},
        {"InTrayEx2HCF", 0},   {"OutTrayOffsetCatch", 0}, {"OutTrayCenter2", 1},  {"Finisher", 0},
        {"FinisherStaple", 0}, {"FinisherPunch", 0},    {"FinisherPunchHole2", 0}, {"FinisherPunchHole3", 0},
        {"FinisherPunchHole4", 0}, {"FinisherBooklet", 1}, {"FAXISDNG4Kit", 1},  {"FAXLineSwitchKit", 0},
        {"OutTrayHCCT", 0},
    };
    for (const auto& f : flags) EXPECT_EQ(yes(f.first.c_str()), f.second) << f.first;
    const std::map<std::string, int32_t> numbers = {
        {"MemorySizeInKByte", 2096640}, {"MemorySizeInMByte", 2047},   {"FAXMaxSpeedDial", 2000},
        {"FAXType", 3},                 {"NumberOfInputTray", 5},      {"PrinterRomVersionMajor", 2},
        {"PrinterRomVersionMinor", 31}, {"PrinterRomVersionRevision", 7}, {"PaperSizeGroupSetting", 2},
        {"PaperSize8KSetting", 1},      {"FinisherBookletImpression", 20}, {"FinisherType", 0},
        {"PrintLimitedColorSetting", 1}, {"UserPromptSetting", 0},    {"MinPasswordLength", 8},
    };
    for (const auto& n : numbers) EXPECT_EQ(number(n.first.c_str()), n.second) << n.first;
    EXPECT_EQ(text("SysName"), "MFP-3F-EAST");
    EXPECT_EQ(text("PrinterRomVersion"), "Printer Controller v2.31.7 - Processor");
    EXPECT_EQ(text("NetWareSAPUnitName"), "QM-Q4410-3F-EAST");
    expect_trays();
  });
}

TEST_P(OptionApiOn, RefusalsLeaveTheOutputs) {
  opened([&] {
    ASSERT_EQ(PSWRefreshOptions(h_), PSW_OK);
    int16_t b = 7;
    int32_t i = 7;
    uint32_t u = 7;
    char buffer[PSW_OPTION_TEXT_SIZE] = "untouched";
    // Keys of another kind and unknown keys.
    EXPECT_EQ(PSWGetOptionValueInteger(h_, "Scanner", 0, &i), PSW_ERR_UNSUPPORTED);
    EXPECT_EQ(PSWGetOptionValueBoolean(h_, "FAXType", 0, &b), PSW_ERR_UNSUPPORTED);
    EXPECT_EQ(PSWGetOptionValueString(h_, "NumberOfInputTray", 0, buffer), PSW_ERR_UNSUPPORTED);
    EXPECT_EQ(PSWGetOptionValueBoolean(h_, "scanner", 0, &b), PSW_ERR_UNSUPPORTED);
    // No option is unsigned.
    for (const char* key : {"MemorySizeInKByte", "NumberOfInputTray", "Scanner", "SysName"}) {
      EXPECT_EQ(PSWGetOptionValueUInteger(h_, key, 0, &u), PSW_ERR_UNSUPPORTED) << key;
    }
    // Tray indexes from the tray count up; 65535 is the largest index the
    // interface can carry.
    EXPECT_EQ(PSWGetOptionValueInteger(h_, "InputTrayType", 5, &i), PSW_ERR_INDEX);
    EXPECT_EQ(PSWGetOptionValueInteger(h_, "InputTrayType", 65535, &i), PSW_ERR_INDEX);
    EXPECT_EQ(PSWGetOptionValueString(h_, "InputTrayName", 5, buffer), PSW_ERR_INDEX);
    EXPECT_EQ(b, 7);
    EXPECT_EQ(i, 7);
    EXPECT_EQ(u, 7u);
    EXPECT_STREQ(buffer, "untouched");
    // The yes/no keys ignore the index.
    EXPECT_EQ(PSWGetOptionValueBoolean(h_, "FAXUnit", 65535, &b), PSW_OK);
    EXPECT_EQ(b, 1);
  });
}

TEST_P(OptionApiOn, SupportedIdentifiers) {
  opened([&] {
    EXPECT_EQ(PSWIsSupportedOID(h_, "1.3.6.1.4.1"), 1);
    EXPECT_EQ(PSWIsSupportedOID(h_, "1.3.6.1.4.1.47001"), 1);
    EXPECT_EQ(PSWIsSupportedOID(h_, "1.3.6.1.4.1.47001.1.11.93.1.34.40.1"), 1);
    EXPECT_EQ(PSWIsSupportedOID(h_, option_test::kOfficeSysObjectId), 1);
    EXPECT_EQ(PSWIsSupportedOID(h_, "1.3.6.1.4.1.47001.2"), 0);
    EXPECT_EQ(PSWIsSupportedOID(h_, "1.3.6.1.4.1.47001.1.11.93.1.34.40.1.1.5"), 0);
    EXPECT_EQ(PSWIsSupportedOID(h_, "2"), 0);
    EXPECT_EQ(PSWIsSupportedOID(h_, ""), 1);
    EXPECT_EQ(PSWIsSupportedOID(h_, nullptr), 1);
  });
}

INSTANTIATE_TEST_SUITE_P(Families, OptionApiOn, ::testing::Values(option_test::kIPv4, option_test::kIPv6),
                         option_test::family_name);

}  // namespace

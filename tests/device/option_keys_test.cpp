// The option keys answered from a reader's data (filled here as a refresh
// would fill it), the reader's set-up, copying and clearing. No network.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/option_test_support.h"
#include "device/pmc_plugin_usm.h"
#include "device/psw_dev_comm_option_keys.h"

namespace {

using option_test::number;
using option_test::TestOption;
using option_test::text;
using option_test::yes;

// Every yes/no key and the hrDeviceIndex values that each make it true on
// their own (none: the key follows a flag, not a device).
const std::map<std::string, std::vector<int>> kDeviceKeys = {
    {"Scanner", {102}},
    {"Copier", {103}},
    {"FAXUnit", {104}},
    {"HardDisk", {11}},
    {"InTrayEx2", {116}},
    {"InTrayEx2HCF", {135}},
    {"OutTrayOffsetCatch", {132}},
    {"Finisher", {137, 162}},
    {"FinisherStaple", {121}},
    {"FinisherPunch", {122, 128, 129}},
    {"FinisherPunchHole2", {122}},
    {"FinisherPunchHole3", {128}},
    {"FinisherPunchHole4", {129}},
    {"FinisherBooklet", {124}},
    {"OutTrayHCCT", {164}},
};
const char* const kFlagKeys[] = {"DuplexModule", "OffsetCatch", "InTrayMSI", "OutTrayCenter2", "FAXISDNG4Kit",
                                 "FAXLineSwitchKit"};


TEST(OptionKeys, EachDeviceIndexMakesExactlyItsKeysTrue) {
  std::set<int> indexes = {1, 2, 10};  // devices every printer has: no key
  for (const auto& k : kDeviceKeys) indexes.insert(k.second.begin(), k.second.end());
  for (int index : indexes) {
    TestOption o;
    o.add_device(index);
    for (const auto& k : kDeviceKeys) {
      bool expected = std::find(k.second.begin(), k.second.end(), index) != k.second.end();
      EXPECT_EQ(yes(o, k.first.c_str()), expected) << k.first << " with device " << index;
    }
    for (const char* key : kFlagKeys) EXPECT_FALSE(yes(o, key)) << key << " with device " << index;
  }
}

TEST(OptionKeys, FlagKeysFollowTheirFlags) {
  struct FlagKey {
    const char* key;
    bool TestOption::*flag;
  };
  const FlagKey flags[] = {{"DuplexModule", &TestOption::m_bDuplexUnit},
                           {"OffsetCatch", &TestOption::m_bOffsetStacking},
                           {"InTrayMSI", &TestOption::m_bManualTray},
                           {"OutTrayCenter2", &TestOption::m_bCenterTrayMark},
                           {"FAXISDNG4Kit", &TestOption::m_bISDNG4Kit},
                           {"FAXLineSwitchKit", &TestOption::m_bLineSwitchKit}};
  for (const FlagKey& f : flags) {
    TestOption o;
    o.*f.flag = true;
    for (const FlagKey& g : flags) EXPECT_EQ(yes(o, g.key), &g == &f) << g.key << " with " << f.key << " set";
    for (const auto& k : kDeviceKeys) EXPECT_FALSE(yes(o, k.first.c_str())) << k.first;
  }
}

TEST(OptionKeys, FinisherTakesTheCentreTraysPlaceAndSetsTheType) {
  TestOption o;
  o.m_bCenterTrayMark = true;
  EXPECT_TRUE(yes(o, "OutTrayCenter2"));
  EXPECT_EQ(number(o, "FinisherType"), 0);
  o.add_device(162);
  EXPECT_FALSE(yes(o, "OutTrayCenter2"));
  EXPECT_EQ(number(o, "FinisherType"), 7);
  o.add_device(137);  // both: 137 decides
  EXPECT_EQ(number(o, "FinisherType"), 6);

  TestOption only137;
  only137.m_bCenterTrayMark = true;
  only137.add_device(137);
  EXPECT_FALSE(yes(only137, "OutTrayCenter2"));
  EXPECT_EQ(number(only137, "FinisherType"), 6);
}

// A reader holding two input trays with distinct values in every field.
TestOption with_two_trays() {
  TestOption o;
  for (int i = 0; i < 2; ++i) {
    CPSWDevCommOption::SInputTrayEntry& t = o.m_inputTrays[i];
    const int32_t base = 100 * (i + 1);
    t.nNumber = i + 1;
    t.nType = base + 1;
    t.nMediaSize = base + 2;
    t.nMediaDirection = base + 3;
    t.nMaxCapacityInSheets = base + 4;
    t.nCurrentLevelInPercent = base + 5;
    t.nMediaDimFeedDirChosen = base + 6;
    t.nMediaDimXFeedDirChosen = base + 7;
    std::snprintf(t.szName, sizeof t.szName, "name %d", i);
    std::snprintf(t.szDescription, sizeof t.szDescription, "description %d", i);
    std::snprintf(t.szMediaType, sizeof t.szMediaType, "media %d", i);
  }
  o.m_nInputTrayCount = 2;
  return o;
}

TEST(OptionKeys, TrayIndexOutsideTheTraysRead) {
  TestOption o = with_two_trays();
  const char* const intKeys[] = {"InputTrayIndex", "InputTrayType", "InputTrayMaxCapacityInSheets",
                                 "InputTrayCurrentLevelInPercent", "InputTrayMediaSize", "InputTrayMediaDirection",
                                 "InputTrayMediaDimFeedDirChosen", "InputTrayMediaDimXFeedDirChosen"};
  for (const char* key : intKeys) {
    int32_t value = 77;
    EXPECT_EQ(o.get_option(key, &value, 2), PSW_ERR_INDEX) << key;
    EXPECT_EQ(o.get_option(key, &value, -1), PSW_ERR_INDEX) << key;
    EXPECT_EQ(value, 77) << key;
  }
  for (const char* key : {"InputTrayName", "InputTrayDescription", "InputTrayMediaType"}) {
    const char* value = "untouched";
    EXPECT_EQ(o.get_option(key, &value, 2), PSW_ERR_INDEX) << key;
    EXPECT_EQ(o.get_option(key, &value, -1), PSW_ERR_INDEX) << key;
    EXPECT_STREQ(value, "untouched");
  }
  // Keys of the whole reader ignore the index.
  EXPECT_EQ(number(o, "NumberOfInputTray", -1), 2);
  EXPECT_EQ(text(o, "SysName", 99), "");
  bool b = true;
  EXPECT_EQ(o.get_option("Scanner", &b, -5), PSW_OK);
  EXPECT_FALSE(b);
}

TEST(OptionKeys, UnknownKeysNullArgumentsAndTheUnsignedKind) {
  TestOption o = with_two_trays();
  bool b = false;
  int32_t i = 0;
  uint32_t u = 0;
  const char* t = nullptr;
  // A key of another kind is unknown to this overload; keys are exact.
  EXPECT_EQ(o.get_option("Scanner", &i, 0), PSW_ERR_UNSUPPORTED);
  EXPECT_EQ(o.get_option("SysName", &b, 0), PSW_ERR_UNSUPPORTED);
  EXPECT_EQ(o.get_option("MemorySizeInKByte", &t, 0), PSW_ERR_UNSUPPORTED);
  EXPECT_EQ(o.get_option("scanner", &b, 0), PSW_ERR_UNSUPPORTED);
  EXPECT_EQ(o.get_option("Scanner ", &b, 0), PSW_ERR_UNSUPPORTED);
  EXPECT_EQ(o.get_option("", &i, 0), PSW_ERR_UNSUPPORTED);
  // An unknown tray key with a bad index is unknown first.
  EXPECT_EQ(o.get_option("InputTrayColor", &t, -1), PSW_ERR_UNSUPPORTED);
  for (const char* key : {"MemorySizeInKByte", "Scanner", "SysName", "anything"}) {
    EXPECT_EQ(o.get_option(key, &u, 0), PSW_ERR_UNSUPPORTED) << key;
  }
  EXPECT_EQ(o.get_option(nullptr, &b, 0), PSW_ERR_ARGUMENT);
  EXPECT_EQ(o.get_option(nullptr, &i, 0), PSW_ERR_ARGUMENT);
  EXPECT_EQ(o.get_option(nullptr, &u, 0), PSW_ERR_ARGUMENT);
  EXPECT_EQ(o.get_option(nullptr, &t, 0), PSW_ERR_ARGUMENT);
  EXPECT_EQ(o.get_option("Scanner", static_cast<bool*>(nullptr), 0), PSW_ERR_ARGUMENT);
  EXPECT_EQ(o.get_option("FAXType", static_cast<int32_t*>(nullptr), 0), PSW_ERR_ARGUMENT);
  EXPECT_EQ(o.get_option("FAXType", static_cast<uint32_t*>(nullptr), 0), PSW_ERR_ARGUMENT);
  EXPECT_EQ(o.get_option("SysName", static_cast<const char**>(nullptr), 0), PSW_ERR_ARGUMENT);
}

// The key list programs read every option by: each key once, answered by
// the overload of its kind only, per tray exactly when a tray index out of
// range is refused.
TEST(OptionKeys, KeyListNamesWhatEachOverloadAnswers) {
  TestOption o = with_two_trays();
  const std::vector<PSWOptionKeyInfo>& keys = psw_option_keys();
  ASSERT_FALSE(keys.empty());
  std::set<std::string> seen;
  size_t yesNo = 0;
  for (const PSWOptionKeyInfo& k : keys) {
    EXPECT_TRUE(seen.insert(k.key).second) << "listed twice: " << k.key;
    bool b = false;
    int32_t i = 0;
    const char* t = nullptr;
    const int32_t asBool = o.get_option(k.key, &b, 0);
    const int32_t asInt = o.get_option(k.key, &i, 0);
    const int32_t asText = o.get_option(k.key, &t, 0);
    EXPECT_EQ(asBool == PSW_OK, k.kind == PSWOptionKind::kBoolean) << k.key;
    EXPECT_EQ(asInt == PSW_OK, k.kind == PSWOptionKind::kInteger) << k.key;
    EXPECT_EQ(asText == PSW_OK, k.kind == PSWOptionKind::kString) << k.key;
    const int32_t outside = k.kind == PSWOptionKind::kInteger  ? o.get_option(k.key, &i, 2)
                            : k.kind == PSWOptionKind::kString ? o.get_option(k.key, &t, 2)
                                                               : o.get_option(k.key, &b, 2);
    EXPECT_EQ(outside == PSW_ERR_INDEX, k.perTray) << k.key;
    if (k.kind == PSWOptionKind::kBoolean) ++yesNo;
  }
  // Every yes/no key the tests above know is listed, and no other.
  EXPECT_EQ(yesNo, kDeviceKeys.size() + sizeof kFlagKeys / sizeof kFlagKeys[0]);
  for (const auto& k : kDeviceKeys) EXPECT_EQ(seen.count(k.first), 1u) << k.first;
  for (const char* key : kFlagKeys) EXPECT_EQ(seen.count(key), 1u) << key;
}

TEST(OptionDevices, FirstMatchingDeviceGivesItsStatus) {
  TestOption o;
  o.add_device(104, 3);
  o.add_device(104, 5);
  int status = 0;
  EXPECT_TRUE(o.has_device_index(104, &status));
  EXPECT_EQ(status, 3);
  EXPECT_TRUE(o.has_device_index(104, nullptr));
  status = 9;
  EXPECT_FALSE(o.has_device_index(105, &status));
  EXPECT_EQ(status, 9);
}

// A settings object with values of its own.
PSWPluginUSMPtr settings_of(int32_t mode, const char* user, const char* authPass, const char* context) {
  PSWPluginUSMPtr usm(pmc_create_plugin_usm(nullptr));
  PSWUSMSettings block = {};
  std::strcpy(block.userName, user);
  block.securityLevel = 1;
  block.authProtocol = 2;
  block.privProtocol = 0;
  std::strcpy(block.authPassPhrase, authPass);
  std::strcpy(block.contextName, context);
  usm->set(mode, &block);
  return usm;
}

// Init copies the settings: a later `set` (another search or opening) and
// the settings object's end change nothing the reader sends with.
TEST(OptionInit, CopiesTheSettingsWhichNeedNotOutliveIt) {
  PSWPluginUSMPtr usm = settings_of(2, "alice", "alice-auth-pass", "ctx");
  TestOption o;
  ASSERT_EQ(o.CPSWDevCommOption::Init(4, "::1", usm.get(), 1500, 3, 0), PSW_OK);
  usm->set(0, nullptr);
  usm.reset();
  EXPECT_EQ(o.m_nSnmpMode, 2);
  EXPECT_STREQ(o.m_szUserName, "alice");
  EXPECT_EQ(o.m_nSecurityLevel, 1);
  EXPECT_EQ(o.m_nAuthProtocol, 2);
  EXPECT_STREQ(o.m_szAuthPassPhrase, "alice-auth-pass");
  EXPECT_STREQ(o.m_szPrivPassPhrase, CPSWPluginUSM::kDefaultPrivPassPhrase);
  EXPECT_STREQ(o.m_szContextName, "ctx");
}

TEST(OptionInit, RefusesProtocolsWithoutPortAndAddressesThatDoNotFit) {
  for (int32_t protocol : {0, 3, 5, -1}) {
    TestOption o;
    EXPECT_EQ(o.CPSWDevCommOption::Init(protocol, "192.0.2.7", nullptr, 100, 1, 0), PSW_ERR_ARGUMENT) << protocol;
    // Only the address and the protocol are stored.
    EXPECT_STREQ(o.m_szAddress, "192.0.2.7");
    EXPECT_EQ(o.m_nProtocol, protocol);
    EXPECT_EQ(o.m_nPort, 0);
    EXPECT_EQ(o.m_nTimeout, 0);
  }
  TestOption o;
  EXPECT_EQ(o.CPSWDevCommOption::Init(1, nullptr, nullptr, 100, 1, 0), PSW_ERR_ARGUMENT);
  std::string longAddress(64, 'a');
  EXPECT_EQ(o.CPSWDevCommOption::Init(1, longAddress.c_str(), nullptr, 100, 1, 0), PSW_ERR_ARGUMENT);
  EXPECT_STREQ(o.m_szAddress, "");
  longAddress.pop_back();  // 63 characters fit
  EXPECT_EQ(o.CPSWDevCommOption::Init(1, longAddress.c_str(), nullptr, 100, 1, 0), PSW_OK);
  EXPECT_EQ(std::string(o.m_szAddress), longAddress);
}

TEST(OptionData, ClearingKeepsConnectionAndCommunity) {
  TestOption o = with_two_trays();
  ASSERT_EQ(o.CPSWDevCommOption::Init(1, "192.0.2.7", nullptr, 100, 2, 0), PSW_OK);
  o.SetCommunityStr("secret");
  o.add_device(104);
  o.m_nMemorySizeKB = 5;
  o.m_bDuplexUnit = true;
  std::strcpy(o.m_szSysName, "name");
  std::strcpy(o.m_szPrinterRomVersion, "v");
  o.m_nOutputTrayCount = 1;
  o.initialize_data();
  EXPECT_EQ(o.m_nDeviceCount, 0);
  EXPECT_EQ(o.m_nInputTrayCount, 0);
  EXPECT_EQ(o.m_nOutputTrayCount, 0);
  EXPECT_EQ(o.m_nMemorySizeKB, 0);
  EXPECT_FALSE(o.m_bDuplexUnit);
  EXPECT_STREQ(o.m_szSysName, "");
  EXPECT_STREQ(o.m_szPrinterRomVersion, "");
  EXPECT_STREQ(o.m_inputTrays[0].szName, "");
  EXPECT_STREQ(o.m_szAddress, "192.0.2.7");
  EXPECT_EQ(o.m_nRetries, 2);
  EXPECT_TRUE(o.m_bCommunitySet);
  EXPECT_STREQ(o.m_szCommunity, "secret");
}

}  // namespace

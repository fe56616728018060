// The discovery object without the network: which answers a search keeps
// (supported models, filters), the filter slots, and the walk over the
// result list through the exported functions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "api/psw_handle.h"
#include "device/psw_discovery.h"

namespace {

const std::string kModel = "1.3.6.1.4.1.47001.1.11.93.1.34.40.1";
const std::string kModelSub = kModel + ".1";
const char* const kOther = "1.3.6.1.4.1.32473.1.2200";

// The addresses of the devices left in the walk.
std::vector<std::string> walk(PSWHANDLE h, size_t limit = 10) {
  std::vector<std::string> found;
  char address[64], model[64], flag[1], oid[64];
  while (found.size() < limit && PSWGetDeviceNext(h, address, model, flag, oid) == 1) found.push_back(address);
  return found;
}

class Discovery : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(PSWInit(&m_h), PSW_OK); }
  void TearDown() override { PSWUnInit(m_h); }
  CPSWDiscovery& d() { return *m_h->m_pDiscovery; }
  // Starts a list as a search does and hands it the answers in order.
  void answers(const std::vector<std::pair<std::string, std::string>>& oid_address) {
    ASSERT_EQ(d().start_results(), PSW_OK);
    for (const auto& a : oid_address) ASSERT_EQ(d().add_answer(a.first.c_str(), a.second.c_str()), PSW_OK);
  }
  PSWHANDLE m_h = nullptr;
};

TEST(SupportedModel, RowsAreSearchedInOrderAndPrefixesEndOnASubIdentifier) {
  for (const std::string& oid : {kModel, kModelSub, kModel + ".7.3"}) {
    const PSWSupportedModel* row = psw_find_supported_model(g_pswSupportedModels, oid.c_str());
    ASSERT_NE(row, nullptr) << oid;
    EXPECT_STREQ(row->modelName, "Quillmark-VII Q4410");
  }
  for (const std::string& oid : {kModel + "0", kModel + "1.1", kModel.substr(0, kModel.size() - 2), std::string()}) {
    EXPECT_EQ(psw_find_supported_model(g_pswSupportedModels, oid.c_str()), nullptr) << oid;
  }
  EXPECT_EQ(psw_find_supported_model(g_pswSupportedModels, nullptr), nullptr);
  // The first matching row wins; rows after the end row are never read.
  const PSWSupportedModel table[] = {{"1.2.3", "B"}, {"1.2", "A"}, {nullptr, nullptr}, {"1.5", "C"}};
  EXPECT_STREQ(psw_find_supported_model(table, "1.2.3.4")->modelName, "B");
  EXPECT_STREQ(psw_find_supported_model(table, "1.2.4")->modelName, "A");
  EXPECT_EQ(psw_find_supported_model(table, "1.5"), nullptr);
}

TEST_F(Discovery, WalkReturnsKeptAnswersNewestFirstAndResetRestartsIt) {
  EXPECT_TRUE(walk(m_h).empty());  // no search yet
  PSWFindResetPosition(m_h);
  answers({{kModel, "10.0.0.1"}, {kModelSub, "10.0.0.2"}, {kOther, "10.0.0.3"}, {kModel + "0", "10.0.0.4"},
           {kModel, "fe80::1%eth0"}});
  EXPECT_EQ(d().m_pResultList->m_nCount, 3);
  const std::vector<std::string> all = {"fe80::1%eth0", "10.0.0.2", "10.0.0.1"};
  EXPECT_EQ(walk(m_h, 2), std::vector<std::string>(all.begin(), all.begin() + 2));
  EXPECT_EQ(walk(m_h), std::vector<std::string>{all[2]});
  EXPECT_TRUE(walk(m_h).empty());  // the end stays the end
  PSWFindResetPosition(m_h);
  EXPECT_EQ(walk(m_h), all);
  answers({});  // the next search's list replaces this one
  EXPECT_TRUE(walk(m_h).empty());
}

TEST_F(Discovery, NullArgumentsAreRefusedWithoutAdvancing) {
  answers({{kModel, "10.0.0.1"}});
  char a[64], m[64], f[1], o[64];
  EXPECT_EQ(PSWGetDeviceNext(nullptr, a, m, f, o) + PSWGetDeviceNext(m_h, nullptr, m, f, o) +
                PSWGetDeviceNext(m_h, a, nullptr, f, o) + PSWGetDeviceNext(m_h, a, m, nullptr, o) +
                PSWGetDeviceNext(m_h, a, m, f, nullptr),
            0);
  EXPECT_EQ(walk(m_h), std::vector<std::string>{"10.0.0.1"});
  PSWFindResetPosition(nullptr);
  PSWFindClearFilter(nullptr);
  EXPECT_EQ(PSWFindAddFilter(nullptr, "1.3"), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWFindAddFilter(m_h, nullptr), PSW_ERR_ARGUMENT);
}

TEST_F(Discovery, LongTextsAreCutWithinTheSixtyFourByteOutputs) {
  const std::string oid = kModel + "." + std::string(70, '9'), address(90, 'f');
  answers({{oid, address}});
  // Each output lies in a larger buffer whose bytes past 64 must stay.
  char a[80], m[80], f[8], o[80];
  for (char* b : {a, m, f, o}) std::memset(b, 0x7f, b == f ? sizeof f : sizeof a);
  ASSERT_EQ(PSWGetDeviceNext(m_h, a, m, f, o), 1);
  EXPECT_EQ(std::string(a), address.substr(0, 63));
  EXPECT_EQ(std::string(o), oid.substr(0, 63));
  EXPECT_STREQ(m, "Quillmark-VII Q4410");
  EXPECT_EQ(f[0], '\0');
  EXPECT_EQ(f[1], 0x7f);
  for (size_t i = 64; i < sizeof a; ++i) EXPECT_TRUE(a[i] == 0x7f && o[i] == 0x7f) << i;
}

TEST_F(Discovery, FiftyFilterSlotsThenNoRoom) {
  EXPECT_EQ(PSWFindAddFilter(m_h, ""), PSW_OK);  // takes no slot
  for (int i = 0; i < CPSWDiscovery::kFilterSlots; ++i) {
    ASSERT_EQ(PSWFindAddFilter(m_h, (kModel + "." + std::to_string(i)).c_str()), PSW_OK) << i;
  }
  EXPECT_EQ(std::string(d().m_szFilters[49]), kModel + ".49");
  // The 51st is refused rather than dropped in silence, and stored nowhere.
  EXPECT_EQ(PSWFindAddFilter(m_h, "1.3.6.1.99"), PSW_ERR_INDEX);
  for (const auto& slot : d().m_szFilters) EXPECT_STRNE(slot, "1.3.6.1.99");
  PSWFindClearFilter(m_h);
  for (const auto& slot : d().m_szFilters) EXPECT_EQ(slot[0], '\0');
  // Filling starts at slot 0 again; a long filter is cut to 63 characters.
  const std::string long_filter = kModel + "." + std::string(80, '1');
  EXPECT_EQ(PSWFindAddFilter(m_h, long_filter.c_str()), PSW_OK);
  EXPECT_EQ(std::string(d().m_szFilters[0]), long_filter.substr(0, 63));
}

TEST_F(Discovery, FiltersKeepAnswersBeginningWithAnySlotButNeverOtherModels) {
  ASSERT_EQ(PSWFindAddFilter(m_h, "1.9.9"), PSW_OK);  // matches nothing
  ASSERT_EQ(PSWFindAddFilter(m_h, kModelSub.c_str()), PSW_OK);
  ASSERT_EQ(PSWFindAddFilter(m_h, "1.3.6.1.4.1.32473"), PSW_OK);
  answers({{kModel, "10.0.0.1"}, {kModelSub, "10.0.0.2"}, {kModelSub + ".5", "10.0.0.3"}, {kOther, "10.0.0.4"}});
  EXPECT_EQ(walk(m_h), (std::vector<std::string>{"10.0.0.3", "10.0.0.2"}));
}

}  // namespace

namespace {

TEST(FoundDeviceList, PositionsStayRightWhenAskedOutOfOrderOrAfterAnAddition) {
  CPSWFoundDeviceList list;
  for (const char* address : {"10.0.0.1", "10.0.0.2", "10.0.0.3"}) ASSERT_EQ(list.add_front("1.3", "M", address), 0);
  EXPECT_STREQ(list.at(2)->szAddress, "10.0.0.1");
  EXPECT_STREQ(list.at(0)->szAddress, "10.0.0.3");  // backwards
  EXPECT_STREQ(list.at(1)->szAddress, "10.0.0.2");
  EXPECT_EQ(list.at(3), nullptr);
  EXPECT_EQ(list.at(-1), nullptr);
  // A node added at the front moves every position by one.
  ASSERT_EQ(list.add_front("1.3", "M", "10.0.0.4"), 0);
  EXPECT_STREQ(list.at(1)->szAddress, "10.0.0.3");
  EXPECT_STREQ(list.at(3)->szAddress, "10.0.0.1");
}

}  // namespace

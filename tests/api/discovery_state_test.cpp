// The result list of the discovery object, which searches fill.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "api/psw_discovery.h"

namespace {

TEST(FoundDeviceList, NewestDeviceComesFirst) {
  CPSWFoundDeviceList list;
  ASSERT_EQ(list.add_front("1.3.6.1.4.1.47001.1.11.93.1.34.40.1", "Model", "10.0.0.1"), 0);
  ASSERT_EQ(list.add_front("1.3.6.1.4.1.47001.1.11.93.1.34.40.1.1", "Model", "10.0.0.2"), 0);
  EXPECT_EQ(list.m_nCount, 2);
  EXPECT_EQ(list.m_nCursor, 0);
  ASSERT_NE(list.m_pFirst, nullptr);
  EXPECT_STREQ(list.m_pFirst->szAddress, "10.0.0.2");
  ASSERT_NE(list.m_pFirst->pNext, nullptr);
  EXPECT_STREQ(list.m_pFirst->pNext->szAddress, "10.0.0.1");
  EXPECT_STREQ(list.m_pFirst->pNext->szSysObjectId, "1.3.6.1.4.1.47001.1.11.93.1.34.40.1");
  EXPECT_EQ(list.m_pFirst->pNext->pNext, nullptr);
}

TEST(FoundDeviceList, LongTextsAreCutAndNullTextsEmpty) {
  CPSWFoundDeviceList list;
  const std::string long_oid = "1.3.6.1.4.1." + std::string(80, '7');
  ASSERT_EQ(list.add_front(long_oid.c_str(), nullptr, "fe80::1%2"), 0);
  EXPECT_EQ(std::string(list.m_pFirst->szSysObjectId), long_oid.substr(0, 63));
  EXPECT_STREQ(list.m_pFirst->szModelName, "");
  EXPECT_STREQ(list.m_pFirst->szAddress, "fe80::1%2");
}

}  // namespace

// The handle's life and its commands, through the exported functions, with
// the handle's members looked at directly.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstring>
#include <string>

#include "api/psw_handle.h"
#include "psw/psw.h"

namespace {

class Handle : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(PSWInit(&m_h), PSW_OK); }
  void TearDown() override { PSWUnInit(m_h); }
  PSWHANDLE m_h = nullptr;
};

TEST(HandleLife, InitRefusesNullPointerUnInitIgnoresNullHandle) {
  EXPECT_EQ(PSWInit(nullptr), PSW_ERR_ARGUMENT);
  PSWUnInit(nullptr);  // must simply return
}

// A fresh handle has no device, no community given and the settings
// object's defaults; what a search or opening does with them is tested
// with the search and the opening.
TEST_F(Handle, FreshHandleOwnsEmptyDiscoveryAndDefaultSettings) {
  ASSERT_NE(m_h, nullptr);
  EXPECT_EQ(m_h->m_pOption, nullptr);
  EXPECT_EQ(m_h->m_pStatus, nullptr);
  for (const PmcCommunity* c : {&m_h->m_communityFind, &m_h->m_communityGetOption, &m_h->m_communityWrite}) {
    EXPECT_FALSE(c->is_set());
  }
  ASSERT_NE(m_h->m_pDiscovery, nullptr);
  char address[64], model[64], flag[64], oid[64];
  EXPECT_FALSE(m_h->m_pDiscovery->get_next(address, model, flag, oid));
  ASSERT_NE(m_h->m_pUSM, nullptr);
  EXPECT_EQ(m_h->m_pUSM->get_snmp_mode(), -1);
}

TEST(HandleLife, HandlesAreIndependent) {
  PSWHANDLE a = nullptr, b = nullptr;
  ASSERT_EQ(PSWInit(&a), PSW_OK);
  ASSERT_EQ(PSWInit(&b), PSW_OK);
  EXPECT_NE(a, b);
  EXPECT_NE(a->m_pDiscovery, b->m_pDiscovery);
  EXPECT_NE(a->m_pUSM, b->m_pUSM);
  EXPECT_EQ(PSWCommandString(a, "CmdSetCommunityFind", "alpha"), PSW_OK);
  EXPECT_STREQ(b->m_communityFind.c_str(), "");
  PSWUnInit(a);
  PSWUnInit(b);
}

// Every cycle must give back everything it took. The ASan build checks this
// at exit; the allocator's count of bytes in use checks it in every build.
TEST(HandleLife, ManyCyclesLeaveNothingAllocated) {
  auto cycle = [] {
    PSWHANDLE h = nullptr;
    ASSERT_EQ(PSWInit(&h), PSW_OK);
    ASSERT_EQ(PSWCommandString(h, "CmdSetCommunityWrite", "secret"), PSW_OK);
    PSWUnInit(h);
  };
  cycle();  // first use may set up lazily allocated library state
  const size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 2000; ++i) cycle();
  EXPECT_EQ(mallinfo2().uordblks, before);
}

// Each command writes its own buffer and no other.
TEST_F(Handle, StringCommandsSetTheirOwnCommunity) {
  EXPECT_EQ(PSWCommandString(m_h, "CmdSetCommunityGetOption", "readers"), PSW_OK);
  EXPECT_EQ(PSWCommandString(m_h, "CmdSetCommunityFind", "finders"), PSW_OK);
  EXPECT_EQ(PSWCommandString(m_h, "CmdSetCommunityWrite", "writers"), PSW_OK);
  EXPECT_STREQ(m_h->m_communityGetOption.c_str(), "readers");
  EXPECT_STREQ(m_h->m_communityFind.c_str(), "finders");
  EXPECT_STREQ(m_h->m_communityWrite.c_str(), "writers");
  // The discovery's own community is taken over only by a search.
  EXPECT_STREQ(m_h->m_pDiscovery->m_community.c_str(), "");
}

TEST_F(Handle, StringCommandsMatchExactly) {
  for (const char* cmd : {"CmdSetCommunityFind ", "cmdsetcommunityfind", "CMDSETCOMMUNITYFIND",
                          "CmdSetCommunity", "CmdSetCommunityFindX", " CmdSetCommunityFind", ""}) {
    EXPECT_EQ(PSWCommandString(m_h, cmd, "x"), PSW_ERR_UNSUPPORTED) << '"' << cmd << '"';
  }
  EXPECT_STREQ(m_h->m_communityFind.c_str(), "");
  EXPECT_STREQ(m_h->m_communityGetOption.c_str(), "");
  EXPECT_STREQ(m_h->m_communityWrite.c_str(), "");
}

TEST_F(Handle, StringCommandRefusesNullArguments) {
  EXPECT_EQ(PSWCommandString(nullptr, "CmdSetCommunityFind", "x"), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWCommandString(m_h, nullptr, "x"), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWCommandString(m_h, "CmdSetCommunityFind", nullptr), PSW_ERR_ARGUMENT);
  EXPECT_STREQ(m_h->m_communityFind.c_str(), "");
}

TEST_F(Handle, EmptyValueClearsCommunityCompletely) {
  ASSERT_EQ(PSWCommandString(m_h, "CmdSetCommunityGetOption", "long-community-text"), PSW_OK);
  ASSERT_EQ(PSWCommandString(m_h, "CmdSetCommunityGetOption", "ab"), PSW_OK);
  EXPECT_STREQ(m_h->m_communityGetOption.c_str(), "ab");
  ASSERT_EQ(PSWCommandString(m_h, "CmdSetCommunityGetOption", ""), PSW_OK);
  EXPECT_STREQ(m_h->m_communityGetOption.c_str(), "");
  EXPECT_FALSE(m_h->m_communityGetOption.is_set());
}

// A value longer than the buffer is cut to 255 characters and terminated;
// the neighbouring buffers stay as they were.
TEST_F(Handle, OverlongValueIsCutToBuffer) {
  ASSERT_EQ(PSWCommandString(m_h, "CmdSetCommunityGetOption", "before"), PSW_OK);
  ASSERT_EQ(PSWCommandString(m_h, "CmdSetCommunityWrite", "after"), PSW_OK);
  std::string value(300, 'c');
  value[254] = 'L';  // last character that fits
  value[255] = 'X';  // first character cut off
  ASSERT_EQ(PSWCommandString(m_h, "CmdSetCommunityFind", value.c_str()), PSW_OK);
  EXPECT_EQ(std::strlen(m_h->m_communityFind.c_str()), 255u);
  EXPECT_EQ(m_h->m_communityFind.c_str()[254], 'L');
  EXPECT_EQ(m_h->m_communityFind.c_str()[255], '\0');
  EXPECT_STREQ(m_h->m_communityGetOption.c_str(), "before");
  EXPECT_STREQ(m_h->m_communityWrite.c_str(), "after");
  // Exactly 255 characters fit whole.
  ASSERT_EQ(PSWCommandString(m_h, "CmdSetCommunityWrite", value.substr(0, 255).c_str()), PSW_OK);
  EXPECT_EQ(std::string(m_h->m_communityWrite.c_str()), value.substr(0, 255));
}

TEST_F(Handle, IntegerCommandRules) {
  EXPECT_EQ(PSWCommandInteger(nullptr, "CmdAnything", 1), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWCommandInteger(m_h, "CmdSetCommunityFind", 0), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWCommandInteger(m_h, "CmdSetCommunityFind", 1), PSW_ERR_UNSUPPORTED);
  EXPECT_EQ(PSWCommandInteger(m_h, "", -1), PSW_ERR_UNSUPPORTED);
  EXPECT_EQ(PSWCommandInteger(m_h, nullptr, INTPTR_MAX), PSW_ERR_UNSUPPORTED);
  EXPECT_STREQ(m_h->m_communityFind.c_str(), "");
}

}  // namespace

// The SNMP library binding: one operation at a time, set up from scratch and
// shut down afterwards, no MIB files, nothing written.
#include <gtest/gtest.h>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <dirent.h>
#include <malloc.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/pmc_result.h"
#include "snmp/pmc_thread_state.h"
#include "snmp/pms_v3_library.h"
#include "snmp/pms_v3_session_builder.h"
#include "snmp/v3_test_support.h"

namespace {

class V3Library : public ::testing::Test {
 protected:
  void SetUp() override { v3test::use_private_snmp_config(); }
};

size_t entries_in(const std::string& dir) {
  size_t count = 0;
  DIR* d = ::opendir(dir.c_str());
  while (dirent* e = d ? ::readdir(d) : nullptr) {
    if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") ++count;
  }
  if (d) ::closedir(d);
  return count;
}

}  // namespace

TEST_F(V3Library, ScopeSetsTheLibraryUpAndLeavesNothingOnTheThread) {
  EXPECT_FALSE(pms_snmp_library_ready());
  {
    CPmsSnmpLibraryScope library;
    ASSERT_EQ(library.result(), PMC_OK);
    EXPECT_TRUE(pms_snmp_library_ready());
    EXPECT_TRUE(CPmcThreadArena::process().has_block());
  }
  EXPECT_FALSE(CPmcThreadArena::process().has_block());
  EXPECT_FALSE(pms_snmp_library_ready());
  CPmcThreadArena::process().release_block();  // the check above allocated one
}

TEST_F(V3Library, SecondScopeOnTheSameThreadIsRefusedInsteadOfWaitingForItself) {
  CPmsSnmpLibraryScope outer;
  ASSERT_EQ(outer.result(), PMC_OK);
  {
    CPmsSnmpLibraryScope inner;
    EXPECT_EQ(inner.result(), PMC_E_UNSUPPORTED);
  }
  // The refused scope tore nothing down.
  EXPECT_TRUE(pms_snmp_library_ready());
}

TEST_F(V3Library, ScopesOfSeveralThreadsNeverOverlap) {
  std::atomic<int> inside{0};
  std::atomic<int> most{0};
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 15; ++i) {
        CPmsSnmpLibraryScope library;
        if (library.result() != PMC_OK || !pms_snmp_library_ready()) ++failures;
        int now = ++inside;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::yield();
        --inside;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(most.load(), 1);
}

TEST_F(V3Library, LoadsNoMibFilesAndWritesNothing) {
  {
    CPmsSnmpLibraryScope library;
    ASSERT_EQ(library.result(), PMC_OK);
    oid name[MAX_OID_LEN];
    size_t length = MAX_OID_LEN;
    EXPECT_EQ(snmp_parse_oid("NET-SNMP-MIB::netSnmp", name, &length), nullptr);
    length = MAX_OID_LEN;
    ASSERT_NE(snmp_parse_oid("1.3.6.1.4.1.8072", name, &length), nullptr);
    EXPECT_EQ(length, 7u);

    // A session opened and closed again, as every operation does.
    PmcPtr<IPmsSnmpTarget> target = v3test::make_target(v3test::sha_aes_user(), "127.0.0.1", 9);
    CPmsV3SessionBuilder builder;
    EXPECT_EQ(builder.open(target.get()), PMC_OK);
  }
  // Neither the set-up nor the shut-down left anything in the persistent
  // directory the environment names.
  EXPECT_EQ(entries_in(v3test::persistent_dir()), 0u);
}

TEST_F(V3Library, UsersOfOneOperationAreGoneInTheNext) {
  {
    CPmsSnmpLibraryScope library;
    ASSERT_EQ(library.result(), PMC_OK);
    PmcPtr<IPmsSnmpTarget> target = v3test::make_target(v3test::md5_user(), "127.0.0.1", 9);
    IPmsUsmTarget* usm = pms_usm_of(target.get());
    usm->set_engine_id("\x80\x00\x1f\x88\x04test", 9);
    CPmsV3SessionBuilder builder;
    ASSERT_EQ(builder.open(target.get()), PMC_OK);
    // With the engine known, opening the session enters the user.
    EXPECT_NE(usm_get_userList(), nullptr);
  }
  CPmsSnmpLibraryScope library;
  ASSERT_EQ(library.result(), PMC_OK);
  EXPECT_EQ(usm_get_userList(), nullptr);
}

TEST_F(V3Library, SetUpAndShutDownLoseNoMemory) {
  // Every operation sets the library up and shuts it down again; anything
  // a pair keeps would pile up in a long-running host.
  auto in_use = [] { return mallinfo2().uordblks; };
  for (int i = 0; i < 50; ++i) CPmsSnmpLibraryScope warm_up;
  size_t before = in_use();
  for (int i = 0; i < 2000; ++i) {
    CPmsSnmpLibraryScope library;
    ASSERT_EQ(library.result(), PMC_OK);
  }
  size_t after = in_use();
  EXPECT_LT(after, before + 64 * 1024) << "grew by " << (after - before) << " bytes";
}

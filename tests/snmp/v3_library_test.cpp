// The SNMP library binding: set up once, one scope at a time holds its
// lock, no MIB files, nothing written.
#include <gtest/gtest.h>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <dirent.h>
#include <malloc.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/pmc_result.h"
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

TEST_F(V3Library, ScopeSetsTheLibraryUpOnceAndHoldsTheLockOnlyWhileItLives) {
  {
    CPmsSnmpLibraryScope library;
    ASSERT_EQ(library.result(), PMC_OK);
    EXPECT_TRUE(pms_snmp_library_ready());
    EXPECT_TRUE(pms_snmp_library_locked_here());
  }
  EXPECT_FALSE(pms_snmp_library_locked_here());
  // The library stays set up: a later scope finds what the first one set.
  EXPECT_TRUE(pms_snmp_library_ready());
  std::thread other([] {
    CPmsSnmpLibraryScope library;
    EXPECT_EQ(library.result(), PMC_OK);
    EXPECT_TRUE(pms_snmp_library_locked_here());
  });
  other.join();
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

TEST_F(V3Library, SetUpHappensOnceNotPerScope) {
  // A shut-down and new set-up would clear the library's default store.
  {
    CPmsSnmpLibraryScope library;
    ASSERT_EQ(library.result(), PMC_OK);
    netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, 0, 1);
  }
  auto in_use = [] { return mallinfo2().uordblks; };
  size_t before = in_use();
  for (int i = 0; i < 20000; ++i) {
    CPmsSnmpLibraryScope library;
    ASSERT_EQ(library.result(), PMC_OK);
  }
  EXPECT_LT(in_use(), before + 4096) << "grew by " << (in_use() - before) << " bytes";
  CPmsSnmpLibraryScope library;
  ASSERT_EQ(library.result(), PMC_OK);
  EXPECT_EQ(netsnmp_ds_get_boolean(NETSNMP_DS_APPLICATION_ID, 0), 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, 0, 0);
}

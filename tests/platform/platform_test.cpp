// The platform layer's POSIX backend: library loading, the tick and the
// deadlines counted on it, thread slots, and the replaceable table.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "base/pmc_result.h"
#include "platform/pmc_platform.h"

TEST(PlatformLibrary, LoadReportsMissingLibrariesAndEntryPoints) {
  EXPECT_EQ(pmc_load_library(nullptr), nullptr);
  EXPECT_EQ(pmc_load_library("libpsw-no-such-library.so"), nullptr);
  EXPECT_EQ(pmc_get_last_error(), PMC_SYS_MOD_NOT_FOUND);

  PmcModule module = pmc_load_library(PSW_STUB_PLATFORM_PATH);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(pmc_get_last_error(), 0);
  auto entry = reinterpret_cast<int (*)()>(pmc_get_proc_address(module, "psw_stub_entry"));
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry(), 42);
  // Only the stub's own names count, not those of the process's C library.
  EXPECT_EQ(pmc_get_proc_address(module, "getaddrinfo"), nullptr);
  EXPECT_EQ(pmc_get_last_error(), PMC_SYS_PROC_NOT_FOUND);
  pmc_free_library(module);
}

TEST(PlatformLibrary, BareNameIsFoundBesideTheProgram) {
  // The stub is not on the system's search path, only next to this program.
  PmcModule module = pmc_load_library(PSW_STUB_PLATFORM_NAME);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(pmc_get_proc_address(module, "psw_stub_entry"), nullptr);
  pmc_free_library(module);
}

namespace {

// A tick the test sets by hand, to play a wrap of the 32-bit counter.
std::atomic<uint32_t> g_tick{0};
uint32_t hand_tick() { return g_tick.load(); }

class ScopedHandTick {
 public:
  explicit ScopedHandTick(uint32_t start) {
    g_tick = start;
    PmcPlatformTable table = pmc_native_platform();
    table.tick_count = &hand_tick;
    m_saved = pmc_replace_platform_for_test(table);
  }
  ~ScopedHandTick() { pmc_replace_platform_for_test(m_saved); }

 private:
  PmcPlatformTable m_saved{};
};

std::atomic<int> g_slotExits{0};
void count_exit(void* value) {
  if (value != nullptr) g_slotExits.fetch_add(1);
}

}  // namespace

TEST(PlatformDeadline, CountsDownAcrossTheTickWrapAndRefusesNegativeTimeOuts) {
  ScopedHandTick tick(0xFFFFFF00u);  // 256 ms before the wrap
  CPmcDeadline deadline(1000);
  EXPECT_EQ(deadline.left_ms(), 1000);
  g_tick = 0x00000100u;  // 512 ms later, past the wrap
  EXPECT_EQ(deadline.left_ms(), 488);
  EXPECT_FALSE(deadline.passed());
  g_tick = 0x00000300u;
  EXPECT_EQ(deadline.left_ms(), 0);
  EXPECT_TRUE(deadline.passed());

  CPmcDeadline negative(-5);
  EXPECT_TRUE(negative.passed());
}

TEST(PlatformBackend, ThreadSlotsAreCleanedUpWhenTheirThreadEnds) {
  const PmcPlatformTable& platform = pmc_platform();
  PmcThreadSlot slot{};
  ASSERT_EQ(platform.slot_create(&slot, &count_exit), PMC_OK);
  int value = 7;
  g_slotExits = 0;
  std::thread worker([&] {
    EXPECT_EQ(platform.slot_get(slot), nullptr);
    EXPECT_EQ(platform.slot_set(slot, &value), PMC_OK);
    EXPECT_EQ(platform.slot_get(slot), &value);
  });
  worker.join();
  EXPECT_EQ(g_slotExits.load(), 1);
  EXPECT_EQ(platform.slot_get(slot), nullptr);  // each thread has its own
  std::thread([&] {}).join();                   // a thread that set nothing
  EXPECT_EQ(g_slotExits.load(), 1);
  platform.slot_delete(slot);
}

TEST(PlatformBackend, TickIdsAndRandomBytes) {
  const PmcPlatformTable& platform = pmc_platform();
  uint32_t before = pmc_tick_count();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_GE(pmc_tick_count() - before, 25u);

  EXPECT_NE(platform.process_id(), 0u);
  uint32_t main_thread = platform.thread_id();
  uint32_t other = 0;
  std::thread([&] { other = pmc_platform().thread_id(); }).join();
  EXPECT_NE(main_thread, other);

  unsigned char first[32] = {};
  unsigned char second[32] = {};
  ASSERT_EQ(pmc_system_random(first, sizeof first), PMC_OK);
  ASSERT_EQ(pmc_system_random(second, sizeof second), PMC_OK);
  EXPECT_NE(std::memcmp(first, second, sizeof first), 0);
  EXPECT_EQ(pmc_system_random(nullptr, 4), PMC_E_ARG);
}

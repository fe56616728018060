// The per-thread variable store: arena reservations, per-thread copies,
// initial values, release of owned copies and of whole blocks.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "snmp/pmc_thread_state.h"

namespace {

// Runs `fn` on a new thread and waits for it.
template <class Fn>
void on_other_thread(Fn fn) {
  std::thread worker(fn);
  worker.join();
}

// A descriptor that records the order in which reset and release reach it.
class RecordingVariable : public CPmcThreadVariable {
 public:
  RecordingVariable(CPmcThreadRegistry& registry, std::string* log, char name)
      : CPmcThreadVariable(registry, 4, 4), m_log(log), m_name(name) {
    declare(&m_initial);
    m_log->clear();  // the declaration's own reset is not part of what tests look at
  }
  void reset() override { m_log->push_back(m_name); }
  void release() override { m_log->push_back(static_cast<char>(m_name - 'a' + 'A')); }

 private:
  std::string* m_log;
  char m_name;
  int32_t m_initial = 1;
};

std::atomic<int> g_freed{0};
void count_free(char* text) {
  ++g_freed;
  std::free(text);
}

}  // namespace

TEST(ThreadArena, ReserveIsStrictlyBelowCapacity) {
  CPmcThreadArena arena(64);
  EXPECT_EQ(arena.reserve(16), 0);
  EXPECT_EQ(arena.reserve(8), 16);
  EXPECT_EQ(arena.used(), 24u);
  // Exactly the remaining 40 bytes would fill the arena: refused, unchanged.
  EXPECT_EQ(arena.reserve(40), CPmcThreadArena::kNoOffset);
  EXPECT_EQ(arena.used(), 24u);
  EXPECT_EQ(arena.reserve(39), 24);
  EXPECT_EQ(arena.reserve(1), CPmcThreadArena::kNoOffset);
  // Sizes that would wrap around are refused as well.
  EXPECT_EQ(arena.reserve(SIZE_MAX), CPmcThreadArena::kNoOffset);

  // Offsets are aligned as asked.
  CPmcThreadArena aligned(64);
  EXPECT_EQ(aligned.reserve(1), 0);
  EXPECT_EQ(aligned.reserve(8, 8), 8);
  EXPECT_EQ(aligned.reserve(4, 3), CPmcThreadArena::kNoOffset);  // not a power of two
}

TEST(ThreadArena, BlocksAreZeroedPerThreadAndFreedOnRelease) {
  CPmcThreadArena arena(256);
  EXPECT_EQ(arena.at(0), nullptr);  // nothing handed out yet
  int64_t offset = arena.reserve(8, 8);
  ASSERT_GE(offset, 0);
  EXPECT_EQ(arena.at(offset + 8), nullptr);
  EXPECT_FALSE(arena.has_block());
  EXPECT_EQ(arena.find(offset), nullptr);  // find never allocates

  auto* mine = static_cast<uint64_t*>(arena.at(offset));
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(*mine, 0u);
  *mine = 0x1122334455667788u;
  EXPECT_TRUE(arena.has_block());
  EXPECT_EQ(arena.find(offset), mine);
  EXPECT_EQ(arena.live_blocks(), 1u);

  on_other_thread([&] {
    auto* theirs = static_cast<uint64_t*>(arena.at(offset));
    ASSERT_NE(theirs, nullptr);
    EXPECT_NE(theirs, mine);
    EXPECT_EQ(*theirs, 0u);
    EXPECT_EQ(arena.live_blocks(), 2u);
    arena.release_block();
  });
  EXPECT_EQ(*mine, 0x1122334455667788u);
  EXPECT_EQ(arena.live_blocks(), 1u);

  arena.release_block();
  EXPECT_FALSE(arena.has_block());
  EXPECT_EQ(arena.live_blocks(), 0u);
  auto* fresh = static_cast<uint64_t*>(arena.at(offset));
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(*fresh, 0u);
  arena.release_block();
}

TEST(ThreadArena, ThreadThatEndsWithABlockGivesItBack) {
  CPmcThreadArena arena(128);
  int64_t offset = arena.reserve(4, 4);
  on_other_thread([&] { ASSERT_NE(arena.at(offset), nullptr); });
  EXPECT_EQ(arena.live_blocks(), 0u);
}

TEST(ThreadVariable, ReadsZeroOnANewThreadAndItsInitialValueAfterRestore) {
  CPmcThreadArena arena(1024);
  CPmcThreadRegistry registry(arena);
  PmcThreadValue<int64_t> plain(registry);
  PmcThreadValue<int64_t> seeded(int64_t{-42}, registry);
  EXPECT_EQ(registry.count(), 1u);  // only variables with an initial value
  EXPECT_EQ(*seeded.get(), -42);    // the declaring thread starts with it

  on_other_thread([&] {
    EXPECT_EQ(*plain.get(), 0);
    EXPECT_EQ(*seeded.get(), 0);
    *plain.get() = 5;
    registry.restore_initial_values();
    EXPECT_EQ(*seeded.get(), -42);
    EXPECT_EQ(*plain.get(), 5);  // unregistered variables are left alone
    registry.release_thread_copies();
    EXPECT_FALSE(arena.has_block());
  });
  registry.release_thread_copies();
}

TEST(ThreadVariable, ThreadsSeeOnlyTheirOwnChanges) {
  CPmcThreadArena arena(1024);
  CPmcThreadRegistry registry(arena);
  PmcThreadValue<int32_t> counter(int32_t{100}, registry);
  constexpr int kThreads = 6;
  std::vector<int32_t> seen(kThreads, 0);
  std::vector<std::thread> threads;
  std::atomic<int> ready{0};
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      registry.restore_initial_values();
      *counter.get() += i;
      // Wait until every thread has written before reading back.
      ++ready;
      while (ready.load() < kThreads) std::this_thread::yield();
      seen[i] = *counter.get();
      registry.release_thread_copies();
    });
  }
  for (auto& t : threads) t.join();
  for (int i = 0; i < kThreads; ++i) EXPECT_EQ(seen[i], 100 + i) << "thread " << i;
  EXPECT_EQ(*counter.get(), 100);
  registry.release_thread_copies();
}

TEST(ThreadVariable, ResetWritesExactlyTheVariablesOwnBytes) {
  CPmcThreadArena arena(1024);
  CPmcThreadRegistry registry(arena);
  // Two narrow variables next to each other: resetting the first must not
  // spill an 8-byte copy into the second.
  PmcThreadValue<uint16_t> first(uint16_t{0xAAAA}, registry);
  PmcThreadValue<uint16_t> second(registry);
  ASSERT_EQ(second.offset(), first.offset() + 2);
  *second.get() = 0x1234;
  registry.restore_initial_values();
  EXPECT_EQ(*first.get(), 0xAAAA);
  EXPECT_EQ(*second.get(), 0x1234);
  registry.release_thread_copies();
}

TEST(ThreadVariable, ArrayResetCopiesEveryElement) {
  CPmcThreadArena arena(1024);
  CPmcThreadRegistry registry(arena);
  const int32_t initial[5] = {1, -2, 3, -4, 5};
  PmcThreadArray<int32_t, 5> array(initial, registry);
  PmcThreadValue<int32_t> after(int32_t{9}, registry);
  on_other_thread([&] {
    int32_t* copy = array.get();
    for (size_t i = 0; i < array.count(); ++i) EXPECT_EQ(copy[i], 0);
    registry.restore_initial_values();
    for (size_t i = 0; i < array.count(); ++i) EXPECT_EQ(copy[i], initial[i]);
    EXPECT_EQ(*after.get(), 9);
    registry.release_thread_copies();
  });
  registry.release_thread_copies();
}

TEST(ThreadVariable, VariableWithoutRoomGivesNullAndIsHarmless) {
  CPmcThreadArena arena(16);
  CPmcThreadRegistry registry(arena);
  PmcThreadValue<uint64_t> fits(uint64_t{1}, registry);
  PmcThreadValue<uint64_t> too_big(uint64_t{2}, registry);  // 8 + 8 == capacity: refused
  EXPECT_TRUE(fits.reserved());
  EXPECT_FALSE(too_big.reserved());
  EXPECT_EQ(too_big.get(), nullptr);
  EXPECT_EQ(registry.count(), 1u);
  registry.restore_initial_values();
  registry.release_thread_copies();
  EXPECT_FALSE(arena.has_block());
}

TEST(ThreadRegistry, WalksHeadToTailAndForgetsDestroyedDescriptors) {
  CPmcThreadArena arena(1024);
  CPmcThreadRegistry registry(arena);
  std::string log;
  RecordingVariable a(registry, &log, 'a');
  RecordingVariable b(registry, &log, 'b');
  {
    RecordingVariable c(registry, &log, 'c');
    registry.restore_initial_values();
    EXPECT_EQ(log, "abc");
    log.clear();
    registry.release_thread_copies();
    EXPECT_EQ(log, "ABC");
    EXPECT_EQ(registry.count(), 3u);
  }
  EXPECT_EQ(registry.count(), 2u);
  log.clear();
  registry.restore_initial_values();
  EXPECT_EQ(log, "ab");
  registry.release_thread_copies();
}

TEST(ThreadRegistry, ReleaseFreesOwnedCopiesOfTheCallingThreadOnly) {
  CPmcThreadArena arena(1024);
  CPmcThreadRegistry registry(arena);
  PmcThreadOwned<char, count_free> owned(registry);
  g_freed = 0;

  *owned.get() = static_cast<char*>(std::malloc(8));
  on_other_thread([&] {
    EXPECT_EQ(*owned.get(), nullptr);
    *owned.get() = static_cast<char*>(std::malloc(8));
    registry.release_thread_copies();
    EXPECT_EQ(g_freed.load(), 1);
    EXPECT_FALSE(arena.has_block());
  });
  ASSERT_NE(*owned.get(), nullptr);  // this thread's copy is untouched

  // A reset frees what the copy held instead of dropping it.
  registry.restore_initial_values();
  EXPECT_EQ(g_freed.load(), 2);
  EXPECT_EQ(*owned.get(), nullptr);

  // Releasing on a thread that never used the store allocates nothing.
  on_other_thread([&] {
    registry.release_thread_copies();
    EXPECT_FALSE(arena.has_block());
  });
  EXPECT_EQ(arena.live_blocks(), 1u);
  registry.release_thread_copies();
  EXPECT_EQ(arena.live_blocks(), 0u);
}

// The cache of SNMPv3 keys: a key is derived once per pass phrase and hash,
// handed out unchanged afterwards, never confused with another phrase's or
// hash's, and the least recently used entries leave first.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/pmc_result.h"
#include "snmp/pms_v3_key_cache.h"

namespace {

std::atomic<int> g_derivations{0};
std::atomic<bool> g_fail_next{false};

// A stand-in for the real derivation: the key is the hash number followed
// by the phrase's bytes reversed, so every phrase and hash gives its own.
int fake_derive(int32_t hash, const char* phrase, size_t length, unsigned char* key, size_t* key_length) {
  ++g_derivations;
  if (g_fail_next.exchange(false)) return PMC_E_FAIL;
  const size_t n = length < 15 ? length : 15;
  if (n + 1 > *key_length) return PMC_E_OVERFLOW;
  key[0] = static_cast<unsigned char>(hash);
  for (size_t i = 0; i < n; ++i) key[1 + i] = static_cast<unsigned char>(phrase[length - 1 - i]);
  *key_length = n + 1;
  return PMC_OK;
}

std::string key_of(CPmsKeyCache& cache, int32_t hash, const std::string& phrase, int* rc = nullptr) {
  unsigned char key[CPmsKeyCache::kMaxKey];
  size_t length = sizeof key;
  const int result = cache.key(hash, phrase.data(), phrase.size(), key, &length);
  if (rc != nullptr) *rc = result;
  return result == PMC_OK ? std::string(reinterpret_cast<char*>(key), length) : std::string();
}

std::string expected(int32_t hash, const std::string& phrase) {
  unsigned char key[CPmsKeyCache::kMaxKey];
  size_t length = sizeof key;
  const int before = g_derivations;
  EXPECT_EQ(fake_derive(hash, phrase.data(), phrase.size(), key, &length), PMC_OK);
  g_derivations = before;
  return std::string(reinterpret_cast<char*>(key), length);
}

class KeyCache : public ::testing::Test {
 protected:
  void SetUp() override {
    g_derivations = 0;
    g_fail_next = false;
  }
  CPmsKeyCache cache_{fake_derive};
};

}  // namespace

TEST_F(KeyCache, EachPhraseAndHashIsDerivedOnceAndKeptApart) {
  EXPECT_EQ(key_of(cache_, 2, "maplesyrup"), expected(2, "maplesyrup"));
  EXPECT_EQ(key_of(cache_, 2, "maplesyrup"), expected(2, "maplesyrup"));
  EXPECT_EQ(g_derivations, 1);
  // Another hash, a phrase that is a prefix, one that differs in its last
  // byte, and one with a zero byte inside are all keys of their own.
  EXPECT_EQ(key_of(cache_, 1, "maplesyrup"), expected(1, "maplesyrup"));
  EXPECT_EQ(key_of(cache_, 2, "maplesyru"), expected(2, "maplesyru"));
  EXPECT_EQ(key_of(cache_, 2, "maplesyrus"), expected(2, "maplesyrus"));
  const std::string with_zero("maple\0syrup", 11);
  EXPECT_EQ(key_of(cache_, 2, with_zero), expected(2, with_zero));
  EXPECT_EQ(g_derivations, 5);
  EXPECT_EQ(cache_.size(), 5u);
  EXPECT_EQ(key_of(cache_, 1, "maplesyrup"), expected(1, "maplesyrup"));
  EXPECT_EQ(g_derivations, 5);
}

TEST_F(KeyCache, FailuresAreNotKeptAndTooSmallBuffersAreRefused) {
  int rc = 0;
  g_fail_next = true;
  EXPECT_EQ(key_of(cache_, 2, "passphrase", &rc), "");
  EXPECT_EQ(rc, PMC_E_FAIL);
  EXPECT_EQ(cache_.size(), 0u);
  EXPECT_EQ(key_of(cache_, 2, "passphrase", &rc), expected(2, "passphrase"));
  EXPECT_EQ(g_derivations, 2);

  // A kept key never goes into a buffer too small for it.
  unsigned char small[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  size_t length = sizeof small;
  EXPECT_EQ(cache_.key(2, "passphrase", 10, small, &length), PMC_E_OVERFLOW);
  EXPECT_EQ(small[0], 0xEE);
  EXPECT_EQ(cache_.key(2, nullptr, 0, small, &length), PMC_E_ARG);
}

TEST_F(KeyCache, LeastRecentlyUsedLeaveFirstAndClearForgetsAll) {
  for (size_t i = 0; i < CPmsKeyCache::kCapacity; ++i) key_of(cache_, 2, "phrase-" + std::to_string(i));
  EXPECT_EQ(cache_.size(), CPmsKeyCache::kCapacity);
  key_of(cache_, 2, "phrase-0");  // used again: now the most recent
  const int before = g_derivations;
  key_of(cache_, 2, "one more");  // pushes out phrase-1, the least recent
  EXPECT_EQ(cache_.size(), CPmsKeyCache::kCapacity);
  key_of(cache_, 2, "phrase-0");
  EXPECT_EQ(g_derivations, before + 1);
  EXPECT_EQ(key_of(cache_, 2, "phrase-1"), expected(2, "phrase-1"));
  EXPECT_EQ(g_derivations, before + 2);

  cache_.clear();
  EXPECT_EQ(cache_.size(), 0u);
  key_of(cache_, 2, "phrase-0");
  EXPECT_EQ(g_derivations, before + 3);
}

TEST_F(KeyCache, ThreadsAskingAtOnceGetTheirOwnKeys) {
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        const std::string phrase = "user-" + std::to_string((t + i) % 40);
        const int32_t hash = 1 + (i % 2);
        if (key_of(cache_, hash, phrase) != expected(hash, phrase)) ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_LE(cache_.size(), CPmsKeyCache::kCapacity);
}

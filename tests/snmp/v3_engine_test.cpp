// What the SNMPv3 path reads from a datagram's clear header, how an
// engine's time is carried forward, and the record of engines by address.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "agent/mini_ber.h"
#include "snmp/pms_v3_engine.h"

namespace {

namespace ber = psw_test::ber;
using namespace std::chrono_literals;

std::string integer(int64_t v) { return ber::encode_tlv(ber::kInteger, ber::integer_content(v)); }
std::string octets(const std::string& v) { return ber::encode_tlv(ber::kOctetString, v); }

struct Fields {
  int64_t version = 3;
  int64_t msg_id = 4711;
  std::string flags = std::string(1, '\x05');
  int64_t model = 3;
  std::string engine = std::string("\x80\x00\x1f\x88\x80" "abcdefgh", 13);
  int64_t boots = 7;
  int64_t time = 123456;
  std::string user = "alice";
};

// An SNMPv3 message with user-based security and a scoped PDU in clear.
std::string message(const Fields& f) {
  std::string global = ber::encode_tlv(ber::kSequence, integer(f.msg_id) + integer(65507) + octets(f.flags) +
                                                           integer(f.model));
  std::string usm = ber::encode_tlv(ber::kSequence, octets(f.engine) + integer(f.boots) + integer(f.time) +
                                                        octets(f.user) + octets(std::string(12, 'a')) + octets(""));
  std::string scoped = ber::encode_tlv(ber::kSequence, octets(f.engine) + octets("") +
                                                           ber::encode_tlv(0xA2, integer(1) + integer(0) + integer(0) +
                                                                                     ber::encode_tlv(ber::kSequence, "")));
  return ber::encode_tlv(ber::kSequence, integer(f.version) + global + octets(usm) + scoped);
}

bool read(const std::string& datagram, PmsV3Header* header, size_t length = std::string::npos) {
  return pms_v3_read_header(reinterpret_cast<const unsigned char*>(datagram.data()),
                            length == std::string::npos ? datagram.size() : length, header);
}

}  // namespace

TEST(V3Header, ReadsIdFlagsEngineBootsTimeAndUser) {
  Fields f;
  PmsV3Header h;
  ASSERT_TRUE(read(message(f), &h));
  EXPECT_EQ(h.msg_id, 4711);
  EXPECT_EQ(h.flags, 5);
  EXPECT_TRUE(h.authenticated());
  EXPECT_TRUE(h.same_engine(f.engine));
  EXPECT_FALSE(h.same_engine(f.engine.substr(1)));
  EXPECT_EQ(h.boots, 7u);
  EXPECT_EQ(h.time, 123456u);
  EXPECT_TRUE(h.same_user("alice"));
  EXPECT_FALSE(h.same_user("alic"));

  // Only the bytes up to the security parameters are needed: the rest of a
  // datagram is the library's to read.
  const std::string whole = message(f);
  const size_t cut = whole.find("alice") + 5 + 2 + 12 + 2;
  EXPECT_TRUE(read(whole, &h, cut));
  EXPECT_EQ(h.boots, 7u);
  EXPECT_FALSE(read(whole, &h, cut - 3));
}

TEST(V3Header, RefusesWhatIsNoSnmpV3MessageWithUserBasedSecurity) {
  struct Case {
    const char* what;
    Fields fields;
  };
  std::vector<Case> cases;
  Fields f;
  f.version = 1;
  cases.push_back({"SNMPv2c", f});
  f = Fields();
  f.model = 4;
  cases.push_back({"another security model", f});
  f = Fields();
  f.flags = std::string("\x05\x00", 2);
  cases.push_back({"two flag octets", f});
  f = Fields();
  f.engine = std::string(33, 'e');
  cases.push_back({"an engine id of 33 octets", f});
  f = Fields();
  f.user = std::string(33, 'u');
  cases.push_back({"a user name of 33 octets", f});
  f = Fields();
  f.boots = -1;
  cases.push_back({"negative boots", f});
  f = Fields();
  f.time = 2147483648LL;
  cases.push_back({"a time past 2^31 - 1", f});
  for (const Case& c : cases) {
    PmsV3Header h;
    EXPECT_FALSE(read(message(c.fields), &h)) << c.what;
  }
  PmsV3Header h;
  EXPECT_FALSE(read("", &h));
  EXPECT_FALSE(read(std::string("\x30\x84\xff\xff\xff\xff", 6), &h));
  EXPECT_FALSE(pms_v3_read_header(nullptr, 10, &h));
  // A community message is no SNMPv3 message.
  ber::Message v1;
  EXPECT_FALSE(read(ber::encode_message(v1), &h));
  // Limits that do hold: 32 octets, 2^31 - 1.
  f = Fields();
  f.engine = std::string(32, 'e');
  f.user = std::string(32, 'u');
  f.boots = 2147483647LL;
  ASSERT_TRUE(read(message(f), &h));
  EXPECT_EQ(h.engine_id_length, 32u);
  EXPECT_EQ(h.boots, 2147483647u);
}

TEST(V3EngineTime, TimeGoesOnWithTheClockAndStaysWithinItsRange) {
  PmsV3EngineTime t;
  uint32_t boots = 9, time = 9;
  t.now(&boots, &time);
  EXPECT_FALSE(t.known());
  EXPECT_EQ(boots, 0u);
  EXPECT_EQ(time, 0u);

  const auto start = PmsV3EngineTime::Clock::now();
  t.set(3, 1000, false, start);
  EXPECT_TRUE(t.known());
  EXPECT_FALSE(t.authenticated());
  t.now(&boots, &time, start + 2500ms);
  EXPECT_EQ(boots, 3u);
  EXPECT_EQ(time, 1002u);
  t.now(&boots, &time, start - 5s);  // a clock read before the stamp does not go back
  EXPECT_EQ(time, 1000u);
  t.confirm();
  EXPECT_TRUE(t.authenticated());

  t.set(3, 2147483600u, true, start);
  t.now(&boots, &time, start + 100s);
  EXPECT_EQ(time, 2147483647u);
  t.forget();
  EXPECT_FALSE(t.known());
  t.confirm();  // nothing to confirm
  EXPECT_FALSE(t.authenticated());
}

TEST(V3EngineRecord, KeepsTheMostRecentEnginesByAddress) {
  CPmsV3EngineCache cache;
  PmsV3EngineRecord a;
  a.engine_id = "engine-a";
  a.time.set(1, 50, true);
  cache.store("10.0.0.1:161", a);
  PmsV3EngineRecord out;
  ASSERT_TRUE(cache.find("10.0.0.1:161", &out));
  EXPECT_EQ(out.engine_id, "engine-a");
  EXPECT_TRUE(out.time.authenticated());
  EXPECT_FALSE(cache.find("10.0.0.1:162", &out));

  // A later entry for the address replaces the earlier one.
  PmsV3EngineRecord b;
  b.engine_id = "engine-b";
  cache.store("10.0.0.1:161", b);
  ASSERT_TRUE(cache.find("10.0.0.1:161", &out));
  EXPECT_EQ(out.engine_id, "engine-b");
  EXPECT_FALSE(out.time.known());
  EXPECT_EQ(cache.size(), 1u);

  // No engine id, nothing kept.
  cache.store("10.0.0.2:161", PmsV3EngineRecord());
  EXPECT_EQ(cache.size(), 1u);

  cache.forget("10.0.0.1:161");
  EXPECT_FALSE(cache.find("10.0.0.1:161", &out));
}

TEST(V3EngineRecord, TheLeastRecentlyUsedGoesFirstAndOffKeepsNothing) {
  CPmsV3EngineCache cache;
  PmsV3EngineRecord r;
  r.engine_id = "e";
  for (size_t i = 0; i < CPmsV3EngineCache::kCapacity; ++i) cache.store("host-" + std::to_string(i), r);
  EXPECT_EQ(cache.size(), CPmsV3EngineCache::kCapacity);
  ASSERT_TRUE(cache.find("host-0", nullptr));  // now the most recent
  cache.store("host-new", r);
  EXPECT_EQ(cache.size(), CPmsV3EngineCache::kCapacity);
  EXPECT_TRUE(cache.find("host-0", nullptr));
  EXPECT_FALSE(cache.find("host-1", nullptr));
  EXPECT_TRUE(cache.find("host-new", nullptr));

  cache.set_enabled(false);
  EXPECT_EQ(cache.size(), 0u);
  cache.store("host-x", r);
  EXPECT_FALSE(cache.find("host-x", nullptr));
  cache.set_enabled(true);
  cache.store("host-x", r);
  EXPECT_TRUE(cache.find("host-x", nullptr));
  cache.clear();
  EXPECT_EQ(cache.size(), 0u);
}

// The BER primitives of the codec: lengths, integer contents and OID
// contents, checked against known encodings and against the independent
// test peer's BER writer.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>

#include "agent/mini_ber.h"
#include "snmp/codec_test_support.h"
#include "snmp/pms_ber.h"

namespace ber = psw_test::ber;
using codec_test::Bytes;
using codec_test::hex_bytes;
using codec_test::hex_text;

namespace {

// What a writer call leaves in a block.
template <class Write>
std::string written(Write write) {
  unsigned char block[512];
  PmsBerWriter writer;
  writer.reset(block, sizeof block);
  write(writer);
  EXPECT_FALSE(writer.overflow());
  return hex_text(block + writer.start_offset(), writer.written());
}

std::string hex_of(const std::string& bytes) {
  return hex_text(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

int32_t int32_of(const std::string& hex, int expect_rc = PMC_OK) {
  const Bytes bytes = hex_bytes(hex);
  int32_t out = 0x5a5a5a5a;
  EXPECT_EQ(pms_ber_int32(bytes.data(), bytes.size(), &out), expect_rc) << hex;
  return out;
}

uint32_t uint32_of(const std::string& hex, int expect_rc = PMC_OK) {
  const Bytes bytes = hex_bytes(hex);
  uint32_t out = 0x5a5a5a5a;
  EXPECT_EQ(pms_ber_uint32(bytes.data(), bytes.size(), &out), expect_rc) << hex;
  return out;
}

std::string oid_text_of(const std::string& hex, int expect_rc = PMC_OK) {
  const Bytes bytes = hex_bytes(hex);
  std::string text(pms_ber_oid_text_room(bytes.size()), '\0');
  size_t length = 0;
  EXPECT_EQ(pms_ber_oid_text(bytes.data(), bytes.size(), &text[0], &length), expect_rc) << hex;
  return expect_rc == PMC_OK ? text.substr(0, length) : std::string();
}

}  // namespace

TEST(BerWriter, LengthsUseTheShortestDefiniteForm) {
  EXPECT_EQ(written([](PmsBerWriter& w) { w.put_length(0); }), "00");
  EXPECT_EQ(written([](PmsBerWriter& w) { w.put_length(127); }), "7f");
  EXPECT_EQ(written([](PmsBerWriter& w) { w.put_length(128); }), "8180");
  EXPECT_EQ(written([](PmsBerWriter& w) { w.put_length(255); }), "81ff");
  EXPECT_EQ(written([](PmsBerWriter& w) { w.put_length(256); }), "820100");
  EXPECT_EQ(written([](PmsBerWriter& w) { w.put_length(0x1000000); }), "8401000000");
  for (size_t length : {size_t{0}, size_t{1}, size_t{127}, size_t{128}, size_t{300}, size_t{65535}, size_t{70000}}) {
    EXPECT_EQ(written([&](PmsBerWriter& w) { w.put_length(length); }), hex_of(ber::encode_length(length))) << length;
  }
}

TEST(BerWriter, IntegersAreMinimalTwosComplement) {
  EXPECT_EQ(written([](PmsBerWriter& w) { w.put_integer(2, -1); }), "0201ff");
  EXPECT_EQ(written([](PmsBerWriter& w) { w.put_integer(2, 128); }), "02020080");
  EXPECT_EQ(written([](PmsBerWriter& w) { w.put_integer(2, -129); }), "0202ff7f");
  EXPECT_EQ(written([](PmsBerWriter& w) { w.put_integer(2, INT32_MIN); }), "020480000000");

  // Every width, both signs, against the peer's writer, and back.
  std::mt19937 random(7);
  std::vector<int32_t> samples = {0, 1, -1, 127, -128, 128, -129, 32767, -32768, 32768, 8388607, -8388609,
                                  INT32_MAX, INT32_MIN};
  for (int i = 0; i < 2000; ++i) samples.push_back(static_cast<int32_t>(random()) >> (random() % 32));
  for (int32_t v : samples) {
    const std::string expected = hex_of(ber::encode_tlv(0x02, ber::integer_content(v)));
    ASSERT_EQ(written([&](PmsBerWriter& w) { w.put_integer(2, v); }), expected) << v;
    ASSERT_EQ(int32_of(expected.substr(4)), v) << expected;
  }
}

TEST(BerWriter, UnsignedNumbersGetAZeroInFrontOfATopBit) {
  EXPECT_EQ(written([](PmsBerWriter& w) { w.put_unsigned(0x41, 0); }), "410100");
  EXPECT_EQ(written([](PmsBerWriter& w) { w.put_unsigned(0x41, 0x80000000u); }), "41050080000000");
  EXPECT_EQ(written([](PmsBerWriter& w) { w.put_unsigned(0x46, 0x100000000ull); }), "46050100000000");
  EXPECT_EQ(written([](PmsBerWriter& w) { w.put_unsigned(0x46, UINT64_MAX); }), "460900ffffffffffffffff");
  std::mt19937_64 random(11);
  for (int i = 0; i < 2000; ++i) {
    const uint64_t v = random() >> (random() % 64);
    ASSERT_EQ(written([&](PmsBerWriter& w) { w.put_unsigned(0x46, v); }),
              hex_of(ber::encode_tlv(0x46, ber::unsigned_content(v))))
        << v;
  }
}

TEST(BerWriter, OidsJoinTheFirstTwoArcs) {
  EXPECT_EQ(written([](PmsBerWriter& w) { EXPECT_EQ(w.put_oid(6, "1.3", 3), PMC_OK); }), "06012b");
  EXPECT_EQ(written([](PmsBerWriter& w) { EXPECT_EQ(w.put_oid(6, "", 0), PMC_OK); }), "0600");
  const std::string texts[] = {"1.3.6.1.2.1.1.2.0", "0.0", "2.999.1", "1.3.6.1.4.1.4294967295", "2.4294967215",
                               "1.39.128.16383.16384.2097151.268435455"};
  for (const std::string& text : texts) {
    const std::string expected = hex_of(ber::encode_tlv(0x06, ber::oid_content(ber::parse_oid(text))));
    EXPECT_EQ(written([&](PmsBerWriter& w) { EXPECT_EQ(w.put_oid(6, text.data(), text.size()), PMC_OK); }),
              expected)
        << text;
  }
}

TEST(BerWriter, OidsThatWouldComeBackAsAnotherAreRefused) {
  unsigned char block[64];
  PmsBerWriter single;
  single.reset(block, sizeof block);
  EXPECT_EQ(single.put_oid(6, "1", 1), PMS_OID_SINGLE);
  EXPECT_EQ(single.put_oid(6, "4294967295", 10), PMS_OID_SINGLE);
  for (const char* text : {"3.1", "1.40", "0.40", "2.4294967216", "1..2", "1.2.", ".1.2", "1.02", "1.x",
                           "1.3.4294967296", "1.3.99999999999", "x.3", "1.3.-1", "00.1"}) {
    PmsBerWriter writer;
    writer.reset(block, sizeof block);
    EXPECT_EQ(writer.put_oid(6, text, std::strlen(text)), PMC_E_ARG) << text;
  }
}

TEST(BerWriter, OverflowDropsBytesButCountsThem) {
  unsigned char block[4];
  PmsBerWriter writer;
  writer.reset(block, sizeof block);
  writer.put_integer(2, 0x01020304);
  EXPECT_TRUE(writer.overflow());
  EXPECT_EQ(writer.written(), 6u);
  EXPECT_EQ(writer.start_offset(), 0u);
  // The bytes that fitted are the last four of the element.
  EXPECT_EQ(hex_text(block, 4), "01020304");
}

TEST(BerReader, LengthsInEveryDefiniteFormAndNoOther) {
  auto length_of = [](const std::string& hex, size_t* out) {
    const Bytes bytes = hex_bytes(hex);
    PmsBerReader reader(bytes.data(), bytes.size());
    return reader.take_length(out);
  };
  size_t length = 0;
  EXPECT_EQ(length_of("7f", &length), PMC_OK);
  EXPECT_EQ(length, 127u);
  EXPECT_EQ(length_of("8180", &length), PMC_OK);
  EXPECT_EQ(length, 128u);
  EXPECT_EQ(length_of("820100", &length), PMC_OK);
  EXPECT_EQ(length, 256u);
  EXPECT_EQ(length_of("8400000005", &length), PMC_OK);  // padded, still definite
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(length_of("80", &length), PMC_E_MALFORMED);          // indefinite
  EXPECT_EQ(length_of("850000000001", &length), PMC_E_MALFORMED);  // five length bytes
  EXPECT_EQ(length_of("8201", &length), PMC_E_MALFORMED);        // cut off
  EXPECT_EQ(length_of("", &length), PMC_E_MALFORMED);
}

TEST(BerReader, HeaderLengthMustFitWhatIsLeft) {
  const Bytes bytes = hex_bytes("0403616263");
  size_t length = 0;
  PmsBerReader fits(bytes.data(), bytes.size());
  EXPECT_EQ(fits.take_header(0x04, &length), PMC_OK);
  EXPECT_EQ(length, 3u);
  PmsBerReader short_one(bytes.data(), bytes.size() - 1);
  EXPECT_EQ(short_one.take_header(0x04, &length), PMC_E_MALFORMED);
  PmsBerReader other_tag(bytes.data(), bytes.size());
  EXPECT_EQ(other_tag.take_header(0x02, &length), PMC_E_MALFORMED);
}

TEST(BerContents, IntegerContentsAndTheirSignExtension) {
  EXPECT_EQ(int32_of(""), 0);
  EXPECT_EQ(int32_of("ff"), -1);
  EXPECT_EQ(int32_of("0080"), 128);
  EXPECT_EQ(int32_of("ff7f"), -129);
  // Padded encodings of numbers that fit are read...
  EXPECT_EQ(int32_of("007fffffff"), INT32_MAX);
  EXPECT_EQ(int32_of("ffffffffff"), -1);
  EXPECT_EQ(int32_of("000000000005"), 5);
  EXPECT_EQ(int32_of("ffffffff80000000"), INT32_MIN);
  // ...numbers that do not fit 32 signed bits are not cut to their last bytes.
  int32_of("0080000000", PMC_E_MALFORMED);
  int32_of("0100000000", PMC_E_MALFORMED);
  int32_of("ff7fffffff", PMC_E_MALFORMED);
  int32_of("000100000005", PMC_E_MALFORMED);
}

TEST(BerContents, UnsignedContents) {
  EXPECT_EQ(uint32_of(""), 0u);
  EXPECT_EQ(uint32_of("0080000000"), 0x80000000u);
  EXPECT_EQ(uint32_of("00ffffffff"), 0xFFFFFFFFu);
  EXPECT_EQ(uint32_of("0000000000000007"), 7u);
  // Up to four bytes are sign-extended and kept as unsigned.
  EXPECT_EQ(uint32_of("ff"), 0xFFFFFFFFu);
  EXPECT_EQ(uint32_of("80000000"), 0x80000000u);
  uint32_of("0100000000", PMC_E_MALFORMED);
  uint32_of("ffffffffff", PMC_E_MALFORMED);
  uint32_of("000100000000", PMC_E_MALFORMED);
}

TEST(BerContents, Counter64Contents) {
  auto counter64 = [](const std::string& hex, uint64_t* out) {
    const Bytes bytes = hex_bytes(hex);
    return pms_ber_uint64(bytes.data(), bytes.size(), out);
  };
  uint64_t v = 1;
  EXPECT_EQ(counter64("", &v), PMC_OK);
  EXPECT_EQ(v, 0u);
  EXPECT_EQ(counter64("0100000000", &v), PMC_OK);
  EXPECT_EQ(v, 0x100000000ull);
  EXPECT_EQ(counter64("00ffffffffffffffff", &v), PMC_OK);
  EXPECT_EQ(v, UINT64_MAX);
  EXPECT_EQ(counter64("0000000000000000000102", &v), PMC_OK);
  EXPECT_EQ(v, 0x102u);
  EXPECT_EQ(counter64("01ffffffffffffffff", &v), PMC_E_MALFORMED);
}

TEST(BerContents, OidContentsSplitTheFirstNumber) {
  EXPECT_EQ(oid_text_of("2b"), "1.3");
  EXPECT_EQ(oid_text_of("55"), "2.5");
  EXPECT_EQ(oid_text_of("8148"), "2.120");
  EXPECT_EQ(oid_text_of("00"), "0.0");
  EXPECT_EQ(oid_text_of("27"), "0.39");
  EXPECT_EQ(oid_text_of("28"), "1.0");
  EXPECT_EQ(oid_text_of(""), "");
  EXPECT_EQ(oid_text_of("2b06010401818f658f7f"), "1.3.6.1.4.1.18405.2047");
  EXPECT_EQ(oid_text_of("2b8fffffff7f"), "1.3.4294967295");
  // A leading 0x80 pad adds nothing to the number.
  EXPECT_EQ(oid_text_of("2b808001"), "1.3.1");
  oid_text_of("2b86", PMS_OID_UNFINISHED);
  oid_text_of("2b9080808000", PMS_OID_TOO_BIG);
}

TEST(BerContents, OidTextsSurviveTheRoundTrip) {
  std::mt19937 random(3);
  for (int i = 0; i < 500; ++i) {
    std::string text = std::to_string(random() % 3);
    text += "." + std::to_string(text == "2" ? random() % 100000 : random() % 40);
    for (unsigned n = random() % 20; n > 0; --n) text += "." + std::to_string(random() >> (random() % 32));
    const std::string wire = written([&](PmsBerWriter& w) { EXPECT_EQ(w.put_oid(6, text.data(), text.size()), PMC_OK); });
    // Skip tag and length (one byte each below 128 content bytes).
    ASSERT_EQ(oid_text_of(wire.substr(4)), text);
  }
}

TEST(BerWriter, OidsOfOneSlotShareTheirPrefixCorrectly) {
  // Each OID written after the one before it in the same slot, which it
  // shares a prefix with in every way a prefix can end.
  const std::string sequence[] = {"1.3.6.1.2.1.2",     "1.3.6.1.2.1.20",  "1.3.6.1.2.1.2.5", "1.3.6.1.2",
                                  "1.3.6.1.2.1.2.5.7", "1.3.6.12",        "1.3.6.1",         "1.3.6.1.4.1.9",
                                  "2.5",               "2.50",            "1.3.6.1.4.1.9",   "1.3.6.1.4.1.9",
                                  "1.3.6.1.4.1.90.1",  "1.3.6.1.4.1.9.1", "0.39.1",          "1.3"};
  unsigned char block[512];
  PmsBerWriter writer;
  writer.reset(block, sizeof block);
  for (const std::string& text : sequence) {
    const size_t before = writer.written();
    ASSERT_EQ(writer.put_oid(6, text.data(), text.size(), PmsBerWriter::kNameSlot), PMC_OK) << text;
    const std::string expected = hex_of(ber::encode_tlv(0x06, ber::oid_content(ber::parse_oid(text))));
    EXPECT_EQ(hex_text(block + writer.start_offset(), writer.written() - before), expected) << text;
  }
  // A text that goes wrong after a shared prefix is still refused, and the
  // slot does not keep it.
  EXPECT_EQ(writer.put_oid(6, "1.3.6.1.x", 9, PmsBerWriter::kNameSlot), PMC_E_ARG);
  EXPECT_EQ(writer.put_oid(6, "1.3.6.1.", 8, PmsBerWriter::kNameSlot), PMC_E_ARG);
  EXPECT_EQ(writer.put_oid(6, "1.3.6.1.01", 10, PmsBerWriter::kNameSlot), PMC_E_ARG);
  const size_t before = writer.written();
  ASSERT_EQ(writer.put_oid(6, "1.3.6.1.2", 9, PmsBerWriter::kNameSlot), PMC_OK);
  EXPECT_EQ(hex_text(block + writer.start_offset(), writer.written() - before), "06042b060102");

  std::mt19937 random(9);
  std::string previous = "1.3.6.1.2.1.43.11.1.1.9.1.1";
  for (int i = 0; i < 3000; ++i) {
    // A random cut of the previous text and a random tail.
    std::string text = previous.substr(0, 3 + random() % (previous.size() - 2));
    if (text.back() == '.') text.pop_back();
    for (unsigned n = random() % 4; n > 0; --n) text += "." + std::to_string(random() % 3 == 0 ? random() : random() % 200);
    writer.reset(block, sizeof block);
    ASSERT_EQ(writer.put_oid(6, previous.data(), previous.size(), PmsBerWriter::kValueSlot), PMC_OK) << previous;
    const size_t mark = writer.written();
    ASSERT_EQ(writer.put_oid(6, text.data(), text.size(), PmsBerWriter::kValueSlot), PMC_OK) << text;
    ASSERT_EQ(hex_text(block + writer.start_offset(), writer.written() - mark),
              hex_of(ber::encode_tlv(0x06, ber::oid_content(ber::parse_oid(text)))))
        << previous << " then " << text;
    previous = text;
  }
}

TEST(BerWriter, VeryLongOidsAndOidsNearTheBlocksBeginning) {
  // More components than the writer remembers for prefix sharing.
  std::string text = "1.3";
  for (int i = 0; i < 300; ++i) text += "." + std::to_string(i * 1000);
  std::vector<unsigned char> big(4096);
  PmsBerWriter writer;
  writer.reset(big.data(), big.size());
  ASSERT_EQ(writer.put_oid(6, text.data(), text.size(), PmsBerWriter::kNameSlot), PMC_OK);
  EXPECT_EQ(hex_text(big.data() + writer.start_offset(), writer.written()),
            hex_of(ber::encode_tlv(0x06, ber::oid_content(ber::parse_oid(text)))));
  EXPECT_EQ(writer.put_oid(6, "7", 1, PmsBerWriter::kNameSlot), PMS_OID_SINGLE);

  // Blocks just too small and just big enough.
  unsigned char block[10];
  writer.reset(block, 9);
  ASSERT_EQ(writer.put_oid(6, "1.3.6.1.2.1.1.1.0", 17), PMC_OK);
  EXPECT_TRUE(writer.overflow());
  EXPECT_EQ(writer.written(), 10u);
  writer.reset(block, 10);
  ASSERT_EQ(writer.put_oid(6, "1.3.6.1.2.1.1.1.0", 17), PMC_OK);
  EXPECT_FALSE(writer.overflow());
  EXPECT_EQ(hex_text(block, 10), "06082b06010201010100");
}

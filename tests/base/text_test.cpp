#include <gtest/gtest.h>

#include <cstring>

#include "base/pmc_object.h"
#include "base/pmc_text.h"

namespace {

PmcPtr<IPmcText> make_text(const char* s = nullptr) {
  int err = 1;
  PmcPtr<IPmcText> t(pmc_create_text(s, &err));
  EXPECT_EQ(err, 0);
  return t;
}

TEST(Text, EmptyBufferHasNullData) {
  auto t = make_text();
  ASSERT_TRUE(t);
  EXPECT_EQ(t->length(), 0u);
  EXPECT_EQ(t->c_str(), nullptr);
  EXPECT_TRUE(t->equals("", 0));
  EXPECT_TRUE(t->equals(static_cast<const char*>(nullptr)));
  EXPECT_FALSE(t->equals("a"));
}

TEST(Text, AssignLengthZeroFreesOldBytes) {
  auto t = make_text("abc");
  ASSERT_STREQ(t->c_str(), "abc");
  EXPECT_EQ(t->assign("xyz", 0), 0);
  EXPECT_EQ(t->c_str(), nullptr);
  EXPECT_EQ(t->length(), 0u);
}

TEST(Text, KeepsEmbeddedZeroBytesAndTerminates) {
  auto t = make_text();
  const char bytes[] = {'a', '\0', 'b'};
  ASSERT_EQ(t->assign(bytes, 3), 0);
  EXPECT_EQ(t->length(), 3u);
  EXPECT_EQ(std::memcmp(t->c_str(), bytes, 3), 0);
  EXPECT_EQ(t->c_str()[3], '\0');
  EXPECT_TRUE(t->equals(bytes, 3));
  EXPECT_FALSE(t->equals("a"));
}

TEST(Text, AppendFormsAndSelfAppend) {
  auto t = make_text("ab");
  EXPECT_EQ(t->append("cd"), 0);
  EXPECT_EQ(t->append(static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(t->append("efg", 1), 0);
  EXPECT_STREQ(t->c_str(), "abcde");
  // Appending the buffer to itself reads the old bytes before replacing them.
  EXPECT_EQ(t->append(t.get()), 0);
  EXPECT_STREQ(t->c_str(), "abcdeabcde");
  EXPECT_EQ(t->length(), 10u);
}

TEST(Text, CloneIsIndependent) {
  auto t = make_text("hello");
  IPmcText* raw = nullptr;
  ASSERT_EQ(t->clone(&raw), 0);
  PmcPtr<IPmcText> c(raw);
  EXPECT_TRUE(c->equals(t.get()));
  EXPECT_NE(c->c_str(), t->c_str());
  t->assign("bye");
  EXPECT_STREQ(c->c_str(), "hello");
  EXPECT_EQ(t->clone(nullptr), PMC_E_ARG);
}

TEST(Text, FactoryAcceptsNullErr) {
  PmcPtr<IPmcText> t(pmc_create_text("x", nullptr));
  ASSERT_TRUE(t);
  EXPECT_STREQ(t->c_str(), "x");
}

TEST(CopyText, CutsTerminatesAndEmptiesOnNull) {
  char dst[8];
  std::memset(dst, 'x', sizeof dst);
  EXPECT_EQ(psw_copy_text(dst, "abcdefghij"), 7u);
  EXPECT_STREQ(dst, "abcdefg");
  EXPECT_EQ(psw_copy_text(dst, "abcdef", 3), 3u);  // source limited to 3 bytes
  EXPECT_STREQ(dst, "abc");
  EXPECT_EQ(psw_copy_text(dst, nullptr), 0u);
  EXPECT_STREQ(dst, "");
  EXPECT_EQ(psw_copy_text(nullptr, 4, "abc"), 0u);
  char one[1] = {'q'};
  EXPECT_EQ(psw_copy_text(one, "abc"), 0u);
  EXPECT_EQ(one[0], '\0');
  // A buffer's own text, and a later part of it, copy whole.
  char own[8] = "abcdef";
  EXPECT_EQ(psw_copy_text(own, own), 6u);
  EXPECT_STREQ(own, "abcdef");
  EXPECT_EQ(psw_copy_text(own, own + 2), 4u);
  EXPECT_STREQ(own, "cdef");
}

}  // namespace

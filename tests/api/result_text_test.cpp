// Result codes and device texts as text: every public code by its own
// constant's name, and device octets of each character set turned into UTF-8.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "psw/psw.h"

namespace {

struct NamedCode {
  int32_t code;
  const char* name;
};
#define PSW_CODE(c) NamedCode{c, #c}
const NamedCode kPublicCodes[] = {
    PSW_CODE(PSW_OK),           PSW_CODE(PSW_ERR_FAILED),       PSW_CODE(PSW_ERR_ARGUMENT),
    PSW_CODE(PSW_ERR_NO_MEMORY), PSW_CODE(PSW_ERR_NO_INTERFACE), PSW_CODE(PSW_ERR_UNSUPPORTED),
    PSW_CODE(PSW_ERR_NOT_FOUND), PSW_CODE(PSW_ERR_NO_VALUE),     PSW_CODE(PSW_ERR_NOT_OPENED),
    PSW_CODE(PSW_ERR_PLATFORM), PSW_CODE(PSW_ERR_INDEX),        PSW_CODE(PSW_ERR_SNMP_LIBRARY),
    PSW_CODE(PSW_ERR_SOCKET),   PSW_CODE(PSW_ERR_BIND),         PSW_CODE(PSW_ERR_TIMEOUT),
    PSW_CODE(PSW_ERR_RECEIVE),  PSW_CODE(PSW_ERR_SEND),         PSW_CODE(PSW_ERR_TOO_BIG),
    PSW_CODE(PSW_ERR_OVERFLOW), PSW_CODE(PSW_ERR_NO_SPLIT),     PSW_CODE(PSW_ERR_SECURITY),
    PSW_CODE(PSW_ERR_MALFORMED), PSW_CODE(PSW_ERR_OTHER_REQUEST), PSW_CODE(PSW_ERR_NO_PDU_TYPE),
    PSW_CODE(PSW_ERR_BAD_INDEX), PSW_CODE(PSW_ERR_WALK_STUCK),  PSW_CODE(PSW_ERR_WALK_TOO_LONG),
};
#undef PSW_CODE

TEST(ResultText, EveryPublicCodeIsNamedByItsConstantWithASentenceOfItsOwn) {
  std::set<std::string> texts;
  for (const NamedCode& c : kPublicCodes) {
    EXPECT_STREQ(PSWGetResultName(c.code), c.name) << c.code;
    const char* text = PSWGetResultText(c.code);
    ASSERT_NE(text, nullptr);
    EXPECT_STRNE(text, "unknown result code") << c.name;
    EXPECT_TRUE(texts.insert(text).second) << c.name << " shares its text: " << text;
  }
}

TEST(ResultText, CodesWithoutAConstantAreUnknownNotNull) {
  for (int32_t code : {1, -9, -12, -206, -213, -404, INT32_MIN, INT32_MAX}) {
    EXPECT_STREQ(PSWGetResultName(code), "PSW_ERR_UNKNOWN") << code;
    EXPECT_STREQ(PSWGetResultText(code), "unknown result code") << code;
  }
}

struct TextCase {
  const char* what;
  std::string octets;
  std::string utf8;
};

std::string to_utf8(const std::string& octets) {
  char buffer[PSW_UTF8_TEXT_SIZE];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(PSWTextToUTF8(octets.c_str(), buffer), PSW_OK);
  EXPECT_NE(std::memchr(buffer, '\0', sizeof buffer), nullptr) << "not terminated";
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

TEST(TextToUtf8, EachCharacterSetOfADevice) {
  const TextCase cases[] = {
      {"ASCII", "Tray 1", "Tray 1"},
      {"empty", "", ""},
      {"UTF-8 two-octet", "T\xC3\xB3ner negro", "T\xC3\xB3ner negro"},
      {"UTF-8 three- and four-octet", "\xE2\x82\xAC 5 \xF0\x9F\x96\xA8", "\xE2\x82\xAC 5 \xF0\x9F\x96\xA8"},
      {"Latin-1 letter", "T\xF3ner negro", "T\xC3\xB3ner negro"},
      {"Latin-1 letter at the end", "Recepci\xF3n", "Recepci\xC3\xB3n"},
      {"Latin-1 lead-like letter alone at the end", "Caf\xE9", "Caf\xC3\xA9"},
      {"Latin-1 letters that pair like UTF-8 are UTF-8", "\xC3\xA9", "\xC3\xA9"},
      {"Windows-1252 euro and quotes", "\x80 \x93ok\x94", "\xE2\x82\xAC \xE2\x80\x9Cok\xE2\x80\x9D"},
      {"Windows-1252 unassigned octets stay controls", "a\x81\x8D\x8F\x90\x9D", "a\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
      {"Latin-1 0xFF", "\xFF", "\xC3\xBF"},
      {"overlong form is not UTF-8", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
      {"surrogate is not UTF-8", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
      {"beyond U+10FFFF is not UTF-8", "\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},
      {"lone continuation octet", "a\xA9", "a\xC2\xA9"},
      {"UTF-8 cut inside its last character", "T\xC3\xB3ner \xE2\x82", "T\xC3\xB3ner "},
      {"UTF-8 cut after one octet of four", "\xC3\xB3\xF0", "\xC3\xB3"},
      {"control characters are kept", "a\x1B[2Jb\x07\t", "a\x1B[2Jb\x07\t"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(to_utf8(c.octets), c.utf8) << c.what;
}

TEST(TextToUtf8, ReadsAtMostAFieldOfOctetsAndTheLongestFormFits) {
  EXPECT_EQ(to_utf8(std::string(300, 'a')), std::string(255, 'a'));
  std::string e_acute;
  for (int i = 0; i < 255; ++i) e_acute += "\xC3\xA9";
  EXPECT_EQ(to_utf8(std::string(300, '\xE9')), e_acute);
  // Three octets for each of 255 octets: the largest output there is.
  std::string euros;
  for (int i = 0; i < 255; ++i) euros += "\xE2\x82\xAC";
  EXPECT_EQ(to_utf8(std::string(255, '\x80')), euros);
  EXPECT_LT(euros.size(), static_cast<size_t>(PSW_UTF8_TEXT_SIZE));
}

TEST(TextToUtf8, ConvertsInPlaceAndRefusesNullArguments) {
  char buffer[PSW_UTF8_TEXT_SIZE] = "Bandeja de alimentaci\xF3n";
  ASSERT_EQ(PSWTextToUTF8(buffer, buffer), PSW_OK);
  EXPECT_STREQ(buffer, "Bandeja de alimentaci\xC3\xB3n");

  char untouched[PSW_UTF8_TEXT_SIZE] = "keep";
  EXPECT_EQ(PSWTextToUTF8(nullptr, untouched), PSW_ERR_ARGUMENT);
  EXPECT_STREQ(untouched, "keep");
  EXPECT_EQ(PSWTextToUTF8("text", nullptr), PSW_ERR_ARGUMENT);
}

TEST(Version, TheLibraryIsTheVersionOfItsHeaderAndOfItsBuild) {
  EXPECT_STREQ(PSWGetVersion(), PSW_VERSION);
  EXPECT_STREQ(PSW_VERSION, PSW_PROJECT_VERSION);
  EXPECT_EQ(std::to_string(PSW_VERSION_MAJOR) + "." + std::to_string(PSW_VERSION_MINOR) + "." +
                std::to_string(PSW_VERSION_PATCH),
            PSW_VERSION);
  EXPECT_GE(PSW_VERSION_NUMBER, PSW_MAKE_VERSION(1, 1, 0));
  EXPECT_LT(PSW_MAKE_VERSION(1, 9, 9), PSW_MAKE_VERSION(2, 0, 0));
}

}  // namespace

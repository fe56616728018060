// Device texts from their character sets, address texts by form, and the
// JSON names of option keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "pswctl_charset.h"
#include "pswctl_hints.h"
#include "pswctl_option_keys.h"

namespace pswctl {
namespace {

struct TextCase {
  const char* what;
  std::string octets;
  size_t field;  // the record field's size; the octets fill it when longer than what they hold
  int32_t charset;
  std::string utf8;
};

TEST(Charset, TextsConvertFromTheDevicesCharacterSetAndNothingIsLost) {
  const TextCase cases[] = {
      {"Shift_JIS", "\x83\x75\x83\x89\x83\x62\x83\x4e", 64, 17, "\xE3\x83\x96\xE3\x83\xA9\xE3\x83\x83\xE3\x82\xAF"},
      {"Shift_JIS's lower half is JIS-Roman: yen sign and overline", "a\x5c\x7e", 64, 17, "a\xC2\xA5\xE2\x80\xBE"},
      {"Big5", "\xa5\x78\xa5\x5f", 64, 2026, "\xE5\x8F\xB0\xE5\x8C\x97"},
      {"EUC-JP", "\xc6\xfc\xcb\xdc", 64, 18, "\xE6\x97\xA5\xE6\x9C\xAC"},
      {"ISO-2022-JP, a stateful encoding", "\x1b$BF|K\\\x1b(B", 64, 39, "\xE6\x97\xA5\xE6\x9C\xAC"},
      {"KOI8-R", "\xf0\xd2\xc9\xd7\xc5\xd4", 64, 2084, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
      {"an octet Shift_JIS lacks, escaped and the rest converted", "\x97\x70\xa0\x8e\x86", 64, 17,
       "\xE7\x94\xA8\\xa0\xE7\xB4\x99"},
      {"US-ASCII: an octet above 0x7f is no character of it", "caf\xe9", 64, 3, "caf\\xe9"},
      {"UTF-8 with an octet that is none", "a\xff" "b\xc3\xa9", 64, 106, "a\\xffb\xC3\xA9"},
      {"UTF-8 cut inside a character by a full field", std::string(62, 'x') + "\xc3", 64, 106, std::string(62, 'x')},
      {"Shift_JIS cut inside a character by a full field", std::string(62, 'x') + "\x83", 64, 17,
       std::string(62, 'x')},
      {"an incomplete character with room after it is shown", "x\x83", 64, 17, "x\\x83"},
      {"Latin-1", "T\xf3ner", 64, 4, "T\xC3\xB3ner"},
      {"Latin-1 declared, UTF-8 sent: kept", "T\xC3\xB3ner", 64, 4, "T\xC3\xB3ner"},
      {"no character set: UTF-8 or Latin-1", "T\xf3ner", 64, 0, "T\xC3\xB3ner"},
      {"a character set the tool does not know: the same", "T\xf3ner", 64, 9999, "T\xC3\xB3ner"},
      {"windows-1252", "\x80 5", 64, 2252, "\xE2\x82\xAC 5"},
      {"empty", "", 64, 17, ""},
  };
  for (const TextCase& c : cases) {
    std::string field = c.octets;
    field.resize(std::max(field.size(), c.field), '\0');
    EXPECT_EQ(text_from_charset(field.data(), c.field, c.charset), c.utf8) << c.what;
  }
}

TEST(Charset, NamesAreTheRegisteredOnes) {
  EXPECT_EQ(charset_name(3), "US-ASCII");
  EXPECT_EQ(charset_name(4), "ISO-8859-1");
  EXPECT_EQ(charset_name(17), "Shift_JIS");
  EXPECT_EQ(charset_name(106), "UTF-8");
  EXPECT_EQ(charset_name(2026), "Big5");
  EXPECT_EQ(charset_name(4242), "MIBenum 4242");
}

TEST(Hints, AddressTextsByForm) {
  const std::pair<const char*, AddressForm> cases[] = {
      {"192.0.2.7", AddressForm::kIPv4},      {"010.001.002.003", AddressForm::kIPv4},
      {"10.1.1.300", AddressForm::kUnreadable}, {"10.1.1", AddressForm::kUnreadable},
      {"10.1.1.1.1", AddressForm::kUnreadable}, {"1.2.3.4 ", AddressForm::kUnreadable},
      {"", AddressForm::kUnreadable},          {"printer.local", AddressForm::kUnreadable},
      {"::1", AddressForm::kIPv6},             {"fe80::1%eth0", AddressForm::kIPv6},
      {"fd31:231:1::11", AddressForm::kIPv6},  {"00000001:00000000000a", AddressForm::kIPX},
      {"0000000g:00000000000a", AddressForm::kUnreadable},
  };
  for (const auto& [text, form] : cases) EXPECT_EQ(address_form(text), form) << text;
}

TEST(OptionKeys, JsonNamesAreCamelCase) {
  EXPECT_EQ(json_name("PrinterRomVersion"), "printerRomVersion");
  EXPECT_EQ(json_name("FAXUnit"), "faxUnit");
  EXPECT_EQ(json_name("InTrayMSI"), "inTrayMSI");
  EXPECT_EQ(json_name("NetWareSAPUnitName"), "netWareSAPUnitName");
  EXPECT_EQ(json_name("HCCT"), "hcct");
  // Every key has a name of its own.
  std::set<std::string> names;
  for (const OptionKey& k : option_keys()) EXPECT_TRUE(names.insert(json_name(k.key)).second) << k.key;
}

}  // namespace
}  // namespace pswctl

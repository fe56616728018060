#include "pswctl_charset.h"

#include <fmt/format.h>
#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "pswctl_text.h"

namespace pswctl {
namespace {

struct Charset {
  int32_t mibEnum;
  const char* name;  // the registered name, which iconv knows as well
};

const Charset kCharsets[] = {
    {3, "US-ASCII"},       {4, "ISO-8859-1"},     {5, "ISO-8859-2"},     {6, "ISO-8859-3"},
    {7, "ISO-8859-4"},     {8, "ISO-8859-5"},     {9, "ISO-8859-6"},     {10, "ISO-8859-7"},
    {11, "ISO-8859-8"},    {12, "ISO-8859-9"},    {13, "ISO-8859-10"},   {17, "Shift_JIS"},
    {18, "EUC-JP"},        {38, "EUC-KR"},        {39, "ISO-2022-JP"},   {40, "ISO-2022-JP-2"},
    {106, "UTF-8"},        {109, "ISO-8859-13"},  {110, "ISO-8859-14"},  {111, "ISO-8859-15"},
    {112, "ISO-8859-16"},  {113, "GBK"},          {114, "GB18030"},      {2009, "IBM850"},
    {2011, "IBM437"},      {2025, "GB2312"},      {2026, "Big5"},        {2084, "KOI8-R"},
    {2088, "KOI8-U"},      {2250, "windows-1250"}, {2251, "windows-1251"}, {2252, "windows-1252"},
    {2253, "windows-1253"}, {2254, "windows-1254"}, {2255, "windows-1255"}, {2256, "windows-1256"},
    {2257, "windows-1257"}, {2258, "windows-1258"}, {2259, "TIS-620"},
};

const char* known_name(int32_t mibEnum) {
  for (const Charset& c : kCharsets)
    if (c.mibEnum == mibEnum) return c.name;
  return nullptr;
}

constexpr int32_t kLatin1 = 4;

// The library's reading: UTF-8 when valid, else Latin-1 / Windows-1252.
std::string guessed(const char* octets, size_t length) { return device_text(octets, length); }

void escape_octet(std::string& out, unsigned char c) { out += fmt::format("\\x{:02x}", c); }

// iconv from `name` into UTF-8, octet by octet past what does not convert.
// False when iconv does not know the character set.
bool convert(const char* name, const char* octets, size_t length, bool filled, std::string* out) {
  iconv_t cd = iconv_open("UTF-8", name);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char* in = const_cast<char*>(octets);
  size_t left = length;
  char buffer[256];
  while (left > 0) {
    char* to = buffer;
    size_t room = sizeof buffer;
    const size_t rc = iconv(cd, &in, &left, &to, &room);
    out->append(buffer, static_cast<size_t>(to - buffer));
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    if (errno == EINVAL && filled) break;  // a character cut by the field's end
    // EILSEQ, or an incomplete character before the text's end: the octet
    // is shown, the rest converted from a fresh state.
    escape_octet(*out, static_cast<unsigned char>(*in));
    ++in;
    --left;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  // Stateful encodings (ISO-2022-JP) may owe a return to their first state.
  char* to = buffer;
  size_t room = sizeof buffer;
  iconv(cd, nullptr, nullptr, &to, &room);
  out->append(buffer, static_cast<size_t>(to - buffer));
  iconv_close(cd);
  return true;
}

}  // namespace

std::string charset_name(int32_t mibEnum) {
  const char* name = known_name(mibEnum);
  return name != nullptr ? std::string(name) : fmt::format("MIBenum {}", mibEnum);
}

std::string text_from_charset(const char* octets, size_t size, int32_t mibEnum) {
  const size_t length = strnlen(octets, size);
  const bool filled = length == size || (size > 0 && length == size - 1);
  const char* name = known_name(mibEnum);
  if (name == nullptr || mibEnum == kLatin1) return guessed(octets, length);
  std::string out;
  if (!convert(name, octets, length, filled, &out)) return guessed(octets, length);
  return out;
}

}  // namespace pswctl

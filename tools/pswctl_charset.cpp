#include "pswctl_charset.h"

#include <fmt/format.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <cerrno>
#include <cstring>

#include "pswctl_text.h"

namespace pswctl {
namespace {

struct Charset {
  int32_t mibEnum;
  const char* name;   // the registered name, which iconv knows as well
  unsigned codePage;  // Windows' code page of it; 0 where Windows has none
};

const Charset kCharsets[] = {
    {3, "US-ASCII", 20127},        {4, "ISO-8859-1", 28591},      {5, "ISO-8859-2", 28592},
    {6, "ISO-8859-3", 28593},      {7, "ISO-8859-4", 28594},      {8, "ISO-8859-5", 28595},
    {9, "ISO-8859-6", 28596},      {10, "ISO-8859-7", 28597},     {11, "ISO-8859-8", 28598},
    {12, "ISO-8859-9", 28599},     {13, "ISO-8859-10", 0},        {17, "Shift_JIS", 932},
    {18, "EUC-JP", 20932},         {38, "EUC-KR", 51949},         {39, "ISO-2022-JP", 50220},
    {40, "ISO-2022-JP-2", 0},      {106, "UTF-8", 65001},         {109, "ISO-8859-13", 28603},
    {110, "ISO-8859-14", 0},       {111, "ISO-8859-15", 28605},   {112, "ISO-8859-16", 0},
    {113, "GBK", 936},             {114, "GB18030", 54936},       {2009, "IBM850", 850},
    {2011, "IBM437", 437},         {2025, "GB2312", 936},         {2026, "Big5", 950},
    {2084, "KOI8-R", 20866},       {2088, "KOI8-U", 21866},       {2250, "windows-1250", 1250},
    {2251, "windows-1251", 1251},  {2252, "windows-1252", 1252},  {2253, "windows-1253", 1253},
    {2254, "windows-1254", 1254},  {2255, "windows-1255", 1255},  {2256, "windows-1256", 1256},
    {2257, "windows-1257", 1257},  {2258, "windows-1258", 1258},  {2259, "TIS-620", 874},
};

const Charset* known(int32_t mibEnum) {
  for (const Charset& c : kCharsets)
    if (c.mibEnum == mibEnum) return &c;
  return nullptr;
}

const char* known_name(int32_t mibEnum) {
  const Charset* c = known(mibEnum);
  return c != nullptr ? c->name : nullptr;
}

constexpr int32_t kLatin1 = 4;

// The library's reading: UTF-8 when valid, else Latin-1 / Windows-1252.
std::string guessed(const char* octets, size_t length) { return device_text(octets, length); }

void escape_octet(std::string& out, unsigned char c) { out += fmt::format("\\x{:02x}", c); }

#ifdef _WIN32
// The character sets read by rules of their own on Windows.
constexpr int32_t kUsAscii = 3;
constexpr int32_t kShiftJis = 17;
constexpr int32_t kIso2022Jp = 39;

// One character of code page `page`, `length` octets, as UTF-8; false when
// the octets are no character of it.
bool convert_one(unsigned page, const char* octets, int length, std::string* out) {
  wchar_t wide[4];
  int count = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, octets, length, wide, 4);
  if (count <= 0) return false;
  char utf8[16];
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, count, utf8, sizeof utf8, nullptr, nullptr);
  if (bytes <= 0) return false;
  out->append(utf8, static_cast<size_t>(bytes));
  return true;
}

// The octets of the character that starts at `octets` in code page `page`:
// one, or two after a lead octet of a double-byte page, or by UTF-8's rule.
size_t character_length(unsigned page, const unsigned char* octets, size_t left) {
  size_t want = 1;
  if (page == CP_UTF8) {
    want = octets[0] < 0xC0 ? 1 : octets[0] < 0xE0 ? 2 : octets[0] < 0xF0 ? 3 : 4;
  } else if (IsDBCSLeadByteEx(page, octets[0])) {
    want = 2;
  }
  return want <= left ? want : left;
}

// Windows' conversion of code page `page` into UTF-8, character by
// character, octet by octet past what does not convert. False when Windows
// has no such code page.
// Octet by octet through code page `page`: each character converted alone,
// an octet that starts none shown escaped, the rest converted after it.
void convert_characters(const Charset& charset, unsigned page, const unsigned char* in, size_t left, bool filled,
                        std::string* out) {
  while (left > 0) {
    size_t step = character_length(page, in, left);
    // Shift_JIS proper has JIS-Roman in its lower half, where code page 932
    // (Windows-31J) has ASCII: 0x5C is the yen sign and 0x7E the overline,
    // as iconv reads them too.
    if (charset.mibEnum == kShiftJis && step == 1 && (*in == 0x5C || *in == 0x7E)) {
      out->append(*in == 0x5C ? "\xC2\xA5" : "\xE2\x80\xBE");
      ++in;
      --left;
      continue;
    }
    if (convert_one(page, reinterpret_cast<const char*>(in), static_cast<int>(step), out)) {
      in += step;
      left -= step;
      continue;
    }
    const size_t wanted = character_length(page, in, static_cast<size_t>(-1));
    if (step < wanted && filled) break;  // a character cut by the field's end
    escape_octet(*out, *in);
    ++in;
    --left;
  }
}

// ISO-2022-JP, read by its escape sequences: ASCII and JIS-Roman one octet
// a character, JIS X 0208 two, converted as the same character of EUC-JP
// (both octets moved to the upper half). An escape sequence it does not know
// is shown escaped, octet by octet.
void convert_iso2022jp(const unsigned char* in, size_t left, bool filled, std::string* out) {
  enum class Set { kAscii, kRoman, kKanji } set = Set::kAscii;
  while (left > 0) {
    if (*in == 0x1B) {
      const bool known3 = left >= 3;
      if (known3 && in[1] == '(' && (in[2] == 'B' || in[2] == 'J')) {
        set = in[2] == 'B' ? Set::kAscii : Set::kRoman;
      } else if (known3 && in[1] == '$' && (in[2] == '@' || in[2] == 'B')) {
        set = Set::kKanji;
      } else {
        escape_octet(*out, *in);
        ++in;
        --left;
        continue;
      }
      in += 3;
      left -= 3;
      continue;
    }
    if (set == Set::kKanji && *in >= 0x21 && *in <= 0x7E) {
      if (left < 2) {
        if (!filled) escape_octet(*out, *in);
        break;
      }
      const char euc[2] = {static_cast<char>(in[0] | 0x80), static_cast<char>(in[1] | 0x80)};
      if (!convert_one(20932, euc, 2, out)) {
        escape_octet(*out, in[0]);
        ++in;
        --left;
        continue;
      }
      in += 2;
      left -= 2;
      continue;
    }
    if (*in >= 0x80) {
      escape_octet(*out, *in);
    } else if (set == Set::kRoman && (*in == 0x5C || *in == 0x7E)) {
      out->append(*in == 0x5C ? "\xC2\xA5" : "\xE2\x80\xBE");
    } else {
      out->push_back(static_cast<char>(*in));
    }
    ++in;
    --left;
  }
}

// Windows' conversion of the charset's code page into UTF-8. False when
// Windows has no such code page. US-ASCII and ISO-2022-JP are read here:
// Windows maps octets above 0x7F of the one to letters (best fit), and
// leaves the other to a converter a system may lack.
bool convert(const Charset& charset, const char* octets, size_t length, bool filled, std::string* out) {
  const auto* in = reinterpret_cast<const unsigned char*>(octets);
  if (charset.mibEnum == kUsAscii) {
    for (size_t i = 0; i < length; ++i) {
      if (in[i] < 0x80)
        out->push_back(static_cast<char>(in[i]));
      else
        escape_octet(*out, in[i]);
    }
    return true;
  }
  if (charset.mibEnum == kIso2022Jp) {
    if (!IsValidCodePage(20932)) return false;
    convert_iso2022jp(in, length, filled, out);
    return true;
  }
  const unsigned page = charset.codePage;
  if (page == 0 || !IsValidCodePage(page)) return false;
  if (page == 54936) {
    // GB18030's characters are one, two or four octets: the text as a whole.
    int wide_length = MultiByteToWideChar(page, 0, octets, static_cast<int>(length), nullptr, 0);
    if (wide_length <= 0) return length == 0;
    std::wstring wide(static_cast<size_t>(wide_length), L'\0');
    MultiByteToWideChar(page, 0, octets, static_cast<int>(length), &wide[0], wide_length);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, &utf8[0], bytes, nullptr, nullptr);
    out->append(utf8);
    return true;
  }
  convert_characters(charset, page, in, length, filled, out);
  return true;
}
#else
// iconv from `name` into UTF-8, octet by octet past what does not convert.
// False when iconv does not know the character set.
bool convert(const Charset& charset, const char* octets, size_t length, bool filled, std::string* out) {
  iconv_t cd = iconv_open("UTF-8", charset.name);
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
#endif

}  // namespace

std::string charset_name(int32_t mibEnum) {
  const char* name = known_name(mibEnum);
  return name != nullptr ? std::string(name) : fmt::format("MIBenum {}", mibEnum);
}

std::string text_from_charset(const char* octets, size_t size, int32_t mibEnum) {
  const size_t length = strnlen(octets, size);
  const bool filled = length == size || (size > 0 && length == size - 1);
  const Charset* charset = known(mibEnum);
  if (charset == nullptr || mibEnum == kLatin1) return guessed(octets, length);
  std::string out;
  if (!convert(*charset, octets, length, filled, &out)) return guessed(octets, length);
  return out;
}

}  // namespace pswctl

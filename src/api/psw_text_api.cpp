// Result codes and device texts as text: the names and sentences of every
// code that reaches the C interface, the UTF-8 form of the octets a device
// sends, and the library's version. Nothing here allocates or throws.
#include <cstring>

#include "base/pmc_result.h"
#include "psw/psw.h"

// The public constants are the layers' own codes.
static_assert(PSW_ERR_FAILED == PMC_E_FAIL && PSW_ERR_ARGUMENT == PMC_E_ARG && PSW_ERR_NO_MEMORY == PMC_E_NOMEM &&
                  PSW_ERR_NO_INTERFACE == PMC_E_NOINTERFACE && PSW_ERR_UNSUPPORTED == PMC_E_UNSUPPORTED &&
                  PSW_ERR_NOT_FOUND == PMC_E_NOTFOUND && PSW_ERR_NO_VALUE == PMC_E_NOVALUE &&
                  PSW_ERR_NOT_OPENED == PMC_E_EMPTY && PSW_ERR_PLATFORM == PMC_E_PLATFORM &&
                  PSW_ERR_INDEX == PMC_E_INDEX,
              "handle-level codes");
static_assert(PSW_ERR_SNMP_LIBRARY == PMC_E_SNMPLIB && PSW_ERR_SOCKET == PMC_E_SOCKET && PSW_ERR_BIND == PMC_E_BIND &&
                  PSW_ERR_TIMEOUT == PMC_E_TIMEOUT && PSW_ERR_RECEIVE == PMC_E_RECEIVE &&
                  PSW_ERR_SEND == PMC_E_SEND && PSW_ERR_TOO_BIG == PMC_E_TOOBIG &&
                  PSW_ERR_OVERFLOW == PMC_E_OVERFLOW && PSW_ERR_NO_SPLIT == PMC_E_NOSPLIT &&
                  PSW_ERR_SECURITY == PMC_E_SECURITY && PSW_ERR_MALFORMED == PMC_E_MALFORMED &&
                  PSW_ERR_OTHER_REQUEST == PMC_E_OTHER_REQUEST && PSW_ERR_NO_PDU_TYPE == PMC_E_NO_PDU_TYPE &&
                  PSW_ERR_BAD_INDEX == PMC_E_BAD_INDEX && PSW_ERR_WALK_STUCK == PMC_E_WALK_STUCK &&
                  PSW_ERR_WALK_TOO_LONG == PMC_E_WALK_LIMIT,
              "protocol-layer codes");

namespace {

struct CodeText {
  int32_t code;
  const char* name;
  const char* text;
};

const CodeText kCodes[] = {
    {PSW_OK, "PSW_OK", "success"},
    {PSW_ERR_FAILED, "PSW_ERR_FAILED", "the device's answer had an unexpected form"},
    {PSW_ERR_ARGUMENT, "PSW_ERR_ARGUMENT",
     "an argument was refused (null pointer, transport, address of another protocol, or a device of an "
     "unsupported model)"},
    {PSW_ERR_NO_MEMORY, "PSW_ERR_NO_MEMORY", "out of memory"},
    {PSW_ERR_NO_INTERFACE, "PSW_ERR_NO_INTERFACE", "an internal object was not available"},
    {PSW_ERR_UNSUPPORTED, "PSW_ERR_UNSUPPORTED", "the operation, command or key is not supported"},
    {PSW_ERR_NOT_FOUND, "PSW_ERR_NOT_FOUND", "a name was not found"},
    {PSW_ERR_NO_VALUE, "PSW_ERR_NO_VALUE", "the device answered without the value, or refused the write"},
    {PSW_ERR_NOT_OPENED, "PSW_ERR_NOT_OPENED", "no device has been opened on the handle"},
    {PSW_ERR_PLATFORM, "PSW_ERR_PLATFORM", "a platform service is missing or failed to start"},
    {PSW_ERR_INDEX, "PSW_ERR_INDEX", "an index lies beyond the table read last, or a list is full"},
    {PSW_ERR_SNMP_LIBRARY, "PSW_ERR_SNMP_LIBRARY", "the SNMPv3 library reported an error"},
    {PSW_ERR_SOCKET, "PSW_ERR_SOCKET", "no socket could be created"},
    {PSW_ERR_BIND, "PSW_ERR_BIND", "the socket could not be bound"},
    {PSW_ERR_TIMEOUT, "PSW_ERR_TIMEOUT", "no answer within the time-out"},
    {PSW_ERR_RECEIVE, "PSW_ERR_RECEIVE", "receiving failed"},
    {PSW_ERR_SEND, "PSW_ERR_SEND", "sending failed"},
    {PSW_ERR_TOO_BIG, "PSW_ERR_TOO_BIG", "the device's answer would be too big"},
    {PSW_ERR_OVERFLOW, "PSW_ERR_OVERFLOW", "a message did not fit its buffer"},
    {PSW_ERR_NO_SPLIT, "PSW_ERR_NO_SPLIT", "the request could not be made small enough for the device"},
    {PSW_ERR_SECURITY, "PSW_ERR_SECURITY", "SNMPv3 security failed (user, security level, protocols or keys)"},
    {PSW_ERR_MALFORMED, "PSW_ERR_MALFORMED", "the device sent a malformed message"},
    {PSW_ERR_OTHER_REQUEST, "PSW_ERR_OTHER_REQUEST", "an answer belonged to another request"},
    {PSW_ERR_NO_PDU_TYPE, "PSW_ERR_NO_PDU_TYPE", "the device sent an answer without a PDU type"},
    {PSW_ERR_BAD_INDEX, "PSW_ERR_BAD_INDEX", "a table index sent by the device could not be read"},
    {PSW_ERR_WALK_STUCK, "PSW_ERR_WALK_STUCK", "the device's table answers stopped advancing"},
    {PSW_ERR_WALK_TOO_LONG, "PSW_ERR_WALK_TOO_LONG", "the device's table did not end within the row limit"},
};

const CodeText* find_code(int32_t code) {
  for (const CodeText& c : kCodes)
    if (c.code == code) return &c;
  return nullptr;
}

// The characters Windows-1252 gives octets 0x80-0x9F; 0 where it gives none
// (the octet then stays the Latin-1 control character of its value).
const uint16_t kWindows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The length of the UTF-8 sequence at s[0..n), checked strictly (no
// overlong forms, no surrogates, nothing above U+10FFFF): its length when
// complete and valid, -(octets read) when valid so far but cut by the end
// of the text, 0 when invalid.
int utf8_sequence(const unsigned char* s, size_t n) {
  const unsigned char c = s[0];
  if (c < 0x80) return 1;
  int length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second octet
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  for (int i = 1; i < length; ++i) {
    if (static_cast<size_t>(i) >= n) return -i;
    const unsigned char lo = i == 1 ? low : 0x80;
    const unsigned char hi = i == 1 ? high : 0xBF;
    if (s[i] < lo || s[i] > hi) return 0;
  }
  return length;
}

// How many octets of s[0..n) to copy when the text is UTF-8; 0 and false
// when it is not.
bool utf8_extent(const unsigned char* s, size_t n, size_t* extent) {
  bool beyond_ascii = false;
  size_t i = 0;
  while (i < n) {
    const int length = utf8_sequence(s + i, n - i);
    if (length == 0) return false;
    if (length < 0) {
      // Cut inside its last character: UTF-8 only when another character
      // says so (a lone Latin-1 letter at the end looks like a cut one).
      if (!beyond_ascii) return false;
      break;
    }
    beyond_ascii = beyond_ascii || length > 1;
    i += static_cast<size_t>(length);
  }
  *extent = i;
  return true;
}

char* put_utf8(char* out, uint32_t cp) {
  if (cp < 0x80) {
    *out++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out++ = static_cast<char>(0xC0 | (cp >> 6));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out++ = static_cast<char>(0xE0 | (cp >> 12));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

}  // namespace

extern "C" {

PSW_API const char* PSWGetVersion(void) { return PSW_VERSION; }

PSW_API const char* PSWGetResultName(int32_t code) {
  const CodeText* c = find_code(code);
  return c != nullptr ? c->name : "PSW_ERR_UNKNOWN";
}

PSW_API const char* PSWGetResultText(int32_t code) {
  const CodeText* c = find_code(code);
  return c != nullptr ? c->text : "unknown result code";
}

PSW_API int32_t PSWTextToUTF8(const char* text, char* buffer) {
  if (text == nullptr || buffer == nullptr) return PSW_ERR_ARGUMENT;
  const size_t n = strnlen(text, PSW_UTF8_TEXT_SIZE / 3 - 1);
  const auto* octets = reinterpret_cast<const unsigned char*>(text);
  size_t extent = 0;
  if (utf8_extent(octets, n, &extent)) {
    std::memmove(buffer, text, extent);
    buffer[extent] = '\0';
    return PSW_OK;
  }
  // Latin-1: every octet is one character. Converted into a local buffer
  // first, so that a text converted in place is read before it is written.
  char converted[PSW_UTF8_TEXT_SIZE];
  char* out = converted;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = octets[i];
    const uint16_t windows = c >= 0x80 && c <= 0x9F ? kWindows1252[c - 0x80] : 0;
    out = put_utf8(out, windows != 0 ? windows : c);
  }
  const size_t length = static_cast<size_t>(out - converted);
  std::memcpy(buffer, converted, length);
  buffer[length] = '\0';
  return PSW_OK;
}

PSW_API int32_t PSWTextToUTF8Trimmed(const char* text, char* buffer) {
  const int32_t rc = PSWTextToUTF8(text, buffer);
  if (rc != PSW_OK) return rc;
  // The padding is ASCII, the same octets in UTF-8 as in the device's text.
  auto padding = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t length = std::strlen(buffer);
  while (length > 0 && padding(buffer[length - 1])) --length;
  size_t first = 0;
  while (first < length && padding(buffer[first])) ++first;
  std::memmove(buffer, buffer + first, length - first);
  buffer[length - first] = '\0';
  return PSW_OK;
}

}  // extern "C"

#include "pswctl_text.h"

#include <fmt/format.h>

#include <cstring>

#include "psw/psw.h"

namespace pswctl {
namespace {

// Characters that change how the rest of a line reads without showing:
// zero-width characters, line and paragraph separators, bidirectional
// embeddings, overrides and isolates, word joiners, the byte-order mark.
bool hides_or_reorders(uint32_t cp) {
  return (cp >= 0x200B && cp <= 0x200F) || (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2060 && cp <= 0x2069) ||
         cp == 0xFEFF;
}

bool escaped_character(uint32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || hides_or_reorders(cp); }

// The code point of the UTF-8 sequence at text[i] and its length; length 0
// for an octet that begins no valid sequence.
struct Decoded {
  uint32_t cp;
  size_t length;
};
Decoded decode(const std::string& text, size_t i) {
  const auto at = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char c = at(i);
  if (c < 0x80) return {c, 1};
  size_t length = 0;
  uint32_t cp = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    cp = c & 0x0F;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    cp = c & 0x07;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return {c, 0};
  }
  if (i + length > text.size()) return {c, 0};
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = at(i + k);
    if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return {c, 0};
    cp = (cp << 6) | (next & 0x3F);
  }
  return {cp, length};
}

bool wide(uint32_t cp) {
  static const uint32_t kRanges[][2] = {
      {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF}, {0x4E00, 0x9FFF},
      {0xA000, 0xA4CF},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE30, 0xFE4F}, {0xFF00, 0xFF60},
      {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD}};
  for (const auto& r : kRanges)
    if (cp >= r[0] && cp <= r[1]) return true;
  return false;
}

bool combining(uint32_t cp) {
  return (cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x1AB0 && cp <= 0x1AFF) || (cp >= 0x1DC0 && cp <= 0x1DFF) ||
         (cp >= 0x20D0 && cp <= 0x20FF) || (cp >= 0xFE20 && cp <= 0xFE2F);
}

}  // namespace

std::string device_text(const char* field, size_t size) {
  // PSWTextToUTF8 reads a terminated text: a full field is copied first.
  char octets[PSW_UTF8_TEXT_SIZE / 3] = {};
  const size_t n = strnlen(field, size < sizeof octets - 1 ? size : sizeof octets - 1);
  std::memcpy(octets, field, n);
  char utf8[PSW_UTF8_TEXT_SIZE];
  if (PSWTextToUTF8(octets, utf8) != PSW_OK) return std::string();
  return utf8;
}

std::string printable(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const Decoded d = decode(text, i);
    if (d.length == 0) {
      out += fmt::format("\\x{:02x}", d.cp);
      ++i;
      continue;
    }
    if (!escaped_character(d.cp))
      out.append(text, i, d.length);
    else if (d.cp < 0x80)
      out += fmt::format("\\x{:02x}", d.cp);
    else
      out += fmt::format("\\u{:04x}", d.cp);
    i += d.length;
  }
  return out;
}

size_t display_width(const std::string& text) {
  size_t width = 0;
  for (size_t i = 0; i < text.size();) {
    const Decoded d = decode(text, i);
    if (d.length == 0) {
      ++width;
      ++i;
      continue;
    }
    width += combining(d.cp) ? 0 : wide(d.cp) ? 2 : 1;
    i += d.length;
  }
  return width;
}

std::string json_text(const nlohmann::json& value, int indent) {
  const std::string dumped = value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
  // The dump is valid UTF-8, and outside strings it holds only ASCII
  // punctuation, digits and letters: every character to escape lies inside
  // a string, where \uXXXX means the same character.
  std::string out;
  out.reserve(dumped.size());
  for (size_t i = 0; i < dumped.size();) {
    const Decoded d = decode(dumped, i);
    const size_t length = d.length == 0 ? 1 : d.length;
    if (d.length != 0 && d.cp >= 0x7F && escaped_character(d.cp))
      out += fmt::format("\\u{:04x}", d.cp);
    else
      out.append(dumped, i, length);
    i += length;
  }
  return out;
}

}  // namespace pswctl

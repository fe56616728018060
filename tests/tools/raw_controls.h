// Whether a text would make a terminal act instead of show: C0 controls
// (a line break only where allowed), DEL, C1 controls (in UTF-8, C2 80 to
// C2 9F) and the bidirectional override U+202E.
#pragma once

#include <string>

inline bool has_raw_control(const std::string& s, bool newline_allowed) {
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '\n' && newline_allowed) continue;
    if (c < 0x20 || c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < s.size() && (static_cast<unsigned char>(s[i + 1]) & 0xE0) == 0x80) return true;
    if (s.compare(i, 3, "\xE2\x80\xAE") == 0) return true;
  }
  return false;
}

// Texts on their way out of the tool: device octets into UTF-8, control
// characters made visible before they reach a terminal, the width a text
// takes on screen, and JSON written so that no control character or
// invalid UTF-8 leaves the tool raw.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>

namespace pswctl {

// A text field of a record or a caller buffer (at most `size` octets, even
// without a terminator) as UTF-8: valid UTF-8 stays, anything else is read
// as Latin-1 / Windows-1252 (PSWTextToUTF8).
std::string device_text(const char* field, size_t size);
template <size_t N>
std::string device_text(const char (&field)[N]) {
  return device_text(field, N);
}

// The text with every control character visible: C0 controls and DEL as
// \xHH ("\x1b", "\x0a"), C1 controls and the characters that reorder or
// hide text (bidirectional overrides, zero-width characters) as \uHHHH,
// octets that are not UTF-8 as \xHH. Everything else is left as it is.
std::string printable(const std::string& text);

// Terminal columns of a printable text: East Asian wide and full-width
// characters take two, combining marks none, every other character one.
size_t display_width(const std::string& text);

// value.dump(indent) with DEL, C1 controls and the reordering characters
// escaped as \u00XX / \u20XX as well (JSON itself escapes only U+0000 to
// U+001F), and octets that are not UTF-8 replaced by U+FFFD.
std::string json_text(const nlohmann::json& value, int indent = -1);

}  // namespace pswctl

// Character sets as the Printer MIB numbers them (IANA MIBenum: 3 US-ASCII,
// 4 ISO-8859-1, 17 Shift_JIS, 106 UTF-8, 2026 Big5, ...), their names, and
// device texts converted from them into UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pswctl {

// The registered name of a character set ("ISO-8859-1", "Shift_JIS");
// "MIBenum N" for a number the tool does not know.
std::string charset_name(int32_t mibEnum);

// `size` octets (or up to the first zero octet) of a text in character set
// `mibEnum`, as UTF-8. A known character set is converted with iconv; an
// octet that does not convert becomes the four characters "\xHH", so no
// text is ever lost or refused. When the text fills its field (no zero
// octet), an incomplete character at its end is the device's text cut to
// the field and is left out.
//
// ISO-8859-1 devices, and devices whose character set is not known (0,
// unnamed), often send UTF-8 anyway: for them a text that is valid UTF-8
// stays as it is, and any other text is read as Latin-1 / Windows-1252
// (PSWTextToUTF8).
std::string text_from_charset(const char* octets, size_t size, int32_t mibEnum);

}  // namespace pswctl

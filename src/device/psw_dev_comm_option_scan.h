// Reading numbers out of device texts by a scanf-like format.
#pragma once

#include <cstdint>

// Matches `text` against `format` as sscanf would for a format made of
// literal characters, white space (matching any amount of white space,
// none included) and "%d" conversions (leading white space, optional sign,
// decimal digits). Stops at the first mismatch and returns how many
// numbers were read into `values` (at most `count`). Unlike sscanf, a number
// outside the 32-bit range is a mismatch rather than undefined behaviour.
int psw_scan_numbers(const char* text, const char* format, int32_t* values, int count);

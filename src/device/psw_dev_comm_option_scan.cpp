#include "device/psw_dev_comm_option_scan.h"

#include <cctype>
#include <cstdint>

namespace {

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

void skip_space(const char*& p) {
  while (is_space(*p)) ++p;
}

// Reads one "%d" number at p; false (p unchanged) when there is none or it
// does not fit 32 bits.
bool read_number(const char*& p, int32_t* value) {
  const char* q = p;
  skip_space(q);
  bool negative = false;
  if (*q == '+' || *q == '-') negative = (*q++ == '-');
  if (!is_digit(*q)) return false;
  int64_t magnitude = 0;
  const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
  for (; is_digit(*q); ++q) {
    magnitude = magnitude * 10 + (*q - '0');
    if (magnitude > limit) return false;
  }
  *value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  p = q;
  return true;
}

}  // namespace

int psw_scan_numbers(const char* text, const char* format, int32_t* values, int count) {
  if (text == nullptr || format == nullptr) return 0;
  int read = 0;
  const char* p = text;
  for (const char* f = format; *f != '\0'; ++f) {
    if (is_space(*f)) {
      skip_space(p);
    } else if (f[0] == '%' && f[1] == 'd') {
      int32_t number = 0;
      if (read >= count || !read_number(p, &number)) break;
      values[read++] = number;
      ++f;
    } else if (*p == *f) {
      ++p;
    } else {
      break;
    }
  }
  return read;
}

#include "request/pmc_credentials.h"

#include <cstring>

void PmcCommunity::assign(const char* text) {
  m_set = text != nullptr;
  // memmove: `text` may be this value's own text.
  const size_t n = text != nullptr ? ::strnlen(text, kSize - 1) : 0;
  if (n != 0) std::memmove(m_text, text, n);
  std::memset(m_text + n, 0, kSize - n);
}

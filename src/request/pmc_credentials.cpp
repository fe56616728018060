#include "request/pmc_credentials.h"

#include <cstring>

void PmcCommunity::assign(const char* text) {
  std::memset(m_text, 0, sizeof m_text);
  m_set = text != nullptr;
  if (text != nullptr) std::memcpy(m_text, text, ::strnlen(text, kSize - 1));
}

#include "request/pmc_credentials.h"

#include "base/pmc_text.h"

void PmcCommunity::assign(const char* text) {
  m_set = text != nullptr;
  psw_copy_text(m_text, text);
}

#include "base/pmc_text.h"

#include <cstdlib>
#include <cstring>

size_t psw_copy_text(char* dst, size_t dst_size, const char* src, size_t src_max) {
  if (dst == nullptr || dst_size == 0) return 0;
  size_t n = 0;
  if (src != nullptr) {
    n = strnlen(src, src_max < dst_size - 1 ? src_max : dst_size - 1);
    std::memmove(dst, src, n);
  }
  dst[n] = '\0';
  return n;
}

CPmcText::~CPmcText() { std::free(m_data); }

int CPmcText::assign(const void* bytes, size_t length) {
  if (length == 0) {
    std::free(m_data);
    m_data = nullptr;
    m_length = 0;
    return PMC_OK;
  }
  if (bytes == nullptr) return PMC_E_ARG;
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (copy == nullptr) return PMC_E_NOMEM;  // the old content stays
  std::memcpy(copy, bytes, length);
  copy[length] = '\0';
  std::free(m_data);
  m_data = copy;
  m_length = length;
  return PMC_OK;
}

int CPmcText::assign(const char* text) {
  return assign(text, text == nullptr ? 0 : std::strlen(text));
}

int CPmcText::append(const void* bytes, size_t length) {
  if (length == 0) return PMC_OK;
  if (bytes == nullptr) return PMC_E_ARG;
  if (length > static_cast<size_t>(-1) - m_length - 1) return PMC_E_NOMEM;
  // A fresh buffer, so appending a part of this very buffer stays valid.
  char* grown = static_cast<char*>(std::malloc(m_length + length + 1));
  if (grown == nullptr) return PMC_E_NOMEM;
  if (m_length != 0) std::memcpy(grown, m_data, m_length);
  std::memcpy(grown + m_length, bytes, length);
  grown[m_length + length] = '\0';
  std::free(m_data);
  m_data = grown;
  m_length += length;
  return PMC_OK;
}

int CPmcText::append(const char* text) {
  if (text == nullptr) return PMC_OK;
  return append(text, std::strlen(text));
}

int CPmcText::append(const IPmcText* other) {
  if (other == nullptr) return PMC_OK;
  return append(other->c_str(), other->length());
}

int CPmcText::clone(IPmcText** out) const {
  if (out == nullptr) return PMC_E_ARG;
  *out = nullptr;
  int err = PMC_OK;
  CPmcText* copy = pmc_make<CPmcText>(&err);
  if (copy == nullptr) return err;
  int rc = copy->assign(m_data, m_length);
  if (rc != PMC_OK) {
    copy->release();
    return rc;
  }
  *out = copy;
  return PMC_OK;
}

bool CPmcText::equals(const void* bytes, size_t length) const {
  if (length != m_length) return false;
  if (length == 0) return true;
  return bytes != nullptr && std::memcmp(m_data, bytes, length) == 0;
}

bool CPmcText::equals(const char* text) const {
  return equals(text, text == nullptr ? 0 : std::strlen(text));
}

bool CPmcText::equals(const IPmcText* other) const {
  if (other == nullptr) return m_length == 0;
  return equals(other->c_str(), other->length());
}

IPmcText* pmc_create_text(int* err) { return pmc_make<CPmcText>(err); }

IPmcText* pmc_create_text(const char* text, int* err) {
  CPmcText* obj = pmc_make<CPmcText>(err);
  if (obj == nullptr) return nullptr;
  int rc = obj->assign(text);
  if (rc != PMC_OK) {
    obj->release();
    pmc_set_err(err, rc);
    return nullptr;
  }
  return obj;
}

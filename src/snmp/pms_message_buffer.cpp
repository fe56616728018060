// The message buffer.
#include "snmp/pms_message_buffer.h"

#include <cstdlib>
#include <cstring>

IPmsMessageBuffer* pms_create_message_buffer(int* err) { return pmc_make<CPmsMessageBuffer>(err); }

CPmsMessageBuffer::~CPmsMessageBuffer() { std::free(m_pData); }

void CPmsMessageBuffer::attach(unsigned char* block, size_t capacity) {
  if (block != m_pData) std::free(m_pData);
  m_pData = block;
  m_capacity = block != nullptr ? capacity : 0;
  m_start = 0;
}

unsigned char* CPmsMessageBuffer::detach(size_t* capacity) {
  if (capacity != nullptr) *capacity = m_capacity;
  unsigned char* block = m_pData;
  m_pData = nullptr;
  m_capacity = 0;
  m_start = 0;
  return block;
}

int CPmsMessageBuffer::allocate(size_t capacity) {
  if (capacity != m_capacity || (m_pData == nullptr && capacity != 0)) {
    // malloc(0) may answer null; an empty block is simply no block.
    unsigned char* block = nullptr;
    if (capacity != 0) {
      block = static_cast<unsigned char*>(std::malloc(capacity));
      if (block == nullptr) return PMC_E_NOMEM;
    }
    std::free(m_pData);
    m_pData = block;
    m_capacity = capacity;
  }
  m_start = m_capacity;
  return PMC_OK;
}

int CPmsMessageBuffer::assign(const void* bytes, size_t length) {
  if (bytes == nullptr && length != 0) return PMC_E_ARG;
  if (length != 0 && length == m_capacity) {
    std::memmove(m_pData, bytes, length);  // the bytes may lie in this very block
  } else {
    // Copy before the old block goes, for the same reason.
    unsigned char* block = nullptr;
    if (length != 0) {
      block = static_cast<unsigned char*>(std::malloc(length));
      if (block == nullptr) return PMC_E_NOMEM;
      std::memcpy(block, bytes, length);
    }
    std::free(m_pData);
    m_pData = block;
    m_capacity = length;
  }
  m_start = 0;
  return PMC_OK;
}

int CPmsMessageBuffer::set_start(size_t offset) {
  if (offset > m_capacity) return PMC_E_ARG;
  m_start = offset;
  return PMC_OK;
}

// The message buffer: one encoded or received SNMP message in an owned byte
// block. The content runs from the start (an offset into the block) to the
// block's end: the encoder writes backwards from the end and then moves the
// start to the first byte it wrote; a receiver puts the datagram in a block
// of its exact length with the start at 0.
#pragma once

#include <cstddef>

#include "base/pmc_object.h"

class IPmsMessageBuffer {
 public:
  virtual void release() = 0;
  // Takes ownership of `block` (allocated with std::malloc; freed with
  // std::free), `capacity` bytes long; the start goes to 0. The old block
  // is freed.
  virtual void attach(unsigned char* block, size_t capacity) = 0;
  // Hands the block out (the caller frees it with std::free) and leaves the
  // buffer empty; its capacity goes to `capacity` when not null.
  virtual unsigned char* detach(size_t* capacity) = 0;
  // A block of `capacity` bytes (contents undefined), start at the end, so
  // the content is empty. A block of that size already held is reused.
  // -3 (buffer unchanged) when memory runs out.
  virtual int allocate(size_t capacity) = 0;
  // A block holding a copy of `length` bytes, start at 0; -3 when memory
  // runs out, -2 for null bytes with a length.
  virtual int assign(const void* bytes, size_t length) = 0;
  // Moves the start to `offset` bytes from the block's beginning; -2 past
  // the block's end.
  virtual int set_start(size_t offset) = 0;
  virtual unsigned char* get_data() const = 0;
  virtual size_t get_capacity() const = 0;
  // The first byte of the content.
  virtual unsigned char* get_start() const = 0;
  // Bytes from the start to the block's end.
  virtual size_t get_content_length() const = 0;

 protected:
  virtual ~IPmsMessageBuffer() = default;
};

// An empty buffer (no block).
IPmsMessageBuffer* pms_create_message_buffer(int* err);

class CPmsMessageBuffer final : public IPmsMessageBuffer, public CPmcObject {
 public:
  void release() override { destroy(); }
  void attach(unsigned char* block, size_t capacity) override;
  unsigned char* detach(size_t* capacity) override;
  int allocate(size_t capacity) override;
  int assign(const void* bytes, size_t length) override;
  int set_start(size_t offset) override;
  unsigned char* get_data() const override { return m_pData; }
  size_t get_capacity() const override { return m_capacity; }
  unsigned char* get_start() const override { return m_pData + m_start; }
  size_t get_content_length() const override { return m_capacity - m_start; }

 protected:
  ~CPmsMessageBuffer() override;

 private:
  unsigned char* m_pData = nullptr;
  size_t m_capacity = 0;
  size_t m_start = 0;  // offset of the content's first byte
};

// CPmcText: the implementation of IPmcText.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/pmc_object.h"

// Copies the text `src` into the fixed buffer `dst` of `dst_size` bytes:
// the one rule for every fixed text buffer of the library (records,
// settings, communities, option data). At most `src_max` bytes of `src`
// are read (a field of a caller's block may fill its size without a
// terminator); the copy is cut to dst_size - 1 characters and always
// terminated. A null `src` empties `dst`; `src` may be `dst` itself.
// Returns the number of characters copied.
size_t psw_copy_text(char* dst, size_t dst_size, const char* src, size_t src_max = SIZE_MAX);

template <size_t N>
inline size_t psw_copy_text(char (&dst)[N], const char* src, size_t src_max = SIZE_MAX) {
  return psw_copy_text(dst, N, src, src_max);
}

class CPmcText final : public virtual IPmcText, public CPmcObject {
 public:
  CPmcText() = default;

  void release() override { destroy(); }
  size_t length() const override { return m_length; }
  const char* c_str() const override { return m_length == 0 ? nullptr : m_data; }
  int assign(const void* bytes, size_t length) override;
  int assign(const char* text) override;
  int append(const void* bytes, size_t length) override;
  int append(const char* text) override;
  int append(const IPmcText* other) override;
  int clone(IPmcText** out) const override;
  bool equals(const void* bytes, size_t length) const override;
  bool equals(const char* text) const override;
  bool equals(const IPmcText* other) const override;

 protected:
  ~CPmcText() override;

 private:
  size_t m_length = 0;
  char* m_data = nullptr;  // m_length bytes and a zero byte, or null when empty
};

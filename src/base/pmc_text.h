// CPmcText: the implementation of IPmcText.
#pragma once

#include "base/pmc_object.h"

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

// What a request carries to be let in by a device: the SNMPv1 community or
// the SNMPv3 user settings. Every part of the library that keeps either one
// (the handle, the device status object, the connection value, the search,
// the request objects) keeps it in these two values, so the rules for
// copying, cutting and "not given" live here once.
#pragma once

#include <cstddef>
#include <cstdint>

// A community text: at most 255 characters (a longer text is cut), always
// terminated, and whether one was given at all. A community that was not
// given leaves the choice to whoever sends: a request object then uses
// "public". An empty text that was given is sent as it is.
class PmcCommunity {
 public:
  // Buffer size, terminator included.
  static constexpr size_t kSize = 256;

  PmcCommunity() = default;
  explicit PmcCommunity(const char* text) { assign(text); }

  // Takes `text`, cut to 255 characters; a null text takes the community
  // back (not given, empty text).
  void assign(const char* text);
  void clear() { assign(nullptr); }

  bool is_set() const { return m_set; }
  // The text; "" when none was given.
  const char* c_str() const { return m_text; }
  // The text when one was given, else `fallback`.
  const char* text_or(const char* fallback) const { return m_set ? m_text : fallback; }

 private:
  char m_text[kSize] = {};
  bool m_set = false;
};

// The SNMPv3 user settings a request goes with, and the SNMP mode that
// chooses between them (2) and a community (any other value). One plain
// value: the handle's settings object holds one, every opened device keeps
// a copy taken when it is opened, and a request object reads it (never
// keeps a pointer into it) when it builds its target, which then holds
// the engine's own copy. Texts are terminated within their fields.
struct PmcUsmSettings {
  int32_t nSnmpMode = -1;
  char szUserName[64] = {};
  int32_t nSecurityLevel = 0;
  int32_t nAuthProtocol = 0;
  int32_t nPrivProtocol = 0;
  char szAuthPassPhrase[64] = {};
  char szPrivPassPhrase[64] = {};
  char szContextName[512] = {};
};

// Net-SNMP's own message builder and parser, reached the way its library
// uses them, for checking our codec against an independent implementation
// (tests) and for timing both (bench). Only these files include Net-SNMP.
//
// Net-SNMP is used without MIB loading, configuration files or persistent
// state: only snmp_sess_init, snmp_parse, snmp_build and the PDU calls.
#pragma once

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace netsnmp_glue {

struct PduFree {
  void operator()(netsnmp_pdu* pdu) const {
    if (pdu != nullptr) snmp_free_pdu(pdu);
  }
};
using PduPtr = std::unique_ptr<netsnmp_pdu, PduFree>;

// A session record for building and parsing, set up once: no MIBs, no
// configuration, nothing written to disk.
inline netsnmp_session* session() {
  static netsnmp_session* s = [] {
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_QUICK_PRINT, 1);
    static netsnmp_session record;
    snmp_sess_init(&record);
    record.version = SNMP_DEFAULT_VERSION;  // take the version from each message
    return &record;
  }();
  return s;
}

// Net-SNMP's parse of a whole message; null when it refuses it.
inline PduPtr parse(const unsigned char* bytes, size_t length) {
  PduPtr pdu(snmp_pdu_create(0));
  std::vector<unsigned char> copy(bytes, bytes + length);  // the parser wants a mutable buffer
  if (snmp_parse(nullptr, session(), pdu.get(), copy.data(), copy.size()) != 0) return nullptr;
  return pdu;
}

// A malloc'd block for snmp_build, which may grow it with realloc.
class Block {
 public:
  explicit Block(size_t capacity)
      : m_data(static_cast<unsigned char*>(std::malloc(capacity))), m_size(m_data != nullptr ? capacity : 0) {}
  ~Block() { std::free(m_data); }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  // Net-SNMP's build of `pdu` (version and community taken from the PDU);
  // the message's bytes are handed out through `start` and `length`. False
  // when Net-SNMP refuses.
  bool build(netsnmp_pdu* pdu, unsigned char** start, size_t* length) {
    size_t size = m_size;
    size_t offset = 0;
    if (snmp_build(&m_data, &size, &offset, session(), pdu) != 0) return false;
    if (offset != 0) {
      // Reverse encoding: the message ends at the block's end.
      m_size = size;
      *start = m_data + size - offset;
      *length = offset;
    } else {
      *start = m_data;
      *length = size;
    }
    return true;
  }

 private:
  unsigned char* m_data;
  size_t m_size;
};

// A value in the notation of the fixture files: decimal numbers, dotted
// OIDs, lower-case hex of octets, nothing for NULL and the exceptions.
inline std::string value_text(const netsnmp_variable_list& var) {
  char number[32];
  switch (var.type) {
    case ASN_INTEGER:
      std::snprintf(number, sizeof number, "%ld", *var.val.integer);
      return number;
    case ASN_COUNTER:
    case ASN_GAUGE:
    case ASN_TIMETICKS:
      std::snprintf(number, sizeof number, "%lu", static_cast<unsigned long>(*var.val.integer) & 0xFFFFFFFFul);
      return number;
    case ASN_COUNTER64:
      std::snprintf(number, sizeof number, "%llu",
                    ((static_cast<unsigned long long>(var.val.counter64->high) & 0xFFFFFFFFull) << 32) |
                        (var.val.counter64->low & 0xFFFFFFFFull));
      return number;
    case ASN_OBJECT_ID: {
      std::string text;
      for (size_t i = 0; i < var.val_len / sizeof(oid); ++i) {
        if (i != 0) text += '.';
        text += std::to_string(var.val.objid[i]);
      }
      return text;
    }
    case ASN_OCTET_STR:
    case ASN_IPADDRESS:
    case ASN_OPAQUE: {
      std::string text;
      char two[3];
      for (size_t i = 0; i < var.val_len; ++i) {
        std::snprintf(two, sizeof two, "%02x", var.val.string[i]);
        text += two;
      }
      return text;
    }
    default: return std::string();
  }
}

// Dotted numeric text to sub-identifiers (at most MAX_OID_LEN); the count.
inline size_t parse_oid(const std::string& text, oid* out) {
  size_t count = 0;
  const char* p = text.c_str();
  while (*p != '\0' && count < MAX_OID_LEN) {
    char* end = nullptr;
    out[count++] = std::strtoul(p, &end, 10);
    p = *end == '.' ? end + 1 : end;
  }
  return count;
}

inline std::string oid_text(const oid* name, size_t length) {
  std::string text;
  for (size_t i = 0; i < length; ++i) {
    if (i != 0) text += '.';
    text += std::to_string(name[i]);
  }
  return text;
}

}  // namespace netsnmp_glue

#include "net/pmc_address_rules.h"

#include <cstdio>
#include <cstring>

#include "net/pmc_network_address.h"

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `count` bytes of two hexadecimal digits each from `text`.
bool read_hex_bytes(const char* text, uint8_t* out, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    int high = hex_value(text[2 * i]);
    int low = hex_value(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    out[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return true;
}

// Reads one group of 1 to 4 hexadecimal digits at `*p`, moving `*p` past it.
bool read_ipv6_group(const char** p, uint16_t* value) {
  unsigned v = 0;
  int digits = 0;
  for (int h; digits < 5 && (h = hex_value(**p)) >= 0; ++(*p), ++digits) v = v * 16 + static_cast<unsigned>(h);
  if (digits == 0 || digits > 4) return false;
  *value = static_cast<uint16_t>(v);
  return true;
}

// Reads groups separated by single ":" from [p, end) into `groups`; false when
// the range is not such a list or holds more than `max` groups.
bool read_ipv6_groups(const char* p, const char* end, uint16_t* groups, size_t max, size_t* count) {
  *count = 0;
  if (p == end) return true;
  for (;;) {
    if (*count == max || !read_ipv6_group(&p, &groups[*count])) return false;
    ++*count;
    if (p == end) return true;
    if (*p != ':') return false;
    ++p;
  }
}

// The parts of a socket address that say which endpoint it is.
struct Endpoint {
  int family = 0;
  uint8_t address[16] = {};
  size_t address_size = 0;
  uint32_t zone = 0;
  uint16_t port = 0;  // network byte order
};

bool endpoint_of(const struct sockaddr_storage& from, socklen_t length, Endpoint* out) {
  const size_t size = static_cast<size_t>(length);
  switch (from.ss_family) {
    case AF_INET: {
      if (size < sizeof(struct sockaddr_in)) return false;
      const auto& in = reinterpret_cast<const struct sockaddr_in&>(from);
      out->family = AF_INET;
      std::memcpy(out->address, &in.sin_addr, 4);
      out->address_size = 4;
      out->port = in.sin_port;
      return true;
    }
    case AF_INET6: {
      if (size < sizeof(struct sockaddr_in6)) return false;
      const auto& in6 = reinterpret_cast<const struct sockaddr_in6&>(from);
      out->port = in6.sin6_port;
      if (IN6_IS_ADDR_V4MAPPED(&in6.sin6_addr)) {
        // The IPv4 host itself, as a dual-stack socket shows it.
        out->family = AF_INET;
        std::memcpy(out->address, in6.sin6_addr.s6_addr + 12, 4);
        out->address_size = 4;
        return true;
      }
      out->family = AF_INET6;
      std::memcpy(out->address, in6.sin6_addr.s6_addr, 16);
      out->address_size = 16;
      out->zone = in6.sin6_scope_id;
      return true;
    }
#ifdef PMC_HAVE_IPX_HEADER
    case AF_IPX: {
      if (size < sizeof(struct sockaddr_ipx)) return false;
      const auto& ipx = reinterpret_cast<const struct sockaddr_ipx&>(from);
      out->family = AF_IPX;
      std::memcpy(out->address, &ipx.sipx_network, 4);
      std::memcpy(out->address + 4, ipx.sipx_node, 6);
      out->address_size = 10;
      out->port = ipx.sipx_port;
      return true;
    }
#endif
    default: return false;
  }
}

}  // namespace

bool pmc_same_endpoint(const struct sockaddr_storage& a, socklen_t a_length, const struct sockaddr_storage& b,
                       socklen_t b_length) {
  Endpoint first;
  Endpoint second;
  if (!endpoint_of(a, a_length, &first) || !endpoint_of(b, b_length, &second)) return false;
  return first.family == second.family && first.port == second.port && first.zone == second.zone &&
         first.address_size == second.address_size &&
         std::memcmp(first.address, second.address, first.address_size) == 0;
}

int pmc_family_of_protocol(int protocol) {
  switch (protocol) {
    case IPmcNetworkAddress::PROTOCOL_IPV4: return AF_INET;
#ifdef AF_IPX
    case IPmcNetworkAddress::PROTOCOL_IPX: return AF_IPX;
#endif
    case IPmcNetworkAddress::PROTOCOL_IPV6: return AF_INET6;
    default: return -1;
  }
}

int pmc_protocol_of_family(int family) {
  if (family == AF_INET) return IPmcNetworkAddress::PROTOCOL_IPV4;
#ifdef AF_IPX
  if (family == AF_IPX) return IPmcNetworkAddress::PROTOCOL_IPX;
#endif
  if (family == AF_INET6) return IPmcNetworkAddress::PROTOCOL_IPV6;
  return IPmcNetworkAddress::PROTOCOL_NONE;
}

bool pmc_parse_ipv4_decimal(const char* text, uint8_t out[4]) {
  if (text == nullptr) return false;
  const char* p = text;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && *p++ != '.') return false;
    if (*p < '0' || *p > '9') return false;
    unsigned value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
      value = value * 10 + static_cast<unsigned>(*p - '0');
      if (value > 255) return false;  // also stops long digit runs from overflowing
    }
    out[part] = static_cast<uint8_t>(value);
  }
  return *p == '\0';
}

void pmc_format_ipv4(const uint8_t bytes[4], char* out) {
  std::snprintf(out, PMC_IPV4_TEXT_SIZE, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
}

bool pmc_parse_ipx(const char* text, uint8_t network[4], uint8_t node[6]) {
  if (text == nullptr || std::strlen(text) != PMC_IPX_TEXT_LENGTH || text[8] != ':') return false;
  return read_hex_bytes(text, network, 4) && read_hex_bytes(text + 9, node, 6);
}

void pmc_format_ipx(const uint8_t network[4], const uint8_t node[6], char* out) {
  std::snprintf(out, PMC_IPX_TEXT_SIZE, "%02x%02x%02x%02x:%02x%02x%02x%02x%02x%02x", network[0], network[1],
                network[2], network[3], node[0], node[1], node[2], node[3], node[4], node[5]);
}

int pmc_classic_protocol_of(const char* text, int* protocol) {
  if (text == nullptr || protocol == nullptr) return PMC_E_ARG;
  uint8_t bytes[10];
  if (pmc_parse_ipv4_decimal(text, bytes)) {
    *protocol = IPmcNetworkAddress::PROTOCOL_IPV4;
    return PMC_OK;
  }
  if (pmc_parse_ipx(text, bytes, bytes + 4)) {
    *protocol = IPmcNetworkAddress::PROTOCOL_IPX;
    return PMC_OK;
  }
  *protocol = IPmcNetworkAddress::PROTOCOL_NONE;
  return PMC_E_NOVALUE;
}

int pmc_classic_normalize(const char* text, IPmcText** out) {
  if (text == nullptr || out == nullptr) return PMC_E_ARG;
  *out = nullptr;
  int protocol = 0;
  int rc = pmc_classic_protocol_of(text, &protocol);
  if (rc != PMC_OK) return rc;
  char canonical[PMC_IPV4_TEXT_SIZE];
  const char* result = text;  // IPX texts are kept as they are
  uint8_t bytes[4];
  if (protocol == IPmcNetworkAddress::PROTOCOL_IPV4 && pmc_parse_ipv4_decimal(text, bytes)) {
    pmc_format_ipv4(bytes, canonical);
    result = canonical;
  }
  int err = PMC_OK;
  *out = pmc_create_text(result, &err);
  return err;
}

int pmc_ipv6_group_to_bytes(const char* text, uint8_t out[16]) {
  if (text == nullptr || out == nullptr) return PMC_E_ARG;
  uint16_t groups[8] = {};
  const char* end = text + std::strlen(text);
  const char* gap = std::strstr(text, "::");
  if (gap == nullptr) {
    size_t count = 0;
    if (!read_ipv6_groups(text, end, groups, 8, &count) || count != 8) return PMC_E_ARG;
  } else {
    const char* tail = gap + 2;
    // A "::" at the end fills the gap but leaves the last group missing.
    if (*tail == '\0' || std::strstr(tail, "::") != nullptr) return PMC_E_ARG;
    uint16_t head[7];
    uint16_t rest[7];
    size_t heads = 0;
    size_t rests = 0;
    if (!read_ipv6_groups(text, gap, head, 7, &heads) || !read_ipv6_groups(tail, end, rest, 7, &rests) ||
        heads + rests > 7) {
      return PMC_E_ARG;
    }
    std::memcpy(groups, head, heads * sizeof(uint16_t));
    std::memcpy(groups + 8 - rests, rest, rests * sizeof(uint16_t));
  }
  for (int i = 0; i < 8; ++i) {
    out[2 * i] = static_cast<uint8_t>(groups[i] >> 8);
    out[2 * i + 1] = static_cast<uint8_t>(groups[i] & 0xff);
  }
  return PMC_OK;
}

// Fuzz target for the address text rules: the input up to its first zero
// byte is an address text as a host program might pass it. Every parser must
// stay inside the text, and what one accepts must come back the same:
//   - dotted decimal and IPX parse, format and parse again to the same bytes;
//   - the classic protocol of a text agrees with those two parsers, and the
//     classic canonical form is canonical (normalising it changes nothing);
//   - an IPv6 group text that reads formats as eight groups that read back
//     to the same bytes.
// Only the text rules run: nothing here calls the resolver or a socket.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/pmc_result.h"
#include "base/pmc_text.h"
#include "net/pmc_address_rules.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "invariant broken: %s [%s]\n", what, text.c_str());
  std::abort();
}

void check(bool ok, const char* what, const std::string& text) {
  if (!ok) fail(what, text);
}

// An empty text answers a null pointer.
std::string text_of(const IPmcText& text) { return text.c_str() != nullptr ? text.c_str() : std::string(); }

void check_ipv4(const std::string& text, bool* parsed) {
  uint8_t bytes[4] = {};
  *parsed = pmc_parse_ipv4_decimal(text.c_str(), bytes);
  if (!*parsed) return;
  char formatted[PMC_IPV4_TEXT_SIZE];
  pmc_format_ipv4(bytes, formatted);
  uint8_t again[4] = {};
  check(pmc_parse_ipv4_decimal(formatted, again), "formatted IPv4 does not parse", text);
  check(std::memcmp(bytes, again, 4) == 0, "IPv4 round trip changed the address", text);
}

void check_ipx(const std::string& text, bool* parsed) {
  uint8_t network[4] = {};
  uint8_t node[6] = {};
  *parsed = pmc_parse_ipx(text.c_str(), network, node);
  if (!*parsed) return;
  char formatted[PMC_IPX_TEXT_SIZE];
  pmc_format_ipx(network, node, formatted);
  check(std::strlen(formatted) == PMC_IPX_TEXT_LENGTH, "IPX text of the wrong length", text);
  uint8_t network2[4] = {};
  uint8_t node2[6] = {};
  check(pmc_parse_ipx(formatted, network2, node2), "formatted IPX does not parse", text);
  check(std::memcmp(network, network2, 4) == 0 && std::memcmp(node, node2, 6) == 0, "IPX round trip changed it", text);
}

void check_classic(const std::string& text, bool ipv4, bool ipx) {
  int protocol = -1;
  const int rc = pmc_classic_protocol_of(text.c_str(), &protocol);
  check((rc == PMC_OK) == (ipv4 || ipx), "classic protocol disagrees with the parsers", text);
  if (rc == PMC_OK) check(protocol == (ipv4 ? 1 : 2), "classic protocol is the wrong one", text);

  IPmcText* canonical = nullptr;
  if (pmc_classic_normalize(text.c_str(), &canonical) != PMC_OK) return;
  check(canonical != nullptr, "normalised without a text", text);
  const std::string first = text_of(*canonical);
  canonical->release();
  IPmcText* again = nullptr;
  check(pmc_classic_normalize(first.c_str(), &again) == PMC_OK, "canonical text does not normalise", text);
  check(first == text_of(*again), "canonical text is not canonical", text);
  again->release();
}

void check_ipv6_group(const std::string& text) {
  uint8_t bytes[16] = {};
  if (pmc_ipv6_group_to_bytes(text.c_str(), bytes) != PMC_OK) return;
  char formatted[64];
  int at = 0;
  for (int i = 0; i < 8; ++i) {
    at += std::snprintf(formatted + at, sizeof formatted - at, i == 0 ? "%x" : ":%x", (bytes[2 * i] << 8) | bytes[2 * i + 1]);
  }
  uint8_t again[16] = {};
  check(pmc_ipv6_group_to_bytes(formatted, again) == PMC_OK, "formatted IPv6 group does not parse", text);
  check(std::memcmp(bytes, again, 16) == 0, "IPv6 group round trip changed it", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
  bool ipv4 = false;
  bool ipx = false;
  check_ipv4(text, &ipv4);
  check_ipx(text, &ipx);
  check(!(ipv4 && ipx), "a text is both IPv4 and IPX", text);
  check_classic(text, ipv4, ipx);
  check_ipv6_group(text);
  return 0;
}

// Text rules of network addresses, shared by the address service and the
// datagram transport. None of these touches the socket library.
#pragma once

#include "net/pmc_sys_socket.h"

#include <cstddef>
#include <cstdint>

#include "base/pmc_object.h"

// Longest texts the rules produce, terminator included.
constexpr size_t PMC_IPV4_TEXT_SIZE = 16;  // "255.255.255.255"
constexpr size_t PMC_IPX_TEXT_SIZE = 22;   // "nnnnnnnn:hhhhhhhhhhhh"
constexpr size_t PMC_IPX_TEXT_LENGTH = 21;
constexpr size_t PMC_HOST_TEXT_SIZE = 1025;  // numeric host form of the resolver

// The socket address family of a protocol (1 IPv4, 2 IPX, 4 IPv6), or -1
// when the protocol has none on this platform.
int pmc_family_of_protocol(int protocol);
// The protocol of a socket address family; 0 for any other family.
int pmc_protocol_of_family(int family);

// True when two socket addresses name the same endpoint: the same port and
// the same address. An IPv4-mapped IPv6 address (::ffff:a.b.c.d) is its IPv4
// address; other IPv6 addresses match only within the same zone (scope id);
// IPX addresses compare network, node and socket number. False for any
// other family and for a length too short for its family.
bool pmc_same_endpoint(const struct sockaddr_storage& a, socklen_t a_length, const struct sockaddr_storage& b,
                       socklen_t b_length);

// Dotted decimal: exactly four parts of decimal digits, each 0 to 255,
// nothing before or after. Leading zeros are decimal ("010" is 10).
bool pmc_parse_ipv4_decimal(const char* text, uint8_t out[4]);
// Writes the four bytes as decimal numbers joined by "."; `out` holds
// PMC_IPV4_TEXT_SIZE bytes.
void pmc_format_ipv4(const uint8_t bytes[4], char* out);

// IPX: exactly 21 characters, 8 hexadecimal digits (network number), ":",
// 12 hexadecimal digits (node).
bool pmc_parse_ipx(const char* text, uint8_t network[4], uint8_t node[6]);
// Writes "%02x%02x%02x%02x:%02x%02x%02x%02x%02x%02x"; `out` holds
// PMC_IPX_TEXT_SIZE bytes.
void pmc_format_ipx(const uint8_t network[4], const uint8_t node[6], char* out);

// Classic rules: protocol 1 for dotted decimal, 2 for IPX, else protocol 0
// and -7; -2 for null arguments.
int pmc_classic_protocol_of(const char* text, int* protocol);
// Classic canonical form: IPv4 rewritten in plain decimal, IPX unchanged;
// -7 for any other text.
int pmc_classic_normalize(const char* text, IPmcText** out);

// IPv6 multicast group text to its 16 bytes, high byte of each group first.
// A "::" is filled with as many zero groups as are missing to make eight
// groups; when it ends the text, the last group stays missing and the text
// is refused. -2 for null, for anything but eight groups of at most 0xffff,
// and for characters after the last group.
int pmc_ipv6_group_to_bytes(const char* text, uint8_t out[16]);

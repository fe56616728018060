// What a failure means for the command the user gave: the hint printed
// under the result code, fitted to the address text, the transport, the
// SNMPv3 settings and what the device answered, and the exit status.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "pswctl_device.h"

namespace pswctl {

// The forms of address text the library reads; anything else it cannot
// read (host names, empty texts, parts beyond 255).
enum class AddressForm { kIPv4, kIPv6, kIPX, kUnreadable };
// Dotted decimal (four parts 0-255, leading zeros allowed), an IPv6
// address (with or without a %zone), or IPX (8 hex digits, ':', 12 hex).
AddressForm address_form(const std::string& address);

struct Hint {
  std::string text;  // one or two sentences
  int exitStatus;
};

// The hint for `failure` of a command on `address` (none for a search of
// the default destination). `sysObjectId` is what a device of another
// model said it is (empty when unknown).
Hint failure_hint(const PswError& failure, const Connection& connection, const std::optional<std::string>& address,
                  const std::string& sysObjectId);

// "authPriv", "SHA", "AES": the words of the command line for the
// PSWUSMSettings numbers.
std::string usm_level_name(int32_t level);
std::string usm_auth_name(int32_t protocol);
std::string usm_priv_name(int32_t protocol);

}  // namespace pswctl

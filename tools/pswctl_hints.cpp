#include "pswctl_hints.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#endif
#include <fmt/format.h>

#include <cctype>

#include "pswctl_names.h"
#include "pswctl_text.h"

namespace pswctl {
namespace {

bool decimal_ipv4(const std::string& text) {
  int parts = 0;
  size_t i = 0;
  while (true) {
    size_t digits = 0;
    unsigned value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && digits < 4) {
      value = value * 10 + static_cast<unsigned>(text[i] - '0');
      ++i;
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255) return false;
    ++parts;
    if (i == text.size()) return parts == 4;
    if (text[i] != '.' || parts == 4) return false;
    ++i;
  }
}

bool ipx(const std::string& text) {
  if (text.size() != 21 || text[8] != ':') return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (i != 8 && !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

bool ipv6(const std::string& text) {
  const std::string bare = text.substr(0, text.find('%'));
  unsigned char bytes[16];
  return inet_pton(AF_INET6, bare.c_str(), bytes) == 1;
}

// The steps that take the address text the user gave.
bool address_step(const std::string& step) {
  return step == "PSWInitDevice" || step == "PSWInitDeviceEx" || step == "PSWFindDeviceSNMP" ||
         step == "PSWFindDeviceSNMPEx";
}

AddressForm form_of_transport(int32_t transport) {
  switch (transport) {
    case PSW_TRANSPORT_UDP: return AddressForm::kIPv4;
    case PSW_TRANSPORT_UDP6: return AddressForm::kIPv6;
    case PSW_TRANSPORT_IPX: return AddressForm::kIPX;
    default: return AddressForm::kUnreadable;
  }
}

const char* form_name(AddressForm form) {
  switch (form) {
    case AddressForm::kIPv4: return "an IPv4 address";
    case AddressForm::kIPv6: return "an IPv6 address";
    case AddressForm::kIPX: return "an IPX address";
    default: return "no address";
  }
}

const char* transport_word(AddressForm form) {
  switch (form) {
    case AddressForm::kIPv4: return "udp";
    case AddressForm::kIPv6: return "udp6";
    default: return "ipx";
  }
}

}  // namespace

AddressForm address_form(const std::string& address) {
  if (decimal_ipv4(address)) return AddressForm::kIPv4;
  if (ipx(address)) return AddressForm::kIPX;
  if (ipv6(address)) return AddressForm::kIPv6;
  return AddressForm::kUnreadable;
}

std::string usm_level_name(int32_t level) {
  switch (level) {
    case PSW_USM_NOAUTH_NOPRIV: return "noAuthNoPriv";
    case PSW_USM_AUTH_NOPRIV: return "authNoPriv";
    case PSW_USM_AUTH_PRIV: return "authPriv";
    default: return fmt::format("level {}", level);
  }
}

std::string usm_auth_name(int32_t protocol) {
  switch (protocol) {
    case PSW_USM_AUTH_HMAC_MD5: return "MD5";
    case PSW_USM_AUTH_HMAC_SHA: return "SHA";
    default: return "no";
  }
}

std::string usm_priv_name(int32_t protocol) {
  switch (protocol) {
    case PSW_USM_PRIV_DES: return "DES";
    case PSW_USM_PRIV_AES: return "AES";
    default: return "no";
  }
}

Hint failure_hint(const PswError& failure, const Connection& c, const std::optional<std::string>& given,
                  const std::string& sysObjectId) {
  const int32_t code = failure.code();
  const Hint plain{result_code_advice(code), exit_status(code)};
  if (code == PSW_ERR_SECURITY) {
    std::string settings = fmt::format("user '{}' at {}", printable(c.v3User), usm_level_name(c.v3Level));
    if (c.v3Level != PSW_USM_NOAUTH_NOPRIV) settings += fmt::format(", {} authentication", usm_auth_name(c.v3Auth));
    if (c.v3Level == PSW_USM_AUTH_PRIV) settings += fmt::format(", {} privacy", usm_priv_name(c.v3Priv));
    return {fmt::format("The device refused SNMPv3 {}. Check that the device knows the user at this level "
                        "(--v3-user, --v3-level), the protocols (--v3-auth, --v3-priv) and the pass phrases.",
                        settings),
            plain.exitStatus};
  }
  if (!address_step(failure.step()) || !given) return plain;
  const std::string& address = *given;

  const AddressForm form = address_form(address);
  const AddressForm wanted = form_of_transport(c.transport);
  if (form == AddressForm::kUnreadable)
    return {fmt::format("The address '{}' cannot be read: give a numeric IPv4 address (192.0.2.7), an IPv6 "
                        "address with --transport udp6, or an IPX address with --transport ipx; host names are "
                        "not looked up.",
                        printable(address)),
            kExitUsage};
  if (code != PSW_ERR_ARGUMENT) return plain;
  if (form != wanted)
    return {fmt::format("'{}' is {}, but --transport {} takes {}: use --transport {}.", printable(address),
                        form_name(form), transport_word(wanted), form_name(wanted), transport_word(form)),
            plain.exitStatus};
  if (!sysObjectId.empty() && c.anyModel)
    return {fmt::format("The device at {} is no printer: it has no Printer MIB (its sysObjectID is {}).",
                        printable(address), printable(sysObjectId)),
            plain.exitStatus};
  if (!sysObjectId.empty())
    return {fmt::format("The device at {} is not of the supported model: its sysObjectID is {}. With --any-model "
                        "pswctl reads printers of every model that have a Printer MIB.",
                        printable(address), printable(sysObjectId)),
            plain.exitStatus};
  return plain;
}

}  // namespace pswctl

#include "pswctl_allow.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#endif

#include <cstring>
#include <sstream>

namespace pswctl {
namespace {

// The octets of a numeric address; false when it is none.
bool address_bytes(std::string text, bool* v6, std::array<uint8_t, 16>* bytes) {
  const size_t zone = text.find('%');
  if (zone != std::string::npos) text.resize(zone);
  bytes->fill(0);
  if (inet_pton(AF_INET, text.c_str(), bytes->data()) == 1) {
    *v6 = false;
    return true;
  }
  if (inet_pton(AF_INET6, text.c_str(), bytes->data()) == 1) {
    *v6 = true;
    return true;
  }
  return false;
}

bool prefix_matches(const std::array<uint8_t, 16>& a, const std::array<uint8_t, 16>& b, int bits) {
  const int whole = bits / 8;
  if (std::memcmp(a.data(), b.data(), static_cast<size_t>(whole)) != 0) return false;
  if (bits % 8 == 0) return true;
  const uint8_t mask = static_cast<uint8_t>(0xFFu << (8 - bits % 8));
  return (a[static_cast<size_t>(whole)] & mask) == (b[static_cast<size_t>(whole)] & mask);
}

}  // namespace

std::optional<AddressRanges> AddressRanges::parse(const std::string& text, std::string* error) {
  AddressRanges result;
  std::istringstream in(text);
  for (std::string item; std::getline(in, item, ',');) {
    if (item.empty()) continue;
    const size_t slash = item.find('/');
    Range range;
    if (!address_bytes(item.substr(0, slash), &range.v6, &range.bytes) ||
        item.find('%') != std::string::npos) {
      *error = "'" + item + "' is no IPv4 or IPv6 network";
      return std::nullopt;
    }
    const int most = range.v6 ? 128 : 32;
    range.prefix = most;
    if (slash != std::string::npos) {
      const std::string length = item.substr(slash + 1);
      if (length.empty() || length.size() > 3 || length.find_first_not_of("0123456789") != std::string::npos ||
          std::stoi(length) > most) {
        *error = "'" + item + "' has no prefix length from 0 to " + std::to_string(most);
        return std::nullopt;
      }
      range.prefix = std::stoi(length);
    }
    result.ranges_.push_back(range);
  }
  if (result.ranges_.empty()) {
    *error = "no network given";
    return std::nullopt;
  }
  return result;
}

bool AddressRanges::allows(const std::string& address) const {
  if (ranges_.empty()) return true;
  bool v6 = false;
  std::array<uint8_t, 16> bytes{};
  if (!address_bytes(address, &v6, &bytes)) return false;
  for (const Range& r : ranges_)
    if (r.v6 == v6 && prefix_matches(r.bytes, bytes, r.prefix)) return true;
  return false;
}

}  // namespace pswctl

// The networks the exporter may probe (--allow-targets): IPv4 and IPv6
// prefixes in CIDR form, checked against a probe's target address.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pswctl {

class AddressRanges {
 public:
  // "10.0.0.0/8,192.0.2.7,fd00::/8": prefixes separated by commas (a bare
  // address is a prefix of its full length). Nothing and the error's text
  // for a list that cannot be read.
  static std::optional<AddressRanges> parse(const std::string& text, std::string* error);

  // Whether `address` (numeric IPv4 or IPv6, an IPv6 %zone ignored) lies
  // in one of the prefixes; an empty list allows every address.
  bool allows(const std::string& address) const;
  bool empty() const { return ranges_.empty(); }

 private:
  struct Range {
    bool v6 = false;
    std::array<uint8_t, 16> bytes{};
    int prefix = 0;
  };
  std::vector<Range> ranges_;
};

}  // namespace pswctl

#include "device/psw_status_convert.h"

#include <cstring>

namespace {

constexpr PSWOidRange kStorageRanges[] = {
    {"1.3.6.1.2.1.25.2.1", 1, 8},
};

constexpr PSWOidRange kDeviceRanges[] = {
    {"1.3.6.1.2.1.25.3.1", 1, 6},           {"1.3.6.1.2.1.25.3.1", 10, 21},
    {"1.3.6.1.4.1.32473.8.52.2", 101, 109}, {"1.3.6.1.4.1.32473.8.52.2", 151, 154},
    {"1.3.6.1.4.1.32473.8.52.2", 201, 207},
};

constexpr PSWOidRange kJobRanges[] = {
    {"1.3.6.1.4.1.32473.8.58.2", 1, 12},
};

// The number written after "<base>." in `text`, when the rest of the text is
// a plain decimal number of at most ten digits without a leading zero;
// otherwise -1. Equal texts are exactly those the entry "<base>.<number>"
// would compare equal to.
int64_t number_after(const char* text, const char* base) {
  size_t base_length = std::strlen(base);
  if (std::strncmp(text, base, base_length) != 0 || text[base_length] != '.') return -1;
  const char* digits = text + base_length + 1;
  size_t count = std::strlen(digits);
  if (count == 0 || count > 10 || digits[0] == '0') return -1;
  int64_t number = 0;
  for (size_t i = 0; i < count; ++i) {
    if (digits[i] < '0' || digits[i] > '9') return -1;
    number = number * 10 + (digits[i] - '0');
  }
  return number;
}

}  // namespace

const PSWOidMap kPSWStorageTypes = {kStorageRanges, sizeof kStorageRanges / sizeof kStorageRanges[0]};
const PSWOidMap kPSWDeviceTypes = {kDeviceRanges, sizeof kDeviceRanges / sizeof kDeviceRanges[0]};
const PSWOidMap kPSWJobTypes = {kJobRanges, sizeof kJobRanges / sizeof kJobRanges[0]};

int32_t psw_map_oid(const PSWOidMap& map, const char* text) {
  if (text == nullptr) return 0;
  for (size_t i = 0; i < map.count; ++i) {
    const PSWOidRange& range = map.ranges[i];
    int64_t number = number_after(text, range.base);
    if (number >= range.first && number <= range.last) return static_cast<int32_t>(number);
  }
  return 0;
}

int32_t psw_octets_le32(const unsigned char* octets, size_t length) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4 && i < length && octets != nullptr; ++i) value |= uint32_t{octets[i]} << (8 * i);
  return static_cast<int32_t>(value);
}

void psw_date_and_time(const unsigned char* octets, size_t length, uint16_t out[6]) {
  auto octet = [&](size_t i) -> uint16_t { return (octets != nullptr && i < length) ? octets[i] : 0; };
  out[0] = static_cast<uint16_t>(octet(0) * 256 + octet(1));
  for (size_t field = 1; field < 6; ++field) out[field] = octet(field + 1);
}

std::string psw_cancel_suffix(const char* id) {
  size_t length = id == nullptr ? 0 : std::strlen(id);
  std::string suffix = "101." + std::to_string(length);
  for (size_t i = 0; i < length; ++i) {
    suffix += '.';
    suffix += std::to_string(static_cast<unsigned char>(id[i]));
  }
  return suffix;
}

std::string psw_oid_with(const char* base, uint32_t a, uint32_t b) {
  return std::string(base) + '.' + std::to_string(a) + '.' + std::to_string(b);
}

std::string psw_oid_with(const char* base, uint32_t a, uint32_t b, uint32_t c) {
  return psw_oid_with(base, a, b) + '.' + std::to_string(c);
}

#include "agent/snmprec_profile.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace psw_test {

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string parse_hex(const std::string& text) {
  std::string out;
  if (text.size() % 2 != 0) throw std::invalid_argument("odd number of hex digits");
  for (size_t i = 0; i < text.size(); i += 2) {
    int hi = hex_digit(text[i]), lo = hex_digit(text[i + 1]);
    if (hi < 0 || lo < 0) throw std::invalid_argument("bad hex digit");
    out += static_cast<char>(hi * 16 + lo);
  }
  return out;
}

uint64_t parse_unsigned(const std::string& text, uint64_t max) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
    throw std::invalid_argument("not an unsigned decimal number: '" + text + "'");
  }
  uint64_t v = 0;
  for (char c : text) {
    uint64_t digit = static_cast<uint64_t>(c - '0');
    if (v > (max - digit) / 10) throw std::invalid_argument("number out of range: '" + text + "'");
    v = v * 10 + digit;
  }
  return v;
}

int32_t parse_int32(const std::string& text) {
  bool negative = !text.empty() && text[0] == '-';
  uint64_t magnitude = parse_unsigned(negative ? text.substr(1) : text, negative ? 2147483648ull : 2147483647ull);
  return static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude));
}

ber::Value parse_ip(const std::string& text, bool hex) {
  std::string bytes;
  if (hex) {
    bytes = parse_hex(text);
  } else {
    ber::Oid quad = ber::parse_oid(text);  // same dotted-decimal syntax
    for (uint32_t part : quad) {
      if (part > 255) throw std::invalid_argument("IpAddress part over 255");
      bytes += static_cast<char>(part);
    }
  }
  if (bytes.size() != 4) throw std::invalid_argument("IpAddress needs four octets");
  return ber::Value::IpAddress(static_cast<uint8_t>(bytes[0]), static_cast<uint8_t>(bytes[1]),
                               static_cast<uint8_t>(bytes[2]), static_cast<uint8_t>(bytes[3]));
}

ber::Value parse_value(int tag, bool hex, const std::string& text) {
  if (hex && tag != ber::kOctetString && tag != ber::kIpAddress && tag != ber::kOpaque) {
    throw std::invalid_argument("hex values are only for types 4, 64 and 68");
  }
  switch (tag) {
    case ber::kInteger: return ber::Value::Integer(parse_int32(text));
    case ber::kOctetString: return ber::Value::OctetString(hex ? parse_hex(text) : text);
    case ber::kNull:
      if (!text.empty()) throw std::invalid_argument("NULL takes no value");
      return ber::Value::Null();
    case ber::kObjectId: return ber::Value::ObjectId(ber::parse_oid(text));
    case ber::kIpAddress: return parse_ip(text, hex);
    case ber::kCounter32: return ber::Value::Counter32(static_cast<uint32_t>(parse_unsigned(text, 0xFFFFFFFFu)));
    case ber::kGauge32: return ber::Value::Gauge32(static_cast<uint32_t>(parse_unsigned(text, 0xFFFFFFFFu)));
    case ber::kTimeTicks: return ber::Value::TimeTicks(static_cast<uint32_t>(parse_unsigned(text, 0xFFFFFFFFu)));
    case ber::kOpaque: return ber::Value::Opaque(hex ? parse_hex(text) : text);
    case ber::kCounter64: return ber::Value::Counter64(parse_unsigned(text, ~0ull));
    default: throw std::invalid_argument("unsupported type " + std::to_string(tag));
  }
}

// Parses "OID|TYPE|VALUE" into `entry`; throws std::invalid_argument.
ProfileEntry parse_line(const std::string& line) {
  size_t bar1 = line.find('|');
  size_t bar2 = bar1 == std::string::npos ? bar1 : line.find('|', bar1 + 1);
  if (bar2 == std::string::npos) throw std::invalid_argument("expected OID|TYPE|VALUE");
  std::string type = line.substr(bar1 + 1, bar2 - bar1 - 1);
  ProfileEntry entry;
  entry.oid = ber::parse_oid(line.substr(0, bar1));
  size_t colon = type.find(':');
  if (colon != std::string::npos) {
    if (type.substr(colon + 1) != "writecache") {
      throw std::invalid_argument("unsupported variation '" + type.substr(colon + 1) + "'");
    }
    entry.writable = true;
    type.resize(colon);
  }
  bool hex = !type.empty() && type.back() == 'x';
  if (hex) type.pop_back();
  int tag = static_cast<int>(parse_unsigned(type, 255));
  entry.value = parse_value(tag, hex, line.substr(bar2 + 1));
  return entry;
}

}  // namespace

SnmprecProfile SnmprecProfile::parse(const std::string& text, const std::string& source) {
  SnmprecProfile profile;
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    try {
      ProfileEntry entry = parse_line(line);
      profile.entries_[entry.oid] = entry;
    } catch (const std::invalid_argument& e) {
      throw std::invalid_argument(source + ":" + std::to_string(number) + ": " + e.what() + ": '" + line + "'");
    }
  }
  return profile;
}

SnmprecProfile SnmprecProfile::load(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read profile '" + path + "'");
  std::ostringstream text;
  text << file.rdbuf();
  return parse(text.str(), path);
}

void SnmprecProfile::set(const ber::Oid& oid, const ber::Value& value, bool writable) {
  entries_[oid] = ProfileEntry{oid, value, writable};
}

void SnmprecProfile::set(const std::string& oid, const ber::Value& value, bool writable) {
  set(ber::parse_oid(oid), value, writable);
}

void SnmprecProfile::set_writable(const std::string& oid, bool writable) {
  auto it = entries_.find(ber::parse_oid(oid));
  if (it == entries_.end()) throw std::invalid_argument("profile has no object " + oid);
  it->second.writable = writable;
}

void SnmprecProfile::remove(const ber::Oid& oid) { entries_.erase(oid); }

const ProfileEntry* SnmprecProfile::find(const ber::Oid& oid) const {
  auto it = entries_.find(oid);
  return it == entries_.end() ? nullptr : &it->second;
}

std::vector<ProfileEntry> SnmprecProfile::entries() const {
  std::vector<ProfileEntry> out;
  out.reserve(entries_.size());
  for (const auto& kv : entries_) out.push_back(kv.second);
  return out;
}

std::string profile_path(const std::string& file_name) {
  return std::string(PSW_SOURCE_DIR) + "/tests/agent/profiles/" + file_name;
}

}  // namespace psw_test

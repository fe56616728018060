// Helpers of the codec tests.
#include "snmp/codec_test_support.h"

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <iterator>

namespace codec_test {

namespace {

const std::string kFixtureDir = std::string(PSW_SHARED_DIR) + "/fixtures/ber/";

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

PmcPtr<IPmsMessageBuffer> buffer_of(const Bytes& bytes) {
  PmcPtr<IPmsMessageBuffer> buffer(pms_create_message_buffer(nullptr));
  EXPECT_EQ(buffer->assign(bytes.data(), bytes.size()), PMC_OK);
  return buffer;
}

}  // namespace

Bytes hex_bytes(const std::string& hex) {
  Bytes out;
  int high = -1;
  for (char c : hex) {
    const int digit = hex_digit(c);
    if (digit < 0) continue;
    if (high < 0) {
      high = digit;
    } else {
      out.push_back(static_cast<unsigned char>(high * 16 + digit));
      high = -1;
    }
  }
  return out;
}

std::string hex_text(const unsigned char* bytes, size_t length) {
  std::string out;
  char two[3];
  for (size_t i = 0; i < length; ++i) {
    std::snprintf(two, sizeof two, "%02x", bytes[i]);
    out += two;
  }
  return out;
}

std::string hex_text(const Bytes& bytes) { return hex_text(bytes.data(), bytes.size()); }

std::string tlv(const std::string& tag, const std::string& contents) {
  const size_t length = hex_bytes(contents).size();
  std::string field;
  if (length < 0x80) {
    field = hex_text(Bytes{static_cast<unsigned char>(length)});
  } else {
    Bytes bytes;
    for (size_t rest = length; rest != 0; rest >>= 8) bytes.insert(bytes.begin(), static_cast<unsigned char>(rest));
    bytes.insert(bytes.begin(), static_cast<unsigned char>(0x80 | bytes.size()));
    field = hex_text(bytes);
  }
  return tag + field + contents;
}

std::string tlv_with_length(const std::string& tag, const std::string& length, const std::string& contents) {
  return tag + length + contents;
}

std::string v1_message(const std::string& pdu_hex, const std::string& version) {
  return tlv("30", tlv("02", version) + tlv("04", "7075626c6963") + pdu_hex);
}

PmcPtr<IPmsSnmpTarget> header(int32_t version, const char* community, size_t max_size) {
  PmcPtr<IPmsSnmpTarget> target(pms_create_community_target(nullptr));
  target->set_version(version);
  target->set_max_message_size(max_size);
  EXPECT_EQ(pms_community_of(target.get())->set_community(community), PMC_OK);
  return target;
}

PmcPtr<IPmsPdu> pdu(int32_t type, int32_t request_id) {
  PmcPtr<IPmsPdu> out(pms_create_pdu(nullptr));
  out->set_type(type);
  out->set_request_id(request_id);
  return out;
}

PmcPtr<IPmcOid> oid(const char* text) {
  PmcPtr<IPmcOid> out(pmc_create_oid(nullptr));
  EXPECT_EQ(out->from_text(text), PMC_OK);
  return out;
}

IPmcValue* value(int tag, const char* text) {
  int err = 1;
  IPmcValue* out = pmc_create_value_from_text(text, tag, &err);
  EXPECT_EQ(err, PMC_OK) << "tag " << tag << " text " << text;
  return out;
}

void add(IPmsPdu& pdu, const char* name, IPmcValue* bound) {
  EXPECT_EQ(pdu.add(oid(name).release(), bound), PMC_OK);
}

Encoded encode(IPmsPdu& pdu, IPmsSnmpTarget& header) {
  Encoded out;
  PmcPtr<IPmsMessageBuffer> buffer(pms_create_message_buffer(nullptr));
  out.rc = pms_translator()->encode(&pdu, &header, buffer.get(), &out.bindings);
  if (out.rc == PMC_OK) out.bytes.assign(buffer->get_start(), buffer->get_start() + buffer->get_content_length());
  return out;
}

int decode(const Bytes& bytes, IPmsPdu* pdu, IPmsSnmpTarget* header, int translate_type) {
  PmcPtr<IPmsMessageBuffer> buffer = buffer_of(bytes);
  return pms_translator()->decode(buffer.get(), pdu, header, translate_type);
}

int decode_header(const Bytes& bytes, int32_t* error_status, int32_t* request_id, int translate_type) {
  PmcPtr<IPmsMessageBuffer> buffer = buffer_of(bytes);
  return pms_translator()->decode_header(buffer.get(), error_status, request_id, translate_type);
}

std::string oid_text(const IPmcVarBind& binding) { return value_text(*binding.get_oid()); }

std::string value_text(const IPmcValue& value) {
  PmcPtr<IPmcText> text(value.to_text(nullptr));
  if (!text || text->c_str() == nullptr) return std::string();
  return std::string(text->c_str(), text->length());
}

std::vector<std::string> fixture_names() {
  std::vector<std::string> names;
  if (DIR* dir = opendir(kFixtureDir.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string file = entry->d_name;
      if (file.size() > 4 && file.compare(file.size() - 4, 4, ".ber") == 0) names.push_back(file.substr(0, file.size() - 4));
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

Fixture load_fixture(const std::string& name) {
  Fixture out;
  out.name = name;
  std::ifstream ber(kFixtureDir + name + ".ber", std::ios::binary);
  out.message.assign(std::istreambuf_iterator<char>(ber), std::istreambuf_iterator<char>());
  std::ifstream values(kFixtureDir + name + ".values");
  for (std::string line; std::getline(values, line);) {
    const size_t equals = line.find('=');
    const size_t bar = line.find('|');
    if (bar == std::string::npos && equals != std::string::npos) {
      const std::string key = line.substr(0, equals);
      const std::string value = line.substr(equals + 1);
      if (key == "version") out.version = std::stoi(value);
      if (key == "community") out.community = value;
      if (key == "pdu_tag") out.pdu_tag = std::stoi(value, nullptr, 16);
      if (key == "request_id") out.request_id = static_cast<int32_t>(std::stoll(value));
      if (key == "error_status") out.error_status = std::stoi(value);
      if (key == "error_index") out.error_index = std::stoi(value);
    } else if (bar != std::string::npos) {
      const size_t second = line.find('|', bar + 1);
      FixtureBinding binding;
      binding.oid = line.substr(0, bar);
      binding.tag = std::stoi(line.substr(bar + 1, second - bar - 1), nullptr, 16);
      binding.value = line.substr(second + 1);
      out.bindings.push_back(binding);
    }
  }
  return out;
}

void add_fixture_bindings(const Fixture& fixture, IPmsPdu& pdu) {
  for (const FixtureBinding& binding : fixture.bindings) {
    int err = 1;
    PmcPtr<IPmcValue> bound(pmc_create_value(binding.tag, &err));
    ASSERT_EQ(err, PMC_OK) << binding.oid;
    switch (binding.tag) {
      case PMC_TAG_INTEGER: bound->set_int32(static_cast<int32_t>(std::stoll(binding.value))); break;
      case PMC_TAG_COUNTER32:
      case PMC_TAG_GAUGE32:
      case PMC_TAG_TIMETICKS: bound->set_uint32(static_cast<uint32_t>(std::stoull(binding.value))); break;
      case PMC_TAG_COUNTER64: {
        const uint64_t number = std::stoull(binding.value);
        bound->set_high32(static_cast<uint32_t>(number >> 32));
        bound->set_low32(static_cast<uint32_t>(number));
        break;
      }
      case PMC_TAG_OID: bound->from_text(binding.value.c_str()); break;
      case PMC_TAG_OCTET_STRING:
      case PMC_TAG_IP_ADDRESS:
      case PMC_TAG_OPAQUE: {
        const Bytes octets = hex_bytes(binding.value);
        ASSERT_EQ(bound->set_octets(octets.data(), octets.size()), PMC_OK) << binding.oid;
        break;
      }
      default: break;
    }
    add(pdu, binding.oid.c_str(), bound.release());
  }
}

std::string fixture_value_text(const IPmcValue& value) {
  switch (value.get_type()) {
    case PMC_TAG_INTEGER: return std::to_string(value.get_int32(nullptr));
    case PMC_TAG_COUNTER32:
    case PMC_TAG_GAUGE32:
    case PMC_TAG_TIMETICKS: return std::to_string(value.get_uint32(nullptr));
    case PMC_TAG_COUNTER64:
      return std::to_string((uint64_t{value.get_high32(nullptr)} << 32) | value.get_low32(nullptr));
    case PMC_TAG_OID: return value_text(value);
    case PMC_TAG_OCTET_STRING:
    case PMC_TAG_IP_ADDRESS:
    case PMC_TAG_OPAQUE: {
      size_t length = 0;
      const unsigned char* octets = value.get_octets(&length, nullptr);
      return hex_text(octets, length);
    }
    default: return std::string();
  }
}

}  // namespace codec_test

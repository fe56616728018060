// Helpers of the request engine tests: building targets and PDUs, reading
// answers back, and timing an exchange.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "agent/mini_ber.h"
#include "base/pmc_object_list.h"
#include "net/pmc_network_address.h"
#include "protocol/pmc_oid.h"
#include "protocol/pmc_value.h"
#include "protocol/pms_pdu.h"
#include "protocol/pms_snmp_packet.h"
#include "protocol/pms_snmp_target.h"

namespace engine_test {

// A community target for `address`:`port` with the given exchange settings.
inline PmcPtr<IPmsSnmpTarget> make_target(const std::string& address, uint16_t port, int32_t timeout_ms,
                                          int32_t retries, size_t max_size = 1400,
                                          const char* community = "public", int32_t version = PMS_VERSION_V1) {
  int err = -1;
  PmcPtr<IPmsSnmpTarget> target(pms_create_community_target(&err));
  EXPECT_EQ(err, PMC_OK);
  PmcPtr<IPmcNetworkAddress> where(pmc_create_network_address(address.c_str(), port, &err));
  EXPECT_EQ(err, PMC_OK) << address;
  target->set_version(version);
  target->set_timeout(timeout_ms);
  target->set_retries(retries);
  target->set_max_message_size(max_size);
  EXPECT_EQ(pms_community_of(target.get())->set_community(community), PMC_OK);
  EXPECT_EQ(target->set_address(where.get()), PMC_OK);
  return target;
}

// A PDU of `type` asking for `oids` with NULL values.
inline PmcPtr<IPmsPdu> make_pdu(int32_t type, const std::vector<std::string>& oids) {
  int err = -1;
  PmcPtr<IPmsPdu> pdu(pms_create_pdu(&err));
  EXPECT_EQ(err, PMC_OK);
  pdu->set_type(type);
  for (const std::string& text : oids) {
    IPmcOid* oid = pmc_create_oid_from_text(text.c_str(), &err);
    EXPECT_NE(oid, nullptr) << text;
    EXPECT_EQ(pdu->add(oid, nullptr), PMC_OK);
  }
  return pdu;
}

inline size_t binding_count(const IPmsPdu& pdu) {
  const IPmcVarBindList* list = pdu.get_varbind_list();
  return list == nullptr ? 0 : list->size();
}

// The dotted OID text of binding `i`.
inline std::string oid_at(const IPmsPdu& pdu, size_t i) {
  const IPmcVarBind* b = pdu.get_varbind_list() ? pdu.get_varbind_list()->at(i) : nullptr;
  if (b == nullptr || b->get_oid() == nullptr) return "<none>";
  size_t length = 0;
  const unsigned char* text = b->get_oid()->get_octets(&length, nullptr);
  return std::string(reinterpret_cast<const char*>(text), length);
}

// The value of binding `i`, or null.
inline const IPmcValue* value_at(const IPmsPdu& pdu, size_t i) {
  const IPmcVarBind* b = pdu.get_varbind_list() ? pdu.get_varbind_list()->at(i) : nullptr;
  return b == nullptr ? nullptr : b->get_value();
}

inline int32_t int_at(const IPmsPdu& pdu, size_t i) {
  const IPmcValue* v = value_at(pdu, i);
  return v == nullptr ? -12345 : v->get_int32(nullptr);
}

inline std::string text_at(const IPmsPdu& pdu, size_t i) {
  const IPmcValue* v = value_at(pdu, i);
  if (v == nullptr) return "<none>";
  PmcPtr<IPmcText> text(v->to_text(nullptr));
  return text && text->length() ? std::string(text->c_str(), text->length()) : std::string();
}

// "OID=TEXT" for every binding, to compare whole answers.
inline std::vector<std::string> describe(const IPmsPdu& pdu) {
  std::vector<std::string> out;
  for (size_t i = 0; i < binding_count(pdu); ++i) {
    const IPmcValue* v = value_at(pdu, i);
    out.push_back(oid_at(pdu, i) + "=" + std::to_string(v ? v->get_type() : -1) + ":" + text_at(pdu, i));
  }
  return out;
}

// Binding counts of the requests an agent received, in order.
template <class Requests>
std::vector<size_t> request_sizes(const Requests& requests) {
  std::vector<size_t> sizes;
  for (const auto& r : requests) sizes.push_back(r.parsed ? r.message.bindings.size() : 0);
  return sizes;
}

// Request-ids of four octets keep every message of a test the same size.
constexpr int32_t kFourOctetId = 0x01000000;

// Size of a GetRequest for `oids` on the wire, with a request-id of four
// octets (an encoder of the test peers, independent of the library's).
inline size_t message_size(const std::vector<std::string>& oids) {
  psw_test::ber::Message m;
  m.version = psw_test::ber::kVersion1;
  m.community = "public";
  m.pdu_type = psw_test::ber::kGetRequest;
  m.request_id = kFourOctetId;
  for (const std::string& oid : oids) m.bindings.push_back({psw_test::ber::parse_oid(oid), psw_test::ber::Value::Null()});
  return psw_test::ber::encode_message(m).size();
}

// Milliseconds since construction.
class Stopwatch {
 public:
  Stopwatch() : m_start(std::chrono::steady_clock::now()) {}
  long long ms() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_start).count();
  }

 private:
  std::chrono::steady_clock::time_point m_start;
};

// Object identifiers "prefix.1" ... "prefix.n".
inline std::vector<std::string> numbered(const std::string& prefix, int n) {
  std::vector<std::string> out;
  for (int i = 1; i <= n; ++i) out.push_back(prefix + "." + std::to_string(i));
  return out;
}

}  // namespace engine_test

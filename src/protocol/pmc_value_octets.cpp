#include "protocol/pmc_value_octets.h"

#include <cstdlib>
#include <cstring>

#include "protocol/pmc_oid.h"

// ---------------------------------------------------------------------------
// The octet buffer
// ---------------------------------------------------------------------------

CPmcOctetBase::~CPmcOctetBase() { std::free(m_data); }

const unsigned char* CPmcOctetBase::data() const {
  static const unsigned char kNoOctets[1] = {0};
  return m_data != nullptr ? m_data : kNoOctets;
}

int CPmcOctetBase::reserve(size_t needed) {
  if (needed <= m_capacity) return PMC_OK;
  if (needed > SIZE_MAX - kBlock) return PMC_E_NOMEM;
  size_t capacity = (needed / kBlock + 1) * kBlock;
  void* grown = std::realloc(m_data, capacity);
  if (grown == nullptr) return PMC_E_NOMEM;
  m_data = static_cast<unsigned char*>(grown);
  m_capacity = capacity;
  return PMC_OK;
}

// The fixed-size classes own their zeroed octets from the start.
int CPmcOctetBase::post_construct() {
  const size_t fixed = fixed_length();
  if (fixed == 0) return PMC_OK;
  int rc = reserve(fixed);
  if (rc != PMC_OK) return rc;
  std::memset(m_data, 0, fixed);
  m_length = fixed;
  return PMC_OK;
}

int CPmcOctetBase::clear() {
  if (fixed_length() != 0) {
    std::memset(m_data, 0, m_length);
  } else {
    m_length = 0;
  }
  return PMC_OK;
}

int CPmcOctetBase::store_octets(const void* data, size_t length) {
  const size_t fixed = fixed_length();
  if (fixed != 0 && length != fixed) return PMC_E_ARG;
  if (length == 0) {
    m_length = 0;
    return PMC_OK;
  }
  // Octets taken from this very buffer fit without growing, so `data` stays
  // valid; memmove because the ranges may overlap.
  int rc = reserve(length);
  if (rc != PMC_OK) return rc;
  std::memmove(m_data, data, length);
  m_length = length;
  return PMC_OK;
}

const unsigned char* CPmcOctetBase::get_octets(size_t* length, int* err) const {
  if (length == nullptr) {
    pmc_set_err(err, PMC_E_ARG);
    return nullptr;
  }
  *length = m_length;
  pmc_set_err(err, PMC_OK);
  return data();
}

uint32_t CPmcOctetBase::get_element(size_t position, int* err) const {
  if (position >= m_length) {
    pmc_set_err(err, PMC_E_ARG);
    return 0xFFFFFFFFu;
  }
  pmc_set_err(err, PMC_OK);
  return m_data[position];
}

int CPmcOctetBase::copy_from(const IPmcValue& other) {
  const CPmcOctetString* from = impl_of<CPmcOctetString>(other, PMC_IID_OCTET_STRING);
  if (from == nullptr) return PMC_E_ARG;
  return store_octets(from->data(), from->length());
}

bool CPmcOctetBase::same_content(const IPmcValue& other) const {
  const CPmcOctetString* with = impl_of<CPmcOctetString>(other, PMC_IID_OCTET_STRING);
  return with != nullptr && with->length() == m_length &&
         (m_length == 0 || std::memcmp(with->data(), m_data, m_length) == 0);
}

int CPmcOctetBase::write_text(IPmcText& out) const { return out.assign(m_data, m_length); }

int CPmcOctetBase::parse_text(const char* text, size_t length) { return store_octets(text, length); }

int CPmcOctetBase::parse_null_text() {
  if (fixed_length() != 0) return PMC_E_ARG;
  m_length = 0;
  return PMC_OK;
}

uint16_t CPmcOctetBase::read_be16(size_t at) const {
  return static_cast<uint16_t>((m_data[at] << 8) | m_data[at + 1]);
}

void CPmcOctetBase::write_be16(size_t at, uint16_t number) {
  m_data[at] = static_cast<unsigned char>(number >> 8);
  m_data[at + 1] = static_cast<unsigned char>(number);
}

// ---------------------------------------------------------------------------
// Index form: [lead] [length unless implied] one sub-identifier per octet
// ---------------------------------------------------------------------------

size_t CPmcOctetBase::index_length(bool implied) const {
  return (index_lead() >= 0 ? 1 : 0) + (implied ? 0 : 1) + m_length;
}

int CPmcOctetBase::append_to_oid(IPmcOid& oid, bool implied) const {
  const size_t before = oid.size();
  int rc = PMC_OK;
  if (index_lead() >= 0) rc = oid.append_subid(static_cast<uint32_t>(index_lead()));
  if (rc == PMC_OK && !implied) rc = oid.append_subid(static_cast<uint32_t>(m_length));
  for (size_t i = 0; rc == PMC_OK && i < m_length; ++i) rc = oid.append_subid(m_data[i]);
  if (rc != PMC_OK) pmc_undo_append(oid, before);
  return rc;
}

int CPmcOctetBase::from_oid(const IPmcOid& oid, bool implied, uint32_t count) {
  clear();
  PmcOidReader in(oid);
  uint32_t subid = 0;
  int rc = PMC_OK;
  if (index_lead() >= 0) {
    if ((rc = in.next(&subid)) != PMC_OK) return rc;
    if (subid != static_cast<uint32_t>(index_lead())) return PMC_E_BAD_INDEX;
  }
  const size_t fixed = fixed_length();
  size_t octets = fixed;
  if (!implied) {
    if ((rc = in.next(&subid)) != PMC_OK) return rc;
    if (fixed != 0 ? subid != fixed : subid > in.count()) return PMC_E_BAD_INDEX;
    octets = subid;
  } else if (fixed == 0) {
    octets = (count == PMC_ALL_SUBIDS || count > in.count()) ? in.count() : count;
  }
  if ((rc = reserve(octets)) != PMC_OK) return rc;
  for (size_t i = 0; i < octets; ++i) {
    if ((rc = in.next(&subid)) != PMC_OK) return rc;
    if (subid > 255) return PMC_E_BAD_INDEX;
    m_data[i] = static_cast<unsigned char>(subid);
    if (fixed == 0) m_length = i + 1;
  }
  return PMC_OK;
}

// ---------------------------------------------------------------------------
// Address texts
// ---------------------------------------------------------------------------

namespace {

// "a.b.c.d", each part decimal 0 to 255.
bool scan_dotted_quad(PmcTextScanner& scan, unsigned char out[4]) {
  for (int i = 0; i < 4; ++i) {
    uint64_t part = 0;
    if (i > 0 && !scan.take('.')) return false;
    if (!scan.decimal(255, &part)) return false;
    out[i] = static_cast<unsigned char>(part);
  }
  return true;
}

}  // namespace

uint32_t CPmcIpAddress::get_uint32(int* err) const {
  const unsigned char* a = data();
  pmc_set_err(err, PMC_OK);
  return (uint32_t{a[0]} << 24) | (uint32_t{a[1]} << 16) | (uint32_t{a[2]} << 8) | a[3];
}

int CPmcIpAddress::set_uint32(uint32_t number) {
  unsigned char* a = bytes();
  for (int i = 0; i < 4; ++i) a[i] = static_cast<unsigned char>(number >> (24 - 8 * i));
  return PMC_OK;
}

int CPmcIpAddress::write_text(IPmcText& out) const {
  const unsigned char* a = data();
  return pmc_write_text(out, "%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
}

// The octets change only when the whole text parses.
int CPmcIpAddress::parse_text(const char* text, size_t length) {
  PmcTextScanner scan(text, length);
  unsigned char address[4];
  if (!scan_dotted_quad(scan, address) || !scan.at_end()) return PMC_E_ARG;
  std::memcpy(bytes(), address, sizeof address);
  return PMC_OK;
}

uint16_t CPmcIpv4Prefix::get_uint16(int* err) const {
  pmc_set_err(err, PMC_OK);
  return read_be16(4);
}

int CPmcIpv4Prefix::set_uint16(uint16_t number) {
  write_be16(4, number);
  return PMC_OK;
}

int CPmcIpv4Prefix::write_text(IPmcText& out) const {
  const unsigned char* a = data();
  return pmc_write_text(out, "%u.%u.%u.%u/%u", a[0], a[1], a[2], a[3], unsigned{read_be16(4)});
}

int CPmcIpv4Prefix::parse_text(const char* text, size_t length) {
  PmcTextScanner scan(text, length);
  unsigned char address[4];
  uint64_t prefix = 0;
  if (!scan_dotted_quad(scan, address) || !scan.take('/') || !scan.decimal(0xFFFF, &prefix) ||
      !scan.at_end()) {
    return PMC_E_ARG;
  }
  std::memcpy(bytes(), address, sizeof address);
  write_be16(4, static_cast<uint16_t>(prefix));
  return PMC_OK;
}

int CPmcIpv6Address::write_text(IPmcText& out) const {
  const unsigned char* a = data();
  unsigned g[8];
  for (int i = 0; i < 8; ++i) g[i] = (unsigned{a[2 * i]} << 8) | a[2 * i + 1];
  return pmc_write_text(out, "%x:%x:%x:%x:%x:%x:%x:%x", g[0], g[1], g[2], g[3], g[4], g[5], g[6], g[7]);
}

// Exactly eight groups: there is no "::" shorthand. A group of more than
// four digits keeps its low 16 bits.
int CPmcIpv6Address::parse_text(const char* text, size_t length) {
  PmcTextScanner scan(text, length);
  unsigned char address[16];
  for (int i = 0; i < 8; ++i) {
    uint16_t group = 0;
    if (i > 0 && !scan.take(':')) return PMC_E_ARG;
    if (!scan.hex_low16(&group)) return PMC_E_ARG;
    address[2 * i] = static_cast<unsigned char>(group >> 8);
    address[2 * i + 1] = static_cast<unsigned char>(group);
  }
  if (!scan.at_end()) return PMC_E_ARG;
  std::memcpy(bytes(), address, sizeof address);
  return PMC_OK;
}

uint16_t CPmcIpxAddress::get_uint16(int* err) const {
  pmc_set_err(err, PMC_OK);
  return read_be16(10);
}

int CPmcIpxAddress::set_uint16(uint16_t number) {
  write_be16(10, number);
  return PMC_OK;
}

int CPmcIpxAddress::write_text(IPmcText& out) const {
  const unsigned char* a = data();
  return pmc_write_text(out, "%02x%02x%02x%02x:%02x%02x%02x%02x%02x%02x/%x", a[0], a[1], a[2], a[3], a[4],
                        a[5], a[6], a[7], a[8], a[9], unsigned{read_be16(10)});
}

// Network (8 hex digits), colon, node (12 hex digits), slash, socket (hex,
// at most 0xFFFF).
int CPmcIpxAddress::parse_text(const char* text, size_t length) {
  PmcTextScanner scan(text, length);
  unsigned char address[12];
  for (int i = 0; i < 10; ++i) {
    uint64_t octet = 0;
    if (i == 4 && !scan.take(':')) return PMC_E_ARG;
    if (!scan.hex(2, 2, 0xFF, &octet)) return PMC_E_ARG;
    address[i] = static_cast<unsigned char>(octet);
  }
  uint64_t socket = 0;
  if (!scan.take('/') || !scan.hex(1, 0, 0xFFFF, &socket) || !scan.at_end()) return PMC_E_ARG;
  address[10] = static_cast<unsigned char>(socket >> 8);
  address[11] = static_cast<unsigned char>(socket);
  std::memcpy(bytes(), address, sizeof address);
  return PMC_OK;
}

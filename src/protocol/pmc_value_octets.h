// The octet values: OCTET STRING and Opaque, and the addresses built on the
// same octet buffer (IpAddress, IPv4 prefix, IPv6 address, IPX address).
//
// The buffer grows in whole blocks of 128 bytes and never shrinks. The
// address classes have a fixed size: their octets exist (zeroed) from the
// start, `clear` zeroes them and `set_octets` takes exactly that many.
#pragma once

#include "protocol/pmc_value_base.h"

// The octet buffer and every operation of the octet classes. The classes
// below differ in tag, fixed size, text form and index form.
class CPmcOctetBase : public CPmcValueBase {
 public:
  static constexpr size_t kBlock = 128;

  // Direct access for the codec: never null (an empty value points at a
  // zero byte).
  const unsigned char* data() const;
  size_t length() const { return m_length; }
  size_t capacity() const { return m_capacity; }

  int post_construct() override;
  int clear() override;
  const unsigned char* get_octets(size_t* length, int* err) const override;
  size_t size() const override { return m_length; }
  size_t index_length(bool implied) const override;
  uint32_t get_element(size_t position, int* err) const override;
  int append_to_oid(IPmcOid& oid, bool implied) const override;
  int from_oid(const IPmcOid& oid, bool implied, uint32_t count) override;

 protected:
  ~CPmcOctetBase() override;

  // 0 for the classes of variable length, else their fixed octet count.
  virtual size_t fixed_length() const { return 0; }
  // The sub-identifier that opens the index form, or -1 when there is none.
  virtual int index_lead() const { return -1; }

  int copy_from(const IPmcValue& other) override;
  bool same_content(const IPmcValue& other) const override;
  int write_text(IPmcText& out) const override;
  int parse_text(const char* text, size_t length) override;
  int parse_null_text() override;
  int store_octets(const void* data, size_t length) override;
  bool has_index_form() const override { return true; }

  // Room for `needed` octets; -3 (buffer unchanged) when it cannot grow.
  int reserve(size_t needed);
  unsigned char* bytes() { return m_data; }
  uint16_t read_be16(size_t at) const;
  void write_be16(size_t at, uint16_t number);

 private:
  unsigned char* m_data = nullptr;
  size_t m_length = 0;
  size_t m_capacity = 0;
};

// OCTET STRING (0x04): the class every octet class is built on.
class CPmcOctetString : public CPmcValueClass<CPmcOctetString, CPmcOctetBase, PMC_TAG_OCTET_STRING,
                                              PMC_IID_OCTET_STRING, &IPmcValueVisitor::visit_octet_string> {};

// Opaque (0x44): OCTET STRING with another tag.
class CPmcOpaque : public CPmcValueClass<CPmcOpaque, CPmcOctetString, PMC_TAG_OPAQUE, PMC_IID_OPAQUE,
                                         &IPmcValueVisitor::visit_octet_string> {};

// IpAddress (0x40): 4 octets in network order, text "a.b.c.d".
class CPmcIpAddress : public CPmcValueClass<CPmcIpAddress, CPmcOctetString, PMC_TAG_IP_ADDRESS,
                                            PMC_IID_IP_ADDRESS, &IPmcValueVisitor::visit_ip_address> {
 public:
  uint32_t get_uint32(int* err) const override;
  int set_uint32(uint32_t number) override;

 protected:
  size_t fixed_length() const override { return 4; }
  int write_text(IPmcText& out) const override;
  int parse_text(const char* text, size_t length) override;
};

// IPv4 prefix (0xFF02): an IPv4 address and a 16-bit prefix length
// (big-endian), text "a.b.c.d/p". Built on IpAddress but not answering its
// interface identifier.
class CPmcIpv4Prefix : public CPmcValueClass<CPmcIpv4Prefix, CPmcIpAddress, PMC_TAG_IPV4_PREFIX,
                                             PMC_IID_IPV4_PREFIX, &IPmcValueVisitor::visit_ipv4_prefix,
                                             PMC_IID_IP_ADDRESS> {
 public:
  uint16_t get_uint16(int* err) const override;
  int set_uint16(uint16_t number) override;

 protected:
  size_t fixed_length() const override { return 6; }
  int index_lead() const override { return 1; }
  int write_text(IPmcText& out) const override;
  int parse_text(const char* text, size_t length) override;
};

// IPv6 address (0x48): 16 octets, text of eight hexadecimal groups.
class CPmcIpv6Address : public CPmcValueClass<CPmcIpv6Address, CPmcOctetString, PMC_TAG_IPV6_ADDRESS,
                                              PMC_IID_IPV6_ADDRESS, &IPmcValueVisitor::visit_ipv6_address> {
 protected:
  size_t fixed_length() const override { return 16; }
  int write_text(IPmcText& out) const override;
  int parse_text(const char* text, size_t length) override;
};

// IPX address (0xFF03): network (4), node (6), socket (2, big-endian), text
// "nnnnnnnn:hhhhhhhhhhhh/s" in hexadecimal.
class CPmcIpxAddress : public CPmcValueClass<CPmcIpxAddress, CPmcOctetString, PMC_TAG_IPX_ADDRESS,
                                             PMC_IID_IPX_ADDRESS, &IPmcValueVisitor::visit_ipx_address> {
 public:
  uint16_t get_uint16(int* err) const override;
  int set_uint16(uint16_t number) override;

 protected:
  size_t fixed_length() const override { return 12; }
  int index_lead() const override { return 5; }
  int write_text(IPmcText& out) const override;
  int parse_text(const char* text, size_t length) override;
};

// SNMP values: the common interface of every value class, the visitor through
// which the message codec reaches each class, and the value factories.
//
// A value holds the value part of a variable binding. Every class implements
// all operations of IPmcValue; an operation without meaning for a class
// answers -5 (getters then return a fixed filler: -1, 0 or 0xFFFF).
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/pmc_object.h"

class IPmcOid;
class IPmcValueVisitor;

// The tag get_type returns: the ASN.1/SNMP tag byte. 0x48 and the two codes
// above 0xFF are private to this library and never go on the wire.
enum PmcValueTag : int {
  PMC_TAG_INTEGER = 0x02,
  PMC_TAG_OCTET_STRING = 0x04,
  PMC_TAG_NULL = 0x05,
  PMC_TAG_OID = 0x06,
  PMC_TAG_IP_ADDRESS = 0x40,
  PMC_TAG_COUNTER32 = 0x41,
  PMC_TAG_GAUGE32 = 0x42,
  PMC_TAG_TIMETICKS = 0x43,
  PMC_TAG_OPAQUE = 0x44,
  PMC_TAG_COUNTER64 = 0x46,
  PMC_TAG_IPV6_ADDRESS = 0x48,
  PMC_TAG_NO_SUCH_OBJECT = 0x80,
  PMC_TAG_NO_SUCH_INSTANCE = 0x81,
  PMC_TAG_END_OF_MIB_VIEW = 0x82,
  PMC_TAG_IPV4_PREFIX = 0xFF02,
  PMC_TAG_IPX_ADDRESS = 0xFF03,
};

// Identifiers for query_interface. Each names the pointer type stored:
//   PMC_IID_VALUE       IPmcValue*        (every value)
//   PMC_IID_VALUE_IMPL  CPmcValueBase*    (every value: the implementation)
//   PMC_IID_OID and 6   IPmcOid*
//   any other           the implementation class named after it
//                       (PMC_IID_OCTET_STRING gives CPmcOctetString*,
//                       PMC_IID_UNSIGNED32 gives CPmcGauge32*, ...).
constexpr int pmc_iid(uint32_t id) { return static_cast<int>(id); }
constexpr int PMC_IID_VALUE = 0xff00;
constexpr int PMC_IID_VALUE_IMPL = pmc_iid(0xf000ff00u);
constexpr int PMC_IID_INTEGER = pmc_iid(0xf0000002u);
constexpr int PMC_IID_OCTET_STRING = pmc_iid(0xf0000004u);
constexpr int PMC_IID_NULL = pmc_iid(0xf0000005u);
constexpr int PMC_IID_OID = pmc_iid(0xf0000006u);
constexpr int PMC_IID_OID_SHORT = 6;
constexpr int PMC_IID_IP_ADDRESS = pmc_iid(0xf0000040u);
constexpr int PMC_IID_COUNTER32 = pmc_iid(0xf0000041u);
constexpr int PMC_IID_UNSIGNED32 = pmc_iid(0xf0000042u);
constexpr int PMC_IID_TIMETICKS = pmc_iid(0xf0000043u);
constexpr int PMC_IID_OPAQUE = pmc_iid(0xf0000044u);
constexpr int PMC_IID_COUNTER64 = pmc_iid(0xf0000046u);
constexpr int PMC_IID_IPV6_ADDRESS = pmc_iid(0xf0000048u);
constexpr int PMC_IID_EXCEPTION = pmc_iid(0xf000ff01u);
constexpr int PMC_IID_IPV4_PREFIX = pmc_iid(0xf000ff02u);
constexpr int PMC_IID_IPX_ADDRESS = pmc_iid(0xf000ff03u);

// `count` of from_oid and the OID operations meaning "every sub-identifier".
constexpr uint32_t PMC_ALL_SUBIDS = 0xFFFFFFFFu;

// ---------------------------------------------------------------------------
// IPmcValue. Slot order is part of the contract.
// ---------------------------------------------------------------------------
class IPmcValue {
 public:
  virtual int accept(IPmcValueVisitor& visitor) = 0;
  virtual void release() = 0;
  virtual IPmcValue* clone(int* err) const = 0;
  // Copies other's content; -2 when other has another type.
  virtual int assign(const IPmcValue& other) = 0;
  // Zero or empty content (the fixed-size addresses zero their octets).
  virtual int clear() = 0;
  virtual int get_type() const = 0;
  // Same tag and same content.
  virtual bool equals(const IPmcValue& other) const = 0;
  // The IPmcOid face of an OBJECT IDENTIFIER, null for every other class.
  virtual IPmcOid* as_oid() = 0;
  // Stores the interface answering `id` (null and -4 when none); a null
  // `out` is ignored (-2).
  virtual int query_interface(int id, void** out) = 0;
  virtual bool is_valid() const = 0;
  virtual int32_t get_int32(int* err) const = 0;
  virtual uint32_t get_uint32(int* err) const = 0;
  // New text with the display text; returned (empty) even when err is -5.
  virtual IPmcText* to_text(int* err) const = 0;
  virtual int to_text(IPmcText& out) const = 0;
  // The stored octets (OBJECT IDENTIFIER: its dotted text) without a copy;
  // never null on success.
  virtual const unsigned char* get_octets(size_t* length, int* err) const = 0;
  virtual IPmcText* to_octet_text(int* err) const = 0;
  virtual int to_octet_text(IPmcText& out) const = 0;
  virtual uint16_t get_uint16(int* err) const = 0;
  virtual uint32_t get_high32(int* err) const = 0;
  virtual uint32_t get_low32(int* err) const = 0;
  virtual int set_int32(int32_t number) = 0;
  virtual int set_uint32(uint32_t number) = 0;
  // Parses the display text; null gives -2 except for OCTET STRING, Opaque
  // and OBJECT IDENTIFIER, which become empty.
  virtual int from_text(const char* text) = 0;
  virtual int from_text(const IPmcText& text) = 0;
  virtual int set_octets(const void* data, size_t length) = 0;
  virtual int set_octets(const IPmcText& octets) = 0;
  virtual int set_uint16(uint16_t number) = 0;
  virtual int set_high32(uint32_t number) = 0;
  virtual int set_low32(uint32_t number) = 0;
  virtual size_t size() const = 0;
  // Number of sub-identifiers of the value's table-index form (0 for the
  // classes without one).
  virtual size_t index_length(bool implied) const = 0;
  // Octet classes: the octet (0xFFFFFFFF and -2 past the end); OBJECT
  // IDENTIFIER: the sub-identifier (-8 empty, -7 past the end).
  virtual uint32_t get_element(size_t position, int* err) const = 0;
  virtual int append_to_oid(IPmcOid& oid, bool implied) const = 0;
  virtual int to_oid(IPmcOid& oid, bool implied) const = 0;
  // Reads the value from the leading sub-identifiers of `oid` (which is not
  // changed); `count` is used by the implied forms of variable length.
  virtual int from_oid(const IPmcOid& oid, bool implied, uint32_t count) = 0;

 protected:
  virtual ~IPmcValue() = default;
};

// ---------------------------------------------------------------------------
// IPmcValueVisitor: one operation per value class, each given the value's
// implementation so that the codec reads and writes raw contents directly
// (the classes are declared in pmc_value_number.h, pmc_value_octets.h,
// pmc_oid.h, pmc_value_null.h and pmc_value_exception.h).
// ---------------------------------------------------------------------------
class CPmcOid;
class CPmcOctetString;
class CPmcInteger;
class CPmcNull;
class CPmcCounter32;
class CPmcGauge32;
class CPmcTimeTicks;
class CPmcCounter64;
class CPmcIpAddress;
class CPmcIpv6Address;
class CPmcIpv4Prefix;
class CPmcIpxAddress;
class CPmcException;

class IPmcValueVisitor {
 public:
  virtual int visit_oid(CPmcOid& value) = 0;
  virtual int visit_octet_string(CPmcOctetString& value) = 0;    // OCTET STRING and Opaque
  virtual int visit_integer(CPmcInteger& value) = 0;
  virtual int visit_null(CPmcNull& value) = 0;
  virtual int visit_counter32(CPmcCounter32& value) = 0;
  virtual int visit_gauge32(CPmcGauge32& value) = 0;
  virtual int visit_timeticks(CPmcTimeTicks& value) = 0;
  virtual int visit_counter64(CPmcCounter64& value) = 0;
  virtual int visit_ip_address(CPmcIpAddress& value) = 0;
  virtual int visit_ipv6_address(CPmcIpv6Address& value) = 0;
  virtual int visit_ipv4_prefix(CPmcIpv4Prefix& value) = 0;
  virtual int visit_ipx_address(CPmcIpxAddress& value) = 0;
  virtual int visit_exception(CPmcException& value) = 0;

 protected:
  virtual ~IPmcValueVisitor() = default;
};

// ---------------------------------------------------------------------------
// Factories (err may be null).
// ---------------------------------------------------------------------------

// An empty value of the class for `tag`; an unknown tag gives null and -2.
IPmcValue* pmc_create_value(int tag, int* err);
// A value of `tag` holding `number` through set_int32 (so INTEGER only;
// every other class gives null and -5).
IPmcValue* pmc_create_integer_value(int32_t number, int tag, int* err);
// A value of `tag` parsed from `text` and checked with is_valid; a null
// text, text that does not parse or an invalid value gives null and -2.
IPmcValue* pmc_create_value_from_text(const char* text, int tag, int* err);

// The row reader of every device reader: the bindings of one walked row
// (device/psw_exchange.h), one per column in the order the columns were
// added, read as the status records and the option data need them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/pmc_object.h"
#include "base/pmc_object_list.h"
#include "device/psw_status_convert.h"
#include "protocol/pmc_oid.h"
#include "protocol/pmc_value.h"
#include "protocol/pms_pdu.h"
#include "psw/psw.h"

// A value read as a counter (PSWRowReader::next_counter32 says how); null
// and exception values give PSW_VALUE_ABSENT_U32.
uint32_t psw_counter32_of(const IPmcValue* value);

// Takes the bindings of one row in column order. A cell the device lacks
// (and a row without a further binding) reads as the interface's neutral
// values: PSW_VALUE_ABSENT for signed numbers, PSW_VALUE_ABSENT_U32 for
// unsigned ones, 0 for a mapped type, no octets, an empty text.
class PSWRowReader {
 public:
  explicit PSWRowReader(IPmsPdu& row) : m_row(row) {}

  // Takes the next binding; its identifier and value stay available through
  // oid() and value() until the next call. False when the row has no more.
  bool next();
  IPmcOid* oid() const { return m_oid.get(); }
  const IPmcValue* value() const { return m_value.get(); }
  // True when the binding taken last holds a value of the device (false
  // for a cell the device lacks and past the row's end).
  bool present() const;

  // The identifier of the binding taken last as dotted text, cut to
  // size - 1 characters and terminated; empty past the row's end.
  void oid_text(char* out, size_t size) const;

  // The next binding's value read as the record fields need it; a cell the
  // device lacks reads as `absent` (the option readers keep -1 there).
  int32_t next_int32(int32_t absent = PSW_VALUE_ABSENT);
  uint32_t next_uint32();
  // A counter: Counter32, Gauge32 and TimeTicks as they are, an INTEGER
  // (some agents send counters so) as the same 32 bits unsigned, so that a
  // count past 2^31 that such an agent wraps negative reads right; the low
  // 32 bits of a Counter64. PSW_VALUE_ABSENT_U32 for an absent cell or a
  // value of no number type.
  uint32_t next_counter32();
  // The row's index: the sub-identifiers of the binding taken last after
  // its first `column_length` ones; -1 (and `index` untouched) when the
  // binding is absent or its name is not `column_length` + `parts` long.
  int index_parts(size_t column_length, uint32_t* index, size_t parts) const;
  // Display text, cut to size - 1 characters and terminated.
  void next_text(char* field, size_t size);
  template <size_t N>
  void next_text(char (&field)[N]) {
    next_text(field, N);
  }
  // The value's display text mapped by `map` (0 when no entry equals it).
  int32_t next_mapped(const PSWOidMap& map);
  // The value's octets (null and 0 for a value without octets).
  const unsigned char* next_octets(size_t* length);

 private:
  IPmsPdu& m_row;
  PmcPtr<IPmcOid> m_oid;
  PmcPtr<IPmcValue> m_value;
};

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

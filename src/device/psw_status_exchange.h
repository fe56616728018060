// One exchange of the status readers with the device: a request object
// created, given its community and connection, given its identifiers, and
// run once. Every failed step is logged on category "PSW" at level 1 with
// the text of the failed call, and its code is returned unchanged; the
// request object is released when the exchange goes, on every path.
//
// A row of a table walk is read with PSWRowReader, one binding per column in
// the order the columns were added.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/pmc_get_data.h"
#include "core/pmc_object.h"
#include "core/pmc_object_list.h"
#include "core/pmc_oid.h"
#include "core/pmc_value.h"
#include "device/psw_status_convert.h"

// Where and how the exchange reaches the device.
struct PSWConnection {
  const char* address;
  int32_t protocol;
  uint16_t port;
  int32_t snmp_mode;
  const PmcUsmParameters* usm;
  int32_t timeout;
  int32_t retries;
  uint32_t max_message_size;
};

class PSWStatusExchange {
 public:
  PSWStatusExchange() = default;
  PSWStatusExchange(const PSWStatusExchange&) = delete;
  PSWStatusExchange& operator=(const PSWStatusExchange&) = delete;

  // Creates the request object, gives it `community` when not null, and
  // initialises it for `connection`.
  int open(const PSWConnection& connection, const char* community);
  // Adds one identifier without an instance suffix.
  int add(const char* oid);
  // Adds each of `count` columns in order.
  int add_columns(const char* const* columns, size_t count);
  // Adds the binding "<column>.<suffix>" with an INTEGER value, for a Set.
  int add_set(const char* column, const char* suffix, int32_t value);

  // Walks the table rooted at `root` into a new row list (handed out on
  // success only).
  int walk(const char* root, PmcPtr<IPmsPduList>* rows);
  // GETs one integer.
  int get_int32(int32_t* value);
  // GETs one text into a buffer of 256 bytes.
  int get_text(char* text_out);
  // Sends the Set of the bindings added.
  int set();

 private:
  PmcPtr<IPmcGetData> m_pGetData;
};

// Takes the bindings of one row in column order. A row without a further
// binding gives empty values (0 for numbers, an empty text).
class PSWRowReader {
 public:
  explicit PSWRowReader(IPmsPdu& row) : m_row(row) {}

  // Takes the next binding; its identifier and value stay available through
  // oid() and value() until the next call. False when the row has no more.
  bool next();
  IPmcOid* oid() const { return m_oid.get(); }
  const IPmcValue* value() const { return m_value.get(); }

  // The next binding's value read as the record fields need it.
  int32_t next_int32();
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

// Walks every row of `rows` in order and calls `convert(row)` for each; the
// first non-zero result ends the walk and is returned.
template <class Convert>
int psw_for_each_row(IPmsPduList& rows, Convert&& convert) {
  int err = PMC_OK;
  IPmcListIterator* it = rows.create_iterator(&err);
  if (it == nullptr) return err;
  int rc = PMC_OK;
  for (IPmsPdu* row = rows.current(it); row != nullptr && rc == PMC_OK; row = rows.current(it)) {
    rc = convert(*row);
    rows.advance(it);
  }
  rows.release_iterator(it);
  return rc;
}

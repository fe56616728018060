// The one exchange every option reader runs: a request object made for the
// reader's device, the reader's community and SNMPv3 settings, and one Get
// or one table walk. Each failed step is logged on category "PSW" at level 1
// with the text of the failed call, and its code is returned; everything is
// released on every path.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/pmc_get_data.h"
#include "core/pmc_object.h"
#include "core/pmc_object_list.h"
#include "core/pmc_oid.h"
#include "psw/psw_options.hpp"

// The values of one walked row (a response PDU), taken one column after the
// other in the order the columns were added.
class PSWOptionRow {
 public:
  explicit PSWOptionRow(IPmsPdu& pdu) : m_pdu(pdu) {}

  // The next value as a signed integer; -1 when it is not an INTEGER or the
  // row has no further value. `oid`, when given, receives the binding's OID
  // text (empty when there is none), cut to `oidSize` - 1 characters.
  int32_t next_int(char* oid = nullptr, size_t oidSize = 0);
  // The next value's display text, cut to `size` - 1 characters and
  // terminated; empty when the row has no further value.
  void next_text(char* out, size_t size);

 private:
  IPmsPdu& m_pdu;
};

class PSWOptionRequest {
 public:
  explicit PSWOptionRequest(const CPSWDevCommOption& reader) : m_reader(reader) {}

  // Creates the request object.
  int create();
  // Gives it the community when one is set and initialises it with the
  // reader's connection.
  int init();
  // Both of the above.
  int open() {
    int rc = create();
    return rc == PMC_OK ? init() : rc;
  }
  // Adds one OID, with ".0" appended when `instanceZero`.
  int add(const char* oid, bool instanceZero);
  // The protocol of an address text, as the address service classifies it.
  int protocol_of(const char* address, int* protocol);

  // Single Gets of the added OIDs.
  int get_text(char (&out)[PMC_GET_DATA_TEXT_SIZE], bool logFailure = true);
  int get_int(int32_t* value);
  int get_ints(int32_t* values, int count);

  // Walks the table rooted at `root` (the first added column) and calls
  // visit(PSWOptionRow&) for each row in order.
  template <class Visit>
  int walk(const char* root, Visit visit) {
    PmcPtr<IPmsPduList> rows;
    int rc = walk_rows(root, &rows);
    if (rc != PMC_OK) return rc;
    int err = PMC_OK;
    PmcPtr<IPmcListIterator> it(rows->create_iterator(&err));
    if (!it) return err;
    for (IPmsPdu* pdu = rows->current(it.get()); pdu != nullptr; rows->advance(it.get()), pdu = rows->current(it.get())) {
      PSWOptionRow row(*pdu);
      visit(row);
    }
    return PMC_OK;
  }

 private:
  int walk_rows(const char* root, PmcPtr<IPmsPduList>* rows);
  int failed(const char* call, int rc);

  const CPSWDevCommOption& m_reader;
  PmcPtr<IPmcGetData> m_pGetData;
};

// The readers' usual exchanges in one call each: open, add the OIDs (with
// ".0" when `instanceZero`), then one Get or one walk rooted at the first.
int psw_option_get_text(const CPSWDevCommOption& reader, const char* oid, bool instanceZero,
                        char (&out)[PMC_GET_DATA_TEXT_SIZE], bool logFailure = true);
int psw_option_get_int(const CPSWDevCommOption& reader, const char* oid, bool instanceZero, int32_t* value);
int psw_option_get_ints(const CPSWDevCommOption& reader, const char* const* oids, int count, int32_t* values);

template <class Visit>
int psw_option_walk(const CPSWDevCommOption& reader, const char* const* columns, size_t count, Visit visit) {
  PSWOptionRequest request(reader);
  int rc = request.open();
  for (size_t i = 0; rc == PMC_OK && i < count; ++i) rc = request.add(columns[i], false);
  return rc == PMC_OK ? request.walk(columns[0], visit) : rc;
}

template <size_t N, class Visit>
int psw_option_walk(const CPSWDevCommOption& reader, const char* const (&columns)[N], Visit visit) {
  return psw_option_walk(reader, columns, N, visit);
}

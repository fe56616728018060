// The exchanges of the option readers: each is one exchange
// (device/psw_exchange.h) made for the reader's device, with the reader's
// community and SNMPv3 settings, running one Get or one table walk. A
// walked row is read with PSWRowReader, like the status readers' rows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/pmc_object_list.h"
#include "device/psw_exchange.h"
#include "protocol/pms_pdu.h"
#include "psw/psw_options.hpp"
#include "request/pmc_get_data.h"

// An exchange of one option reader.
class PSWOptionRequest : public PSWExchange {
 public:
  explicit PSWOptionRequest(const CPSWDevCommOption& reader) : m_reader(reader) {}

  // Gives the created request object the reader's community when one is
  // set and initialises it with the reader's connection.
  int init();
  // Creates the request object, then init().
  int open() {
    int rc = create();
    return rc == PMC_OK ? init() : rc;
  }
  // open(), then adds `count` OIDs (with ".0" when `instanceZero`).
  int open_with(const char* const* oids, size_t count, bool instanceZero);

  // The model check's request: creates the request object, refuses (-2)
  // a stored address whose form is of another protocol than the stored
  // one, then GETs sysObjectID.0 as text into `out` (its failure is not
  // logged). One request; nothing is sent when the protocol differs.
  int read_sys_object_id(char (&out)[PMC_GET_DATA_TEXT_SIZE]);

 private:
  const CPSWDevCommOption& m_reader;
};

// The readers' usual exchanges in one call each: open, add the OIDs (with
// ".0" when `instanceZero`), then one Get or one walk rooted at the first.
// A text the device does not have leaves `out` as it was.
int psw_option_get_text(const CPSWDevCommOption& reader, const char* oid, bool instanceZero,
                        char (&out)[PMC_GET_DATA_TEXT_SIZE], bool logFailure = true);
int psw_option_get_int(const CPSWDevCommOption& reader, const char* oid, bool instanceZero, int32_t* value);
int psw_option_get_ints(const CPSWDevCommOption& reader, const char* const* oids, int count, int32_t* values);

// Calls visit(PSWRowReader&) for each row in order.
template <size_t N, class Visit>
int psw_option_walk(const CPSWDevCommOption& reader, const char* const (&columns)[N], Visit visit) {
  PSWOptionRequest request(reader);
  int rc = request.open();
  if (rc != PMC_OK) return rc;
  return request.walk_columns(columns, N, [&visit](PSWRowReader& row) {
    visit(row);
    return PMC_OK;
  });
}

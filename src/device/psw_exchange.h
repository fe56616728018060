// One exchange of a device reader with the device: a request object created,
// given its connection (community included), given its identifiers, and run once
// (one Get, one table walk or one Set). The status readers and the option
// readers both talk to the device through it.
//
// Every failed step is logged on category "PSW" at level 1 with the text of
// the failed call, and its code is returned unchanged; the request object
// is released when the exchange goes, on every path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/pmc_object.h"
#include "base/pmc_object_list.h"
#include "device/psw_connection.h"
#include "device/psw_row_reader.h"
#include "request/pmc_get_data.h"

class PSWExchange {
 public:
  PSWExchange() = default;
  PSWExchange(const PSWExchange&) = delete;
  PSWExchange& operator=(const PSWExchange&) = delete;

  // Creates the request object.
  int create();
  // Initialises the created request object for `connection`, with
  // `community` in place of the connection's when given. A community that
  // was not given leaves the request object's "public".
  int init(const PSWConnection& connection, const PmcCommunity* community = nullptr);
  // Both of the above.
  int open(const PSWConnection& connection, const PmcCommunity* community = nullptr) {
    int rc = create();
    return rc == PMC_OK ? init(connection, community) : rc;
  }

  // Adds one identifier, with ".0" appended when `instance_zero`.
  int add(const char* oid, bool instance_zero = false);
  // Adds each of `count` columns in order, without an instance.
  int add_columns(const char* const* columns, size_t count);
  // Adds the binding "<column>.<suffix>" with an INTEGER value, for a Set.
  int add_set(const char* column, const char* suffix, int32_t value);

  // The protocol of an address text, as the created request object's address
  // service classifies it (not logged).
  int protocol_of(const char* address, int* protocol);

  // Walks the table rooted at `root` into a new row list (handed out on
  // success only).
  int walk(const char* root, PmcPtr<IPmsPduList>* rows);
  // Walks several tables at once: table t is the `counts[t]` columns of
  // `columns[t]`, rooted at its first; `rows` gets one row list per table
  // (on success only).
  int walk_tables(const char* const* const* columns, const size_t* counts, size_t tables,
                  std::vector<PmcPtr<IPmsPduList>>* rows);
  // GETs one integer; `value` is written on success only.
  int get_int32(int32_t* value);
  // GETs `count` integers, one per identifier added.
  int get_int32s(int32_t* values, int count);
  // GETs one text into a buffer of PMC_GET_DATA_TEXT_SIZE bytes; a failure
  // is logged only when `log_failure`.
  int get_text(char* text_out, bool log_failure = true);
  // The same, for an object the device may lack: an answer without its
  // value (-7) leaves the buffer as it was and is no failure.
  int get_text_if_present(char* text_out, bool log_failure = true);
  // Sends the Set of the bindings added.
  int set();
  // One GetNext of the bindings added (no walk): `count` answered bindings
  // into `out`. Not logged: callers judge a refusal themselves.
  int get_next(PmcNextBinding* out, int count);
  // One Get of the bindings added: the answer whole (`*answer` set on
  // success only). Not logged.
  int get_answer(PmcPtr<IPmsPdu>* answer);
  // The next Get takes `answer` instead of asking the device.
  int use_answer(PmcPtr<IPmsPdu> answer);
  // One GetNext of the bindings added: the answer whole, for a row reader
  // (`*answer` set on success only). Not logged, as get_next.
  int get_next_answer(PmcPtr<IPmsPdu>* answer);

  // Adds `columns`, walks the table rooted at the first and calls
  // `convert(PSWRowReader&)` for every row in order; the first non-zero
  // result ends it and is returned.
  template <class Convert>
  int walk_columns(const char* const* columns, size_t count, Convert&& convert);

 private:
  PmcPtr<IPmcGetData> m_pGetData;
};

// Reads every row of `rows` in order with a PSWRowReader and calls
// `convert(reader)` for each; the first non-zero result ends the walk and
// is returned.
template <class Convert>
int psw_for_each_row(IPmsPduList& rows, Convert&& convert) {
  int err = PMC_OK;
  IPmcListIterator* it = rows.create_iterator(&err);
  if (it == nullptr) return err;
  int rc = PMC_OK;
  for (IPmsPdu* row = rows.current(it); row != nullptr && rc == PMC_OK; row = rows.current(it)) {
    PSWRowReader reader(*row);
    rc = convert(reader);
    rows.advance(it);
  }
  rows.release_iterator(it);
  return rc;
}

template <class Convert>
int PSWExchange::walk_columns(const char* const* columns, size_t count, Convert&& convert) {
  int rc = add_columns(columns, count);
  PmcPtr<IPmsPduList> rows;
  if (rc == PMC_OK) rc = walk(columns[0], &rows);
  return rc == PMC_OK ? psw_for_each_row(*rows, convert) : rc;
}

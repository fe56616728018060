// The Get/Set data request object: the one tool through which the device
// readers talk to a device.
//
//   IPmcGetData* request = pmc_create_get_data(&err);
//   request->set_community("public");                  // optional
//   request->init("192.0.2.7", 1, 161, 0, &usm, 1000, 2, 0);
//   request->add_oid_string("1.3.6.1.2.1.43.8.2.1.2", false);   // columns...
//   request->get_data(rows, "1.3.6.1.2.1.43.8.2.1.2");  // ...walked as rows
//   request->release();
//
// The object builds a PDU from the added identifiers, hands it with the
// chosen target to a session dispatcher and turns the answer into what the
// reader asked for: one integer, several integers, one text, or a whole
// table as a list of rows (one response PDU per table index, columns in the
// order they were added). Each operation runs on a dispatcher of its own;
// the PDU holds the last answer afterwards.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/pmc_object_list.h"
#include "request/pmc_snmp_request.h"
#include "request/pmc_table_walk.h"

// Size of the caller's buffer for the text form of get_data, terminator
// included.
constexpr size_t PMC_GET_DATA_TEXT_SIZE = 256;
// A walk fails with PMC_E_WALK_LIMIT rather than gather more rows than
// this: no printer table comes near it, and it bounds a walk's memory.
constexpr size_t PMC_WALK_ROW_LIMIT = 10000;
// GetBulk walks (SNMPv2c and SNMPv3): the max-repetitions a walk starts
// with unless told otherwise, and the largest a caller may choose.
constexpr int32_t PMC_BULK_REPETITIONS_DEFAULT = 25;
constexpr int32_t PMC_BULK_REPETITIONS_MAX = 100;
// A GetBulk asks for at most about this many bindings (columns times
// repetitions): an answer of a few kilobytes, a handful of IP fragments.
constexpr size_t PMC_BULK_BINDINGS = 256;

// One binding of a single GetNext answer: the name the device answered
// with and its value's display text (both cut to PMC_GET_DATA_TEXT_SIZE - 1
// characters). `present` is false for an exception value (endOfMibView,
// noSuchObject, noSuchInstance): the device has nothing beyond the name
// asked.
struct PmcNextBinding {
  char oid[PMC_GET_DATA_TEXT_SIZE];
  char text[PMC_GET_DATA_TEXT_SIZE];
  bool present;
};

class IPmcGetData {
 public:
  virtual void release() = 0;
  // Copies the community (cut at 255 characters) for the next init.
  virtual int set_community(const char* community) = 0;
  // Device address, protocol (1 IPv4, 2 IPX, 4 IPv6), port, version (2:
  // SNMPv3 with `usm`, else SNMPv1 with the community), time-out in
  // milliseconds, retries and maximum message size (0: the protocol's).
  virtual int init(const char* address, int protocol, uint16_t port, int version, const PmcUsmSettings* usm,
                   int timeout, int retries, size_t max_message_size) = 0;
  // Requests `oid`, with the component 0 appended when `instance_zero`.
  virtual int add_oid_string(const char* oid, bool instance_zero) = 0;
  // Requests `oid`.`suffix` with the INTEGER `value` (for set_data).
  virtual int add_oid_string(const char* oid, const char* suffix, int32_t value) = 0;
  // Sends the bindings as a SetRequest. -7 when the device refuses the write
  // (any non-zero error-status).
  virtual int set_data() = 0;
  // Walks the columns added (the first rooted at `root_oid`) with
  // GetNextRequests; appends one row per table index of any column to
  // `rows`, which adopts them. A cell a row lacks has a noSuchInstance
  // value. PMC_E_WALK_STUCK when the device's answer does not advance,
  // PMC_E_WALK_LIMIT past PMC_WALK_ROW_LIMIT rows.
  virtual int get_data(IPmsPduList* rows, const char* root_oid) = 0;
  // One Get: the first value's display text into `text_out`, which holds
  // PMC_GET_DATA_TEXT_SIZE bytes (longer texts are cut). -7 when the device
  // answered with an error-status (it has no value to give).
  virtual int get_data(char* text_out) = 0;
  // One Get: `count` integers (-1 for a value that is not an INTEGER, and
  // for every value of an answer with an error-status); -7 when fewer came
  // back.
  virtual int get_data(int32_t* values, int count) = 0;
  // One Get: the first integer (-1 for a value that is not an INTEGER).
  virtual int get_data(int32_t* value) = 0;
  // The protocol of an address text, from the address service.
  virtual int get_protocol_of(const char* address, int* protocol) = 0;
  // The SNMP version of community-based requests from the next init on:
  // PMS_VERSION_V1 (the default) or PMS_VERSION_V2C; -2 for any other.
  // An SNMPv3 request (version 2 at init) is not touched by it.
  virtual int set_community_version(int32_t version) = 0;
  // One Get of the bindings added: the answer itself, error-status and
  // all, handed to `*answer` (the caller releases it).
  virtual int get_answer(IPmsPdu** answer) = 0;
  // Takes `answer` (adopted) as the device's answer to the next Get, which
  // then sends nothing: an answer gathered beforehand with the answers of
  // other Gets goes through the same conversion as its own would.
  virtual int use_answer(IPmsPdu* answer) = 0;
  // The max-repetitions GetBulk walks start with (1 to
  // PMC_BULK_REPETITIONS_MAX), or 0 for GetNext walks; -2 for any other.
  // SNMPv1 always walks with GetNext.
  virtual int set_bulk_repetitions(int32_t repetitions) = 0;
  // Walks several tables at once: the columns added form `group_count`
  // groups of `group_sizes[g]` consecutive columns, each group a table
  // joined by index and rooted at its first column; each group's rows are
  // appended to `rows[g]`, which adopts them. The columns of every group
  // still in the walk go side by side in each request. Codes as for the
  // walk of one table.
  virtual int get_tables(const size_t* group_sizes, size_t group_count, IPmsPduList* const* rows) = 0;
  // One GetNext of the bindings added, without walking on: the answer's
  // first `count` bindings into `out`. -7 when the device answered with an
  // error-status (SNMPv1: noSuchName past its last object) or with fewer
  // bindings.
  virtual int get_next_data(PmcNextBinding* out, int count) = 0;
  // One GetNext of the bindings added, without walking on: the answer
  // itself, error-status and all, handed to `*answer` (the caller releases
  // it), so that the caller can read every binding's value as it came.
  virtual int get_next_answer(IPmsPdu** answer) = 0;

 protected:
  virtual ~IPmcGetData() = default;
};

// A request object with community "public" and nothing else; -3 when memory
// is exhausted.
IPmcGetData* pmc_create_get_data(int* err);

class CPmcGetData final : public CPmcSnmpRequest<IPmcGetData> {
 public:
  int add_oid_string(const char* oid, bool instance_zero) override { return add_request_oid(oid, instance_zero); }
  int add_oid_string(const char* oid, const char* suffix, int32_t value) override;
  int set_data() override;
  int get_data(IPmsPduList* rows, const char* root_oid) override;
  int get_data(char* text_out) override;
  int get_data(int32_t* values, int count) override;
  int get_data(int32_t* value) override;
  int get_next_data(PmcNextBinding* out, int count) override;
  int get_next_answer(IPmsPdu** answer) override;
  int set_bulk_repetitions(int32_t repetitions) override;
  int get_answer(IPmsPdu** answer) override;
  int use_answer(IPmsPdu* answer) override;
  int get_tables(const size_t* group_sizes, size_t group_count, IPmsPduList* const* rows) override;

 private:
  // Runs `walk` to its end, handing every row that is ready to
  // `take_rows(walk, &count)`, which counts the rows it took.
  template <class TakeRows>
  int run_walk(PmcTableWalk& walk, TakeRows&& take_rows);
  // Whether walks of this request may use GetBulk.
  bool bulk_allowed() const;

  int32_t m_nBulkRepetitions = PMC_BULK_REPETITIONS_DEFAULT;
  // The answer the next Get takes instead of asking (use_answer).
  PmcPtr<IPmsPdu> m_pPreparedAnswer;
  // Sends the PDU as `type` on a dispatcher of its own; the answer replaces
  // the PDU's content.
  int exchange(int32_t type);
  int exchange_for_answer(int32_t type, IPmsPdu** answer);
};

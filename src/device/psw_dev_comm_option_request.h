// The exchanges of the option readers: each is one exchange
// (device/psw_exchange.h) made for the reader's device, with the reader's
// community and SNMPv3 settings, running one Get or one table walk. A
// walked row is read with PSWRowReader, like the status readers' rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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

// One object a reader GETs: its name and whether ".0" is appended.
struct PSWOptionObject {
  const char* oid;
  bool instanceZero;
};

// The columns of one table a reader walks, rooted at the first.
struct PSWOptionTable {
  const char* const* columns;
  size_t count;
};

// Gathers the single Gets and the table walks of one reader: while it
// lives, the exchanges of psw_option_get_text/_int/_ints and
// psw_option_walk of that reader on this thread take what was gathered
// before instead of asking:
// - gather_gets() reads every object with one Get (split only where the
//   message size demands); each Get's answer is converted as its own
//   would be;
// - gather_walks() walks every table at once, their columns side by side
//   in each request; each walk converts its table's rows, which are those
//   of its own walk.
// What was not gathered is asked on its own as before; so is everything of
// a gathering that failed: a Get the device refused with an error-status
// (SNMPv1 refuses all for one missing object), or a walk that did not end
// well.
class PSWOptionGathering {
 public:
  explicit PSWOptionGathering(const CPSWDevCommOption& reader);
  ~PSWOptionGathering();
  PSWOptionGathering(const PSWOptionGathering&) = delete;
  PSWOptionGathering& operator=(const PSWOptionGathering&) = delete;

  // One Get of `count` objects; their answers are kept. A refusal keeps
  // nothing: the readers then ask on their own. Returns the exchange's
  // result (0 also for a refusal), so that a device that cannot be reached
  // is not asked once more by the first reader.
  int gather_gets(const PSWOptionObject* objects, size_t count);
  // One walk of `count` tables at once; each table's rows are kept. A
  // failure keeps nothing; its result is returned as gather_gets() does.
  int gather_walks(const PSWOptionTable* tables, size_t count);
  // The answer kept for every object of `objects`, in order (null when
  // any is missing): a Response PDU of their bindings.
  PmcPtr<IPmsPdu> answer_for(const PSWOptionObject* objects, size_t count) const;
  // The rows kept for the table of exactly `columns` (null when none are):
  // handed out once, as a walk's rows are.
  PmcPtr<IPmsPduList> take_rows(const char* const* columns, size_t count);
  // The gathering of `reader` on this thread, or null.
  static PSWOptionGathering* active_for(const CPSWDevCommOption& reader);

 private:
  struct KeptTable {
    PSWOptionTable table;
    PmcPtr<IPmsPduList> rows;
  };
  const CPSWDevCommOption& m_reader;
  PSWOptionGathering* m_pOuter;
  std::vector<std::pair<std::string, PmcPtr<IPmcVarBind>>> m_answers;
  std::vector<KeptTable> m_tables;
};

// hrDeviceIndex values of the units that call for further option objects.
constexpr int kPswFaxUnitIndex = 104;
constexpr int kPswBookletUnitIndex = 124;

// The units of a device that call for further option objects.
struct PSWOptionUnits {
  bool fax = false;
  bool booklet = false;
};
// Gathers the single Gets of the option refresh: with `units` null, those
// every device is asked; else those the units call for.
// The exchange's result: a device that cannot be reached (time-out, socket
// or security failure) ends the refresh with it, as its next Get would.
int psw_gather_option_gets(PSWOptionGathering& gathering, const PSWOptionUnits* units);
// Gathers the walks of the option refresh's four tables (devices, input
// and output trays, media paths); results as above.
int psw_gather_option_walks(PSWOptionGathering& gathering);
// Gathers what the refresh of a device of another model reads, standard
// objects only: sysName and memory size, then the input and output tray
// and media path tables; results as above.
int psw_gather_standard_options(PSWOptionGathering& gathering);
// Whether a gathering's result ends the refresh.
bool psw_option_unreachable(int rc);

// The readers' usual exchanges in one call each: open, add the OIDs (with
// ".0" when `instanceZero`), then one Get or one walk rooted at the first.
// A text the device does not have leaves `out` as it was.
int psw_option_get_text(const CPSWDevCommOption& reader, const char* oid, bool instanceZero,
                        char (&out)[PMC_GET_DATA_TEXT_SIZE], bool logFailure = true);
int psw_option_get_int(const CPSWDevCommOption& reader, const char* oid, bool instanceZero, int32_t* value);
int psw_option_get_ints(const CPSWDevCommOption& reader, const char* const* oids, int count, int32_t* values);

// The rows gathered for the reader's table of exactly `columns`, or null.
PmcPtr<IPmsPduList> psw_gathered_option_rows(const CPSWDevCommOption& reader, const char* const* columns,
                                             size_t count);

// Walks the table of `columns` (or takes its gathered rows) and calls
// visit(PSWRowReader&) for each row in order.
template <size_t N, class Visit>
int psw_option_walk(const CPSWDevCommOption& reader, const char* const (&columns)[N], Visit visit) {
  auto convert = [&visit](PSWRowReader& row) {
    visit(row);
    return PMC_OK;
  };
  if (PmcPtr<IPmsPduList> rows = psw_gathered_option_rows(reader, columns, N)) return psw_for_each_row(*rows, convert);
  PSWOptionRequest request(reader);
  int rc = request.open();
  if (rc != PMC_OK) return rc;
  return request.walk_columns(columns, N, convert);
}

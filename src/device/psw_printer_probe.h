// The printer test of devices of other models: one GetNext that tells
// whether a device has a Printer MIB and gives the text it describes
// itself with.
//
// The request asks, in one GetNext, for what follows
//   sysDescr               1.3.6.1.2.1.1.1
//   hrPrinterStatus        1.3.6.1.2.1.25.3.5.1.1   (hrPrinterTable)
//   printmib               1.3.6.1.2.1.43           (the Printer MIB)
// The device is a printer when the answer to the second name lies below
// hrPrinterStatus (it has a printer row) or the answer to the third below
// the Printer MIB: any object of it counts, since real printers' agents
// may have Printer MIB tables without a prtGeneralTable or hrPrinterTable
// row. Its description is sysDescr.0 when the
// first answer is that object, else empty. An answer with an error-status
// (an SNMPv1 device with nothing beyond one of the names) vouches for
// nothing, so such a device counts as no printer.
#pragma once

#include "device/psw_exchange.h"
#include "request/pmc_get_data.h"

struct PSWPrinterProbe {
  bool printer = false;
  char description[PMC_GET_DATA_TEXT_SIZE] = {};  // sysDescr.0, cut to 255 characters
};

// Adds the three names to an opened exchange and sends the GetNext. 0 with
// `out` filled (a refused answer gives printer false); request failures
// (time-out, ...) pass through and leave `out` as it was.
int psw_probe_printer(PSWExchange& exchange, PSWPrinterProbe* out);

// Whether `oid` lies strictly below `prefix` (it begins with the prefix and
// goes on with '.').
bool psw_oid_strictly_below(const char* oid, const char* prefix);

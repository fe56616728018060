// Result codes shared by every layer of the library. 0 is success; every
// failure is a negative code, and the same integers reach the C interface.
#pragma once

enum PmcResult : int {
  PMC_OK = 0,
  PMC_E_FAIL = -1,          // generic failure (conversion, option, split left bindings)
  PMC_E_ARG = -2,           // null or unacceptable argument, text that does not parse
  PMC_E_NOMEM = -3,         // memory exhausted
  PMC_E_NOINTERFACE = -4,   // query by identifier text found no interface
  PMC_E_UNSUPPORTED = -5,   // operation not supported by this object or version
  PMC_E_NOTFOUND = -6,      // name not found / operation refused by a group
  PMC_E_NOVALUE = -7,       // device returned no value, or refused a write
  PMC_E_EMPTY = -8,         // element asked of an empty OID; no device opened
  PMC_E_PLATFORM = -10,     // platform library missing or failed to start
  PMC_E_INDEX = -11,        // index beyond the table read last
  PMC_E_SNMPLIB = -200,     // SNMP library error without a mapping
  PMC_E_SOCKET = -201,      // socket creation failed
  PMC_E_BIND = -202,        // binding failed
  PMC_E_TIMEOUT = -203,     // no answer within the time-out
  PMC_E_RECEIVE = -204,     // select or recvfrom failed
  PMC_E_SEND = -205,        // sendto failed
  PMC_E_TOOBIG = -210,      // the answer said tooBig
  PMC_E_OVERFLOW = -211,    // the message does not fit the buffer
  PMC_E_NOSPLIT = -212,     // the request cannot be split any further
  PMC_E_SECURITY = -214,    // SNMPv3 security error
  PMC_E_MALFORMED = -250,   // malformed message
  PMC_E_OTHER_REQUEST = -251,  // datagram answers another request-id
  PMC_E_NO_PDU_TYPE = -299,    // response command without a PDU type
  PMC_E_BAD_INDEX = -401,   // index sub-identifiers do not form a value
  PMC_E_WALK_STUCK = -402,  // a table walk's answer did not advance beyond the name asked
  PMC_E_WALK_LIMIT = -403,  // a table walk reached its row limit before the table ended
};

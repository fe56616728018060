// Conversions the status readers apply to the values a device returns:
// object-identifier values mapped to small type numbers, octet values laid
// out as the status records expect, and the table-index text of a job
// cancel. None of them touches the network.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// One run of a mapping table: the identifiers "<base>.<first>" to
// "<base>.<last>" give the numbers first to last.
struct PSWOidRange {
  const char* base;
  int32_t first;
  int32_t last;
};

// A mapping table: its runs are tried in order.
struct PSWOidMap {
  const PSWOidRange* ranges;
  size_t count;
};

// hrStorageType: 1.3.6.1.2.1.25.2.1.1 to .8 give 1 to 8.
extern const PSWOidMap kPSWStorageTypes;
// hrDeviceType: the Host Resources types 1-6 and 10-21 and the maker's
// device types 101-109, 151-154 and 201-207.
extern const PSWOidMap kPSWDeviceTypes;
// The maker's job types 1.3.6.1.4.1.32473.8.58.2.1 to .12.
extern const PSWOidMap kPSWJobTypes;

// The number of the first entry of `map` whose identifier text equals
// `text` exactly; 0 when none does (also for a null text). An identifier
// with a further sub-identifier, a leading zero or any other spelling is
// therefore not an entry.
int32_t psw_map_oid(const PSWOidMap& map, const char* text);

// The first four octets of `octets` as a little-endian 32-bit number: the
// first octet in the lowest-addressed byte. Missing octets count as 0.
int32_t psw_octets_le32(const unsigned char* octets, size_t length);

// A DateAndTime value as year, month, day, hour, minutes, seconds: the year
// from octets 1 and 2 (big-endian), the others one octet each. Missing
// octets give 0; octets after the seventh are ignored.
void psw_date_and_time(const unsigned char* octets, size_t length, uint16_t out[6]);

// The table-index suffix that names job `id` in the cancel column:
// "101", the number of characters, then each character's code, joined by
// dots ("101.3.65.66.67" for "ABC"). A null id counts as empty ("101.0").
std::string psw_cancel_suffix(const char* id);

// Dotted text of an object identifier made of `base` and further
// sub-identifiers. Signed numbers are written as their unsigned 32-bit
// pattern, the way a table index carries an INTEGER, so the result is
// always a well-formed identifier.
std::string psw_oid_with(const char* base, uint32_t a, uint32_t b);
std::string psw_oid_with(const char* base, uint32_t a, uint32_t b, uint32_t c);

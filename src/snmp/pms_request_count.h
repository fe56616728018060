// The number of SNMP requests the calling thread has sent: every datagram
// of a request to a device (retries, the parts of a split request, engine
// discovery and searches included). Each thread counts its own, so that a
// caller that runs one device's read on a thread can tell what the read
// cost by the difference of two readings; the count wraps past 2^32 - 1.
#pragma once

#include <cstdint>

// Counts one request sent by the calling thread.
void pms_count_request();
// The requests the calling thread has sent so far.
uint32_t pms_thread_request_count();

#include "snmp/pms_request_count.h"

namespace {

thread_local uint32_t t_requests = 0;

}  // namespace

void pms_count_request() { ++t_requests; }

uint32_t pms_thread_request_count() { return t_requests; }

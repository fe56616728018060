// What the two backends of NPmcIpHelpAPI (pmc_iphelp_api_posix.cpp,
// pmc_iphelp_api_win.cpp) share.
#pragma once

#include <cstddef>
#include <cstdint>

namespace NPmcIpHelpAPI {

// Binds the optional entry point `name` of `module` into `*slot`; a missing
// one is logged and leaves the slot null.
void* bind_optional_entry(void* module, const char* name);

template <class Fn>
void bind_optional(void* module, const char* name, Fn* slot) {
  *slot = reinterpret_cast<Fn>(bind_optional_entry(module, name));
}

// The first half of the buffer protocol, shared by both queries: reports in
// `*size` what `count` records of `record` bytes need and tells whether the
// caller's buffer takes them (PMC_NO_ERROR), is missing or too small
// (PMC_ERROR_BUFFER_OVERFLOW), or there is no record (PMC_ERROR_NO_DATA).
uint32_t check_buffer(size_t count, size_t record, const void* buffer, uint32_t* size);

}  // namespace NPmcIpHelpAPI

// --verbose: the library's log lines on standard error. Each repetition of
// the flag lets one more level through (errors and warnings, then
// information, debug, and everything).
#pragma once

namespace pswctl {

// The level mask for `count` repetitions of --verbose (0: nothing).
unsigned verbose_level_mask(int count);
// Routes every category of the library to standard error with that mask;
// does nothing for a count of 0.
void enable_library_log(int count);

}  // namespace pswctl

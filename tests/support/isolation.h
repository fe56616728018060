// Guard that keeps every test inside a private network namespace.
#pragma once
#include <string>

namespace psw_test {

// True when the calling process sees no network interface but loopback,
// which is what a fresh network namespace looks like. `why` names the first
// other interface found.
bool only_loopback_visible(std::string* why);

}  // namespace psw_test

// The option keys the option reader answers, with their kinds, and the
// read of all of them through the C interface after a refresh.
#pragma once

#include <nlohmann/json.hpp>

#include <vector>

#include "device/psw_dev_comm_option_keys.h"
#include "psw/psw.h"

namespace pswctl {

// The reader's own key list (device/psw_dev_comm_option_keys.h).
using OptionKind = PSWOptionKind;
using OptionKey = PSWOptionKeyInfo;

// Every key, in the reader's order: yes/no keys, integer keys, text keys.
inline const std::vector<OptionKey>& option_keys() { return psw_option_keys(); }

// Reads every key of the refreshed options of the opened device:
// {"options": {key: value, ...}, "inputTrays": [{key: value, ...}, ...]}.
// A key the device's reader does not answer is left out; any other failure
// throws PswError.
nlohmann::json read_option_keys(PSWHANDLE handle);

}  // namespace pswctl

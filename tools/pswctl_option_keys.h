// The option keys the option reader answers, with their kinds, and the
// read of all of them through the C interface after a refresh.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "device/psw_dev_comm_option_keys.h"
#include "psw/psw.h"

namespace pswctl {

// The reader's own key list (device/psw_dev_comm_option_keys.h).
using OptionKind = PSWOptionKind;
using OptionKey = PSWOptionKeyInfo;

// Every key, in the reader's order: yes/no keys, integer keys, text keys.
inline const std::vector<OptionKey>& option_keys() { return psw_option_keys(); }

// The JSON name of a key: the key in camelCase ("PrinterRomVersion" is
// "printerRomVersion", "FAXUnit" is "faxUnit"), as every other name the
// tool writes.
std::string json_name(const char* key);

// Reads every key of the refreshed options of the opened device:
// {"options": {name: value, ...}, "inputTrays": [{name: value, ...}, ...]},
// names as json_name gives them, texts converted from `charset`; a tray's
// coded values also by name ("inputTrayTypeName", "inputTrayMediaSizeName",
// "inputTrayMediaDirectionName").
// A key the device's reader does not answer is left out; any other failure
// throws PswError.
nlohmann::json read_option_keys(PSWHANDLE handle, int32_t charset);

}  // namespace pswctl

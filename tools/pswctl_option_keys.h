// The option keys the option reader answers, with their kinds, and the
// read of all of them through the C interface after a refresh.
#pragma once

#include <nlohmann/json.hpp>

#include <vector>

#include "psw/psw.h"

namespace pswctl {

enum class OptionKind { kBoolean, kInteger, kString };

struct OptionKey {
  const char* key;
  OptionKind kind;
  bool perTray;  // answered per input tray index (0 to "NumberOfInputTray" - 1)
};

// Every key, in the reader's order: yes/no keys, integer keys, text keys.
const std::vector<OptionKey>& option_keys();

// Reads every key of the refreshed options of the opened device:
// {"options": {key: value, ...}, "inputTrays": [{key: value, ...}, ...]}.
// A key the device's reader does not answer is left out; any other failure
// throws PswError.
nlohmann::json read_option_keys(PSWHANDLE handle);

}  // namespace pswctl

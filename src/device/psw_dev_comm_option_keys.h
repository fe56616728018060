// The list of the option keys the option reader answers, for programs that
// read every option (the command-line tool). It is made from the reader's
// own key tables, so it names exactly the keys get_option knows.
#pragma once

#include <vector>

// Which get_option overload answers a key.
enum class PSWOptionKind { kBoolean, kInteger, kString };

struct PSWOptionKeyInfo {
  const char* key;
  PSWOptionKind kind;
  bool perTray;  // answered per input tray index (0 to "NumberOfInputTray" - 1)
  // Read from standard tables only (system group, Host Resources memory,
  // the Printer MIB's input, output and media path tables), with their
  // standard meaning: answered for a device of any model. Every other key
  // depends on the supported maker's device numbering or private MIB.
  bool standard;
};

// Every key, in the reader's order: yes/no keys, integer keys, text keys.
const std::vector<PSWOptionKeyInfo>& psw_option_keys();

// Whether `key` is one of the standard keys above (false for null and for
// texts that are no key).
bool psw_option_key_is_standard(const char* key);

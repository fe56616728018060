// The SNMPv3 settings block of the Ex functions for a test user with SHA
// authentication and AES privacy (the user the test agents are given).
#pragma once

#include <cstring>

#include "agent/snmpd_agent.h"
#include "psw/psw.h"

namespace api_test {

inline PSWUSMSettings sha_aes_block(const psw_test::UsmUser& user) {
  PSWUSMSettings block;
  std::memset(&block, 0, sizeof block);
  std::strncpy(block.userName, user.name.c_str(), sizeof block.userName - 1);
  block.securityLevel = PSW_USM_AUTH_PRIV;
  block.authProtocol = PSW_USM_AUTH_HMAC_SHA;
  block.privProtocol = PSW_USM_PRIV_AES;
  std::strncpy(block.authPassPhrase, user.auth_passphrase.c_str(), sizeof block.authPassPhrase - 1);
  std::strncpy(block.privPassPhrase, user.priv_passphrase.c_str(), sizeof block.privPassPhrase - 1);
  return block;
}

}  // namespace api_test

#include "api/api_test_support.h"

#include <cstdio>
#include <cstring>

#include "device/psw_dev_comm_option_keys.h"

namespace api_test {

std::map<std::string, std::string> every_option(PSWHANDLE h, const char* unwritten) {
  std::map<std::string, std::string> out;
  int32_t trays = 0;
  EXPECT_EQ(PSWGetOptionValueInteger(h, "NumberOfInputTray", 0, &trays), 0);
  for (const PSWOptionKeyInfo& k : psw_option_keys()) {
    for (int32_t i = 0; i < (k.perTray ? trays : 1); ++i) {
      std::string key = std::string(k.key) + "[" + std::to_string(i) + "]";
      uint16_t index = static_cast<uint16_t>(i);
      if (k.kind == PSWOptionKind::kBoolean) {
        int16_t v = -1;
        int32_t rc = PSWGetOptionValueBoolean(h, k.key, index, &v);
        out[key] = std::to_string(rc) + ": " + std::to_string(v);
      } else if (k.kind == PSWOptionKind::kInteger) {
        int32_t v = -1;
        int32_t rc = PSWGetOptionValueInteger(h, k.key, index, &v);
        out[key] = std::to_string(rc) + ": " + std::to_string(v);
      } else {
        char v[PSW_OPTION_TEXT_SIZE] = {};
        std::snprintf(v, sizeof v, "%s", unwritten);
        int32_t rc = PSWGetOptionValueString(h, k.key, index, v);
        out[key] = std::to_string(rc) + ": " + std::string(v, strnlen(v, sizeof v));
      }
    }
  }
  return out;
}

}  // namespace api_test

#include "pswctl_option_keys.h"

#include <string>

#include "pswctl_device.h"
#include "pswctl_text.h"

namespace pswctl {

namespace {

// The value of one key at one index; null when the reader does not know
// the key.
nlohmann::json read_key(PSWHANDLE handle, const OptionKey& k, uint16_t index) {
  int32_t rc = PSW_OK;
  nlohmann::json value;
  switch (k.kind) {
    case OptionKind::kBoolean: {
      int16_t v = 0;
      rc = PSWGetOptionValueBoolean(handle, k.key, index, &v);
      value = v != 0;
      break;
    }
    case OptionKind::kInteger: {
      int32_t v = 0;
      rc = PSWGetOptionValueInteger(handle, k.key, index, &v);
      value = v;
      break;
    }
    case OptionKind::kString: {
      char buffer[PSW_OPTION_TEXT_SIZE] = {};
      rc = PSWGetOptionValueString(handle, k.key, index, buffer);
      value = device_text(buffer);
      break;
    }
  }
  if (rc == PSW_ERR_UNSUPPORTED) return nullptr;
  if (rc != PSW_OK) throw PswError(rc, std::string("option ") + k.key);
  return value;
}

}  // namespace

nlohmann::json read_option_keys(PSWHANDLE handle) {
  nlohmann::json options = nlohmann::json::object();
  for (const OptionKey& k : option_keys()) {
    if (k.perTray) continue;
    nlohmann::json v = read_key(handle, k, 0);
    if (!v.is_null()) options[k.key] = std::move(v);
  }
  const int32_t trays = options.value("NumberOfInputTray", 0);
  nlohmann::json perTray = nlohmann::json::array();
  for (int32_t i = 0; i < trays && i <= UINT16_MAX; ++i) {
    nlohmann::json tray = nlohmann::json::object();
    for (const OptionKey& k : option_keys()) {
      if (!k.perTray) continue;
      nlohmann::json v = read_key(handle, k, static_cast<uint16_t>(i));
      if (!v.is_null()) tray[k.key] = std::move(v);
    }
    perTray.push_back(std::move(tray));
  }
  return {{"options", std::move(options)}, {"inputTrays", std::move(perTray)}};
}

}  // namespace pswctl

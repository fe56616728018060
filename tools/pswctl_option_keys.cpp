#include "pswctl_option_keys.h"

#include <cctype>
#include <string>

#include "pswctl_device.h"
#include "pswctl_charset.h"
#include "pswctl_names.h"

namespace pswctl {

namespace {

// The value of one key at one index; null when the reader does not know
// the key.
nlohmann::json read_key(PSWHANDLE handle, const OptionKey& k, uint16_t index, int32_t charset) {
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
      value = text_from_charset(buffer, sizeof buffer, charset);
      break;
    }
  }
  if (rc == PSW_ERR_UNSUPPORTED) return nullptr;
  if (rc != PSW_OK) throw PswError(rc, std::string("option ") + k.key);
  return value;
}

// The names of a tray's coded values beside their numbers: the Printer
// MIB's input type, the size of the media by its dimensions (micrometres,
// the only unit the option reader reports them in) and the feed direction.
void add_tray_names(nlohmann::json& tray) {
  auto number = [&](const char* key) -> const nlohmann::json* {
    auto it = tray.find(json_name(key));
    return it != tray.end() && it->is_number_integer() ? &*it : nullptr;
  };
  if (const nlohmann::json* type = number("InputTrayType"); type != nullptr && type->get<int32_t>() >= 0)
    tray["inputTrayTypeName"] = input_type_name(type->get<int32_t>());
  const nlohmann::json* feed = number("InputTrayMediaDimFeedDirChosen");
  const nlohmann::json* cross = number("InputTrayMediaDimXFeedDirChosen");
  if (number("InputTrayMediaSize") != nullptr && feed != nullptr && cross != nullptr) {
    constexpr int32_t kMicrometres = 4;
    const MediaSize size = media_size(kMicrometres, feed->get<int32_t>(), cross->get<int32_t>());
    if (!size.name.empty()) tray["inputTrayMediaSizeName"] = size.name;
  }
  if (const nlohmann::json* direction = number("InputTrayMediaDirection"); direction != nullptr)
    tray["inputTrayMediaDirectionName"] = media_direction_name(direction->get<int32_t>());
}

}  // namespace

std::string json_name(const char* key) {
  std::string name = key;
  size_t capitals = 0;
  while (capitals < name.size() && std::isupper(static_cast<unsigned char>(name[capitals]))) ++capitals;
  // An acronym before a word keeps the word's capital: "FAXUnit" is "faxUnit".
  const size_t lower = capitals > 1 && capitals < name.size() ? capitals - 1 : capitals;
  for (size_t i = 0; i < lower; ++i) name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
  return name;
}

nlohmann::json read_option_keys(PSWHANDLE handle, int32_t charset) {
  nlohmann::json options = nlohmann::json::object();
  for (const OptionKey& k : option_keys()) {
    if (k.perTray) continue;
    nlohmann::json v = read_key(handle, k, 0, charset);
    if (!v.is_null()) options[json_name(k.key)] = std::move(v);
  }
  const int32_t trays = options.value(json_name("NumberOfInputTray"), 0);
  nlohmann::json perTray = nlohmann::json::array();
  for (int32_t i = 0; i < trays && i <= UINT16_MAX; ++i) {
    nlohmann::json tray = nlohmann::json::object();
    for (const OptionKey& k : option_keys()) {
      if (!k.perTray) continue;
      nlohmann::json v = read_key(handle, k, static_cast<uint16_t>(i), charset);
      if (!v.is_null()) tray[json_name(k.key)] = std::move(v);
    }
    add_tray_names(tray);
    perTray.push_back(std::move(tray));
  }
  return {{"options", std::move(options)}, {"inputTrays", std::move(perTray)}};
}

}  // namespace pswctl

#include "pswctl_option_keys.h"

#include <cstring>
#include <string>

#include "pswctl_device.h"

namespace pswctl {

const std::vector<OptionKey>& option_keys() {
  using K = OptionKind;
  static const std::vector<OptionKey> keys = {
      {"Scanner", K::kBoolean, false},
      {"Copier", K::kBoolean, false},
      {"FAXUnit", K::kBoolean, false},
      {"HardDisk", K::kBoolean, false},
      {"DuplexModule", K::kBoolean, false},
      {"OffsetCatch", K::kBoolean, false},
      {"InTrayMSI", K::kBoolean, false},
      {"InTrayEx2", K::kBoolean, false},
      {"InTrayEx2HCF", K::kBoolean, false},
      {"OutTrayOffsetCatch", K::kBoolean, false},
      {"OutTrayCenter2", K::kBoolean, false},
      {"Finisher", K::kBoolean, false},
      {"FinisherStaple", K::kBoolean, false},
      {"FinisherPunch", K::kBoolean, false},
      {"FinisherPunchHole2", K::kBoolean, false},
      {"FinisherPunchHole3", K::kBoolean, false},
      {"FinisherPunchHole4", K::kBoolean, false},
      {"FinisherBooklet", K::kBoolean, false},
      {"FAXISDNG4Kit", K::kBoolean, false},
      {"FAXLineSwitchKit", K::kBoolean, false},
      {"OutTrayHCCT", K::kBoolean, false},
      {"MemorySizeInKByte", K::kInteger, false},
      {"MemorySizeInMByte", K::kInteger, false},
      {"FAXMaxSpeedDial", K::kInteger, false},
      {"FAXType", K::kInteger, false},
      {"NumberOfInputTray", K::kInteger, false},
      {"InputTrayIndex", K::kInteger, true},
      {"InputTrayType", K::kInteger, true},
      {"InputTrayMaxCapacityInSheets", K::kInteger, true},
      {"InputTrayCurrentLevelInPercent", K::kInteger, true},
      {"InputTrayMediaSize", K::kInteger, true},
      {"InputTrayMediaDirection", K::kInteger, true},
      {"InputTrayMediaDimFeedDirChosen", K::kInteger, true},
      {"InputTrayMediaDimXFeedDirChosen", K::kInteger, true},
      {"PrinterRomVersionMajor", K::kInteger, false},
      {"PrinterRomVersionMinor", K::kInteger, false},
      {"PrinterRomVersionRevision", K::kInteger, false},
      {"PaperSizeGroupSetting", K::kInteger, false},
      {"PaperSize8KSetting", K::kInteger, false},
      {"FinisherBookletImpression", K::kInteger, false},
      {"FinisherType", K::kInteger, false},
      {"PrintLimitedColorSetting", K::kInteger, false},
      {"UserPromptSetting", K::kInteger, false},
      {"MinPasswordLength", K::kInteger, false},
      {"PrinterRomVersion", K::kString, false},
      {"SysName", K::kString, false},
      {"NetWareSAPUnitName", K::kString, false},
      {"InputTrayName", K::kString, true},
      {"InputTrayDescription", K::kString, true},
      {"InputTrayMediaType", K::kString, true},
  };
  return keys;
}

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
      value = std::string(buffer, strnlen(buffer, sizeof buffer));
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

// The option keys: every get_option overload answers from the data of the
// last refresh by looking its key up in a table. Keys are compared exactly.
#include <cstring>

#include "psw/psw_options.hpp"

namespace {

// hrDeviceIndex values of the maker's optional units.
enum DeviceIndex : int {
  kHardDisk = 11,
  kScanner = 102,
  kCopier = 103,
  kFaxUnit = 104,
  kTrayEx2 = 116,
  kFinisherStaple = 121,
  kPunch2Hole = 122,
  kBookletUnit = 124,
  kPunch3Hole = 128,
  kPunch4Hole = 129,
  kOffsetCatchTray = 132,
  kTrayEx2HighCapacity = 135,
  kFinisherA = 137,
  kFinisherB = 162,
  kHighCapacityTray = 164,
};

using Tray = CPSWDevCommOption::SInputTrayEntry;

// One key of an overload: it reads either the reader as a whole (`read`) or
// one input tray chosen by the index (`readTray`).
template <class T>
struct OptionKey {
  const char* key;
  T (*read)(const CPSWDevCommOption&);
  T (*readTray)(const Tray&) = nullptr;
};

// Answers `key` from `table`: -5 when the key is not there, -11 for a tray
// key whose index is negative or not below the tray count.
template <class T, size_t N>
int32_t answer(const OptionKey<T> (&table)[N], const char* key, const CPSWDevCommOption& reader,
               const Tray* trays, int32_t trayCount, int index, T* out) {
  for (const OptionKey<T>& k : table) {
    if (std::strcmp(k.key, key) != 0) continue;
    if (k.read != nullptr) {
      *out = k.read(reader);
      return PSW_OK;
    }
    if (index < 0 || index >= trayCount) return PSW_ERR_INDEX;
    *out = k.readTray(trays[index]);
    return PSW_OK;
  }
  return PSW_ERR_UNSUPPORTED;
}

}  // namespace

int32_t CPSWDevCommOption::get_option(const char* key, bool* out, int) const {
  if (key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  // The index is not used: no yes/no key reads a tray.
  static const OptionKey<bool> kKeys[] = {
      {"Scanner", [](const CPSWDevCommOption& o) { return o.has_device_index(kScanner, nullptr); }},
      {"Copier", [](const CPSWDevCommOption& o) { return o.has_device_index(kCopier, nullptr); }},
      {"FAXUnit", [](const CPSWDevCommOption& o) { return o.has_device_index(kFaxUnit, nullptr); }},
      {"HardDisk", [](const CPSWDevCommOption& o) { return o.has_device_index(kHardDisk, nullptr); }},
      {"DuplexModule", [](const CPSWDevCommOption& o) { return o.m_bDuplexUnit; }},
      {"OffsetCatch", [](const CPSWDevCommOption& o) { return o.m_bOffsetStacking; }},
      {"InTrayMSI", [](const CPSWDevCommOption& o) { return o.m_bManualTray; }},
      {"InTrayEx2", [](const CPSWDevCommOption& o) { return o.has_device_index(kTrayEx2, nullptr); }},
      {"InTrayEx2HCF", [](const CPSWDevCommOption& o) { return o.has_device_index(kTrayEx2HighCapacity, nullptr); }},
      {"OutTrayOffsetCatch", [](const CPSWDevCommOption& o) { return o.has_device_index(kOffsetCatchTray, nullptr); }},
      {"OutTrayCenter2",
       [](const CPSWDevCommOption& o) {
         // A finisher takes the centre tray's place.
         bool finisher = o.has_device_index(kFinisherA, nullptr) || o.has_device_index(kFinisherB, nullptr);
         return !finisher && o.m_bCenterTrayMark;
       }},
      {"Finisher",
       [](const CPSWDevCommOption& o) {
         return o.has_device_index(kFinisherA, nullptr) || o.has_device_index(kFinisherB, nullptr);
       }},
      {"FinisherStaple", [](const CPSWDevCommOption& o) { return o.has_device_index(kFinisherStaple, nullptr); }},
      {"FinisherPunch",
       [](const CPSWDevCommOption& o) {
         return o.has_device_index(kPunch2Hole, nullptr) || o.has_device_index(kPunch3Hole, nullptr) ||
                o.has_device_index(kPunch4Hole, nullptr);
       }},
      {"FinisherPunchHole2", [](const CPSWDevCommOption& o) { return o.has_device_index(kPunch2Hole, nullptr); }},
      {"FinisherPunchHole3", [](const CPSWDevCommOption& o) { return o.has_device_index(kPunch3Hole, nullptr); }},
      {"FinisherPunchHole4", [](const CPSWDevCommOption& o) { return o.has_device_index(kPunch4Hole, nullptr); }},
      {"FinisherBooklet", [](const CPSWDevCommOption& o) { return o.has_device_index(kBookletUnit, nullptr); }},
      {"FAXISDNG4Kit", [](const CPSWDevCommOption& o) { return o.m_bISDNG4Kit; }},
      {"FAXLineSwitchKit", [](const CPSWDevCommOption& o) { return o.m_bLineSwitchKit; }},
      {"OutTrayHCCT", [](const CPSWDevCommOption& o) { return o.has_device_index(kHighCapacityTray, nullptr); }},
  };
  return answer(kKeys, key, *this, m_inputTrays, m_nInputTrayCount, 0, out);
}

int32_t CPSWDevCommOption::get_option(const char* key, int32_t* out, int index) const {
  if (key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  static const OptionKey<int32_t> kKeys[] = {
      {"MemorySizeInKByte", [](const CPSWDevCommOption& o) { return o.m_nMemorySizeKB; }, nullptr},
      {"MemorySizeInMByte", [](const CPSWDevCommOption& o) { return o.m_nMemorySizeKB / 1024; }, nullptr},
      {"FAXMaxSpeedDial", [](const CPSWDevCommOption& o) { return o.m_nFaxMaxSpeedDial; }, nullptr},
      {"FAXType", [](const CPSWDevCommOption& o) { return o.m_nFaxType; }, nullptr},
      {"NumberOfInputTray", [](const CPSWDevCommOption& o) { return o.m_nInputTrayCount; }, nullptr},
      {"InputTrayIndex", nullptr, [](const Tray& t) { return t.nNumber; }},
      {"InputTrayType", nullptr, [](const Tray& t) { return t.nType; }},
      {"InputTrayMaxCapacityInSheets", nullptr, [](const Tray& t) { return t.nMaxCapacityInSheets; }},
      {"InputTrayCurrentLevelInPercent", nullptr, [](const Tray& t) { return t.nCurrentLevelInPercent; }},
      {"InputTrayMediaSize", nullptr, [](const Tray& t) { return t.nMediaSize; }},
      {"InputTrayMediaDirection", nullptr, [](const Tray& t) { return t.nMediaDirection; }},
      {"InputTrayMediaDimFeedDirChosen", nullptr, [](const Tray& t) { return t.nMediaDimFeedDirChosen; }},
      {"InputTrayMediaDimXFeedDirChosen", nullptr,
       [](const Tray& t) { return t.nMediaDimXFeedDirChosen; }},
      {"PrinterRomVersionMajor", [](const CPSWDevCommOption& o) { return o.m_nRomVersionMajor; }, nullptr},
      {"PrinterRomVersionMinor", [](const CPSWDevCommOption& o) { return o.m_nRomVersionMinor; }, nullptr},
      {"PrinterRomVersionRevision", [](const CPSWDevCommOption& o) { return o.m_nRomVersionRevision; }, nullptr},
      {"PaperSizeGroupSetting", [](const CPSWDevCommOption& o) { return o.m_nPaperSizeGroup; }, nullptr},
      {"PaperSize8KSetting", [](const CPSWDevCommOption& o) { return o.m_nPaperSize8K; }, nullptr},
      {"FinisherBookletImpression", [](const CPSWDevCommOption& o) { return o.m_nBookletMaxImpressions; }, nullptr},
      {"FinisherType",
       [](const CPSWDevCommOption& o) -> int32_t {
         if (o.has_device_index(kFinisherA, nullptr)) return 6;
         if (o.has_device_index(kFinisherB, nullptr)) return 7;
         return 0;
       },
       nullptr},
      {"PrintLimitedColorSetting", [](const CPSWDevCommOption& o) { return o.m_nLimitedColorPrinting; }, nullptr},
      {"UserPromptSetting", [](const CPSWDevCommOption& o) { return o.m_nUserPrompt; }, nullptr},
      {"MinPasswordLength", [](const CPSWDevCommOption& o) { return o.m_nMinPasswordLength; }, nullptr},
  };
  return answer(kKeys, key, *this, m_inputTrays, m_nInputTrayCount, index, out);
}

int32_t CPSWDevCommOption::get_option(const char* key, uint32_t* out, int) const {
  if (key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  return PSW_ERR_UNSUPPORTED;  // no option is of this kind
}

int32_t CPSWDevCommOption::get_option(const char* key, const char** out, int index) const {
  if (key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  static const OptionKey<const char*> kKeys[] = {
      {"PrinterRomVersion", [](const CPSWDevCommOption& o) -> const char* { return o.m_szPrinterRomVersion; }, nullptr},
      {"SysName", [](const CPSWDevCommOption& o) -> const char* { return o.m_szSysName; }, nullptr},
      {"NetWareSAPUnitName", [](const CPSWDevCommOption& o) -> const char* { return o.m_szNetWareSAPUnitName; },
       nullptr},
      {"InputTrayName", nullptr, [](const Tray& t) -> const char* { return t.szName; }},
      {"InputTrayDescription", nullptr, [](const Tray& t) -> const char* { return t.szDescription; }},
      {"InputTrayMediaType", nullptr, [](const Tray& t) -> const char* { return t.szMediaType; }},
  };
  return answer(kKeys, key, *this, m_inputTrays, m_nInputTrayCount, index, out);
}

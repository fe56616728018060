// The option keys: every get_option overload answers from the data of the
// last refresh by looking its key up in a table. Keys are compared exactly.
// The same tables make the key list of psw_option_keys().
#include "device/psw_dev_comm_option_keys.h"

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

using Reader = CPSWDevCommOption;
using Tray = Reader::SInputTrayEntry;

// One key of an overload: it reads either the reader as a whole (`read`) or
// one input tray chosen by the index (`readTray`).
template <class T>
struct OptionKey {
  const char* key;
  T (*read)(const Reader&);
  T (*readTray)(const Tray&) = nullptr;
};

// The key tables of the three overloads, in the order of the key list. They
// read the reader's protected data, so they are members of a class derived
// from the reader, which is never made: from its scope a pointer to such a
// member may be formed and applied to any reader.
struct Keys : Reader {
  // The member `Member` of `o`.
  template <auto Member>
  static auto field(const Reader& o) {
    return o.*Member;
  }
  // Whether `o` read an hrDevice row with `index`.
  static bool has(const Reader& o, int index) { return (o.*&Keys::has_device_index)(index, nullptr); }
  static bool has_finisher(const Reader& o) { return has(o, kFinisherA) || has(o, kFinisherB); }

  static const OptionKey<bool> kBoolean[];
  static const OptionKey<int32_t> kInteger[];
  static const OptionKey<const char*> kString[];
};

const OptionKey<bool> Keys::kBoolean[] = {
    {"Scanner", [](const Reader& o) { return has(o, kScanner); }},
    {"Copier", [](const Reader& o) { return has(o, kCopier); }},
    {"FAXUnit", [](const Reader& o) { return has(o, kFaxUnit); }},
    {"HardDisk", [](const Reader& o) { return has(o, kHardDisk); }},
    {"DuplexModule", field<&Keys::m_bDuplexUnit>},
    {"OffsetCatch", field<&Keys::m_bOffsetStacking>},
    {"InTrayMSI", field<&Keys::m_bManualTray>},
    {"InTrayEx2", [](const Reader& o) { return has(o, kTrayEx2); }},
    {"InTrayEx2HCF", [](const Reader& o) { return has(o, kTrayEx2HighCapacity); }},
    {"OutTrayOffsetCatch", [](const Reader& o) { return has(o, kOffsetCatchTray); }},
    // A finisher takes the centre tray's place.
    {"OutTrayCenter2", [](const Reader& o) { return !has_finisher(o) && o.*&Keys::m_bCenterTrayMark; }},
    {"Finisher", has_finisher},
    {"FinisherStaple", [](const Reader& o) { return has(o, kFinisherStaple); }},
    {"FinisherPunch",
     [](const Reader& o) { return has(o, kPunch2Hole) || has(o, kPunch3Hole) || has(o, kPunch4Hole); }},
    {"FinisherPunchHole2", [](const Reader& o) { return has(o, kPunch2Hole); }},
    {"FinisherPunchHole3", [](const Reader& o) { return has(o, kPunch3Hole); }},
    {"FinisherPunchHole4", [](const Reader& o) { return has(o, kPunch4Hole); }},
    {"FinisherBooklet", [](const Reader& o) { return has(o, kBookletUnit); }},
    {"FAXISDNG4Kit", field<&Keys::m_bISDNG4Kit>},
    {"FAXLineSwitchKit", field<&Keys::m_bLineSwitchKit>},
    {"OutTrayHCCT", [](const Reader& o) { return has(o, kHighCapacityTray); }},
};

const OptionKey<int32_t> Keys::kInteger[] = {
    {"MemorySizeInKByte", field<&Keys::m_nMemorySizeKB>},
    {"MemorySizeInMByte", [](const Reader& o) { return (o.*&Keys::m_nMemorySizeKB) / 1024; }},
    {"FAXMaxSpeedDial", field<&Keys::m_nFaxMaxSpeedDial>},
    {"FAXType", field<&Keys::m_nFaxType>},
    {"NumberOfInputTray", field<&Keys::m_nInputTrayCount>},
    {"InputTrayIndex", nullptr, [](const Tray& t) { return t.nNumber; }},
    {"InputTrayType", nullptr, [](const Tray& t) { return t.nType; }},
    {"InputTrayMaxCapacityInSheets", nullptr, [](const Tray& t) { return t.nMaxCapacityInSheets; }},
    {"InputTrayCurrentLevelInPercent", nullptr, [](const Tray& t) { return t.nCurrentLevelInPercent; }},
    {"InputTrayMediaSize", nullptr, [](const Tray& t) { return t.nMediaSize; }},
    {"InputTrayMediaDirection", nullptr, [](const Tray& t) { return t.nMediaDirection; }},
    {"InputTrayMediaDimFeedDirChosen", nullptr, [](const Tray& t) { return t.nMediaDimFeedDirChosen; }},
    {"InputTrayMediaDimXFeedDirChosen", nullptr, [](const Tray& t) { return t.nMediaDimXFeedDirChosen; }},
    {"PrinterRomVersionMajor", field<&Keys::m_nRomVersionMajor>},
    {"PrinterRomVersionMinor", field<&Keys::m_nRomVersionMinor>},
    {"PrinterRomVersionRevision", field<&Keys::m_nRomVersionRevision>},
    {"PaperSizeGroupSetting", field<&Keys::m_nPaperSizeGroup>},
    {"PaperSize8KSetting", field<&Keys::m_nPaperSize8K>},
    {"FinisherBookletImpression", field<&Keys::m_nBookletMaxImpressions>},
    {"FinisherType",
     [](const Reader& o) -> int32_t {
       if (has(o, kFinisherA)) return 6;
       if (has(o, kFinisherB)) return 7;
       return 0;
     }},
    {"PrintLimitedColorSetting", field<&Keys::m_nLimitedColorPrinting>},
    {"UserPromptSetting", field<&Keys::m_nUserPrompt>},
    {"MinPasswordLength", field<&Keys::m_nMinPasswordLength>},
};

const OptionKey<const char*> Keys::kString[] = {
    {"PrinterRomVersion", [](const Reader& o) -> const char* { return o.*&Keys::m_szPrinterRomVersion; }},
    {"SysName", [](const Reader& o) -> const char* { return o.*&Keys::m_szSysName; }},
    {"NetWareSAPUnitName", [](const Reader& o) -> const char* { return o.*&Keys::m_szNetWareSAPUnitName; }},
    {"InputTrayName", nullptr, [](const Tray& t) -> const char* { return t.szName; }},
    {"InputTrayDescription", nullptr, [](const Tray& t) -> const char* { return t.szDescription; }},
    {"InputTrayMediaType", nullptr, [](const Tray& t) -> const char* { return t.szMediaType; }},
};

// Answers `key` from `table`: -5 when the key is not there, -11 for a tray
// key whose index is negative or not below the tray count.
template <class T, size_t N>
int32_t answer(const OptionKey<T> (&table)[N], const char* key, const Reader& reader, const Tray* trays,
               int32_t trayCount, int index, T* out) {
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

// The keys answered from standard tables with their standard meaning:
// sysName, hrMemorySize, the input trays (prtInputTable, a manual feed
// being prtInputType sheetFeedManual), offset stacking
// (prtOutputOffsetStacking) and duplex media paths (prtMediaPathType).
const char* const kStandardKeys[] = {
    "DuplexModule", "OffsetCatch", "InTrayMSI", "MemorySizeInKByte", "MemorySizeInMByte", "NumberOfInputTray",
    "InputTrayIndex", "InputTrayType", "InputTrayMaxCapacityInSheets", "InputTrayCurrentLevelInPercent",
    "InputTrayMediaSize", "InputTrayMediaDirection", "InputTrayMediaDimFeedDirChosen",
    "InputTrayMediaDimXFeedDirChosen", "SysName", "InputTrayName", "InputTrayDescription", "InputTrayMediaType",
};

// Appends the keys of `table`, answered by the overload of `kind`.
template <class T, size_t N>
void list_keys(const OptionKey<T> (&table)[N], PSWOptionKind kind, std::vector<PSWOptionKeyInfo>* keys) {
  for (const OptionKey<T>& k : table) {
    keys->push_back({k.key, kind, k.read == nullptr, psw_option_key_is_standard(k.key)});
  }
}

}  // namespace

bool psw_option_key_is_standard(const char* key) {
  if (key == nullptr) return false;
  for (const char* standard : kStandardKeys) {
    if (std::strcmp(standard, key) == 0) return true;
  }
  return false;
}

const std::vector<PSWOptionKeyInfo>& psw_option_keys() {
  static const std::vector<PSWOptionKeyInfo> keys = [] {
    std::vector<PSWOptionKeyInfo> list;
    list_keys(Keys::kBoolean, PSWOptionKind::kBoolean, &list);
    list_keys(Keys::kInteger, PSWOptionKind::kInteger, &list);
    list_keys(Keys::kString, PSWOptionKind::kString, &list);
    return list;
  }();
  return keys;
}

int32_t CPSWDevCommOption::get_option(const char* key, bool* out, int) const {
  if (key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  // The index is not used: no yes/no key reads a tray.
  return answer(Keys::kBoolean, key, *this, m_inputTrays, m_nInputTrayCount, 0, out);
}

int32_t CPSWDevCommOption::get_option(const char* key, int32_t* out, int index) const {
  if (key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  return answer(Keys::kInteger, key, *this, m_inputTrays, m_nInputTrayCount, index, out);
}

int32_t CPSWDevCommOption::get_option(const char* key, uint32_t* out, int) const {
  if (key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  return PSW_ERR_UNSUPPORTED;  // no option is of this kind
}

int32_t CPSWDevCommOption::get_option(const char* key, const char** out, int index) const {
  if (key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  return answer(Keys::kString, key, *this, m_inputTrays, m_nInputTrayCount, index, out);
}

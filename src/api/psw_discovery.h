// The discovery object of a handle: the device finder of the last search,
// the list of devices it found, the caller's model filters and the community
// used for searches. It lives from PSWInit to PSWUnInit and does not depend
// on an opened device.
#pragma once

#include <cstdint>
#include <memory>

#include "core/pmc_object.h"

class IPmcFindDeviceSnmp;  // the device finder of the management core

// One row of the table of supported models. The table ends with a row whose
// model name is null.
struct PSWSupportedModel {
  const char* sysObjectIdPrefix;
  const char* modelName;
};
extern const PSWSupportedModel g_pswSupportedModels[];

// One device found by a search.
struct CPSWFoundDevice {
  char szSysObjectId[64];
  char szModelName[64];
  char szAddress[64];  // the responder's address text
  CPSWFoundDevice* pNext;
};

// The devices found by one search, newest first, with the walk's cursor.
class CPSWFoundDeviceList {
 public:
  CPSWFoundDeviceList() = default;
  CPSWFoundDeviceList(const CPSWFoundDeviceList&) = delete;
  CPSWFoundDeviceList& operator=(const CPSWFoundDeviceList&) = delete;
  ~CPSWFoundDeviceList();

  // Puts a new node at the front and counts it, so a walk from the front
  // returns devices in the reverse order of their answers. Texts longer than
  // 63 characters are cut. -3 when the node cannot be allocated (the list
  // is then unchanged), else 0.
  int add_front(const char* sysObjectId, const char* modelName, const char* address);

  int32_t m_nCount = 0;
  int32_t m_nCursor = 0;
  CPSWFoundDevice* m_pFirst = nullptr;
};

class CPSWDiscovery final : public CPmcObject {
 public:
  static constexpr int kFilterSlots = 50;

  CPSWDiscovery() = default;

  // Finder of the last search; null until the first search.
  IPmcFindDeviceSnmp* m_pFindDeviceSnmp = nullptr;
  // Devices of the last search; null until the first search.
  std::unique_ptr<CPSWFoundDeviceList> m_pResultList;
  // Model filters: an empty slot has a zero first byte.
  char m_szFilters[kFilterSlots][64] = {};
  // Supported-model table, set at each search.
  const PSWSupportedModel* m_pModelTable = nullptr;
  // Community of searches; kept across searches once set.
  char m_szCommunity[256] = {};

 protected:
  ~CPSWDiscovery() override;
};

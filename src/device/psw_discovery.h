// The discovery object of a handle: the device finder of the last search,
// the list of devices it found, the caller's model filters and the community
// used for searches. It lives from PSWInit to PSWUnInit and does not depend
// on an opened device.
//
// A search sends one broadcast (or multicast) GetRequest for sysObjectID,
// keeps the answers of a supported model that pass the filters (an answer
// with a non-zero error-status is no device), and puts
// each kept device at the front of a new result list; the caller then walks
// the list with get_next, newest answer first.
#pragma once

#include <cstdint>
#include <memory>

#include "base/pmc_object.h"
#include "device/pmc_plugin_usm.h"
#include "device/psw_connection.h"

class IPmcFindDeviceSnmp;  // the device finder of the management core
class IPSWPluginUSM;       // the handle's SNMPv3 settings object
class IPmsSnmpPacket;      // one answer of a broadcast
template <class T>
class IPmcObjectList;      // the list of answers

// One row of the table of supported models. The table ends with a row whose
// model name is null.
struct PSWSupportedModel {
  const char* sysObjectIdPrefix;
  const char* modelName;
};
extern const PSWSupportedModel g_pswSupportedModels[];

// The first row of `table` whose prefix `sysObjectId` begins with, the
// prefix ending there or followed by '.'; null when no row matches or the
// text is null.
const PSWSupportedModel* psw_find_supported_model(const PSWSupportedModel* table,
                                                  const char* sysObjectId);

// One device found by a search. Every text holds at most 63 characters.
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

  // The node at `position` counted from the front, null past the end.
  // Asking for the positions in rising order costs one step each.
  const CPSWFoundDevice* at(int32_t position) const;

  int32_t m_nCount = 0;
  int32_t m_nCursor = 0;
  CPSWFoundDevice* m_pFirst = nullptr;

 private:
  // The node `at` found last, its position, and the front it was counted
  // from (a node added at the front moves every position).
  mutable const CPSWFoundDevice* m_pLastAsked = nullptr;
  mutable int32_t m_nLastAsked = 0;
  mutable const CPSWFoundDevice* m_pLastAskedFirst = nullptr;
};

class CPSWDiscovery final : public CPmcObject {
 public:
  static constexpr int kFilterSlots = 50;
  static constexpr int kTextSize = 64;  // result texts and filters
  // The object every search asks for (the finder appends the instance 0).
  static constexpr const char* kSysObjectIdOid = "1.3.6.1.2.1.1.2";
  // Default destinations of a search without an address.
  static constexpr const char* kIpv4Broadcast = "255.255.255.255";
  static constexpr const char* kIpv6AllNodes = "ff02::1";
  // Every node on any IPX network: the broadcast node on network 0, which
  // the search engine treats as "any network".
  static constexpr const char* kIpxBroadcast = "00000000:ffffffffffff";

  CPSWDiscovery();

  // --- filters -----------------------------------------------------------
  // Copies `filter` (cut to 63 characters) into the first empty slot.
  // -2 for a null filter; -11 when all 50 slots are in use (the filter is
  // then not stored); else 0. An empty filter stores nothing and returns 0.
  int add_filter(const char* filter);
  // Empties all 50 slots.
  void clear_filters();
  // True when filtering is off (slot 0 empty) or some non-empty slot is a
  // text prefix of `sysObjectId`.
  bool passes_filters(const char* sysObjectId) const;

  // --- search ------------------------------------------------------------
  // The community of later searches; an empty or null text keeps the one
  // set before.
  void set_community(const char* community);
  // Whether later searches keep printers of every model. Off: only the
  // supported models' answers are kept. On: an answer of another model
  // that passes the filters costs one GetNext to its responder
  // (device/psw_printer_probe.h, same community or SNMPv3 user, time-out
  // and retries as the search): it is kept when the responder has a
  // Printer MIB, with its sysDescr (cut to 63 characters) as model name,
  // and dropped when it has none or does not answer.
  void set_any_model(bool on) { m_bAnyModel = on; }
  // The version of later searches' community-based requests (and of their
  // printer tests): PMS_VERSION_V1 or PMS_VERSION_V2C.
  void set_community_version(int32_t version) { m_nCommunityVersion = version; }
  // Runs one search to `destination`, which must be of `protocol` (a value
  // of IPmcNetworkAddress::EProtocol: 1, 2 or 4): releases the previous
  // finder and result list, creates a new finder, checks the destination's
  // protocol, copies the SNMPv3 values of `usm`, broadcasts the request for
  // sysObjectID and keeps the supported answers. `*count` receives 0 once
  // the finder is set up and the number of devices kept at the end.
  // Returns 0, -2 for a destination of another protocol, or the code of
  // the failing step (logged in the category "PSW").
  int search(const char* destination, int32_t protocol, const IPSWPluginUSM& usm,
             int32_t timeout, int32_t retries, int32_t* count);

  // --- result list -------------------------------------------------------
  // Replaces the result list by a new empty one and selects the supported-
  // model table for the answers that follow. -3 when it cannot be made
  // (there is then no list).
  int start_results();
  // Handles one answer: keeps it when its sysObjectID matches a supported
  // model and passes the filters, as a new node at the front of the list.
  // Returns 0 (kept or dropped), -3 when the node cannot be allocated, -8
  // when no result list exists.
  int add_answer(const char* sysObjectId, const char* address);
  // Restarts the walk over the current list (nothing without a list).
  void reset_position();
  // Copies the device at the cursor into the four outputs (64 bytes each;
  // the flag output gets one zero byte) and advances the cursor. False
  // when an output is null, there is no list, or the walk is at its end.
  bool get_next(char* address, char* modelName, char* flag, char* sysObjectId);

  // Members in this order.
  // Finder of the last search; null until the first search.
  PmcPtr<IPmcFindDeviceSnmp> m_pFindDeviceSnmp;
  // Devices of the last search; null until the first search.
  std::unique_ptr<CPSWFoundDeviceList> m_pResultList;
  // Model filters: an empty slot has a zero first byte.
  char m_szFilters[kFilterSlots][kTextSize] = {};
  // Supported-model table, set at each search.
  const PSWSupportedModel* m_pModelTable = nullptr;
  // Community of searches; kept across searches once set.
  PmcCommunity m_community;
  // Printers of every model are kept (set_any_model).
  bool m_bAnyModel = false;
  // How the last search went out (destination, protocol, time-out, retries,
  // SNMPv3 values): the printer test of an answer of another model goes to
  // its responder the same way.
  PSWConnection m_search;
  int32_t m_nCommunityVersion = PMS_VERSION_V1;

 protected:
  // Releases the finder and the result list.
  ~CPSWDiscovery() override;

 private:
  // Steps of search after the finder exists; each logs its own failure.
  int set_up_finder(const char* destination, int32_t protocol, const IPSWPluginUSM& usm,
                    int32_t timeout, int32_t retries);
  // The printer test of a responder of another model: 0 with `*keep` and
  // the model text set; -3 only when memory runs out. A responder that
  // does not answer, or answers without a Printer MIB, is not kept.
  int probe_responder(const char* address, bool* keep, char (&model)[kTextSize]);
  // Hands every answer of a broadcast to add_answer.
  int collect(IPmcObjectList<IPmsSnmpPacket>& answers);
  void discard_search();
};

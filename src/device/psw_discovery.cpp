#include "device/psw_discovery.h"

#include <cstring>
#include <new>

#include "base/pmc_object_list.h"
#include "device/pmc_plugin_usm.h"
#include "device/psw_connection.h"
#include "device/psw_exchange.h"
#include "device/psw_falcon_option.h"
#include "device/psw_printer_probe.h"
#include "log/pmc_log.h"
#include "net/pmc_network_address.h"
#include "protocol/pmc_value.h"
#include "protocol/pms_snmp_packet.h"
#include "request/pmc_find_device_snmp.h"

// Both rows name the same model; a sysObjectID matches a row when it begins
// with the prefix and ends there or continues with '.'.
const PSWSupportedModel g_pswSupportedModels[] = {
    {kPSWFalconSysObjectId, kPSWFalconModelName},
    {"1.3.6.1.4.1.47001.1.11.93.1.34.40.1.1", kPSWFalconModelName},
    {nullptr, nullptr},
};

const PSWSupportedModel* psw_find_supported_model(const PSWSupportedModel* table,
                                                  const char* sysObjectId) {
  if (table == nullptr || sysObjectId == nullptr) return nullptr;
  for (const PSWSupportedModel* row = table; row->modelName != nullptr; ++row) {
    if (psw_sys_object_id_within(sysObjectId, row->sysObjectIdPrefix)) return row;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// CPSWFoundDeviceList
// ---------------------------------------------------------------------------

CPSWFoundDeviceList::~CPSWFoundDeviceList() {
  while (m_pFirst != nullptr) {
    CPSWFoundDevice* next = m_pFirst->pNext;
    delete m_pFirst;
    m_pFirst = next;
  }
}

int CPSWFoundDeviceList::add_front(const char* sysObjectId, const char* modelName,
                                   const char* address) {
  auto* node = new (std::nothrow) CPSWFoundDevice{};
  if (node == nullptr) return PMC_E_NOMEM;
  psw_copy_text(node->szSysObjectId, sysObjectId);
  psw_copy_text(node->szModelName, modelName);
  psw_copy_text(node->szAddress, address);
  node->pNext = m_pFirst;
  m_pFirst = node;
  ++m_nCount;
  return PMC_OK;
}

const CPSWFoundDevice* CPSWFoundDeviceList::at(int32_t position) const {
  if (position < 0) return nullptr;
  // A walk asks for one position after the other: start from the node asked
  // for last when it lies at or before `position`, so a whole walk costs one
  // step per node however long the list is.
  const CPSWFoundDevice* node = m_pFirst;
  int32_t i = 0;
  if (m_pLastAsked != nullptr && m_nLastAsked <= position && m_pLastAskedFirst == m_pFirst) {
    node = m_pLastAsked;
    i = m_nLastAsked;
  }
  for (; node != nullptr && i < position; ++i) node = node->pNext;
  m_pLastAsked = node;
  m_nLastAsked = node != nullptr ? position : 0;
  m_pLastAskedFirst = m_pFirst;
  return node;
}

// ---------------------------------------------------------------------------
// CPSWDiscovery: filters
// ---------------------------------------------------------------------------

CPSWDiscovery::CPSWDiscovery() = default;

CPSWDiscovery::~CPSWDiscovery() { discard_search(); }

int CPSWDiscovery::add_filter(const char* filter) {
  if (filter == nullptr) return PMC_E_ARG;
  // An empty text would sit in a slot that still reads as empty; storing it
  // changes nothing.
  if (filter[0] == '\0') return PMC_OK;
  for (auto& slot : m_szFilters) {
    if (slot[0] != '\0') continue;
    psw_copy_text(slot, filter);
    return PMC_OK;
  }
  // Dropping the filter silently would narrow every later search without
  // the caller knowing; say that there is no room.
  return PMC_E_INDEX;
}

void CPSWDiscovery::clear_filters() { std::memset(m_szFilters, 0, sizeof m_szFilters); }

bool CPSWDiscovery::passes_filters(const char* sysObjectId) const {
  if (m_szFilters[0][0] == '\0') return true;  // filtering is off
  if (sysObjectId == nullptr) return false;
  for (const auto& slot : m_szFilters) {
    size_t n = strnlen(slot, sizeof slot);
    if (n != 0 && std::strncmp(sysObjectId, slot, n) == 0) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// CPSWDiscovery: result list
// ---------------------------------------------------------------------------

void CPSWDiscovery::set_community(const char* community) {
  if (community == nullptr || community[0] == '\0') return;
  m_community.assign(community);
}

void CPSWDiscovery::discard_search() {
  m_pResultList.reset();
  m_pFindDeviceSnmp.reset();
}

int CPSWDiscovery::start_results() {
  m_pResultList.reset(new (std::nothrow) CPSWFoundDeviceList());
  if (m_pResultList == nullptr) return PMC_E_NOMEM;
  m_pModelTable = g_pswSupportedModels;
  return PMC_OK;
}

int CPSWDiscovery::add_answer(const char* sysObjectId, const char* address) {
  if (m_pResultList == nullptr) return PMC_E_EMPTY;
  const PSWSupportedModel* row = psw_find_supported_model(m_pModelTable, sysObjectId);
  if (row == nullptr && m_bAnyModel && sysObjectId != nullptr && address != nullptr &&
      passes_filters(sysObjectId)) {
    // Filters first: a responder they drop is not asked anything more.
    bool keep = false;
    char model[kTextSize] = {};
    int rc = probe_responder(address, &keep, model);
    if (rc != PMC_OK || !keep) return rc;
    return m_pResultList->add_front(sysObjectId, model, address);
  }
  if (row == nullptr || !passes_filters(sysObjectId)) return PMC_OK;
  return m_pResultList->add_front(sysObjectId, row->modelName, address);
}

int CPSWDiscovery::probe_responder(const char* address, bool* keep, char (&model)[kTextSize]) {
  *keep = false;
  PSWConnection connection;
  int rc = psw_make_connection(m_search.protocol, address, m_search.usm, m_search.timeout, m_search.retries, 0,
                               &connection);
  if (rc != PMC_OK) return PMC_OK;  // an address no exchange can use: not kept
  connection.community_version = m_search.community_version;
  PSWExchange exchange;
  rc = exchange.open(connection, m_community.is_set() ? &m_community : nullptr);
  PSWPrinterProbe probe;
  if (rc == PMC_OK) rc = psw_probe_printer(exchange, &probe);
  if (rc == PMC_E_NOMEM) return rc;
  if (rc != PMC_OK) {
    PMC_LOG(g_logPsw, PMC_LOG_INFO, "responder %s did not answer the printer test (%d): not kept", address, rc);
    return PMC_OK;
  }
  *keep = probe.printer;
  psw_copy_text(model, probe.description);
  return PMC_OK;
}

void CPSWDiscovery::reset_position() {
  if (m_pResultList != nullptr) m_pResultList->m_nCursor = 0;
}

bool CPSWDiscovery::get_next(char* address, char* modelName, char* flag, char* sysObjectId) {
  if (address == nullptr || modelName == nullptr || flag == nullptr || sysObjectId == nullptr)
    return false;
  if (m_pResultList == nullptr || m_pResultList->m_nCursor >= m_pResultList->m_nCount) return false;
  const CPSWFoundDevice* node = m_pResultList->at(m_pResultList->m_nCursor);
  if (node == nullptr) return false;
  psw_copy_text(address, kTextSize, node->szAddress);
  psw_copy_text(modelName, kTextSize, node->szModelName);
  psw_copy_text(sysObjectId, kTextSize, node->szSysObjectId);
  *flag = '\0';
  ++m_pResultList->m_nCursor;
  return true;
}

// ---------------------------------------------------------------------------
// CPSWDiscovery: search
// ---------------------------------------------------------------------------

namespace {

// Logs the failed step of a search in the interface layer's category.
int log_failure(const char* step, int rc) {
  PMC_LOG(g_logPsw, PMC_LOG_ERROR, "%s", step);
  return rc;
}

// The responder's address text of one answer; null when the answer has no
// target or address.
const char* responder_of(const IPmsSnmpPacket& packet) {
  IPmsSnmpTarget* target = packet.get_target();
  if (target == nullptr) return nullptr;
  IPmcNetworkAddress* address = target->get_address();
  return address == nullptr ? nullptr : address->c_str();
}

// The text of the first value of one answer, or null when the answer has no
// binding or its value has no text (NULL and exception values).
PmcPtr<IPmcText> first_value_text(const IPmsSnmpPacket& packet) {
  IPmsPdu* pdu = packet.get_pdu();
  if (pdu == nullptr) return nullptr;
  IPmcValue* raw = nullptr;
  pdu->pop_value(nullptr, &raw);
  PmcPtr<IPmcValue> value(raw);
  if (!value) return nullptr;
  int err = PMC_OK;
  PmcPtr<IPmcText> text(value->to_text(&err));
  if (err != PMC_OK) return nullptr;
  return text;
}

}  // namespace

int CPSWDiscovery::search(const char* destination, int32_t protocol, const IPSWPluginUSM& usm,
                          int32_t timeout, int32_t retries, int32_t* count) {
  PMC_TRACE_FUNCTION(g_logPsw);
  if (destination == nullptr || count == nullptr) return PMC_E_ARG;
  // Each search starts from nothing: the last finder and list go first, so a
  // failed search leaves no list to walk.
  discard_search();
  int rc = PMC_OK;
  m_pFindDeviceSnmp.reset(pmc_create_find_device_snmp(&rc));
  if (!m_pFindDeviceSnmp) return log_failure("pmc_create_find_device_snmp()", rc);

  rc = set_up_finder(destination, protocol, usm, timeout, retries);
  if (rc != PMC_OK) return rc;
  rc = start_results();
  if (rc != PMC_OK) return rc;
  *count = 0;

  rc = m_pFindDeviceSnmp->add_oid_string(kSysObjectIdOid);
  if (rc != PMC_OK) return log_failure("m_pFindDeviceSnmp->add_oid_string()", rc);
  IPmsSnmpPacketList* found = nullptr;
  rc = m_pFindDeviceSnmp->send_broad_cast(&found);
  if (rc != PMC_OK) return log_failure("m_pFindDeviceSnmp->send_broad_cast()", rc);
  PmcPtr<IPmsSnmpPacketList> answers(found);
  rc = answers ? collect(*answers) : PMC_OK;
  *count = m_pResultList->m_nCount;
  return rc;
}

int CPSWDiscovery::set_up_finder(const char* destination, int32_t protocol, const IPSWPluginUSM& usm,
                                 int32_t timeout, int32_t retries) {
  int actual = IPmcNetworkAddress::PROTOCOL_NONE;
  int rc = m_pFindDeviceSnmp->get_protocol_of(destination, &actual);
  if (rc != PMC_OK) return rc;
  if (actual != protocol) return PMC_E_ARG;  // e.g. an IPv6 text on an IPv4 search

  // The finder's target takes its own copy of the settings at init, and
  // the printer test of other models' answers goes out the way the search
  // did. The finder's init refuses the arguments no search can use; then no
  // connection is kept either.
  const PmcUsmSettings settings = psw_usm_settings_of(usm);
  if (psw_make_connection(protocol, destination, settings, timeout, retries, 0, &m_search) != PMC_OK) {
    m_search = PSWConnection();
  }
  m_search.community_version = m_nCommunityVersion;
  if (m_community.is_set()) m_pFindDeviceSnmp->set_community(m_community.c_str());
  rc = m_pFindDeviceSnmp->set_community_version(m_nCommunityVersion);
  if (rc != PMC_OK) return log_failure("m_pFindDeviceSnmp->init()", rc);
  rc = m_pFindDeviceSnmp->init(destination, protocol, psw_snmp_port_of(protocol), settings.nSnmpMode, &settings,
                               timeout, retries, 0);
  if (rc != PMC_OK) return log_failure("m_pFindDeviceSnmp->init()", rc);
  return PMC_OK;
}

int CPSWDiscovery::collect(IPmsSnmpPacketList& answers) {
  int rc = PMC_OK;
  PmcPtr<IPmcListIterator> it(answers.create_iterator(&rc));
  if (!it) return rc;
  for (IPmsSnmpPacket* packet; (packet = answers.current(it.get())) != nullptr; answers.advance(it.get())) {
    // An answer with an error-status (genErr, noSuchName, ...) does not vouch
    // for its bindings, which may be the request's own or anything else: it
    // is no device.
    const IPmsPdu* pdu = packet->get_pdu();
    if (pdu == nullptr || pdu->get_error_status() != 0) continue;
    PmcPtr<IPmcText> oid = first_value_text(*packet);
    // An answer without a usable sysObjectID matches no model.
    if (!oid || oid->c_str() == nullptr) continue;
    rc = add_answer(oid->c_str(), responder_of(*packet));
    if (rc != PMC_OK) return rc;
  }
  return PMC_OK;
}

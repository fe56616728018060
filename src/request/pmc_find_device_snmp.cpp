#include "request/pmc_find_device_snmp.h"

#include "snmp/pms_session_dispatcher.h"

IPmcFindDeviceSnmp* pmc_create_find_device_snmp(int* err) { return pmc_make<CPmcFindDeviceSnmp>(err); }

int CPmcFindDeviceSnmp::send_broad_cast(IPmsSnmpPacketList** packets) {
  if (packets == nullptr || !m_pPdu) return PMC_E_ARG;
  m_pPdu->set_type(PMS_PDU_GET);
  int rc = PMC_OK;
  PmcPtr<SessionDispatcher> dispatcher(pmc_create_session_dispatcher(&rc));
  if (!dispatcher) return rc;
  IPmsSnmpPacketList* found = nullptr;
  rc = dispatcher->send_broad_cast_sync(m_pPdu.get(), target(), &found);
  if (rc == PMC_OK) *packets = found;
  return rc;
}

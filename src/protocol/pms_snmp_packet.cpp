// The packet object.
#include "protocol/pms_snmp_packet.h"

IPmsSnmpPacket* pms_create_snmp_packet(int* err) { return pmc_make<CPmsSnmpPacket>(err); }

IPmsSnmpPacket* CPmsSnmpPacket::clone(int* err) const {
  PmcPtr<CPmsSnmpPacket> copy(pmc_make<CPmsSnmpPacket>(err));
  if (!copy) return nullptr;
  int rc = PMC_OK;
  if (m_pTarget) {
    copy->set_target(m_pTarget->clone(&rc));
    if (rc != PMC_OK) {
      pmc_set_err(err, rc);
      return nullptr;
    }
  }
  if (m_pPdu) {
    copy->set_pdu(m_pPdu->clone(&rc));
    if (rc != PMC_OK) {
      pmc_set_err(err, rc);
      return nullptr;
    }
  }
  return copy.release();
}

bool CPmsSnmpPacket::equals(const IPmsSnmpPacket& other) const {
  const IPmsPdu* pdu = other.get_pdu();
  const IPmsSnmpTarget* target = other.get_target();
  if ((m_pPdu == nullptr) != (pdu == nullptr)) return false;
  if ((m_pTarget == nullptr) != (target == nullptr)) return false;
  if (m_pPdu && !m_pPdu->equals(*pdu)) return false;
  return !m_pTarget || m_pTarget->equals(*target);
}

// The PDU object.
#include "protocol/pms_pdu.h"

namespace {

// A copy of `value`, or null for null; -3 through `rc` when it cannot be made.
IPmcValue* copy_of(const IPmcValue* value, int* rc) {
  *rc = PMC_OK;
  return value == nullptr ? nullptr : value->clone(rc);
}

// Both absent, or both present and equal.
bool same_value(const IPmcValue* a, const IPmcValue* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return a->equals(*b);
}

size_t binding_count(const IPmcVarBindList* list) { return list == nullptr ? 0 : list->size(); }

}  // namespace

IPmsPdu* pms_create_pdu(int* err) { return pmc_make<CPmsPdu>(err); }

void CPmsPdu::reset() {
  m_pList.reset();
  m_pTimeStamp.reset();
  m_pEnterprise.reset();
  m_type = PMS_PDU_NONE;
  m_errorStatus = -1;
  m_errorIndex = 0;
}

IPmsPdu* CPmsPdu::clone(int* err) const {
  PmcPtr<IPmsPdu> copy(pms_create_pdu(err));
  if (!copy) return nullptr;
  int rc = copy->assign(*this);
  pmc_set_err(err, rc);
  return rc == PMC_OK ? copy.release() : nullptr;
}

int CPmsPdu::assign(const IPmsPdu& other) {
  if (&other == this) return PMC_OK;
  // Copy the list first so that a failure leaves this PDU as it was.
  PmcPtr<IPmcVarBindList> list;
  if (const IPmcVarBindList* from = other.get_varbind_list()) {
    int rc = PMC_OK;
    list.reset(from->clone(&rc));
    if (!list) return rc;
  }
  int rc = copy_header(other);
  if (rc != PMC_OK) return rc;
  m_pList = std::move(list);
  return PMC_OK;
}

int CPmsPdu::copy_header(const IPmsPdu& other) {
  if (&other == this) return PMC_OK;
  int rc = PMC_OK;
  PmcPtr<IPmcValue> stamp(copy_of(other.get_time_stamp(), &rc));
  if (rc != PMC_OK) return rc;
  PmcPtr<IPmcValue> enterprise(copy_of(other.get_enterprise(), &rc));
  if (rc != PMC_OK) return rc;
  m_type = other.get_type();
  m_requestId = other.get_request_id();
  m_errorStatus = other.get_error_status();
  m_errorIndex = other.get_error_index();
  m_pTimeStamp = std::move(stamp);
  m_pEnterprise = std::move(enterprise);
  return PMC_OK;
}

bool CPmsPdu::equals(const IPmsPdu& other) const {
  if (m_type == PMS_PDU_NONE || m_type != other.get_type()) return false;
  if (m_type == PMS_PDU_TRAP) {
    if (!same_value(m_pTimeStamp.get(), other.get_time_stamp())) return false;
    if (!same_value(m_pEnterprise.get(), other.get_enterprise())) return false;
  } else if (m_requestId != other.get_request_id() || m_errorIndex != other.get_error_index() ||
             m_errorStatus != other.get_error_status()) {
    return false;
  }
  const IPmcVarBindList* mine = m_pList.get();
  const IPmcVarBindList* theirs = other.get_varbind_list();
  if (binding_count(mine) == 0 || binding_count(theirs) == 0) {
    return binding_count(mine) == binding_count(theirs);
  }
  return mine->equals(*theirs);
}

IPmcVarBindList* CPmsPdu::list() {
  if (!m_pList) m_pList.reset(pmc_create_varbind_list(nullptr));
  return m_pList.get();
}

// The list adopts what it is given, on failure as well; when there is no
// list to give it to, the parts are released here instead.
int CPmsPdu::add(IPmcOid* oid, IPmcValue* value) {
  IPmcVarBindList* to = list();
  return to != nullptr ? to->add(oid, value) : drop(oid, value);
}

int CPmsPdu::add_front(IPmcOid* oid, IPmcValue* value) {
  IPmcVarBindList* to = list();
  return to != nullptr ? to->add_front(oid, value) : drop(oid, value);
}

int CPmsPdu::push_back(IPmcVarBind* binding) {
  IPmcVarBindList* to = list();
  return to != nullptr ? to->push_back(binding) : drop(binding);
}

int CPmsPdu::push_front(IPmcVarBind* binding) {
  IPmcVarBindList* to = list();
  return to != nullptr ? to->push_front(binding) : drop(binding);
}

int CPmsPdu::drop(IPmcOid* oid, IPmcValue* value) {
  if (oid != nullptr) oid->release();
  if (value != nullptr) value->release();
  return PMC_E_NOMEM;
}

int CPmsPdu::drop(IPmcVarBind* binding) {
  if (binding != nullptr) binding->release();
  return PMC_E_NOMEM;
}

int CPmsPdu::pop_value(IPmcOid** oid_out, IPmcValue** value_out) {
  if (!m_pList) return PMC_E_NOVALUE;
  return m_pList->pop_value(oid_out, value_out);
}

IPmcVarBind* CPmsPdu::pop_front() { return m_pList ? m_pList->pop_front() : nullptr; }

int CPmsPdu::set_trap_field(PmcPtr<IPmcValue>& field, IPmcValue* value, int tag) {
  if (value == nullptr) return PMC_E_ARG;
  if (value->get_type() != tag) {
    value->release();
    return PMC_E_ARG;
  }
  field.reset(value);
  return PMC_OK;
}

#include "core/pmc_get_data.h"

#include <cstring>
#include <string>

#include "core/pmc_value.h"
#include "log/pmc_log.h"
#include "snmp/pms_session_dispatcher.h"

namespace {

// SNMPv1's answer to a GetNext past the last object of the device.
constexpr int32_t kNoSuchName = 2;

IPmcLogger* slog() { return g_logSnmp.logger(); }

// Numeric order of two OIDs, sub-identifier by sub-identifier: negative when
// `a` comes first, 0 when equal, positive when `b` comes first. (The texts'
// own order is by character codes and puts 1.3.6.1.10 before 1.3.6.1.9.)
int compare_numeric(const IPmcOid& a, const IPmcOid& b) {
  PmcOidReader ra(a);
  PmcOidReader rb(b);
  for (;;) {
    uint32_t x = 0;
    uint32_t y = 0;
    bool a_has = ra.next(&x) == PMC_OK;
    bool b_has = rb.next(&y) == PMC_OK;
    if (!a_has || !b_has) return static_cast<int>(a_has) - static_cast<int>(b_has);
    if (x != y) return x < y ? -1 : 1;
  }
}

// The dotted text of an OID, for log messages.
std::string dotted(const IPmcOid& oid) {
  size_t length = 0;
  const unsigned char* text = oid.get_octets(&length, nullptr);
  return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text), length);
}

// The first binding of `pdu` (lent), null when it has none.
IPmcVarBind* first_binding(const IPmsPdu& pdu) {
  const IPmcVarBindList* list = pdu.get_varbind_list();
  return list == nullptr ? nullptr : list->at(0);
}

}  // namespace

IPmcGetData* pmc_create_get_data(int* err) { return pmc_make<CPmcGetData>(err); }

int CPmcGetData::add_oid_string(const char* oid_text, const char* suffix, int32_t value) {
  if (!m_pPdu) return PMC_E_ARG;
  int rc = PMC_OK;
  PmcPtr<IPmcOid> oid(pmc_create_oid_from_text(oid_text, &rc));
  if (!oid) return rc;
  PmcPtr<IPmcValue> number(pmc_create_integer_value(value, PMC_TAG_INTEGER, &rc));
  if (!number) return rc;
  rc = oid->append_text(suffix);
  if (rc != PMC_OK) return rc;
  // The suffix is text from the caller: the result must still be an OID.
  if (!oid->is_valid()) return PMC_E_ARG;
  return m_pPdu->add(oid.release(), number.release());
}

int CPmcGetData::exchange(int32_t type) {
  if (!m_pPdu) return PMC_E_ARG;
  m_pPdu->set_type(type);
  int rc = PMC_OK;
  PmcPtr<SessionDispatcher> dispatcher(pmc_create_session_dispatcher(&rc));
  if (!dispatcher) return rc;
  return dispatcher->send_sync(m_pPdu.get(), target());
}

int CPmcGetData::set_data() {
  int rc = exchange(PMS_PDU_SET);
  if (rc != PMC_OK) return rc;
  // Any error-status means the device did not make the change.
  return m_pPdu->get_error_status() != 0 ? PMC_E_NOVALUE : PMC_OK;
}

int CPmcGetData::get_data(int32_t* value) {
  if (value == nullptr) return PMC_E_ARG;
  return get_data(value, 1);
}

int CPmcGetData::get_data(int32_t* values, int count) {
  if (values == nullptr && count > 0) return PMC_E_ARG;
  int rc = exchange(PMS_PDU_GET);
  if (rc != PMC_OK) return rc;
  for (int i = 0; i < count; ++i) {
    IPmcValue* next = nullptr;
    m_pPdu->pop_value(nullptr, &next);
    if (next == nullptr) return PMC_E_NOVALUE;
    PmcPtr<IPmcValue> hold(next);
    values[i] = next->get_int32(nullptr);
  }
  return PMC_OK;
}

int CPmcGetData::get_data(char* text_out) {
  if (text_out == nullptr) return PMC_E_ARG;
  int rc = exchange(PMS_PDU_GET);
  if (rc != PMC_OK) return rc;
  IPmcValue* first = nullptr;
  m_pPdu->pop_value(nullptr, &first);
  if (first == nullptr) return PMC_E_NOVALUE;
  PmcPtr<IPmcValue> hold(first);
  PmcPtr<IPmcText> text(first->to_text(nullptr));
  if (!text || text->length() == 0) return PMC_OK;  // nothing to show: the buffer stays as it was
  size_t length = text->length() < PMC_GET_DATA_TEXT_SIZE - 1 ? text->length() : PMC_GET_DATA_TEXT_SIZE - 1;
  std::memcpy(text_out, text->c_str(), length);
  text_out[length] = '\0';
  return PMC_OK;
}

int CPmcGetData::get_data(IPmsPduList* rows, const char* root_oid) {
  if (rows == nullptr || root_oid == nullptr || !m_pPdu) return PMC_E_ARG;
  int rc = PMC_OK;
  PmcPtr<SessionDispatcher> dispatcher(pmc_create_session_dispatcher(&rc));
  if (!dispatcher) return rc;
  PmcPtr<IPmcOid> root(pmc_create_oid_from_text(root_oid, &rc));
  if (!root) return rc;
  // The first OID of the request just sent: every answer must lie beyond it.
  IPmcVarBind* first = first_binding(*m_pPdu);
  PmcPtr<IPmcOid> previous(first != nullptr && first->get_oid() != nullptr ? first->get_oid()->clone(&rc)
                                                                            : pmc_create_oid(&rc));
  if (!previous) return rc;

  for (size_t count = 0;; ++count) {
    if (count == PMC_WALK_ROW_LIMIT) {
      slog()->log(PMC_LOG_WARN, "[CPmcGetData::get_data] walk of %s stopped after %zu rows.", root_oid, count);
      return PMC_OK;
    }
    m_pPdu->set_type(PMS_PDU_GETNEXT);
    rc = dispatcher->send_sync(m_pPdu.get(), target());
    if (rc != PMC_OK) return rc;
    WalkStep step = judge_walk_response(*root, *previous, &rc);
    if (step != WalkStep::kRow) return rc;

    PmcPtr<IPmsPdu> row(m_pPdu->clone(&rc));
    if (!row) return rc;
    rc = rows->push_back(row.release());
    if (rc != PMC_OK) return rc;
    // The next GetNext asks with this answer's bindings: the next row of
    // every column.
    previous.reset(first_binding(*m_pPdu)->get_oid()->clone(&rc));
    if (!previous) return rc;
  }
}

CPmcGetData::WalkStep CPmcGetData::judge_walk_response(const IPmcOid& root, const IPmcOid& previous,
                                                      int* result) const {
  *result = PMC_OK;
  int32_t status = m_pPdu->get_error_status();
  if (status == kNoSuchName) return WalkStep::kEnd;  // SNMPv1: nothing lies beyond
  if (status != 0) {
    // The bindings of a refused request are not table data.
    slog()->log(PMC_LOG_WARN, "[CPmcGetData::get_data] walk refused with error-status %d.", status);
    *result = PMC_E_NOVALUE;
    return WalkStep::kFail;
  }
  IPmcVarBind* first = first_binding(*m_pPdu);
  if (first == nullptr || first->get_oid() == nullptr) {
    *result = PMC_E_NOVALUE;
    return WalkStep::kFail;
  }
  const IPmcOid& oid = *first->get_oid();
  const IPmcValue* value = first->get_value();
  if (value != nullptr && value->get_type() == PMC_TAG_END_OF_MIB_VIEW) return WalkStep::kEnd;
  uint32_t relation = oid.compare(root, nullptr);
  if (relation != IPmcOid::THIS_BELOW && relation != IPmcOid::OTHER_BELOW) return WalkStep::kEnd;  // left the column
  if (compare_numeric(oid, previous) <= 0) {
    slog()->log(PMC_LOG_WARN, "[CPmcGetData::get_data] walk stopped: %s does not advance beyond %s.",
                dotted(oid).c_str(), dotted(previous).c_str());
    return WalkStep::kEnd;
  }
  return WalkStep::kRow;
}

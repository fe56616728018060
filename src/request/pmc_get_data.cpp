#include "request/pmc_get_data.h"

#include <cstring>
#include <string>

#include "log/pmc_log.h"
#include "protocol/pmc_value.h"
#include "request/pmc_table_walk.h"
#include "snmp/pms_session_dispatcher.h"

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
  if (m_pPreparedAnswer && type == PMS_PDU_GET) {
    PmcPtr<IPmsPdu> answer = std::move(m_pPreparedAnswer);
    return m_pPdu->assign(*answer);
  }
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
  // An answer with an error-status lends none of its values: each reads as
  // an object the device does not have.
  const bool refused = m_pPdu->get_error_status() != 0;
  for (int i = 0; i < count; ++i) {
    IPmcValue* next = nullptr;
    m_pPdu->pop_value(nullptr, &next);
    if (next == nullptr) return PMC_E_NOVALUE;
    PmcPtr<IPmcValue> hold(next);
    values[i] = refused ? -1 : next->get_int32(nullptr);
  }
  return PMC_OK;
}

int CPmcGetData::get_data(char* text_out) {
  if (text_out == nullptr) return PMC_E_ARG;
  int rc = exchange(PMS_PDU_GET);
  if (rc != PMC_OK) return rc;
  // An answer with an error-status has no value to give.
  if (m_pPdu->get_error_status() != 0) return PMC_E_NOVALUE;
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

namespace {

// Copies `text` (of `length` octets) into a buffer of PMC_GET_DATA_TEXT_SIZE
// bytes, cut and terminated.
void copy_cut(char* out, const char* text, size_t length) {
  if (length > PMC_GET_DATA_TEXT_SIZE - 1) length = PMC_GET_DATA_TEXT_SIZE - 1;
  if (length > 0) std::memcpy(out, text, length);
  out[length] = '\0';
}

}  // namespace

int CPmcGetData::get_next_data(PmcNextBinding* out, int count) {
  if (out == nullptr || count < 0) return PMC_E_ARG;
  int rc = exchange(PMS_PDU_GETNEXT);
  if (rc != PMC_OK) return rc;
  // A refused GetNext vouches for none of its bindings.
  if (m_pPdu->get_error_status() != 0) return PMC_E_NOVALUE;
  for (int i = 0; i < count; ++i) {
    IPmcOid* raw_oid = nullptr;
    IPmcValue* raw_value = nullptr;
    m_pPdu->pop_value(&raw_oid, &raw_value);
    PmcPtr<IPmcOid> name(raw_oid);
    PmcPtr<IPmcValue> value(raw_value);
    if (!name || !value) return PMC_E_NOVALUE;
    PmcNextBinding& b = out[i];
    PmcPtr<IPmcText> name_text(name->to_text(nullptr));
    copy_cut(b.oid, name_text ? name_text->c_str() : "", name_text ? name_text->length() : 0);
    b.present = !pmc_is_absent_cell(*value);
    PmcPtr<IPmcText> text(b.present ? value->to_text(nullptr) : nullptr);
    copy_cut(b.text, text ? text->c_str() : "", text ? text->length() : 0);
  }
  return PMC_OK;
}

// One exchange of `pdu_type` whose answer, error-status and all, goes to
// the caller as a copy (the request object keeps its own for the next).
int CPmcGetData::exchange_for_answer(int32_t pdu_type, IPmsPdu** answer) {
  if (answer == nullptr) return PMC_E_ARG;
  int rc = exchange(pdu_type);
  if (rc != PMC_OK) return rc;
  IPmsPdu* copy = m_pPdu->clone(&rc);
  if (copy == nullptr) return rc;
  *answer = copy;
  return PMC_OK;
}

int CPmcGetData::get_answer(IPmsPdu** answer) { return exchange_for_answer(PMS_PDU_GET, answer); }

int CPmcGetData::use_answer(IPmsPdu* answer) {
  if (answer == nullptr) return PMC_E_ARG;
  m_pPreparedAnswer.reset(answer);
  return PMC_OK;
}

int CPmcGetData::get_next_answer(IPmsPdu** answer) { return exchange_for_answer(PMS_PDU_GETNEXT, answer); }

int CPmcGetData::set_bulk_repetitions(int32_t repetitions) {
  if (repetitions < 0 || repetitions > PMC_BULK_REPETITIONS_MAX) return PMC_E_ARG;
  m_nBulkRepetitions = repetitions;
  return PMC_OK;
}

bool CPmcGetData::bulk_allowed() const {
  if (m_nBulkRepetitions <= 0) return false;
  return m_nVersion == PMC_REQUEST_VERSION_V3 || m_nCommunityVersion == PMS_VERSION_V2C;
}

namespace {

// The max-repetitions of the next GetBulk: as many as `limit` allows
// within the bindings of one answer, at least one.
int32_t repetitions_for(size_t columns, int32_t limit) {
  size_t fit = columns == 0 ? PMC_BULK_BINDINGS : PMC_BULK_BINDINGS / columns;
  if (fit < 1) fit = 1;
  return fit < static_cast<size_t>(limit) ? static_cast<int32_t>(fit) : limit;
}

}  // namespace

template <class TakeRows>
int CPmcGetData::run_walk(PmcTableWalk& walk, TakeRows&& take_rows) {
  int rc = PMC_OK;
  PmcPtr<SessionDispatcher> dispatcher(pmc_create_session_dispatcher(&rc));
  if (!dispatcher) return rc;
  // GetBulk starts at the chosen repetitions and comes down when the
  // device refuses the size (tooBig) or cuts its answers short; a device
  // that refuses even one repetition is walked with GetNext, which the
  // session splits as it splits any request.
  bool bulk = bulk_allowed();
  int32_t limit = m_nBulkRepetitions;
  // The columns one GetBulk may carry: all, until a request of them does
  // not fit the message size.
  size_t cap = SIZE_MAX;
  size_t count = 0;
  while (walk.wants_request()) {
    const bool bulk_now = bulk && !walk.wants_confirmation();
    int32_t repetitions = bulk_now ? repetitions_for(walk.columns_to_ask(cap), limit) : 0;
    rc = walk.fill_request(m_pPdu.get(), repetitions, bulk_now ? cap : SIZE_MAX);
    if (rc != PMC_OK) return rc;
    rc = dispatcher->send_sync(m_pPdu.get(), target());
    if (rc == PMC_E_OVERFLOW && repetitions > 0) {
      // The request itself is too big: fewer columns in each GetBulk; one
      // column that does not fit goes as a GetNext, which is split.
      const size_t asked = walk.asked_count();
      if (asked > 1) {
        cap = asked / 2;
      } else {
        bulk = false;
      }
      continue;
    }
    if (rc == PMC_E_TOOBIG && repetitions > 0) {
      PMC_LOG(g_logSnmp, PMC_LOG_INFO, "[CPmcGetData::get_data] GetBulk of %d repetitions too big.", repetitions);
      if (repetitions > 1) {
        limit = repetitions / 2;
      } else {
        bulk = false;
      }
      continue;
    }
    if (rc == PMC_OK) rc = walk.take_answer(m_pPdu.get());
    if (rc != PMC_OK) return rc;
    const PmcTableWalk::BulkAnswer& answer = walk.last_bulk_answer();
    if (repetitions > 0 && answer.cut_short) {
      // As many as the device sent, at most half of what was asked.
      int32_t sent = static_cast<int32_t>(answer.repetitions);
      limit = sent < repetitions / 2 ? sent : repetitions / 2;
      if (limit < 1) limit = 1;
    }
    rc = take_rows(walk, &count);
    if (rc != PMC_OK) return rc;
  }
  return PMC_OK;
}

namespace {

// Appends a taken row to `rows`, unless the walk has reached its limit.
int keep_row(PmcPtr<IPmsPdu> row, IPmsPduList* rows, size_t* count) {
  if (*count == PMC_WALK_ROW_LIMIT) {
    PMC_LOG(g_logSnmp, PMC_LOG_WARN, "[CPmcGetData::get_data] walk stopped after %zu rows.", *count);
    return PMC_E_WALK_LIMIT;
  }
  int rc = rows->push_back(row.release());
  if (rc == PMC_OK) ++*count;
  return rc;
}

}  // namespace

int CPmcGetData::get_data(IPmsPduList* rows, const char* root_oid) {
  if (rows == nullptr || root_oid == nullptr || !m_pPdu) return PMC_E_ARG;
  int rc = PMC_OK;
  PmcPtr<IPmcOid> root(pmc_create_oid_from_text(root_oid, &rc));
  if (!root) return rc;
  PmcTableWalk walk;
  rc = walk.start(*m_pPdu, *root);
  if (rc != PMC_OK) return rc == PMC_E_ARG ? PMC_E_NOVALUE : rc;
  return run_walk(walk, [rows](PmcTableWalk& w, size_t* count) -> int {
    while (w.row_ready()) {
      PmcPtr<IPmsPdu> row;
      int taken = w.take_row(&row);
      if (taken == PMC_OK) taken = keep_row(std::move(row), rows, count);
      if (taken != PMC_OK) return taken;
    }
    return PMC_OK;
  });
}

int CPmcGetData::get_tables(const size_t* group_sizes, size_t group_count, IPmsPduList* const* rows) {
  if (group_sizes == nullptr || rows == nullptr || group_count == 0 || !m_pPdu) return PMC_E_ARG;
  for (size_t g = 0; g < group_count; ++g) {
    if (rows[g] == nullptr) return PMC_E_ARG;
  }
  PmcTableWalk walk;
  int rc = walk.start_groups(*m_pPdu, group_sizes, group_count);
  if (rc != PMC_OK) return rc;
  return run_walk(walk, [rows, group_count](PmcTableWalk& w, size_t* count) -> int {
    for (size_t g = 0; g < group_count; ++g) {
      while (w.group_row_ready(g)) {
        PmcPtr<IPmsPdu> row;
        int taken = w.take_group_row(g, &row);
        if (taken == PMC_OK) taken = keep_row(std::move(row), rows[g], count);
        if (taken != PMC_OK) return taken;
      }
    }
    return PMC_OK;
  });
}

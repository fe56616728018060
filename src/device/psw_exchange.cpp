#include "device/psw_exchange.h"

#include "log/pmc_log.h"

namespace {

// Logs a failed call of a reader; the line shows only the call's text.
int logged(int rc, const char* call) {
  if (rc != PMC_OK) PMC_LOG(g_logPsw, PMC_LOG_ERROR, "%s", call);
  return rc;
}

}  // namespace

int PSWExchange::create() {
  int err = PMC_OK;
  m_pGetData.reset(pmc_create_get_data(&err));
  if (!m_pGetData) return logged(err == PMC_OK ? PMC_E_NOMEM : err, "pmc_create_get_data()");
  return PMC_OK;
}

int PSWExchange::init(const PSWConnection& c, const PmcCommunity* community) {
  if (community == nullptr) community = &c.community;
  if (community->is_set()) m_pGetData->set_community(community->c_str());
  int rc = m_pGetData->set_community_version(c.community_version);
  if (rc == PMC_OK) rc = m_pGetData->set_bulk_repetitions(c.bulk_repetitions);
  if (rc != PMC_OK) return logged(rc, "pGetData->init()");
  rc = m_pGetData->init(c.address, c.protocol, c.port, c.usm.nSnmpMode, &c.usm, c.timeout, c.retries,
                            c.max_message_size);
  return logged(rc, "pGetData->init()");
}

int PSWExchange::add(const char* oid, bool instance_zero) {
  return logged(m_pGetData->add_oid_string(oid, instance_zero), "pGetData->add_oid_string()");
}

int PSWExchange::add_columns(const char* const* columns, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    int rc = add(columns[i]);
    if (rc != PMC_OK) return rc;
  }
  return PMC_OK;
}

int PSWExchange::add_set(const char* column, const char* suffix, int32_t value) {
  return logged(m_pGetData->add_oid_string(column, suffix, value), "pGetData->add_oid_string()");
}

int PSWExchange::protocol_of(const char* address, int* protocol) {
  return m_pGetData->get_protocol_of(address, protocol);
}

int PSWExchange::walk(const char* root, PmcPtr<IPmsPduList>* rows) {
  int err = PMC_OK;
  PmcPtr<IPmsPduList> list(pmc_create_pdu_list(&err));
  // The row list's failure is returned without a log line.
  if (!list) return err == PMC_OK ? PMC_E_NOMEM : err;
  int rc = m_pGetData->get_data(list.get(), root);
  // The rows of a failed walk are dropped with the list: no reader keeps
  // part of a table it could not walk to its end.
  if (rc == PMC_OK) *rows = std::move(list);
  return logged(rc, "pGetData->get_data()");
}

int PSWExchange::walk_tables(const char* const* const* columns, const size_t* counts, size_t tables,
                             std::vector<PmcPtr<IPmsPduList>>* rows) {
  std::vector<PmcPtr<IPmsPduList>> lists;
  std::vector<IPmsPduList*> targets;
  try {
    for (size_t t = 0; t < tables; ++t) {
      int rc = add_columns(columns[t], counts[t]);
      if (rc != PMC_OK) return rc;
      int err = PMC_OK;
      lists.emplace_back(pmc_create_pdu_list(&err));
      if (!lists.back()) return err == PMC_OK ? PMC_E_NOMEM : err;
      targets.push_back(lists.back().get());
    }
  } catch (...) {
    return PMC_E_NOMEM;
  }
  int rc = m_pGetData->get_tables(counts, tables, targets.data());
  // As with one table: the rows of a failed walk are dropped.
  if (rc == PMC_OK) *rows = std::move(lists);
  return logged(rc, "pGetData->get_tables()");
}

int PSWExchange::get_int32(int32_t* value) {
  int32_t number = 0;
  int rc = m_pGetData->get_data(&number);
  if (rc == PMC_OK) *value = number;
  return logged(rc, "pGetData->get_data()");
}

int PSWExchange::get_int32s(int32_t* values, int count) {
  return logged(m_pGetData->get_data(values, count), "pGetData->get_data()");
}

int PSWExchange::get_text(char* text_out, bool log_failure) {
  int rc = m_pGetData->get_data(text_out);
  return log_failure ? logged(rc, "pGetData->get_data()") : rc;
}

int PSWExchange::get_text_if_present(char* text_out, bool log_failure) {
  int rc = m_pGetData->get_data(text_out);
  if (rc == PMC_E_NOVALUE) return PMC_OK;
  return log_failure ? logged(rc, "pGetData->get_data()") : rc;
}

int PSWExchange::set() { return logged(m_pGetData->set_data(), "pGetData->set_data()"); }

int PSWExchange::get_next(PmcNextBinding* out, int count) { return m_pGetData->get_next_data(out, count); }

int PSWExchange::get_answer(PmcPtr<IPmsPdu>* answer) {
  IPmsPdu* raw = nullptr;
  int rc = m_pGetData->get_answer(&raw);
  if (rc == PMC_OK) answer->reset(raw);
  return rc;
}

int PSWExchange::use_answer(PmcPtr<IPmsPdu> answer) { return m_pGetData->use_answer(answer.release()); }

int PSWExchange::get_next_answer(PmcPtr<IPmsPdu>* answer) {
  IPmsPdu* raw = nullptr;
  int rc = m_pGetData->get_next_answer(&raw);
  if (rc == PMC_OK) answer->reset(raw);
  return rc;
}

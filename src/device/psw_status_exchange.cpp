#include "device/psw_status_exchange.h"

#include "device/pmc_plugin_usm.h"
#include "log/pmc_log.h"

namespace {

// Logs a failed call of a reader; the line shows only the call's text.
int logged(int rc, const char* call) {
  if (rc != PMC_OK) pmc_log("PSW", PMC_LOG_ERROR, "%s", call);
  return rc;
}

}  // namespace

int PSWStatusExchange::open(const PSWConnection& c, const char* community) {
  int err = PMC_OK;
  m_pGetData.reset(pmc_create_get_data(&err));
  if (!m_pGetData) return logged(err == PMC_OK ? PMC_E_NOMEM : err, "pmc_create_get_data()");
  if (community != nullptr) m_pGetData->set_community(community);
  int rc =
      m_pGetData->init(c.address, c.protocol, c.port, c.snmp_mode, c.usm, c.timeout, c.retries, c.max_message_size);
  return logged(rc, "pGetData->init()");
}

int PSWStatusExchange::add(const char* oid) {
  return logged(m_pGetData->add_oid_string(oid, false), "pGetData->add_oid_string()");
}

int PSWStatusExchange::add_columns(const char* const* columns, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    int rc = add(columns[i]);
    if (rc != PMC_OK) return rc;
  }
  return PMC_OK;
}

int PSWStatusExchange::add_set(const char* column, const char* suffix, int32_t value) {
  return logged(m_pGetData->add_oid_string(column, suffix, value), "pGetData->add_oid_string()");
}

int PSWStatusExchange::walk(const char* root, PmcPtr<IPmsPduList>* rows) {
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

int PSWStatusExchange::get_int32(int32_t* value) {
  int32_t number = 0;
  int rc = m_pGetData->get_data(&number);
  if (rc == PMC_OK) *value = number;
  return logged(rc, "pGetData->get_data()");
}

int PSWStatusExchange::get_text(char* text_out) {
  return logged(m_pGetData->get_data(text_out), "pGetData->get_data()");
}

int PSWStatusExchange::set() { return logged(m_pGetData->set_data(), "pGetData->set_data()"); }

// ---------------------------------------------------------------------------

bool PSWRowReader::next() {
  IPmcOid* oid = nullptr;
  IPmcValue* value = nullptr;
  int rc = m_row.pop_value(&oid, &value);
  m_oid.reset(rc == PMC_OK ? oid : nullptr);
  m_value.reset(rc == PMC_OK ? value : nullptr);
  return rc == PMC_OK;
}

int32_t PSWRowReader::next_int32() { return next() && m_value ? m_value->get_int32(nullptr) : 0; }

uint32_t PSWRowReader::next_uint32() { return next() && m_value ? m_value->get_uint32(nullptr) : 0; }

void PSWRowReader::next_text(char* field, size_t size) {
  field[0] = '\0';
  if (!next() || !m_value) return;
  PmcPtr<IPmcText> text(m_value->to_text(nullptr));
  if (text) psw_copy_text(field, size, text->c_str(), text->length());
}

int32_t PSWRowReader::next_mapped(const PSWOidMap& map) {
  if (!next() || !m_value) return 0;
  PmcPtr<IPmcText> text(m_value->to_text(nullptr));
  return text ? psw_map_oid(map, text->c_str()) : 0;
}

const unsigned char* PSWRowReader::next_octets(size_t* length) {
  *length = 0;
  if (!next() || !m_value) return nullptr;
  int err = PMC_OK;
  const unsigned char* octets = m_value->get_octets(length, &err);
  if (err != PMC_OK || octets == nullptr) {
    *length = 0;
    return nullptr;
  }
  return octets;
}

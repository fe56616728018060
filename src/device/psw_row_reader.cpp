#include "device/psw_row_reader.h"

#include "device/pmc_plugin_usm.h"
#include "request/pmc_table_walk.h"

bool PSWRowReader::next() {
  IPmcOid* oid = nullptr;
  IPmcValue* value = nullptr;
  int rc = m_row.pop_value(&oid, &value);
  m_oid.reset(rc == PMC_OK ? oid : nullptr);
  m_value.reset(rc == PMC_OK ? value : nullptr);
  return rc == PMC_OK;
}

bool PSWRowReader::present() const { return m_value && !pmc_is_absent_cell(*m_value); }

void PSWRowReader::oid_text(char* out, size_t size) const {
  if (size == 0) return;
  out[0] = '\0';
  if (!m_oid) return;
  PmcPtr<IPmcText> text(m_oid->to_text(nullptr));
  if (text) psw_copy_text(out, size, text->c_str());
}

int32_t PSWRowReader::next_int32(int32_t absent) {
  next();
  return present() ? m_value->get_int32(nullptr) : absent;
}

uint32_t PSWRowReader::next_uint32() {
  next();
  return present() ? m_value->get_uint32(nullptr) : PSW_VALUE_ABSENT_U32;
}

uint32_t psw_counter32_of(const IPmcValue* value) {
  if (value == nullptr || pmc_is_absent_cell(*value)) return PSW_VALUE_ABSENT_U32;
  switch (value->get_type()) {
    case PMC_TAG_INTEGER:
      return static_cast<uint32_t>(value->get_int32(nullptr));
    case PMC_TAG_COUNTER32:
    case PMC_TAG_GAUGE32:
    case PMC_TAG_TIMETICKS:
    case PMC_TAG_COUNTER64:
      return value->get_uint32(nullptr);
    default:
      return PSW_VALUE_ABSENT_U32;
  }
}

uint32_t PSWRowReader::next_counter32() {
  next();
  return psw_counter32_of(m_value.get());
}

int PSWRowReader::index_parts(size_t column_length, uint32_t* index, size_t parts) const {
  if (!present() || !m_oid || m_oid->size() != column_length + parts) return -1;
  int err = PMC_OK;
  for (size_t i = 0; i < parts; ++i) index[i] = m_oid->get_element(column_length + i, &err);
  return err == PMC_OK ? 0 : -1;
}

void PSWRowReader::next_text(char* field, size_t size) {
  field[0] = '\0';
  next();
  if (!present()) return;
  PmcPtr<IPmcText> text(m_value->to_text(nullptr));
  if (text) psw_copy_text(field, size, text->c_str(), text->length());
}

int32_t PSWRowReader::next_mapped(const PSWOidMap& map) {
  next();
  if (!present()) return 0;
  PmcPtr<IPmcText> text(m_value->to_text(nullptr));
  return text ? psw_map_oid(map, text->c_str()) : 0;
}

const unsigned char* PSWRowReader::next_octets(size_t* length) {
  *length = 0;
  next();
  if (!present()) return nullptr;
  int err = PMC_OK;
  const unsigned char* octets = m_value->get_octets(length, &err);
  if (err != PMC_OK || octets == nullptr) {
    *length = 0;
    return nullptr;
  }
  return octets;
}

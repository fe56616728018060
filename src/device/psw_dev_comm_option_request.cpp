#include "device/psw_dev_comm_option_request.h"

#include <cstring>

#include "device/pmc_plugin_usm.h"
#include "device/psw_connection.h"
#include "device/psw_option_version.h"

int PSWOptionRequest::read_sys_object_id(char (&out)[PMC_GET_DATA_TEXT_SIZE]) {
  // The request object comes first: its address service tells the
  // protocol of the stored address text.
  int rc = create();
  if (rc != PMC_OK) return rc;
  int protocol = 0;
  rc = protocol_of(m_reader.m_szAddress, &protocol);
  if (rc != PMC_OK) return rc;
  if (protocol != m_reader.m_nProtocol) return PMC_E_ARG;
  rc = init();
  if (rc == PMC_OK) rc = add("1.3.6.1.2.1.1.2", true);  // sysObjectID.0
  if (rc != PMC_OK) return rc;
  return get_text(out, false);
}

int PSWOptionRequest::init() {
  const CPSWDevCommOption& r = m_reader;
  // The reader's fields are part of its exported layout; its requests go
  // through the same connection value, and the same checks, as the status
  // readers'.
  PmcUsmSettings usm;
  usm.nSnmpMode = r.m_nSnmpMode;
  psw_copy_text(usm.szUserName, r.m_szUserName);
  usm.nSecurityLevel = r.m_nSecurityLevel;
  usm.nAuthProtocol = r.m_nAuthProtocol;
  usm.nPrivProtocol = r.m_nPrivProtocol;
  psw_copy_text(usm.szAuthPassPhrase, r.m_szAuthPassPhrase);
  psw_copy_text(usm.szPrivPassPhrase, r.m_szPrivPassPhrase);
  psw_copy_text(usm.szContextName, r.m_szContextName);
  PSWConnection connection;
  int rc = psw_make_connection(r.m_nProtocol, r.m_szAddress, usm, r.m_nTimeout, r.m_nRetries,
                               static_cast<uint32_t>(r.m_nMaxMessageSize), &connection);
  if (rc != PMC_OK) return rc;
  // Without a community of its own the request object uses "public".
  if (r.m_bCommunitySet) connection.community.assign(r.m_szCommunity);
  connection.community_version = psw_option_community_version(r);
  connection.bulk_repetitions = psw_option_bulk_repetitions(r);
  return PSWExchange::init(connection);
}

int PSWOptionRequest::open_with(const char* const* oids, size_t count, bool instanceZero) {
  int rc = open();
  for (size_t i = 0; rc == PMC_OK && i < count; ++i) rc = add(oids[i], instanceZero);
  return rc;
}

namespace {

thread_local PSWOptionGathering* t_gathering = nullptr;

// The name of an object as its Get asks it.
std::string object_name(const PSWOptionObject& o) { return std::string(o.oid) + (o.instanceZero ? ".0" : ""); }

// Opens `request` and adds `objects`.
int open_for(PSWOptionRequest& request, const PSWOptionObject* objects, size_t count) {
  int rc = request.open();
  for (size_t i = 0; rc == PMC_OK && i < count; ++i) rc = request.add(objects[i].oid, objects[i].instanceZero);
  return rc;
}

// Opens `request` for `objects` and, when the reader's gathering holds
// their answers, hands it the answer to take instead of asking.
int open_gathered(PSWOptionRequest& request, const CPSWDevCommOption& reader, const PSWOptionObject* objects,
                  size_t count) {
  int rc = open_for(request, objects, count);
  if (rc != PMC_OK) return rc;
  const PSWOptionGathering* gathering = PSWOptionGathering::active_for(reader);
  PmcPtr<IPmsPdu> answer = gathering != nullptr ? gathering->answer_for(objects, count) : nullptr;
  return answer ? request.use_answer(std::move(answer)) : PMC_OK;
}

}  // namespace

PSWOptionGathering::PSWOptionGathering(const CPSWDevCommOption& reader)
    : m_reader(reader), m_pOuter(t_gathering) {
  t_gathering = this;
}

PSWOptionGathering::~PSWOptionGathering() { t_gathering = m_pOuter; }

PSWOptionGathering* PSWOptionGathering::active_for(const CPSWDevCommOption& reader) {
  for (PSWOptionGathering* g = t_gathering; g != nullptr; g = g->m_pOuter) {
    if (&g->m_reader == &reader) return g;
  }
  return nullptr;
}

bool psw_option_unreachable(int rc) {
  return rc == PMC_E_TIMEOUT || rc == PMC_E_SEND || rc == PMC_E_RECEIVE || rc == PMC_E_SOCKET || rc == PMC_E_BIND ||
         rc == PMC_E_SECURITY;
}

int PSWOptionGathering::gather_gets(const PSWOptionObject* objects, size_t count) {
  if (count == 0) return PMC_OK;
  PSWOptionRequest request(m_reader);
  int rc = open_for(request, objects, count);
  PmcPtr<IPmsPdu> answer;
  if (rc == PMC_OK) rc = request.get_answer(&answer);
  if (rc != PMC_OK) return rc;
  if (answer->get_error_status() != 0) return PMC_OK;
  IPmcVarBindList* list = answer->get_varbind_list();
  if (list == nullptr || list->size() != count) return PMC_OK;
  try {
    for (size_t i = 0; i < count; ++i) {
      PmcPtr<IPmcVarBind> kept(list->at(i)->clone(&rc));
      if (!kept) return PMC_OK;
      m_answers.emplace_back(object_name(objects[i]), std::move(kept));
    }
  } catch (...) {
    m_answers.clear();  // without memory the readers ask on their own
  }
  return PMC_OK;
}

int PSWOptionGathering::gather_walks(const PSWOptionTable* tables, size_t count) {
  if (count == 0) return PMC_OK;
  std::vector<const char* const*> columns;
  std::vector<size_t> sizes;
  std::vector<PmcPtr<IPmsPduList>> rows;
  try {
    for (size_t t = 0; t < count; ++t) {
      columns.push_back(tables[t].columns);
      sizes.push_back(tables[t].count);
    }
  } catch (...) {
    return PMC_OK;  // the readers walk on their own
  }
  PSWOptionRequest request(m_reader);
  int rc = request.open();
  if (rc == PMC_OK) rc = request.walk_tables(columns.data(), sizes.data(), count, &rows);
  // A walk that failed otherwise (a stuck column, a refusal) is walked
  // again table by table, so that each table's reader meets its own result.
  if (rc != PMC_OK) return psw_option_unreachable(rc) ? rc : PMC_OK;
  try {
    for (size_t t = 0; t < count; ++t) m_tables.push_back({tables[t], std::move(rows[t])});
  } catch (...) {
    m_tables.clear();
  }
  return PMC_OK;
}

PmcPtr<IPmsPduList> PSWOptionGathering::take_rows(const char* const* columns, size_t count) {
  for (KeptTable& kept : m_tables) {
    if (kept.table.count != count || !kept.rows) continue;
    bool same = true;
    for (size_t i = 0; i < count && same; ++i) same = std::strcmp(kept.table.columns[i], columns[i]) == 0;
    if (same) return std::move(kept.rows);
  }
  return nullptr;
}

PmcPtr<IPmsPduList> psw_gathered_option_rows(const CPSWDevCommOption& reader, const char* const* columns,
                                             size_t count) {
  PSWOptionGathering* gathering = PSWOptionGathering::active_for(reader);
  return gathering != nullptr ? gathering->take_rows(columns, count) : nullptr;
}

PmcPtr<IPmsPdu> PSWOptionGathering::answer_for(const PSWOptionObject* objects, size_t count) const {
  int rc = PMC_OK;
  PmcPtr<IPmsPdu> answer(pms_create_pdu(&rc));
  if (!answer) return nullptr;
  answer->set_type(PMS_PDU_RESPONSE);
  answer->set_error_status(0);
  answer->set_error_index(0);
  for (size_t i = 0; i < count; ++i) {
    const std::string name = object_name(objects[i]);
    const IPmcVarBind* found = nullptr;
    for (const auto& [kept_name, binding] : m_answers) {
      if (kept_name == name) found = binding.get();
    }
    if (found == nullptr) return nullptr;
    IPmcVarBind* copy = found->clone(&rc);
    if (copy == nullptr || answer->push_back(copy) != PMC_OK) return nullptr;
  }
  return answer;
}

int psw_option_get_text(const CPSWDevCommOption& reader, const char* oid, bool instanceZero,
                        char (&out)[PMC_GET_DATA_TEXT_SIZE], bool logFailure) {
  PSWOptionRequest request(reader);
  const PSWOptionObject object{oid, instanceZero};
  int rc = open_gathered(request, reader, &object, 1);
  return rc == PMC_OK ? request.get_text_if_present(out, logFailure) : rc;
}

int psw_option_get_int(const CPSWDevCommOption& reader, const char* oid, bool instanceZero, int32_t* value) {
  PSWOptionRequest request(reader);
  const PSWOptionObject object{oid, instanceZero};
  int rc = open_gathered(request, reader, &object, 1);
  return rc == PMC_OK ? request.get_int32(value) : rc;
}

int psw_option_get_ints(const CPSWDevCommOption& reader, const char* const* oids, int count, int32_t* values) {
  PSWOptionRequest request(reader);
  std::vector<PSWOptionObject> objects;
  try {
    for (int i = 0; i < count; ++i) objects.push_back({oids[i], false});
  } catch (...) {
    return PMC_E_NOMEM;
  }
  int rc = open_gathered(request, reader, objects.data(), objects.size());
  return rc == PMC_OK ? request.get_int32s(values, count) : rc;
}

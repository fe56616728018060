#include "device/psw_dev_comm_option_request.h"

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

int psw_option_get_text(const CPSWDevCommOption& reader, const char* oid, bool instanceZero,
                        char (&out)[PMC_GET_DATA_TEXT_SIZE], bool logFailure) {
  PSWOptionRequest request(reader);
  int rc = request.open_with(&oid, 1, instanceZero);
  return rc == PMC_OK ? request.get_text_if_present(out, logFailure) : rc;
}

int psw_option_get_int(const CPSWDevCommOption& reader, const char* oid, bool instanceZero, int32_t* value) {
  PSWOptionRequest request(reader);
  int rc = request.open_with(&oid, 1, instanceZero);
  return rc == PMC_OK ? request.get_int32(value) : rc;
}

int psw_option_get_ints(const CPSWDevCommOption& reader, const char* const* oids, int count, int32_t* values) {
  PSWOptionRequest request(reader);
  int rc = request.open_with(oids, count < 0 ? 0 : static_cast<size_t>(count), false);
  return rc == PMC_OK ? request.get_int32s(values, count) : rc;
}

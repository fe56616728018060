#include "device/psw_dev_comm_option_request.h"

#include "device/pmc_plugin_usm.h"
#include "log/pmc_log.h"

namespace {

// Copies a value's display text into a fixed buffer, cut and terminated.
void copy_text(const IPmcValue* value, char* out, size_t size) {
  if (out == nullptr || size == 0) return;
  out[0] = '\0';
  if (value == nullptr) return;
  PmcPtr<IPmcText> text(value->to_text(nullptr));
  if (text) psw_copy_text(out, size, text->c_str());
}

}  // namespace

int32_t PSWOptionRow::next_int(char* oid, size_t oidSize) {
  IPmcOid* rawOid = nullptr;
  IPmcValue* rawValue = nullptr;
  int rc = m_pdu.pop_value(oid != nullptr ? &rawOid : nullptr, &rawValue);
  PmcPtr<IPmcValue> oidValue(rawOid);
  PmcPtr<IPmcValue> value(rawValue);
  if (oid != nullptr) copy_text(oidValue.get(), oid, oidSize);
  if (rc != PMC_OK || !value) return -1;
  return value->get_int32(nullptr);
}

void PSWOptionRow::next_text(char* out, size_t size) {
  IPmcValue* rawValue = nullptr;
  int rc = m_pdu.pop_value(nullptr, &rawValue);
  PmcPtr<IPmcValue> value(rawValue);
  copy_text(rc == PMC_OK ? value.get() : nullptr, out, size);
}

int PSWOptionRequest::failed(const char* call, int rc) {
  pmc_log("PSW", PMC_LOG_ERROR, "%s", call);
  return rc;
}

int PSWOptionRequest::create() {
  int err = PMC_OK;
  m_pGetData.reset(pmc_create_get_data(&err));
  return m_pGetData ? PMC_OK : failed("pmc_create_get_data()", err);
}

int PSWOptionRequest::init() {
  const CPSWDevCommOption& r = m_reader;
  // Without a community of its own the request object uses "public".
  if (r.m_bCommunitySet) m_pGetData->set_community(r.m_szCommunity);
  // The texts point into the reader, which outlives this request.
  PmcUsmParameters usm = {r.m_szUserName,       r.m_nSecurityLevel,    r.m_nAuthProtocol, r.m_nPrivProtocol,
                          r.m_szAuthPassPhrase, r.m_szPrivPassPhrase, r.m_szContextName};
  int rc = m_pGetData->init(r.m_szAddress, r.m_nProtocol, r.m_nPort, r.m_nSnmpMode, &usm, r.m_nTimeout,
                            r.m_nRetries, static_cast<uint32_t>(r.m_nMaxMessageSize));
  return rc == PMC_OK ? PMC_OK : failed("pGetData->init()", rc);
}

int PSWOptionRequest::add(const char* oid, bool instanceZero) {
  int rc = m_pGetData->add_oid_string(oid, instanceZero);
  return rc == PMC_OK ? PMC_OK : failed("pGetData->add_oid_string()", rc);
}

int PSWOptionRequest::protocol_of(const char* address, int* protocol) {
  return m_pGetData->get_protocol_of(address, protocol);
}

int PSWOptionRequest::get_text(char (&out)[PMC_GET_DATA_TEXT_SIZE], bool logFailure) {
  int rc = m_pGetData->get_data(out);
  if (rc == PMC_OK || !logFailure) return rc;
  return failed("pGetData->get_data()", rc);
}

int PSWOptionRequest::get_int(int32_t* value) {
  int rc = m_pGetData->get_data(value);
  return rc == PMC_OK ? PMC_OK : failed("pGetData->get_data()", rc);
}

int PSWOptionRequest::get_ints(int32_t* values, int count) {
  int rc = m_pGetData->get_data(values, count);
  return rc == PMC_OK ? PMC_OK : failed("pGetData->get_data()", rc);
}

int PSWOptionRequest::walk_rows(const char* root, PmcPtr<IPmsPduList>* rows) {
  int err = PMC_OK;
  rows->reset(pmc_create_pdu_list(&err));
  if (!*rows) return err;  // not logged
  int rc = m_pGetData->get_data(rows->get(), root);
  return rc == PMC_OK ? PMC_OK : failed("pGetData->get_data()", rc);
}

int psw_option_get_text(const CPSWDevCommOption& reader, const char* oid, bool instanceZero,
                        char (&out)[PMC_GET_DATA_TEXT_SIZE],
                        bool logFailure) {
  PSWOptionRequest request(reader);
  int rc = request.open();
  if (rc == PMC_OK) rc = request.add(oid, instanceZero);
  return rc == PMC_OK ? request.get_text(out, logFailure) : rc;
}

int psw_option_get_int(const CPSWDevCommOption& reader, const char* oid, bool instanceZero, int32_t* value) {
  PSWOptionRequest request(reader);
  int rc = request.open();
  if (rc == PMC_OK) rc = request.add(oid, instanceZero);
  return rc == PMC_OK ? request.get_int(value) : rc;
}

int psw_option_get_ints(const CPSWDevCommOption& reader, const char* const* oids, int count, int32_t* values) {
  PSWOptionRequest request(reader);
  int rc = request.open();
  for (int i = 0; rc == PMC_OK && i < count; ++i) rc = request.add(oids[i], false);
  return rc == PMC_OK ? request.get_ints(values, count) : rc;
}

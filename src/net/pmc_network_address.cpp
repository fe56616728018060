#include "net/pmc_network_address.h"

#include <cstring>
#include <string>

#include "net/pmc_address_service.h"

namespace {

bool has_upper_hex(const char* text) {
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p >= 'A' && *p <= 'F') return true;
  }
  return false;
}

// Runs `fn(service)` on the process-wide address service, or returns the
// accessor's failure.
template <class Fn>
int with_service(Fn fn) {
  int err = PMC_OK;
  IPmcAddressService* service = pmc_address_service(&err);
  if (service == nullptr) return err;
  return fn(service);
}

}  // namespace

int CPmcNetworkAddress::post_construct() {
  int err = PMC_OK;
  m_pText.reset(pmc_create_text(&err));
  return err;
}

int CPmcNetworkAddress::store_text(const char* text) {
  // Hexadecimal IPv6 and IPX texts compare equal regardless of case; nothing
  // else is touched, so host names keep their other letters.
  if (!has_upper_hex(text)) return m_pText->assign(text);
  std::string lowered;
  try {
    lowered = text;
  } catch (...) {
    return PMC_E_NOMEM;
  }
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  }
  return m_pText->assign(lowered.data(), lowered.size());
}

int CPmcNetworkAddress::set_address(const char* text) {
  if (text == nullptr) return PMC_E_ARG;
  int derived = PROTOCOL_NONE;
  int rc = with_service([&](IPmcAddressService* s) { return s->protocol_of(text, &derived); });
  if (rc != PMC_OK) return rc;
  if (m_protocol != PROTOCOL_NONE && m_protocol != derived) return PMC_E_ARG;
  rc = store_text(text);
  if (rc != PMC_OK) return rc;
  if (m_protocol == PROTOCOL_NONE) m_protocol = static_cast<EProtocol>(derived);
  return PMC_OK;
}

int CPmcNetworkAddress::set(const char* text, EProtocol protocol, unsigned short port) {
  if (text == nullptr) return PMC_E_ARG;
  int rc = store_text(text);
  if (rc != PMC_OK) return rc;
  if (protocol != PROTOCOL_NONE) m_protocol = protocol;
  if (port != 0) m_port = port;
  return PMC_OK;
}

int CPmcNetworkAddress::get(IPmcText** copy, EProtocol* protocol, unsigned short* port) const {
  if (copy == nullptr) return PMC_E_ARG;
  int rc = m_pText->clone(copy);
  if (rc != PMC_OK) return rc;
  if (protocol != nullptr) *protocol = m_protocol;
  if (port != nullptr) *port = m_port;
  return PMC_OK;
}

int CPmcNetworkAddress::set_protocol(EProtocol protocol) {
  m_protocol = protocol;
  return PMC_OK;
}

int CPmcNetworkAddress::set_port(unsigned short port) {
  m_port = port;
  return PMC_OK;
}

bool CPmcNetworkAddress::equals(const IPmcNetworkAddress* other) const {
  if (other == nullptr) return false;
  if (m_protocol != other->get_protocol()) return false;
  if (other->get_port() != 0 && other->get_port() != m_port) return false;
  bool same = false;
  int rc = with_service([&](IPmcAddressService* s) { return s->same_address(c_str(), other->c_str(), &same); });
  return rc == PMC_OK && same;
}

int CPmcNetworkAddress::clone(IPmcNetworkAddress** out) const {
  if (out == nullptr) return PMC_E_ARG;
  *out = nullptr;
  CPmcNetworkAddress* copy = pmc_make<CPmcNetworkAddress>(nullptr);
  if (copy == nullptr) return PMC_E_ARG;
  int rc = copy->set(c_str(), m_protocol, m_port);
  if (rc != PMC_OK) {
    copy->release();
    return rc;
  }
  *out = copy;
  return PMC_OK;
}

bool CPmcNetworkAddress::is_valid() const {
  bool valid = false;
  int rc = with_service([&](IPmcAddressService* s) { return s->is_address(c_str(), &valid); });
  return rc == PMC_OK && valid;
}

int CPmcNetworkAddress::normalize() {
  IPmcText* canonical = nullptr;
  int rc = with_service([&](IPmcAddressService* s) { return s->normalize(c_str(), &canonical); });
  if (rc != PMC_OK) return rc;
  m_pText.reset(canonical);  // releases the old text
  return PMC_OK;
}

const char* CPmcNetworkAddress::c_str() const {
  const char* text = m_pText->c_str();
  return text == nullptr ? "" : text;
}

IPmcNetworkAddress* pmc_create_network_address(int* err) { return pmc_make<CPmcNetworkAddress>(err); }

IPmcNetworkAddress* pmc_create_network_address(const char* text, unsigned short port, int* err) {
  int protocol = IPmcNetworkAddress::PROTOCOL_NONE;
  int rc = with_service([&](IPmcAddressService* s) { return s->protocol_of(text, &protocol); });
  if (rc != PMC_OK) {
    pmc_set_err(err, rc);
    return nullptr;
  }
  PmcPtr<CPmcNetworkAddress> address(pmc_make<CPmcNetworkAddress>(err));
  if (!address) return nullptr;
  // A failed first setter releases the half-made address like every factory.
  rc = address->set(text, static_cast<IPmcNetworkAddress::EProtocol>(protocol), port);
  pmc_set_err(err, rc);
  return rc == PMC_OK ? address.release() : nullptr;
}

#include "net/pmc_address_service.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <new>

#include "net/pmc_address_rules.h"
#include "net/pmc_socket_api.h"
#include "net/pmc_transport_available.h"

// ---------------------------------------------------------------------------
// Operations common to both variants
// ---------------------------------------------------------------------------

int IPmcAddressService::is_address(const char* text, bool* out) {
  if (out == nullptr) return PMC_E_ARG;
  int protocol = IPmcNetworkAddress::PROTOCOL_NONE;
  int rc = protocol_of(text, &protocol);
  if (rc != PMC_OK) return rc;
  *out = protocol != IPmcNetworkAddress::PROTOCOL_NONE;
  return PMC_OK;
}

int IPmcAddressService::same_address(const char* text1, const char* text2, bool* out) {
  if (out == nullptr) return PMC_E_ARG;
  IPmcText* raw = nullptr;
  int rc = normalize(text1, &raw);
  PmcPtr<IPmcText> first(raw);
  if (rc != PMC_OK) return rc;
  raw = nullptr;
  rc = normalize(text2, &raw);
  PmcPtr<IPmcText> second(raw);
  if (rc != PMC_OK) return rc;
  *out = first->equals(second.get());
  return PMC_OK;
}

// ---------------------------------------------------------------------------
// Dual variant: the resolver
// ---------------------------------------------------------------------------

namespace {

// Numeric resolution of one text; the result list is freed with the object.
class CPmcNumericResolution {
 public:
  explicit CPmcNumericResolution(const char* text) {
    struct addrinfo hints {};
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    if (NPmcSocketAPI::api().m_pGetaddrinfo(text, nullptr, &hints, &m_list) != 0) m_list = nullptr;
  }
  ~CPmcNumericResolution() {
    if (m_list != nullptr) NPmcSocketAPI::api().m_pFreeaddrinfo(m_list);
  }
  CPmcNumericResolution(const CPmcNumericResolution&) = delete;
  CPmcNumericResolution& operator=(const CPmcNumericResolution&) = delete;

  const struct addrinfo* first() const { return m_list; }

 private:
  struct addrinfo* m_list = nullptr;
};

// Resolver part of protocol_of, for texts that are neither IPX nor dotted decimal.
int resolver_protocol_of(const char* text, int* protocol) {
  *protocol = IPmcNetworkAddress::PROTOCOL_NONE;
  NPmcSocketAPI::CPmcSocketStartup startup(NPmcSocketAPI::CPmcSocketStartup::V2_2);
  if (startup.result() != PMC_OK) return startup.result();
  if (!NPmcSocketAPI::has_resolver()) return PMC_E_PLATFORM;
  CPmcNumericResolution resolved(text);
  if (resolved.first() == nullptr) return PMC_E_FAIL;
  *protocol = pmc_protocol_of_family(resolved.first()->ai_family);
  return PMC_OK;
}

// Resolver part of normalize: the platform's numeric host form, with the
// zone of a scoped address as its number.
int resolver_canonical(const char* text, char (&host)[PMC_HOST_TEXT_SIZE]) {
  NPmcSocketAPI::CPmcSocketStartup startup(NPmcSocketAPI::CPmcSocketStartup::V2_2);
  if (startup.result() != PMC_OK) return startup.result();
  if (!NPmcSocketAPI::has_resolver()) return PMC_E_PLATFORM;
  CPmcNumericResolution resolved(text);
  const struct addrinfo* first = resolved.first();
  if (first == nullptr) return PMC_E_FAIL;
  int rc = NPmcSocketAPI::numeric_name_info(first->ai_addr, first->ai_addrlen, host, sizeof(host), nullptr, 0);
  return rc == 0 ? PMC_OK : PMC_E_FAIL;
}

}  // namespace

// Dotted decimal is read by its text before the resolver sees it: the
// resolver reads parts with a leading zero as octal, which would turn
// 192.168.001.010 into another host (192.168.1.8).
int CPmcAddressServiceDual::protocol_of(const char* text, int* protocol) {
  if (text == nullptr || protocol == nullptr) return PMC_E_ARG;
  uint8_t bytes[10];
  if (pmc_parse_ipx(text, bytes, bytes + 4)) {
    *protocol = IPmcNetworkAddress::PROTOCOL_IPX;
    return PMC_OK;
  }
  if (pmc_parse_ipv4_decimal(text, bytes)) {
    *protocol = IPmcNetworkAddress::PROTOCOL_IPV4;
    return PMC_OK;
  }
  return resolver_protocol_of(text, protocol);
}

int CPmcAddressServiceDual::normalize(const char* text, IPmcText** out) {
  if (text == nullptr || out == nullptr) return PMC_E_ARG;
  *out = nullptr;
  int protocol = IPmcNetworkAddress::PROTOCOL_NONE;
  int rc = protocol_of(text, &protocol);
  if (rc != PMC_OK) return rc;
  uint8_t bytes[4];
  if (protocol == IPmcNetworkAddress::PROTOCOL_IPX || pmc_parse_ipv4_decimal(text, bytes)) {
    return pmc_classic_normalize(text, out);  // same canonical forms as the classic rules
  }
  char host[PMC_HOST_TEXT_SIZE];
  rc = resolver_canonical(text, host);
  if (rc != PMC_OK) return rc;
  int err = PMC_OK;
  *out = pmc_create_text(host, &err);
  return err;
}

int CPmcAddressServiceDual::transport_available(IPmcNetworkAddress::EProtocol protocol, bool* available) {
  return pmc_transport_available(protocol, available);
}

// ---------------------------------------------------------------------------
// Classic variant
// ---------------------------------------------------------------------------

int CPmcAddressServiceClassic::protocol_of(const char* text, int* protocol) {
  return pmc_classic_protocol_of(text, protocol);
}

int CPmcAddressServiceClassic::normalize(const char* text, IPmcText** out) {
  return pmc_classic_normalize(text, out);
}

int CPmcAddressServiceClassic::transport_available(IPmcNetworkAddress::EProtocol protocol, bool* available) {
  return pmc_transport_available(protocol, available);
}

// ---------------------------------------------------------------------------
// The process-wide service
// ---------------------------------------------------------------------------

namespace {

std::mutex g_serviceLock;
std::atomic<IPmcAddressService*> g_service{nullptr};

// Destroys the service at process exit.
struct ServiceOwner {
  ~ServiceOwner() { delete g_service.exchange(nullptr); }
} g_serviceOwner;

}  // namespace

IPmcAddressService* pmc_address_service(int* err) {
  IPmcAddressService* service = g_service.load(std::memory_order_acquire);
  if (service == nullptr) {
    std::lock_guard<std::mutex> guard(g_serviceLock);
    service = g_service.load(std::memory_order_acquire);
    if (service == nullptr) {
      if (NPmcSocketAPI::has_resolver()) {
        service = new (std::nothrow) CPmcAddressServiceDual();
      } else {
        service = new (std::nothrow) CPmcAddressServiceClassic();
      }
      if (service == nullptr) {
        pmc_set_err(err, PMC_E_NOMEM);
        return nullptr;
      }
      g_service.store(service, std::memory_order_release);
    }
  }
  pmc_set_err(err, PMC_OK);
  return service;
}

void pmc_address_service_reset_for_test() {
  std::lock_guard<std::mutex> guard(g_serviceLock);
  delete g_service.exchange(nullptr);
}

#include "snmp/pms_socket_factory.h"

#include <atomic>

namespace {

std::atomic<IPmsSocketFactory*> g_socketFactory{nullptr};

}  // namespace

int pms_open_datagram_socket(int protocol, uint16_t port, DataGramSocket** out) {
  if (out == nullptr) return PMC_E_ARG;
  *out = nullptr;
  IPmsSocketFactory* factory = g_socketFactory.load(std::memory_order_acquire);
  if (factory == nullptr) return pmc_create_datagram_socket(protocol, port, out);
  int rc = factory->open_socket(protocol, port, out);
  if (rc != PMC_OK && *out != nullptr) {
    // A failed open hands out nothing, whatever the factory left there.
    (*out)->release();
    *out = nullptr;
  }
  return rc;
}

PmsSocketFactoryOverride::PmsSocketFactoryOverride(IPmsSocketFactory& factory)
    : m_pPrevious(g_socketFactory.exchange(&factory, std::memory_order_acq_rel)) {}

PmsSocketFactoryOverride::~PmsSocketFactoryOverride() {
  g_socketFactory.store(m_pPrevious, std::memory_order_release);
}

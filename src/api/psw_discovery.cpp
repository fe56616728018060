#include "api/psw_discovery.h"

#include <new>

#include "device/pmc_plugin_usm.h"

// Both rows name the same model; a sysObjectID matches a row when it begins
// with the prefix and ends there or continues with '.'.
const PSWSupportedModel g_pswSupportedModels[] = {
    {"1.3.6.1.4.1.47001.1.11.93.1.34.40.1", "Quillmark-VII Q4410"},
    {"1.3.6.1.4.1.47001.1.11.93.1.34.40.1.1", "Quillmark-VII Q4410"},
    {nullptr, nullptr},
};

CPSWFoundDeviceList::~CPSWFoundDeviceList() {
  while (m_pFirst != nullptr) {
    CPSWFoundDevice* next = m_pFirst->pNext;
    delete m_pFirst;
    m_pFirst = next;
  }
}

int CPSWFoundDeviceList::add_front(const char* sysObjectId, const char* modelName,
                                   const char* address) {
  auto* node = new (std::nothrow) CPSWFoundDevice{};
  if (node == nullptr) return PMC_E_NOMEM;
  psw_copy_text(node->szSysObjectId, sysObjectId);
  psw_copy_text(node->szModelName, modelName);
  psw_copy_text(node->szAddress, address);
  node->pNext = m_pFirst;
  m_pFirst = node;
  ++m_nCount;
  return PMC_OK;
}

CPSWDiscovery::~CPSWDiscovery() {
  // The finder belongs here too. Its class (the device finder of the
  // management core) is not part of the library yet, so no search can have
  // created one and the pointer is still null; when searches arrive, this
  // destructor releases it first: m_pFindDeviceSnmp->release().
  // The result list releases its nodes through its own destructor.
}

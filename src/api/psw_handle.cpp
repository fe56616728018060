#include "api/psw_handle.h"

#include "device/psw_device_status.h"
#include "psw/psw_options.hpp"

int CPSWHandle::post_construct() {
  int err = PMC_OK;
  m_pDiscovery = pmc_make<CPSWDiscovery>(&err);
  if (m_pDiscovery == nullptr) return err;
  m_pUSM = pmc_create_plugin_usm(&err);
  return m_pUSM == nullptr ? err : PMC_OK;
}

void CPSWHandle::set_community(char (&buffer)[kCommunitySize], const char* value) {
  psw_copy_text(buffer, value);
}

CPSWHandle::~CPSWHandle() {
  // 1. The option reader of the opened device.
  if (m_pOption != nullptr) m_pOption->destroy();
  m_pOption = nullptr;
  // 2. The discovery object, with its finder and result list.
  if (m_pDiscovery != nullptr) m_pDiscovery->destroy();
  m_pDiscovery = nullptr;
  // 3. The device status object, its record tables emptied first.
  if (m_pStatus != nullptr) {
    m_pStatus->clear_tables();
    m_pStatus->destroy();
  }
  m_pStatus = nullptr;
  // 4. The settings object.
  PSWPluginUSMDestroy()(m_pUSM);
  m_pUSM = nullptr;
}

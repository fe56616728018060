#include "api/psw_handle.h"

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
  // 1. The option reader of the opened device. Its class is not part of the
  //    library yet: nothing opens a device, so m_pOption is still null. Once
  //    device opening exists, it is released here with m_pOption->destroy().
  // 2. The discovery object, with its finder and result list.
  if (m_pDiscovery != nullptr) m_pDiscovery->destroy();
  m_pDiscovery = nullptr;
  // 3. The device status object, its record tables emptied first. Like the
  //    option reader it does not exist yet and m_pStatus is still null.
  // 4. The settings object, last: the readers above keep pointers into it.
  PSWPluginUSMDestroy()(m_pUSM);
  m_pUSM = nullptr;
}

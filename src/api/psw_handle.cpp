#include "api/psw_handle.h"

#include "device/psw_device_status.h"
#include "psw/psw_options.hpp"

void PSWDestroyOption::operator()(CPSWFalconOption* option) const { option->destroy(); }

void PSWDestroyDiscovery::operator()(CPSWDiscovery* discovery) const { discovery->destroy(); }

void PSWDestroyStatus::operator()(CPSWDeviceStatus* status) const {
  status->clear_tables();
  status->destroy();
}

int CPSWHandle::post_construct() {
  int err = PMC_OK;
  m_pDiscovery.reset(pmc_make<CPSWDiscovery>(&err));
  if (!m_pDiscovery) return err;
  m_pUSM.reset(pmc_create_plugin_usm(&err));
  return m_pUSM ? PMC_OK : err;
}

CPSWHandle::~CPSWHandle() {
  m_pOption.reset();
  m_pDiscovery.reset();
  m_pStatus.reset();
  m_pUSM.reset();
}

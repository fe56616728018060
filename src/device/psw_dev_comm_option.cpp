// The option reader: construction, copying, connection set-up and the
// order of the refresh.
#include <cstring>

#include "device/pmc_plugin_usm.h"
#include "device/psw_connection.h"
#include "device/psw_dev_comm_option_request.h"
#include "psw/psw_options.hpp"

CPSWDevCommOption::CPSWDevCommOption() {
  // Every member is a number, a flag or a fixed buffer: zero bytes are the
  // empty state of all of them (no connection, no community, no data).
  std::memset(&m_nProtocol, 0, reinterpret_cast<char*>(&m_outputTrays[kMaxOutputTrays]) -
                                   reinterpret_cast<char*>(&m_nProtocol));
  m_nSnmpMode = -1;
}

CPSWDevCommOption::CPSWDevCommOption(const CPSWDevCommOption& other) = default;
CPSWDevCommOption& CPSWDevCommOption::operator=(const CPSWDevCommOption& other) = default;
CPSWDevCommOption::~CPSWDevCommOption() = default;

void CPSWDevCommOption::destroy() { delete this; }

void CPSWDevCommOption::SetCommunityStr(const char* community) {
  std::memset(m_szCommunity, 0, sizeof m_szCommunity);
  // A null text takes the community back: requests use "public" again.
  m_bCommunitySet = community != nullptr;
  psw_copy_text(m_szCommunity, community);
}

int32_t CPSWDevCommOption::Init(int32_t protocol, const char* address, IPSWPluginUSM* settings, uint32_t timeout,
                                uint32_t retries, uint32_t maxMessageSize) {
  // An address that does not fit is refused rather than cut: a cut text
  // could name another device.
  if (address == nullptr || std::strlen(address) >= sizeof m_szAddress) return PSW_ERR_ARGUMENT;
  std::memset(m_szAddress, 0, sizeof m_szAddress);
  psw_copy_text(m_szAddress, address);
  m_nProtocol = protocol;
  m_nPort = psw_snmp_port_of(protocol);
  if (m_nPort == 0) return PSW_ERR_ARGUMENT;
  // The request layer takes signed numbers; the bits pass through, so a
  // value above the signed range reaches it as the negative number it
  // refuses.
  m_nTimeout = static_cast<int32_t>(timeout);
  m_nRetries = static_cast<int32_t>(retries);
  m_nMaxMessageSize = static_cast<int32_t>(maxMessageSize);

  // Copies, not pointers into the settings object: a later change of the
  // settings (another search or opening) must not alter this device's
  // credentials behind its stored security level and protocols.
  std::memset(m_szUserName, 0, sizeof m_szUserName);
  std::memset(m_szAuthPassPhrase, 0, sizeof m_szAuthPassPhrase);
  std::memset(m_szPrivPassPhrase, 0, sizeof m_szPrivPassPhrase);
  std::memset(m_szContextName, 0, sizeof m_szContextName);
  if (settings == nullptr) {
    // No settings: community-based requests.
    m_nSnmpMode = -1;
    m_nSecurityLevel = m_nAuthProtocol = m_nPrivProtocol = 0;
    return PSW_OK;
  }
  m_nSnmpMode = settings->get_snmp_mode();
  psw_copy_text(m_szUserName, settings->get_user_name());
  m_nSecurityLevel = settings->get_security_level();
  m_nAuthProtocol = settings->get_auth_protocol();
  m_nPrivProtocol = settings->get_priv_protocol();
  psw_copy_text(m_szAuthPassPhrase, settings->get_auth_pass_phrase());
  psw_copy_text(m_szPrivPassPhrase, settings->get_priv_pass_phrase());
  psw_copy_text(m_szContextName, settings->get_context_name());
  return PSW_OK;
}

void CPSWDevCommOption::initialize_data() {
  // The option data runs from the firmware text to the end of the output
  // tray list; the connection and the community before it stay.
  std::memset(m_szPrinterRomVersion, 0, reinterpret_cast<char*>(&m_outputTrays[kMaxOutputTrays]) -
                                            reinterpret_cast<char*>(m_szPrinterRomVersion));
}

bool CPSWDevCommOption::has_device_index(int hrDeviceIndex, int* status) const {
  for (int32_t i = 0; i < m_nDeviceCount; ++i) {
    if (m_devices[i].hrDeviceIndex == hrDeviceIndex) {
      if (status != nullptr) *status = m_devices[i].hrDeviceStatus;
      return true;
    }
  }
  return false;
}

int32_t CPSWDevCommOption::refresh_options() {
  initialize_data();
  int32_t (CPSWDevCommOption::*const kReaders[])() = {
      &CPSWDevCommOption::refresh_system_attributes,     &CPSWDevCommOption::refresh_hrdevice_table,
      &CPSWDevCommOption::refresh_input_tray_table,      &CPSWDevCommOption::refresh_output_tray_table,
      &CPSWDevCommOption::refresh_memory_size,           &CPSWDevCommOption::refresh_prt_media_table,
      &CPSWDevCommOption::refresh_netware_attributes,    &CPSWDevCommOption::refresh_fax_attributes,
      &CPSWDevCommOption::refresh_qrl_hrdev_detail_setting, &CPSWDevCommOption::refresh_finisher_booklet_info,
  };
  // The single Gets go in two gatherings: those every device is asked
  // first, those the device table calls for once it is read. The four
  // tables are walked together between them.
  PSWOptionGathering gathering(*this);
  int rc = psw_gather_option_gets(gathering, nullptr);
  if (psw_option_unreachable(rc)) return rc;
  rc = psw_gather_option_walks(gathering);
  if (psw_option_unreachable(rc)) return rc;
  for (auto reader : kReaders) {
    if (reader == &CPSWDevCommOption::refresh_fax_attributes) {
      const PSWOptionUnits units{has_device_index(kPswFaxUnitIndex, nullptr),
                                 has_device_index(kPswBookletUnitIndex, nullptr)};
      rc = psw_gather_option_gets(gathering, &units);
      if (psw_option_unreachable(rc)) return rc;
    }
    rc = (this->*reader)();
    if (rc != PSW_OK) return rc;  // what was read so far stays
  }
  return PSW_OK;
}

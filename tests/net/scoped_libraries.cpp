#include "scoped_libraries.h"

#include "net/pmc_address_service.h"
#include "net/pmc_iphelp_api.h"
#include "net/pmc_socket_api.h"

namespace psw_net_test {

ScopedSocketLibrary::ScopedSocketLibrary(const std::vector<std::string>& names) {
  NPmcSocketAPI::reset_for_test(names);
  pmc_address_service_reset_for_test();
}

ScopedSocketLibrary::~ScopedSocketLibrary() {
  NPmcSocketAPI::reset_for_test({});
  pmc_address_service_reset_for_test();
}

ScopedIpHelpLibrary::ScopedIpHelpLibrary(const std::vector<std::string>& names) {
  NPmcIpHelpAPI::reset_for_test(names);
}

ScopedIpHelpLibrary::~ScopedIpHelpLibrary() { NPmcIpHelpAPI::reset_for_test({}); }

}  // namespace psw_net_test

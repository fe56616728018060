#include <gtest/gtest.h>

#include "agent/snmp_tools.h"
#include "agent/snmpd_agent.h"

namespace psw_test {
namespace {

TEST(SnmpdAgent, Starts) {
  SnmpdOptions o;
  o.profile = SnmprecProfile::load(profile_path("types.snmprec"));
  SnmpdAgent agent(o);
  SnmpTools tools;
  std::cout << tools.run("snmpwalk", {"-v2c", "-c", "public", agent.endpoint(), "1.3.6.1.4.1.32473"}).output;
  std::cout << tools.run("snmpwalk", {"-v1", "-c", "public", agent.endpoint(), "1.3.6.1.4.1.32473"}).output;
  std::cout << tools.run("snmpget", {"-v1", "-c", "public", agent.endpoint(), "1.3.6.1.4.1.32473.99.5.1.0", "1.3.6.1.4.1.32473.99.5.3.0"}).output;
}

}  // namespace
}  // namespace psw_test

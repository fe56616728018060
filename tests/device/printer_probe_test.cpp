// The printer test of devices of other models: which answers make a
// printer, which do not, and the description it reads, against a
// scriptable device.
#include <gtest/gtest.h>

#include <string>

#include "agent/fault_agent.h"
#include "device/psw_connection.h"
#include "device/psw_exchange.h"
#include "device/psw_printer_probe.h"
#include "net/pmc_network_address.h"

namespace {

using psw_test::FaultAgent;
using psw_test::FaultScript;
namespace ber = psw_test::ber;

class PrinterProbeTest : public ::testing::Test {
 protected:
  void describe() { agent_.set("1.3.6.1.2.1.1.1.0", ber::Value::OctetString("Some device")); }

  // Runs the probe against the agent; its result code.
  int probe(PSWPrinterProbe* out) {
    PSWConnection c;
    EXPECT_EQ(psw_make_connection(IPmcNetworkAddress::PROTOCOL_IPV4, agent_.address().c_str(), PmcUsmSettings(), 300,
                                  0, 0, &c),
              PMC_OK);
    c.port = agent_.port();
    PSWExchange exchange;
    EXPECT_EQ(exchange.open(c, nullptr), PMC_OK);
    return psw_probe_printer(exchange, out);
  }
  // Something beyond the Printer MIB, so a GetNext past it still answers.
  void add_tail() { agent_.set("1.3.6.1.2.1.47.1.1.1.1.2.1", ber::Value::OctetString("chassis")); }

  FaultAgent agent_{"127.0.0.1"};
};

// (A row in either table makes a printer: the profiles of the C-interface
// tests cover both, and a device with neither.)

// Neighbours of hrPrinterTable and of the Printer MIB: hrDevice rows,
// another hrPrinter column, the MIB after the Printer MIB, and exception
// values in both places.
TEST_F(PrinterProbeTest, NeighboursAndExceptionValuesMakeNoPrinter) {
  describe();
  add_tail();
  agent_.set("1.3.6.1.2.1.25.3.2.1.1.1", ber::Value::Integer(1));
  agent_.set("1.3.6.1.2.1.25.3.5.1.2.1", ber::Value::OctetString(std::string(1, '\0')));
  agent_.set("1.3.6.1.2.1.44.1.1", ber::Value::Integer(1));
  PSWPrinterProbe out;
  ASSERT_EQ(probe(&out), PMC_OK);
  EXPECT_FALSE(out.printer);
  EXPECT_STREQ(out.description, "Some device");
  agent_.set("1.3.6.1.2.1.25.3.5.1.1.1", ber::Value::Exception(ber::kEndOfMibView));
  agent_.set("1.3.6.1.2.1.43.5.1.1.1.1", ber::Value::Exception(ber::kNoSuchInstance));
  ASSERT_EQ(probe(&out), PMC_OK);
  EXPECT_FALSE(out.printer);
  EXPECT_EQ(agent_.request_count(), 2u) << "one request each";
}

// Real printers' agents may have Printer MIB tables without a printer row
// in hrPrinterTable or prtGeneralTable: any object of the Printer MIB
// makes a printer, in the same single request.
TEST_F(PrinterProbeTest, AnyObjectOfThePrinterMibMakesAPrinter) {
  describe();
  add_tail();
  agent_.set("1.3.6.1.2.1.43.8.2.1.2.1.1", ber::Value::Integer(4));
  PSWPrinterProbe out;
  ASSERT_EQ(probe(&out), PMC_OK);
  EXPECT_TRUE(out.printer);
  EXPECT_EQ(agent_.request_count(), 1u);
}

// SNMPv1 with nothing beyond the Printer MIB's place: noSuchName for the
// whole request, which vouches for none of its bindings.
TEST_F(PrinterProbeTest, ARefusedRequestMakesNoPrinter) {
  describe();
  agent_.set("1.3.6.1.2.1.25.3.5.1.1.1", ber::Value::Integer(3));
  PSWPrinterProbe out;
  out.printer = true;
  ASSERT_EQ(probe(&out), PMC_OK);
  EXPECT_FALSE(out.printer);
  EXPECT_STREQ(out.description, "");
}

TEST_F(PrinterProbeTest, TheDescriptionIsSysDescrOnlyAndATimeOutPassesThrough) {
  add_tail();
  agent_.set("1.3.6.1.2.1.1.2.0", ber::Value::ObjectId(ber::parse_oid("1.3.6.1.4.1.9")));
  agent_.set("1.3.6.1.2.1.25.3.5.1.1.1", ber::Value::Integer(3));
  PSWPrinterProbe out;
  ASSERT_EQ(probe(&out), PMC_OK);
  EXPECT_TRUE(out.printer);
  EXPECT_STREQ(out.description, "") << "sysObjectID is no description";

  FaultScript script;
  script.drop_first = 100;
  agent_.set_script(script);
  out.printer = true;
  EXPECT_EQ(probe(&out), PMC_E_TIMEOUT);
  EXPECT_TRUE(out.printer) << "left as it was";
}

}  // namespace

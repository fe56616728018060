// Malformed and hostile messages: each is refused with its result code and,
// where the codec names the fault, with its line on the "snmp" category.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/log_test_support.h"
#include "snmp/codec_test_support.h"

using namespace codec_test;

namespace {

// A response PDU with request-id 1 and the given error fields and bindings.
std::string response_pdu(const std::string& bindings, const std::string& status = "00",
                         const std::string& list_tag = "30") {
  return tlv("a2", tlv("02", "01") + tlv("02", status) + tlv("02", "00") + tlv(list_tag, bindings));
}

// One binding of 1.3.6.1.1 with the value TLV given in hex.
std::string binding(const std::string& value_hex) { return tlv("30", "06042b060101" + value_hex); }

std::string message_with_value(const std::string& value_hex) { return v1_message(response_pdu(binding(value_hex))); }

class CodecMalformed : public log_test::LogTest {
 protected:
  void SetUp() override {
    log_test::LogTest::SetUp();
    IPmcLogger* logger = category("snmp");
    ASSERT_EQ(logger->add_sink(&m_sink), 0);
    ASSERT_EQ(logger->set_level_mask(PMC_LOG_ALL), 0);
  }

  // Decodes `hex` into a fresh PDU and header; the lines logged meanwhile go
  // to `m_lines`.
  int run(const std::string& hex) {
    const size_t before = m_sink.lines().size();
    PmcPtr<IPmsPdu> answer = pdu(PMS_PDU_NONE);
    m_last = std::move(answer);
    int rc = decode(hex_bytes(hex), m_last.get(), header().get());
    std::vector<std::string> lines = m_sink.lines();
    m_lines.assign(lines.begin() + static_cast<long>(before), lines.end());
    return rc;
  }

  // True when exactly one line was logged and it ends with `text` at `level`.
  ::testing::AssertionResult logged(const char* level, const std::string& text) const {
    const std::string tail = std::string(level) + ", " + text;
    if (m_lines.size() == 1 && m_lines[0].size() >= tail.size() &&
        m_lines[0].compare(m_lines[0].size() - tail.size(), std::string::npos, tail) == 0) {
      return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult failure = ::testing::AssertionFailure() << "expected only \"" << tail << "\", got";
    for (const std::string& line : m_lines) failure << "\n  " << line;
    return failure;
  }

  log_test::CaptureSink m_sink;
  std::vector<std::string> m_lines;
  PmcPtr<IPmsPdu> m_last;
};

}  // namespace

TEST_F(CodecMalformed, AWellFormedMessageLogsNothing) {
  EXPECT_EQ(run(message_with_value("020105")), PMC_OK);
  EXPECT_TRUE(m_lines.empty());
  EXPECT_EQ(m_last->get_varbind_list()->at(0)->get_value()->get_int32(nullptr), 5);
}

TEST_F(CodecMalformed, TrailingBytesAreCutAway) {
  const std::string good = message_with_value("020105");
  EXPECT_EQ(run(good + "deadbeef"), PMC_OK);
  EXPECT_TRUE(logged("Info ", "received packet is redundancy. be cut down."));
  EXPECT_EQ(m_last->get_varbind_list()->size(), 1u);
}

TEST_F(CodecMalformed, AShortDatagramIsRefused) {
  const std::string good = message_with_value("020105");
  EXPECT_EQ(run(good.substr(0, good.size() - 2)), PMC_E_MALFORMED);
  EXPECT_TRUE(logged("Error", "decode error: lack of received packet. can't go on decoding any more."));
  // Every shorter prefix is refused too, whatever the byte it ends at.
  for (size_t cut = 0; cut < good.size(); cut += 2) {
    EXPECT_EQ(run(good.substr(0, cut)), PMC_E_MALFORMED) << cut / 2;
  }
}

TEST_F(CodecMalformed, FaultsTheDecoderNames) {
  struct Case {
    const char* what;
    std::string hex;
    int rc;
    const char* line;
  };
  const std::string ok_binding = binding("020105");
  const Case cases[] = {
      {"SNMPv3 version", v1_message(response_pdu(ok_binding), "03"), PMC_E_MALFORMED,
       "decode error: unsupported snmp version."},
      {"negative version", v1_message(response_pdu(ok_binding), "ff"), PMC_E_MALFORMED,
       "decode error: unsupported snmp version."},
      {"pdu tag 0xA9", v1_message(tlv("a9", "020101020100020100" + tlv("30", ok_binding))), PMC_E_MALFORMED,
       "decode error: unknown pdu type."},
      {"pdu tag 0x30", v1_message(tlv("30", "020101020100020100" + tlv("30", ok_binding))), PMC_E_MALFORMED,
       "decode error: unknown pdu type."},
      {"pdu length short",
       v1_message(tlv_with_length("a2", "10", "020101020100020100" + tlv("30", ok_binding))),
       PMC_E_MALFORMED, "decode error: pdu length is wrong."},
      {"error-status 19", v1_message(response_pdu(ok_binding, "13")), PMC_E_MALFORMED,
       "decode error: error_status's value is wrong."},
      {"error-status -1", v1_message(response_pdu(ok_binding, "ff")), PMC_E_MALFORMED,
       "decode error: error_status's value is wrong."},
      {"list length short",
       v1_message(tlv("a2", "020101020100020100" + tlv_with_length("30", "05", ok_binding))), PMC_E_MALFORMED,
       "decode error: length of var bind list is wrong."},
      {"binding length short", v1_message(response_pdu(tlv_with_length("30", "08", "06042b060101020105"))),
       PMC_E_MALFORMED, "decode error: length of var bind is wrong."},
      {"binding length long", v1_message(response_pdu(tlv_with_length("30", "0a", "06042b060101020105") + "00")),
       PMC_E_MALFORMED, "decode error: length of var bind is wrong."},
      {"IPv6 value", message_with_value(tlv("48", "20010db8000000000000000000000001")), PMC_E_MALFORMED,
       "decode error: unknown asn type."},
      {"value tag 0x47", message_with_value("470105"), PMC_E_MALFORMED, "decode error: unknown asn type."},
      {"OID past the end", v1_message(response_pdu(tlv("30", "06202b0601"))), PMC_E_MALFORMED,
       "decode error. oid format is wrong."},
      {"sub-identifier over 32 bits", v1_message(response_pdu(tlv("30", "06062b9080808000020105"))),
       PMC_E_MALFORMED, "decode error. oid format is wrong."},
      {"Counter64 past the end", message_with_value("46090102"), PMC_E_MALFORMED,
       "decode error: counter64 format is wrong."},
      {"generic-trap 7",
       v1_message(tlv("a4", "06032b0601" + tlv("40", "00000000") + "020107020100430100" + tlv("30", ok_binding))),
       PMC_E_MALFORMED, "decode error: generic trap No. > 6. "},
      {"generic-trap -1",
       v1_message(tlv("a4", "06032b0601" + tlv("40", "00000000") + "0201ff020100430100" + tlv("30", ok_binding))),
       PMC_E_MALFORMED, "decode error: generic trap No. > 6. "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(run(c.hex), c.rc);
    EXPECT_TRUE(logged("Error", c.line));
  }
}

TEST_F(CodecMalformed, FaultsRefusedWithoutALine) {
  struct Case {
    const char* what;
    std::string hex;
  };
  const Case cases[] = {
      {"empty datagram", ""},
      {"outer tag", "31" + message_with_value("020105").substr(2)},
      {"indefinite length", "3080" + message_with_value("020105").substr(4)},
      {"five length bytes", "30850000000010" + message_with_value("020105").substr(4)},
      {"community tag", tlv("30", "020100" + tlv("02", "01") + response_pdu(binding("020105")))},
      {"list tag", v1_message(response_pdu(binding("020105"), "00", "31"))},
      {"Counter32 of five bytes from 0x01", message_with_value("41050100000000")},
      {"Counter32 of six bytes", message_with_value("4106000100000000")},
      {"INTEGER beyond 32 bits", message_with_value("02050080000000")},
      {"NULL with contents", message_with_value("050100")},
      {"noSuchObject with contents", message_with_value("800100")},
      {"IpAddress of three octets", message_with_value("4003c00002")},
      {"value length past the end", message_with_value("0405616263")},
      {"unfinished last sub-identifier", v1_message(response_pdu(tlv("30", "06032b0686020105")))},
      {"binding without value", v1_message(response_pdu(tlv("30", "06042b060101")))},
      {"binding name not an OID", v1_message(response_pdu(tlv("30", "020401010101020105")))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(run(c.hex), PMC_E_MALFORMED);
    EXPECT_TRUE(m_lines.empty()) << m_lines.front();
  }
}

TEST_F(CodecMalformed, PaddedNumbersThatFitAreRead) {
  EXPECT_EQ(run(message_with_value("4105 0080000000")), PMC_OK);
  EXPECT_EQ(m_last->get_varbind_list()->at(0)->get_value()->get_uint32(nullptr), 0x80000000u);
  EXPECT_EQ(run(message_with_value("0206 000000000080")), PMC_OK);
  EXPECT_EQ(m_last->get_varbind_list()->at(0)->get_value()->get_int32(nullptr), 128);
  EXPECT_EQ(run(message_with_value("0205 ffffffff7f")), PMC_OK);
  EXPECT_EQ(m_last->get_varbind_list()->at(0)->get_value()->get_int32(nullptr), 127 - 256);
  EXPECT_EQ(run(message_with_value("0200")), PMC_OK);
  EXPECT_EQ(m_last->get_varbind_list()->at(0)->get_value()->get_int32(nullptr), 0);
}

TEST_F(CodecMalformed, UnknownTranslateTypeIsNamed) {
  const Bytes bytes = hex_bytes(message_with_value("020105"));
  PmcPtr<IPmsMessageBuffer> buffer(pms_create_message_buffer(nullptr));
  ASSERT_EQ(buffer->assign(bytes.data(), bytes.size()), PMC_OK);
  PmcPtr<IPmsSnmpPacket> packet(pms_create_snmp_packet(nullptr));
  EXPECT_EQ(pms_translator()->decode(buffer.get(), packet.get(), PMS_TRANSLATE_UNKNOWN), PMC_E_ARG);
  const std::vector<std::string> lines = m_sink.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("Error, decode error: unknown translate type."), std::string::npos);
}

TEST_F(CodecMalformed, OneByteChangesNeverCrashTheDecoder) {
  // Every byte of a real message set to a few telling values: the decoder
  // answers something for each and never reads outside the datagram (which
  // the sanitizer builds check byte for byte).
  const Bytes good = hex_bytes(message_with_value(tlv("04", "7072696e746572")));
  for (size_t at = 0; at < good.size(); ++at) {
    for (unsigned char replacement : {0x00, 0x01, 0x7f, 0x80, 0x81, 0x84, 0x85, 0xff}) {
      Bytes changed = good;
      changed[at] = replacement;
      PmcPtr<IPmsPdu> answer = pdu(PMS_PDU_NONE);
      const int rc = decode(changed, answer.get(), header().get());
      EXPECT_TRUE(rc == PMC_OK || rc == PMC_E_MALFORMED || rc == PMC_E_UNSUPPORTED) << at << " " << rc;
    }
  }
}

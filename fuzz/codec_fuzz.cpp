// Fuzz target for the SNMP message codec: arbitrary bytes as a received
// datagram.
//
// Each input is decoded four ways: header only, into a new PDU and header,
// into a PDU that already holds bindings of every kind (the in-place path
// of a request receiving its response), and through a packet without parts.
// They must agree. A message that decodes is encoded again and must decode
// to an equal PDU and header, and encoding that once more must give the
// same bytes. OIDs keep the contents they were read or sent with: encoding
// with those must give the same bytes as encoding the texts anew, and a
// request whose names were sent before must decode like any other. A broken
// invariant aborts with a message.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "snmp/pms_translator.h"

namespace {

[[noreturn]] void fail(const char* what, int detail) {
  std::fprintf(stderr, "invariant broken: %s [%d]\n", what, detail);
  std::abort();
}

void check(bool ok, const char* what, int detail = 0) {
  if (!ok) fail(what, detail);
}

template <class T>
T* made(T* object) {
  check(object != nullptr, "object could not be made");
  return object;
}

// A request as a session holds it: bindings of several kinds whose objects
// the decoder may reuse.
PmcPtr<IPmsPdu> filled_request() {
  PmcPtr<IPmsPdu> pdu(made(pms_create_pdu(nullptr)));
  pdu->set_type(PMS_PDU_GET);
  const int tags[] = {PMC_TAG_NULL, PMC_TAG_INTEGER, PMC_TAG_OCTET_STRING, PMC_TAG_OID, PMC_TAG_COUNTER64,
                      PMC_TAG_NO_SUCH_OBJECT};
  for (int tag : tags) {
    IPmcOid* name = made(pmc_create_oid_from_text("1.3.6.1.2.1.1.1.0", nullptr));
    check(pdu->add(name, made(pmc_create_value(tag, nullptr))) == PMC_OK, "add");
  }
  return pdu;
}

PmcPtr<IPmsSnmpTarget> new_header() {
  PmcPtr<IPmsSnmpTarget> header(made(pms_create_community_target(nullptr)));
  header->set_max_message_size(PMS_MAX_BLOCK);
  return header;
}

bool same_header(const IPmsSnmpTarget& a, const IPmsSnmpTarget& b) {
  return a.get_version() == b.get_version() && a.equals(b);
}

// Encodes `pdu` with `header`'s version and community into `out`.
int encode(IPmsPdu& pdu, const IPmsSnmpTarget& header, IPmsMessageBuffer& out) {
  PmcPtr<IPmsSnmpTarget> copy(made(header.clone(nullptr)));
  copy->set_max_message_size(PMS_MAX_BLOCK);
  size_t encoded = 0;
  return pms_translator()->encode(&pdu, copy.get(), &out, &encoded);
}

// Sets every OID of the bindings to its own text again, which drops the
// contents it keeps.
void forget_kept_contents(IPmsPdu& pdu) {
  IPmcVarBindList* list = pdu.get_varbind_list();
  for (size_t i = 0; list != nullptr && i < list->size(); ++i) {
    IPmcValue* parts[] = {list->at(i)->get_oid(), list->at(i)->get_value()};
    for (IPmcValue* part : parts) {
      if (part == nullptr || part->get_type() != PMC_TAG_OID) continue;
      size_t length = 0;
      const unsigned char* text = part->get_octets(&length, nullptr);
      const std::string own(reinterpret_cast<const char*>(text), length);
      check(part->set_octets(own.data(), own.size()) == PMC_OK, "text set anew");
    }
  }
}

std::string content(const IPmsMessageBuffer& buffer) {
  return std::string(reinterpret_cast<const char*>(buffer.get_start()), buffer.get_content_length());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IPmsTranslator* codec = pms_translator();
  PmcPtr<IPmsMessageBuffer> message(made(pms_create_message_buffer(nullptr)));
  check(message->assign(data, size) == PMC_OK, "assign");

  int32_t status = 0;
  int32_t id = 0;
  const int header_rc = codec->decode_header(message.get(), &status, &id, PMS_TRANSLATE_COMMUNITY);
  PmsMessageHeader head;
  const int head_rc = codec->decode_header(message.get(), &head, PMS_TRANSLATE_COMMUNITY);
  check(head_rc == header_rc, "the two header decodes disagree", head_rc);
  check(head_rc != PMC_OK || (head.error_status == status && head.request_id == id), "header fields differ");

  PmcPtr<IPmsPdu> fresh(made(pms_create_pdu(nullptr)));
  PmcPtr<IPmsSnmpTarget> header = new_header();
  const int rc = codec->decode(message.get(), fresh.get(), header.get(), PMS_TRANSLATE_UNKNOWN);

  PmcPtr<IPmsPdu> reused = filled_request();
  PmcPtr<IPmsSnmpTarget> reused_header = new_header();
  {
    // Sent once, as a request is before its response arrives.
    PmcPtr<IPmsMessageBuffer> sent(made(pms_create_message_buffer(nullptr)));
    PmcPtr<IPmsSnmpTarget> request_header = new_header();
    request_header->set_version(PMS_VERSION_V2C);  // Counter64 and exceptions need it
    check(encode(*reused, *request_header, *sent) == PMC_OK, "request encoding failed");
  }
  check(codec->decode(message.get(), reused.get(), reused_header.get(), PMS_TRANSLATE_UNKNOWN) == rc,
        "in-place decode disagrees", rc);

  PmcPtr<IPmsSnmpPacket> packet(made(pms_create_snmp_packet(nullptr)));
  check(codec->decode(message.get(), packet.get(), PMS_TRANSLATE_COMMUNITY) == rc, "packet decode disagrees", rc);
  if (rc != PMC_OK) return 0;

  // A full decode implies a header decode with the same fields.
  check(header_rc == PMC_OK, "header decode failed where the full decode did not", header_rc);
  check(status == fresh->get_error_status() && id == fresh->get_request_id(), "header fields differ");
  check(head.pdu_type == fresh->get_type(), "header pdu type differs");
  check(fresh->equals(*reused), "in-place decode differs");
  check(packet->get_pdu() != nullptr && packet->get_target() != nullptr, "packet parts missing");
  check(same_header(*header, *reused_header) && same_header(*header, *packet->get_target()), "headers differ");

  // What decodes encodes again (a trap may name a generic trap the wire has
  // no number for), and decodes to the same.
  PmcPtr<IPmsMessageBuffer> again(made(pms_create_message_buffer(nullptr)));
  const int encode_rc = encode(*fresh, *header, *again);
  if (encode_rc == PMC_E_ARG && fresh->get_type() == PMS_PDU_TRAP) return 0;
  check(encode_rc == PMC_OK, "re-encoding failed", encode_rc);
  PmcPtr<IPmsPdu> round(made(pms_create_pdu(nullptr)));
  PmcPtr<IPmsSnmpTarget> round_header = new_header();
  const int round_rc = codec->decode(again.get(), round.get(), round_header.get(), PMS_TRANSLATE_UNKNOWN);
  check(round_rc == PMC_OK, "re-encoded message does not decode", round_rc);
  check(round->equals(*fresh), "re-encoded message decodes to another PDU");
  check(same_header(*round_header, *header), "re-encoded message decodes to another header");

  // The same PDU with every OID encoded from its text.
  forget_kept_contents(*fresh);
  PmcPtr<IPmsMessageBuffer> from_texts(made(pms_create_message_buffer(nullptr)));
  check(encode(*fresh, *header, *from_texts) == PMC_OK, "encoding from texts failed");
  check(content(*from_texts) == content(*again), "kept contents encode differently from the texts");

  PmcPtr<IPmsMessageBuffer> third(made(pms_create_message_buffer(nullptr)));
  check(encode(*round, *round_header, *third) == PMC_OK, "second re-encoding failed");
  check(content(*third) == content(*again), "encoding is not stable");
  return 0;
}

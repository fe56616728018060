// The broadcast search of RequestSession: one request to a broadcast (IPv4,
// IPX) or multicast (IPv6) address, and one answer kept from every device
// that responds, in order of first arrival. The request is sent retries + 1
// times and every try listens for the whole time-out, so a device that
// missed one datagram is still found. Only well-formed Response PDUs are
// kept; answers with another request-id are kept too, so a device that
// answers a later try's request late is still found.
#include <cstring>
#include <new>
#include <string>

#include "log/pmc_log.h"
#include "platform/pmc_platform.h"
#include "snmp/pms_request_session.h"
#include "snmp/pms_translator.h"

namespace {

// The network number of an IPX address text: its first eight characters.
constexpr size_t kIpxNetworkLength = 8;

// The identity of a responder: protocol, port and address text. The socket
// writes every sender's address in one canonical numeric form, so equal
// senders have equal keys.
bool responder_key(const IPmcNetworkAddress& source, std::string* key) {
  try {
    key->assign(std::to_string(static_cast<int>(source.get_protocol())));
    key->push_back('/');
    key->append(std::to_string(source.get_port()));
    key->push_back('/');
    key->append(source.c_str());
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

bool pms_broadcast_accepts(const IPmcNetworkAddress& destination, const IPmcNetworkAddress& source) {
  IPmcNetworkAddress::EProtocol protocol = destination.get_protocol();
  if (protocol == IPmcNetworkAddress::PROTOCOL_IPV4 || protocol == IPmcNetworkAddress::PROTOCOL_IPV6) return true;
  const char* to = destination.c_str();
  const char* from = source.c_str();
  if (std::strncmp(to, "00000000", kIpxNetworkLength) == 0) return true;
  // Both network numbers must be complete: a shorter text matches nothing.
  if (std::strlen(to) < kIpxNetworkLength || std::strlen(from) < kIpxNetworkLength) return false;
  return std::strncmp(to, from, kIpxNetworkLength) == 0;
}

int RequestSession::send_broad_cast_sync(IPmsSnmpPacket* packet, IPmsSnmpPacketList** out) {
  if (packet == nullptr) return PMC_E_ARG;
  return send_broad_cast_sync(packet->get_pdu(), packet->get_target(), out);
}

int RequestSession::send_broad_cast_sync(IPmsPdu* pdu, IPmsSnmpTarget* target, IPmsSnmpPacketList** out) {
  PMC_TRACE_FUNCTION(g_logSnmp);
  if (out == nullptr) return PMC_E_ARG;
  int rc = pms_check_exchange_arguments(pdu, target);
  if (rc != PMC_OK) return rc;
  // Answers to a search take the small receive block, whatever was asked.
  m_bBulkExchange = false;
  const IPmcNetworkAddress* destination = target->get_address();

  rc = open_socket(destination->get_protocol(), target->get_local_port());
  if (rc != PMC_OK) return rc;
  rc = m_pSocket->set_broadcast(true);
  if (rc != PMC_OK) return rc;

  // A search request is never split: it goes out as one message or not at all.
  PmcPtr<IPmsMessageBuffer> message;
  size_t encoded = 0;
  rc = encode(pdu, target, &message, &encoded);
  if (rc != PMC_OK) return rc;

  PmcPtr<IPmsSnmpPacketList> list(pmc_create_packet_list(&rc));
  if (!list) return rc;
  // Beside the list: who is in it, so each answer costs one look-up.
  PmsResponderSet responders;

  int32_t retries = target->get_retries();
  PMC_LOG(g_logSnmp, PMC_LOG_INFO, "broad cast: timeout= %d, retries=%d, destination=%s", target->get_timeout(),
          retries, destination->c_str());
  const int64_t tries = pms_try_count(retries);
  for (int64_t attempt = 0; attempt < tries; ++attempt) {
    PMC_LOG(g_logSnmp, PMC_LOG_DEBUG, "broad cast: try %lld.", static_cast<long long>(attempt));
    rc = send(*message, destination);
    if (rc == PMC_OK) rc = gather_answers(*destination, target, list.get(), &responders);
    if (rc != PMC_OK) {
      PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "broad cast: error=%d.", rc);
      return rc;
    }
  }
  *out = list.release();
  return PMC_OK;
}

int RequestSession::gather_answers(const IPmcNetworkAddress& destination, IPmsSnmpTarget* target,
                                   IPmsSnmpPacketList* list, PmsResponderSet* responders) {
  std::string key;
  int32_t timeout = target->get_timeout();
  CPmcDeadline deadline(timeout);
  // A time-out of 0 still looks once for answers that are already there.
  int32_t wait_ms = timeout;
  for (;;) {
    PmcPtr<IPmsMessageBuffer> datagram;
    PmcPtr<IPmcNetworkAddress> source;
    int rc = receive(wait_ms, &datagram, &source);
    if (rc == PMC_E_TIMEOUT) return PMC_OK;  // the normal end of a try
    // A datagram too big for the receive block (logged by the socket) is
    // skipped like an undecodable answer; anyone may send one.
    if (rc != PMC_OK && rc != PMC_E_OVERFLOW) return rc;
    if (rc == PMC_OK && source && pms_broadcast_accepts(destination, *source)) {
      if (!responder_key(*source, &key)) {
        PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "[RequestSession::send_broad_cast_sync] no memory to keep a responder.");
        return PMC_E_NOMEM;
      }
      if (responders->find(key) == responders->end()) {
        PMC_LOG(g_logSnmp, PMC_LOG_DEBUG, "broad cast: receive from new address:%s", source->c_str());
        rc = decode_and_append(list, datagram.get(), *source, target);
        if (rc == PMC_OK) {
          try {
            responders->insert(key);
          } catch (const std::bad_alloc&) {
            return PMC_E_NOMEM;
          }
        } else {
          // An answer that cannot be read, or that is no response, is
          // skipped; the search goes on and a later answer from the same
          // device may still be kept.
          PMC_LOG(g_logSnmp, PMC_LOG_DEBUG, "broad cast: skip the answer of %s, error=%d.", source->c_str(), rc);
        }
      }
    }
    wait_ms = deadline.left_ms();
    if (wait_ms <= 0) return PMC_OK;
  }
}

int RequestSession::decode_and_append(IPmsSnmpPacketList* list, IPmsMessageBuffer* message,
                                      const IPmcNetworkAddress& source, const IPmsSnmpTarget* target) {
  // Only community headers can be decoded by this session.
  if (target->uses_usm()) return PMC_E_ARG;
  int rc = PMC_OK;
  PmcPtr<IPmsSnmpTarget> header(pms_create_community_target(&rc));
  if (!header) return rc;
  PmcPtr<IPmsPdu> pdu(pms_create_pdu(&rc));
  if (!pdu) return rc;
  PmcPtr<IPmsSnmpPacket> packet(pms_create_snmp_packet(&rc));
  if (!packet) return rc;
  rc = pms_translator()->decode(message, pdu.get(), header.get(), PMS_TRANSLATE_COMMUNITY);
  if (rc != PMC_OK) return rc;
  // A request, a trap, an inform or a report is no device's answer.
  if (pdu->get_type() != PMS_PDU_RESPONSE) return PMC_E_OTHER_REQUEST;
  rc = header->set_address(&source);
  if (rc != PMC_OK) return rc;
  packet->set_pdu(pdu.release());
  packet->set_target(header.release());
  return list->push_back(packet.release());
}

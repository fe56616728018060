// RequestSession: the SNMPv1/SNMPv2c session of the library's own engine.
//
// One `send_sync` carries one request to one device and brings the answer
// back into the same PDU: on the session's datagram socket (opened by the
// first exchange, bound to a port the system picks, and kept for every later
// exchange and retry of the session, which lives for one operation: one
// Get, one Set or one whole walk), it encodes the PDU with a
// new request-id, sends it, waits for the answer, resends the same bytes up
// to the target's retry count, and decodes the answer. An answer is a
// Response PDU that carries the same request-id and comes from the
// destination's address and port; every other datagram is dropped and the
// wait goes on for the rest of the try's time-out. A request that is too big for the target's maximum
// message size, or that the device answers with tooBig, is split into
// smaller requests whose answers are joined again. The same session runs
// the broadcast search (`send_broad_cast_sync`, pms_broadcast.cpp), which
// collects one answer from every device that responds.
//
// The target is read for the destination address, local port, time-out
// (milliseconds), retries and maximum message size, and serves as the
// message header (version and community) of the requests. An exchange
// never changes it: neither its address nor, whatever version or
// community an answer carries, the header of later requests.
//
// Every message goes to the log category "snmp".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/pmc_object.h"
#include "base/pmc_object_list.h"
#include "net/pmc_datagram_socket.h"
#include "net/pmc_network_address.h"
#include "protocol/pms_pdu.h"
#include "protocol/pms_snmp_packet.h"
#include "protocol/pms_snmp_target.h"
#include "snmp/pms_message_buffer.h"
#include "snmp/pms_session.h"

// The process-wide request-id counter: each call hands out the next id as
// one atomic step. The first id of a process is drawn from the system's
// random source (0 to 2^30 - 1); after 2147483647 comes -2147483648.
int32_t pms_next_request_id();
// For tests: the next call of pms_next_request_id returns `next`.
void pms_set_next_request_id_for_test(int32_t next);

// True when the broadcast search to `destination` keeps an answer from
// `source`. IPv4 and IPv6 searches keep every answer; an IPX search keeps an
// answer when the destination's network number is "00000000" (any network)
// or equals the source's (the first eight characters of both texts).
bool pms_broadcast_accepts(const IPmcNetworkAddress& destination, const IPmcNetworkAddress& source);

// The responders a search has kept an answer of, by protocol, port and
// address text.
using PmsResponderSet = std::unordered_set<std::string>;

class RequestSession final : public IPmsSession, public CPmcObject {
 public:
  // Bytes offered to every receive but a GetBulk's.
  static constexpr size_t kReceiveSize = 2048;
  // Bytes offered to the answer of a GetBulk: any UDP datagram.
  static constexpr size_t kBulkReceiveSize = 65535;

  RequestSession() = default;

  void release() override { destroy(); }
  // One request-response exchange with splitting. 0 when a matching answer
  // was decoded into `pdu`; -2 for a null argument, a target without an
  // address or a negative time-out or retry count; -203 when no try got an
  // answer; -212 when a request cannot be split small enough; the socket
  // and codec codes otherwise. A GetBulk is never split: -211 when the
  // request does not fit the maximum message size, -210 for tooBig.
  int send_sync(IPmsPdu* pdu, IPmsSnmpTarget* target) override;
  // The same with the PDU and target of a packet, which keeps both.
  int send_sync(IPmsSnmpPacket* packet) override;
  // Broadcast search (pms_broadcast.cpp): sends the request retries + 1
  // times, each time gathering answers for the whole time-out, and hands out
  // one packet per responding address in order of first arrival: its first
  // well-formed Response PDU, whatever its request-id. Each answer costs
  // one look-up among the responders kept. Nobody answering is not an error
  // (0 and an empty list).
  int send_broad_cast_sync(IPmsSnmpPacket* packet, IPmsSnmpPacketList** out) override;
  int send_broad_cast_sync(IPmsPdu* pdu, IPmsSnmpTarget* target, IPmsSnmpPacketList** out) override;

  // --- inner steps, shared by the exchange and the broadcast search ---

  // Replaces the session's socket by a new one for `protocol`, bound to
  // `port` (0: any), from the socket factory in place
  // (snmp/pms_socket_factory.h): a real socket unless a test put a
  // stand-in there.
  int open_socket(int protocol, uint16_t port);
  // Keeps the session's socket when it is one for `protocol` bound to
  // `port` (0: any port), else opens a new one as open_socket does. Every
  // exchange of `send_sync` runs on it; the broadcast search opens its own.
  int keep_socket_for(int protocol, uint16_t port);
  // Gives `pdu` a new request-id and encodes it for `target` into `*out`.
  // On -211 `*encoded_bindings` tells how many bindings, counted from the
  // end of the list, fitted into the maximum message size.
  int encode(IPmsPdu* pdu, IPmsSnmpTarget* target, PmcPtr<IPmsMessageBuffer>* out, size_t* encoded_bindings);
  // Sends the content of `message` to `destination` through the socket.
  int send(const IPmsMessageBuffer& message, const IPmcNetworkAddress* destination);
  // Waits up to `timeout_ms` for one datagram; hands out its bytes (in a
  // block of exactly their length) and its sender. -211 for a datagram
  // larger than kReceiveSize, which is dropped.
  int receive(int32_t timeout_ms, PmcPtr<IPmsMessageBuffer>* message, PmcPtr<IPmcNetworkAddress>* source);
  // Decodes `message` into `pdu`, storing the answer's version and community
  // into `target`.
  static int decode(IPmsMessageBuffer* message, IPmsPdu* pdu, IPmsSnmpTarget* target);
  // Decodes the answer of an exchange, which then replaces the content of
  // `pdu`; on failure `pdu` is left as it was. The answer's version and
  // community go into a header of the session's own, never into the
  // target of the exchange.
  int decode_answer(IPmsMessageBuffer* message, IPmsPdu* pdu);
  // Peeks at a datagram's PDU type, request-id and error-status: -251 when
  // it is no Response PDU, answers another request or cannot be read, -210
  // when it says tooBig, else 0.
  static int check_received_raw_packet(IPmsPdu* pdu, IPmsSnmpTarget* target, IPmsMessageBuffer* message);
  // One exchange without splitting. When the request must be split,
  // `*fragment_count` receives the number of parts (else 0) and the result
  // is -211 or -210.
  int _send_and_receive(IPmsPdu* pdu, IPmsSnmpTarget* target, int* fragment_count);
  // Moves the bindings of `pdu` into `count` new PDUs of the same header,
  // the first (n mod count) of them one binding larger, order kept. -212
  // when there are fewer bindings than parts.
  static int fragment_pdu(IPmsPdu* pdu, int count, IPmsPduList** out);
  // Splits `pdu` into `count` parts, exchanges each (splitting again where
  // needed) and joins the answers into `pdu`.
  int fragment_process(IPmsPdu* pdu, IPmsSnmpTarget* target, int count);
  // Joins the answers of `fragments` into `pdu`: the first answer's type,
  // the first error-status with its error-index counted over the whole
  // request, and every binding in order.
  static int merge_fragments(IPmsPdu* pdu, IPmsPduList* fragments);

  // The current socket (lent), null before the first exchange.
  DataGramSocket* socket() const { return m_pSocket.get(); }

 protected:
  ~RequestSession() override = default;

 private:
  // Outcome of waiting for the answer of one try.
  enum class TryEnd { kAnswered, kTimedOut, kFailed };

  // Waits for the matching answer after one send; `*result` holds the
  // exchange's result when the try ends with kAnswered or kFailed.
  TryEnd await_answer(IPmsPdu* pdu, IPmsSnmpTarget* target, int32_t timeout_ms, int* result);
  // Broadcast: gathers answers for one try (pms_broadcast.cpp).
  int gather_answers(const IPmcNetworkAddress& destination, IPmsSnmpTarget* target, IPmsSnmpPacketList* list,
                     PmsResponderSet* responders);
  // Decodes one answer and appends it to `list` under `source`; -251 when it
  // is no Response PDU.
  static int decode_and_append(IPmsSnmpPacketList* list, IPmsMessageBuffer* message,
                               const IPmcNetworkAddress& source, const IPmsSnmpTarget* target);

  PmcPtr<DataGramSocket> m_pSocket;
  // The header answers are decoded into, made on first need.
  PmcPtr<IPmsSnmpTarget> m_pAnswerHeader;
  unsigned char m_receiveBlock[kReceiveSize];
  // The block of GetBulk answers, made on first need.
  std::vector<unsigned char> m_bulkBlock;
  // The exchange under way is a GetBulk.
  bool m_bBulkExchange = false;
};

// Checks the arguments every exchange and search shares: PDU and target
// present, an address to send to, a time-out and retry count that are not
// negative. 0 or -2.
int pms_check_exchange_arguments(const IPmsPdu* pdu, const IPmsSnmpTarget* target);

// The number of sends of an exchange or search: retries + 1, counted in 64
// bits so that no retry count overflows it; 0 for a negative count (which
// pms_check_exchange_arguments refuses before anything is sent).
int64_t pms_try_count(int32_t retries);


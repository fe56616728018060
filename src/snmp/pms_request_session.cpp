#include "snmp/pms_request_session.h"

#include <atomic>
#include <chrono>
#include <mutex>

#include "log/pmc_log.h"
#include "platform/pmc_platform.h"
#include "snmp/pms_request_count.h"
#include "snmp/pms_socket_factory.h"
#include "snmp/pms_translator.h"

namespace {

// The counter holds the last id handed out and wraps from 2147483647 to
// -2147483648. Its first value comes from the system's random source on
// first use, so a sender who has not seen a request of this process cannot
// answer it by guessing its id.
std::atomic<uint32_t> g_requestIdCounter{0};
std::once_flag g_requestIdSeeded;

// First ids lie below 2^30: a process hands out at least 2^30 ids before
// they turn negative, which some agents handle badly.
constexpr uint32_t kFirstIdMask = 0x3FFFFFFFu;

uint64_t now_ns() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

void seed_request_ids() {
  uint32_t first = 0;
  if (pmc_system_random(&first, sizeof first) != PMC_OK) {
    // No random source answered: the clock is still better than a fixed start.
    PMC_LOG(g_logSnmp, PMC_LOG_WARN, "request id: no system random source, the first id is taken from the clock.");
    uint64_t t = now_ns();
    first = static_cast<uint32_t>(t ^ (t >> 29));
  }
  g_requestIdCounter.store((first & kFirstIdMask) - 1u, std::memory_order_relaxed);
}

int32_t to_int32(uint32_t bits) { return static_cast<int32_t>(bits); }

// Failures of the socket itself, after which it is closed.
bool is_socket_failure(int rc) { return rc == PMC_E_SEND || rc == PMC_E_RECEIVE || rc == PMC_E_SOCKET; }

size_t binding_count(const IPmsPdu* pdu) {
  const IPmcVarBindList* list = pdu->get_varbind_list();
  return list == nullptr ? 0 : list->size();
}

}  // namespace

int32_t pms_next_request_id() {
  std::call_once(g_requestIdSeeded, seed_request_ids);
  return to_int32(g_requestIdCounter.fetch_add(1, std::memory_order_relaxed) + 1u);
}

void pms_set_next_request_id_for_test(int32_t next) {
  // Seeded first, so a later first use cannot overwrite the value set here.
  std::call_once(g_requestIdSeeded, seed_request_ids);
  g_requestIdCounter.store(static_cast<uint32_t>(next) - 1u, std::memory_order_relaxed);
}

int64_t pms_try_count(int32_t retries) { return retries < 0 ? 0 : int64_t{retries} + 1; }

int pms_check_exchange_arguments(const IPmsPdu* pdu, const IPmsSnmpTarget* target) {
  if (pdu == nullptr || target == nullptr) return PMC_E_ARG;
  if (target->get_address() == nullptr) return PMC_E_ARG;
  // A negative time-out would wait without limit and a negative retry
  // count would send nothing; neither is a usable exchange.
  if (target->get_timeout() < 0 || target->get_retries() < 0) return PMC_E_ARG;
  return PMC_OK;
}

// ---------------------------------------------------------------------------
// Inner steps
// ---------------------------------------------------------------------------
int RequestSession::keep_socket_for(int protocol, uint16_t port) {
  if (m_pSocket) {
    // One socket serves every exchange of an operation: opening, binding
    // and closing one per exchange cost most of a walk's time. The port it
    // was bound to was chosen at random once, for the whole operation.
    IPmcNetworkAddress* local = m_pSocket->local_address();
    if (local != nullptr && local->get_protocol() == protocol && (port == 0 || local->get_port() == port))
      return PMC_OK;
  }
  return open_socket(protocol, port);
}

int RequestSession::open_socket(int protocol, uint16_t port) {
  m_pSocket.reset();
  DataGramSocket* socket = nullptr;
  int rc = pms_open_datagram_socket(protocol, port, &socket);
  m_pSocket.reset(socket);
  return rc;
}

int RequestSession::encode(IPmsPdu* pdu, IPmsSnmpTarget* target, PmcPtr<IPmsMessageBuffer>* out,
                           size_t* encoded_bindings) {
  *encoded_bindings = 0;
  int rc = PMC_OK;
  PmcPtr<IPmsMessageBuffer> message(pms_create_message_buffer(&rc));
  if (!message) return rc;
  pdu->set_request_id(pms_next_request_id());
  rc = pms_translator()->encode(pdu, target, message.get(), encoded_bindings);
  if (rc == PMC_OK) *out = std::move(message);
  return rc;
}

int RequestSession::send(const IPmsMessageBuffer& message, const IPmcNetworkAddress* destination) {
  if (!m_pSocket) return PMC_E_ARG;
  pms_count_request();
  return m_pSocket->send(message.get_start(), message.get_content_length(), destination);
}

int RequestSession::receive(int32_t timeout_ms, PmcPtr<IPmsMessageBuffer>* message,
                            PmcPtr<IPmcNetworkAddress>* source) {
  if (!m_pSocket) return PMC_E_ARG;
  size_t received = 0;
  IPmcNetworkAddress* from = nullptr;
  // A GetBulk answer is as large as the device makes it: up to the largest
  // datagram. Every other exchange keeps the small block.
  unsigned char* block = m_receiveBlock;
  size_t size = sizeof m_receiveBlock;
  if (m_bBulkExchange) {
    try {
      m_bulkBlock.resize(kBulkReceiveSize);
    } catch (...) {
      return PMC_E_NOMEM;
    }
    block = m_bulkBlock.data();
    size = m_bulkBlock.size();
  }
  int rc = m_pSocket->receive(block, size, timeout_ms, &received, &from);
  source->reset(from);
  if (rc != PMC_OK) return rc;
  PmcPtr<IPmsMessageBuffer> bytes(pms_create_message_buffer(&rc));
  if (!bytes) return rc;
  rc = bytes->assign(block, received);
  if (rc != PMC_OK) return rc;
  *message = std::move(bytes);
  return PMC_OK;
}

int RequestSession::decode(IPmsMessageBuffer* message, IPmsPdu* pdu, IPmsSnmpTarget* target) {
  // The target is the header, so the translate type is never needed.
  return pms_translator()->decode(message, pdu, target, PMS_TRANSLATE_UNKNOWN);
}

int RequestSession::decode_answer(IPmsMessageBuffer* message, IPmsPdu* pdu) {
  // The answer is decoded aside, and only a whole one replaces the request:
  // a malformed datagram that carries the request's id is dropped without
  // leaving part of itself in the PDU, from which a later split still
  // sends. Its header goes into the session's own: the target is the
  // header of the requests that follow (the rest of a walk, the parts of a
  // split request), whose version and community are the caller's, never
  // what a device put into its answer.
  int rc = PMC_OK;
  if (!m_pAnswerHeader) m_pAnswerHeader.reset(pms_create_community_target(&rc));
  if (!m_pAnswerHeader) return rc == PMC_OK ? PMC_E_NOMEM : rc;
  PmcPtr<IPmsPdu> answer(pms_create_pdu(&rc));
  if (!answer) return rc;
  rc = decode(message, answer.get(), m_pAnswerHeader.get());
  if (rc == PMC_OK) rc = pdu->copy_header(*answer);
  if (rc != PMC_OK) return rc;
  pdu->set_varbind_list(answer->detach_varbind_list());
  return PMC_OK;
}

int RequestSession::check_received_raw_packet(IPmsPdu* pdu, IPmsSnmpTarget* target, IPmsMessageBuffer* message) {
  PmsMessageHeader header;
  int translate_type = target->uses_usm() ? PMS_TRANSLATE_USM : PMS_TRANSLATE_COMMUNITY;
  int rc = pms_translator()->decode_header(message, &header, translate_type);
  if (rc == PMC_OK && header.pdu_type != PMS_PDU_RESPONSE) {
    // A trap (whose missing request-id reads as 0), a request, an inform or
    // a report is never the answer, whatever id it carries.
    PMC_LOG(g_logSnmp, PMC_LOG_DEBUG, "[RequestSession::check_received_raw_packet] not a response. pdu type[%d].",
            header.pdu_type);
    return PMC_E_OTHER_REQUEST;
  }
  if (rc != PMC_OK || header.request_id != pdu->get_request_id()) {
    PMC_LOG(g_logSnmp, PMC_LOG_DEBUG,
            "[RequestSession::check_received_raw_packet] request id not match. sended "
            "packet[%ud]:received packet[%ud].",
            static_cast<unsigned>(pdu->get_request_id()), static_cast<unsigned>(header.request_id));
    return PMC_E_OTHER_REQUEST;
  }
  return header.error_status == 1 ? PMC_E_TOOBIG : PMC_OK;
}

// ---------------------------------------------------------------------------
// One exchange
// ---------------------------------------------------------------------------
int RequestSession::send_sync(IPmsPdu* pdu, IPmsSnmpTarget* target) {
  int rc = pms_check_exchange_arguments(pdu, target);
  if (rc != PMC_OK) return rc;
  const IPmcNetworkAddress* destination = target->get_address();
  rc = keep_socket_for(destination->get_protocol(), target->get_local_port());
  if (rc != PMC_OK) return rc;
  int fragment_count = 0;
  rc = _send_and_receive(pdu, target, &fragment_count);
  if (fragment_count != 0 && pdu->get_type() == PMS_PDU_GETBULK) {
    // The parts of a GetBulk would each repeat their own columns: their
    // answers cannot be joined. The code goes back as it is (-211: the
    // request itself is too big, -210: its answer), and the walk asks for
    // fewer columns or fewer repetitions instead.
  } else if (fragment_count != 0) {
    rc = fragment_process(pdu, target, fragment_count);
  }
  // A socket that failed to send or receive is not trusted with the next
  // exchange; time-outs and refusals leave it as good as it was.
  if (is_socket_failure(rc)) m_pSocket.reset();
  return rc;
}

int RequestSession::send_sync(IPmsSnmpPacket* packet) {
  if (packet == nullptr) return PMC_E_ARG;
  return send_sync(packet->get_pdu(), packet->get_target());
}

int RequestSession::_send_and_receive(IPmsPdu* pdu, IPmsSnmpTarget* target, int* fragment_count) {
  *fragment_count = 0;
  int rc = pms_check_exchange_arguments(pdu, target);
  if (rc != PMC_OK) return rc;

  PmcPtr<IPmsMessageBuffer> message;
  size_t encoded = 0;
  rc = encode(pdu, target, &message, &encoded);
  if (rc == PMC_E_OVERFLOW) {
    size_t bindings = binding_count(pdu);
    if (encoded == 0) {
      // Not even one binding fits: no number of parts can help.
      PMC_LOG(g_logSnmp, PMC_LOG_ERROR,
              "[RequestSession::_send_and_receive] a single binding does not fit into %zu bytes.",
              target->get_max_message_size());
      return PMC_E_NOSPLIT;
    }
    // Every binding fitted but the header did not: halve the request.
    size_t parts = encoded >= bindings ? 2 : (bindings + encoded - 1) / encoded;
    *fragment_count = static_cast<int>(parts);
    return PMC_E_OVERFLOW;
  }
  if (rc != PMC_OK) return rc;
  size_t max_size = target->get_max_message_size();
  if (message->get_content_length() > max_size) {
    *fragment_count = static_cast<int>((message->get_content_length() + max_size - 1) / max_size);
    return PMC_E_OVERFLOW;
  }

  int32_t timeout = target->get_timeout();
  int32_t retries = target->get_retries();
  PMC_LOG(g_logSnmp, PMC_LOG_INFO, "_send_and_receive(): timeout= %d, retries=%d", timeout, retries);

  const IPmcNetworkAddress* destination = target->get_address();
  m_bBulkExchange = pdu->get_type() == PMS_PDU_GETBULK;
  rc = PMC_E_TIMEOUT;
  // Counted in 64 bits: retries + 1 tries never overflow, even for the
  // largest retry count.
  const int64_t tries = pms_try_count(retries);
  for (int64_t attempt = 0; attempt < tries; ++attempt) {
    PMC_LOG(g_logSnmp, PMC_LOG_DEBUG, "_send_and_receive(): try %lld, destination=%s", static_cast<long long>(attempt),
            destination->c_str());
    rc = send(*message, destination);
    if (rc != PMC_OK) break;
    TryEnd end = await_answer(pdu, target, timeout, &rc);
    if (end != TryEnd::kTimedOut) break;
    rc = PMC_E_TIMEOUT;
  }

  // Only the destination can have answered, so the target keeps the address
  // it was asked at: every later request goes to the same device.
  if (rc == PMC_E_TOOBIG) *fragment_count = 2;
  return rc;
}

RequestSession::TryEnd RequestSession::await_answer(IPmsPdu* pdu, IPmsSnmpTarget* target, int32_t timeout_ms,
                                                    int* result) {
  const IPmcNetworkAddress* destination = target->get_address();
  CPmcDeadline deadline(timeout_ms);
  // A time-out of 0 still looks once for an answer that is already there.
  int32_t wait_ms = timeout_ms;
  for (;;) {
    PmcPtr<IPmsMessageBuffer> datagram;
    PmcPtr<IPmcNetworkAddress> source;
    int rc = receive(wait_ms, &datagram, &source);
    if (rc == PMC_E_TIMEOUT) {
      PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "_send_and_receive(): receive timeout.");
      return TryEnd::kTimedOut;
    }
    if (rc == PMC_E_OVERFLOW) {
      // Too big for the receive block (the socket logged it): no answer of
      // ours, so it is dropped like a malformed one.
      wait_ms = deadline.left_ms();
      if (wait_ms <= 0) return TryEnd::kTimedOut;
      continue;
    }
    if (rc != PMC_OK) {
      PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "_send_and_receive(): error=%d.", rc);
      *result = rc;
      return TryEnd::kFailed;
    }
    PMC_LOG(g_logSnmp, PMC_LOG_DEBUG, "_send_and_receive(): receive from %s", source ? source->c_str() : "");
    if (!m_pSocket->is_same_endpoint(destination, source.get())) {
      // Whatever its request-id, only the device asked can answer.
      PMC_LOG(g_logSnmp, PMC_LOG_DEBUG,
              "_send_and_receive(): drop a packet from %s:%d, not from the destination %s:%d.",
              source ? source->c_str() : "", source ? source->get_port() : 0, destination->c_str(),
              destination->get_port());
      rc = PMC_E_OTHER_REQUEST;
    } else {
      rc = check_received_raw_packet(pdu, target, datagram.get());
    }
    if (rc == PMC_E_TOOBIG) {
      PMC_LOG(g_logSnmp, PMC_LOG_DEBUG, "_send_and_receive(): receive packet is too big.");
      *result = rc;
      return TryEnd::kFailed;
    }
    if (rc == PMC_OK) {
      rc = decode_answer(datagram.get(), pdu);
      if (rc != PMC_E_MALFORMED) {
        *result = rc;
        return rc == PMC_OK ? TryEnd::kAnswered : TryEnd::kFailed;
      }
    }
    // Another sender's datagram, another request's answer or a malformed
    // one: keep waiting for what is left of this try's time-out.
    wait_ms = deadline.left_ms();
    if (wait_ms <= 0) return TryEnd::kTimedOut;
  }
}

// ---------------------------------------------------------------------------
// Splitting
// ---------------------------------------------------------------------------
int RequestSession::fragment_pdu(IPmsPdu* pdu, int count, IPmsPduList** out) {
  *out = nullptr;
  int rc = PMC_OK;
  PmcPtr<IPmsPduList> fragments(pmc_create_pdu_list(&rc));
  if (!fragments) return rc;
  size_t n = binding_count(pdu);
  size_t parts = count > 0 ? static_cast<size_t>(count) : 0;
  size_t q = parts == 0 ? 0 : n / parts;
  size_t r = parts == 0 ? 0 : n % parts;
  if (q == 0) {
    PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "[RequestSession::fragment_pdu] can't fragment the packet[%d] any more.",
            pdu->get_request_id());
    return PMC_E_NOSPLIT;
  }
  IPmcVarBindList* source = pdu->get_varbind_list();
  for (size_t i = 0; i < parts; ++i) {
    PmcPtr<IPmsPdu> part(pms_create_pdu(&rc));
    if (!part) return rc;
    rc = part->copy_header(*pdu);
    if (rc != PMC_OK) return rc;
    IPmcVarBindList* moved = source->split_front(i < r ? q + 1 : q, &rc);
    if (moved == nullptr) return rc;
    part->set_varbind_list(moved);
    rc = fragments->push_back(part.release());
    if (rc != PMC_OK) return rc;
  }
  if (source->size() != 0) {
    PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "[RequestSession::fragment_pdu] vb size of a fragmented packet is zero.");
    return PMC_E_FAIL;
  }
  *out = fragments.release();
  return PMC_OK;
}

int RequestSession::fragment_process(IPmsPdu* pdu, IPmsSnmpTarget* target, int count) {
  IPmsPduList* list = nullptr;
  int rc = fragment_pdu(pdu, count, &list);
  if (rc != PMC_OK) return rc;
  PmcPtr<IPmsPduList> fragments(list);
  PMC_LOG(g_logSnmp, PMC_LOG_INFO, "[RequestSession::fragment_process] packet[%d] is fragmented to %d.",
          pdu->get_request_id(), static_cast<int>(fragments->size()));

  PmcPtr<IPmcListIterator> it(fragments->create_iterator(&rc));
  if (!it) return rc;
  for (IPmsPdu* fragment = fragments->current(it.get()); fragment != nullptr;
       fragments->advance(it.get()), fragment = fragments->current(it.get())) {
    int again = 0;
    rc = _send_and_receive(fragment, target, &again);
    if (again != 0) rc = fragment_process(fragment, target, again);
    if (rc != PMC_OK) return rc;
  }
  it.reset();
  return merge_fragments(pdu, fragments.get());
}

int RequestSession::merge_fragments(IPmsPdu* pdu, IPmsPduList* fragments) {
  int rc = PMC_OK;
  PmcPtr<IPmcListIterator> it(fragments->create_iterator(&rc));
  if (!it) return rc;
  IPmsPdu* first = fragments->current(it.get());
  if (first != nullptr) pdu->set_type(first->get_type());
  pdu->set_error_status(0);
  pdu->set_error_index(0);
  size_t before = 0;  // bindings of the fragments already joined
  for (IPmsPdu* fragment = first; fragment != nullptr;
       fragments->advance(it.get()), fragment = fragments->current(it.get())) {
    if (pdu->get_error_status() == 0 && fragment->get_error_status() != 0) {
      pdu->set_error_status(fragment->get_error_status());
      pdu->set_error_index(fragment->get_error_index() + before);
    }
    IPmcVarBindList* bindings = fragment->get_varbind_list();
    if (bindings == nullptr) continue;
    before += bindings->size();
    while (IPmcVarBind* binding = bindings->pop_front()) {
      rc = pdu->push_back(binding);
      if (rc != PMC_OK) return rc;
    }
  }
  // Mark the bindings as an unsplit answer would be marked.
  if (IPmcVarBindList* joined = pdu->get_varbind_list()) {
    if (pdu->get_error_status() != 0) {
      joined->mark_sequence(pdu->get_error_status(), pdu->get_error_index());
    } else {
      joined->mark_all(0);
    }
  }
  return PMC_OK;
}

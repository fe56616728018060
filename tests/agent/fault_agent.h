// A scriptable SNMPv1/v2c responder of our own, in-process on its own thread,
// for testing how a client copes with misbehaving devices. It serves a table
// of objects (Get, GetNext, Set, and GetBulk over SNMPv2c) and, by script,
// drops requests, answers with a wrong request-id first, answers twice,
// answers late, answers tooBig or any error, sends malformed datagrams,
// answers from another socket or address, serves a walk that does not
// advance, fails Sets, ignores SNMPv2c altogether, and answers GetBulk the
// ways old or sloppy agents do. Every datagram it receives is recorded so
// tests can assert retry counts, fragment sizes and bulk parameters.
//
//   psw_test::FaultAgent agent("127.0.0.1");
//   agent.set("1.3.6.1.2.1.1.5.0", psw_test::ber::Value::OctetString("printer"));
//   psw_test::FaultScript script;
//   script.drop_first = 2;
//   agent.set_script(script);
//   ... client sends to agent.address():agent.port() ...
//   EXPECT_EQ(agent.request_count(), 3u);
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "agent/mini_ber.h"
#include "agent/snmprec_profile.h"
#include "agent/udp_socket.h"

namespace psw_test {

// Kinds of broken datagrams the agent can send.
enum class Malformed {
  kNone,
  kTruncated,  // the right answer without its last three octets
  kBadLength,  // the right answer with an outer length past the datagram's end
  kGarbage,    // octets that are not BER at all
  kEmpty,      // a datagram of zero octets
};

// Where answers come from.
enum class ReplyFrom {
  kSame,          // the socket the request arrived on
  kOtherPort,     // another socket on the same address
  kOtherAddress,  // a socket on `FaultScript::other_address` (IPv4 loopback only)
};

// A datagram the agent sends just before its answer, to the same requester:
// the answer turned into something a client must not take for it.
struct Forgery {
  ReplyFrom from = ReplyFrom::kSame;  // the socket it is sent from
  // The answer's PDU type replaced by this one; kTrapV1 sends an SNMPv1 trap
  // (which has no request-id) with the answer's bindings instead.
  uint8_t pdu_type = ber::kResponse;
  int error_status = -1;              // >= 0 replaces the error-status
  int32_t id_offset = 0;              // added to the request-id
  size_t pad_to = 0;                  // > 0: an extra OCTET STRING binding makes it at least this long
  std::string text;                   // not empty: every binding's value becomes this OCTET STRING
};

// Loopback address number `n` of a flood (n from 0): 127.1.0.1 upwards,
// never an address of 127.0.0.0/16.
std::string flood_address(size_t n);

// How the agent answers one GetBulk, worked out from the request's
// max-repetitions and the script's bulk_* fields (ignored for other PDUs).
struct BulkPlan {
  bool too_big = false;  // tooBig with the request's own bindings
  // Repetitions answered. Fewer go out when every repeater has reached
  // endOfMibView or when the answer must be cut to its size limit.
  int repetitions = 0;
  int end_after = -1;  // >= 0: from this repetition (0-based) on, endOfMibView for every repeater
};

// What the agent does with one request. Filled from the script, then handed
// to the script's hook, which may change it.
struct ReplyPlan {
  bool drop = false;                          // no answer at all
  std::chrono::milliseconds delay{0};         // answer after this long
  bool wrong_id_first = false;                // first a copy with request-id + 1
  int copies = 1;                             // how often the answer is sent
  Malformed malformed = Malformed::kNone;     // a broken datagram before the answer
  bool malformed_instead = false;             // ... or instead of it
  ReplyFrom from = ReplyFrom::kSame;
  int error_status = -1;                      // >= 0 overrides the answer's error-status
  int error_index = -1;                       // >= 0 overrides the answer's error-index
  std::vector<Forgery> forged;                // sent before the answer, in this order
  // Before the answer (after the forgeries): a copy of it from each of this
  // many loopback addresses (flood_address(0) upwards; IPv4 agents only).
  // Sent in batches that wait until the requester's socket has taken the
  // last one in, so the kernel drops none of them.
  size_t flood_sources = 0;
  BulkPlan bulk;                              // GetBulk only
};

struct FaultScript {
  int drop_first = 0;                   // drop the first N requests
  bool wrong_id_first = false;          // every answer preceded by one with another request-id
  bool answer_twice = false;
  std::chrono::milliseconds delay{0};   // every answer late by this much
  int too_big_above = -1;               // tooBig for requests with more bindings than this (-1: never)
  bool too_big_always = false;
  int max_answer_size = 0;              // tooBig when the answer would be larger (0: no limit; GetBulk: see below)
  int error_status = -1;                // >= 0: every Get/GetNext/GetBulk answer carries this error-status
  int error_index = -1;                 //   ... and this error-index (-1: 1 when an error is set)
  Malformed malformed = Malformed::kNone;
  bool malformed_instead = false;
  ReplyFrom reply_from = ReplyFrom::kSame;
  std::string other_address = "127.0.0.2";
  bool stuck_walk = false;              // GetNext and GetBulk answers name the requested OID again
  int set_error_status = 0;             // non-zero: every Set fails with it
  int set_error_index = 1;
  // Every message that is not SNMPv1 is dropped, whatever its PDU, as an
  // SNMPv1-only device does. (A GetBulk in an SNMPv1 message is always
  // dropped: the PDU does not exist there.)
  bool v1_only = false;
  // GetBulk. A correct answer (the default) carries the first non-repeaters
  // bindings once, as GetNext, then max-repetitions (negative: 0) rows of
  // the other bindings, row by row; a variable past the last object gets
  // endOfMibView from then on, and the answer ends after the first row in
  // which every repeater has it. An answer larger than max_answer_size (or
  // than a UDP datagram can be) loses bindings from its end until it fits;
  // tooBig only when the non-repeaters alone do not fit. The fields below
  // are ways real agents get it wrong; they apply in this order.
  bool bulk_too_big = false;            // every GetBulk answered tooBig with the request's bindings
  int bulk_too_big_above = -1;          // tooBig when max-repetitions is above this (-1: never)
  int bulk_max_repetitions_cap = 0;     // at most this many rows, silently (0: no cap)
  bool bulk_single_row = false;         // one row, whatever max-repetitions says (even 0)
  int bulk_extra_rows = 0;              // this many rows more than asked (after cap and single row)
  int bulk_end_after = -1;              // from row K (0-based) on, endOfMibView for every repeater
                                        //   although more objects exist (-1: never)
  // Called for every well-formed request after the plan was filled from the
  // fields above; `index` counts all datagrams received from 0.
  std::function<void(size_t index, const ber::Message& request, ReplyPlan& plan)> hook;
};

// One datagram the agent received.
struct ReceivedRequest {
  size_t index = 0;
  std::string from_address;
  uint16_t from_port = 0;
  size_t size = 0;        // octets of the datagram
  bool parsed = false;    // false: not a well-formed message (then not answered)
  std::string error;      // why it was not parsed
  ber::Message message;   // valid when parsed
  std::string raw;
};

class FaultAgent {
 public:
  // Binds to `address` (IPv4 or IPv6, normally loopback) and `port` (0: any)
  // and starts serving at once.
  explicit FaultAgent(const std::string& address = "127.0.0.1", uint16_t port = 0);
  ~FaultAgent();
  FaultAgent(const FaultAgent&) = delete;
  FaultAgent& operator=(const FaultAgent&) = delete;

  const std::string& address() const { return address_; }
  uint16_t port() const { return port_; }
  uint16_t other_port() const { return other_port_; }

  // --- the table ---
  void set(const std::string& oid, const ber::Value& value, bool writable = false);
  void set(const ber::Oid& oid, const ber::Value& value, bool writable = false);
  void load(const SnmprecProfile& profile);
  void clear();
  // The current value (after Sets); a NULL value when absent.
  ber::Value value(const std::string& oid) const;
  // Communities accepted; empty (the default) accepts any.
  void set_communities(const std::vector<std::string>& accepted);

  // --- behaviour ---
  void set_script(const FaultScript& script);
  // Forgets the requests received so far (so drop_first counts anew).
  void reset_requests();

  // --- what happened ---
  size_t request_count() const;
  std::vector<ReceivedRequest> requests() const;
  size_t datagrams_sent() const;
  // Waits until at least `count` requests arrived; false on time-out.
  bool wait_for_requests(size_t count, std::chrono::milliseconds timeout) const;

 private:
  struct Outgoing {
    std::chrono::steady_clock::time_point due;
    int socket_fd;
    std::string data;
    std::string to_address;
    uint16_t to_port;
    size_t flood_sources = 0;  // > 0: `data` from this many flood addresses
  };
  struct Entry {
    ber::Value value;
    bool writable = false;
  };

  void run();
  void handle(const Datagram& datagram);
  ReplyPlan plan_for(size_t index, const ber::Message& request, const FaultScript& script) const;
  ber::Message answer(const ber::Message& request, const FaultScript& script, const BulkPlan& bulk);
  void answer_get(const ber::Message& request, ber::Message* response) const;
  void answer_getnext(const ber::Message& request, bool stuck, ber::Message* response) const;
  // Fills the answer's bindings, stopping once they pass `size_limit`
  // octets; returns how many lead bindings are non-repeaters.
  size_t answer_getbulk(const ber::Message& request, const BulkPlan& bulk, bool stuck, size_t size_limit,
                        ber::Message* response) const;
  // The object after `asked` into `*out`; false past the last one. Needs
  // `mutex_` held.
  bool next_binding(const ber::Oid& asked, bool stuck, ber::VarBind* out) const;
  void answer_set(const ber::Message& request, ber::Message* response);
  void queue(const ReplyPlan& plan, const ber::Message& response, const Datagram& to);
  int socket_for(ReplyFrom from);
  void send_due();
  void send_flood(const Outgoing& o);

  std::string address_;
  UdpSocket socket_;
  UdpSocket other_socket_;
  std::unique_ptr<UdpSocket> other_address_socket_;
  uint16_t port_ = 0;
  uint16_t other_port_ = 0;
  int wake_fd_ = -1;

  mutable std::mutex mutex_;
  mutable std::condition_variable received_;
  std::map<ber::Oid, Entry> table_;
  std::vector<std::string> communities_;
  FaultScript script_;
  std::vector<ReceivedRequest> requests_;
  std::vector<Outgoing> outgoing_;  // touched by the agent thread only
  std::atomic<size_t> sent_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace psw_test

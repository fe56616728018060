#include "agent/fault_agent.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace psw_test {

namespace {

using Clock = std::chrono::steady_clock;

// The largest UDP payload over IPv4. Without a max_answer_size, GetBulk
// answers are cut to this: a larger one could not be sent at all.
constexpr size_t kLargestDatagram = 65507;

bool is_request(uint8_t pdu_type) {
  return pdu_type == ber::kGetRequest || pdu_type == ber::kGetNextRequest || pdu_type == ber::kSetRequest ||
         pdu_type == ber::kGetBulkRequest;
}

// Sets an error on `response` that names binding `position` (0-based) and
// carries the request's bindings unchanged, as SNMPv1 agents do.
void fail_at(const ber::Message& request, int32_t status, size_t position, ber::Message* response) {
  response->error_status = status;
  response->error_index = static_cast<int32_t>(position + 1);
  response->bindings = request.bindings;
}

// The rows a GetBulk gets: max-repetitions as asked (negative: none), then
// the script's faults in the order FaultScript lists them.
BulkPlan bulk_plan(const ber::Message& request, const FaultScript& script) {
  BulkPlan bulk;
  const int asked = std::max(0, request.max_repetitions());
  bulk.too_big = script.bulk_too_big || (script.bulk_too_big_above >= 0 && asked > script.bulk_too_big_above);
  int rows = asked;
  if (script.bulk_max_repetitions_cap > 0) rows = std::min(rows, script.bulk_max_repetitions_cap);
  if (script.bulk_single_row) rows = 1;
  const int extra = std::max(0, script.bulk_extra_rows);
  bulk.repetitions = rows > INT_MAX - extra ? INT_MAX : rows + extra;
  bulk.end_after = script.bulk_end_after;
  return bulk;
}

size_t encoded_size(const ber::VarBind& vb) {
  return ber::encode_tlv(ber::kSequence, ber::encode_tlv(ber::kObjectId, ber::oid_content(vb.oid)) +
                                             ber::encode_value(vb.value))
      .size();
}

// Drops bindings from the end of `response`, never the first `keep`, until
// it encodes into `limit` octets (as many as fit stay); false when even the
// first `keep` do not fit.
bool cut_to_size(ber::Message* response, size_t keep, size_t limit) {
  const std::vector<ber::VarBind> all = std::move(response->bindings);
  auto fits = [&](size_t n) {
    response->bindings.assign(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(n));
    return ber::encode_message(*response).size() <= limit;
  };
  if (fits(all.size())) return true;
  if (!fits(keep)) return false;
  size_t good = keep, bad = all.size();  // the size grows with every binding: search between
  while (bad - good > 1) {
    size_t mid = good + (bad - good) / 2;
    (fits(mid) ? good : bad) = mid;
  }
  fits(good);
  return true;
}

std::string malformed_bytes(Malformed kind, const std::string& answer) {
  switch (kind) {
    case Malformed::kTruncated:
      return answer.substr(0, answer.size() > 3 ? answer.size() - 3 : 0);
    case Malformed::kBadLength: {
      ber::Reader whole(answer), content(nullptr, 0);
      uint8_t tag = 0;
      if (!whole.read_tlv(&tag, &content)) return answer;
      return std::string(1, static_cast<char>(tag)) + ber::encode_length(content.remaining() + 16) + content.rest();
    }
    case Malformed::kGarbage:
      return std::string("\xde\xad\xbe\xef\x00\x01\x02\x03", 8);
    case Malformed::kEmpty:
      return std::string();
    default:
      return answer;
  }
}

// An SNMPv1 trap of `answer`'s version and community carrying its bindings.
std::string trap_v1(const ber::Message& answer) {
  std::string bindings;
  for (const ber::VarBind& vb : answer.bindings) {
    bindings += ber::encode_tlv(ber::kSequence, ber::encode_tlv(ber::kObjectId, ber::oid_content(vb.oid)) +
                                                    ber::encode_value(vb.value));
  }
  std::string pdu = ber::encode_tlv(ber::kObjectId, ber::oid_content(ber::parse_oid("1.3.6.1.4.1.32473.1"))) +
                    ber::encode_tlv(ber::kIpAddress, std::string("\x7f\x00\x00\x01", 4)) +
                    ber::encode_tlv(ber::kInteger, ber::integer_content(6)) +
                    ber::encode_tlv(ber::kInteger, ber::integer_content(1)) +
                    ber::encode_tlv(ber::kTimeTicks, ber::unsigned_content(0)) +
                    ber::encode_tlv(ber::kSequence, bindings);
  return ber::encode_tlv(ber::kSequence, ber::encode_tlv(ber::kInteger, ber::integer_content(answer.version)) +
                                             ber::encode_tlv(ber::kOctetString, answer.community) +
                                             ber::encode_tlv(ber::kTrapV1, pdu));
}

std::string forged_bytes(const Forgery& f, const ber::Message& answer) {
  ber::Message m = answer;
  if (f.error_status >= 0) m.error_status = f.error_status;
  m.request_id = static_cast<int32_t>(static_cast<uint32_t>(m.request_id) + static_cast<uint32_t>(f.id_offset));
  if (!f.text.empty()) {
    for (ber::VarBind& vb : m.bindings) vb.value = ber::Value::OctetString(f.text);
  }
  if (f.pad_to > 0) {
    m.bindings.push_back({ber::parse_oid("1.3.6.1.4.1.32473.99.0"), ber::Value::OctetString(std::string(f.pad_to, 'p'))});
  }
  if (f.pdu_type == ber::kTrapV1) return trap_v1(m);
  m.pdu_type = f.pdu_type;
  return ber::encode_message(m);
}

// Bytes waiting in the receive queue of the UDP socket bound to `port`
// (any local address) in the calling thread's network namespace; -1 when no
// such socket is listed. (/proc/net shows the main thread's namespace, which
// is not the agent's when it was started inside another one.)
long long receive_queue_of(uint16_t port) {
  FILE* f = std::fopen("/proc/thread-self/net/udp", "r");
  if (f == nullptr) return -1;
  char line[512];
  long long queued = -1;
  if (std::fgets(line, sizeof line, f) != nullptr) {  // the heading
    while (std::fgets(line, sizeof line, f) != nullptr) {
      unsigned slot = 0, local_ip = 0, local_port = 0, remote_ip = 0, remote_port = 0, state = 0;
      unsigned long tx = 0, rx = 0;
      if (std::sscanf(line, " %u: %x:%x %x:%x %x %lx:%lx", &slot, &local_ip, &local_port, &remote_ip, &remote_port,
                      &state, &tx, &rx) != 8) {
        continue;
      }
      if (local_port == port) {
        queued = static_cast<long long>(rx);
        break;
      }
    }
  }
  std::fclose(f);
  return queued;
}

}  // namespace

std::string flood_address(size_t n) {
  size_t host = n + 1;  // 127.1.0.1 first
  return "127." + std::to_string(1 + host / 65536 % 254) + "." + std::to_string(host / 256 % 256) + "." +
         std::to_string(host % 256);
}

FaultAgent::FaultAgent(const std::string& address, uint16_t port)
    : address_(address), socket_(address, port), other_socket_(address, 0) {
  port_ = socket_.local_port();
  other_port_ = other_socket_.local_port();
  wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_fd_ < 0) throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
  thread_ = std::thread([this] { run(); });
}

FaultAgent::~FaultAgent() {
  stop_ = true;
  uint64_t one = 1;
  ssize_t ignored = ::write(wake_fd_, &one, sizeof one);
  (void)ignored;
  thread_.join();
  ::close(wake_fd_);
}

// ------------------------------------------------------------- table ----

void FaultAgent::set(const std::string& oid, const ber::Value& value, bool writable) {
  set(ber::parse_oid(oid), value, writable);
}

void FaultAgent::set(const ber::Oid& oid, const ber::Value& value, bool writable) {
  std::lock_guard<std::mutex> lock(mutex_);
  table_[oid] = Entry{value, writable};
}

void FaultAgent::load(const SnmprecProfile& profile) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const ProfileEntry& e : profile.entries()) table_[e.oid] = Entry{e.value, e.writable};
}

void FaultAgent::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  table_.clear();
}

ber::Value FaultAgent::value(const std::string& oid) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = table_.find(ber::parse_oid(oid));
  return it == table_.end() ? ber::Value::Null() : it->second.value;
}

void FaultAgent::set_communities(const std::vector<std::string>& accepted) {
  std::lock_guard<std::mutex> lock(mutex_);
  communities_ = accepted;
}

void FaultAgent::set_script(const FaultScript& script) {
  if (script.reply_from == ReplyFrom::kOtherAddress && socket_.family() != AF_INET) {
    throw std::invalid_argument("FaultAgent: answers from another address need an IPv4 agent");
  }
  std::lock_guard<std::mutex> lock(mutex_);
  script_ = script;
}

void FaultAgent::reset_requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.clear();
}

// --------------------------------------------------------- inspection ----

size_t FaultAgent::request_count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_.size();
}

std::vector<ReceivedRequest> FaultAgent::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

size_t FaultAgent::datagrams_sent() const { return sent_; }

bool FaultAgent::wait_for_requests(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return received_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

// ------------------------------------------------------------ serving ----

void FaultAgent::run() {
  while (!stop_) {
    int timeout_ms = 200;
    if (!outgoing_.empty()) {
      Clock::time_point next = outgoing_.front().due;
      for (const Outgoing& o : outgoing_) next = std::min(next, o.due);
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count() + 1;
      timeout_ms = static_cast<int>(std::max<long long>(0, std::min<long long>(left, 200)));
    }
    pollfd fds[2] = {{socket_.fd(), POLLIN, 0}, {wake_fd_, POLLIN, 0}};
    ::poll(fds, 2, timeout_ms);
    if (fds[0].revents & POLLIN) {
      try {
        std::optional<Datagram> d = socket_.receive(std::chrono::milliseconds(0));
        if (d) handle(*d);
      } catch (const std::exception&) {
        // A failing receive must not end the agent; the next poll retries.
      }
    }
    send_due();
  }
}

void FaultAgent::handle(const Datagram& datagram) {
  ReceivedRequest record;
  record.from_address = datagram.address;
  record.from_port = datagram.port;
  record.size = datagram.data.size();
  record.raw = datagram.data;
  record.parsed = ber::decode_message(datagram.data, &record.message, &record.error);
  FaultScript script;
  bool community_ok = true;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    record.index = requests_.size();
    requests_.push_back(record);
    script = script_;
    community_ok = communities_.empty() ||
                   std::find(communities_.begin(), communities_.end(), record.message.community) != communities_.end();
  }
  received_.notify_all();
  if (!record.parsed || !community_ok || !is_request(record.message.pdu_type)) return;
  ReplyPlan plan = plan_for(record.index, record.message, script);
  if (plan.drop) return;
  ber::Message response = answer(record.message, script, plan.bulk);
  if (plan.error_status >= 0) response.error_status = plan.error_status;
  if (plan.error_index >= 0) response.error_index = plan.error_index;
  queue(plan, response, datagram);
}

ReplyPlan FaultAgent::plan_for(size_t index, const ber::Message& request, const FaultScript& script) const {
  ReplyPlan plan;
  plan.drop = index < static_cast<size_t>(std::max(0, script.drop_first));
  plan.delay = script.delay;
  plan.wrong_id_first = script.wrong_id_first;
  plan.copies = script.answer_twice ? 2 : 1;
  plan.malformed = script.malformed;
  plan.malformed_instead = script.malformed_instead;
  plan.from = script.reply_from;
  if (script.v1_only && request.version != ber::kVersion1) plan.drop = true;
  if (request.pdu_type == ber::kGetBulkRequest) {
    plan.drop = plan.drop || request.version == ber::kVersion1;  // no such PDU in SNMPv1
    plan.bulk = bulk_plan(request, script);
  }
  if (script.hook) script.hook(index, request, plan);
  return plan;
}

ber::Message FaultAgent::answer(const ber::Message& request, const FaultScript& script, const BulkPlan& bulk) {
  ber::Message response = request;
  response.pdu_type = ber::kResponse;
  response.error_status = ber::kNoError;
  response.error_index = 0;
  int count = static_cast<int>(request.bindings.size());
  if (script.too_big_always || (script.too_big_above >= 0 && count > script.too_big_above)) {
    response.error_status = ber::kTooBig;
    return response;
  }
  bool fits = true;
  switch (request.pdu_type) {
    case ber::kGetRequest: answer_get(request, &response); break;
    case ber::kGetNextRequest: answer_getnext(request, script.stuck_walk, &response); break;
    case ber::kGetBulkRequest: {
      if (bulk.too_big) {
        response.error_status = ber::kTooBig;
        return response;
      }
      // Cut the RFC 3416 way: bindings from the end, the non-repeaters kept.
      const size_t limit = script.max_answer_size > 0 ? static_cast<size_t>(script.max_answer_size) : kLargestDatagram;
      const size_t non_repeaters = answer_getbulk(request, bulk, script.stuck_walk, limit, &response);
      fits = cut_to_size(&response, non_repeaters, limit);
      break;
    }
    case ber::kSetRequest:
      if (script.set_error_status != 0) {
        response.error_status = script.set_error_status;
        response.error_index = script.set_error_index;
        return response;
      }
      answer_set(request, &response);
      return response;
    default: fail_at(request, ber::kGenErr, 0, &response); break;
  }
  if (script.error_status >= 0) {
    response.error_status = script.error_status;
    response.error_index = script.error_index >= 0 ? script.error_index : (script.error_status ? 1 : 0);
  }
  if (request.pdu_type != ber::kGetBulkRequest && script.max_answer_size > 0 &&
      ber::encode_message(response).size() > static_cast<size_t>(script.max_answer_size)) {
    fits = false;
  }
  if (!fits) {
    response.bindings = request.bindings;
    response.error_status = ber::kTooBig;
    response.error_index = 0;
  }
  return response;
}

void FaultAgent::answer_get(const ber::Message& request, ber::Message* response) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < request.bindings.size(); ++i) {
    auto it = table_.find(request.bindings[i].oid);
    if (it != table_.end()) {
      response->bindings[i].value = it->second.value;
    } else if (request.version == ber::kVersion1) {
      fail_at(request, ber::kNoSuchName, i, response);
      return;
    } else {
      response->bindings[i].value = ber::Value::Exception(ber::kNoSuchObject);
    }
  }
}

void FaultAgent::answer_getnext(const ber::Message& request, bool stuck, ber::Message* response) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < request.bindings.size(); ++i) {
    if (!next_binding(request.bindings[i].oid, stuck, &response->bindings[i]) && request.version == ber::kVersion1) {
      fail_at(request, ber::kNoSuchName, i, response);
      return;
    }
  }
}

size_t FaultAgent::answer_getbulk(const ber::Message& request, const BulkPlan& bulk, bool stuck, size_t size_limit,
                                  ber::Message* response) const {
  const size_t count = request.bindings.size();
  const size_t non_repeaters = std::min(count, static_cast<size_t>(std::max(0, request.non_repeaters())));
  std::vector<ber::VarBind>& out = response->bindings;
  out.assign(request.bindings.begin(), request.bindings.begin() + static_cast<std::ptrdiff_t>(non_repeaters));
  size_t bytes = 0;  // of the bindings so far: once they alone pass the limit, more rows would be cut anyway
  std::lock_guard<std::mutex> lock(mutex_);
  for (ber::VarBind& vb : out) {
    next_binding(vb.oid, stuck, &vb);
    bytes += encoded_size(vb);
  }
  // Each repeater goes on from its own last answer, until it has none.
  std::vector<ber::Oid> cursor;
  for (size_t i = non_repeaters; i < count; ++i) cursor.push_back(request.bindings[i].oid);
  std::vector<bool> ended(cursor.size(), false);
  for (int row = 0; row < bulk.repetitions && !cursor.empty() && bytes <= size_limit; ++row) {
    const bool cut_off = bulk.end_after >= 0 && row >= bulk.end_after;
    bool all_ended = true;
    for (size_t j = 0; j < cursor.size(); ++j) {
      ber::VarBind vb;
      ended[j] = ended[j] || cut_off || !next_binding(cursor[j], stuck, &vb);
      if (ended[j]) vb = {cursor[j], ber::Value::Exception(ber::kEndOfMibView)};
      cursor[j] = vb.oid;
      all_ended = all_ended && ended[j];
      bytes += encoded_size(vb);
      out.push_back(std::move(vb));
    }
    if (all_ended) break;  // every later row would be endOfMibView alone
  }
  return non_repeaters;
}

// Past the last object: the asked name with endOfMibView, and false.
bool FaultAgent::next_binding(const ber::Oid& asked, bool stuck, ber::VarBind* out) const {
  auto it = table_.upper_bound(asked);
  if (it == table_.end()) {
    *out = {asked, ber::Value::Exception(ber::kEndOfMibView)};
    return false;
  }
  *out = {stuck ? asked : it->first, it->second.value};
  return true;
}

void FaultAgent::answer_set(const ber::Message& request, ber::Message* response) {
  std::lock_guard<std::mutex> lock(mutex_);
  const bool v1 = request.version == ber::kVersion1;
  // Check every binding first: a Set changes all objects or none.
  for (size_t i = 0; i < request.bindings.size(); ++i) {
    auto it = table_.find(request.bindings[i].oid);
    if (it == table_.end() || !it->second.writable) {
      fail_at(request, v1 ? ber::kNoSuchName : ber::kNotWritable, i, response);
      return;
    }
    if (it->second.value.tag != request.bindings[i].value.tag) {
      fail_at(request, v1 ? ber::kBadValue : ber::kWrongType, i, response);
      return;
    }
  }
  for (const ber::VarBind& vb : request.bindings) table_[vb.oid].value = vb.value;
}

int FaultAgent::socket_for(ReplyFrom from) {
  if (from == ReplyFrom::kOtherPort) return other_socket_.fd();
  if (from != ReplyFrom::kOtherAddress) return socket_.fd();
  std::string other;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    other = script_.other_address;
  }
  try {
    if (!other_address_socket_) other_address_socket_ = std::make_unique<UdpSocket>(other, 0);
    return other_address_socket_->fd();
  } catch (const std::exception&) {
    return other_socket_.fd();  // the address is not local; another port is the next best thing
  }
}

void FaultAgent::queue(const ReplyPlan& plan, const ber::Message& response, const Datagram& to) {
  int fd = socket_for(plan.from);
  Clock::time_point due = Clock::now() + plan.delay;
  for (const Forgery& f : plan.forged) {
    outgoing_.push_back(Outgoing{due, socket_for(f.from), forged_bytes(f, response), to.address, to.port});
  }
  std::string bytes = ber::encode_message(response);
  if (plan.flood_sources > 0 && socket_.family() == AF_INET) {
    outgoing_.push_back(Outgoing{due, socket_.fd(), bytes, to.address, to.port, plan.flood_sources});
  }
  if (plan.wrong_id_first) {
    ber::Message wrong = response;
    wrong.request_id = static_cast<int32_t>(static_cast<uint32_t>(response.request_id) + 1u);
    outgoing_.push_back(Outgoing{due, fd, ber::encode_message(wrong), to.address, to.port});
  }
  if (plan.malformed != Malformed::kNone) {
    outgoing_.push_back(Outgoing{due, fd, malformed_bytes(plan.malformed, bytes), to.address, to.port});
  }
  if (!plan.malformed_instead || plan.malformed == Malformed::kNone) {
    for (int i = 0; i < plan.copies; ++i) outgoing_.push_back(Outgoing{due, fd, bytes, to.address, to.port});
  }
}

void FaultAgent::send_due() {
  Clock::time_point now = Clock::now();
  std::vector<Outgoing> later;
  for (const Outgoing& o : outgoing_) {
    if (o.due > now) {
      later.push_back(o);
      continue;
    }
    if (o.flood_sources > 0) {
      send_flood(o);
      continue;
    }
    sockaddr_storage ss;
    socklen_t len = 0;
    if (!make_sockaddr(o.to_address, o.to_port, &ss, &len)) continue;
    if (::sendto(o.socket_fd, o.data.data(), o.data.size(), 0, reinterpret_cast<sockaddr*>(&ss), len) >= 0) ++sent_;
  }
  outgoing_.swap(later);
}

}  // namespace psw_test

namespace psw_test {

// Every copy leaves the agent's own socket with another source address
// (IP_PKTINFO): all of 127.0.0.0/8 is local on a loopback that is up.
void FaultAgent::send_flood(const Outgoing& o) {
  sockaddr_storage ss;
  socklen_t len = 0;
  if (!make_sockaddr(o.to_address, o.to_port, &ss, &len)) return;
  constexpr size_t kBatch = 32;
  constexpr long long kQueueLow = 16 * 1024;  // bytes still queued at the requester
  for (size_t n = 0; n < o.flood_sources && !stop_; ++n) {
    if (n % kBatch == 0 && n > 0) {
      // Wait (bounded) until the requester has read most of the last batch.
      Clock::time_point give_up = Clock::now() + std::chrono::milliseconds(2000);
      for (;;) {
        long long queued = receive_queue_of(o.to_port);
        if (queued < 0) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));  // cannot tell: a fixed pace
          break;
        }
        if (queued <= kQueueLow || Clock::now() >= give_up || stop_) break;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
    }
    in_pktinfo info{};
    if (::inet_pton(AF_INET, flood_address(n).c_str(), &info.ipi_spec_dst) != 1) continue;
    char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    iovec iov{const_cast<char*>(o.data.data()), o.data.size()};
    msghdr msg{};
    msg.msg_name = &ss;
    msg.msg_namelen = len;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    if (::sendmsg(o.socket_fd, &msg, 0) >= 0) ++sent_;
  }
}

}  // namespace psw_test

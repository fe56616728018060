// A UDP relay between SNMP clients and one agent that keeps what each
// datagram says in its clear SNMPv3 header, so a test can count the
// datagrams of one operation and see the engine boots and time every
// request carried, whichever agent is behind it.
//
//   psw_test::V3Relay relay(agent.address(), agent.port());
//   ... send to relay.address():relay.port() ...
//   std::vector<psw_test::V3WireMessage> seen = relay.take();
//
// Every client (address and port) gets a socket of its own towards the
// agent, so the agent's answers go back to the client that asked. The relay
// runs on a thread of its own until it is destroyed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace psw_test {

// usmStats report OIDs (1.3.6.1.6.3.15.1.1.N.0).
constexpr const char* kUsmUnsupportedSecLevels = "1.3.6.1.6.3.15.1.1.1.0";
constexpr const char* kUsmNotInTimeWindows = "1.3.6.1.6.3.15.1.1.2.0";
constexpr const char* kUsmUnknownUserNames = "1.3.6.1.6.3.15.1.1.3.0";
constexpr const char* kUsmUnknownEngineIds = "1.3.6.1.6.3.15.1.1.4.0";
constexpr const char* kUsmWrongDigests = "1.3.6.1.6.3.15.1.1.5.0";

// One datagram as the relay saw it.
struct V3WireMessage {
  bool to_agent = false;  // client to agent (else agent to client)
  size_t size = 0;
  // The clear header of an SNMPv3 message; `v3` is false for anything else
  // (SNMPv1/v2c, or bytes that are no message).
  bool v3 = false;
  int64_t msg_id = -1;
  uint8_t flags = 0;  // bit 0 authentication, bit 1 privacy, bit 2 reportable
  std::string engine_id;
  int64_t boots = -1;
  int64_t time = -1;
  std::string user;
  // The PDU tag when the scoped PDU is in clear (0xA0 Get ... 0xA8 Report),
  // -1 when it is encrypted.
  int pdu_type = -1;
  // The first binding's OID of a PDU in clear (a report's usmStats counter).
  std::string first_oid;

  bool authenticated() const { return (flags & 1) != 0; }
  bool is_report() const { return pdu_type == 0xA8; }
  // An authenticated request sent without the engine's boots and time.
  bool untimed_request() const { return to_agent && authenticated() && boots == 0 && time == 0; }
};

// What one datagram says, parsed strictly (false when it is no SNMPv3
// message; the other fields are then as far as they got).
bool parse_v3_header(const std::string& datagram, V3WireMessage* out);

class V3Relay {
 public:
  // Listens on `listen_address` (empty: the loopback address of the
  // agent's family) and `listen_port` (0: a port of its own choosing).
  // Throws std::runtime_error when it cannot.
  V3Relay(const std::string& agent_address, uint16_t agent_port, const std::string& listen_address = "",
          uint16_t listen_port = 0);
  ~V3Relay();
  V3Relay(const V3Relay&) = delete;
  V3Relay& operator=(const V3Relay&) = delete;

  std::string address() const;
  uint16_t port() const;
  // The datagrams relayed since the last take (or the start), in order.
  std::vector<V3WireMessage> take();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Counts over a run of messages.
struct V3WireCounts {
  size_t datagrams = 0;
  size_t requests = 0;           // client to agent
  size_t untimed_requests = 0;   // authenticated, boots and time 0
  size_t time_window_reports = 0;
  size_t discovery_requests = 0;  // requests without an engine id
};
V3WireCounts count_wire(const std::vector<V3WireMessage>& messages);

}  // namespace psw_test

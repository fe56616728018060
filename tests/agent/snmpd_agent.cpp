#include "agent/snmpd_agent.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "agent/child_process.h"
#include "agent/netns_thread.h"
#include "agent/temp_dir.h"
#include "agent/udp_socket.h"

namespace psw_test {

namespace {

using Clock = std::chrono::steady_clock;

// The agent's own Host Resources modules, left out so that those tables
// hold only the profile's rows.
const char* const kExcludedModules =
    "-hr_system,hr_device,hr_disk,hr_network,hr_other,hr_partition,hr_print,hr_proc,"
    "hrh_filesys,hrh_storage,hrSWInstalledTable,hrSWRunPerfTable,hrSWRunTable,swinst,swrun";

std::string hex_octets(const std::string& bytes, const char* separator) {
  std::string out;
  char buf[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(bytes[i]));
    if (i) out += separator;
    out += buf;
  }
  return out;
}

bool served_by_override(uint8_t tag) {
  return tag != ber::kIpAddress && tag != ber::kCounter64 && tag != ber::kOpaque;
}

// "override" type and value text; the type must be served_by_override.
std::string override_value(const ber::Value& v) {
  switch (v.tag) {
    case ber::kInteger: return "integer " + std::to_string(v.integer);
    case ber::kOctetString: return v.bytes.empty() ? "octet_str \"\"" : "octet_str 0x" + hex_octets(v.bytes, "");
    case ber::kObjectId: return "object_id ." + ber::oid_text(v.oid);
    case ber::kCounter32: return "counter " + std::to_string(v.number);
    case ber::kGauge32: return "uinteger " + std::to_string(v.number);
    case ber::kTimeTicks: return "timeticks " + std::to_string(v.number);
    default: throw std::invalid_argument("the agent cannot serve " + v.describe());
  }
}

// pass_persist type word and value text.
std::string pass_value(const ber::Value& v) {
  switch (v.tag) {
    case ber::kInteger: return "integer " + std::to_string(v.integer);
    case ber::kOctetString: return "octet " + hex_octets(v.bytes, " ");
    case ber::kObjectId: return "objectid ." + ber::oid_text(v.oid);
    case ber::kCounter32: return "counter " + std::to_string(v.number);
    case ber::kGauge32: return "gauge " + std::to_string(v.number);
    case ber::kTimeTicks: return "timeticks " + std::to_string(v.number);
    case ber::kIpAddress: {
      const std::string& b = v.bytes;
      std::string text;
      for (size_t i = 0; i < b.size(); ++i) text += (i ? "." : "") + std::to_string(static_cast<unsigned char>(b[i]));
      return "ipaddress " + text;
    }
    case ber::kCounter64: return "counter64 " + std::to_string(v.number);
    case ber::kOpaque: return "opaque " + hex_octets(v.bytes, " ");
    default: throw std::invalid_argument("the agent cannot serve " + v.describe());
  }
}

// Parents of the objects only the pass_persist helper can serve, without
// roots that lie inside another root.
std::vector<ber::Oid> pass_roots(const std::vector<ProfileEntry>& entries) {
  std::set<ber::Oid> parents;
  for (const ProfileEntry& e : entries) {
    if (served_by_override(e.value.tag)) continue;
    if (e.oid.size() < 3) throw std::invalid_argument("object too close to the root: " + ber::oid_text(e.oid));
    parents.insert(ber::Oid(e.oid.begin(), e.oid.end() - 1));
  }
  std::vector<ber::Oid> roots;
  for (const ber::Oid& p : parents) {  // sorted, so a covering root comes first
    if (roots.empty() || !ber::oid_starts_with(p, roots.back())) roots.push_back(p);
  }
  return roots;
}

bool under_any(const ber::Oid& oid, const std::vector<ber::Oid>& roots) {
  for (const ber::Oid& r : roots) {
    if (oid.size() > r.size() && ber::oid_starts_with(oid, r)) return true;
  }
  return false;
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

void append_users(const std::vector<UsmUser>& users, std::ostringstream* conf) {
  for (const UsmUser& u : users) {
    std::string level = "noauth";
    *conf << "createUser " << u.name;
    if (!u.auth_protocol.empty()) {
      *conf << " " << u.auth_protocol << " " << quoted(u.auth_passphrase);
      level = "auth";
      if (!u.priv_protocol.empty()) {
        *conf << " " << u.priv_protocol << " " << quoted(u.priv_passphrase);
        level = "priv";
      }
    }
    *conf << "\n" << (u.writable ? "rwuser " : "rouser ") << u.name << " " << level << "\n";
  }
}

// Lines of the agent's log that report a fault in its configuration.
std::string config_errors(const std::string& log) {
  std::istringstream in(log);
  std::string line, errors;
  while (std::getline(in, line)) {
    if (line.find("agent.conf: line") != std::string::npos &&
        (line.find("Error") != std::string::npos || line.find("Unknown token") != std::string::npos)) {
      errors += line + "\n";
    }
  }
  return errors;
}

}  // namespace

std::string snmpv3_discovery_probe(int32_t message_id) {
  using namespace ber;
  std::string header = encode_tlv(kInteger, integer_content(message_id)) + encode_tlv(kInteger, integer_content(65507)) +
                       encode_tlv(kOctetString, std::string(1, '\x04')) +  // reportable, no auth, no priv
                       encode_tlv(kInteger, integer_content(3));            // user-based security model
  std::string usm = encode_tlv(kSequence, encode_tlv(kOctetString, "") + encode_tlv(kInteger, integer_content(0)) +
                                              encode_tlv(kInteger, integer_content(0)) + encode_tlv(kOctetString, "") +
                                              encode_tlv(kOctetString, "") + encode_tlv(kOctetString, ""));
  std::string pdu = encode_tlv(kGetRequest, encode_tlv(kInteger, integer_content(message_id)) +
                                                encode_tlv(kInteger, integer_content(0)) +
                                                encode_tlv(kInteger, integer_content(0)) + encode_tlv(kSequence, ""));
  std::string scoped = encode_tlv(kSequence, encode_tlv(kOctetString, "") + encode_tlv(kOctetString, "") + pdu);
  return encode_tlv(kSequence, encode_tlv(kInteger, integer_content(3)) + encode_tlv(kSequence, header) +
                                   encode_tlv(kOctetString, usm) + scoped);
}

SnmpdAgent::SnmpdAgent(SnmpdOptions options, Start start)
    : AgentProcess("SNMP agent", "psw-snmpd", options.listen.empty() ? std::string() : options.listen.front()),
      options_(std::move(options)) {
  if (options_.listen.empty()) throw std::invalid_argument("SnmpdAgent: no listen address");
  for (const std::string& oid : options_.writable_oids) options_.profile.set_writable(oid);
  launch();
  if (start == Start::kWait) wait_until_ready();
}

void SnmpdAgent::wait_until_ready() {
  std::string failure;
  // A port picked as free can be taken by a parallel test before the agent
  // binds it; then pick another.
  for (int attempt = 1;; ++attempt) {
    if (wait_until_answering(&failure)) {
      std::string errors = config_errors(log_text());
      if (errors.empty()) return;
      failure = "the agent reported errors in its configuration:\n" + errors;
      break;
    }
    bool port_taken = log_text().find("Error opening specified endpoint") != std::string::npos;
    if (!port_taken || options_.port != 0 || attempt == 5) break;
    launch();
  }
  std::string message = failure_message(failure);
  process_.reset();
  throw std::runtime_error(message);
}

void SnmpdAgent::launch() {
  process_.reset();
  std::remove(dir_->file("agent.log").c_str());
  port_ = options_.port;
  if (port_ == 0) {
    auto pick = [&] { port_ = pick_free_udp_port(options_.listen); };
    if (options_.netns.empty()) {
      pick();
    } else {
      run_in_netns(options_.netns, pick);
    }
  }
  write_config();
  SpawnOptions spawn;
  spawn.argv = {"/usr/sbin/snmpd", "-f", "-Lf", dir_->file("agent.log"), "-C", "-c", dir_->file("agent.conf"),
                "-p", dir_->file("agent.pid"), "--persistentDir=" + dir_->file("state"), "-M", "/nonexistent",
                "-m", "", "-I", kExcludedModules};
  std::vector<std::string> extra = {"MIBS=", "SNMP_PERSISTENT_DIR=" + dir_->file("state"),
                                    "SNMPCONFPATH=" + dir_->path(), "HOME=" + dir_->path()};
  if (options_.reply_delay_ms > 0 || options_.reply_from_own_address) {
    extra.push_back(std::string("LD_PRELOAD=") + PSW_AGENT_REPLY_DELAY_LIB);
    extra.push_back("PSW_AGENT_REPLY_DELAY_MS=" + std::to_string(options_.reply_delay_ms));
    extra.push_back(std::string("PSW_AGENT_DROP_PKTINFO=") + (options_.reply_from_own_address ? "1" : "0"));
  }
  spawn.env = tool_environment(extra);
  spawn.netns = options_.netns;
  spawn.output_path = dir_->file("agent.out");
  process_ = std::make_unique<ChildProcess>(spawn);
}

void SnmpdAgent::write_config() {
  std::ostringstream conf;
  conf << "# SNMP agent of a test, written by tests/agent/snmpd_agent.cpp\n";
  conf << "agentaddress ";
  for (size_t i = 0; i < options_.listen.size(); ++i) conf << (i ? "," : "") << agent_transport(options_.listen[i], port_);
  conf << "\n";
  if (!options_.read_community.empty()) {
    conf << "rocommunity " << options_.read_community << " default\n"
         << "rocommunity6 " << options_.read_community << " default\n";
  }
  if (!options_.write_community.empty()) {
    conf << "rwcommunity " << options_.write_community << " default\n"
         << "rwcommunity6 " << options_.write_community << " default\n";
  }
  append_users(options_.users, &conf);
  if (!options_.sys_name.empty()) conf << "sysName " << options_.sys_name << "\n";
  if (!options_.sys_object_id.empty()) conf << "sysObjectID ." << ber::oid_text(ber::parse_oid(options_.sys_object_id)) << "\n";
  if (!options_.sys_descr.empty()) conf << "sysDescr " << options_.sys_descr << "\n";
  if (!options_.sys_location.empty()) conf << "sysLocation " << options_.sys_location << "\n";
  if (!options_.sys_contact.empty()) conf << "sysContact " << options_.sys_contact << "\n";

  std::vector<ProfileEntry> entries = options_.profile.entries();
  std::vector<ber::Oid> roots = pass_roots(entries);
  std::ostringstream pass_data;
  for (const ProfileEntry& e : entries) {
    if (e.value.tag == ber::kNull) {
      throw std::invalid_argument("the SNMP agent cannot serve the NULL object " + ber::oid_text(e.oid));
    }
    if (under_any(e.oid, roots)) {
      pass_data << "." << ber::oid_text(e.oid) << " " << (e.writable ? "rw " : "ro ") << pass_value(e.value) << "\n";
    } else {
      conf << "override " << (e.writable ? "-rw " : "") << "." << ber::oid_text(e.oid) << " " << override_value(e.value)
           << "\n";
    }
  }
  dir_->write("pass.data", pass_data.str());
  for (const ber::Oid& root : roots) {
    conf << "pass_persist ." << ber::oid_text(root) << " " << PSW_AGENT_PASS_HELPER << " " << dir_->file("pass.data")
         << " ." << ber::oid_text(root) << "\n";
  }
  for (const std::string& line : options_.extra_config) conf << line << "\n";
  dir_->write("agent.conf", conf.str());
}

bool SnmpdAgent::wait_until_answering(std::string* failure) {
  Clock::time_point deadline = Clock::now() + options_.start_timeout;
  int32_t message_id = 1;
  for (const std::string& listen : options_.listen) {
    std::string target = agent_client_address(listen);
    // One socket for the whole wait, so a late answer (a delayed agent)
    // still counts; made inside the agent's namespace when it has one.
    std::unique_ptr<UdpSocket> socket;
    auto make_socket = [&] { socket = std::make_unique<UdpSocket>(address_family(target) == AF_INET6 ? "::" : "0.0.0.0"); };
    if (options_.netns.empty()) {
      make_socket();
    } else {
      run_in_netns(options_.netns, make_socket);
    }
    // The agent writes its version line once its ports are open; probing
    // before that only loses datagrams.
    while (log_text().find("NET-SNMP version") == std::string::npos && process_->running() &&
           Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (;;) {
      if (!process_->running()) {
        *failure = "the SNMP agent exited while starting (wait status " + std::to_string(process_->wait_status()) + ")";
        return false;
      }
      if (Clock::now() > deadline) {
        *failure = "the SNMP agent did not answer on " + agent_transport(target, port_) + " within " +
                   std::to_string(options_.start_timeout.count()) + " ms";
        return false;
      }
      socket->send_to(snmpv3_discovery_probe(message_id++), target, port_);
      // A delayed agent answers each probe late; do not pile probes up.
      if (socket->receive(std::chrono::milliseconds(100 + options_.reply_delay_ms)).has_value()) break;
    }
  }
  return true;
}

std::string SnmpdAgent::failure_message(const std::string& what) const {
  return what + "\n---- agent log ----\n" + log_text() + "---- agent output ----\n" + output_text() +
         "---- agent configuration ----\n" + config_text();
}

std::string SnmpdAgent::config_text() const { return dir_->read("agent.conf"); }

}  // namespace psw_test

#include "agent/pysnmp_agent.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
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

std::string hex(const std::string& bytes) {
  std::string out;
  char buf[3];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02x", c);
    out += buf;
  }
  return out;
}

std::string value_field(const ber::Value& v, std::string* type) {
  switch (v.tag) {
    case ber::kInteger: *type = "2"; return std::to_string(v.integer);
    case ber::kOctetString: *type = "4x"; return hex(v.bytes);
    case ber::kNull: *type = "5"; return "";
    case ber::kObjectId: *type = "6"; return ber::oid_text(v.oid);
    case ber::kIpAddress: *type = "64x"; return hex(v.bytes);
    case ber::kCounter32: *type = "65"; return std::to_string(v.number);
    case ber::kGauge32: *type = "66"; return std::to_string(v.number);
    case ber::kTimeTicks: *type = "67"; return std::to_string(v.number);
    case ber::kOpaque: *type = "68x"; return hex(v.bytes);
    case ber::kCounter64: *type = "70"; return std::to_string(v.number);
    default: throw std::invalid_argument("the pysnmp agent cannot serve " + v.describe());
  }
}

// NAME:AUTH:AUTHPASS:PRIV:PRIVPASS[:rw] as the script takes it.
std::string user_argument(const UsmUser& u) {
  for (const std::string* field : {&u.name, &u.auth_protocol, &u.auth_passphrase, &u.priv_protocol, &u.priv_passphrase}) {
    if (field->find(':') != std::string::npos) {
      throw std::invalid_argument("PysnmpAgent: ':' in a field of user '" + u.name + "'");
    }
  }
  std::string arg = u.name + ":" + u.auth_protocol + ":" + u.auth_passphrase + ":" + u.priv_protocol + ":" +
                    u.priv_passphrase;
  return u.writable ? arg + ":rw" : arg;
}

}  // namespace

std::string snmprec_text(const SnmprecProfile& profile) {
  std::ostringstream out;
  for (const ProfileEntry& e : profile.entries()) {
    std::string type;
    std::string value = value_field(e.value, &type);
    out << ber::oid_text(e.oid) << "|" << type << (e.writable ? ":writecache" : "") << "|" << value << "\n";
  }
  return out.str();
}

std::string pysnmp_agent_script() { return std::string(PSW_SOURCE_DIR) + "/tests/agent/tools/pysnmp_agent.py"; }

PysnmpAgent::PysnmpAgent(PysnmpOptions options, Start start)
    : AgentProcess("pysnmp agent", "psw-pysnmp", options.listen.empty() ? std::string() : options.listen.front()),
      options_(std::move(options)) {
  if (options_.listen.empty()) throw std::invalid_argument("PysnmpAgent: no listen address");
  if (!options_.profile_file.empty() && !options_.writable_oids.empty()) {
    throw std::invalid_argument("PysnmpAgent: writable_oids do not apply to a profile file");
  }
  for (const std::string& oid : options_.writable_oids) options_.profile.set_writable(oid);
  std::string profile = options_.profile_file;
  if (profile.empty()) {
    dir_->write("profile.snmprec", snmprec_text(options_.profile));
    profile = dir_->file("profile.snmprec");
  }
  argv_ = {kPysnmpInterpreter, pysnmp_agent_script(), "--profile", profile,
           "--port", std::to_string(options_.port), "--port-file", dir_->file("agent.port"),
           "--log", dir_->file("agent.log"), "--read-community", options_.read_community,
           "--write-community", options_.write_community, "--reply-delay-ms",
           std::to_string(options_.reply_delay_ms)};
  for (const std::string& listen : options_.listen) {
    address_family(agent_client_address(listen));  // throws for anything but a numeric address
    argv_.push_back("--listen");
    argv_.push_back(listen);
  }
  for (const UsmUser& u : options_.users) {
    argv_.push_back("--user");
    argv_.push_back(user_argument(u));
  }
  const char* datagrams = std::getenv("PSW_AGENT_LOG_DATAGRAMS");
  if (options_.log_datagrams || (datagrams != nullptr && std::string(datagrams) == "1")) {
    argv_.push_back("--log-datagrams");
  }
  launch();
  if (start == Start::kWait) wait_until_ready();
}

void PysnmpAgent::launch() {
  SpawnOptions spawn;
  spawn.argv = argv_;
  spawn.env = tool_environment({"HOME=" + dir_->path(), "PYTHONDONTWRITEBYTECODE=1", "PYTHONNOUSERSITE=1"});
  spawn.netns = options_.netns;
  spawn.output_path = dir_->file("agent.out");
  process_ = std::make_unique<ChildProcess>(spawn);
}

void PysnmpAgent::wait_until_ready() {
  std::string failure;
  if (wait_for_port(&failure) && wait_until_answering(&failure)) return;
  std::string message = failure_message(failure);
  process_.reset();
  throw std::runtime_error(message);
}

bool PysnmpAgent::wait_for_port(std::string* failure) {
  Clock::time_point deadline = Clock::now() + options_.start_timeout;
  for (;;) {
    // The script writes the file whole and renames it into place.
    std::string text = dir_->read("agent.port");
    if (!text.empty()) {
      unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
      if (value == 0 || value > 65535) {
        *failure = "the pysnmp agent reported port '" + text + "'";
        return false;
      }
      port_ = static_cast<uint16_t>(value);
      return true;
    }
    if (!process_->running()) {
      *failure = "the pysnmp agent exited while starting (wait status " + std::to_string(process_->wait_status()) +
                 "; is python3-pysnmp4 installed? scripts/setup installs it)";
      return false;
    }
    if (Clock::now() > deadline) {
      *failure = "the pysnmp agent did not report its port within " + std::to_string(options_.start_timeout.count()) +
                 " ms";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool PysnmpAgent::wait_until_answering(std::string* failure) {
  Clock::time_point deadline = Clock::now() + options_.start_timeout;
  int32_t message_id = 1;
  for (const std::string& listen : options_.listen) {
    std::string target = agent_client_address(listen);
    std::unique_ptr<UdpSocket> socket;
    auto make_socket = [&] { socket = std::make_unique<UdpSocket>(address_family(target) == AF_INET6 ? "::" : "0.0.0.0"); };
    if (options_.netns.empty()) {
      make_socket();
    } else {
      run_in_netns(options_.netns, make_socket);
    }
    for (;;) {
      if (!process_->running()) {
        *failure = "the pysnmp agent exited while starting (wait status " + std::to_string(process_->wait_status()) + ")";
        return false;
      }
      if (Clock::now() > deadline) {
        *failure = "the pysnmp agent did not answer on " + agent_transport(target, port_) + " within " +
                   std::to_string(options_.start_timeout.count()) + " ms";
        return false;
      }
      socket->send_to(snmpv3_discovery_probe(message_id++), target, port_);
      if (socket->receive(std::chrono::milliseconds(200 + options_.reply_delay_ms)).has_value()) break;
    }
  }
  return true;
}

std::string PysnmpAgent::failure_message(const std::string& what) const {
  return what + "\n---- command ----\n" + command_text(argv_) + "\n---- agent log ----\n" + log_text() +
         "---- agent output ----\n" + output_text();
}

}  // namespace psw_test

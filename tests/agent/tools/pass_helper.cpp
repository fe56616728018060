// Serves objects to the SNMP agent over its "pass_persist" protocol, for the
// value types that the agent's "override" directive cannot serve (IpAddress,
// Counter64, Opaque) and for every other object that shares their subtree.
//
//   psw_agent_pass_helper DATA_FILE ROOT_OID
//
// DATA_FILE holds one object per line: "OID rw|ro TYPE VALUE", with TYPE one
// of the protocol's type words (integer, octet, objectid, counter, gauge,
// timeticks, ipaddress, counter64, opaque) and VALUE in the protocol's text
// form (hex octets separated by spaces for octet and opaque). Only objects
// below ROOT_OID are served. The agent writes commands on stdin:
//   PING                    -> PONG
//   get / OID               -> OID, TYPE, VALUE lines, or NONE
//   getnext / OID           -> the first object after OID, or NONE
//   set / OID / TYPE VALUE  -> DONE, or an error word
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Oid = std::vector<uint64_t>;

struct Object {
  std::string type;
  bool writable = false;
  std::string value;
};

// ".1.3.6" or "1.3.6" to arcs; an empty vector for anything malformed.
Oid parse_oid(const std::string& text) {
  Oid oid;
  std::string arc;
  std::istringstream in(text[0] == '.' ? text.substr(1) : text);
  while (std::getline(in, arc, '.')) {
    if (arc.empty() || arc.find_first_not_of("0123456789") != std::string::npos || arc.size() > 10) return {};
    oid.push_back(std::stoull(arc));
  }
  return oid;
}

std::string oid_text(const Oid& oid) {
  std::string text;
  for (uint64_t arc : oid) text += "." + std::to_string(arc);
  return text;
}

bool below(const Oid& oid, const Oid& root) {
  return oid.size() > root.size() && std::equal(root.begin(), root.end(), oid.begin());
}

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n"), b = s.find_last_not_of(" \t\r\n");
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

std::map<Oid, Object> load(const std::string& path, const Oid& root) {
  std::map<Oid, Object> objects;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string oid, type, access;
    if (!(fields >> oid >> access >> type)) continue;
    std::string value;
    std::getline(fields, value);
    Oid arcs = parse_oid(oid);
    if (!below(arcs, root)) continue;
    objects[arcs] = Object{type, access == "rw", trim(value)};
  }
  return objects;
}

void answer(const Oid& oid, const Object& object) {
  std::cout << oid_text(oid) << '\n' << object.type << '\n' << object.value << '\n';
}

// The agent's set line is "TYPE VALUE"; strings come quoted.
std::string set_result(std::map<Oid, Object>* objects, const Oid& oid, const std::string& line) {
  auto it = objects->find(oid);
  if (it == objects->end()) return "not-writable";
  if (!it->second.writable) return "not-writable";
  std::string type = line.substr(0, line.find(' '));
  std::string value = line.size() > type.size() ? trim(line.substr(type.size() + 1)) : "";
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  const std::string& want = it->second.type;
  if (type == "string" && want == "octet") {
    std::string hex;
    char buf[4];
    for (unsigned char c : value) {
      std::snprintf(buf, sizeof buf, "%02x ", c);
      hex += buf;
    }
    value = trim(hex);
  } else if (type != want) {
    return "wrong-type";
  }
  it->second.value = value;
  return "DONE";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: psw_agent_pass_helper DATA_FILE ROOT_OID\n";
    return 2;
  }
  Oid root = parse_oid(argv[2]);
  std::map<Oid, Object> objects = load(argv[1], root);
  std::string command, oid_line, set_line;
  while (std::getline(std::cin, command)) {
    command = trim(command);
    if (command == "PING") {
      std::cout << "PONG" << std::endl;
      continue;
    }
    if (!std::getline(std::cin, oid_line)) break;
    Oid oid = parse_oid(trim(oid_line));
    if (command == "get") {
      auto it = objects.find(oid);
      if (it == objects.end()) {
        std::cout << "NONE\n";
      } else {
        answer(it->first, it->second);
      }
    } else if (command == "getnext") {
      auto it = objects.upper_bound(oid);
      if (it == objects.end()) {
        std::cout << "NONE\n";
      } else {
        answer(it->first, it->second);
      }
    } else if (command == "set") {
      if (!std::getline(std::cin, set_line)) break;
      std::cout << set_result(&objects, oid, trim(set_line)) << '\n';
    } else {
      std::cout << "NONE\n";
    }
    std::cout.flush();
  }
  return 0;
}

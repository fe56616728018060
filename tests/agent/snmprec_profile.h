// Device profiles in the simulator text format common among SNMP tools
// (".snmprec"): one object per line, "OID|TYPE|VALUE", where TYPE is the
// value's BER tag in decimal:
//
//   2 INTEGER   4 OCTET STRING   5 NULL   6 OBJECT IDENTIFIER   64 IpAddress
//   65 Counter32   66 Gauge32   67 TimeTicks   68 Opaque   70 Counter64
//
// A trailing "x" on the type (4x, 64x, 68x) means the value is written in hex.
// The simulator's variation suffix ":writecache" marks an object writable
// (Set requests change it); no other variation is understood. Lines starting
// with '#' and blank lines are ignored.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "agent/mini_ber.h"

namespace psw_test {

struct ProfileEntry {
  ber::Oid oid;
  ber::Value value;
  bool writable = false;
};

class SnmprecProfile {
 public:
  // Throws std::invalid_argument naming `source` and the line on any fault.
  static SnmprecProfile parse(const std::string& text, const std::string& source = "profile");
  // Reads a file; throws std::runtime_error when it cannot be read.
  static SnmprecProfile load(const std::string& path);

  // Adds or replaces one object.
  void set(const ber::Oid& oid, const ber::Value& value, bool writable = false);
  void set(const std::string& oid, const ber::Value& value, bool writable = false);
  // Marks an existing object writable; throws std::invalid_argument when absent.
  void set_writable(const std::string& oid, bool writable = true);
  void remove(const ber::Oid& oid);
  const ProfileEntry* find(const ber::Oid& oid) const;
  // All objects in OID order.
  std::vector<ProfileEntry> entries() const;
  size_t size() const { return entries_.size(); }

 private:
  std::map<ber::Oid, ProfileEntry> entries_;
};

// Path of a profile shipped in tests/agent/profiles.
std::string profile_path(const std::string& file_name);

}  // namespace psw_test

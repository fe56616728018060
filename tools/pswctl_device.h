// The tool's side of the C interface: connection settings from the command
// line, one handle, and the reads of each sub-command turned into JSON.
// Every failing call throws PswError with the result code and the step.
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/pmc_iphelp_api.h"
#include "psw/psw.h"
#include "pswctl_progress.h"

namespace pswctl {

using nlohmann::json;

// Settings shared by every sub-command.
struct Connection {
  int32_t transport = PSW_TRANSPORT_UDP;
  int32_t timeoutMs = 2000;
  int32_t retries = 1;
  std::string community;       // reads of an opened device; empty: library default
  std::string writeCommunity;  // job cancel; empty: library default
  std::string findCommunity;   // searches; empty: library default
  bool anyModel = false;       // open and find printers of every model
  // --snmp-version: "1", "2c" or "3"; empty when not given (SNMPv1, or
  // SNMPv3 with a user name).
  std::string snmpVersion;
  // --max-repetitions: GetBulk repetitions of table walks over SNMPv2c and
  // SNMPv3, 0 for GetNext walks; -1 when not given (the library's 25).
  int32_t maxRepetitions = -1;
  // SNMPv3: used when a user name is given.
  std::string v3User;
  int32_t v3Level = PSW_USM_NOAUTH_NOPRIV;
  int32_t v3Auth = 0;
  int32_t v3Priv = 0;
  std::string v3AuthPass;
  std::string v3PrivPass;
  std::string v3Context;

  bool v3() const { return !v3User.empty(); }
  // The settings block of the Ex functions (texts cut to their fields).
  PSWUSMSettings usm_block() const;
};

// A result code other than PSW_OK, with the call that returned it.
class PswError : public std::runtime_error {
 public:
  PswError(int32_t code, const std::string& step);
  int32_t code() const { return code_; }
  const std::string& step() const { return step_; }

 private:
  int32_t code_;
  std::string step_;
};

class Device {
 public:
  // Creates the handle and sets the communities (and, with anyModel, the
  // command that accepts printers of every model); nothing is sent.
  Device(Connection connection, Progress* progress);
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // One search; the devices found: address, modelName, sysObjectId,
  // interface (null).
  json discover(const std::optional<std::string>& address, const std::vector<std::string>& filters);
  // Searches every interface at once: its IPv4 broadcast address, and
  // ff02::1 on its link when it has IPv6. One row per answering address,
  // with the interface it answered on. A search that fails is added to
  // `failures` (step "search on NAME (DESTINATION)") and the others count.
  json discover_all_interfaces(const std::vector<std::string>& filters,
                               const std::vector<NPmcIpHelpAPI::SearchInterface>& interfaces,
                               std::vector<PswError>* failures);
  // Opens `address` (checks the model with one request).
  void open(const std::string& address);
  // After an opening refused for the model: the sysObjectID the device
  // gave; empty otherwise.
  const std::string& seen_sys_object_id() const { return seenSysObjectId_; }

  // The identity and every status table of the opened device.
  json status();
  // The parts `watch` compares: printer status, toners and alerts.
  json watch_snapshot();
  // Single tables of the opened device, each read on its own (the
  // exporter turns each into metrics and carries on when one fails); texts
  // in the printer's character set, read once per opening.
  json devices();
  json printer_status();
  json input_trays();
  json supplies();
  json alerts();
  json markers();
  json covers();
  // Reads the tables of `tables` (PSW_TABLE_* bits) in one walk; the
  // table calls above then take each from what it read, once. False (and
  // each table read on its own later) when the reading failed.
  bool prefetch(uint32_t tables);
  // The identity record (serial number, name, location, ...).
  json identity();
  // The sysObjectID the opening read (whether or not the model matched);
  // no request is sent.
  std::string sys_object_id() const { return sys_object_id_seen(); }
  // Refreshes and reads every option key; tray keys per tray index.
  json options();
  // Jobs of a kind (PSW_JOBS_ALL, PSW_JOBS_UNFINISHED, PSW_JOBS_FINISHED).
  json jobs(uint32_t kind);
  void cancel(const std::string& jobId);

 private:
  void check(int32_t rc, const std::string& step) const;
  void set_communities(PSWHANDLE handle) const;
  void step(const std::string& label);
  json printer();
  json char_sets();
  // A character set of the opened device (PSW_CHARSET_PRINTER or _VENDOR);
  // 0 when the device has none.
  int32_t char_set(uint32_t kind);
  // The printer's character set, read once per opening.
  int32_t printer_char_set();
  std::string sys_object_id_seen() const;
  template <class Record, class CountFn, class CopyFn>
  json table(const char* label, uint32_t bit, CountFn count, CopyFn copy);
  // Whether `table` was prefetched and not yet taken; takes it.
  bool take_prefetched(uint32_t table);

  Connection connection_;
  Progress* progress_;
  // Tables read by prefetch and not yet taken.
  uint32_t prefetched_ = 0;
  PSWHANDLE handle_ = nullptr;
  std::string seenSysObjectId_;
  int32_t printerCharSet_ = 0;  // 0: the device has none
  bool printerCharSetRead_ = false;
};

}  // namespace pswctl

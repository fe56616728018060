// Fuzz target for whole reads of an opened device: the C interface opens a
// device and reads its tables while a scripted device, standing in for the
// network (tests/agent/stand_in_socket.h), answers every request from the
// fuzz input. It reaches the session (tries, time-outs, splitting, answers
// to drop), the walk driver (GetBulk repetitions that come down on tooBig
// and short answers, the fall-back to GetNext, endOfMibView confirmed with
// GetNext), the table walk (rows joined by index, several tables at once)
// and the row conversion of the status, identity and option readers.
// Nothing touches a real socket and no time passes while "waiting".
//
// The input is a script (all numbers are bytes, read modulo their range;
// past the end every byte reads as 0 and every answer is a time-out):
//
//   settings   bit 0: SNMPv2c (else SNMPv1); bits 1-2: how the opening is
//              answered: 0 and 3 the supported model, 1 a printer of
//              another model, 2 from the answer script like every other
//              request; bits 3-4: retries (0-2)
//   repetitions  "CmdSetMaxRepetitions" (0-100; 0: GetNext walks)
//   operations   1-3 operations of three bytes each (kind, a, b):
//     kind 0  PSWReadStatusTables with the mask (a << 8 | b) & 0xFFF
//             (0: every table)
//     kind 1  one table's count function (a picks it, b is its kind
//             argument), then every record copied
//     kind 2  PSWGetIdentityInfo
//     kind 3  PSWRefreshOptions, then the standard option keys read
//   answers    the rest: one step per datagram the library waits for
//              (kStep* below), each building its answer from the request
//              the library sent last. A well-formed answer reads a shape
//              byte: bits 0-2 how names follow the names asked (kName*),
//              bits 3-5 the values (kValue*), bit 6 two-part table
//              indices, bit 7 the number of bindings (of repetitions, for
//              a GetBulk) from the next byte instead of as asked; then
//              whatever bytes its names and values need.
//
// fuzz/make_table_read_corpus.py writes the seed corpus in this format.
//
// Every request the library sends must decode with the strict reader of
// the test peers and be a Get, GetNext or GetBulk of the version chosen;
// the thread's request count must match the requests sent; every result
// code must be one the library can name; a failed PSWReadStatusTables
// leaves its tables empty; every record counted can be copied and texts
// end within their fields. A broken invariant aborts with a message.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "agent/mini_ber.h"
#include "agent/stand_in_socket.h"
#include "device/psw_falcon_option.h"
#include "psw/psw.h"
#include "snmp/pms_request_session.h"
#include "snmp/pms_socket_factory.h"

namespace {

namespace ber = psw_test::ber;

[[noreturn]] void fail(const char* what, long detail) {
  std::fprintf(stderr, "invariant broken: %s [%ld]\n", what, detail);
  std::abort();
}

void check(bool ok, const char* what, long detail = 0) {
  if (!ok) fail(what, detail);
}

// With PSW_TABLE_READ_TRACE set in the environment, each run prints what
// it sent and what each operation returned (for checking seeds by hand).
bool tracing() {
  static const bool on = std::getenv("PSW_TABLE_READ_TRACE") != nullptr;
  return on;
}

template <class... Args>
void trace(const char* format, Args... args) {
  if (tracing()) std::fprintf(stderr, format, args...);
}

// The documentation address the device is opened at; nothing goes there.
constexpr const char* kDeviceAddress = "192.0.2.1";
// Answers a run may take; later receives time out.
constexpr int kMaxAnswers = 400;
// Bindings all well-formed answers of a run hold together, at most.
constexpr size_t kMaxBindings = 20000;
// A time-out the stand-in never waits for; long enough that the session's
// own deadline never runs out in a slow (sanitized) run.
constexpr int32_t kTimeoutMs = 60000;
constexpr const char* kOtherModel = "1.3.6.1.4.1.32473.2.1";

// The fuzz input, read byte by byte; zeros past its end.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | byte();
    return v;
  }
  std::string bytes(size_t n) {
    std::string out;
    for (size_t i = 0; i < n && m_pos < m_size; ++i) out += static_cast<char>(m_data[m_pos++]);
    return out;
  }
  bool at_end() const { return m_pos >= m_size; }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
};

// Steps of the answer script (first byte of a step, modulo kStepCount).
enum Step : uint8_t {
  kStepTimeOut = 0,
  kStepEndOfMibView = 5,  // every name asked, endOfMibView
  kStepError = 6,         // error-status and error-index from the input
  kStepTooBig = 7,
  kStepNoSuchName = 8,    // SNMPv1's end of the MIB, at an error-index
  kStepRaw = 9,           // a length, then the datagram's bytes as they are
  kStepMutated = 10,      // a well-formed answer with one byte changed or cut
  kStepNoise = 11,        // a datagram the library must drop, then the next step
  kStepCount = 14,        // 1-4, 12, 13: a well-formed answer (kShape*)
};

// Name modes of a well-formed answer: how the name of each binding follows
// from the name asked.
enum NameMode : uint8_t {
  kNameNext = 0,     // the next cell: a column's first index, or the cell's index + 1
  kNameSkip = 1,     // as kNameNext, with a step of 1-4
  kNameLeave = 2,    // the next column's first cell: out of the column asked
  kNameSame = 3,     // the name asked (does not advance)
  kNameBack = 4,     // before the name asked
  kNameFar = 5,      // far beyond every table
  kNameDeeper = 6,   // one more sub-identifier below the name asked
  kNamePerBinding = 7,
};

// Value kinds of a well-formed answer.
enum ValueKind : uint8_t {
  kValueIndex = 0,  // INTEGER: the name's last sub-identifier (reads no byte)
  kValueSmallInteger = 1,
  kValueInteger = 2,
  kValueText = 3,
  kValueOid = 4,
  kValueOther = 5,  // Counter32, Gauge32, TimeTicks, Counter64, IpAddress, Opaque, NULL
  kValueException = 6,
  kValuePerBinding = 7,  // a kind per binding, or a raw TLV
};

// Encodes one message around already encoded bindings, so that a value may
// be any TLV at all.
std::string message_bytes(int32_t version, const std::string& community, uint8_t pdu_type, int32_t request_id,
                          int32_t error_status, int32_t error_index, const std::string& bindings) {
  const std::string pdu = ber::encode_tlv(ber::kInteger, ber::integer_content(request_id)) +
                          ber::encode_tlv(ber::kInteger, ber::integer_content(error_status)) +
                          ber::encode_tlv(ber::kInteger, ber::integer_content(error_index)) +
                          ber::encode_tlv(ber::kSequence, bindings);
  return ber::encode_tlv(ber::kSequence, ber::encode_tlv(ber::kInteger, ber::integer_content(version)) +
                                             ber::encode_tlv(ber::kOctetString, community) +
                                             ber::encode_tlv(pdu_type, pdu));
}

std::string binding_bytes(const ber::Oid& name, const std::string& value) {
  return ber::encode_tlv(ber::kSequence, ber::encode_tlv(ber::kObjectId, ber::oid_content(name)) + value);
}

// The device of the script: answers each receive of the library with the
// next step, built from the last request it was sent.
class ScriptedDevice final : public psw_test::StandInPeer {
 public:
  ScriptedDevice(Input& input, int32_t version, int32_t repetitions)
      : m_input(input), m_version(version), m_repetitions(repetitions) {}

  // The opening's requests get these answers before the script starts.
  void answer_opening_as(int mode) { m_openingMode = mode; }

  int on_send(const std::string& datagram, const IPmcNetworkAddress& destination) override {
    check(std::strcmp(destination.c_str(), kDeviceAddress) == 0 && destination.get_port() == 161,
          "a request went elsewhere than the device opened");
    ber::Message request;
    std::string error;
    check(ber::decode_message(datagram, &request, &error), "the library sent a message that does not decode");
    check_request(request);
    trace("  sent %s of %zu names (max-repetitions %d)\n",
          request.pdu_type == ber::kGetBulkRequest ? "GetBulk" : request.pdu_type == ber::kGetRequest ? "Get" : "GetNext",
          request.bindings.size(), request.pdu_type == ber::kGetBulkRequest ? request.max_repetitions() : 0);
    m_last = request;
    m_hasRequest = true;
    ++m_sent;
    return PMC_OK;
  }

  int on_receive(int32_t, psw_test::StandInDatagram* out) override {
    if (!m_hasRequest) return PMC_E_TIMEOUT;
    if (m_openingMode >= 0 && m_opening < opening_answers()) {
      out->bytes = opening_answer();
      ++m_opening;
      return PMC_OK;
    }
    m_openingMode = -1;
    if (m_answers >= kMaxAnswers || m_input.at_end()) return PMC_E_TIMEOUT;
    ++m_answers;
    try {
      return step(out);
    } catch (const std::invalid_argument&) {
      return PMC_E_TIMEOUT;  // a name that cannot be encoded: no answer
    }
  }

  uint32_t sent() const { return m_sent; }

 private:
  void check_request(const ber::Message& r) const {
    check(r.version == m_version, "a request of another version", r.version);
    check(r.community == "public", "a request with another community", static_cast<long>(r.community.size()));
    check(!r.bindings.empty(), "a request without bindings");
    for (const ber::VarBind& b : r.bindings) check(b.value.tag == ber::kNull, "a request value that is not NULL");
    if (r.pdu_type == ber::kGetBulkRequest) {
      check(m_version == ber::kVersion2c, "a GetBulk over SNMPv1");
      check(r.non_repeaters() == 0, "a GetBulk with non-repeaters", r.non_repeaters());
      check(r.max_repetitions() >= 1 && r.max_repetitions() <= m_repetitions, "GetBulk repetitions out of range",
            r.max_repetitions());
      return;
    }
    check(r.pdu_type == ber::kGetRequest || r.pdu_type == ber::kGetNextRequest, "a request that is no read",
          r.pdu_type);
    check(r.error_status == 0 && r.error_index == 0, "a request with an error-status");
  }

  // The supported model answers its sysObjectID; another model's printer
  // also the probe GetNext that follows.
  int opening_answers() const { return m_openingMode == 1 ? 2 : 1; }

  std::string opening_answer() const {
    std::string bindings;
    for (const ber::VarBind& b : m_last.bindings) {
      if (m_last.pdu_type == ber::kGetRequest) {
        const char* id = m_openingMode == 1 ? kOtherModel : kPSWFalconSysObjectId;
        bindings += binding_bytes(b.oid, ber::encode_value(ber::Value::ObjectId(ber::parse_oid(id))));
      } else {
        ber::Oid next = b.oid;
        next.push_back(1);
        next.push_back(1);
        bindings += binding_bytes(next, ber::encode_value(ber::Value::Integer(3)));
      }
    }
    return response(0, 0, bindings);
  }

  std::string response(int32_t status, int32_t index, const std::string& bindings,
                       uint8_t type = ber::kResponse) const {
    return message_bytes(m_last.version, m_last.community, type, m_last.request_id, status, index, bindings);
  }

  int step(psw_test::StandInDatagram* out) {
    const uint8_t kind = m_input.byte() % kStepCount;
    switch (kind) {
      case kStepTimeOut:
        return PMC_E_TIMEOUT;
      case kStepEndOfMibView:
        out->bytes = response(0, 0, echoed(ber::kEndOfMibView));
        return PMC_OK;
      case kStepError: {
        const int32_t status = m_input.byte() % 19;
        out->bytes = response(status, m_input.byte() % 8, echoed(ber::kNull));
        return PMC_OK;
      }
      case kStepTooBig:
        out->bytes = response(1, 0, echoed(ber::kNull));
        return PMC_OK;
      case kStepNoSuchName:
        out->bytes = response(2, m_input.byte() % (m_last.bindings.size() + 2), echoed(ber::kNull));
        return PMC_OK;
      case kStepRaw:
        out->bytes = m_input.bytes(m_input.byte());
        return PMC_OK;
      case kStepMutated:
        out->bytes = mutated(well_formed());
        return PMC_OK;
      case kStepNoise:
        noise(out);
        return PMC_OK;
      default:
        out->bytes = well_formed();
        return PMC_OK;
    }
  }

  // Every name asked with an empty value of `tag`.
  std::string echoed(uint8_t tag) const {
    std::string bindings;
    for (const ber::VarBind& b : m_last.bindings) bindings += binding_bytes(b.oid, ber::encode_tlv(tag, ""));
    return bindings;
  }

  std::string mutated(std::string bytes) {
    const uint8_t how = m_input.byte();
    if (bytes.empty()) return bytes;
    const size_t high = m_input.byte();
    const size_t at = (high << 8 | m_input.byte()) % bytes.size();
    if (how & 1) {
      bytes.resize(at);
    } else {
      bytes[at] = static_cast<char>(bytes[at] ^ (how | 1));
    }
    return bytes;
  }

  // A datagram the library must not take for the answer: from another
  // address, to another request, of another PDU type, or empty.
  void noise(psw_test::StandInDatagram* out) {
    const std::string bindings = echoed(ber::kNull);
    switch (m_input.byte() % 4) {
      case 0:
        out->bytes = response(0, 0, bindings);
        out->from_elsewhere = true;
        break;
      case 1:
        out->bytes = message_bytes(m_last.version, m_last.community, ber::kResponse,
                                   static_cast<int32_t>(static_cast<uint32_t>(m_last.request_id) ^ 0x40u), 0, 0,
                                   bindings);
        break;
      case 2:
        out->bytes = response(0, 0, bindings, 0xA8);  // a report
        break;
      default:
        out->bytes.clear();
        break;
    }
  }

  // --- well-formed answers ------------------------------------------------

  // One answer to the last request: for a GetBulk as many repetitions as
  // the shape says, each binding named and valued as it says.
  std::string well_formed() {
    const uint8_t shape = m_input.byte();
    const uint8_t name_mode = shape & 7;
    const uint8_t value_kind = (shape >> 3) & 7;
    const bool two_part_index = (shape & 0x40) != 0;
    const bool count_from_input = (shape & 0x80) != 0;
    const size_t columns = m_last.bindings.size();
    size_t count = columns;
    if (m_last.pdu_type == ber::kGetBulkRequest) {
      const size_t asked = static_cast<size_t>(m_last.max_repetitions());
      const size_t repetitions = count_from_input ? m_input.byte() % (asked + 3) : asked;
      count = columns * repetitions;
    } else if (count_from_input) {
      count = m_input.byte() % (columns + 3);
    }
    // Where each column stands in this answer: a GetBulk's repetitions go
    // on from the cell before.
    std::vector<ber::Oid> at;
    for (const ber::VarBind& b : m_last.bindings) at.push_back(b.oid);
    std::string bindings;
    if (count > m_bindingBudget) count = m_bindingBudget;
    m_bindingBudget -= count;
    for (size_t k = 0; k < count; ++k) {
      ber::Oid& column = at[k % columns];
      const uint8_t mode = name_mode == kNamePerBinding ? m_input.byte() % kNamePerBinding : name_mode;
      column = next_name(column, mode, two_part_index);
      bindings += binding_bytes(column, value(value_kind, column));
    }
    return response(0, 0, bindings);
  }

  ber::Oid next_name(const ber::Oid& asked, uint8_t mode, bool two_part_index) {
    ber::Oid name = asked;
    auto root = m_rootLength.find(asked);
    const bool is_cell = root != m_rootLength.end();
    const size_t root_length = is_cell ? root->second : asked.size();
    switch (mode) {
      case kNameNext:
      case kNameSkip: {
        const uint32_t step = mode == kNameSkip ? 1 + m_input.byte() % 4 : 1;
        if (is_cell) {
          name.back() += step;
        } else if (two_part_index) {
          name.push_back(1);
          name.push_back(step);
        } else {
          name.push_back(step);
        }
        break;
      }
      case kNameLeave:
        name.resize(root_length);
        name.back() += 1;
        name.push_back(1);
        break;
      case kNameSame:
        break;
      case kNameBack:
        if (name.size() > 2 && name.back() == 0) {
          name.pop_back();
        } else if (name.back() > 0) {
          name.back() -= 1;
        }
        break;
      case kNameFar:
        name = {1, 3, 6, 1, 6, 3, 99, m_input.byte()};
        break;
      default:
        name.push_back(m_input.byte());
        break;
    }
    // Whatever follows from a cell keeps its column's root; a name the
    // library asks that no answer gave is a column of its own.
    m_rootLength.emplace(name, root_length <= name.size() ? root_length : name.size());
    return name;
  }

  std::string value(uint8_t kind, const ber::Oid& name) {
    if (kind == kValuePerBinding) {
      const uint8_t own = m_input.byte();
      if (own % 8 == kValuePerBinding) {
        const uint8_t tag = m_input.byte();
        return ber::encode_tlv(tag, m_input.bytes(m_input.byte() % 16));
      }
      kind = own % 8;
    }
    switch (kind) {
      case kValueIndex:
        return ber::encode_value(ber::Value::Integer(static_cast<int32_t>(name.back() & 0x7FFFFFFF)));
      case kValueSmallInteger:
        return ber::encode_value(ber::Value::Integer(static_cast<int8_t>(m_input.byte())));
      case kValueInteger:
        return ber::encode_value(ber::Value::Integer(static_cast<int32_t>(m_input.u32())));
      case kValueText: {
        const uint8_t length = m_input.byte();
        // 255 stands for a text longer than every record field.
        return ber::encode_value(ber::Value::OctetString(length == 255 ? std::string(300, 'x')
                                                                        : m_input.bytes(length % 64)));
      }
      case kValueOid: {
        ber::Oid oid = {1, 3, 6, 1};
        const uint8_t n = m_input.byte() % 12;
        for (uint8_t i = 0; i < n; ++i) oid.push_back(m_input.byte());
        return ber::encode_value(ber::Value::ObjectId(oid));
      }
      case kValueOther:
        return other_value();
      default: {
        const uint8_t tags[] = {ber::kNoSuchObject, ber::kNoSuchInstance, ber::kEndOfMibView};
        return ber::encode_tlv(tags[m_input.byte() % 3], "");
      }
    }
  }

  std::string other_value() {
    const uint8_t pick = m_input.byte() % 7;
    if (pick < 3) {
      const uint8_t tags[] = {ber::kCounter32, ber::kGauge32, ber::kTimeTicks};
      ber::Value v;
      v.tag = tags[pick];
      v.number = m_input.u32();
      return ber::encode_value(v);
    }
    switch (pick) {
      case 3: {
        const uint64_t high = m_input.u32();
        return ber::encode_value(ber::Value::Counter64(high << 32 | m_input.u32()));
      }
      case 4: {
        const uint8_t a = m_input.byte();
        return ber::encode_value(ber::Value::IpAddress(a, m_input.byte(), 0, 1));
      }
      case 5: return ber::encode_value(ber::Value::Opaque(m_input.bytes(m_input.byte() % 16)));
      default: return ber::encode_value(ber::Value::Null());
    }
  }

  Input& m_input;
  const int32_t m_version;
  const int32_t m_repetitions;
  int m_openingMode = -1;
  int m_opening = 0;
  int m_answers = 0;
  uint32_t m_sent = 0;
  bool m_hasRequest = false;
  // Bindings the well-formed answers of one run may still hold.
  size_t m_bindingBudget = kMaxBindings;
  ber::Message m_last;
  // Names the script handed out, with the length of their column's root.
  std::map<ber::Oid, size_t> m_rootLength;
};

// --- the operations and what their results must keep ----------------------

void check_code(int32_t rc) {
  trace("  -> %d\n", rc);
  check(rc == PSW_OK || std::strcmp(PSWGetResultName(rc), "PSW_ERR_UNKNOWN") != 0, "a result code without a name",
        rc);
}

template <size_t N>
void check_text(const char (&field)[N], const char* what) {
  check(std::memchr(field, '\0', N) != nullptr, what);
}

// Copies every record of a table counted `count` and one past the end.
template <class Record, class Copy, class Texts>
void copy_records(PSWHANDLE h, int32_t count, Copy copy, Texts texts) {
  check(count >= 0 && count <= PSW_TABLE_ROW_LIMIT, "a count out of range", count);
  for (int32_t i = 0; i < count; ++i) {
    Record record;
    check(copy(h, i, &record) == PSW_OK, "a counted record cannot be copied", i);
    texts(record);
  }
  Record past;
  check(copy(h, count, &past) == PSW_ERR_INDEX, "a record past the count was copied", count);
}

struct Table {
  uint32_t bit;
  void (*copy_all)(PSWHANDLE h, int32_t count);
};

#define PSW_FUZZ_COPY(Record, Function, ...) \
  [](PSWHANDLE h, int32_t count) { copy_records<Record>(h, count, Function, [](const Record& r) { __VA_ARGS__; }); }

const Table kTables[] = {
    {PSW_TABLE_STORAGE, PSW_FUZZ_COPY(PSWStorageInfo, PSWGetStorageInfo, check_text(r.description, "storage"))},
    {PSW_TABLE_DEVICE, PSW_FUZZ_COPY(PSWDeviceInfo, PSWGetDeviceInfo, check_text(r.description, "device"))},
    {PSW_TABLE_INPUT_TRAY, PSW_FUZZ_COPY(PSWInputTrayInfo, PSWGetInputTrayInfo, check_text(r.mediaName, "tray");
                                         check_text(r.name, "tray"); check_text(r.description, "tray");
                                         check_text(r.mediaType, "tray"); check_text(r.mediaColor, "tray"))},
    {PSW_TABLE_OUTPUT_TRAY, PSW_FUZZ_COPY(PSWOutputTrayInfo, PSWGetOutputTrayInfo, check_text(r.name, "output");
                                          check_text(r.description, "output"))},
    {PSW_TABLE_TONER, PSW_FUZZ_COPY(PSWTonerInfo, PSWGetTonerInfo, check_text(r.description, "toner"))},
    {PSW_TABLE_SUPPLY, PSW_FUZZ_COPY(PSWSupplyInfo, PSWGetSupplyInfo, check_text(r.colorant, "supply");
                                     check_text(r.description, "supply"))},
    {PSW_TABLE_ALERT, PSW_FUZZ_COPY(PSWAlertInfo, PSWGetAlertInfo, check_text(r.description, "alert"))},
    {PSW_TABLE_MARKER, PSW_FUZZ_COPY(PSWMarkerInfo, PSWGetMarkerInfo, (void)r)},
    {PSW_TABLE_COVER, PSW_FUZZ_COPY(PSWCoverInfo, PSWGetCoverInfo, check_text(r.description, "cover"))},
    {PSW_TABLE_CONSOLE_LINE, PSW_FUZZ_COPY(PSWConsoleLineInfo, PSWGetConsoleLineInfo, check_text(r.text, "line"))},
    {PSW_TABLE_CONSOLE_LIGHT,
     PSW_FUZZ_COPY(PSWConsoleLightInfo, PSWGetConsoleLightInfo, check_text(r.description, "light"))},
};

void read_status_tables(PSWHANDLE h, uint32_t mask) {
  const int32_t rc = PSWReadStatusTables(h, mask);
  check_code(rc);
  for (const Table& t : kTables) {
    if ((mask & t.bit) == 0) continue;
    int32_t count = -1;
    check(PSWGetTableCount(h, t.bit, &count) == PSW_OK, "PSWGetTableCount failed", static_cast<long>(t.bit));
    if (rc != PSW_OK) check(count == 0, "a failed read left records in a chosen table", static_cast<long>(t.bit));
    trace("  table 0x%x: %d records\n", t.bit, count);
    t.copy_all(h, count);
  }
  PSWPrinterInfo printer;
  check(PSWGetLastPrinterInfo(h, &printer) == PSW_OK, "PSWGetLastPrinterInfo failed");
  if (rc != PSW_OK && (mask & PSW_TABLE_PRINTER) != 0) {
    check(printer.status == PSW_VALUE_ABSENT && printer.detectedErrorState == 0, "a failed read kept printer values");
  }
}

// One count function; its table's records copied when it succeeds.
void read_one_table(PSWHANDLE h, uint8_t which, uint8_t argument) {
  using Count = int32_t (*)(PSWHANDLE, int32_t*);
  const Count counts[] = {PSWGetNumberOfStorageInfo,  PSWGetNumberOfDeviceInfo,  PSWGetNumberOfInputTrayInfo,
                          PSWGetNumberOfOutputTrayInfo, PSWGetNumberOfTonerInfo,   PSWGetNumberOfSupplyInfo,
                          PSWGetNumberOfAlertInfo,    PSWGetNumberOfMarkerInfo,  PSWGetNumberOfCoverInfo,
                          PSWGetNumberOfConsoleLineInfo, PSWGetNumberOfConsoleLightInfo};
  const uint32_t bits[] = {PSW_TABLE_STORAGE, PSW_TABLE_DEVICE,       PSW_TABLE_INPUT_TRAY, PSW_TABLE_OUTPUT_TRAY,
                           PSW_TABLE_TONER,   PSW_TABLE_SUPPLY,       PSW_TABLE_ALERT,      PSW_TABLE_MARKER,
                           PSW_TABLE_COVER,   PSW_TABLE_CONSOLE_LINE, PSW_TABLE_CONSOLE_LIGHT};
  constexpr size_t kCounts = sizeof counts / sizeof counts[0];
  const size_t pick = which % (kCounts + 3);
  if (pick < kCounts) {
    int32_t count = -1;
    const int32_t rc = counts[pick](h, &count);
    check_code(rc);
    trace("  table 0x%x: %d records\n", bits[pick], count);
    if (rc != PSW_OK) return;
    int32_t kept = -1;
    check(PSWGetTableCount(h, bits[pick], &kept) == PSW_OK && kept == count, "the table count differs", kept);
    for (const Table& t : kTables) {
      if (t.bit == bits[pick]) t.copy_all(h, count);
    }
  } else if (pick == kCounts) {
    int32_t count = -1;
    const int32_t rc = PSWGetNumberOfJobInfo(h, argument % 3, &count);
    check_code(rc);
    if (rc == PSW_OK) {
      copy_records<PSWJobInfo>(h, count, PSWGetJobInfo, [](const PSWJobInfo& r) {
        check_text(r.jobText5, "job");
        check_text(r.jobText6, "job");
        check_text(r.jobText7, "job");
        check_text(r.jobId, "job");
        check_text(r.jobText3, "job");
      });
    }
  } else if (pick == kCounts + 1) {
    PSWPrinterInfo printer;
    check_code(PSWGetPrinterInfo(h, &printer));
  } else {
    int32_t set = 0;
    check_code(PSWGetCharSet(h, argument % 2, &set));
  }
}

void read_identity(PSWHANDLE h) {
  PSWIdentityInfo info;
  std::memset(&info, 0x5A, sizeof info);
  const int32_t rc = PSWGetIdentityInfo(h, &info);
  check_code(rc);
  if (rc != PSW_OK) return;
  check_text(info.sysDescr, "sysDescr");
  check_text(info.sysObjectID, "sysObjectID");
  check_text(info.sysName, "sysName");
  check_text(info.sysLocation, "sysLocation");
  check_text(info.sysContact, "sysContact");
  check_text(info.serialNumber, "serialNumber");
  check_text(info.printerName, "printerName");
  check_text(info.deviceDescr, "deviceDescr");
  check_text(info.hardwareAddress, "hardwareAddress");
}

void refresh_options(PSWHANDLE h) {
  check_code(PSWRefreshOptions(h));
  char text[PSW_OPTION_TEXT_SIZE];
  check_code(PSWGetOptionValueString(h, "SysName", 0, text));
  int32_t trays = 0;
  if (PSWGetOptionValueInteger(h, "NumberOfInputTray", 0, &trays) != PSW_OK) return;
  check(trays >= 0 && trays <= PSW_TABLE_ROW_LIMIT, "a tray count out of range", trays);
  for (int32_t i = 0; i < trays && i < 64; ++i) {
    std::memset(text, 0x5A, sizeof text);
    if (PSWGetOptionValueString(h, "InputTrayName", static_cast<uint16_t>(i), text) == PSW_OK)
      check(std::memchr(text, '\0', sizeof text) != nullptr, "a tray name without its end");
    int32_t type = 0;
    check_code(PSWGetOptionValueInteger(h, "InputTrayType", static_cast<uint16_t>(i), &type));
  }
}

void run_operation(PSWHANDLE h, uint8_t kind, uint8_t a, uint8_t b) {
  trace("operation %d (%d, %d)\n", kind % 4, a, b);
  switch (kind % 4) {
    case 0: {
      const uint32_t mask = ((static_cast<uint32_t>(a) << 8) | b) & PSW_TABLE_ALL_STATUS;
      read_status_tables(h, mask == 0 ? PSW_TABLE_ALL_STATUS : mask);
      break;
    }
    case 1: read_one_table(h, a, b); break;
    case 2: read_identity(h); break;
    default: refresh_options(h); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input input(data, size);
  const uint8_t settings = input.byte();
  const bool v2c = (settings & 1) != 0;
  const int opening = (settings >> 1) & 3;
  const int32_t retries = ((settings >> 3) & 3) % 3;
  const int32_t repetitions = input.byte() % 101;
  const int operations = 1 + input.byte() % 3;
  uint8_t script[3][3] = {};
  for (int i = 0; i < operations; ++i) {
    for (uint8_t& b : script[i]) b = input.byte();
  }

  // Request-ids from a fixed start: the same input makes the same bytes.
  pms_set_next_request_id_for_test(0x01000000);
  ScriptedDevice device(input, v2c ? ber::kVersion2c : ber::kVersion1, repetitions);
  if (opening != 2) device.answer_opening_as(opening == 1 ? 1 : 0);
  psw_test::StandInFactory network(device);
  PmsSocketFactoryOverride use(network);

  PSWHANDLE h = nullptr;
  check(PSWInit(&h) == PSW_OK, "PSWInit failed");
  check(PSWCommandInteger(h, "CmdSetAnyModel", 1) == PSW_OK, "CmdSetAnyModel refused");
  check(PSWCommandInteger(h, "CmdSetCommunityVersion", v2c ? 2 : 1) == PSW_OK, "CmdSetCommunityVersion refused");
  check(PSWCommandInteger(h, "CmdSetMaxRepetitions", repetitions) == PSW_OK, "CmdSetMaxRepetitions refused");
  const uint32_t before = PSWGetThreadRequestCount();
  const int32_t rc = PSWInitDevice(h, kDeviceAddress, PSW_TRANSPORT_UDP, kTimeoutMs, retries);
  check_code(rc);
  if (rc == PSW_OK) {
    for (int i = 0; i < operations; ++i) run_operation(h, script[i][0], script[i][1], script[i][2]);
  }
  check(PSWGetThreadRequestCount() - before == device.sent(), "the thread's request count differs from the sends",
        static_cast<long>(device.sent()));
  PSWUnInit(h);
  return 0;
}

#include "device/psw_identity.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/pmc_text.h"
#include "device/psw_exchange.h"
#include "device/psw_printer_probe.h"
#include "device/psw_row_reader.h"

namespace {

enum Slot : size_t {
  kDescr,
  kObjectId,
  kUpTime,
  kContact,
  kName,
  kLocation,  // the last scalar
  kPrinterName,
  kSerial,
  kPrinterStatus,
  kDeviceDescr,
  kPhysAddress,
  kSlotCount
};

constexpr const char* kNames[kSlotCount] = {
    "1.3.6.1.2.1.1.1",          // sysDescr
    "1.3.6.1.2.1.1.2",          // sysObjectID
    "1.3.6.1.2.1.1.3",          // sysUpTime
    "1.3.6.1.2.1.1.4",          // sysContact
    "1.3.6.1.2.1.1.5",          // sysName
    "1.3.6.1.2.1.1.6",          // sysLocation
    "1.3.6.1.2.1.43.5.1.1.16",  // prtGeneralPrinterName
    "1.3.6.1.2.1.43.5.1.1.17",  // prtGeneralSerialNumber
    "1.3.6.1.2.1.25.3.5.1.1",   // hrPrinterStatus
    "1.3.6.1.2.1.25.3.2.1.3",   // hrDeviceDescr
    "1.3.6.1.2.1.2.2.1.6",      // ifPhysAddress
};

constexpr int32_t kNoSuchName = 2;

// One answered binding: the name the device answered with and its value
// (null for an exception value or a name left out).
struct Answer {
  std::string name;
  PmcPtr<IPmcValue> value;
};

// The single-part row index of `name` below `column` ("<column>.N"); false
// for a name of any other form.
bool row_of(const std::string& name, const char* column, uint32_t* row) {
  if (!psw_oid_strictly_below(name.c_str(), column)) return false;
  const char* digits = name.c_str() + std::strlen(column) + 1;
  if (std::strchr(digits, '.') != nullptr) return false;
  char* end = nullptr;
  const unsigned long value = std::strtoul(digits, &end, 10);
  if (end == digits || *end != '\0' || value > UINT32_MAX) return false;
  *row = static_cast<uint32_t>(value);
  return true;
}

// Whether the answer of slot `slot` is the object asked for: the scalar's
// instance 0, or a cell in a one-part row of the column.
bool answers_slot(const Answer& a, size_t slot, uint32_t* row) {
  if (!a.value) return false;
  if (slot <= kLocation) return a.name == std::string(kNames[slot]) + ".0";
  return row_of(a.name, kNames[slot], row);
}

// One GetNext of `names` into `out` (one answer per name). An SNMPv1
// noSuchName names the binding that has nothing beyond it: that name is
// left out (no answer) and the others asked again. Any other refusal
// vouches for none of them.
int get_next(const PSWConnection& connection, const std::vector<std::string>& names, std::vector<Answer>* out) {
  std::vector<size_t> asked(names.size());
  for (size_t i = 0; i < asked.size(); ++i) asked[i] = i;
  out->clear();
  out->resize(names.size());
  while (!asked.empty()) {
    PSWExchange exchange;
    int rc = exchange.open(connection);
    for (size_t i = 0; i < asked.size() && rc == PMC_OK; ++i) rc = exchange.add(names[asked[i]].c_str());
    PmcPtr<IPmsPdu> answer;
    if (rc == PMC_OK) rc = exchange.get_next_answer(&answer);
    if (rc != PMC_OK) return rc;
    if (answer->get_error_status() != 0) {
      const size_t at = answer->get_error_index();
      if (answer->get_error_status() != kNoSuchName || at == 0 || at > asked.size()) return PMC_OK;
      asked.erase(asked.begin() + static_cast<std::ptrdiff_t>(at - 1));
      continue;
    }
    PSWRowReader reader(*answer);
    for (size_t slot : asked) {
      if (!reader.next()) break;
      if (!reader.present()) continue;
      char text[PMC_GET_DATA_TEXT_SIZE];
      reader.oid_text(text, sizeof text);
      (*out)[slot].name = text;
      (*out)[slot].value.reset(reader.value()->clone(&rc));
      if (!(*out)[slot].value) return rc == PMC_OK ? PMC_E_NOMEM : rc;
    }
    return PMC_OK;
  }
  return PMC_OK;
}

template <size_t N>
void copy_text(const IPmcValue* value, char (&field)[N]) {
  field[0] = '\0';
  if (value == nullptr) return;
  PmcPtr<IPmcText> text(value->to_text(nullptr));
  if (text) psw_copy_text(field, N, text->c_str(), text->length());
}

// Writes the hardware address of an ifPhysAddress value of six octets;
// false for any other value.
bool hardware_address(const IPmcValue* value, char (&out)[sizeof(PSWIdentityInfo::hardwareAddress)]) {
  if (value == nullptr) return false;
  size_t length = 0;
  int err = PMC_OK;
  const unsigned char* octets = value->get_octets(&length, &err);
  if (err != PMC_OK || octets == nullptr || length != 6) return false;
  psw_format_hardware_address(octets, out);
  return true;
}

// The interfaces after `first` (an answer below ifPhysAddress), one GetNext
// each, until one has six octets or the column ends.
int next_hardware_address(const PSWConnection& connection, Answer first, PSWIdentityInfo* id) {
  Answer at = std::move(first);
  uint32_t row = 0;
  for (size_t seen = 1; seen < kPSWIdentityInterfaceLimit && answers_slot(at, kPhysAddress, &row); ++seen) {
    std::vector<Answer> next;
    int rc = get_next(connection, {at.name}, &next);
    if (rc != PMC_OK) return rc;
    at = std::move(next[0]);
    if (answers_slot(at, kPhysAddress, &row) && hardware_address(at.value.get(), id->hardwareAddress)) break;
  }
  return PMC_OK;
}

// hrDeviceDescr of row `row`, by one Get (absent when the device has none).
int device_descr_of(const PSWConnection& connection, uint32_t row, PSWIdentityInfo* id) {
  PSWExchange exchange;
  int rc = exchange.open(connection);
  const std::string name = std::string(kNames[kDeviceDescr]) + "." + std::to_string(row);
  if (rc == PMC_OK) rc = exchange.add(name.c_str());
  char text[PMC_GET_DATA_TEXT_SIZE] = {};
  if (rc == PMC_OK) rc = exchange.get_text_if_present(text, false);
  if (rc == PMC_OK) psw_copy_text(id->deviceDescr, text);
  return rc;
}

}  // namespace

void psw_format_hardware_address(const unsigned char* o, char* out) {
  std::snprintf(out, 18, "%02x:%02x:%02x:%02x:%02x:%02x", o[0], o[1], o[2], o[3], o[4], o[5]);
}

int psw_read_identity(const PSWConnection& connection, PSWIdentityInfo* out) {
  if (out == nullptr) return PMC_E_ARG;
  std::vector<Answer> answers;
  int rc = get_next(connection, std::vector<std::string>(kNames, kNames + kSlotCount), &answers);
  if (rc != PMC_OK) return rc;
  // What is not the object asked for is dropped here, once.
  uint32_t rows[kSlotCount] = {};
  for (size_t slot = 0; slot < kSlotCount; ++slot) {
    if (!answers_slot(answers[slot], slot, &rows[slot]) && slot != kPhysAddress) answers[slot].value.reset();
  }

  PSWIdentityInfo id;
  std::memset(&id, 0, sizeof id);
  id.sysUpTime = psw_counter32_of(answers[kUpTime].value.get());
  copy_text(answers[kDescr].value.get(), id.sysDescr);
  const IPmcValue* object_id = answers[kObjectId].value.get();
  if (object_id != nullptr && object_id->get_type() == PMC_TAG_OID) copy_text(object_id, id.sysObjectID);
  copy_text(answers[kContact].value.get(), id.sysContact);
  copy_text(answers[kName].value.get(), id.sysName);
  copy_text(answers[kLocation].value.get(), id.sysLocation);
  copy_text(answers[kPrinterName].value.get(), id.printerName);
  copy_text(answers[kSerial].value.get(), id.serialNumber);

  // The printer's row: hrPrinterTable's, else prtGeneralTable's.
  bool printer_known = true;
  uint32_t printer = 0;
  if (answers[kPrinterStatus].value) {
    printer = rows[kPrinterStatus];
  } else if (answers[kSerial].value || answers[kPrinterName].value) {
    printer = answers[kSerial].value ? rows[kSerial] : rows[kPrinterName];
  } else {
    printer_known = false;
  }
  if (printer_known && answers[kDeviceDescr].value && rows[kDeviceDescr] == printer) {
    copy_text(answers[kDeviceDescr].value.get(), id.deviceDescr);
  } else if (printer_known) {
    rc = device_descr_of(connection, printer, &id);
    if (rc != PMC_OK) return rc;
  }

  if (!hardware_address(answers_slot(answers[kPhysAddress], kPhysAddress, &rows[kPhysAddress])
                            ? answers[kPhysAddress].value.get()
                            : nullptr,
                        id.hardwareAddress)) {
    rc = next_hardware_address(connection, std::move(answers[kPhysAddress]), &id);
    if (rc != PMC_OK) return rc;
  }
  *out = id;
  return PMC_OK;
}

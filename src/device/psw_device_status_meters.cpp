// The meter readers of the device status object: the markers with their
// page counters, the covers, and the operator console's display lines and
// lights. Each is one table of the Printer MIB indexed by hrDeviceIndex and
// a row index of its own, which the record carries.
#include <cstring>

#include "device/psw_device_status.h"
#include "device/psw_exchange.h"
#include "device/psw_identity.h"
#include "device/psw_row_reader.h"

namespace {

template <size_t N>
constexpr size_t count_of(const char* const (&)[N]) {
  return N;
}

// Columns of each table, in the order their values fill the record. Every
// walk is rooted at the first column.
constexpr const char* kMarkerColumns[] = {
    "1.3.6.1.2.1.43.10.2.1.2",   // prtMarkerMarkTech
    "1.3.6.1.2.1.43.10.2.1.3",   // prtMarkerCounterUnit
    "1.3.6.1.2.1.43.10.2.1.4",   // prtMarkerLifeCount
    "1.3.6.1.2.1.43.10.2.1.5",   // prtMarkerPowerOnCount
    "1.3.6.1.2.1.43.10.2.1.6",   // prtMarkerProcessColorants
    "1.3.6.1.2.1.43.10.2.1.7",   // prtMarkerSpotColorants
    "1.3.6.1.2.1.43.10.2.1.15",  // prtMarkerStatus
};

constexpr const char* kCoverColumns[] = {
    "1.3.6.1.2.1.43.6.1.1.3",  // prtCoverStatus
    "1.3.6.1.2.1.43.6.1.1.2",  // prtCoverDescription
};

constexpr const char* kConsoleLineColumns[] = {
    "1.3.6.1.2.1.43.16.5.1.2",  // prtConsoleDisplayBufferText
};

constexpr const char* kConsoleLightColumns[] = {
    "1.3.6.1.2.1.43.17.6.1.2",  // prtConsoleOnTime
    "1.3.6.1.2.1.43.17.6.1.3",  // prtConsoleOffTime
    "1.3.6.1.2.1.43.17.6.1.4",  // prtConsoleColor
    "1.3.6.1.2.1.43.17.6.1.5",  // prtConsoleDescription
};

// Every column above is 1.3.6.1.2.1.43.T.E.1.C: eleven sub-identifiers,
// then hrDeviceIndex and the table's own index.
constexpr size_t kColumnLength = 11;

// The two index parts of a row, taken from the first cell the row has (a
// cell the device lacks is named by its column alone).
class RowIndex {
 public:
  void note(const PSWRowReader& r) {
    if (!known_) known_ = r.index_parts(kColumnLength, parts_, 2) == 0;
  }
  int32_t device() const { return known_ ? static_cast<int32_t>(parts_[0]) : PSW_VALUE_ABSENT; }
  int32_t own() const { return known_ ? static_cast<int32_t>(parts_[1]) : PSW_VALUE_ABSENT; }

 private:
  uint32_t parts_[2] = {0, 0};
  bool known_ = false;
};

// Reads one cell with `read` and notes the row's index from it.
template <class Read>
auto noting(PSWRowReader& r, RowIndex& index, Read&& read) -> decltype(read()) {
  auto value = read();
  index.note(r);
  return value;
}

template <class Record>
Record zeroed() {
  Record record;
  std::memset(&record, 0, sizeof record);
  return record;
}

}  // namespace

int CPSWDeviceStatus::read_marker_table() {
  return walk_table(kMarkerColumns, count_of(kMarkerColumns), [this](PSWRowReader& r) -> int {
    PSWMarkerInfo rec = zeroed<PSWMarkerInfo>();
    RowIndex index;
    rec.markingTechnology = noting(r, index, [&] { return r.next_int32(); });
    rec.counterUnit = noting(r, index, [&] { return r.next_int32(); });
    rec.lifeCount = noting(r, index, [&] { return r.next_counter32(); });
    rec.powerOnCount = noting(r, index, [&] { return r.next_counter32(); });
    rec.processColorants = noting(r, index, [&] { return r.next_int32(); });
    rec.spotColorants = noting(r, index, [&] { return r.next_int32(); });
    rec.status = noting(r, index, [&] { return r.next_int32(); });
    rec.deviceIndex = index.device();
    rec.markerIndex = index.own();
    return m_markers.append(rec);
  });
}

int CPSWDeviceStatus::read_cover_table() {
  return walk_table(kCoverColumns, count_of(kCoverColumns), [this](PSWRowReader& r) -> int {
    PSWCoverInfo rec = zeroed<PSWCoverInfo>();
    RowIndex index;
    rec.status = noting(r, index, [&] { return r.next_int32(); });
    r.next_text(rec.description);
    index.note(r);
    rec.coverIndex = index.own();
    return m_covers.append(rec);
  });
}

int CPSWDeviceStatus::read_console_line_table() {
  return walk_table(kConsoleLineColumns, count_of(kConsoleLineColumns), [this](PSWRowReader& r) -> int {
    PSWConsoleLineInfo rec = zeroed<PSWConsoleLineInfo>();
    RowIndex index;
    r.next_text(rec.text);
    index.note(r);
    rec.lineIndex = index.own();
    return m_consoleLines.append(rec);
  });
}

int CPSWDeviceStatus::read_console_light_table() {
  return walk_table(kConsoleLightColumns, count_of(kConsoleLightColumns), [this](PSWRowReader& r) -> int {
    PSWConsoleLightInfo rec = zeroed<PSWConsoleLightInfo>();
    RowIndex index;
    rec.onTime = noting(r, index, [&] { return r.next_int32(); });
    rec.offTime = noting(r, index, [&] { return r.next_int32(); });
    rec.color = noting(r, index, [&] { return r.next_int32(); });
    r.next_text(rec.description);
    index.note(r);
    rec.lightIndex = index.own();
    return m_consoleLights.append(rec);
  });
}

int CPSWDeviceStatus::read_identity(PSWIdentityInfo* out) { return psw_read_identity(m_connection, out); }

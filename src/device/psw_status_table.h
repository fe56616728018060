// A table of status records: the rows of one device table as the status
// interface hands them out, filled by appending whole records and emptied
// before each read.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/pmc_result.h"

template <class Record>
class CPSWRecordTable {
 public:
  void clear() { m_records.clear(); }
  size_t size() const { return m_records.size(); }

  // Appends a copy of `record`; -3 when the table cannot grow.
  int append(const Record& record) noexcept {
    try {
      m_records.push_back(record);
    } catch (...) {
      return PMC_E_NOMEM;
    }
    return PMC_OK;
  }

  // Copies record `index` (taken as unsigned, so a negative index is out of
  // range) into `out`; -11 when the table holds no such record.
  int copy(int32_t index, Record* out) const {
    uint32_t position = static_cast<uint32_t>(index);
    if (position >= m_records.size()) return PMC_E_INDEX;
    std::memcpy(out, &m_records[position], sizeof(Record));
    return PMC_OK;
  }

  const Record& operator[](size_t position) const { return m_records[position]; }

 private:
  std::vector<Record> m_records;
};

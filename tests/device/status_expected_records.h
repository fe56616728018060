// The records the status readers must produce from office_mfp_status.snmprec,
// worked out by hand from the profile's lines:
// - texts as they stand; numbers as they stand;
// - hrStorageType 1.3.6.1.2.1.25.2.1.N gives N for N 1-8 (.9 and the maker's
//   storage type give 0);
// - hrDeviceType 1.3.6.1.2.1.25.3.1.N gives N for 1-6 and 10-21, the maker's
//   1.3.6.1.4.1.32473.8.52.2.N gives N for 101-109, 151-154, 201-207 (.110
//   gives 0);
// - the printer's error state octets 28 04 read as a little-endian number:
//   0x0428 = 1064;
// - only supplies of type 3 are toners: rows 1 to 4 of eight;
// - character sets: printer localization 2 -> 4 (ISO-8859-1); the maker's
//   localization 3 -> 106 (UTF-8), in which the job texts are looked up;
// - jobs: job type 1.3.6.1.4.1.32473.8.58.2.N gives N for 1-12 (.13 gives
//   0); the job identifier is the 8 characters of the third table's index
//   after its first two sub-identifiers (1 and 8); dates are year (two
//   octets, big-endian), month, day, hour, minutes, seconds; an empty date
//   gives zeros.
#pragma once

#include <string>
#include <vector>

#include "psw/psw.h"

namespace status_test {

inline std::vector<PSWStorageInfo> expected_storage() {
  return {
      {2, 1024, 2097152, "Physical Memory"}, {4, 4096, 78125000, "Hard Disk Drive"},
      {3, 4096, 262144, "Virtual Memory"},   {0, 512, 2097152, "Flash Memory"},
      {8, 1024, 131072, "RAM Disk"},         {0, 4096, 1953125, "Image Store"},
  };
}

inline std::vector<PSWDeviceInfo> expected_devices() {
  return {
      {5, 2, "Quillmark-VII Q4410"},
      {4, 2, "Ethernet 10/100/1000BASE-T"},
      {3, 2, "Controller Processor"},
      {6, 2, "Hard Disk Drive 320 GB"},
      {20, 2, "RAM 2048 MB"},
      {21, 2, "Flash ROM 1024 MB"},
      {17, 5, "USB Device Port"},
      {101, 2, "Printer Controller v2.31.7 - Processor"},
      {104, 2, "Fax Unit FX-220"},
      {152, 3, "Booklet Finisher BF-440"},
      {201, 2, "Document Processor DP-300"},
      {0, 2, "Card Authentication Kit CA-10"},
  };
}

inline PSWPrinterInfo expected_printer() { return {3, 1064}; }

inline std::vector<PSWInputTrayInfo> expected_input_trays() {
  return {
      {3, 4, 297000, 210000, 210000, 297000, 8, 550, 412, 0, "A4", "Tray 1", "Paper Tray 1 (550 sheets)", "stationery",
       "white"},
      {3, 4, 420000, 297000, 420000, 297000, 8, 550, -3, 4, "A3", "Tray 2", "Paper Tray 2 (550 sheets)", "recycled",
       "white"},
      {3, 3, 110000, 85000, 110000, 85000, 3, 22000, 0, 8, "Letter", "Tray 3", "Paper Tray 3 (stack height)",
       "stationery", "white"},
      {4, 4, 297000, 210000, 210000, 297000, 4, 250000, 125000, 0, "A4", "LCT", "Large Capacity Tray (2000 sheets)",
       "stationery", "white"},
      {5, 4, -1, -1, 148000, 210000, 8, 100, -2, 2, "A5", "Bypass", "Manual Feed Tray", "transparency", ""},
  };
}

inline std::vector<PSWOutputTrayInfo> expected_output_trays() {
  return {
      {4, 0, "Center Tray", "Center Output Tray (250 sheets)"},
      {3, 8, "Finisher Tray A", "Finisher Upper Tray (500 sheets)"},
      {3, 0, "Finisher Tray B", "Finisher Lower Tray (3000 sheets)"},
      {6, 1, "Mailbox 1", "Mailbox Bin 1 (100 sheets)"},
  };
}

inline std::vector<PSWTonerInfo> expected_toners() {
  return {
      {19, 100, 62, "Black Toner Cartridge"},
      {7, 15000, 4200, "Cyan Toner Cartridge"},
      {19, 100, -3, "Magenta Toner Cartridge"},
      {13, 2600, -2, "Yellow Toner Cartridge"},
  };
}

inline std::vector<PSWAlertInfo> expected_alerts() {
  return {
      {4, 11, 3, -2, 1102, "Magenta toner low"},
      {3, 8, 3, -2, 808, "Tray 3 empty"},
      {4, 9, 2, -2, 902, "Finisher Tray A almost full"},
      {3, 6, 1, -2, 3, "Front cover open"},
  };
}

constexpr int32_t kExpectedCharSet = 4;
constexpr int32_t kExpectedVendorCharSet = 106;

// Every job in table order; jobs 0-2 are finished (state 17), 3-5 are not.
inline std::vector<PSWJobInfo> expected_jobs() {
  return {
      {1,
       17,
       12,
       12,
       1,
       "Network (IPP)",
       "Completed",
       "OK",
       "00001041",
       "Quarterly report.pdf",
       {2024, 3, 15, 9, 12, 5},
       {2024, 3, 15, 9, 11, 58},
       {2024, 3, 15, 9, 12, 40}},
      {2,
       17,
       3,
       6,
       2,
       "Copier panel",
       "Completed",
       "OK",
       "00001042",
       "Copy",
       {2024, 3, 15, 10, 2, 17},
       {2024, 3, 15, 10, 2, 9},
       {2024, 3, 15, 10, 2, 51}},
      {4,
       17,
       2,
       2,
       1,
       "Fax line",
       "Cancelled by user",
       "Paper jam",
       "00001043",
       "Fax to 0301234567",
       {2024, 3, 16, 0, 7, 30},
       {2024, 3, 16, 0, 7, 2},
       {2024, 3, 16, 0, 8, 11}},
      {1,
       5,
       40,
       18,
       1,
       "Network (IPP)",
       "Printing",
       "In progress",
       "00001044",
       "Annual accounts 2023.xlsx",
       {2024, 3, 16, 11, 45, 0},
       {2024, 3, 16, 11, 44, 51},
       {0, 0, 0, 0, 0, 0}},
      {3,
       3,
       0,
       0,
       0,
       "Scanner",
       "Waiting for paper",
       "In progress",
       "00001045",
       "Scan to folder",
       {2024, 3, 16, 11, 46, 12},
       {0, 0, 0, 0, 0, 0},
       {0, 0, 0, 0, 0, 0}},
      {0,
       4,
       5,
       0,
       0,
       "USB",
       "Held for authentication",
       "Memory full",
       "00001046",
       "Badge print",
       {2024, 3, 16, 11, 47, 3},
       {2024, 3, 16, 11, 47, 1},
       {0, 0, 0, 0, 0, 0}},
  };
}

// The cancel object of job `id` and the value it holds before any cancel.
inline std::string cancel_oid(const std::string& id) {
  std::string oid = "1.3.6.1.4.1.32473.8.76.3.2.1.1.101." + std::to_string(id.size());
  for (unsigned char c : id) oid += "." + std::to_string(c);
  return oid;
}

}  // namespace status_test

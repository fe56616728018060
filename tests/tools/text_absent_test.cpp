// What the tool shows of device texts and of values a device lacks: control
// characters made visible in text and escaped in JSON, columns aligned by
// what a terminal shows, and absent cells rendered as absent in both forms.
#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

#include "pswctl_records.h"
#include "raw_controls.h"
#include "pswctl_render.h"
#include "pswctl_text.h"
#include "pswctl_watch.h"

namespace pswctl {
namespace {

struct PrintCase {
  const char* what;
  std::string text;
  std::string shown;
};

TEST(Printable, ControlCharactersBecomeVisibleOthersStay) {
  const PrintCase cases[] = {
      {"plain", "Tray 1", "Tray 1"},
      {"escape sequence", "a\x1B[2Jb", "a\\x1b[2Jb"},
      {"line break and tab", "RAM\r\nx\ty", "RAM\\x0d\\x0ax\\x09y"},
      {"bell, backspace, DEL", "\a\b\x7F", "\\x07\\x08\\x7f"},
      {"C1 control in UTF-8", "M\xC2\x9B" "2J", "M\\u009b2J"},
      {"bidirectional override", "Out\xE2\x80\xAEtxt", "Out\\u202etxt"},
      {"zero-width space and byte-order mark", "a\xE2\x80\x8B" "b\xEF\xBB\xBF", "a\\u200bb\\ufeff"},
      {"octets that are not UTF-8", "x\xFF\xC3", "x\\xff\\xc3"},
      {"letters beyond ASCII stay", "T\xC3\xB3ner \xE2\x82\xAC \xE5\x8D\xB0", "T\xC3\xB3ner \xE2\x82\xAC \xE5\x8D\xB0"},
      {"no-break space stays", "a\xC2\xA0" "b", "a\xC2\xA0" "b"},
  };
  for (const PrintCase& c : cases) {
    EXPECT_EQ(printable(c.text), c.shown) << c.what;
    EXPECT_FALSE(has_raw_control(printable(c.text), false)) << c.what;
  }
}

TEST(DisplayWidth, CountsTerminalColumns) {
  const std::pair<std::string, size_t> cases[] = {
      {"", 0},
      {"Tray 1", 6},
      {"T\xC3\xB3ner", 5},                       // two-octet letter: one column
      {"\xE5\x8D\xB0\xE5\x88\xB7\xE6\xA9\x9F", 6},  // three wide ideographs
      {"e\xCC\x81", 1},                          // e + combining acute
      {"\xF0\x9F\x98\x80", 2},                   // grinning face: wide
      {"\xFF", 1},
  };
  for (const auto& [text, width] : cases) EXPECT_EQ(display_width(text), width) << printable(text);
}

TEST(Render, ColumnsAlignByWhatTheTerminalShows) {
  std::string t = render_table("T", {"NAME", "X"}, {{"T\xC3\xB3ner", "1"}, {"\xE5\x8D\xB0\xE5\x88\xB7", "2"},
                                                   {"abc", "3"}});
  EXPECT_EQ(t, "T\n  NAME   X\n  T\xC3\xB3ner  1\n  \xE5\x8D\xB0\xE5\x88\xB7   2\n  abc    3\n\n");
  // An escaped cell is measured as it is shown.
  t = render_table("T", {"A", "B"}, {{cell(json("a\x1B")), "1"}, {"abcde", "2"}});
  EXPECT_EQ(t, "T\n  A      B\n  a\\x1b  1\n  abcde  2\n\n");
  EXPECT_EQ(cell(json("")), "-") << "an empty text is one the device lacks";
}

TEST(JsonText, NoControlCharacterLeavesRawAndEveryTextReadsBack) {
  const std::string texts[] = {
      "Printer \x1B[2J\x1B[31mred", "RAM\r\nfake", "Tray\x7F" "1", "Manual\xC2\x9B" "2J", "Out\xE2\x80\xAEtxt",
      "T\xC3\xB3ner negro",        "a\xE2\x80\x8B" "b",   "\xE2\x80\xA8sep",  "",
  };
  for (const std::string& text : texts) {
    json value = {{"description", text}, {"list", {text, 1}}};
    for (int indent : {-1, 2}) {
      const std::string out = json_text(value, indent);
      EXPECT_FALSE(has_raw_control(out, indent >= 0)) << out;
      EXPECT_EQ(json::parse(out), value) << out;
    }
  }
  // Text that is not UTF-8 (from the command line, say) is replaced, not
  // thrown at.
  const std::string out = json_text(json{{"address", "x\xFFy"}});
  EXPECT_EQ(json::parse(out)["address"], "x\xEF\xBF\xBDy");
}

// ---------------------------------------------------------------------------
// Absent cells: every signed field PSW_VALUE_ABSENT, counts
// PSW_VALUE_ABSENT_U32, texts and dates empty.
// ---------------------------------------------------------------------------

template <class Record>
Record all_absent() {
  Record r;
  std::memset(&r, 0, sizeof r);
  int32_t* fields = reinterpret_cast<int32_t*>(&r);
  // The records begin with their integer fields; the texts follow. Types
  // mapped from identifiers read 0 when absent, not the placeholder.
  size_t first = 0, count = 0;
  if constexpr (std::is_same_v<Record, PSWStorageInfo> || std::is_same_v<Record, PSWDeviceInfo>) first = 1;
  if constexpr (std::is_same_v<Record, PSWStorageInfo>) count = 3;
  if constexpr (std::is_same_v<Record, PSWDeviceInfo>) count = 2;
  if constexpr (std::is_same_v<Record, PSWPrinterInfo>) count = 1;
  if constexpr (std::is_same_v<Record, PSWInputTrayInfo>) count = 10;
  if constexpr (std::is_same_v<Record, PSWOutputTrayInfo>) count = 2;
  if constexpr (std::is_same_v<Record, PSWTonerInfo>) count = 3;
  if constexpr (std::is_same_v<Record, PSWAlertInfo>) count = 5;
  for (size_t i = first; i < count; ++i) {
    const int32_t absent = PSW_VALUE_ABSENT;
    std::memcpy(&fields[i], &absent, sizeof absent);
  }
  return r;
}

// Every number in `j` (nested) that is the placeholder, and every text that
// spells it or names a "value" of it.
bool shows_placeholder(const json& j) {
  if (j.is_number_integer()) return j.get<int64_t>() == PSW_VALUE_ABSENT || j.get<int64_t>() == PSW_VALUE_ABSENT_U32;
  if (j.is_string()) return j.get<std::string>().find("2147483648") != std::string::npos ||
                            j.get<std::string>().find("4294967295") != std::string::npos;
  if (!j.is_structured()) return false;
  for (const json& e : j)
    if (shows_placeholder(e)) return true;
  return false;
}

TEST(AbsentCells, NoRecordShowsThePlaceholderInJsonOrText) {
  PSWJobInfo job;
  std::memset(&job, 0, sizeof job);
  job.jobState = PSW_VALUE_ABSENT;
  job.jobValue10 = PSW_VALUE_ABSENT;
  job.jobCount5 = PSW_VALUE_ABSENT_U32;
  job.jobCount6 = PSW_VALUE_ABSENT_U32;
  const json records[] = {to_json(all_absent<PSWStorageInfo>()),   to_json(all_absent<PSWDeviceInfo>()),
                          to_json(all_absent<PSWPrinterInfo>()),   to_json(all_absent<PSWInputTrayInfo>()),
                          to_json(all_absent<PSWOutputTrayInfo>()), to_json(all_absent<PSWTonerInfo>()),
                          to_json(all_absent<PSWAlertInfo>()),     to_json(job)};
  for (const json& r : records) EXPECT_FALSE(shows_placeholder(r)) << r.dump();

  json status = {{"storage", json::array({records[0]})},     {"devices", json::array({records[1]})}, {"printer", records[2]},
                 {"inputTrays", json::array({records[3]})},  {"outputTrays", json::array({records[4]})}, {"toners", json::array({records[5]})},
                 {"alerts", json::array({records[6]})},      {"charSets", {{"printer", nullptr}, {"vendor", nullptr}}}};
  const std::string text = render_status(status) + render_jobs(json::array({records[7]}));
  EXPECT_EQ(text.find("2147483648"), std::string::npos) << text;
  EXPECT_EQ(text.find("4294967295"), std::string::npos) << text;
  EXPECT_EQ(text.find("value "), std::string::npos) << text;
  EXPECT_NE(text.find("status: -"), std::string::npos) << text;
  EXPECT_EQ(render_change(watch_changes(empty_snapshot(), {{"printer", records[2]},
                                                           {"toners", json::array({records[5]})},
                                                           {"alerts", json::array()}})[0]),
            "printer status -");
}

TEST(AbsentCells, WhatIsKnownIsStillWorkedOut) {
  // Storage without its size: no byte count; a tray without its maximum:
  // no capacity, the level in its own unit. (A supply without its unit:
  // the Latin-1 device of pswctl_cli_test.cpp.)
  PSWStorageInfo s = all_absent<PSWStorageInfo>();
  s.allocationUnits = 1024;
  EXPECT_TRUE(to_json(s)["bytes"].is_null());
  s.size = 4;
  EXPECT_EQ(to_json(s)["bytes"], 4096);
  PSWInputTrayInfo tray = all_absent<PSWInputTrayInfo>();
  tray.capacityUnit = 8;
  tray.currentLevel = 40;
  json j = to_json(tray);
  EXPECT_TRUE(j["levelPercent"].is_null());
  EXPECT_EQ(j["levelText"], "40");
  EXPECT_TRUE(j["maxCapacity"].is_null());
  EXPECT_EQ(j["capacityUnitName"], "sheets");
}

}  // namespace
}  // namespace pswctl

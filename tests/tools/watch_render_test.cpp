// Change detection of `watch` and the table rendering of the text output.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "pswctl_records.h"
#include "pswctl_render.h"
#include "pswctl_watch.h"

namespace pswctl {
namespace {

json toner(const char* description, int32_t level) {
  PSWTonerInfo t{};
  t.supplyUnit = 19;
  t.maxCapacity = 100;
  t.level = level;
  std::snprintf(t.description, sizeof t.description, "%s", description);
  return to_json(t);
}

json alert(const char* description, int32_t code) {
  PSWAlertInfo a{};
  a.severityLevel = 4;
  a.group = 6;
  a.code = code;
  std::snprintf(a.description, sizeof a.description, "%s", description);
  return to_json(a);
}

json printer(int32_t status, int32_t errors) {
  PSWPrinterInfo p{status, errors};
  return to_json(p);
}

json snapshot(json p, json toners, json alerts) {
  return {{"printer", std::move(p)}, {"toners", std::move(toners)}, {"alerts", std::move(alerts)}};
}

std::vector<std::string> lines(const json& changes) {
  std::vector<std::string> out;
  for (const json& c : changes) out.push_back(render_change(c));
  return out;
}

TEST(Watch, FirstReadingReportsEverythingFound) {
  json first = snapshot(printer(3, 0x28), json::array({toner("Black", 62)}), json::array({alert("Door open", 7)}));
  EXPECT_EQ(lines(watch_changes(empty_snapshot(), first)),
            (std::vector<std::string>{"printer status idle", "error set: lowToner", "error set: doorOpen",
                                      "toner Black: 62%", "alert new: Door open (warning, cover, code 7)"}));
  EXPECT_TRUE(watch_changes(first, first).empty());
}

TEST(Watch, OnlyWhatChangedIsReported) {
  json before = snapshot(printer(3, 0x28), json::array({toner("Black", 62), toner("Cyan", 40)}),
                         json::array({alert("Door open", 7), alert("Toner low", 9)}));
  json after = snapshot(printer(4, 0x20), json::array({toner("Black", 61), toner("Cyan", 40)}),
                        json::array({alert("Toner low", 9), alert("Jam", 8)}));
  EXPECT_EQ(lines(watch_changes(before, after)),
            (std::vector<std::string>{"printer status printing", "error cleared: doorOpen", "toner Black: 61%",
                                      "alert new: Jam (warning, cover, code 8)",
                                      "alert cleared: Door open (warning, cover, code 7)"}));
  json changes = watch_changes(before, after);
  EXPECT_EQ(changes[2]["before"]["level"], 62);
}

TEST(Watch, AlertsDifferingInOneFieldAreDistinct) {
  json before = snapshot(printer(3, 0), json::array(), json::array({alert("Door open", 7)}));
  json after = snapshot(printer(3, 0), json::array(), json::array({alert("Door open", 8)}));
  json changes = watch_changes(before, after);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0]["change"], "new");
  EXPECT_EQ(changes[1]["change"], "cleared");
}

TEST(Watch, RemovedTonerIsReportedGone) {
  json before = snapshot(printer(3, 0), json::array({toner("Black", 10)}), json::array());
  json after = snapshot(printer(3, 0), json::array(), json::array());
  EXPECT_EQ(lines(watch_changes(before, after)), std::vector<std::string>{"toner gone: Black"});
}

TEST(Watch, TonersOfTheSameDescriptionAreMatchedInTheirOrder) {
  // Devices may name several supplies alike (or leave them all unnamed).
  json before = snapshot(printer(3, 0), json::array({toner("Toner", 10), toner("Toner", 50), toner("", 70)}),
                         json::array());
  EXPECT_TRUE(watch_changes(before, before).empty());
  json after = snapshot(printer(3, 0), json::array({toner("Toner", 10), toner("Toner", 49), toner("", 70)}),
                        json::array());
  json changes = watch_changes(before, after);
  ASSERT_EQ(changes.size(), 1u) << changes.dump();
  EXPECT_EQ(changes[0]["toner"]["level"], 49);
  EXPECT_EQ(changes[0]["before"]["level"], 50);
  json fewer = snapshot(printer(3, 0), json::array({toner("Toner", 10), toner("", 70)}), json::array());
  EXPECT_EQ(lines(watch_changes(before, fewer)), std::vector<std::string>{"toner gone: Toner"});
}

TEST(Render, TablesAlignColumnsAndMarkEmptyOnes) {
  // Columns are two spaces apart, padded to the widest cell; no trailing blanks.
  std::string t = render_table("Title", {"A", "LONGER"}, {{"wide cell", "x"}, {"b", "yy"}});
  EXPECT_EQ(t, "Title\n  A          LONGER\n  wide cell  x\n  b          yy\n\n");
  EXPECT_EQ(render_table("Empty", {"A"}, {}), "Empty\n  (none)\n\n");
  EXPECT_EQ(cell(json(nullptr)), "-");
  EXPECT_EQ(cell(json(true)), "yes");
  EXPECT_EQ(cell(json("text")), "text");
  EXPECT_EQ(cell(json(-3)), "-3");
}

TEST(Records, TextFieldsWithoutTerminatorStayInsideTheirField) {
  PSWOutputTrayInfo o;
  std::memset(&o, 'x', sizeof o);  // no terminator anywhere
  o.type = 3;
  o.status = 0;
  json j = to_json(o);
  // A text holds at most 255 octets, the longest a terminated field has.
  EXPECT_EQ(j["name"].get<std::string>().size(), sizeof o.name);
  EXPECT_EQ(j["description"].get<std::string>().size(), sizeof o.description - 1);
}

TEST(Records, JobTimesAndFinishedState) {
  PSWJobInfo job{};
  job.jobState = 17;
  const uint16_t t[6] = {2024, 3, 9, 0, 5, 7};
  std::memcpy(job.time10, t, sizeof t);
  json j = to_json(job);
  EXPECT_TRUE(j["finished"].get<bool>());
  EXPECT_EQ(j["started"], "2024-03-09T00:05:07");
  EXPECT_TRUE(j["received"].is_null()) << "a zero date is one the device lacks";
  job.jobState = 5;
  EXPECT_FALSE(to_json(job)["finished"].get<bool>());
}

}  // namespace
}  // namespace pswctl

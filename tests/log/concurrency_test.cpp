// Logging from several threads: whole lines in a shared sink, settings
// changed while others log, and reset_all while others log. Run under TSan
// and ASan as well as in the plain build.
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "log/pmc_log_file_sink.h"
#include "log_test_support.h"

namespace {

using log_test::CaptureSink;
using log_test::read_lines;
using log_test::TempDir;

constexpr int kWorkers = 4;
constexpr size_t kNameAt = 45, kLevelAt = 63, kTextAt = 70;

// The message of worker `worker`: its tag, then a long run of one letter so
// that a line mixed from two writes shows.
std::string payload(int worker, int index) {
  return "w" + std::to_string(worker) + " #" + std::to_string(index) + " " +
         std::string(200, static_cast<char>('a' + worker));
}

// True when `text` ends with a whole payload of some worker.
bool ends_with_whole_payload(const std::string& text) {
  const size_t tag = text.rfind('w');
  if (tag == std::string::npos || tag + 1 >= text.size()) return false;
  const int worker = text[tag + 1] - '0';
  if (worker < 0 || worker >= kWorkers) return false;
  const size_t run = text.rfind(' ');
  return run != std::string::npos &&
         text.substr(run + 1) == std::string(200, static_cast<char>('a' + worker));
}

IPmcLogFileSink* file_sink(IPmcLogManager* manager, const char* instance, const std::string& path) {
  auto* sink = dynamic_cast<IPmcLogFileSink*>(manager->create_sink("file", instance));
  if (sink != nullptr) sink->set_path(path.c_str());
  return sink;
}

template <class Work>
void run_workers(Work work) {
  std::vector<std::thread> threads;
  for (int w = 0; w < kWorkers; ++w) threads.emplace_back(work, w);
  for (auto& t : threads) t.join();
}

using Concurrency = log_test::LogTest;

TEST_F(Concurrency, CategoriesSharingAFileSinkWriteWholeLines) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string path = dir.file("shared.log");
  IPmcLogger* all = category("All");
  ASSERT_EQ(all->add_sink(file_sink(manager(), "shared", path)), 0);
  all->set_level_mask(PMC_LOG_ALL);
  constexpr int kLines = 300;
  // Each worker logs through its own category, so only the sink's lock
  // keeps the lines apart.
  run_workers([&](int w) {
    const std::string name = "worker" + std::to_string(w);
    IPmcLogger* logger = category(name.c_str());
    for (int i = 0; i < kLines; ++i) {
      if (i % 2 == 0)
        logger->log(PMC_LOG_INFO, "%s", payload(w, i).c_str());
      else
        pmc_log(name.c_str(), PMC_LOG_INFO, "%s", payload(w, i).c_str());
    }
  });
  const auto lines = read_lines(path);
  ASSERT_EQ(lines.size(), size_t{kWorkers * kLines});
  int per_worker[kWorkers] = {};
  for (const std::string& line : lines) {
    ASSERT_GT(line.size(), kTextAt) << line;
    const int w = line[kNameAt + 6] - '0';
    ASSERT_TRUE(w >= 0 && w < kWorkers) << line;
    EXPECT_EQ(line.substr(kTextAt, 2), "w" + std::to_string(w)) << line;
    EXPECT_TRUE(ends_with_whole_payload(line)) << line;
    ++per_worker[w];
  }
  for (int count : per_worker) EXPECT_EQ(count, kLines);
}

TEST_F(Concurrency, SettingsChangeWhileWorkersLog) {
  CaptureSink sink;
  IPmcLogger* logger = category("busy");
  logger->add_sink(&sink);
  logger->set_level_mask(PMC_LOG_ALL);
  std::atomic<bool> done{false};
  std::thread controller([&] {
    for (unsigned round = 0; round < 3000; ++round) {
      // Mask the category for a moment and unmask it again at once.
      if (round % 5 == 0) logger->set_level_mask(0u);
      logger->set_level_mask(PMC_LOG_ALL);
      logger->set_options(round % 8);
      logger->set_radix(round % 2 == 0 ? 10 : 16);
      logger->set_indent(round % 3);
      (void)logger->get_options();
    }
    done = true;
  });
  // The workers log for as long as the controller changes settings, and
  // once more after it ends unmasked: a controller descheduled while the
  // category is masked (a loaded machine) cannot leave the sink empty.
  run_workers([&](int w) {
    for (int i = 0;; ++i) {
      const bool last = i >= 2000 && done.load();
      logger->log(PMC_LOG_ERROR, "%s", payload(w, i).c_str());
      if (last) break;
    }
  });
  controller.join();
  const auto lines = sink.lines();
  EXPECT_FALSE(lines.empty());
  for (const std::string& line : lines) {
    ASSERT_GT(line.size(), kTextAt) << line;
    EXPECT_EQ(line.substr(kNameAt, 18), "busy            , ") << line;
    EXPECT_EQ(line.substr(kLevelAt, 7), "Error, ") << line;
    // The message follows an indent of 0, 4 or 8 spaces, never a torn one.
    const size_t text = line.find_first_not_of(' ', kTextAt);
    ASSERT_NE(text, std::string::npos) << line;
    EXPECT_EQ((text - kTextAt) % 4, 0u) << line;
    EXPECT_LE(text - kTextAt, 8u) << line;
    EXPECT_EQ(line[text], 'w') << line;
    EXPECT_TRUE(ends_with_whole_payload(line)) << line;
  }
}

// The static handle, pmc_log and trace scopes keep working while another
// thread resets and reconfigures the facility, destroying the sinks each
// time.
TEST_F(Concurrency, ResetAllWhileWorkersLog) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string path = dir.file("reset.log");
  auto configure = [&] {
    IPmcLogger* snmp = manager()->get_logger("snmp", nullptr);
    snmp->add_sink(file_sink(manager(), "reset-file", path));
    snmp->set_level_mask(PMC_LOG_ALL);
  };
  configure();
  std::atomic<bool> done{false};
  std::thread controller([&] {
    for (int round = 0; round < 200; ++round) {
      manager()->reset_all();
      std::this_thread::yield();
      configure();
    }
    done = true;
  });
  run_workers([&](int w) {
    for (int i = 0; !done.load(); ++i) {
      CPmcTraceScope trace("worker", g_logSnmp.logger());
      g_logSnmp.logger()->log(PMC_LOG_INFO, "%s", payload(w, i).c_str());
      pmc_log("snmp", PMC_LOG_INFO, "%s", payload(w, i).c_str());
    }
  });
  controller.join();
  for (const std::string& line : read_lines(path)) {
    ASSERT_GT(line.size(), kTextAt) << line;
    const bool trace = line.compare(kLevelAt, 7, "Trace, ") == 0;
    if (trace)
      EXPECT_TRUE(line.substr(kTextAt) == "[worker] enter." || line.substr(kTextAt) == "[worker] exit.")
          << line;
    else
      EXPECT_TRUE(ends_with_whole_payload(line)) << line;
  }
}

}  // namespace

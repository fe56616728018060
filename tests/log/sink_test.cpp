// Sinks: the manager's sink registry, the factories, the file sink's size
// limit and rotation, and the standard-output sink.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "log/pmc_log_file_sink.h"
#include "log_test_support.h"

namespace {

using log_test::read_lines;
using log_test::TempDir;

IPmcLogFileSink* as_file_sink(IPmcLogSink* sink) { return dynamic_cast<IPmcLogFileSink*>(sink); }

// Settings with at most one key.
class OneSetting : public IPmcLogSettings {
 public:
  OneSetting(const char* key, const char* value) : m_key(key), m_value(value) {}
  bool find(const char* key) override { return std::string(key) == m_key; }
  const char* value() override { return m_value; }

 private:
  std::string m_key;
  const char* m_value;
};

// Writes `size` bytes of filler to `path`.
void fill_file(const std::string& path, size_t size, char filler = 'z') {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << std::string(size, filler);
}

class Sinks : public log_test::LogTest {
 protected:
  // A file sink of the manager writing to `name` in the test's directory.
  IPmcLogFileSink* file_sink(const char* instance, const std::string& name) {
    IPmcLogFileSink* sink = as_file_sink(manager()->create_sink("file", instance));
    EXPECT_NE(sink, nullptr);
    if (sink != nullptr) {
      EXPECT_EQ(sink->set_path(m_dir.file(name).c_str()), 0);
    }
    return sink;
  }
  TempDir m_dir;
};

TEST_F(Sinks, CreateSinkReturnsOneSinkPerInstance) {
  IPmcLogSink* file = manager()->create_sink("file", "main");
  ASSERT_NE(file, nullptr);
  EXPECT_STREQ(file->get_type_name(), "file");
  EXPECT_STREQ(file->get_instance_name(), "main");
  EXPECT_EQ(manager()->create_sink("file", "main"), file);
  // The same instance name asked for as another type: that type's null sink.
  IPmcLogSink* other = manager()->create_sink("stdout", "main");
  ASSERT_NE(other, nullptr);
  EXPECT_STREQ(other->get_type_name(), "null_standard");

  IPmcLogSink* console = manager()->create_sink("stdout", "console");
  EXPECT_STREQ(console->get_type_name(), "stdout");
  EXPECT_STREQ(manager()->create_sink("file", "console")->get_type_name(), "null_file");

  EXPECT_STREQ(manager()->create_sink(nullptr, "x")->get_type_name(), "null_standard");
  EXPECT_STREQ(manager()->create_sink("file", nullptr)->get_instance_name(), "null_file");
  EXPECT_EQ(manager()->create_sink("syslog", "x"), nullptr);
}

TEST_F(Sinks, FindSinkByInstance) {
  IPmcLogSink* file = manager()->create_sink("file", "main");
  int err = -1;
  EXPECT_EQ(manager()->find_sink("main", &err), file);
  EXPECT_EQ(err, 0);
  err = -1;
  IPmcLogSink* unknown = manager()->find_sink("nowhere", &err);
  EXPECT_EQ(err, 0);
  ASSERT_NE(unknown, nullptr);
  EXPECT_STREQ(unknown->get_type_name(), "null_standard");
  EXPECT_EQ(manager()->find_sink(nullptr, &err), unknown);
  EXPECT_EQ(err, -2);
  // reset_all destroys the manager's sinks.
  manager()->reset_all();
  EXPECT_EQ(manager()->find_sink("main", &err), unknown);
}

TEST_F(Sinks, FileFactoryReadsThePathSetting) {
  ASSERT_TRUE(m_dir.ok());
  IPmcLogSinkFactory* factory = pmc_log_file_factory();
  EXPECT_STREQ(factory->get_type_name(), "file");
  const std::string path = m_dir.file("factory.log");
  OneSetting with_path("ExtentionName", path.c_str());
  IPmcLogSink* sink = factory->create("made", &with_path);
  ASSERT_STREQ(sink->get_type_name(), "file");
  EXPECT_EQ(sink->write("via settings"), 0);
  EXPECT_EQ(read_lines(path), std::vector<std::string>{"via settings"});
  sink->destroy();

  OneSetting other_key("Path", path.c_str()), null_value("ExtentionName", nullptr);
  EXPECT_STREQ(factory->create("a", &other_key)->get_type_name(), "null_file");
  EXPECT_STREQ(factory->create("b", &null_value)->get_type_name(), "null_file");
  EXPECT_STREQ(pmc_log_stdout_factory()->create(nullptr, nullptr)->get_type_name(), "null_standard");
}

TEST_F(Sinks, AddedFactoryMakesItsType) {
  class CountingFactory : public IPmcLogSinkFactory {
   public:
    IPmcLogSink* create(const char* instance, IPmcLogSettings* settings) override {
      ++calls;
      return pmc_log_stdout_factory()->create(instance, settings);
    }
    const char* get_type_name() const override { return "counted"; }
    int calls = 0;
  };
  static CountingFactory factory;  // factories are never removed
  EXPECT_EQ(manager()->add_sink_factory(nullptr), -2);
  EXPECT_EQ(manager()->create_sink("counted", "x"), nullptr);
  ASSERT_EQ(manager()->add_sink_factory(&factory), 0);
  IPmcLogSink* sink = manager()->create_sink("counted", "x");
  ASSERT_NE(sink, nullptr);
  EXPECT_STREQ(sink->get_instance_name(), "x");
  EXPECT_GT(factory.calls, 0);
}

TEST_F(Sinks, LineMustFitTheLimit) {
  ASSERT_TRUE(m_dir.ok());
  IPmcLogFileSink* sink = file_sink("limited", "limited.log");
  EXPECT_TRUE(sink->set_max_size(100));
  EXPECT_EQ(sink->write(std::string(98, 'a').c_str()), 0);
  // 99 + 2 can never fit: refused, and the file is left as it is.
  EXPECT_EQ(sink->write(std::string(99, 'b').c_str()), -7);
  EXPECT_EQ(read_lines(m_dir.file("limited.log")), std::vector<std::string>{std::string(98, 'a')});
  EXPECT_FALSE(std::filesystem::exists(m_dir.file("limited.log.bak")));
  // The next line that does not fit behind the first rotates.
  EXPECT_EQ(sink->write("c"), 0);
  EXPECT_EQ(read_lines(m_dir.file("limited.log")), std::vector<std::string>{"c"});
  EXPECT_EQ(read_lines(m_dir.file("limited.log.bak")), std::vector<std::string>{std::string(98, 'a')});
}

TEST_F(Sinks, FullFileRotatesToBackup) {
  ASSERT_TRUE(m_dir.ok());
  const std::string path = m_dir.file("x.log"), backup = path + ".bak";
  const size_t held = 4194304 - 10;
  fill_file(path, held);
  fill_file(backup, 5, 'o');  // an older backup, replaced
  IPmcLogFileSink* sink = file_sink("big", "x.log");
  // 8 characters + 2 still fit exactly.
  EXPECT_EQ(sink->write("12345678"), 0);
  EXPECT_EQ(std::filesystem::file_size(path), held + 9);
  EXPECT_EQ(std::filesystem::file_size(backup), 5u);

  fill_file(path, held);
  IPmcLogFileSink* fresh = file_sink("big2", "x.log");  // counts the file anew
  EXPECT_EQ(fresh->write("123456789"), 0);
  EXPECT_EQ(read_lines(path), std::vector<std::string>{"123456789"});
  EXPECT_EQ(std::filesystem::file_size(backup), held);
}

TEST_F(Sinks, AppendsToAnExistingFile) {
  ASSERT_TRUE(m_dir.ok());
  const std::string path = m_dir.file("old.log");
  {
    std::ofstream out(path);
    out << "earlier\n";
  }
  IPmcLogFileSink* sink = file_sink("old", "old.log");
  EXPECT_EQ(sink->write("later"), 0);
  EXPECT_EQ(read_lines(path), (std::vector<std::string>{"earlier", "later"}));
}

TEST_F(Sinks, FileThatCannotBeOpened) {
  ASSERT_TRUE(m_dir.ok());
  IPmcLogFileSink* no_path = as_file_sink(manager()->create_sink("file", "no-path"));
  ASSERT_NE(no_path, nullptr);
  EXPECT_EQ(no_path->write("x"), -10);
  EXPECT_EQ(no_path->set_path(nullptr), -2);

  IPmcLogFileSink* sink = file_sink("missing-dir", "missing/dir.log");
  EXPECT_EQ(sink->write("x"), -10);
  // Nothing stays open: the next write tries again.
  std::filesystem::create_directory(m_dir.file("missing"));
  EXPECT_EQ(sink->write("y"), 0);
  EXPECT_EQ(read_lines(m_dir.file("missing/dir.log")), std::vector<std::string>{"y"});
}

TEST_F(Sinks, FileThatCannotBeReopenedAfterRotation) {
  ASSERT_TRUE(m_dir.ok());
  IPmcLogFileSink* sink = file_sink("rotating", "sub/r.log");
  std::filesystem::create_directory(m_dir.file("sub"));
  sink->set_max_size(20);
  EXPECT_EQ(sink->write("0123456789"), 0);
  // The folder disappears: the rotation cannot reopen the file.
  std::filesystem::remove_all(m_dir.file("sub"));
  EXPECT_EQ(sink->write("0123456789"), -10);
  std::filesystem::create_directory(m_dir.file("sub"));
  EXPECT_EQ(sink->write("again"), 0);
  EXPECT_EQ(read_lines(m_dir.file("sub/r.log")), std::vector<std::string>{"again"});
}

TEST_F(Sinks, FailedWriteIsReported) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  IPmcLogFileSink* sink = as_file_sink(manager()->create_sink("file", "full"));
  ASSERT_EQ(sink->set_path("/dev/full"), 0);
  EXPECT_EQ(sink->write("lost"), -10);
}

// Runs `body` with standard output sent to `path`.
template <class Body>
void with_stdout_to(const std::string& path, Body body) {
  std::fflush(stdout);
  int saved = dup(STDOUT_FILENO);
  int target = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(saved, 0);
  ASSERT_GE(target, 0);
  dup2(target, STDOUT_FILENO);
  close(target);
  body();
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
}

TEST_F(Sinks, StandardSinkPrintsLines) {
  ASSERT_TRUE(m_dir.ok());
  const std::string captured = m_dir.file("stdout.txt");
  IPmcLogSink* console = manager()->create_sink("stdout", "console");
  IPmcLogger* logger = category("PSW");
  logger->add_sink(console);
  logger->set_level_mask(PMC_LOG_ERROR);
  logger->set_options(0);
  with_stdout_to(captured, [&] {
    EXPECT_EQ(console->write("plain line"), 0);
    EXPECT_EQ(logger->log(PMC_LOG_ERROR, "pGetData->init()"), 0);
  });
  auto lines = read_lines(captured);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "plain line");
  EXPECT_EQ(lines[1], std::string(23, ' ') + ",         ,         , PSW             , Error, pGetData->init()");
}

TEST_F(Sinks, StandardSinkReportsFailedOutput) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  IPmcLogSink* console = manager()->create_sink("stdout", "console");
  int rc = 0;
  with_stdout_to("/dev/full", [&] { rc = console->write("lost"); });
  std::clearerr(stdout);
  EXPECT_EQ(rc, -10);
}

}  // namespace

// A private directory under $TMPDIR (or /tmp), removed with its contents
// when the object goes away unless PSW_KEEP_AGENT_FILES=1 is set (for
// looking at an agent's configuration and log after a run).
#pragma once

#include <string>

namespace psw_test {

class TempDir {
 public:
  explicit TempDir(const std::string& prefix);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  void write(const std::string& name, const std::string& content) const;
  // The file's content, or "" when it cannot be read.
  std::string read(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace psw_test

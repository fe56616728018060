// What the C-interface tests share: a handle for the length of a scope, and
// the check of one status table through its count and copy functions.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "psw/psw.h"

namespace api_test {

// A handle for the length of a scope; `->` reaches the handle's object.
class Handle {
 public:
  Handle() { EXPECT_EQ(PSWInit(&handle_), PSW_OK); }
  ~Handle() { PSWUnInit(handle_); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  operator PSWHANDLE() const { return handle_; }
  PSWHANDLE operator->() const { return handle_; }

 private:
  PSWHANDLE handle_ = nullptr;
};

template <class Record>
using CountFn = std::function<int32_t(PSWHANDLE, int32_t*)>;
template <class Record>
using CopyFn = int32_t (*)(PSWHANDLE, int32_t, Record*);

// Counts one table and copies every record: each must equal `expected` in
// full (the caller's buffer is filled with a pattern first, so every byte
// must be written). Indexes -1 and count are out of range and leave the
// buffer alone.
template <class Record>
void expect_records(PSWHANDLE handle, const CountFn<Record>& count_fn, CopyFn<Record> copy_fn,
                    const std::vector<Record>& expected) {
  int32_t count = -1;
  ASSERT_EQ(count_fn(handle, &count), 0);
  ASSERT_EQ(count, static_cast<int32_t>(expected.size()));
  Record record;
  for (int32_t i = 0; i < count; ++i) {
    std::memset(&record, 0xA5, sizeof record);
    ASSERT_EQ(copy_fn(handle, i, &record), 0);
    EXPECT_EQ(record, expected[static_cast<size_t>(i)]) << "record " << i;
  }
  std::memset(&record, 0xA5, sizeof record);
  Record untouched = record;
  EXPECT_EQ(copy_fn(handle, -1, &record), -11);
  EXPECT_EQ(copy_fn(handle, count, &record), -11);
  EXPECT_EQ(record, untouched);
}

// Every option key's answer by "key[index]" (per-tray keys for every tray
// the device reported), as "result: value". A text getter's buffer starts
// as `unwritten`, so a failure shows whether the getter wrote into it.
std::map<std::string, std::string> every_option(PSWHANDLE h, const char* unwritten = "");

}  // namespace api_test

// Refusals of the status functions of the C interface: the order of the
// argument checks (null pointers, then kinds, then the opened device).
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "psw/psw.h"

namespace status_test {
namespace {

// Every status function, called on `h` with valid out-pointers; the name
// goes into failure messages.
struct StatusCall {
  const char* name;
  std::function<int32_t(PSWHANDLE)> call;
};

std::vector<StatusCall> status_calls() {
  static PSWStorageInfo storage;
  static PSWDeviceInfo device;
  static PSWPrinterInfo printer;
  static PSWInputTrayInfo input;
  static PSWOutputTrayInfo output;
  static PSWTonerInfo toner;
  static PSWAlertInfo alert;
  static PSWJobInfo job;
  static int32_t value;
  return {
      {"PSWGetNumberOfStorageInfo", [](PSWHANDLE h) { return PSWGetNumberOfStorageInfo(h, &value); }},
      {"PSWGetStorageInfo", [](PSWHANDLE h) { return PSWGetStorageInfo(h, 0, &storage); }},
      {"PSWGetNumberOfDeviceInfo", [](PSWHANDLE h) { return PSWGetNumberOfDeviceInfo(h, &value); }},
      {"PSWGetDeviceInfo", [](PSWHANDLE h) { return PSWGetDeviceInfo(h, 0, &device); }},
      {"PSWGetPrinterInfo", [](PSWHANDLE h) { return PSWGetPrinterInfo(h, &printer); }},
      {"PSWGetNumberOfInputTrayInfo", [](PSWHANDLE h) { return PSWGetNumberOfInputTrayInfo(h, &value); }},
      {"PSWGetInputTrayInfo", [](PSWHANDLE h) { return PSWGetInputTrayInfo(h, 0, &input); }},
      {"PSWGetNumberOfOutputTrayInfo", [](PSWHANDLE h) { return PSWGetNumberOfOutputTrayInfo(h, &value); }},
      {"PSWGetOutputTrayInfo", [](PSWHANDLE h) { return PSWGetOutputTrayInfo(h, 0, &output); }},
      {"PSWGetNumberOfTonerInfo", [](PSWHANDLE h) { return PSWGetNumberOfTonerInfo(h, &value); }},
      {"PSWGetTonerInfo", [](PSWHANDLE h) { return PSWGetTonerInfo(h, 0, &toner); }},
      {"PSWGetNumberOfAlertInfo", [](PSWHANDLE h) { return PSWGetNumberOfAlertInfo(h, &value); }},
      {"PSWGetAlertInfo", [](PSWHANDLE h) { return PSWGetAlertInfo(h, 0, &alert); }},
      {"PSWGetNumberOfJobInfo", [](PSWHANDLE h) { return PSWGetNumberOfJobInfo(h, PSW_JOBS_ALL, &value); }},
      {"PSWGetJobInfo", [](PSWHANDLE h) { return PSWGetJobInfo(h, 0, &job); }},
      {"PSWCancelJob", [](PSWHANDLE h) { return PSWCancelJob(h, "00001044"); }},
      {"PSWGetCharSet", [](PSWHANDLE h) { return PSWGetCharSet(h, PSW_CHARSET_PRINTER, &value); }},
  };
}

// Each function with one pointer argument null.
std::vector<StatusCall> calls_with_null_pointer() {
  return {
      {"PSWGetNumberOfStorageInfo", [](PSWHANDLE h) { return PSWGetNumberOfStorageInfo(h, nullptr); }},
      {"PSWGetStorageInfo", [](PSWHANDLE h) { return PSWGetStorageInfo(h, 0, nullptr); }},
      {"PSWGetNumberOfDeviceInfo", [](PSWHANDLE h) { return PSWGetNumberOfDeviceInfo(h, nullptr); }},
      {"PSWGetDeviceInfo", [](PSWHANDLE h) { return PSWGetDeviceInfo(h, 0, nullptr); }},
      {"PSWGetPrinterInfo", [](PSWHANDLE h) { return PSWGetPrinterInfo(h, nullptr); }},
      {"PSWGetNumberOfInputTrayInfo", [](PSWHANDLE h) { return PSWGetNumberOfInputTrayInfo(h, nullptr); }},
      {"PSWGetInputTrayInfo", [](PSWHANDLE h) { return PSWGetInputTrayInfo(h, 0, nullptr); }},
      {"PSWGetNumberOfOutputTrayInfo", [](PSWHANDLE h) { return PSWGetNumberOfOutputTrayInfo(h, nullptr); }},
      {"PSWGetOutputTrayInfo", [](PSWHANDLE h) { return PSWGetOutputTrayInfo(h, 0, nullptr); }},
      {"PSWGetNumberOfTonerInfo", [](PSWHANDLE h) { return PSWGetNumberOfTonerInfo(h, nullptr); }},
      {"PSWGetTonerInfo", [](PSWHANDLE h) { return PSWGetTonerInfo(h, 0, nullptr); }},
      {"PSWGetNumberOfAlertInfo", [](PSWHANDLE h) { return PSWGetNumberOfAlertInfo(h, nullptr); }},
      {"PSWGetAlertInfo", [](PSWHANDLE h) { return PSWGetAlertInfo(h, 0, nullptr); }},
      {"PSWGetNumberOfJobInfo", [](PSWHANDLE h) { return PSWGetNumberOfJobInfo(h, PSW_JOBS_ALL, nullptr); }},
      {"PSWGetJobInfo", [](PSWHANDLE h) { return PSWGetJobInfo(h, 0, nullptr); }},
      {"PSWCancelJob", [](PSWHANDLE h) { return PSWCancelJob(h, nullptr); }},
      {"PSWGetCharSet", [](PSWHANDLE h) { return PSWGetCharSet(h, PSW_CHARSET_PRINTER, nullptr); }},
  };
}

void expect_every_call(PSWHANDLE h, const std::vector<StatusCall>& calls, int32_t expected) {
  for (const StatusCall& c : calls) EXPECT_EQ(c.call(h), expected) << c.name;
}

TEST(StatusApiChecks, NullHandleThenNullPointerThenKindThenOpenedDevice) {
  expect_every_call(nullptr, status_calls(), -2);
  PSWHANDLE h = nullptr;
  ASSERT_EQ(PSWInit(&h), 0);
  // A null pointer is refused before the missing device is noticed.
  expect_every_call(h, calls_with_null_pointer(), -2);
  // So is a kind out of range, compared unsigned (-1 is refused too).
  int32_t value = 5;
  for (uint32_t kind : {3u, 0xFFFFFFFFu}) EXPECT_EQ(PSWGetNumberOfJobInfo(h, kind, &value), -2) << kind;
  for (uint32_t kind : {2u, 0xFFFFFFFFu}) EXPECT_EQ(PSWGetCharSet(h, kind, &value), -2) << kind;
  EXPECT_EQ(value, 5);
  // Then: no device opened.
  expect_every_call(h, status_calls(), -8);
  EXPECT_EQ(PSWGetNumberOfJobInfo(h, PSW_JOBS_FINISHED, &value), -8);
  EXPECT_EQ(PSWGetCharSet(h, PSW_CHARSET_VENDOR, &value), -8);
  EXPECT_EQ(value, 5);
  PSWUnInit(h);
}

}  // namespace
}  // namespace status_test

// An outside C++ program built against the installed library through
// find_package(psw): the C interface and an exported option-reader class.
#include <psw/psw.h>
#include <psw/psw_options.hpp>

#include <cstdio>

int main() {
  PSWHANDLE handle = nullptr;
  if (PSWInit(&handle) != PSW_OK) return 1;
  int failures = PSWCommandInteger(handle, "any", 1) != PSW_ERR_UNSUPPORTED;
  PSWUnInit(handle);

  // A fresh reader answers from empty data; a key of another kind is refused.
  CPSWFalconOption reader;
  bool scanner = true;
  failures += reader.get_option("Scanner", &scanner, 0) != PSW_OK || scanner;
  int32_t number = 0;
  failures += reader.get_option("Scanner", &number, 0) != PSW_ERR_UNSUPPORTED;
  if (failures != 0) {
    std::fprintf(stderr, "C++ consumer: %d unexpected results\n", failures);
    return 1;
  }
  std::puts("C++ consumer ok");
  return 0;
}

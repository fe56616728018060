/* Built as C (not C++) against libpsw.so: the public header must compile
   as C11 with its layout checks, and the C names must link and work. */
#include <stdio.h>
#include <string.h>

#include "psw/psw.h"

/* The header checks its own layouts; these repeat the sizes from the C side
   so a change to the header's checks cannot hide a change of layout. */
_Static_assert(sizeof(PSWStorageInfo) == 268, "PSWStorageInfo");
_Static_assert(sizeof(PSWDeviceInfo) == 264, "PSWDeviceInfo");
_Static_assert(sizeof(PSWPrinterInfo) == 8, "PSWPrinterInfo");
_Static_assert(sizeof(PSWInputTrayInfo) == 552, "PSWInputTrayInfo");
_Static_assert(sizeof(PSWOutputTrayInfo) == 328, "PSWOutputTrayInfo");
_Static_assert(sizeof(PSWTonerInfo) == 268, "PSWTonerInfo");
_Static_assert(sizeof(PSWAlertInfo) == 276, "PSWAlertInfo");
_Static_assert(sizeof(PSWJobInfo) == 1336, "PSWJobInfo");
_Static_assert(sizeof(PSWUSMSettings) == 716, "PSWUSMSettings");
_Static_assert(sizeof(PSW_BOOL16) == 2, "PSW_BOOL16");

static int failures = 0;

static void expect(int ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "FAILED: %s\n", what);
    ++failures;
  }
}

int main(void) {
  PSWHANDLE h = NULL;
  char long_value[300];

  expect(PSWInit(NULL) == PSW_ERR_ARGUMENT, "PSWInit(NULL) refused");
  expect(PSWInit(&h) == PSW_OK && h != NULL, "PSWInit creates a handle");
  expect(PSWCommandString(h, "CmdSetCommunityFind", "public") == PSW_OK, "find community set");
  expect(PSWCommandString(h, "CmdSetCommunityFind ", "public") == PSW_ERR_UNSUPPORTED,
         "trailing blank refused");
  memset(long_value, 'w', sizeof long_value - 1);
  long_value[sizeof long_value - 1] = '\0';
  expect(PSWCommandString(h, "CmdSetCommunityWrite", long_value) == PSW_OK, "long value cut");
  expect(PSWCommandString(h, "CmdSetCommunityGetOption", "") == PSW_OK, "empty value clears");
  expect(PSWCommandInteger(h, "CmdSetCommunityFind", 1) == PSW_ERR_UNSUPPORTED,
         "integer command unsupported");
  expect(PSWCommandInteger(h, "CmdSetCommunityFind", 0) == PSW_ERR_ARGUMENT, "zero value refused");
  PSWUnInit(h);
  PSWUnInit(NULL);

  if (failures != 0) return 1;
  puts("C interface check passed");
  return 0;
}

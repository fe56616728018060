/* Opens one printer and prints its status and toner levels.
 *
 *   example_print_status ADDRESS */
#include <stdio.h>

#include "psw/psw.h"

static int fail(PSWHANDLE handle, const char* what, int32_t rc) {
  fprintf(stderr, "%s: %d\n", what, (int)rc);
  PSWUnInit(handle);
  return 1;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s ADDRESS\n", argv[0]);
    return 2;
  }
  PSWHANDLE handle = NULL;
  int32_t rc = PSWInit(&handle);
  if (rc != PSW_OK) return fail(NULL, "PSWInit", rc);
  /* The device must be of the supported model; 2000 ms per answer, one retry. */
  rc = PSWInitDevice(handle, argv[1], PSW_TRANSPORT_UDP, 2000, 1);
  if (rc != PSW_OK) return fail(handle, "PSWInitDevice", rc);

  PSWPrinterInfo printer;
  rc = PSWGetPrinterInfo(handle, &printer);
  if (rc != PSW_OK) return fail(handle, "PSWGetPrinterInfo", rc);
  printf("printer status %d, detected errors 0x%08x\n", (int)printer.status,
         (unsigned)printer.detectedErrorState);

  /* Count first (reads the table), then copy each record. */
  int32_t count = 0;
  rc = PSWGetNumberOfTonerInfo(handle, &count);
  if (rc != PSW_OK) return fail(handle, "PSWGetNumberOfTonerInfo", rc);
  for (int32_t i = 0; i < count; ++i) {
    PSWTonerInfo toner;
    if (PSWGetTonerInfo(handle, i, &toner) != PSW_OK) continue;
    printf("%-32s level %d of %d (unit %d)\n", toner.description, (int)toner.level, (int)toner.maxCapacity,
           (int)toner.supplyUnit);
  }
  PSWUnInit(handle);
  return 0;
}

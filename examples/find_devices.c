/* Searches the local network for supported printers and lists them.
 *
 *   example_find_devices [ADDRESS]
 *
 * Without an address the search goes to the IPv4 broadcast address. */
#include <stdio.h>

#include "psw/psw.h"

int main(int argc, char** argv) {
  PSWHANDLE handle = NULL;
  int32_t rc = PSWInit(&handle);
  if (rc != PSW_OK) {
    fprintf(stderr, "PSWInit: %d\n", (int)rc);
    return 1;
  }
  /* Wait 1000 ms for answers, send once more when none came. */
  int32_t count = 0;
  rc = PSWFindDeviceSNMP(handle, argc > 1 ? argv[1] : NULL, PSW_TRANSPORT_UDP, 1000, 1, &count);
  if (rc != PSW_OK) {
    fprintf(stderr, "PSWFindDeviceSNMP: %d\n", (int)rc);
    PSWUnInit(handle);
    return 1;
  }
  printf("%d device(s) found\n", (int)count);
  char address[PSW_DEVICE_TEXT_SIZE], model[PSW_DEVICE_TEXT_SIZE], flag[PSW_DEVICE_TEXT_SIZE],
      oid[PSW_DEVICE_TEXT_SIZE];
  while (PSWGetDeviceNext(handle, address, model, flag, oid) == 1) printf("%-16s %-24s %s\n", address, model, oid);
  PSWUnInit(handle);
  return 0;
}

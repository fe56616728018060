/* An outside C program built against the installed library through
 * pkg-config: it must compile, link and behave as documented without any
 * device (nothing is sent). */
#include <stdio.h>

#include <psw/psw.h>

int main(void) {
  PSWHANDLE handle = NULL;
  if (PSWInit(&handle) != PSW_OK || handle == NULL) return 1;
  int32_t count = -1;
  /* No device opened yet, and a transport that is not one. */
  int failures = 0;
  failures += PSWGetNumberOfTonerInfo(handle, &count) != PSW_ERR_NOT_OPENED;
  failures += PSWInitDevice(handle, "127.0.0.1", 4, 100, 0) != PSW_ERR_ARGUMENT;
  failures += PSWCommandString(handle, "CmdSetCommunityFind", "public") != PSW_OK;
  PSWUnInit(handle);
  if (failures != 0) {
    fprintf(stderr, "C consumer: %d unexpected results\n", failures);
    return 1;
  }
  puts("C consumer ok");
  return 0;
}

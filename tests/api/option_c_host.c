/* A host program written in C: built as C11 against psw.h and linked with
   libpsw.so, it opens the simulated office printer, refreshes and reads its
   options, and reads one status table. Run by option_c_host_test.cpp inside
   the printer's private network namespace:
     option_c_host ADDRESS TRANSPORT
   Exit status 0 when every value is as expected. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "psw/psw.h"

static int failures = 0;

static void expect(int ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "FAILED: %s\n", what);
    ++failures;
  }
}

static void expect_int(PSWHANDLE h, const char* key, uint16_t index, int32_t want) {
  int32_t value = -12345;
  int32_t rc = PSWGetOptionValueInteger(h, key, index, &value);
  if (rc != PSW_OK || value != want) {
    fprintf(stderr, "FAILED: %s[%u]: result %d, value %d, want %d\n", key, (unsigned)index, (int)rc, (int)value,
            (int)want);
    ++failures;
  }
}

static void expect_bool(PSWHANDLE h, const char* key, int16_t want) {
  int16_t value = -1;
  int32_t rc = PSWGetOptionValueBoolean(h, key, 0, &value);
  if (rc != PSW_OK || value != want) {
    fprintf(stderr, "FAILED: %s: result %d, value %d, want %d\n", key, (int)rc, (int)value, (int)want);
    ++failures;
  }
}

static void expect_text(PSWHANDLE h, const char* key, uint16_t index, const char* want) {
  char value[PSW_OPTION_TEXT_SIZE];
  int32_t rc = PSWGetOptionValueString(h, key, index, value);
  if (rc != PSW_OK || strcmp(value, want) != 0) {
    fprintf(stderr, "FAILED: %s[%u]: result %d, value \"%s\", want \"%s\"\n", key, (unsigned)index, (int)rc,
            rc == PSW_OK ? value : "", want);
    ++failures;
  }
}

int main(int argc, char** argv) {
  PSWHANDLE h = NULL;
  PSWInputTrayInfo tray;
  int32_t count = -1;
  uint32_t unsignedValue = 0;
  int32_t rc;

  /* It talks to a device: only inside a private network namespace. */
  if (getenv("PSW_IN_PRIVATE_NETNS") == NULL || strcmp(getenv("PSW_IN_PRIVATE_NETNS"), "1") != 0) {
    fprintf(stderr, "option_c_host: run only inside a private network namespace\n");
    return 2;
  }
  if (argc != 3) {
    fprintf(stderr, "usage: option_c_host ADDRESS TRANSPORT\n");
    return 2;
  }

  expect(PSWInit(&h) == PSW_OK, "PSWInit");
  expect(PSWRefreshOptions(h) == PSW_ERR_NOT_OPENED, "no device opened yet");
  rc = PSWInitDevice(h, argv[1], (int32_t)atoi(argv[2]), 2000, 1);
  if (rc != PSW_OK) {
    fprintf(stderr, "FAILED: PSWInitDevice(%s, %s): %d\n", argv[1], argv[2], (int)rc);
    PSWUnInit(h);
    return 1;
  }
  expect(PSWIsSupportedOID(h, "1.3.6.1.4.1.47001") == 1, "supported model");
  expect(PSWIsSupportedOID(h, "1.3.6.1.4.1.47001.2") == 0, "other identifier");
  expect(PSWRefreshOptions(h) == PSW_OK, "PSWRefreshOptions");

  expect_text(h, "SysName", 0, "MFP-3F-EAST");
  expect_text(h, "PrinterRomVersion", 0, "Printer Controller v2.31.7 - Processor");
  expect_int(h, "PrinterRomVersionMinor", 0, 31);
  expect_int(h, "MemorySizeInMByte", 0, 2047);
  expect_bool(h, "FAXUnit", 1);
  expect_bool(h, "Scanner", 0);
  expect_bool(h, "DuplexModule", 1);
  expect_int(h, "FAXType", 0, 3);
  expect_int(h, "NumberOfInputTray", 0, 5);
  expect_int(h, "InputTrayMediaSize", 1, 24);
  expect_int(h, "InputTrayCurrentLevelInPercent", 0, 75);
  expect_text(h, "InputTrayName", 4, "Bypass");
  expect(PSWGetOptionValueUInteger(h, "MemorySizeInKByte", 0, &unsignedValue) == PSW_ERR_UNSUPPORTED,
         "no unsigned option");
  expect(PSWGetOptionValueInteger(h, "InputTrayType", 5, &count) == PSW_ERR_INDEX, "tray index bound");

  /* A status table through the same handle. */
  expect(PSWGetNumberOfInputTrayInfo(h, &count) == PSW_OK && count == 5, "five input trays");
  memset(&tray, 0xA5, sizeof tray);
  expect(PSWGetInputTrayInfo(h, 4, &tray) == PSW_OK, "copy of the manual tray");
  expect(tray.type == 5 && tray.capacityUnit == 8 && tray.maxCapacity == 100, "manual tray numbers");
  expect(strcmp(tray.name, "Bypass") == 0 && strcmp(tray.mediaType, "transparency") == 0, "manual tray texts");

  PSWUnInit(h);
  if (failures != 0) return 1;
  puts("C host passed");
  return 0;
}

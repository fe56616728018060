// The identity read of an opened device: who it is (system group), what the
// printer calls itself (prtGeneral's name and serial number, the printer's
// hrDeviceDescr) and its hardware address, in one GetNext of eleven names.
//
//   sysDescr .. sysLocation   1.3.6.1.2.1.1.1 .. 1.3.6.1.2.1.1.6
//   prtGeneralPrinterName     1.3.6.1.2.1.43.5.1.1.16
//   prtGeneralSerialNumber    1.3.6.1.2.1.43.5.1.1.17
//   hrPrinterStatus           1.3.6.1.2.1.25.3.5.1.1   (the printer's hrDeviceIndex)
//   hrDeviceDescr             1.3.6.1.2.1.25.3.2.1.3
//   ifPhysAddress             1.3.6.1.2.1.2.2.1.6
//
// An answer counts for a field only when it is the object asked for: a
// scalar's instance 0, or a cell of the column asked. Whatever else a GetNext
// runs on to (the next object of another group) is never taken for it.
// Further requests only where the first answer cannot tell:
//   - hrDeviceDescr of the printer's row when the first row of hrDeviceTable
//     is another device's (one Get);
//   - the next interfaces when the first has no 6-octet ifPhysAddress
//     (one GetNext each, at most kPSWIdentityInterfaceLimit).
// An SNMPv1 agent that has nothing beyond a name answers noSuchName for the
// whole request: that name is left out and the rest asked again.
#pragma once

#include <cstddef>

#include "device/psw_connection.h"
#include "psw/psw.h"

// The most interfaces looked at for a hardware address.
constexpr size_t kPSWIdentityInterfaceLimit = 32;

// Reads the identity of the device at `connection` into `out` (written on
// success only). Request failures (time-out, ...) pass through.
int psw_read_identity(const PSWConnection& connection, PSWIdentityInfo* out);

// "00:1b:a9:0c:22:51" for six octets into a buffer of at least 18 bytes.
void psw_format_hardware_address(const unsigned char* octets, char* out);

/*
 * psw.h: the C interface of libpsw.
 *
 * libpsw finds network printers by SNMP broadcast and reads their state.
 * Every function works on a handle that PSWInit hands out and PSWUnInit
 * takes back; every call runs to completion on the caller's thread. A handle
 * has no lock: use each handle from one thread at a time.
 *
 * Functions returning int32_t return a result code: PSW_OK (0) or a negative
 * PSW_ERR_* value. Negative codes not listed here come unchanged from the
 * protocol layers (time-outs, socket and protocol errors).
 *
 * Records and blocks that cross this interface are packed, little-endian
 * structures of fixed size; their sizes and field offsets are checked at
 * compile time below. Text fields and caller buffers hold zero-terminated
 * strings within their size.
 *
 * The header compiles as C (C11 or later) and as C++.
 */
#ifndef PSW_PSW_H
#define PSW_PSW_H

#include <stddef.h>
#include <stdint.h>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "libpsw records are little-endian: this target is not"
#endif

/* PSW_API marks what the library exports. On Windows, psw.dll exports it
 * and host programs import it; define PSW_STATIC when linking the library's
 * objects into a program directly. Elsewhere it is the default visibility
 * that the shared library's export list refines. */
#if defined(_WIN32)
#if defined(PSW_BUILDING_LIBRARY)
#define PSW_API __declspec(dllexport)
#elif defined(PSW_STATIC)
#define PSW_API
#else
#define PSW_API __declspec(dllimport)
#endif
#else
#define PSW_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define PSW_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define PSW_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* ------------------------------------------------------------------------
 * Version of this header; PSWGetVersion gives that of the loaded library.
 * 1.1 added PSWGetResultName, PSWGetResultText, PSWTextToUTF8 and
 * PSWGetVersion; 1.2 the integer command "CmdSetAnyModel",
 * PSWGetNumberOfSupplyInfo and PSWGetSupplyInfo; 1.3 the meter reads and
 * identity: PSWGetIdentityInfo, the marker, cover, console line and
 * console light tables, PSWGetSupplyLevel and PSWTextToUTF8Trimmed; 1.4
 * the request plan: GetBulk walks over SNMPv2c and SNMPv3 (the integer
 * command "CmdSetMaxRepetitions"), PSWReadStatusTables, PSWGetTableCount,
 * PSWGetLastPrinterInfo and PSWGetThreadRequestCount.
 * ---------------------------------------------------------------------- */
#define PSW_VERSION_MAJOR 1
#define PSW_VERSION_MINOR 4
#define PSW_VERSION_PATCH 0
#define PSW_VERSION "1.4.0"
/* One number for comparisons: PSW_VERSION_NUMBER >= PSW_MAKE_VERSION(1, 1, 0). */
#define PSW_MAKE_VERSION(major, minor, patch) ((major) * 10000 + (minor) * 100 + (patch))
#define PSW_VERSION_NUMBER PSW_MAKE_VERSION(PSW_VERSION_MAJOR, PSW_VERSION_MINOR, PSW_VERSION_PATCH)

/* ------------------------------------------------------------------------
 * Result codes
 * ---------------------------------------------------------------------- */
#define PSW_OK 0
#define PSW_ERR_FAILED (-1)      /* PSWRefreshOptions: firmware version text of unexpected form */
#define PSW_ERR_ARGUMENT (-2)    /* null pointer, bad transport or kind, address of another protocol,
                                    device of an unsupported model */
#define PSW_ERR_NO_MEMORY (-3)   /* an object could not be allocated */
#define PSW_ERR_UNSUPPORTED (-5) /* unknown command, integer command, search on transport 3,
                                    unknown option key */
#define PSW_ERR_NO_VALUE (-7)    /* the device answered without the value, or refused a write */
#define PSW_ERR_NOT_OPENED (-8)  /* no device has been opened on this handle */
#define PSW_ERR_INDEX (-11)      /* record or option index beyond the table read last */
#define PSW_ERR_WALK_STUCK (-402)    /* a table read stopped: the device's answer did not advance
                                        beyond the object asked for (nothing of the table is kept) */
#define PSW_ERR_WALK_TOO_LONG (-403) /* a table read stopped at PSW_TABLE_ROW_LIMIT rows before the
                                        device's table ended (nothing of the table is kept) */

/* Codes the protocol layers return through the functions above. */
#define PSW_ERR_NO_INTERFACE (-4)   /* an internal object was not available */
#define PSW_ERR_NOT_FOUND (-6)      /* a name was not found */
#define PSW_ERR_PLATFORM (-10)      /* a platform service is missing or failed to start */
#define PSW_ERR_SNMP_LIBRARY (-200) /* the SNMPv3 library reported an error */
#define PSW_ERR_SOCKET (-201)       /* no socket could be created */
#define PSW_ERR_BIND (-202)         /* the socket could not be bound */
#define PSW_ERR_TIMEOUT (-203)      /* no answer within the time-out (and retries) */
#define PSW_ERR_RECEIVE (-204)      /* receiving failed */
#define PSW_ERR_SEND (-205)         /* sending failed */
#define PSW_ERR_TOO_BIG (-210)      /* the device's answer would be too big */
#define PSW_ERR_OVERFLOW (-211)     /* a message did not fit its buffer */
#define PSW_ERR_NO_SPLIT (-212)     /* the request could not be split further */
#define PSW_ERR_SECURITY (-214)     /* SNMPv3 security failed (user, level, keys) */
#define PSW_ERR_MALFORMED (-250)    /* the device sent a malformed message */
#define PSW_ERR_OTHER_REQUEST (-251) /* an answer belonged to another request */
#define PSW_ERR_NO_PDU_TYPE (-299)  /* an answer without a PDU type */
#define PSW_ERR_BAD_INDEX (-401)    /* a table index sent by the device could not be read */

/* The most rows one table read gathers. */
#define PSW_TABLE_ROW_LIMIT 10000

/* ------------------------------------------------------------------------
 * Absent cells
 *
 * A device may lack a column of a table, or hold a cell only for some rows.
 * The status records list a row for every table index that any of their
 * columns has; a field whose cell the device lacks holds a value no device
 * sends for it:
 *   - signed integer fields: PSW_VALUE_ABSENT (the Printer MIB's own special
 *     values -1 other, -2 unknown, -3 some remaining stay what they are);
 *   - type fields mapped from object identifiers (PSWStorageInfo.type,
 *     PSWDeviceInfo.type, PSWJobInfo.jobType): 0, as for an unknown type;
 *   - PSWPrinterInfo.detectedErrorState: 0 (no error reported); a device
 *     without a printer row gives status PSW_VALUE_ABSENT and state 0;
 *   - unsigned integer fields (PSWJobInfo.jobCount5, jobCount6):
 *     PSW_VALUE_ABSENT_U32;
 *   - date and time fields: all six numbers 0;
 *   - texts: "" (empty).
 * ---------------------------------------------------------------------- */
#define PSW_VALUE_ABSENT ((int32_t)(-2147483647 - 1))
#define PSW_VALUE_ABSENT_U32 ((uint32_t)0xFFFFFFFFu)

/* ------------------------------------------------------------------------
 * Transports (the transport argument of device opening and searches)
 * ---------------------------------------------------------------------- */
#define PSW_TRANSPORT_UDP 1      /* UDP over IPv4, port 161 */
#define PSW_TRANSPORT_IPX 2      /* IPX, socket 0x900F */
#define PSW_TRANSPORT_RESERVED 3 /* no address family: refused, never available */
#define PSW_TRANSPORT_UDP6 5     /* UDP over IPv6, port 161 (4 is not a transport) */

/* SNMP mode argument of the Ex functions: 0 and 1 select community-based
   SNMPv1 requests, 2 SNMPv3 with the user settings of a PSWUSMSettings block. */
#define PSW_SNMP_MODE_COMMUNITY 0
#define PSW_SNMP_MODE_V3 2

/* Values of the PSWUSMSettings number fields. */
#define PSW_USM_NOAUTH_NOPRIV 0
#define PSW_USM_AUTH_NOPRIV 1
#define PSW_USM_AUTH_PRIV 2
#define PSW_USM_AUTH_HMAC_MD5 1
#define PSW_USM_AUTH_HMAC_SHA 2
#define PSW_USM_PRIV_DES 1
#define PSW_USM_PRIV_AES 2

/* Job kinds of PSWGetNumberOfJobInfo. */
#define PSW_JOBS_ALL 0
#define PSW_JOBS_UNFINISHED 1
#define PSW_JOBS_FINISHED 2

/* Character-set kinds of PSWGetCharSet. */
#define PSW_CHARSET_PRINTER 0
#define PSW_CHARSET_VENDOR 1

/* Some values of PSWSupplyInfo.type (prtMarkerSuppliesType); devices send
   others too (fuser, transfer unit, staples, ...), kept as sent. */
#define PSW_SUPPLY_OTHER 1
#define PSW_SUPPLY_UNKNOWN 2
#define PSW_SUPPLY_TONER 3
#define PSW_SUPPLY_WASTE_TONER 4
#define PSW_SUPPLY_INK 5
#define PSW_SUPPLY_INK_CARTRIDGE 6
#define PSW_SUPPLY_INK_RIBBON 7
#define PSW_SUPPLY_WASTE_INK 8
#define PSW_SUPPLY_DRUM 9 /* opc: the photoconductor drum */
#define PSW_SUPPLY_TONER_CARTRIDGE 21
/* Values of PSWSupplyInfo.supplyClass (prtMarkerSuppliesClass). */
#define PSW_SUPPLY_CLASS_OTHER 1
#define PSW_SUPPLY_CLASS_CONSUMED 3   /* supplyThatIsConsumed: the level falls with use */
#define PSW_SUPPLY_CLASS_RECEPTACLE 4 /* receptacleThatIsFilled: its level is the space left */

/* States of PSWGetSupplyLevel. */
#define PSW_LEVEL_KNOWN 0          /* percent holds what is left, 0-100 */
#define PSW_LEVEL_UNKNOWN 1        /* level -2 (unknown), absent, or a value the Printer MIB
                                      does not define */
#define PSW_LEVEL_SOME_REMAINING 2 /* level -3: some left, not how much */
#define PSW_LEVEL_NO_MAXIMUM 3     /* a level without a usable maximum (-1 no limit, -2
                                      unknown, 0, absent) and not in percent */
#define PSW_LEVEL_RECEPTACLE 4     /* a receptacle (class 4) with a known level: percent
                                      holds the space left in it, 0 when full */
#define PSW_LEVEL_OTHER 5          /* level -1 (other) */

/* Values of PSWCoverInfo.status (prtCoverStatus). */
#define PSW_COVER_OTHER 1
#define PSW_COVER_OPEN 3
#define PSW_COVER_CLOSED 4
#define PSW_COVER_INTERLOCK_OPEN 5
#define PSW_COVER_INTERLOCK_CLOSED 6

/* Some values of PSWMarkerInfo.counterUnit (prtMarkerCounterUnit). */
#define PSW_COUNTER_UNIT_IMPRESSIONS 7
#define PSW_COUNTER_UNIT_SHEETS 8

/* Sizes of the caller buffers: each text output of PSWGetDeviceNext, and
   the text output of PSWGetOptionValueString. */
#define PSW_DEVICE_TEXT_SIZE 64
#define PSW_OPTION_TEXT_SIZE 256
/* The buffer of PSWTextToUTF8: the UTF-8 form of any record or option text
   (255 octets of at most three bytes each, and the terminator). */
#define PSW_UTF8_TEXT_SIZE 768

/* A 16-bit yes/no result: 1 yes, 0 no. */
typedef int16_t PSW_BOOL16;

/* The handle: an opaque pointer, valid from PSWInit to PSWUnInit. */
typedef struct CPSWHandle* PSWHANDLE;

/* ------------------------------------------------------------------------
 * Records and blocks
 * ---------------------------------------------------------------------- */
#pragma pack(push, 1)

/* One row of the device's storage table. */
typedef struct PSWStorageInfo {
  int32_t type; /* storage type 1-8, 0 when unknown */
  int32_t allocationUnits;
  int32_t size;
  char description[256];
} PSWStorageInfo;

/* One row of the device table. */
typedef struct PSWDeviceInfo {
  int32_t type; /* device type number, 0 when unknown */
  int32_t status;
  char description[256];
} PSWDeviceInfo;

/* The printer's status. */
typedef struct PSWPrinterInfo {
  int32_t status;
  int32_t detectedErrorState; /* first four octets of the error state, first octet lowest */
} PSWPrinterInfo;

/* One input tray. */
typedef struct PSWInputTrayInfo {
  int32_t type;
  int32_t dimUnit;
  int32_t mediaDimFeedDirDeclared;
  int32_t mediaDimXFeedDirDeclared;
  int32_t mediaDimFeedDirChosen;
  int32_t mediaDimXFeedDirChosen;
  int32_t capacityUnit;
  int32_t maxCapacity;
  int32_t currentLevel;
  int32_t status;
  char mediaName[64];
  char name[64];
  char description[256];
  char mediaType[64];
  char mediaColor[64];
} PSWInputTrayInfo;

/* One output tray. */
typedef struct PSWOutputTrayInfo {
  int32_t type;
  int32_t status;
  char name[64];
  char description[256];
} PSWOutputTrayInfo;

/* One toner supply. */
typedef struct PSWTonerInfo {
  int32_t supplyUnit;
  int32_t maxCapacity;
  int32_t level;
  char description[256];
} PSWTonerInfo;

/* One supply of any type (PSWGetSupplyInfo): one row of the device's
   supplies table. Absent cells as for the other records; supplyIndex is
   the row's own index in the table. */
typedef struct PSWSupplyInfo {
  int32_t supplyIndex;
  int32_t markerIndex;
  int32_t colorantIndex; /* 0 when the supply has no colorant */
  int32_t supplyClass;   /* PSW_SUPPLY_CLASS_* */
  int32_t type;          /* PSW_SUPPLY_* */
  int32_t supplyUnit;
  int32_t maxCapacity;   /* -1 no limit, -2 unknown */
  int32_t level;         /* -1 other, -2 unknown, -3 some remaining */
  char colorant[64];     /* the colorant's name ("cyan", ...), "" when none */
  char description[256];
} PSWSupplyInfo;

/* One alert. */
typedef struct PSWAlertInfo {
  int32_t severityLevel;
  int32_t group;
  int32_t groupIndex;
  int32_t location;
  int32_t code;
  char description[256];
} PSWAlertInfo;

/* One job. A date and time is year, month, day, hour, minutes, seconds. */
typedef struct PSWJobInfo {
  int32_t jobType;  /* job type 1-12, 0 when unknown */
  int32_t jobState; /* 17 marks a finished job */
  int32_t jobValue10;
  uint32_t jobCount5;
  uint32_t jobCount6;
  char jobText5[256];
  char jobText6[256];
  char jobText7[256];
  char jobId[256]; /* the text PSWCancelJob takes */
  char jobText3[256];
  uint16_t time10[6];
  uint16_t time4[6];
  uint16_t time7[6];
} PSWJobInfo;

/* The device's identity (PSWGetIdentityInfo): system group scalars and
   the first rows of the printer tables, read in one exchange. Texts are the
   octets the device sent (a serial number keeps its padding: blanks, NULs;
   PSWTextToUTF8Trimmed shows it without). An object the device lacks reads
   as "" for texts and PSW_VALUE_ABSENT_U32 for sysUpTime. */
typedef struct PSWIdentityInfo {
  uint32_t sysUpTime;       /* hundredths of a second since the agent started */
  char sysDescr[256];
  char sysObjectID[128];    /* dotted text, "1.3.6.1.4.1...." */
  char sysName[256];
  char sysLocation[256];
  char sysContact[256];
  char serialNumber[256];   /* prtGeneralSerialNumber of the first prtGeneralTable row */
  char printerName[256];    /* prtGeneralPrinterName of that row */
  char deviceDescr[256];    /* hrDeviceDescr of the printer's hrDeviceTable row */
  char hardwareAddress[24]; /* first 6-octet ifPhysAddress as "00:1b:a9:0c:22:51" */
} PSWIdentityInfo;

/* One marker and its page counters (prtMarkerTable). Counters are unsigned
   32-bit whether the device sends Counter32 or INTEGER; absent counters are
   PSW_VALUE_ABSENT_U32, other absent cells PSW_VALUE_ABSENT. */
typedef struct PSWMarkerInfo {
  int32_t deviceIndex;        /* hrDeviceIndex of the row */
  int32_t markerIndex;        /* prtMarkerIndex, as PSWSupplyInfo.markerIndex names it */
  int32_t markingTechnology;  /* prtMarkerMarkTech: 4 electrophotographic laser, 13 thermal
                                 ink jet, ... */
  int32_t counterUnit;        /* prtMarkerCounterUnit: PSW_COUNTER_UNIT_IMPRESSIONS, ... */
  uint32_t lifeCount;         /* prtMarkerLifeCount: in counterUnit since manufacture */
  uint32_t powerOnCount;      /* prtMarkerPowerOnCount: since the device was switched on */
  int32_t processColorants;   /* prtMarkerProcessColorants */
  int32_t spotColorants;      /* prtMarkerSpotColorants */
  int32_t status;             /* prtMarkerStatus (sub-unit status) */
} PSWMarkerInfo;

/* One cover or door (prtCoverTable). */
typedef struct PSWCoverInfo {
  int32_t coverIndex;         /* the row's prtCoverIndex */
  int32_t status;             /* PSW_COVER_*; PSW_VALUE_ABSENT when absent */
  char description[256];
} PSWCoverInfo;

/* One line of the operator console's display (prtConsoleDisplayBufferTable),
   in the device's language and character set; lines may be empty or padded
   with blanks. */
typedef struct PSWConsoleLineInfo {
  int32_t lineIndex;          /* the row's prtConsoleDisplayBufferIndex */
  char text[256];
} PSWConsoleLineInfo;

/* One light of the operator console (prtConsoleLightTable). A light is on
   when onTime > 0 and offTime == 0, off when onTime == 0, blinking when
   both are positive (milliseconds). */
typedef struct PSWConsoleLightInfo {
  int32_t lightIndex;         /* the row's prtConsoleLightIndex */
  int32_t onTime;
  int32_t offTime;
  int32_t color;              /* prtConsoleColor: 3 white, 4 red, 5 green, 6 blue, ... */
  char description[256];
} PSWConsoleLightInfo;

/* SNMPv3 user settings of PSWInitDeviceEx and PSWFindDeviceSNMPEx. An empty
   text or an out-of-range number keeps the library's default for that field;
   a text that fills its field without a terminator is cut to one byte less
   than the field. */
typedef struct PSWUSMSettings {
  char userName[64];
  int32_t securityLevel; /* PSW_USM_NOAUTH_NOPRIV, PSW_USM_AUTH_NOPRIV, PSW_USM_AUTH_PRIV */
  int32_t authProtocol;  /* 0, PSW_USM_AUTH_HMAC_MD5, PSW_USM_AUTH_HMAC_SHA */
  int32_t privProtocol;  /* 0, PSW_USM_PRIV_DES, PSW_USM_PRIV_AES */
  char authPassPhrase[64];
  char privPassPhrase[64];
  char contextName[512];
} PSWUSMSettings;

#pragma pack(pop)

/* ------------------------------------------------------------------------
 * Functions
 * ---------------------------------------------------------------------- */
#ifdef __cplusplus
extern "C" {
#endif

/* Handle and commands. */

/* Creates a handle into *handle. PSW_ERR_ARGUMENT for a null pointer,
   PSW_ERR_NO_MEMORY when allocation fails (*handle is then null). */
PSW_API int32_t PSWInit(PSWHANDLE* handle);
/* Destroys the handle and everything it owns; a null handle does nothing. */
PSW_API void PSWUnInit(PSWHANDLE handle);
/* Sets a community by command: "CmdSetCommunityGetOption" (reads of an opened
   device), "CmdSetCommunityFind" (searches), "CmdSetCommunityWrite" (job
   cancel). Commands are compared exactly. The value is cut to 255 characters.
   Applies to later openings and searches. An empty value clears the read or
   write community, so later openings use "public" or "private"; an empty
   find community does not reset searches to "public": later searches keep
   the community the previous search used ("public" only when no search has
   used another). PSW_ERR_UNSUPPORTED for any other command. */
PSW_API int32_t PSWCommandString(PSWHANDLE handle, const char* command, const char* value);
/* The integer command "CmdSetAnyModel" (compared exactly): 1 makes later
   openings and searches accept printers of every model, 0 takes that back
   (the default); any other value gives PSW_ERR_ARGUMENT. With it on:
     - PSWInitDevice(Ex) accepts a device of another model when it has a
       Printer MIB (one GetNext more: a row in hrPrinterTable or
       any object of the Printer MIB 1.3.6.1.2.1.43), else PSW_ERR_ARGUMENT as before;
     - the status functions read such a device as any other;
     - the option getters answer PSW_ERR_UNSUPPORTED for keys of the
       supported maker (see docs/api.md); the keys from standard tables
       (SysName, memory size, input trays, offset stacking, duplex, manual
       feed) are answered; PSWRefreshOptions reads only those;
     - searches keep printers of every model, filters still applying; the
       model name of another model is the device's sysDescr (one GetNext
       to each such responder), cut to 63 characters.
   The integer command "CmdSetCommunityVersion" (compared exactly): 2 makes
   the community-based requests of later openings and searches of the
   handle go out as SNMPv2c, 1 as SNMPv1 again (the default); any other
   value gives PSW_ERR_ARGUMENT and changes nothing. The SNMP modes keep
   their meaning: it applies to every mode but PSW_SNMP_MODE_V3. A device
   opened keeps the version it was opened with for all its reads, options
   included. A device that does not speak SNMPv2c does not answer: the
   opening gives PSW_ERR_TIMEOUT, a search does not find it. A library
   without the command answers PSW_ERR_UNSUPPORTED.
   Any other command: PSW_ERR_ARGUMENT for a null handle or a zero value,
   else PSW_ERR_UNSUPPORTED. */
PSW_API int32_t PSWCommandInteger(PSWHANDLE handle, const char* command, intptr_t value);

/* Device opening: checks the device's model with one request and keeps the
   connection parameters for later reads. timeout is the wait per answer in
   milliseconds, retries the number of repeated sends. The plain form uses
   SNMP mode 0 and a zeroed settings block; the Ex form copies the caller's
   block. */
PSW_API int32_t PSWInitDevice(PSWHANDLE handle, const char* address, int32_t transport,
                              int32_t timeout, int32_t retries);
PSW_API int32_t PSWInitDeviceEx(PSWHANDLE handle, const char* address, int32_t transport,
                                int32_t snmpMode, const PSWUSMSettings* settings, int32_t timeout,
                                int32_t retries);

/* Discovery: one broadcast for sysObjectID; a null address searches
   255.255.255.255 (IPv4) or ff02::1 (IPv6). */
PSW_API int32_t PSWFindDeviceSNMP(PSWHANDLE handle, const char* address, int32_t transport,
                                  int32_t timeout, int32_t retries, int32_t* count);
PSW_API int32_t PSWFindDeviceSNMPEx(PSWHANDLE handle, const char* address, int32_t transport,
                                    int32_t snmpMode, const PSWUSMSettings* settings,
                                    int32_t timeout, int32_t retries, int32_t* count);
/* Adds a model filter (cut to 63 characters): later searches keep only
   devices whose sysObjectID begins with one of the filters. The list holds
   50 filters; adding a 51st returns PSW_ERR_INDEX (-11) and stores nothing.
   An empty filter stores nothing and returns PSW_OK. PSW_ERR_ARGUMENT for a
   null handle or filter. */
PSW_API int32_t PSWFindAddFilter(PSWHANDLE handle, const char* filter);
PSW_API void PSWFindClearFilter(PSWHANDLE handle);
PSW_API void PSWFindResetPosition(PSWHANDLE handle);
/* Copies the next found device into four buffers of PSW_DEVICE_TEXT_SIZE
   bytes (the flag output is one byte); 1 when a device was copied. */
PSW_API PSW_BOOL16 PSWGetDeviceNext(PSWHANDLE handle, char* address, char* modelName, char* flag,
                                    char* sysObjectId);

/* Status of the opened device. A count call reads its table from the device;
   the matching copy call copies record `index` (0 to count-1) of the table
   read last. */
PSW_API int32_t PSWGetNumberOfStorageInfo(PSWHANDLE handle, int32_t* count);
PSW_API int32_t PSWGetStorageInfo(PSWHANDLE handle, int32_t index, PSWStorageInfo* info);
PSW_API int32_t PSWGetNumberOfDeviceInfo(PSWHANDLE handle, int32_t* count);
PSW_API int32_t PSWGetDeviceInfo(PSWHANDLE handle, int32_t index, PSWDeviceInfo* info);
PSW_API int32_t PSWGetPrinterInfo(PSWHANDLE handle, PSWPrinterInfo* info);
PSW_API int32_t PSWGetNumberOfInputTrayInfo(PSWHANDLE handle, int32_t* count);
PSW_API int32_t PSWGetInputTrayInfo(PSWHANDLE handle, int32_t index, PSWInputTrayInfo* info);
PSW_API int32_t PSWGetNumberOfOutputTrayInfo(PSWHANDLE handle, int32_t* count);
PSW_API int32_t PSWGetOutputTrayInfo(PSWHANDLE handle, int32_t index, PSWOutputTrayInfo* info);
PSW_API int32_t PSWGetNumberOfTonerInfo(PSWHANDLE handle, int32_t* count);
PSW_API int32_t PSWGetTonerInfo(PSWHANDLE handle, int32_t index, PSWTonerInfo* info);
/* Every supply of the device, whatever its type (toner, ink, drum, waste
   receptacle, ...), with its class, colorant and level; the toner functions
   keep returning the toners alone. */
PSW_API int32_t PSWGetNumberOfSupplyInfo(PSWHANDLE handle, int32_t* count);
PSW_API int32_t PSWGetSupplyInfo(PSWHANDLE handle, int32_t index, PSWSupplyInfo* info);
PSW_API int32_t PSWGetNumberOfAlertInfo(PSWHANDLE handle, int32_t* count);
PSW_API int32_t PSWGetAlertInfo(PSWHANDLE handle, int32_t index, PSWAlertInfo* info);
/* kind: PSW_JOBS_ALL, PSW_JOBS_UNFINISHED or PSW_JOBS_FINISHED. */
PSW_API int32_t PSWGetNumberOfJobInfo(PSWHANDLE handle, uint32_t kind, int32_t* count);
PSW_API int32_t PSWGetJobInfo(PSWHANDLE handle, int32_t index, PSWJobInfo* info);
PSW_API int32_t PSWCancelJob(PSWHANDLE handle, const char* jobId);
/* kind: PSW_CHARSET_PRINTER or PSW_CHARSET_VENDOR. */
PSW_API int32_t PSWGetCharSet(PSWHANDLE handle, uint32_t kind, int32_t* charSet);

/* Several status tables in one walk. PSWReadStatusTables reads every table
   of `tables` (PSW_TABLE_* bits ORed together) at once: the columns of all
   of them go side by side in each request, so the reading costs about as
   many round trips as the longest table has rows, not the sum over the
   tables. Each chosen table is emptied first; on success it holds exactly
   the records its count function would have read, which the copy functions
   hand out; PSWGetTableCount tells a table's count and PSWGetLastPrinterInfo
   the printer values, from what was read last, without another request.
   On failure every chosen table is left empty and the code of the failed
   request is returned. -2 for a null handle, no bit or an unknown one;
   -8 when no device is opened. The count functions keep reading their
   table anew. */
#define PSW_TABLE_STORAGE 0x0001u
#define PSW_TABLE_DEVICE 0x0002u
#define PSW_TABLE_PRINTER 0x0004u /* the values of PSWGetPrinterInfo */
#define PSW_TABLE_INPUT_TRAY 0x0008u
#define PSW_TABLE_OUTPUT_TRAY 0x0010u
#define PSW_TABLE_TONER 0x0020u
#define PSW_TABLE_SUPPLY 0x0040u
#define PSW_TABLE_ALERT 0x0080u
#define PSW_TABLE_MARKER 0x0100u
#define PSW_TABLE_COVER 0x0200u
#define PSW_TABLE_CONSOLE_LINE 0x0400u
#define PSW_TABLE_CONSOLE_LIGHT 0x0800u
#define PSW_TABLE_ALL_STATUS 0x0FFFu
PSW_API int32_t PSWReadStatusTables(PSWHANDLE handle, uint32_t tables);
/* The number of records of one table (a single PSW_TABLE_* bit other than
   PSW_TABLE_PRINTER) as read last, by its count function or by
   PSWReadStatusTables; 0 before any reading. -2 for a null argument or
   another value of `table`; -8 when no device is opened. */
PSW_API int32_t PSWGetTableCount(PSWHANDLE handle, uint32_t table, int32_t* count);
/* The printer values as read last, by PSWGetPrinterInfo or by
   PSWReadStatusTables (status PSW_VALUE_ABSENT before any reading). */
PSW_API int32_t PSWGetLastPrinterInfo(PSWHANDLE handle, PSWPrinterInfo* info);

/* The SNMP requests the library has sent from the calling thread: every
   datagram to a device, retries, the parts of split requests, SNMPv3
   engine discovery and searches included. Each thread counts its own (a
   read made on one thread costs the difference of two readings); the
   count wraps past 4294967295. */
PSW_API uint32_t PSWGetThreadRequestCount(void);

/* Meter reads and identity of the opened device (1.3). The count calls read
   their table when called, like the status functions above; absent cells
   as the records say. */
PSW_API int32_t PSWGetIdentityInfo(PSWHANDLE handle, PSWIdentityInfo* info);
PSW_API int32_t PSWGetNumberOfMarkerInfo(PSWHANDLE handle, int32_t* count);
PSW_API int32_t PSWGetMarkerInfo(PSWHANDLE handle, int32_t index, PSWMarkerInfo* info);
PSW_API int32_t PSWGetNumberOfCoverInfo(PSWHANDLE handle, int32_t* count);
PSW_API int32_t PSWGetCoverInfo(PSWHANDLE handle, int32_t index, PSWCoverInfo* info);
PSW_API int32_t PSWGetNumberOfConsoleLineInfo(PSWHANDLE handle, int32_t* count);
PSW_API int32_t PSWGetConsoleLineInfo(PSWHANDLE handle, int32_t index, PSWConsoleLineInfo* info);
PSW_API int32_t PSWGetNumberOfConsoleLightInfo(PSWHANDLE handle, int32_t* count);
PSW_API int32_t PSWGetConsoleLightInfo(PSWHANDLE handle, int32_t index, PSWConsoleLightInfo* info);

/* A supply's level as a percentage and a state, the same way for every
   caller (no network traffic). supplyClass, supplyUnit, maxCapacity and
   level are the fields of a PSWSupplyInfo (for a PSWTonerInfo pass class
   PSW_SUPPLY_CLASS_CONSUMED). *state is one of PSW_LEVEL_*; *percent is
   0-100 for PSW_LEVEL_KNOWN and PSW_LEVEL_RECEPTACLE (rounded to the nearest
   whole percent, a level above its maximum counts as 100), else
   PSW_VALUE_ABSENT. A level in percent (supplyUnit 19) is the percentage
   whatever the maximum.
   A receptacle's level is the space left in it (the Printer MIB's
   definition), so for every class the percentage is what is left: low
   means "replace soon". PSW_ERR_ARGUMENT for a null pointer. */
PSW_API int32_t PSWGetSupplyLevel(int32_t supplyClass, int32_t supplyUnit, int32_t maxCapacity, int32_t level,
                                  int32_t* percent, int32_t* state);

/* Options of the opened device, read by PSWRefreshOptions and answered by
   key without network traffic. */
PSW_API int32_t PSWRefreshOptions(PSWHANDLE handle);
PSW_API int32_t PSWGetOptionValueBoolean(PSWHANDLE handle, const char* key, uint16_t index,
                                         int16_t* value);
PSW_API int32_t PSWGetOptionValueInteger(PSWHANDLE handle, const char* key, uint16_t index,
                                         int32_t* value);
PSW_API int32_t PSWGetOptionValueUInteger(PSWHANDLE handle, const char* key, uint16_t index,
                                          uint32_t* value);
/* buffer must hold PSW_OPTION_TEXT_SIZE bytes. */
PSW_API int32_t PSWGetOptionValueString(PSWHANDLE handle, const char* key, uint16_t index,
                                        char* buffer);
/* 1 when the opened device's sysObjectID begins with `oid`; the 16-bit value
   -2 for a null handle. */
PSW_API PSW_BOOL16 PSWIsSupportedOID(PSWHANDLE handle, const char* oid);
/* 1 when this computer can use the transport. */
PSW_API PSW_BOOL16 PSWTransportAvailable(int32_t transport);

/* Result codes as text, for messages and logs. PSWGetResultName gives the
   code's constant ("PSW_ERR_TIMEOUT"), PSWGetResultText one English sentence
   saying what happened. Both return static text, never null: a code this
   library does not know gives "PSW_ERR_UNKNOWN" and "unknown result code". */
PSW_API const char* PSWGetResultName(int32_t code);
PSW_API const char* PSWGetResultText(int32_t code);

/* The version of the loaded library ("1.2.0"), static text; a program can
   compare it with the PSW_VERSION it was built with. */
PSW_API const char* PSWGetVersion(void);

/* Device texts as UTF-8. Record, device and option texts hold the octets the
   device sent, in whatever character set it uses. PSWTextToUTF8 writes the
   UTF-8 form of `text` (at most its first 255 octets) into `buffer`, which
   must hold PSW_UTF8_TEXT_SIZE bytes:
     - a text that is valid UTF-8 is copied as it is; so is a text cut
       inside its last character (at its field's end) that is valid UTF-8
       up to there and holds another character beyond ASCII: the octets of
       the incomplete character are left out;
     - any other text is read as ISO-8859-1, its octets 0x80-0x9F as
       Windows-1252 assigns them (the five it leaves unassigned stay the
       control characters U+0081, U+008D, U+008F, U+0090, U+009D).
   Control characters are kept: escape them before showing a text on a
   terminal. PSW_ERR_ARGUMENT for a null argument (buffer untouched). */
PSW_API int32_t PSWTextToUTF8(const char* text, char* buffer);
/* The same, without the padding devices put around texts such as serial
   numbers: blanks, tabs, line ends and NULs at either end are left out
   (the record keeps them). */
PSW_API int32_t PSWTextToUTF8Trimmed(const char* text, char* buffer);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* ------------------------------------------------------------------------
 * Layout checks: these records are shared with callers built elsewhere.
 * ---------------------------------------------------------------------- */
PSW_STATIC_ASSERT(sizeof(PSW_BOOL16) == 2, "PSW_BOOL16 is 16 bits");

PSW_STATIC_ASSERT(sizeof(PSWStorageInfo) == 268, "PSWStorageInfo size");
PSW_STATIC_ASSERT(offsetof(PSWStorageInfo, allocationUnits) == 4, "PSWStorageInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWStorageInfo, size) == 8, "PSWStorageInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWStorageInfo, description) == 12, "PSWStorageInfo layout");

PSW_STATIC_ASSERT(sizeof(PSWDeviceInfo) == 264, "PSWDeviceInfo size");
PSW_STATIC_ASSERT(offsetof(PSWDeviceInfo, status) == 4, "PSWDeviceInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWDeviceInfo, description) == 8, "PSWDeviceInfo layout");

PSW_STATIC_ASSERT(sizeof(PSWPrinterInfo) == 8, "PSWPrinterInfo size");
PSW_STATIC_ASSERT(offsetof(PSWPrinterInfo, detectedErrorState) == 4, "PSWPrinterInfo layout");

PSW_STATIC_ASSERT(sizeof(PSWInputTrayInfo) == 552, "PSWInputTrayInfo size");
PSW_STATIC_ASSERT(offsetof(PSWInputTrayInfo, dimUnit) == 4, "PSWInputTrayInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWInputTrayInfo, mediaDimXFeedDirChosen) == 20, "PSWInputTrayInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWInputTrayInfo, status) == 36, "PSWInputTrayInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWInputTrayInfo, mediaName) == 40, "PSWInputTrayInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWInputTrayInfo, name) == 104, "PSWInputTrayInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWInputTrayInfo, description) == 168, "PSWInputTrayInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWInputTrayInfo, mediaType) == 424, "PSWInputTrayInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWInputTrayInfo, mediaColor) == 488, "PSWInputTrayInfo layout");

PSW_STATIC_ASSERT(sizeof(PSWOutputTrayInfo) == 328, "PSWOutputTrayInfo size");
PSW_STATIC_ASSERT(offsetof(PSWOutputTrayInfo, status) == 4, "PSWOutputTrayInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWOutputTrayInfo, name) == 8, "PSWOutputTrayInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWOutputTrayInfo, description) == 72, "PSWOutputTrayInfo layout");

PSW_STATIC_ASSERT(sizeof(PSWTonerInfo) == 268, "PSWTonerInfo size");
PSW_STATIC_ASSERT(offsetof(PSWTonerInfo, maxCapacity) == 4, "PSWTonerInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWTonerInfo, level) == 8, "PSWTonerInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWTonerInfo, description) == 12, "PSWTonerInfo layout");

PSW_STATIC_ASSERT(sizeof(PSWSupplyInfo) == 352, "PSWSupplyInfo size");
PSW_STATIC_ASSERT(offsetof(PSWSupplyInfo, markerIndex) == 4, "PSWSupplyInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWSupplyInfo, colorantIndex) == 8, "PSWSupplyInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWSupplyInfo, supplyClass) == 12, "PSWSupplyInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWSupplyInfo, type) == 16, "PSWSupplyInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWSupplyInfo, supplyUnit) == 20, "PSWSupplyInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWSupplyInfo, maxCapacity) == 24, "PSWSupplyInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWSupplyInfo, level) == 28, "PSWSupplyInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWSupplyInfo, colorant) == 32, "PSWSupplyInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWSupplyInfo, description) == 96, "PSWSupplyInfo layout");

PSW_STATIC_ASSERT(sizeof(PSWAlertInfo) == 276, "PSWAlertInfo size");
PSW_STATIC_ASSERT(offsetof(PSWAlertInfo, group) == 4, "PSWAlertInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWAlertInfo, groupIndex) == 8, "PSWAlertInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWAlertInfo, location) == 12, "PSWAlertInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWAlertInfo, code) == 16, "PSWAlertInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWAlertInfo, description) == 20, "PSWAlertInfo layout");

PSW_STATIC_ASSERT(sizeof(PSWJobInfo) == 1336, "PSWJobInfo size");
PSW_STATIC_ASSERT(offsetof(PSWJobInfo, jobState) == 4, "PSWJobInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWJobInfo, jobValue10) == 8, "PSWJobInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWJobInfo, jobCount5) == 12, "PSWJobInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWJobInfo, jobCount6) == 16, "PSWJobInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWJobInfo, jobText5) == 20, "PSWJobInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWJobInfo, jobText6) == 276, "PSWJobInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWJobInfo, jobText7) == 532, "PSWJobInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWJobInfo, jobId) == 788, "PSWJobInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWJobInfo, jobText3) == 1044, "PSWJobInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWJobInfo, time10) == 1300, "PSWJobInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWJobInfo, time4) == 1312, "PSWJobInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWJobInfo, time7) == 1324, "PSWJobInfo layout");

PSW_STATIC_ASSERT(sizeof(PSWIdentityInfo) == 1948, "PSWIdentityInfo size");
PSW_STATIC_ASSERT(offsetof(PSWIdentityInfo, sysDescr) == 4, "PSWIdentityInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWIdentityInfo, sysObjectID) == 260, "PSWIdentityInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWIdentityInfo, sysName) == 388, "PSWIdentityInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWIdentityInfo, serialNumber) == 1156, "PSWIdentityInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWIdentityInfo, hardwareAddress) == 1924, "PSWIdentityInfo layout");

PSW_STATIC_ASSERT(sizeof(PSWMarkerInfo) == 36, "PSWMarkerInfo size");
PSW_STATIC_ASSERT(offsetof(PSWMarkerInfo, lifeCount) == 16, "PSWMarkerInfo layout");
PSW_STATIC_ASSERT(offsetof(PSWMarkerInfo, status) == 32, "PSWMarkerInfo layout");

PSW_STATIC_ASSERT(sizeof(PSWCoverInfo) == 264, "PSWCoverInfo size");
PSW_STATIC_ASSERT(offsetof(PSWCoverInfo, description) == 8, "PSWCoverInfo layout");

PSW_STATIC_ASSERT(sizeof(PSWConsoleLineInfo) == 260, "PSWConsoleLineInfo size");
PSW_STATIC_ASSERT(offsetof(PSWConsoleLineInfo, text) == 4, "PSWConsoleLineInfo layout");

PSW_STATIC_ASSERT(sizeof(PSWConsoleLightInfo) == 272, "PSWConsoleLightInfo size");
PSW_STATIC_ASSERT(offsetof(PSWConsoleLightInfo, description) == 16, "PSWConsoleLightInfo layout");

PSW_STATIC_ASSERT(sizeof(PSWUSMSettings) == 716, "PSWUSMSettings size");
PSW_STATIC_ASSERT(offsetof(PSWUSMSettings, securityLevel) == 64, "PSWUSMSettings layout");
PSW_STATIC_ASSERT(offsetof(PSWUSMSettings, authProtocol) == 68, "PSWUSMSettings layout");
PSW_STATIC_ASSERT(offsetof(PSWUSMSettings, privProtocol) == 72, "PSWUSMSettings layout");
PSW_STATIC_ASSERT(offsetof(PSWUSMSettings, authPassPhrase) == 76, "PSWUSMSettings layout");
PSW_STATIC_ASSERT(offsetof(PSWUSMSettings, privPassPhrase) == 140, "PSWUSMSettings layout");
PSW_STATIC_ASSERT(offsetof(PSWUSMSettings, contextName) == 204, "PSWUSMSettings layout");

#endif /* PSW_PSW_H */

/*
 * psw_options.hpp: the option readers of libpsw (C++ only).
 *
 * CPSWDevCommOption reads which hardware options a device has and how it is
 * set up (scanner, copier, fax, hard disk, duplex unit, finishers, trays,
 * memory, firmware version, tray contents, settings of the maker's MIB).
 * refresh_options reads everything in one pass; the get_option overloads
 * then answer by key from what was read, without network traffic.
 * CPSWFalconOption is the reader the library uses for every opened device:
 * its Init refuses devices of any other model.
 *
 *   CPSWFalconOption reader;                  // settings: see psw_plugin_usm.hpp
 *   if (reader.Init(1, "192.0.2.7", nullptr, 2000, 2, 0) == 0 &&
 *       reader.refresh_options() == 0) {
 *     bool scanner = false;
 *     reader.get_option("Scanner", &scanner, 0);
 *   }
 *
 * Results are PSW_OK or a negative PSW_ERR_* code of psw.h (request failures
 * pass through unchanged). A reader is used by one thread at a time.
 */
#ifndef PSW_PSW_OPTIONS_HPP
#define PSW_PSW_OPTIONS_HPP

#include <stdint.h>

#include "psw/psw.h"
#include "psw/psw_plugin_usm.hpp"

class PSWOptionRequest;  // the library's request helper of the readers

class PSW_API CPSWDevCommOption {
 public:
  enum {
    kMaxDevices = 50,      // hrDevice rows kept
    kMaxInputTrays = 20,   // input tray rows kept
    kMaxOutputTrays = 20,  // output tray rows kept
  };

  // One hrDeviceTable row.
  struct SDeviceEntry {
    int32_t hrDeviceIndex;
    int32_t hrDeviceStatus;
    char szDescription[64];
  };
  // One prtInputTable row, converted.
  struct SInputTrayEntry {
    int32_t nNumber;                 // 1-based position of the row in the walk
    int32_t nType;                   // prtInputType
    int32_t nMediaSize;              // size code, 10000 when no size matched
    int32_t nMediaDirection;         // 1 no size matched, 2 feed side the shorter, 3 feed side the longer or equal
    int32_t nMaxCapacityInSheets;    // -1 unless the capacity unit is sheets
    int32_t nCurrentLevelInPercent;  // -1 when unknown
    int32_t nMediaDimFeedDirChosen;
    int32_t nMediaDimXFeedDirChosen;
    char szName[64];
    char szDescription[256];
    char szMediaType[256];
  };
  // One prtOutputTable row.
  struct SOutputTrayEntry {
    int32_t nNumber;  // 1-based position of the row in the walk
    int32_t prtOutputType;
    int32_t prtOutputOffsetStacking;
  };

  // An empty reader: no connection, no community, all option data cleared.
  CPSWDevCommOption();
  // Copy every member, connection parameters and option data alike.
  CPSWDevCommOption(const CPSWDevCommOption& other);
  CPSWDevCommOption& operator=(const CPSWDevCommOption& other);

  // Virtual operations, in slot order.

  // Deletes a reader that was created with new.
  virtual void destroy();  // slot 0
  // Copies the read community (at most 255 characters) and marks it set;
  // without it, requests use "public".
  virtual void SetCommunityStr(const char* community);  // slot 1
  // Clears the option data and reads everything from the device. Stops at
  // the first failing read and returns its code (what was read stays); -1
  // when the firmware version text has an unexpected form.
  virtual int32_t refresh_options();  // slot 2
  // Stores the connection: protocol (1 UDP over IPv4, 2 IPX, 4 UDP over
  // IPv6), address text, SNMPv3 settings (copied now; null means
  // community-based requests), time-out in milliseconds, retries and
  // maximum message size (0: the request layer's default). -2 for any other
  // protocol. This class sends nothing here.
  virtual int32_t Init(int32_t protocol, const char* address, IPSWPluginUSM* settings, uint32_t timeout,
                       uint32_t retries, uint32_t maxMessageSize);  // slot 3
  // Whether the device's sysObjectID lies under `oid`; the model readers
  // answer it.
  virtual bool is_supported_OID(const char* oid) = 0;  // slot 4
  // Text options: *out points into the reader until the next refresh or its
  // destruction.
  virtual int32_t get_option(const char* key, const char** out, int index) const;  // slot 5
  // Unsigned options: no key is of this kind (-5).
  virtual int32_t get_option(const char* key, uint32_t* out, int index) const;  // slot 6
  // Integer options.
  virtual int32_t get_option(const char* key, int32_t* out, int index) const;  // slot 7
  // Yes/no options.
  virtual int32_t get_option(const char* key, bool* out, int index) const;  // slot 8
  virtual ~CPSWDevCommOption();  // slot 9
  // get_option: -2 for a null key or output, -5 for a key of another kind
  // or no key at all, -11 for an input-tray key whose index is negative or
  // not below "NumberOfInputTray". Keys are compared exactly.

 protected:
  // Reads the firmware version numbers from the PrinterRomVersion text; -1
  // (logged) when it is not of the form
  // "Printer Controller v<major>.<minor>.<revision> - Processor".
  int32_t parse_version_value();
  // Whether an hrDevice row with that index was read; its status is stored
  // when `status` is not null (the first matching row counts).
  bool has_device_index(int hrDeviceIndex, int* status) const;
  // Empties the texts, flags, numbers and lists; keeps connection and
  // community.
  void initialize_data();
  // Media size code and direction of two dimensions in micrometres (unit 4);
  // leaves both outputs alone for other units, negative dimensions or sizes
  // not in the table.
  static void MediaDimensionToMediumSize(int32_t unit, int32_t feed, int32_t crossFeed, int32_t* size,
                                         int32_t* direction);
  // For capacity unit 8 (sheets): the maximum, and the level in percent
  // (-1 when unknown); leaves both outputs alone for other units.
  static void ConvertMediumLevel(int32_t unit, int32_t maximum, int32_t current, int32_t* maximumOut,
                                 int32_t* levelOut);

  // The refresh readers, in the order refresh_options runs them.
  int32_t refresh_system_attributes();
  int32_t refresh_hrdevice_table();
  int32_t refresh_input_tray_table();
  int32_t refresh_output_tray_table();
  int32_t refresh_memory_size();
  int32_t refresh_prt_media_table();
  int32_t refresh_netware_attributes();
  int32_t refresh_fax_attributes();
  int32_t refresh_qrl_hrdev_detail_setting();
  int32_t refresh_finisher_booklet_info();

  // Connection, as given to Init.
  int32_t m_nProtocol;
  char m_szAddress[64];
  uint16_t m_nPort;  // 161, or 36879 for IPX
  int32_t m_nTimeout;
  int32_t m_nRetries;
  int32_t m_nMaxMessageSize;
  // SNMPv3 settings, copied from the settings object in Init.
  int32_t m_nSnmpMode;
  char m_szUserName[64];
  int32_t m_nSecurityLevel;
  int32_t m_nAuthProtocol;
  int32_t m_nPrivProtocol;
  char m_szAuthPassPhrase[64];
  char m_szPrivPassPhrase[64];
  char m_szContextName[512];
  char m_szCommunity[256];
  bool m_bCommunitySet;

  // Option data of the last refresh.
  char m_szPrinterRomVersion[64];    // description of hrDevice index 10
  char m_szSysName[256];
  char m_szNetWareSAPUnitName[256];
  bool m_bDuplexUnit;
  bool m_bManualTray;        // an input tray of type 5
  bool m_bOffsetStacking;    // an output tray with offset stacking 3
  bool m_bCenterTrayMark;
  bool m_bISDNG4Kit;
  bool m_bLineSwitchKit;
  int32_t m_nMemorySizeKB;
  int32_t m_nFaxMaxSpeedDial;
  int32_t m_nFaxType;
  int32_t m_nRomVersionMajor;
  int32_t m_nRomVersionMinor;
  int32_t m_nRomVersionRevision;
  int32_t m_nPaperSizeGroup;
  int32_t m_nPaperSize8K;
  int32_t m_nBookletMaxImpressions;
  int32_t m_nLimitedColorPrinting;
  int32_t m_nMinPasswordLength;
  int32_t m_nUserPrompt;
  int32_t m_nDeviceCount;
  SDeviceEntry m_devices[kMaxDevices];
  int32_t m_nInputTrayCount;
  SInputTrayEntry m_inputTrays[kMaxInputTrays];
  int32_t m_nOutputTrayCount;
  SOutputTrayEntry m_outputTrays[kMaxOutputTrays];

 private:
  friend class PSWOptionRequest;
};

class PSW_API CPSWFalconOption : public CPSWDevCommOption {
 public:
  // An empty reader; no sysObjectID yet.
  CPSWFalconOption();
  CPSWFalconOption(const CPSWFalconOption& other);
  CPSWFalconOption& operator=(const CPSWFalconOption& other);
  ~CPSWFalconOption() override;

  // The base Init, then one request for the device's sysObjectID: -2 when
  // the device is not the supported model or the address is of another
  // protocol; request failures pass through.
  int32_t Init(int32_t protocol, const char* address, IPSWPluginUSM* settings, uint32_t timeout,
               uint32_t retries, uint32_t maxMessageSize) override;
  // True for a null text, else whether the sysObjectID read by Init begins
  // with the text (an empty text: true).
  bool is_supported_OID(const char* oid) override;
  using CPSWDevCommOption::get_option;
  int32_t get_option(const char* key, const char** out, int index) const override;
  int32_t get_option(const char* key, int32_t* out, int index) const override;
  int32_t get_option(const char* key, bool* out, int index) const override;

 private:
  // The model check of Init: 0 for the supported model, else -2 or the
  // request's code.
  int32_t is_supported_device();

  char m_szSysObjectId[256];  // as read by the last model check
};

#endif /* PSW_PSW_OPTIONS_HPP */

// The SNMP device finder: sends one GetRequest to a broadcast or multicast
// address and hands back every answer that arrives within the time-out, one
// packet per responding device (its address in the packet's target, its
// answer in the packet's PDU).
//
//   IPmcFindDeviceSnmp* finder = pmc_create_find_device_snmp(&err);
//   finder->init("255.255.255.255", 1, 161, 0, &usm, 1000, 1, 0);
//   finder->add_oid_string("1.3.6.1.2.1.1.2");      // sysObjectID.0
//   IPmsSnmpPacketList* found = nullptr;
//   finder->send_broad_cast(&found);                // the caller releases it
//
// It is set up exactly like the Get/Set data request object.
#pragma once

#include "base/pmc_object_list.h"
#include "request/pmc_snmp_request.h"

class IPmcFindDeviceSnmp {
 public:
  virtual void release() = 0;
  virtual int set_community(const char* community) = 0;
  // As the request object's init; the address is the search destination.
  virtual int init(const char* address, int protocol, uint16_t port, int version, const PmcUsmSettings* usm,
                   int timeout, int retries, size_t max_message_size) = 0;
  // Requests the scalar `oid`.0.
  virtual int add_oid_string(const char* oid) = 0;
  // Runs the search; on success `*packets` receives the list of answers,
  // which the caller owns. On failure `*packets` is left as it was.
  virtual int send_broad_cast(IPmsSnmpPacketList** packets) = 0;
  virtual int get_protocol_of(const char* address, int* protocol) = 0;
  // The SNMP version of community-based requests from the next init on:
  // PMS_VERSION_V1 (the default) or PMS_VERSION_V2C; -2 for any other.
  // An SNMPv3 request (version 2 at init) is not touched by it.
  virtual int set_community_version(int32_t version) = 0;

 protected:
  virtual ~IPmcFindDeviceSnmp() = default;
};

// A finder with community "public" and nothing else; -3 when memory is
// exhausted.
IPmcFindDeviceSnmp* pmc_create_find_device_snmp(int* err);

class CPmcFindDeviceSnmp final : public CPmcSnmpRequest<IPmcFindDeviceSnmp> {
 public:
  int add_oid_string(const char* oid) override { return add_request_oid(oid, true); }
  int send_broad_cast(IPmsSnmpPacketList** packets) override;
};

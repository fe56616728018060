// The process-wide address service: canonical address texts, the protocol of
// a text, and whether a protocol can be used on this host.
//
// Two variants, chosen once per process by what the socket library offers:
// the dual variant reads texts through the protocol-independent resolver and
// so handles IPv6; the classic variant knows IPv4 and IPX only and never
// touches the socket library.
#pragma once

#include "base/pmc_object.h"
#include "net/pmc_network_address.h"

class IPmcAddressService {
 public:
  // The canonical text of an address; the caller releases it.
  virtual int normalize(const char* text, IPmcText** out) = 0;
  // The protocol of an address text.
  virtual int protocol_of(const char* text, int* protocol) = 0;
  // Whether `protocol` can be used on this host.
  virtual int transport_available(IPmcNetworkAddress::EProtocol protocol, bool* available) = 0;

  // True when protocol_of succeeds with a nonzero protocol; its failure is
  // returned.
  int is_address(const char* text, bool* out);
  // Whether the canonical texts of both are byte-for-byte equal; either
  // normalisation's failure is returned.
  int same_address(const char* text1, const char* text2, bool* out);

  virtual ~IPmcAddressService() = default;
};

// Resolver rules: IPX and dotted decimal by their text, everything else
// through "getaddrinfo"/"getnameinfo" between a start-up and a clean-up.
class CPmcAddressServiceDual final : public IPmcAddressService {
 public:
  ~CPmcAddressServiceDual() override = default;
  int normalize(const char* text, IPmcText** out) override;
  int protocol_of(const char* text, int* protocol) override;
  int transport_available(IPmcNetworkAddress::EProtocol protocol, bool* available) override;
};

// Classic rules: dotted decimal IPv4 and IPX only, on the text alone.
class CPmcAddressServiceClassic final : public IPmcAddressService {
 public:
  ~CPmcAddressServiceClassic() override = default;
  int normalize(const char* text, IPmcText** out) override;
  int protocol_of(const char* text, int* protocol) override;
  int transport_available(IPmcNetworkAddress::EProtocol protocol, bool* available) override;
};

// The service, created on first use: the dual variant when the socket
// library has the resolver, else the classic one. Null and -3 when it cannot
// be allocated (the next call tries again).
IPmcAddressService* pmc_address_service(int* err);

// For tests: forgets the service, so the next call chooses its variant anew.
// Not for use while another thread uses the service.
void pmc_address_service_reset_for_test();

// Network addresses: an address text with its protocol and a port.
//
// Every endpoint the library talks to or listens on is one of these: the
// device a request goes to, the target of a search, the sender of a received
// datagram, the local end of a socket. The text is classified and brought to
// canonical form by the process-wide address service (net/pmc_address_service.h).
#pragma once

#include <cstdint>

#include "base/pmc_object.h"

class IPmcNetworkAddress {
 public:
  enum EProtocol : int32_t {
    PROTOCOL_NONE = 0,      // not yet known
    PROTOCOL_IPV4 = 1,      // UDP over IPv4
    PROTOCOL_IPX = 2,       // IPX
    PROTOCOL_RESERVED = 3,  // no transport supports it
    PROTOCOL_IPV6 = 4,      // UDP over IPv6
  };

  virtual void release() = 0;
  // Derives the protocol of `text`; -2 when it differs from a protocol
  // already set. Keeps the port.
  virtual int set_address(const char* text) = 0;
  // Stores the text unchecked; protocol 0 and port 0 keep the current ones.
  virtual int set(const char* text, EProtocol protocol, unsigned short port) = 0;
  virtual IPmcText* text() = 0;                                              // owned by the address
  virtual int get(IPmcText** copy, EProtocol* protocol, unsigned short* port) const = 0;
  virtual int set_protocol(EProtocol protocol) = 0;
  virtual int set_port(unsigned short port) = 0;
  virtual EProtocol get_protocol() const = 0;
  virtual unsigned short get_port() const = 0;
  // Same canonical text and protocol; a port of 0 on `other` matches any port.
  virtual bool equals(const IPmcNetworkAddress* other) const = 0;
  virtual int clone(IPmcNetworkAddress** out) const = 0;
  virtual bool is_valid() const = 0;
  virtual int normalize() = 0;
  // The text, or "" while none is set.
  virtual const char* c_str() const = 0;

 protected:
  virtual ~IPmcNetworkAddress() = default;
};

class CPmcNetworkAddress final : public virtual IPmcNetworkAddress, public CPmcObject {
 public:
  CPmcNetworkAddress() = default;

  void release() override { destroy(); }
  int set_address(const char* text) override;
  int set(const char* text, EProtocol protocol, unsigned short port) override;
  IPmcText* text() override { return m_pText.get(); }
  int get(IPmcText** copy, EProtocol* protocol, unsigned short* port) const override;
  int set_protocol(EProtocol protocol) override;
  int set_port(unsigned short port) override;
  EProtocol get_protocol() const override { return m_protocol; }
  unsigned short get_port() const override { return m_port; }
  bool equals(const IPmcNetworkAddress* other) const override;
  int clone(IPmcNetworkAddress** out) const override;
  bool is_valid() const override;
  int normalize() override;
  const char* c_str() const override;

  int post_construct() override;

 protected:
  ~CPmcNetworkAddress() override = default;

 private:
  // Stores `text` with "A" to "F" (and only those) in lower case.
  int store_text(const char* text);

  PmcPtr<IPmcText> m_pText;
  EProtocol m_protocol = PROTOCOL_NONE;
  unsigned short m_port = 0;  // host byte order; 0: no port given
};

// An empty address; -3 and null when memory runs out.
IPmcNetworkAddress* pmc_create_network_address(int* err);
// An address of `text`, whose protocol is derived from the text; the
// derivation's failure (and null) when it is not an address text.
IPmcNetworkAddress* pmc_create_network_address(const char* text, unsigned short port, int* err);

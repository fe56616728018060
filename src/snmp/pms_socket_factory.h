// Where the SNMPv1/SNMPv2c session gets its datagram socket.
//
// RequestSession opens every socket it uses through
// pms_open_datagram_socket, which makes a real one
// (net/pmc_datagram_socket.h) unless a factory has been put in place. The
// factory is a process-wide hook for tests and fuzzing: a stand-in for the
// network that answers the requests the library sends, so that whole reads
// (open, walks, splitting, retries) run in-process without a packet leaving
// it. PmsSocketFactoryOverride puts one in place for its own lifetime and
// then restores the one before, so overrides nest:
//
//   StandInFactory network(...);                 // a test's own factory
//   {
//     PmsSocketFactoryOverride use(network);
//     ... PSWInitDevice(...), PSWReadStatusTables(...) ...
//   }                                            // real sockets again
//
// The hook is read once per socket opened; sessions on any thread that open
// a socket while an override lives use its factory. Without one, nothing
// changes.
#pragma once

#include <cstdint>

#include "net/pmc_datagram_socket.h"

class IPmsSocketFactory {
 public:
  // Hands out a socket for `protocol` bound to `port` (0: any) in `*out`,
  // which the caller releases; the codes of pmc_create_datagram_socket, and
  // `*out` null on every failure.
  virtual int open_socket(int protocol, uint16_t port, DataGramSocket** out) = 0;

 protected:
  ~IPmsSocketFactory() = default;
};

// Opens a socket through the factory in place, or a real one when there is
// none. -2 for a null `out`.
int pms_open_datagram_socket(int protocol, uint16_t port, DataGramSocket** out);

// Puts `factory` in place while it lives and restores the factory before
// (none, or an enclosing override's) when it goes. For tests and fuzzing.
class PmsSocketFactoryOverride {
 public:
  explicit PmsSocketFactoryOverride(IPmsSocketFactory& factory);
  ~PmsSocketFactoryOverride();
  PmsSocketFactoryOverride(const PmsSocketFactoryOverride&) = delete;
  PmsSocketFactoryOverride& operator=(const PmsSocketFactoryOverride&) = delete;

 private:
  IPmsSocketFactory* m_pPrevious;
};

// NPmcSocketAPI: the socket services, bound at run time.
//
// Nothing outside src/net calls a socket function directly: the datagram
// transport, the address service and the SNMPv3 channel go through the
// pointers bound here.
//
// On Windows the library is "ws2_32.dll", else "wsock32.dll", loaded on
// first use; the resolver entry points ("getaddrinfo", "getnameinfo",
// "freeaddrinfo") are optional, and their absence makes the process use the
// classic address rules (IPv4 and IPX only). Each user brackets its work
// with one start-up ("WSAStartup") and one clean-up ("WSACleanup").
//
// On POSIX systems the same table is bound to the C library the program is
// linked with: no library is loaded, the sockets need no start-up, and the
// start-ups and clean-ups are only counted, so unmatched pairs still show in
// `startup_count`. Tests may point the loader at stub libraries instead.
#pragma once

#include "net/pmc_sys_socket.h"

#include <string>
#include <vector>

#ifdef _WIN32
// Required entry points, bound in this order: (member, function).
#define PMC_SOCKET_REQUIRED(X)          \
  X(m_pWSAStartup, WSAStartup)          \
  X(m_pWSACleanup, WSACleanup)          \
  X(m_pWSAGetLastError, WSAGetLastError) \
  X(m_pSocket, socket)                  \
  X(m_pBind, bind)                      \
  X(m_pHtons, htons)                    \
  X(m_pNtohs, ntohs)                    \
  X(m_pGetsockname, getsockname)        \
  X(m_pGethostname, gethostname)        \
  X(m_pGethostbyname, gethostbyname)    \
  X(m_pGetsockopt, getsockopt)          \
  X(m_pSetsockopt, setsockopt)          \
  X(m_pInetAddr, inet_addr)             \
  X(m_pInetNtoa, inet_ntoa)             \
  X(m_pSendto, sendto)                  \
  X(m_pRecvfrom, recvfrom)              \
  X(m_pSelect, select)                  \
  X(m_pClosesocket, closesocket)        \
  X(m_pGethostbyaddr, gethostbyaddr)    \
  X(m_pGetservbyname, getservbyname)    \
  X(m_pHtonl, htonl)                    \
  X(m_pNtohl, ntohl)                    \
  X(m_pConnect, connect)                \
  X(m_pListen, listen)                  \
  X(m_pIoctlsocket, ioctlsocket)        \
  X(m_pRecv, recv)                      \
  X(m_pSend, send)                      \
  X(m_pAccept, accept)                  \
  X(m_pWSAFDIsSet, __WSAFDIsSet)
#else
// Required entry points, bound in this order: (member, C library function).
// "close" plays "closesocket" and "ioctl" plays "ioctlsocket"; "poll" waits
// for datagrams, because an fd_set cannot hold descriptors past FD_SETSIZE.
#define PMC_SOCKET_REQUIRED(X)          \
  X(m_pSocket, socket)                  \
  X(m_pBind, bind)                      \
  X(m_pHtons, htons)                    \
  X(m_pNtohs, ntohs)                    \
  X(m_pGetsockname, getsockname)        \
  X(m_pGethostname, gethostname)        \
  X(m_pGethostbyname, gethostbyname)    \
  X(m_pGetsockopt, getsockopt)          \
  X(m_pSetsockopt, setsockopt)          \
  X(m_pInetAddr, inet_addr)             \
  X(m_pInetNtoa, inet_ntoa)             \
  X(m_pSendto, sendto)                  \
  X(m_pRecvfrom, recvfrom)              \
  X(m_pSelect, select)                  \
  X(m_pClosesocket, close)              \
  X(m_pGethostbyaddr, gethostbyaddr)    \
  X(m_pGetservbyname, getservbyname)    \
  X(m_pHtonl, htonl)                    \
  X(m_pNtohl, ntohl)                    \
  X(m_pConnect, connect)                \
  X(m_pListen, listen)                  \
  X(m_pIoctlsocket, ioctl)              \
  X(m_pRecv, recv)                      \
  X(m_pSend, send)                      \
  X(m_pAccept, accept)                  \
  X(m_pPoll, poll)
#endif

// Resolver entry points, optional, bound after the required ones.
#define PMC_SOCKET_RESOLVER(X)     \
  X(m_pGetaddrinfo, getaddrinfo)   \
  X(m_pGetnameinfo, getnameinfo)   \
  X(m_pFreeaddrinfo, freeaddrinfo)

namespace NPmcSocketAPI {

// The bound entry points; valid once `load` has returned 0.
struct Api {
#define PMC_SOCKET_MEMBER(member, function) decltype(&::function) member = nullptr;
  PMC_SOCKET_REQUIRED(PMC_SOCKET_MEMBER)
  PMC_SOCKET_RESOLVER(PMC_SOCKET_MEMBER)
#undef PMC_SOCKET_MEMBER
};

// 0 when the library is loaded and bound (at once if it already is); -10
// when no library name loads; else the result of `set_api`.
int load();
// Binds the entry points of `module`: 0, or -1 when a required one is missing.
int set_api(void* module);
// Loads as `load` does; true when all three resolver entry points are bound.
bool has_resolver();
// Load, then count one start-up; 0 or the load error.
int startup_1_1();
int startup_2_2();
// Ends one start-up when the library is loaded; otherwise does nothing.
void cleanup();
// The entry points (call `load` or a start-up first).
const Api& api();
// The calling thread's last socket error ("WSAGetLastError"; errno on POSIX).
int last_error();
// Waits until `socket` has a datagram to read, at most `timeout_ms`
// milliseconds (-1: without limit; 0: only a look). A signal that ends the
// wait early starts it again with what is left. 1 when readable, 0 when the
// time passed, -1 on a failure (last_error() tells which).
int wait_readable(PmcSocket socket, int32_t timeout_ms);
// True when the last failure of a receive was a datagram larger than the
// buffer, on a system that reports it as an error (Windows).
bool last_error_is_truncation();
// "getnameinfo" in numeric form (host, and service when `service` is not
// null) that writes the zone of a scoped IPv6 address as its number ("%2"),
// where the resolver would write the interface's name. 0 or the resolver's
// error; call only when has_resolver() is true.
int numeric_name_info(const struct sockaddr* address, socklen_t length, char* host, size_t host_size,
                      char* service, size_t service_size);
// Start-ups not yet ended by a clean-up.
int startup_count();

// One start-up for the life of a scope, ended by a clean-up on every path
// (also after a start-up that failed).
class CPmcSocketStartup {
 public:
  enum Version { V1_1, V2_2 };
  explicit CPmcSocketStartup(Version version)
      : m_result(version == V1_1 ? startup_1_1() : startup_2_2()) {}
  ~CPmcSocketStartup() { cleanup(); }
  CPmcSocketStartup(const CPmcSocketStartup&) = delete;
  CPmcSocketStartup& operator=(const CPmcSocketStartup&) = delete;
  int result() const { return m_result; }

 private:
  int m_result;
};

// For tests: unloads and tries `names` in order from the next load on (an
// empty list restores the defaults: "ws2_32.dll", "wsock32.dll" on Windows,
// the linked-in C library elsewhere).
void reset_for_test(const std::vector<std::string>& names);

}  // namespace NPmcSocketAPI

// The system's socket headers and the few names that differ between
// Windows Sockets and POSIX sockets. Included by the net layer and by the
// layers above that handle socket addresses; the functions themselves are
// reached only through NPmcSocketAPI's table.
#pragma once

#include <cstdint>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>

using PmcSocket = SOCKET;
constexpr PmcSocket PMC_INVALID_SOCKET = INVALID_SOCKET;

// Windows Sockets' IPX address (SOCKADDR_IPX of wsipx.h), under the field
// names of the POSIX one so that one conversion serves both.
struct sockaddr_ipx {
  short sipx_family;
  char sipx_network[4];
  unsigned char sipx_node[6];
  unsigned short sipx_port;
};
static_assert(sizeof(sockaddr_ipx) == 14, "the layout of SOCKADDR_IPX");
#define PMC_HAVE_IPX_HEADER 1
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

using PmcSocket = int;
constexpr PmcSocket PMC_INVALID_SOCKET = -1;

#if __has_include(<netipx/ipx.h>)
#include <netipx/ipx.h>
#define PMC_HAVE_IPX_HEADER 1
#endif
#endif

// An IPv4 address in network order, as "inet_addr" gives it.
using PmcInAddr = uint32_t;

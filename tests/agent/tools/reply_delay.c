/* Preloaded into the SNMP agent (LD_PRELOAD) to shape how it answers:
 *
 *   PSW_AGENT_REPLY_DELAY_MS=N   sleep N ms before every UDP datagram it
 *                                sends, so tests can order the answers of
 *                                several agents;
 *   PSW_AGENT_DROP_PKTINFO=1     send without the IP_PKTINFO/IPV6_PKTINFO
 *                                control data, so the kernel picks the
 *                                source address: the agent then answers a
 *                                request sent to a subnet broadcast address
 *                                from its own address instead of failing.
 *
 * Only sendmsg and sendto on UDP sockets are touched; everything else goes
 * straight to the C library. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <time.h>

/* The project builds with hidden visibility; the wrappers must be seen. */
#define PSW_EXPORT __attribute__((visibility("default")))

typedef ssize_t (*sendmsg_fn)(int, const struct msghdr*, int);
typedef ssize_t (*sendto_fn)(int, const void*, size_t, int, const struct sockaddr*, socklen_t);

static int is_udp(int fd) {
  int type = 0;
  socklen_t len = sizeof type;
  int domain = 0;
  socklen_t dlen = sizeof domain;
  if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &len) != 0 || type != SOCK_DGRAM) return 0;
  if (getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &dlen) != 0) return 0;
  return domain == AF_INET || domain == AF_INET6;
}

/* Set when a send failed: the agent then retries the same reply at once
 * (for example without IP_PKTINFO), and that retry is not delayed again. */
static __thread int retrying = 0;

static void delay_reply(void) {
  if (retrying) {
    retrying = 0;
    return;
  }
  const char* text = getenv("PSW_AGENT_REPLY_DELAY_MS");
  long ms = text ? strtol(text, NULL, 10) : 0;
  if (ms <= 0) return;
  struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
  int saved = errno;
  /* A signal cuts the sleep short: it is usually the agent being stopped. */
  nanosleep(&ts, NULL);
  errno = saved;
}

PSW_EXPORT ssize_t sendmsg(int fd, const struct msghdr* msg, int flags) {
  static sendmsg_fn real = NULL;
  if (!real) real = (sendmsg_fn)dlsym(RTLD_NEXT, "sendmsg");
  if (!is_udp(fd)) return real(fd, msg, flags);
  delay_reply();
  const char* drop = getenv("PSW_AGENT_DROP_PKTINFO");
  ssize_t sent;
  if (drop && drop[0] == '1' && msg) {
    struct msghdr copy = *msg;
    copy.msg_control = NULL;
    copy.msg_controllen = 0;
    sent = real(fd, &copy, flags);
  } else {
    sent = real(fd, msg, flags);
  }
  retrying = sent < 0;
  return sent;
}

PSW_EXPORT ssize_t sendto(int fd, const void* buf, size_t len, int flags, const struct sockaddr* to, socklen_t tolen) {
  static sendto_fn real = NULL;
  if (!real) real = (sendto_fn)dlsym(RTLD_NEXT, "sendto");
  if (!is_udp(fd)) return real(fd, buf, len, flags, to, tolen);
  delay_reply();
  ssize_t sent = real(fd, buf, len, flags, to, tolen);
  retrying = sent < 0;
  return sent;
}

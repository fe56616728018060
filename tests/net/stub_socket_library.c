/* A stand-in for the C library's socket services, for the loader tests.
 *
 * It defines the required socket entry points (less "sendto" when built with
 * PSW_STUB_WITHOUT_SENDTO) and none of the resolver ones. Each forwards to
 * the function of the same name in the process's global scope, which is the
 * C library: the stub itself is loaded locally and is not found there.
 * No system header is included, so the prototypes below are free to use
 * plain types that match the calling convention of the real ones. */

#define RTLD_DEFAULT ((void*)0)
void* dlsym(void* handle, const char* name);

struct stub_in_addr {
  unsigned int s_addr;
};

#define FORWARD(ret, name, params, args)          \
  ret name params {                               \
    typedef ret(*target_fn) params;               \
    target_fn target = (target_fn)dlsym(RTLD_DEFAULT, #name); \
    return target args;                           \
  }

FORWARD(int, socket, (int d, int t, int p), (d, t, p))
FORWARD(int, bind, (int s, const void* a, unsigned l), (s, a, l))
FORWARD(unsigned short, htons, (unsigned short v), (v))
FORWARD(unsigned short, ntohs, (unsigned short v), (v))
FORWARD(unsigned, htonl, (unsigned v), (v))
FORWARD(unsigned, ntohl, (unsigned v), (v))
FORWARD(int, getsockname, (int s, void* a, unsigned* l), (s, a, l))
FORWARD(int, gethostname, (char* n, unsigned long l), (n, l))
FORWARD(void*, gethostbyname, (const char* n), (n))
FORWARD(void*, gethostbyaddr, (const void* a, unsigned l, int t), (a, l, t))
FORWARD(void*, getservbyname, (const char* n, const char* p), (n, p))
FORWARD(int, getsockopt, (int s, int l, int o, void* v, unsigned* n), (s, l, o, v, n))
FORWARD(int, setsockopt, (int s, int l, int o, const void* v, unsigned n), (s, l, o, v, n))
FORWARD(unsigned, inet_addr, (const char* t), (t))
FORWARD(char*, inet_ntoa, (struct stub_in_addr a), (a))
#ifndef PSW_STUB_WITHOUT_SENDTO
FORWARD(long, sendto, (int s, const void* b, unsigned long n, int f, const void* a, unsigned l), (s, b, n, f, a, l))
#endif
FORWARD(long, recvfrom, (int s, void* b, unsigned long n, int f, void* a, unsigned* l), (s, b, n, f, a, l))
FORWARD(int, select, (int n, void* r, void* w, void* e, void* t), (n, r, w, e, t))
FORWARD(int, close, (int s), (s))
FORWARD(int, connect, (int s, const void* a, unsigned l), (s, a, l))
FORWARD(int, listen, (int s, int n), (s, n))
FORWARD(long, recv, (int s, void* b, unsigned long n, int f), (s, b, n, f))
FORWARD(long, send, (int s, const void* b, unsigned long n, int f), (s, b, n, f))
FORWARD(int, accept, (int s, void* a, unsigned* l), (s, a, l))
FORWARD(int, poll, (void* f, unsigned long n, int t), (f, n, t))

/* ioctl takes a variable argument list; forward the one pointer argument the
   socket layer passes. */
int ioctl(int s, unsigned long request, ...) {
  typedef int (*target_fn)(int, unsigned long, ...);
  __builtin_va_list args;
  __builtin_va_start(args, request);
  void* arg = __builtin_va_arg(args, void*);
  __builtin_va_end(args);
  target_fn target = (target_fn)dlsym(RTLD_DEFAULT, "ioctl");
  return target(s, request, arg);
}

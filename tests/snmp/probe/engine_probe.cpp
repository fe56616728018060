// A small program the engine tests start as a fresh process:
//
//   engine_probe first-id
//       prints the first request-id this process hands out;
//   engine_probe exchange|search ADDRESS PORT TIMEOUT_MS RETRIES LIMIT_S
//       runs one Get exchange (or one search) of sysName with those
//       settings and prints its result; the process ends itself by SIGALRM
//       after LIMIT_S seconds at the latest.
//
// It sends datagrams, so like every test program it refuses to run outside
// a private network namespace.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "net/pmc_network_address.h"
#include "protocol/pmc_oid.h"
#include "protocol/pms_pdu.h"
#include "protocol/pms_snmp_target.h"
#include "snmp/pms_request_session.h"
#include "support/isolation.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: engine_probe first-id\n"
               "       engine_probe exchange|search ADDRESS PORT TIMEOUT_MS RETRIES LIMIT_S\n");
  return 2;
}

long number(const char* text) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0') {
    std::fprintf(stderr, "engine_probe: not a number: %s\n", text);
    std::exit(2);
  }
  return value;
}

int run(bool search, const char* address, long port, long timeout_ms, long retries) {
  int err = PMC_OK;
  PmcPtr<IPmsSnmpTarget> target(pms_create_community_target(&err));
  PmcPtr<IPmcNetworkAddress> where(pmc_create_network_address(address, static_cast<unsigned short>(port), &err));
  PmcPtr<IPmsPdu> pdu(pms_create_pdu(&err));
  PmcPtr<RequestSession> session(pmc_make<RequestSession>(&err));
  IPmcOid* oid = pmc_create_oid_from_text("1.3.6.1.2.1.1.5.0", &err);
  if (!target || !where || !pdu || !session || oid == nullptr) {
    std::fprintf(stderr, "engine_probe: set-up failed (%d)\n", err);
    return 1;
  }
  target->set_version(PMS_VERSION_V1);
  target->set_timeout(static_cast<int32_t>(timeout_ms));
  target->set_retries(static_cast<int32_t>(retries));
  target->set_max_message_size(1400);
  pms_community_of(target.get())->set_community("public");
  target->set_address(where.get());
  pdu->set_type(PMS_PDU_GET);
  pdu->add(oid, nullptr);
  std::printf("sending\n");
  std::fflush(stdout);
  int rc = PMC_OK;
  if (search) {
    IPmsSnmpPacketList* list = nullptr;
    rc = session->send_broad_cast_sync(pdu.get(), target.get(), &list);
    PmcPtr<IPmsSnmpPacketList> found(list);
  } else {
    rc = session->send_sync(pdu.get(), target.get());
  }
  std::printf("result %d\n", rc);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string why;
  if (!psw_test::only_loopback_visible(&why)) {
    std::fprintf(stderr, "engine_probe: refusing to run outside a private network namespace (%s)\n", why.c_str());
    return 2;
  }
  if (argc == 2 && std::strcmp(argv[1], "first-id") == 0) {
    std::printf("%ld\n", static_cast<long>(pms_next_request_id()));
    return 0;
  }
  if (argc != 7) return usage();
  const bool search = std::strcmp(argv[1], "search") == 0;
  if (!search && std::strcmp(argv[1], "exchange") != 0) return usage();
  alarm(static_cast<unsigned>(number(argv[6])));
  return run(search, argv[2], number(argv[3]), number(argv[4]), number(argv[5]));
}

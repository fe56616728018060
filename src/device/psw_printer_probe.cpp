#include "device/psw_printer_probe.h"

#include <cstring>

namespace {

constexpr const char* kSysDescr = "1.3.6.1.2.1.1.1";
constexpr const char* kSysDescrInstance = "1.3.6.1.2.1.1.1.0";
constexpr const char* kHrPrinterStatus = "1.3.6.1.2.1.25.3.5.1.1";
constexpr const char* kPrinterMib = "1.3.6.1.2.1.43";

}  // namespace

bool psw_oid_strictly_below(const char* oid, const char* prefix) {
  if (oid == nullptr || prefix == nullptr) return false;
  const size_t length = std::strlen(prefix);
  return std::strncmp(oid, prefix, length) == 0 && oid[length] == '.' && oid[length + 1] != '\0';
}

int psw_probe_printer(PSWExchange& exchange, PSWPrinterProbe* out) {
  if (out == nullptr) return PMC_E_ARG;
  const char* const names[] = {kSysDescr, kHrPrinterStatus, kPrinterMib};
  int rc = exchange.add_columns(names, 3);
  if (rc != PMC_OK) return rc;
  PmcNextBinding answers[3] = {};
  rc = exchange.get_next(answers, 3);
  if (rc == PMC_E_NOVALUE) {
    // Refused, or fewer bindings than asked: nothing says it is a printer.
    *out = PSWPrinterProbe{};
    return PMC_OK;
  }
  if (rc != PMC_OK) return rc;
  PSWPrinterProbe probe;
  probe.printer = (answers[1].present && psw_oid_strictly_below(answers[1].oid, kHrPrinterStatus)) ||
                  (answers[2].present && psw_oid_strictly_below(answers[2].oid, kPrinterMib));
  if (answers[0].present && std::strcmp(answers[0].oid, kSysDescrInstance) == 0) {
    std::memcpy(probe.description, answers[0].text, sizeof probe.description);
  }
  *out = probe;
  return PMC_OK;
}

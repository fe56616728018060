// The value factories: one place that knows which class serves which tag.
#include "protocol/pmc_value.h"

#include "protocol/pmc_oid.h"
#include "protocol/pmc_value_exception.h"
#include "protocol/pmc_value_null.h"
#include "protocol/pmc_value_number.h"
#include "protocol/pmc_value_octets.h"

IPmcValue* pmc_create_value(int tag, int* err) {
  switch (tag) {
    case PMC_TAG_INTEGER: return pmc_make<CPmcInteger>(err);
    case PMC_TAG_OCTET_STRING: return pmc_make<CPmcOctetString>(err);
    case PMC_TAG_NULL: return pmc_make<CPmcNull>(err);
    case PMC_TAG_OID: return pmc_make<CPmcOid>(err);
    case PMC_TAG_IP_ADDRESS: return pmc_make<CPmcIpAddress>(err);
    case PMC_TAG_COUNTER32: return pmc_make<CPmcCounter32>(err);
    case PMC_TAG_GAUGE32: return pmc_make<CPmcGauge32>(err);
    case PMC_TAG_TIMETICKS: return pmc_make<CPmcTimeTicks>(err);
    case PMC_TAG_OPAQUE: return pmc_make<CPmcOpaque>(err);
    case PMC_TAG_COUNTER64: return pmc_make<CPmcCounter64>(err);
    case PMC_TAG_IPV6_ADDRESS: return pmc_make<CPmcIpv6Address>(err);
    case PMC_TAG_NO_SUCH_OBJECT:
    case PMC_TAG_NO_SUCH_INSTANCE:
    case PMC_TAG_END_OF_MIB_VIEW: return pmc_make<CPmcException>(err, tag);
    case PMC_TAG_IPV4_PREFIX: return pmc_make<CPmcIpv4Prefix>(err);
    case PMC_TAG_IPX_ADDRESS: return pmc_make<CPmcIpxAddress>(err);
    default:
      pmc_set_err(err, PMC_E_ARG);
      return nullptr;
  }
}

IPmcValue* pmc_create_integer_value(int32_t number, int tag, int* err) {
  PmcPtr<IPmcValue> value(pmc_create_value(tag, err));
  if (!value) return nullptr;
  int rc = value->set_int32(number);
  pmc_set_err(err, rc);
  return rc == PMC_OK ? value.release() : nullptr;
}

IPmcValue* pmc_create_value_from_text(const char* text, int tag, int* err) {
  if (text == nullptr) {
    pmc_set_err(err, PMC_E_ARG);
    return nullptr;
  }
  PmcPtr<IPmcValue> value(pmc_create_value(tag, err));
  if (!value) return nullptr;
  int rc = value->from_text(text);
  if (rc == PMC_OK && !value->is_valid()) rc = PMC_E_ARG;
  pmc_set_err(err, rc);
  return rc == PMC_OK ? value.release() : nullptr;
}

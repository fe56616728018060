#include "protocol/pmc_value_exception.h"

bool CPmcException::is_exception_tag(int tag) {
  return tag == PMC_TAG_NO_SUCH_OBJECT || tag == PMC_TAG_NO_SUCH_INSTANCE || tag == PMC_TAG_END_OF_MIB_VIEW;
}

IPmcValue* CPmcException::clone(int* err) const { return pmc_make<CPmcException>(err, m_tag); }

int CPmcException::copy_from(const IPmcValue& other) {
  return impl_of<CPmcException>(other, PMC_IID_EXCEPTION) != nullptr ? PMC_OK : PMC_E_ARG;
}

bool CPmcException::same_content(const IPmcValue& other) const {
  return impl_of<CPmcException>(other, PMC_IID_EXCEPTION) != nullptr;
}

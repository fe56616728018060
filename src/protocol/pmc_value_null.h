// NULL (0x05): the value without content that requests carry.
#pragma once

#include "protocol/pmc_value_base.h"

class CPmcNull : public CPmcValueClass<CPmcNull, CPmcValueBase, PMC_TAG_NULL, PMC_IID_NULL,
                                       &IPmcValueVisitor::visit_null> {
 protected:
  // Two NULL values are always equal and copying one copies nothing.
  int copy_from(const IPmcValue&) override { return PMC_OK; }
  bool same_content(const IPmcValue&) const override { return true; }
};

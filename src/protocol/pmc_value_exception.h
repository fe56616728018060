// The exception values of a response: noSuchObject (0x80), noSuchInstance
// (0x81) and endOfMibView (0x82). One class holds the three; the tag is its
// only content, fixed when the value is created.
#pragma once

#include "protocol/pmc_value_base.h"

class CPmcException : public CPmcValueClass<CPmcException, CPmcValueBase, PMC_TAG_NO_SUCH_OBJECT,
                                            PMC_IID_EXCEPTION, &IPmcValueVisitor::visit_exception> {
 public:
  // True for the three exception tags.
  static bool is_exception_tag(int tag);

  explicit CPmcException(int tag = PMC_TAG_NO_SUCH_OBJECT) : m_tag(tag) {}

  int get_type() const override { return m_tag; }
  IPmcValue* clone(int* err) const override;

 protected:
  // Equal tags (checked by assign and equals) are all there is to compare.
  int copy_from(const IPmcValue& other) override;
  bool same_content(const IPmcValue& other) const override;

 private:
  int m_tag;
};

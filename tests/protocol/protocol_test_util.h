// Helpers shared by the tests of the management core's values and OIDs.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "protocol/pmc_oid.h"
#include "protocol/pmc_value.h"

namespace core_test {

inline PmcPtr<IPmcValue> make_value(int tag) {
  int err = 1;
  PmcPtr<IPmcValue> value(pmc_create_value(tag, &err));
  EXPECT_EQ(err, PMC_OK) << "tag " << tag;
  return value;
}

// The value parsed from `text`, or null (the code in *err when given).
inline PmcPtr<IPmcValue> parse(const char* text, int tag, int* err = nullptr) {
  return PmcPtr<IPmcValue>(pmc_create_value_from_text(text, tag, err));
}

// The display text as a string, embedded zero bytes included.
inline std::string text_of(const IPmcValue& value, int* err = nullptr) {
  int rc = 1;
  PmcPtr<IPmcText> text(value.to_text(&rc));
  if (err != nullptr) *err = rc;
  if (!text || text->c_str() == nullptr) return std::string();
  return std::string(text->c_str(), text->length());
}

inline PmcPtr<IPmcOid> make_oid(const char* text = "") {
  int err = 1;
  PmcPtr<IPmcOid> oid(pmc_create_oid_from_text(text, &err));
  EXPECT_EQ(err, PMC_OK) << text;
  return oid;
}

// An OID holding any text, checked or not (the value face stores it as given).
inline PmcPtr<IPmcOid> raw_oid(const char* text) {
  PmcPtr<IPmcOid> oid(pmc_create_oid(nullptr));
  EXPECT_EQ(oid->from_text(text), PMC_OK);
  return oid;
}

// The sub-identifier count recounted from the text by a fresh OID, to hold
// a cached count against.
inline size_t recount(const IPmcOid& oid) {
  PmcPtr<IPmcOid> fresh(pmc_create_oid(nullptr));
  EXPECT_EQ(fresh->from_text(text_of(oid).c_str()), PMC_OK);
  return fresh->size();
}

}  // namespace core_test

// The OID's text, and its cached count checked against a recount.
#define EXPECT_OID(oid, text)                                  \
  do {                                                         \
    EXPECT_EQ(core_test::text_of(*(oid)), std::string(text));  \
    EXPECT_EQ((oid)->size(), core_test::recount(*(oid)));      \
  } while (0)

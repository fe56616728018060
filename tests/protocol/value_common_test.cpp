// What every value class shares: the factories, the interface identifiers,
// the visitor dispatch, and the NULL and exception values.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "protocol/pmc_oid.h"
#include "protocol/pmc_value_exception.h"
#include "protocol/pmc_value_null.h"
#include "protocol/pmc_value_number.h"
#include "protocol/pmc_value_octets.h"
#include "protocol_test_util.h"

using namespace core_test;

namespace {

const int kAllTags[] = {PMC_TAG_INTEGER,        PMC_TAG_OCTET_STRING,     PMC_TAG_NULL,
                        PMC_TAG_OID,            PMC_TAG_IP_ADDRESS,       PMC_TAG_COUNTER32,
                        PMC_TAG_GAUGE32,        PMC_TAG_TIMETICKS,        PMC_TAG_OPAQUE,
                        PMC_TAG_COUNTER64,      PMC_TAG_IPV6_ADDRESS,     PMC_TAG_NO_SUCH_OBJECT,
                        PMC_TAG_NO_SUCH_INSTANCE, PMC_TAG_END_OF_MIB_VIEW, PMC_TAG_IPV4_PREFIX,
                        PMC_TAG_IPX_ADDRESS};

TEST(ValueFactory, EveryTagMakesItsClassAndOthersAreRefused) {
  for (int tag : kAllTags) {
    auto value = make_value(tag);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->get_type(), tag);
    EXPECT_EQ(value->as_oid() != nullptr, tag == PMC_TAG_OID);
  }
  for (int tag : {3, 0, 0x45, 0x47, 0x83, 0xFF01, -1}) {
    int err = 0;
    EXPECT_EQ(pmc_create_value(tag, &err), nullptr);
    EXPECT_EQ(err, PMC_E_ARG) << tag;
  }
  EXPECT_EQ(pmc_create_value(3, nullptr), nullptr);  // a null err is not written
}

TEST(ValueFactory, IntegerFactoryOnlyForInteger) {
  int err = 1;
  PmcPtr<IPmcValue> value(pmc_create_integer_value(-9, PMC_TAG_INTEGER, &err));
  ASSERT_TRUE(value);
  EXPECT_EQ(err, PMC_OK);
  EXPECT_EQ(value->get_int32(nullptr), -9);
  EXPECT_EQ(pmc_create_integer_value(9, PMC_TAG_GAUGE32, &err), nullptr);
  EXPECT_EQ(err, PMC_E_UNSUPPORTED);
  EXPECT_EQ(pmc_create_integer_value(9, 3, &err), nullptr);
  EXPECT_EQ(err, PMC_E_ARG);
}

TEST(ValueFactory, FromTextRefusesNullBadTextAndInvalidOids) {
  int err = 0;
  EXPECT_EQ(pmc_create_value_from_text(nullptr, PMC_TAG_OCTET_STRING, &err), nullptr);
  EXPECT_EQ(err, PMC_E_ARG);
  EXPECT_EQ(pmc_create_value_from_text("1.2.3", PMC_TAG_IP_ADDRESS, &err), nullptr);
  EXPECT_EQ(err, PMC_E_ARG);
  EXPECT_EQ(pmc_create_value_from_text("1..3", PMC_TAG_OID, &err), nullptr);
  EXPECT_EQ(err, PMC_E_ARG);
  EXPECT_EQ(pmc_create_value_from_text("x", PMC_TAG_NULL, &err), nullptr);
  EXPECT_EQ(err, PMC_E_UNSUPPORTED);
  PmcPtr<IPmcValue> oid(pmc_create_value_from_text("1.3.6", PMC_TAG_OID, &err));
  ASSERT_TRUE(oid);
  EXPECT_EQ(err, PMC_OK);
  EXPECT_EQ(oid->size(), 3u);
}

// ---------------------------------------------------------------------------
// query_interface
// ---------------------------------------------------------------------------

const int kAllIids[] = {PMC_IID_VALUE,       PMC_IID_VALUE_IMPL,   PMC_IID_INTEGER,      PMC_IID_OCTET_STRING,
                        PMC_IID_NULL,        PMC_IID_OID,          PMC_IID_OID_SHORT,    PMC_IID_IP_ADDRESS,
                        PMC_IID_COUNTER32,   PMC_IID_UNSIGNED32,   PMC_IID_TIMETICKS,    PMC_IID_OPAQUE,
                        PMC_IID_COUNTER64,   PMC_IID_IPV6_ADDRESS, PMC_IID_EXCEPTION,    PMC_IID_IPV4_PREFIX,
                        PMC_IID_IPX_ADDRESS, 0,                    1,                    2,
                        pmc_iid(0xf0000000u), pmc_iid(0xf0000045u), 0xff01};

std::set<int> answered(IPmcValue& value) {
  std::set<int> ids;
  for (int id : kAllIids) {
    void* out = reinterpret_cast<void*>(1);
    int rc = value.query_interface(id, &out);
    EXPECT_EQ(rc == PMC_OK, out != nullptr) << std::hex << id;
    if (rc == PMC_OK) ids.insert(id);
  }
  return ids;
}

TEST(QueryInterface, EachClassAnswersExactlyItsIdentifiers) {
  const std::set<int> common = {PMC_IID_VALUE, PMC_IID_VALUE_IMPL};
  auto with = [&](std::initializer_list<int> ids) {
    std::set<int> all = common;
    all.insert(ids.begin(), ids.end());
    return all;
  };
  struct Case {
    int tag;
    std::set<int> ids;
  } cases[] = {
      {PMC_TAG_INTEGER, with({PMC_IID_INTEGER})},
      {PMC_TAG_OCTET_STRING, with({PMC_IID_OCTET_STRING})},
      {PMC_TAG_NULL, with({PMC_IID_NULL})},
      {PMC_TAG_OID, with({PMC_IID_OID, PMC_IID_OID_SHORT})},
      {PMC_TAG_IP_ADDRESS, with({PMC_IID_IP_ADDRESS, PMC_IID_OCTET_STRING})},
      {PMC_TAG_COUNTER32, with({PMC_IID_COUNTER32, PMC_IID_UNSIGNED32})},
      {PMC_TAG_GAUGE32, with({PMC_IID_UNSIGNED32})},
      {PMC_TAG_TIMETICKS, with({PMC_IID_TIMETICKS, PMC_IID_UNSIGNED32})},
      {PMC_TAG_OPAQUE, with({PMC_IID_OPAQUE, PMC_IID_OCTET_STRING})},
      {PMC_TAG_COUNTER64, with({PMC_IID_COUNTER64})},
      {PMC_TAG_IPV6_ADDRESS, with({PMC_IID_IPV6_ADDRESS, PMC_IID_OCTET_STRING})},
      {PMC_TAG_NO_SUCH_OBJECT, with({PMC_IID_EXCEPTION})},
      {PMC_TAG_END_OF_MIB_VIEW, with({PMC_IID_EXCEPTION})},
      {PMC_TAG_IPV4_PREFIX, with({PMC_IID_IPV4_PREFIX, PMC_IID_OCTET_STRING})},
      {PMC_TAG_IPX_ADDRESS, with({PMC_IID_IPX_ADDRESS, PMC_IID_OCTET_STRING})},
  };
  for (const Case& c : cases) {
    auto value = make_value(c.tag);
    EXPECT_EQ(answered(*value), c.ids) << "tag 0x" << std::hex << c.tag;
  }
}

TEST(QueryInterface, PointersHaveTheNamedTypes) {
  auto oid_value = make_value(PMC_TAG_OID);
  void* out = nullptr;
  ASSERT_EQ(oid_value->query_interface(PMC_IID_VALUE, &out), PMC_OK);
  EXPECT_EQ(static_cast<IPmcValue*>(out), oid_value.get());
  ASSERT_EQ(oid_value->query_interface(PMC_IID_OID_SHORT, &out), PMC_OK);
  EXPECT_EQ(static_cast<IPmcOid*>(out), oid_value->as_oid());
  auto counter = parse("5", PMC_TAG_COUNTER32);
  ASSERT_EQ(counter->query_interface(PMC_IID_UNSIGNED32, &out), PMC_OK);
  EXPECT_EQ(static_cast<CPmcGauge32*>(out)->value(), 5u);
  EXPECT_EQ(counter->query_interface(PMC_IID_VALUE, nullptr), PMC_E_ARG);  // a null out is ignored
}

// ---------------------------------------------------------------------------
// Visitor
// ---------------------------------------------------------------------------

class RecordingVisitor : public IPmcValueVisitor {
 public:
  std::string seen;
  int visit_oid(CPmcOid& v) override { return note("oid", v); }
  int visit_octet_string(CPmcOctetString& v) override { return note("octets", v); }
  int visit_integer(CPmcInteger& v) override { return note("integer", v); }
  int visit_null(CPmcNull& v) override { return note("null", v); }
  int visit_counter32(CPmcCounter32& v) override { return note("counter32", v); }
  int visit_gauge32(CPmcGauge32& v) override { return note("gauge32", v); }
  int visit_timeticks(CPmcTimeTicks& v) override { return note("timeticks", v); }
  int visit_counter64(CPmcCounter64& v) override { return note("counter64", v); }
  int visit_ip_address(CPmcIpAddress& v) override { return note("ip", v); }
  int visit_ipv6_address(CPmcIpv6Address& v) override { return note("ipv6", v); }
  int visit_ipv4_prefix(CPmcIpv4Prefix& v) override { return note("prefix", v); }
  int visit_ipx_address(CPmcIpxAddress& v) override { return note("ipx", v); }
  int visit_exception(CPmcException& v) override { return note("exception", v); }

 private:
  // Records the operation and hands back the value's tag, so that the test
  // also sees accept return the visitor's result for the right object.
  int note(const char* what, IPmcValue& value) {
    seen = what;
    return value.get_type();
  }
};

TEST(Visitor, EachClassReachesItsOwnOperation) {
  struct Case {
    int tag;
    const char* op;
  } cases[] = {
      {PMC_TAG_OID, "oid"},         {PMC_TAG_OCTET_STRING, "octets"},   {PMC_TAG_OPAQUE, "octets"},
      {PMC_TAG_INTEGER, "integer"}, {PMC_TAG_NULL, "null"},             {PMC_TAG_COUNTER32, "counter32"},
      {PMC_TAG_GAUGE32, "gauge32"}, {PMC_TAG_TIMETICKS, "timeticks"},   {PMC_TAG_COUNTER64, "counter64"},
      {PMC_TAG_IP_ADDRESS, "ip"},   {PMC_TAG_IPV6_ADDRESS, "ipv6"},     {PMC_TAG_IPV4_PREFIX, "prefix"},
      {PMC_TAG_IPX_ADDRESS, "ipx"}, {PMC_TAG_NO_SUCH_INSTANCE, "exception"},
  };
  for (const Case& c : cases) {
    RecordingVisitor visitor;
    auto value = make_value(c.tag);
    EXPECT_EQ(value->accept(visitor), c.tag);
    EXPECT_EQ(visitor.seen, c.op) << std::hex << c.tag;
  }
}

// ---------------------------------------------------------------------------
// NULL and the exception values
// ---------------------------------------------------------------------------

TEST(NullValue, NoTextNoIndexAlwaysEqual) {
  auto a = make_value(PMC_TAG_NULL);
  auto b = make_value(PMC_TAG_NULL);
  EXPECT_TRUE(a->equals(*b));
  EXPECT_EQ(a->assign(*b), PMC_OK);
  EXPECT_EQ(a->size(), 0u);
  int err = 0;
  PmcPtr<IPmcText> text(a->to_text(&err));
  ASSERT_TRUE(text);  // handed out even though there is no text
  EXPECT_EQ(err, PMC_E_UNSUPPORTED);
  EXPECT_EQ(text->length(), 0u);
  EXPECT_EQ(a->from_text("x"), PMC_E_UNSUPPORTED);
  auto oid = make_oid("1");
  EXPECT_EQ(a->append_to_oid(*oid, false), PMC_E_UNSUPPORTED);
  EXPECT_EQ(a->from_oid(*oid, false, PMC_ALL_SUBIDS), PMC_E_UNSUPPORTED);
  EXPECT_FALSE(a->equals(*make_value(PMC_TAG_NO_SUCH_OBJECT)));
}

TEST(ExceptionValues, TheTagIsTheContent) {
  auto object = make_value(PMC_TAG_NO_SUCH_OBJECT);
  auto instance = make_value(PMC_TAG_NO_SUCH_INSTANCE);
  auto end = make_value(PMC_TAG_END_OF_MIB_VIEW);
  EXPECT_TRUE(object->equals(*make_value(PMC_TAG_NO_SUCH_OBJECT)));
  EXPECT_FALSE(object->equals(*instance));
  EXPECT_EQ(instance->assign(*end), PMC_E_ARG);
  EXPECT_EQ(instance->get_type(), PMC_TAG_NO_SUCH_INSTANCE);
  int err = 1;
  PmcPtr<IPmcValue> copy(end->clone(&err));
  ASSERT_TRUE(copy);
  EXPECT_EQ(err, PMC_OK);
  EXPECT_EQ(copy->get_type(), PMC_TAG_END_OF_MIB_VIEW);
  EXPECT_TRUE(copy->equals(*end));
  EXPECT_EQ(end->clear(), PMC_OK);
  EXPECT_EQ(end->get_type(), PMC_TAG_END_OF_MIB_VIEW);
  EXPECT_EQ(end->size(), 0u);
  EXPECT_EQ(end->get_int32(&err), -1);
  EXPECT_EQ(err, PMC_E_UNSUPPORTED);
  EXPECT_EQ(end->from_text("1"), PMC_E_UNSUPPORTED);
}

// Text round trip through the factory for every class with a text form:
// what a value writes, the factory reads back into an equal value.
TEST(ValueText, EveryWrittenTextReadsBack) {
  struct Case {
    int tag;
    const char* text;
  } cases[] = {
      {PMC_TAG_INTEGER, "-2147483648"},
      {PMC_TAG_INTEGER, "-5"},
      {PMC_TAG_OCTET_STRING, "any bytes \x01\x7f"},
      {PMC_TAG_OID, "1.3.6.1.4.1.47001.0"},
      {PMC_TAG_IP_ADDRESS, "255.255.255.255"},
      {PMC_TAG_COUNTER32, "4294967295"},
      {PMC_TAG_GAUGE32, "1"},
      {PMC_TAG_TIMETICKS, "360000"},
      {PMC_TAG_OPAQUE, ""},
      {PMC_TAG_COUNTER64, "18446744073709551615"},
      {PMC_TAG_IPV6_ADDRESS, "2001:db8:0:0:0:0:ff00:42"},
      {PMC_TAG_IPV4_PREFIX, "172.16.0.0/12"},
      {PMC_TAG_IPX_ADDRESS, "ffffffff:ffffffffffff/ffff"},
  };
  for (const Case& c : cases) {
    auto value = parse(c.text, c.tag);
    ASSERT_TRUE(value) << c.text;
    std::string written = text_of(*value);
    EXPECT_EQ(written, c.text);
    auto again = parse(written.c_str(), c.tag);
    ASSERT_TRUE(again) << written;
    EXPECT_TRUE(again->equals(*value)) << written;
  }
}

}  // namespace

// The PDU object: its defaults, trap fields, copies and equality.
#include <gtest/gtest.h>

#include "protocol/pms_pdu.h"
#include "protocol/protocol_test_util.h"

namespace {

using core_test::make_oid;
using core_test::parse;

PmcPtr<IPmsPdu> new_pdu() {
  int err = 1;
  PmcPtr<IPmsPdu> pdu(pms_create_pdu(&err));
  EXPECT_EQ(err, PMC_OK);
  return pdu;
}

// A PDU of `type` with bindings `oids`, each holding INTEGER 1, 2, ...
PmcPtr<IPmsPdu> pdu_with(int32_t type, std::initializer_list<const char*> oids) {
  PmcPtr<IPmsPdu> pdu = new_pdu();
  pdu->set_type(type);
  int32_t n = 0;
  for (const char* oid : oids) {
    EXPECT_EQ(pdu->add(make_oid(oid).release(), pmc_create_integer_value(++n, PMC_TAG_INTEGER, nullptr)), PMC_OK);
  }
  return pdu;
}

std::string oid_at(const IPmsPdu& pdu, size_t position) {
  return core_test::text_of(*pdu.get_varbind_list()->at(position)->get_oid());
}

}  // namespace

TEST(Pdu, NewPduIsEmptyAndPopsNothing) {
  PmcPtr<IPmsPdu> pdu = new_pdu();
  EXPECT_EQ(pdu->get_type(), PMS_PDU_NONE);
  EXPECT_EQ(pdu->get_varbind_list(), nullptr);
  EXPECT_EQ(pdu->get_error_status(), 0);
  EXPECT_EQ(pdu->get_error_index(), 0u);
  EXPECT_EQ(pdu->get_time_stamp(), nullptr);
  EXPECT_EQ(pdu->get_enterprise(), nullptr);

  IPmcOid* oid = reinterpret_cast<IPmcOid*>(0x1);
  IPmcValue* value = reinterpret_cast<IPmcValue*>(0x1);
  EXPECT_EQ(pdu->pop_value(&oid, &value), PMC_E_NOVALUE);
  EXPECT_EQ(oid, reinterpret_cast<IPmcOid*>(0x1));
  EXPECT_EQ(value, reinterpret_cast<IPmcValue*>(0x1));
  EXPECT_EQ(pdu->pop_front(), nullptr);
  // Equal to nothing while its type is unset, itself included.
  EXPECT_FALSE(pdu->equals(*pdu));
}

TEST(Pdu, BindingsKeepOrderAndPopFromTheFront) {
  PmcPtr<IPmsPdu> pdu = pdu_with(PMS_PDU_GET, {"1.3.6.1.2", "1.3.6.1.3"});
  ASSERT_EQ(pdu->add_front(make_oid("1.3.6.1.1").release(), nullptr), PMC_OK);
  ASSERT_EQ(pdu->get_varbind_list()->size(), 3u);
  EXPECT_EQ(oid_at(*pdu, 0), "1.3.6.1.1");
  EXPECT_EQ(oid_at(*pdu, 2), "1.3.6.1.3");
  // A null value becomes NULL.
  EXPECT_EQ(pdu->get_varbind_list()->at(0)->get_value()->get_type(), PMC_TAG_NULL);

  IPmcOid* oid = nullptr;
  IPmcValue* value = nullptr;
  ASSERT_EQ(pdu->pop_value(&oid, &value), PMC_OK);
  PmcPtr<IPmcValue> hold_oid(oid), hold_value(value);
  EXPECT_EQ(core_test::text_of(*oid), "1.3.6.1.1");
  PmcPtr<IPmcVarBind> next(pdu->pop_front());
  ASSERT_TRUE(next);
  EXPECT_EQ(core_test::text_of(*next->get_oid()), "1.3.6.1.2");
  EXPECT_EQ(pdu->get_varbind_list()->size(), 1u);
}

TEST(Pdu, TrapFieldsTakeOnlyTheirKindAndKeepTheOldOne) {
  PmcPtr<IPmsPdu> pdu = new_pdu();
  ASSERT_EQ(pdu->set_time_stamp(parse("100", PMC_TAG_TIMETICKS).release()), PMC_OK);
  EXPECT_EQ(pdu->set_time_stamp(parse("5", PMC_TAG_INTEGER).release()), PMC_E_ARG);
  EXPECT_EQ(pdu->set_time_stamp(nullptr), PMC_E_ARG);
  ASSERT_NE(pdu->get_time_stamp(), nullptr);
  EXPECT_EQ(pdu->get_time_stamp()->get_uint32(nullptr), 100u);

  EXPECT_EQ(pdu->set_enterprise(parse("100", PMC_TAG_TIMETICKS).release()), PMC_E_ARG);
  EXPECT_EQ(pdu->get_enterprise(), nullptr);
  ASSERT_EQ(pdu->set_enterprise(make_oid("1.3.6.1.4.1.9.0.3").release()), PMC_OK);

  PmcPtr<IPmcValue> stamp(pdu->detach_time_stamp());
  ASSERT_TRUE(stamp);
  EXPECT_EQ(pdu->get_time_stamp(), nullptr);
  PmcPtr<IPmcValue> enterprise(pdu->detach_enterprise());
  EXPECT_EQ(core_test::text_of(*enterprise), "1.3.6.1.4.1.9.0.3");
}

TEST(Pdu, ResetClearsAllButTheRequestId) {
  PmcPtr<IPmsPdu> pdu = pdu_with(PMS_PDU_RESPONSE, {"1.3.6.1"});
  pdu->set_request_id(77);
  pdu->set_error_status(2);
  pdu->set_error_index(1);
  ASSERT_EQ(pdu->set_time_stamp(parse("1", PMC_TAG_TIMETICKS).release()), PMC_OK);
  pdu->reset();
  EXPECT_EQ(pdu->get_type(), PMS_PDU_NONE);
  EXPECT_EQ(pdu->get_request_id(), 77);
  EXPECT_EQ(pdu->get_error_status(), -1);
  EXPECT_EQ(pdu->get_error_index(), 0u);
  EXPECT_EQ(pdu->get_varbind_list(), nullptr);
  EXPECT_EQ(pdu->get_time_stamp(), nullptr);
}

TEST(Pdu, CloneIsDeepAndEqual) {
  PmcPtr<IPmsPdu> pdu = pdu_with(PMS_PDU_RESPONSE, {"1.3.6.1.1", "1.3.6.1.2"});
  pdu->set_request_id(9);
  pdu->set_error_status(2);
  pdu->set_error_index(2);
  int err = 1;
  PmcPtr<IPmsPdu> copy(pdu->clone(&err));
  ASSERT_EQ(err, PMC_OK);
  EXPECT_TRUE(copy->equals(*pdu));
  EXPECT_NE(copy->get_varbind_list(), pdu->get_varbind_list());
  // Changing the copy's binding leaves the original alone.
  copy->get_varbind_list()->at(1)->get_value()->set_int32(50);
  EXPECT_EQ(pdu->get_varbind_list()->at(1)->get_value()->get_int32(nullptr), 2);
  EXPECT_FALSE(copy->equals(*pdu));
}

TEST(Pdu, EqualityComparesTheHeaderFieldsOfItsKind) {
  PmcPtr<IPmsPdu> a = pdu_with(PMS_PDU_GET, {"1.3.6.1"});
  PmcPtr<IPmsPdu> b = pdu_with(PMS_PDU_GET, {"1.3.6.1"});
  EXPECT_TRUE(a->equals(*b));
  b->set_request_id(1);
  EXPECT_FALSE(a->equals(*b));
  b->set_request_id(0);
  b->set_error_index(3);
  EXPECT_FALSE(a->equals(*b));
  b->set_error_index(0);
  b->set_type(PMS_PDU_GETNEXT);
  EXPECT_FALSE(a->equals(*b));

  // Traps compare time-stamps and enterprises, not request-ids.
  a->set_type(PMS_PDU_TRAP);
  b->set_type(PMS_PDU_TRAP);
  b->set_request_id(5);
  ASSERT_EQ(a->set_enterprise(make_oid("1.3.6.1.4.1.9.0.1").release()), PMC_OK);
  ASSERT_EQ(b->set_enterprise(make_oid("1.3.6.1.4.1.9.0.1").release()), PMC_OK);
  EXPECT_TRUE(a->equals(*b));
  ASSERT_EQ(b->set_time_stamp(parse("3", PMC_TAG_TIMETICKS).release()), PMC_OK);
  EXPECT_FALSE(a->equals(*b));
}

TEST(Pdu, AnAbsentListEqualsAnEmptyOne) {
  PmcPtr<IPmsPdu> a = pdu_with(PMS_PDU_GET, {});
  PmcPtr<IPmsPdu> b = pdu_with(PMS_PDU_GET, {"1.3.6.1"});
  EXPECT_FALSE(a->equals(*b));
  PmcPtr<IPmcVarBind> gone(b->pop_front());
  EXPECT_NE(b->get_varbind_list(), nullptr);
  EXPECT_TRUE(a->equals(*b));
  EXPECT_TRUE(b->equals(*a));
}

TEST(Pdu, AssignCopiesTheListAndCopyHeaderDoesNot) {
  PmcPtr<IPmsPdu> from = pdu_with(PMS_PDU_TRAP, {"1.3.6.1.7"});
  ASSERT_EQ(from->set_time_stamp(parse("42", PMC_TAG_TIMETICKS).release()), PMC_OK);
  PmcPtr<IPmsPdu> to = pdu_with(PMS_PDU_GET, {"1.3.6.1.1", "1.3.6.1.2"});

  ASSERT_EQ(to->copy_header(*from), PMC_OK);
  EXPECT_EQ(to->get_type(), PMS_PDU_TRAP);
  ASSERT_NE(to->get_time_stamp(), nullptr);
  EXPECT_NE(to->get_time_stamp(), from->get_time_stamp());
  EXPECT_EQ(to->get_varbind_list()->size(), 2u);

  ASSERT_EQ(to->assign(*from), PMC_OK);
  ASSERT_EQ(to->get_varbind_list()->size(), 1u);
  EXPECT_EQ(oid_at(*to, 0), "1.3.6.1.7");
  EXPECT_TRUE(to->equals(*from));

  // A source without a list leaves none.
  PmcPtr<IPmsPdu> bare = new_pdu();
  ASSERT_EQ(to->assign(*bare), PMC_OK);
  EXPECT_EQ(to->get_varbind_list(), nullptr);
}

TEST(Pdu, ListCanBeDetachedAndReplaced) {
  PmcPtr<IPmsPdu> pdu = pdu_with(PMS_PDU_GET, {"1.3.6.1.1"});
  PmcPtr<IPmcVarBindList> list(pdu->detach_varbind_list());
  ASSERT_TRUE(list);
  EXPECT_EQ(pdu->get_varbind_list(), nullptr);
  pdu->set_varbind_list(list.release());
  EXPECT_EQ(pdu->get_varbind_list()->size(), 1u);
  pdu->set_varbind_list(nullptr);
  EXPECT_EQ(pdu->get_varbind_list(), nullptr);
}

// Variable bindings and binding lists: order, ownership and marks.
#include <gtest/gtest.h>

#include <string>

#include "protocol/pmc_varbind.h"
#include "protocol_test_util.h"

using namespace core_test;

namespace {

IPmcOid* new_oid(const char* text) { return pmc_create_oid_from_text(text, nullptr); }
IPmcValue* new_int(int32_t n) { return pmc_create_integer_value(n, PMC_TAG_INTEGER, nullptr); }

PmcPtr<IPmcVarBindList> list_of(std::initializer_list<const char*> oids) {
  PmcPtr<IPmcVarBindList> list(pmc_create_varbind_list(nullptr));
  int n = 0;
  for (const char* text : oids) EXPECT_EQ(list->add(new_oid(text), new_int(n++)), PMC_OK);
  return list;
}

// The OIDs of the list in order, joined by spaces.
std::string oids_in(const IPmcVarBindList& list) {
  std::string all;
  for (size_t i = 0; i < list.size(); ++i) {
    if (i > 0) all += ' ';
    all += text_of(*list.at(i)->get_oid());
  }
  return all;
}

TEST(VarBind, NullValueBecomesNullAndPartsDetach) {
  int err = 1;
  PmcPtr<IPmcVarBind> binding(pmc_create_varbind(new_oid("1.3"), nullptr, &err));
  ASSERT_TRUE(binding);
  EXPECT_EQ(err, PMC_OK);
  ASSERT_NE(binding->get_value(), nullptr);
  EXPECT_EQ(binding->get_value()->get_type(), PMC_TAG_NULL);
  EXPECT_EQ(binding->get_mark(), 0);

  IPmcOid* oid = nullptr;
  binding->detach(&oid, nullptr);  // the value is released, the OID handed out
  PmcPtr<IPmcOid> held(oid);
  ASSERT_TRUE(held);
  EXPECT_EQ(text_of(*held), "1.3");
  EXPECT_EQ(binding->get_oid(), nullptr);
  EXPECT_EQ(binding->get_value(), nullptr);

  ASSERT_EQ(binding->set(new_oid("2.5"), new_int(4)), PMC_OK);
  binding->set_value(new_int(8));  // the old value is released
  EXPECT_EQ(binding->get_value()->get_int32(nullptr), 8);
  binding->set_oid(nullptr);
  EXPECT_EQ(binding->get_oid(), nullptr);
}

TEST(VarBind, CloneAndEqualsCoverOidValueAndMark) {
  PmcPtr<IPmcVarBind> binding(pmc_create_varbind(new_oid("1.3.6"), new_int(5), nullptr));
  binding->set_mark(2);
  PmcPtr<IPmcVarBind> copy(binding->clone(nullptr));
  ASSERT_TRUE(copy);
  EXPECT_TRUE(copy->equals(*binding));
  EXPECT_NE(copy->get_value(), binding->get_value());  // a copy, not the same object
  copy->set_mark(100);
  EXPECT_FALSE(copy->equals(*binding));
  copy->set_mark(2);
  copy->get_value()->set_int32(6);
  EXPECT_FALSE(copy->equals(*binding));
  copy->set_value(new_int(5));
  copy->set_oid(new_oid("1.3.7"));
  EXPECT_FALSE(copy->equals(*binding));

  // Bindings without parts compare as such and clone as such.
  PmcPtr<IPmcVarBind> empty(pmc_create_varbind(nullptr, nullptr, nullptr));
  empty->set_value(nullptr);
  PmcPtr<IPmcVarBind> empty_copy(empty->clone(nullptr));
  ASSERT_TRUE(empty_copy);
  EXPECT_TRUE(empty_copy->equals(*empty));
  EXPECT_FALSE(empty->equals(*binding));
  EXPECT_FALSE(binding->equals(*empty));
}

TEST(VarBindList, AddsAndPushesAtBothEnds) {
  auto list = list_of({"1.2", "1.3"});
  ASSERT_EQ(list->add_front(new_oid("1.1"), nullptr), PMC_OK);
  ASSERT_EQ(list->push_back(pmc_create_varbind(new_oid("1.4"), nullptr, nullptr)), PMC_OK);
  ASSERT_EQ(list->push_front(pmc_create_varbind(new_oid("1.0"), nullptr, nullptr)), PMC_OK);
  EXPECT_EQ(oids_in(*list), "1.0 1.1 1.2 1.3 1.4");
  EXPECT_EQ(list->at(5), nullptr);
  // A null OID is refused and the value handed along is released.
  EXPECT_EQ(list->add(nullptr, new_int(1)), PMC_E_ARG);
  EXPECT_EQ(list->push_back(nullptr), PMC_E_ARG);
  EXPECT_EQ(list->size(), 5u);
}

TEST(VarBindList, RemovePopAndThereEnds) {
  auto list = list_of({"1.1", "1.2", "1.3"});
  IPmcVarBind* out = nullptr;
  EXPECT_EQ(list->remove(3, &out), PMC_E_ARG);
  ASSERT_EQ(list->remove(1, &out), PMC_OK);
  PmcPtr<IPmcVarBind> removed(out);
  EXPECT_EQ(text_of(*removed->get_oid()), "1.2");
  ASSERT_EQ(list->remove(1, nullptr), PMC_OK);  // released by the list
  EXPECT_EQ(oids_in(*list), "1.1");

  IPmcOid* oid = nullptr;
  IPmcValue* value = nullptr;
  ASSERT_EQ(list->pop_value(&oid, &value), PMC_OK);
  PmcPtr<IPmcOid> held_oid(oid);
  PmcPtr<IPmcValue> held_value(value);
  EXPECT_EQ(text_of(*held_oid), "1.1");
  EXPECT_EQ(held_value->get_int32(nullptr), 0);

  // An empty list writes nothing to the out pointers.
  IPmcOid* untouched_oid = reinterpret_cast<IPmcOid*>(0x1);
  IPmcValue* untouched_value = reinterpret_cast<IPmcValue*>(0x1);
  EXPECT_EQ(list->pop_value(&untouched_oid, &untouched_value), PMC_E_NOVALUE);
  EXPECT_EQ(untouched_oid, reinterpret_cast<IPmcOid*>(0x1));
  EXPECT_EQ(untouched_value, reinterpret_cast<IPmcValue*>(0x1));
  EXPECT_EQ(list->pop_front(), nullptr);
}

TEST(VarBindList, SubListCopiesAndSplitMoves) {
  auto list = list_of({"1.1", "1.2", "1.3", "1.4"});
  int err = 1;
  PmcPtr<IPmcVarBindList> middle(list->sub_list(1, 2, &err));
  ASSERT_TRUE(middle);
  EXPECT_EQ(err, PMC_OK);
  EXPECT_EQ(oids_in(*middle), "1.2 1.3");
  middle->at(0)->get_value()->set_int32(99);
  EXPECT_EQ(list->at(1)->get_value()->get_int32(nullptr), 1);  // copies, not shared

  PmcPtr<IPmcVarBindList> tail(list->sub_list(3, 10, &err));
  EXPECT_EQ(oids_in(*tail), "1.4");
  PmcPtr<IPmcVarBindList> none(list->sub_list(4, 1, &err));
  ASSERT_TRUE(none);
  EXPECT_EQ(none->size(), 0u);
  EXPECT_EQ(list->sub_list(5, 1, &err), nullptr);
  EXPECT_EQ(err, PMC_E_ARG);

  PmcPtr<IPmcVarBindList> front(list->split_front(3, &err));
  ASSERT_TRUE(front);
  EXPECT_EQ(oids_in(*front), "1.1 1.2 1.3");
  EXPECT_EQ(oids_in(*list), "1.4");
  PmcPtr<IPmcVarBindList> all(list->split_front(9, &err));
  EXPECT_EQ(oids_in(*all), "1.4");
  EXPECT_EQ(list->size(), 0u);
}

TEST(VarBindList, CloneAndEquals) {
  auto list = list_of({"1.1", "1.2"});
  PmcPtr<IPmcVarBindList> copy(list->clone(nullptr));
  ASSERT_TRUE(copy);
  EXPECT_TRUE(copy->equals(*list));
  copy->at(1)->set_mark(3);
  EXPECT_FALSE(copy->equals(*list));
  copy->remove(1, nullptr);
  EXPECT_FALSE(copy->equals(*list));
  PmcPtr<IPmcVarBindList> empty(pmc_create_varbind_list(nullptr));
  PmcPtr<IPmcVarBindList> empty_copy(empty->clone(nullptr));
  ASSERT_TRUE(empty_copy);
  EXPECT_TRUE(empty_copy->equals(*empty));
}

TEST(VarBindList, MarksFollowTheErrorIndex) {
  auto list = list_of({"1.1", "1.2", "1.3"});
  list->mark_sequence(2, 3);  // error-status 2 at error-index 3
  EXPECT_EQ(list->at(0)->get_mark(), PMC_MARK_OTHER);
  EXPECT_EQ(list->at(1)->get_mark(), PMC_MARK_OTHER);
  EXPECT_EQ(list->at(2)->get_mark(), 2);
  list->mark_sequence(5, 0);  // an index that names no binding
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(list->at(i)->get_mark(), PMC_MARK_OTHER);
  list->mark_sequence(5, 4);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(list->at(i)->get_mark(), PMC_MARK_OTHER);
  list->mark_all(0);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(list->at(i)->get_mark(), 0);
}

}  // namespace

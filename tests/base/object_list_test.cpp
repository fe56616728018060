// The object lists and their iterators, with a small element type that
// counts its releases.
#include <gtest/gtest.h>

#include <string>

#include "base/pmc_object_list.h"

namespace {

int g_released = 0;

class Element {
 public:
  explicit Element(int id) : id(id) {}
  void release() {
    ++g_released;
    delete this;
  }
  const int id;

 private:
  ~Element() = default;
};

using List = CPmcObjectList<Element>;

class ObjectList : public ::testing::Test {
 protected:
  void SetUp() override {
    g_released = 0;
    list_.reset(pmc_make<List>(nullptr));
  }
  void fill(int n) {
    for (int i = 1; i <= n; ++i) ASSERT_EQ(list_->push_back(new Element(i)), PMC_OK);
  }
  // The ids from the iterator's position to the end.
  std::string walk(IPmcListIterator* it) {
    std::string ids;
    for (Element* e = list_->current(it); e != nullptr; e = list_->current(it)) {
      ids += std::to_string(e->id);
      list_->advance(it);
    }
    return ids;
  }
  PmcPtr<IPmcListIterator> iterator() { return PmcPtr<IPmcListIterator>(list_->create_iterator(nullptr)); }

  PmcPtr<IPmcObjectList<Element>> list_;
};

TEST_F(ObjectList, PushesAtBothEndsAndRefusesNull) {
  ASSERT_EQ(list_->push_back(new Element(2)), PMC_OK);
  ASSERT_EQ(list_->push_front(new Element(1)), PMC_OK);
  ASSERT_EQ(list_->push_back(new Element(3)), PMC_OK);
  EXPECT_EQ(list_->push_back(nullptr), PMC_E_ARG);
  EXPECT_EQ(list_->push_front(nullptr), PMC_E_ARG);
  EXPECT_EQ(list_->size(), 3u);
  auto it = iterator();
  EXPECT_EQ(walk(it.get()), "123");
}

TEST_F(ObjectList, PopsAndClearReleaseTheirElements) {
  fill(4);
  ASSERT_EQ(list_->pop_front(), PMC_OK);
  ASSERT_EQ(list_->pop_back(), PMC_OK);
  EXPECT_EQ(g_released, 2);
  auto it = iterator();
  EXPECT_EQ(walk(it.get()), "23");
  list_->clear();
  EXPECT_EQ(g_released, 4);
  EXPECT_EQ(list_->size(), 0u);
  EXPECT_EQ(list_->pop_front(), PMC_E_NOVALUE);
  EXPECT_EQ(list_->pop_back(), PMC_E_NOVALUE);
}

TEST_F(ObjectList, ReleasingTheListReleasesEveryElement) {
  fill(3);
  list_.reset();
  EXPECT_EQ(g_released, 3);
}

TEST_F(ObjectList, IteratorOnAnEmptyListIsAtTheEnd) {
  auto it = iterator();
  ASSERT_TRUE(it);
  EXPECT_EQ(list_->current(it.get()), nullptr);
  EXPECT_EQ(list_->advance(it.get()), PMC_E_NOVALUE);
  EXPECT_EQ(list_->current(it.get()), nullptr);
  EXPECT_EQ(list_->erase(it.get()), nullptr);
}

TEST_F(ObjectList, AdvanceStopsAtTheEndAndRewindStartsAgain) {
  fill(2);
  auto it = iterator();
  EXPECT_EQ(walk(it.get()), "12");
  EXPECT_EQ(list_->advance(it.get()), PMC_E_NOVALUE);
  EXPECT_EQ(list_->current(it.get()), nullptr);
  ASSERT_EQ(list_->rewind(it.get()), PMC_OK);
  EXPECT_EQ(list_->current(it.get())->id, 1);
}

TEST_F(ObjectList, EraseHandsTheElementBackAndMovesOn) {
  fill(3);
  auto it = iterator();
  list_->advance(it.get());
  Element* erased = list_->erase(it.get());
  ASSERT_NE(erased, nullptr);
  EXPECT_EQ(erased->id, 2);
  EXPECT_EQ(g_released, 0);  // not released: the caller owns it now
  EXPECT_EQ(list_->current(it.get())->id, 3);
  EXPECT_EQ(list_->size(), 2u);
  erased->release();
  list_->rewind(it.get());
  EXPECT_EQ(walk(it.get()), "13");
}

TEST_F(ObjectList, OtherIteratorsStepOffRemovedElements) {
  fill(3);
  auto a = iterator();
  auto b = iterator();
  auto c = iterator();
  list_->advance(c.get());
  list_->advance(c.get());  // on the last element
  Element* erased = list_->erase(a.get());  // element 1, under b as well
  erased->release();
  EXPECT_EQ(list_->current(b.get())->id, 2);
  list_->pop_back();  // element 3, under c
  EXPECT_EQ(list_->current(c.get()), nullptr);
  list_->clear();
  EXPECT_EQ(list_->current(a.get()), nullptr);
  EXPECT_EQ(list_->current(b.get()), nullptr);
}

TEST_F(ObjectList, IteratorsBelongToTheirListAndMayOutliveIt) {
  fill(1);
  PmcPtr<IPmcObjectList<Element>> other(pmc_make<List>(nullptr));
  ASSERT_EQ(other->push_back(new Element(9)), PMC_OK);
  auto foreign = PmcPtr<IPmcListIterator>(other->create_iterator(nullptr));
  EXPECT_EQ(list_->current(foreign.get()), nullptr);
  EXPECT_EQ(list_->erase(foreign.get()), nullptr);
  EXPECT_EQ(list_->rewind(foreign.get()), PMC_E_ARG);
  EXPECT_EQ(list_->advance(foreign.get()), PMC_E_ARG);
  EXPECT_EQ(other->current(foreign.get())->id, 9);
  EXPECT_EQ(list_->size(), 1u);

  other.reset();  // the iterator stays valid, at the end
  foreign.reset();
  EXPECT_EQ(g_released, 1);

  IPmcListIterator* it = list_->create_iterator(nullptr);
  list_->release_iterator(it);
  list_->release_iterator(nullptr);
}

}  // namespace

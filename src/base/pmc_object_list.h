// Object lists: doubly linked rings of owned elements with iterators, through
// which request results travel (table rows as PDUs, broadcast replies as
// packets).
//
// One template serves every element type: CPmcObjectList<T> is a typed face
// over CPmcListCore, which holds the ring, the count and the iterators. The
// element policy adopts what it is given (no copy, on failure as well) and
// releases an element, through its own release(), when pop_front, pop_back,
// clear or the list's destruction removes it; erase hands it back instead.
//
// Iterators are separate objects. An iterator at the end rests on the head
// node; when the element under an iterator leaves the list the iterator
// moves on to the next one, and iterators outlive their list safely (they
// then stay at the end).
#pragma once

#include <cstddef>

#include "base/pmc_object.h"

// The elements of the two lists of request results. The lists release them
// through their release(); only the place that makes a list needs more of
// them than this declaration (pmc_result_lists.cpp).
class IPmsPdu;
class IPmsSnmpPacket;

class IPmcListIterator {
 public:
  virtual void release() = 0;

 protected:
  virtual ~IPmcListIterator() = default;
};

template <class T>
class IPmcObjectList {
 public:
  virtual int push_front(T* element) = 0;                        // null gives -2
  virtual int push_back(T* element) = 0;                         // null gives -2
  virtual int pop_front() = 0;                                   // -7 when empty
  virtual int pop_back() = 0;                                    // -7 when empty
  virtual void clear() = 0;
  virtual size_t size() const = 0;
  // An iterator on the first element; -3 when it cannot be made.
  virtual IPmcListIterator* create_iterator(int* err) = 0;
  // Back to the first element; -2 for an iterator of another list.
  virtual int rewind(IPmcListIterator* iterator) = 0;
  virtual void release_iterator(IPmcListIterator* iterator) = 0;
  // The element at the iterator (lent), null at the end.
  virtual T* current(IPmcListIterator* iterator) const = 0;
  // One step on, never past the end (-7 when already there).
  virtual int advance(IPmcListIterator* iterator) = 0;
  // Unlinks the element at the iterator without releasing it, hands it to
  // the caller and moves the iterator to the next element; null at the end.
  virtual T* erase(IPmcListIterator* iterator) = 0;
  virtual void release() = 0;

 protected:
  virtual ~IPmcObjectList() = default;
};

using IPmsPduList = IPmcObjectList<IPmsPdu>;
using IPmsSnmpPacketList = IPmcObjectList<IPmsSnmpPacket>;

// Empty lists with the adopting policy (-3 when memory runs out).
IPmsPduList* pmc_create_pdu_list(int* err);
IPmsSnmpPacketList* pmc_create_packet_list(int* err);

// ---------------------------------------------------------------------------
// Implementation
// ---------------------------------------------------------------------------

class CPmcListIterator;

// The ring, the count and the iterators, for elements of any type.
class CPmcListCore : public CPmcObject {
 public:
  size_t count() const { return m_count; }

 protected:
  struct Node {
    Node* prev;
    Node* next;
    void* element;
  };

  CPmcListCore();
  ~CPmcListCore() override;  // the derived list has emptied the ring by then

  // destroy(), kept out of line (see CPmcVarBind::release).
  void release_list();
  int link_front(void* element);
  int link_back(void* element);
  // Unlinks the first or last node; null when empty.
  void* unlink_front();
  void* unlink_back();

  IPmcListIterator* new_iterator(int* err);
  // The iterator when it belongs to this list, else null.
  CPmcListIterator* own(IPmcListIterator* iterator) const;
  int rewind_iterator(IPmcListIterator* iterator);
  void* element_at(IPmcListIterator* iterator) const;
  int step(IPmcListIterator* iterator);
  void* unlink_at(IPmcListIterator* iterator);

 private:
  friend class CPmcListIterator;

  int link_before(Node* at, void* element);
  void* unlink(Node* node);
  void forget_iterator(CPmcListIterator* iterator);

  Node m_head;
  size_t m_count = 0;
  CPmcListIterator* m_iterators = nullptr;  // every live iterator of this list
};

class CPmcListIterator final : public IPmcListIterator, public CPmcObject {
 public:
  explicit CPmcListIterator(CPmcListCore* list) : m_list(list) {}
  void release() override;

 private:
  friend class CPmcListCore;

  CPmcListCore* m_list;  // null once the list is gone
  CPmcListCore::Node* m_node = nullptr;
  CPmcListIterator* m_prev = nullptr;
  CPmcListIterator* m_next = nullptr;
};

// The adopting element policy.
template <class T>
struct PmcAdoptPolicy {
  static void dispose(T* element) { element->release(); }
};

template <class T, class Policy = PmcAdoptPolicy<T>>
class CPmcObjectList final : public IPmcObjectList<T>, public CPmcListCore {
 public:
  int push_front(T* element) override { return push(element, true); }
  int push_back(T* element) override { return push(element, false); }
  int pop_front() override { return dispose(static_cast<T*>(unlink_front())); }
  int pop_back() override { return dispose(static_cast<T*>(unlink_back())); }
  void clear() override {
    while (pop_front() == PMC_OK) {
    }
  }
  size_t size() const override { return count(); }
  IPmcListIterator* create_iterator(int* err) override { return new_iterator(err); }
  int rewind(IPmcListIterator* iterator) override { return rewind_iterator(iterator); }
  void release_iterator(IPmcListIterator* iterator) override {
    if (iterator != nullptr) iterator->release();
  }
  T* current(IPmcListIterator* iterator) const override { return static_cast<T*>(element_at(iterator)); }
  int advance(IPmcListIterator* iterator) override { return step(iterator); }
  T* erase(IPmcListIterator* iterator) override { return static_cast<T*>(unlink_at(iterator)); }
  void release() override { release_list(); }

 protected:
  ~CPmcObjectList() override { clear(); }

 private:
  // A null element is refused; one that could not be linked is released,
  // since the list adopted it.
  int push(T* element, bool front) {
    if (element == nullptr) return PMC_E_ARG;
    int rc = front ? link_front(element) : link_back(element);
    if (rc != PMC_OK) Policy::dispose(element);
    return rc;
  }
  static int dispose(T* element) {
    if (element == nullptr) return PMC_E_NOVALUE;
    Policy::dispose(element);
    return PMC_OK;
  }
};

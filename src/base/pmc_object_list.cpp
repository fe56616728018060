#include "base/pmc_object_list.h"

#include <new>

// ---------------------------------------------------------------------------
// The ring
// ---------------------------------------------------------------------------

CPmcListCore::CPmcListCore() : m_head{&m_head, &m_head, nullptr} {}

CPmcListCore::~CPmcListCore() {
  // Iterators may outlive the list: they stay, at the end, until released.
  while (m_iterators != nullptr) {
    CPmcListIterator* iterator = m_iterators;
    m_iterators = iterator->m_next;
    iterator->m_list = nullptr;
    iterator->m_node = nullptr;
    iterator->m_prev = iterator->m_next = nullptr;
  }
}

void CPmcListCore::release_list() { destroy(); }

int CPmcListCore::link_before(Node* at, void* element) {
  Node* node = new (std::nothrow) Node{at->prev, at, element};
  if (node == nullptr) return PMC_E_NOMEM;
  at->prev->next = node;
  at->prev = node;
  ++m_count;
  return PMC_OK;
}

int CPmcListCore::link_front(void* element) { return link_before(m_head.next, element); }
int CPmcListCore::link_back(void* element) { return link_before(&m_head, element); }

void* CPmcListCore::unlink(Node* node) {
  if (node == &m_head) return nullptr;
  // An iterator never points at a node that is gone: it moves on.
  for (CPmcListIterator* it = m_iterators; it != nullptr; it = it->m_next) {
    if (it->m_node == node) it->m_node = node->next;
  }
  node->prev->next = node->next;
  node->next->prev = node->prev;
  void* element = node->element;
  delete node;
  --m_count;
  return element;
}

void* CPmcListCore::unlink_front() { return unlink(m_head.next); }
void* CPmcListCore::unlink_back() { return unlink(m_head.prev); }

// ---------------------------------------------------------------------------
// Iterators
// ---------------------------------------------------------------------------

void CPmcListIterator::release() {
  if (m_list != nullptr) m_list->forget_iterator(this);
  destroy();
}

void CPmcListCore::forget_iterator(CPmcListIterator* iterator) {
  if (iterator->m_prev != nullptr) {
    iterator->m_prev->m_next = iterator->m_next;
  } else {
    m_iterators = iterator->m_next;
  }
  if (iterator->m_next != nullptr) iterator->m_next->m_prev = iterator->m_prev;
}

IPmcListIterator* CPmcListCore::new_iterator(int* err) {
  CPmcListIterator* iterator = pmc_make<CPmcListIterator>(err, this);
  if (iterator == nullptr) return nullptr;
  iterator->m_node = m_head.next;
  iterator->m_next = m_iterators;
  if (m_iterators != nullptr) m_iterators->m_prev = iterator;
  m_iterators = iterator;
  return iterator;
}

CPmcListIterator* CPmcListCore::own(IPmcListIterator* iterator) const {
  if (iterator == nullptr) return nullptr;
  CPmcListIterator* mine = static_cast<CPmcListIterator*>(iterator);
  return mine->m_list == this ? mine : nullptr;
}

int CPmcListCore::rewind_iterator(IPmcListIterator* iterator) {
  CPmcListIterator* mine = own(iterator);
  if (mine == nullptr) return PMC_E_ARG;
  mine->m_node = m_head.next;
  return PMC_OK;
}

void* CPmcListCore::element_at(IPmcListIterator* iterator) const {
  CPmcListIterator* mine = own(iterator);
  if (mine == nullptr) return nullptr;
  return mine->m_node->element;  // the head node holds null
}

int CPmcListCore::step(IPmcListIterator* iterator) {
  CPmcListIterator* mine = own(iterator);
  if (mine == nullptr) return PMC_E_ARG;
  Node* node = mine->m_node;
  if (node == &m_head) return PMC_E_NOVALUE;
  mine->m_node = node->next;
  return PMC_OK;
}

void* CPmcListCore::unlink_at(IPmcListIterator* iterator) {
  CPmcListIterator* mine = own(iterator);
  if (mine == nullptr) return nullptr;
  return unlink(mine->m_node);
}

#include "protocol/pmc_varbind.h"

#include <algorithm>
#include <utility>

// ---------------------------------------------------------------------------
// CPmcVarBind
// ---------------------------------------------------------------------------

IPmcVarBind* pmc_create_varbind(IPmcOid* oid, IPmcValue* value, int* err) {
  PmcPtr<IPmcOid> held_oid(oid);
  PmcPtr<IPmcValue> held_value(value);
  PmcPtr<CPmcVarBind> binding(pmc_make<CPmcVarBind>(err));
  if (!binding) return nullptr;
  int rc = binding->set(held_oid.release(), held_value.release());
  pmc_set_err(err, rc);
  return rc == PMC_OK ? binding.release() : nullptr;
}

void CPmcVarBind::release() { destroy(); }

int CPmcVarBind::set(IPmcOid* oid, IPmcValue* value) {
  m_oid.reset(oid);
  m_value.reset(value);
  if (value != nullptr) return PMC_OK;
  int rc = PMC_OK;
  m_value.reset(pmc_create_value(PMC_TAG_NULL, &rc));
  return rc;
}

void CPmcVarBind::detach(IPmcOid** oid_out, IPmcValue** value_out) {
  if (oid_out != nullptr) *oid_out = m_oid.release();
  if (value_out != nullptr) *value_out = m_value.release();
  m_oid.reset();
  m_value.reset();
}

IPmcVarBind* CPmcVarBind::clone(int* err) const {
  PmcPtr<CPmcVarBind> copy(pmc_make<CPmcVarBind>(err));
  if (!copy) return nullptr;
  if (m_oid) {
    copy->m_oid.reset(m_oid->clone(err));
    if (!copy->m_oid) return nullptr;
  }
  if (m_value) {
    copy->m_value.reset(m_value->clone(err));
    if (!copy->m_value) return nullptr;
  }
  copy->m_mark = m_mark;
  pmc_set_err(err, PMC_OK);
  return copy.release();
}

bool CPmcVarBind::equals(const IPmcVarBind& other) const {
  const IPmcOid* other_oid = other.get_oid();
  const IPmcValue* other_value = other.get_value();
  const bool same_oid = m_oid ? other_oid != nullptr && m_oid->equals(*other_oid) : other_oid == nullptr;
  const bool same_value =
      m_value ? other_value != nullptr && m_value->equals(*other_value) : other_value == nullptr;
  return same_oid && same_value && m_mark == other.get_mark();
}

// ---------------------------------------------------------------------------
// CPmcVarBindList
// ---------------------------------------------------------------------------

IPmcVarBindList* pmc_create_varbind_list(int* err) { return pmc_make<CPmcVarBindList>(err); }

void CPmcVarBindList::release() { destroy(); }

int CPmcVarBindList::insert(size_t position, IPmcVarBind* binding) {
  PmcPtr<IPmcVarBind> held(binding);
  if (!held) return PMC_E_ARG;
  try {
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(position), std::move(held));
  } catch (...) {
    return PMC_E_NOMEM;  // `held` releases the binding; the list is unchanged
  }
  return PMC_OK;
}

int CPmcVarBindList::insert_new(size_t position, IPmcOid* oid, IPmcValue* value) {
  if (oid == nullptr) {
    if (value != nullptr) value->release();
    return PMC_E_ARG;
  }
  int rc = PMC_OK;
  IPmcVarBind* binding = pmc_create_varbind(oid, value, &rc);
  if (binding == nullptr) return rc;
  return insert(position, binding);
}

int CPmcVarBindList::add(IPmcOid* oid, IPmcValue* value) { return insert_new(m_items.size(), oid, value); }
int CPmcVarBindList::add_front(IPmcOid* oid, IPmcValue* value) { return insert_new(0, oid, value); }
int CPmcVarBindList::push_back(IPmcVarBind* binding) { return insert(m_items.size(), binding); }
int CPmcVarBindList::push_front(IPmcVarBind* binding) { return insert(0, binding); }

int CPmcVarBindList::remove(size_t position, IPmcVarBind** out) {
  if (position >= m_items.size()) return PMC_E_ARG;
  PmcPtr<IPmcVarBind> taken = std::move(m_items[position]);
  m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(position));
  if (out != nullptr) *out = taken.release();
  return PMC_OK;
}

IPmcVarBind* CPmcVarBindList::pop_front() {
  IPmcVarBind* first = nullptr;
  remove(0, &first);
  return first;
}

int CPmcVarBindList::pop_value(IPmcOid** oid_out, IPmcValue** value_out) {
  PmcPtr<IPmcVarBind> first(pop_front());
  if (!first) return PMC_E_NOVALUE;
  first->detach(oid_out, value_out);
  return PMC_OK;
}

IPmcVarBind* CPmcVarBindList::at(size_t position) const {
  return position < m_items.size() ? m_items[position].get() : nullptr;
}

IPmcVarBindList* CPmcVarBindList::sub_list(size_t start, size_t count, int* err) const {
  if (start > m_items.size()) {
    pmc_set_err(err, PMC_E_ARG);
    return nullptr;
  }
  PmcPtr<CPmcVarBindList> copy(pmc_make<CPmcVarBindList>(err));
  if (!copy) return nullptr;
  const size_t end = start + std::min(count, m_items.size() - start);
  for (size_t i = start; i < end; ++i) {
    IPmcVarBind* binding = m_items[i]->clone(err);
    if (binding == nullptr) return nullptr;
    int rc = copy->push_back(binding);
    if (rc != PMC_OK) {
      pmc_set_err(err, rc);
      return nullptr;
    }
  }
  pmc_set_err(err, PMC_OK);
  return copy.release();
}

IPmcVarBindList* CPmcVarBindList::clone(int* err) const { return sub_list(0, m_items.size(), err); }

IPmcVarBindList* CPmcVarBindList::split_front(size_t count, int* err) {
  PmcPtr<CPmcVarBindList> front(pmc_make<CPmcVarBindList>(err));
  if (!front) return nullptr;
  const size_t moved = std::min(count, m_items.size());
  try {
    front->m_items.reserve(moved);
  } catch (...) {
    pmc_set_err(err, PMC_E_NOMEM);
    return nullptr;
  }
  // Nothing below allocates, so the move cannot stop halfway.
  for (size_t i = 0; i < moved; ++i) front->m_items.push_back(std::move(m_items[i]));
  m_items.erase(m_items.begin(), m_items.begin() + static_cast<std::ptrdiff_t>(moved));
  return front.release();
}

bool CPmcVarBindList::equals(const IPmcVarBindList& other) const {
  if (other.size() != m_items.size()) return false;
  for (size_t i = 0; i < m_items.size(); ++i) {
    if (!m_items[i]->equals(*other.at(i))) return false;
  }
  return true;
}

void CPmcVarBindList::mark_sequence(int32_t mark, size_t position) {
  // Position 0 names no binding: then every binding gets the other mark.
  for (size_t i = 0; i < m_items.size(); ++i) m_items[i]->set_mark(i + 1 == position ? mark : PMC_MARK_OTHER);
}

void CPmcVarBindList::mark_all(int32_t mark) {
  for (auto& binding : m_items) binding->set_mark(mark);
}

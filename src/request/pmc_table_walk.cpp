#include "request/pmc_table_walk.h"

#include <cstdint>
#include <string>

#include "log/pmc_log.h"
#include "protocol/pmc_value.h"

namespace {

// SNMPv1's answer to a GetNext past the last object of the device.
constexpr int32_t kNoSuchName = 2;

// Numeric order of two OIDs from sub-identifier `skip_a` of `a` and
// `skip_b` of `b` on: negative when `a` comes first, 0 when equal,
// positive when `b` comes first. (The texts' own order is by character
// codes and puts 1.3.6.1.10 before 1.3.6.1.9.)
int compare_numeric(const IPmcOid& a, size_t skip_a, const IPmcOid& b, size_t skip_b) {
  PmcOidReader ra(a);
  PmcOidReader rb(b);
  uint32_t x = 0;
  uint32_t y = 0;
  for (size_t i = 0; i < skip_a; ++i) ra.next(&x);
  for (size_t i = 0; i < skip_b; ++i) rb.next(&y);
  for (;;) {
    bool a_has = ra.next(&x) == PMC_OK;
    bool b_has = rb.next(&y) == PMC_OK;
    if (!a_has || !b_has) return static_cast<int>(a_has) - static_cast<int>(b_has);
    if (x != y) return x < y ? -1 : 1;
  }
}

// The dotted text of an OID.
std::string dotted(const IPmcOid& oid) {
  size_t length = 0;
  const unsigned char* text = oid.get_octets(&length, nullptr);
  return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text), length);
}

// The dotted text of a column's table entry: the name without its last
// sub-identifier.
std::string entry_of(const IPmcOid& column) {
  std::string text = dotted(column);
  size_t dot = text.rfind('.');
  return dot == std::string::npos ? std::string() : text.substr(0, dot);
}

}  // namespace

bool pmc_is_absent_cell(const IPmcValue& value) {
  int type = value.get_type();
  return type == PMC_TAG_END_OF_MIB_VIEW || type == PMC_TAG_NO_SUCH_OBJECT || type == PMC_TAG_NO_SUCH_INSTANCE;
}

int PmcTableWalk::set_column(size_t i, const IPmcOid& name, const IPmcOid& root, size_t group) {
  int rc = PMC_OK;
  Column& c = m_columns[i];
  c.root.reset(root.clone(&rc));
  c.position.reset(name.clone(&rc));
  if (!c.root || !c.position) return rc == PMC_OK ? PMC_E_NOMEM : rc;
  c.root_count = c.root->size();
  c.group = group;
  return PMC_OK;
}

int PmcTableWalk::start(const IPmsPdu& request, const IPmcOid& root) {
  m_columns.clear();
  m_asked.clear();
  m_groupCount = 0;
  const IPmcVarBindList* list = request.get_varbind_list();
  if (list == nullptr || list->size() == 0) return PMC_E_ARG;
  m_columns.resize(list->size());
  std::vector<std::string> entries;
  for (size_t i = 0; i < list->size(); ++i) {
    const IPmcOid* name = list->at(i)->get_oid();
    if (name == nullptr) return PMC_E_ARG;
    uint32_t relation = name->compare(root, nullptr);
    bool inside_root = i == 0 && (relation == IPmcOid::EQUAL || relation == IPmcOid::THIS_BELOW);
    std::string entry = entry_of(inside_root ? root : *name);
    size_t g = 0;
    while (g < entries.size() && entries[g] != entry) ++g;
    if (g == entries.size()) entries.push_back(entry);
    int rc = set_column(i, *name, inside_root ? root : *name, g);
    if (rc != PMC_OK) return rc;
  }
  m_groupCount = entries.size();
  return PMC_OK;
}

int PmcTableWalk::start_groups(const IPmsPdu& request, const size_t* group_sizes, size_t group_count) {
  m_columns.clear();
  m_asked.clear();
  m_groupCount = 0;
  const IPmcVarBindList* list = request.get_varbind_list();
  if (list == nullptr || list->size() == 0 || group_sizes == nullptr || group_count == 0) return PMC_E_ARG;
  size_t total = 0;
  for (size_t g = 0; g < group_count; ++g) {
    if (group_sizes[g] == 0 || group_sizes[g] > list->size() - total) return PMC_E_ARG;
    total += group_sizes[g];
  }
  if (total != list->size()) return PMC_E_ARG;
  m_columns.resize(total);
  size_t i = 0;
  for (size_t g = 0; g < group_count; ++g) {
    for (size_t k = 0; k < group_sizes[g]; ++k, ++i) {
      const IPmcOid* name = list->at(i)->get_oid();
      if (name == nullptr) return PMC_E_ARG;
      int rc = set_column(i, *name, *name, g);
      if (rc != PMC_OK) return rc;
    }
  }
  m_groupCount = group_count;
  return PMC_OK;
}

size_t PmcTableWalk::columns_to_ask(size_t cap) const {
  size_t n = 0;
  for (const Column& c : m_columns) n += to_ask(c) ? 1 : 0;
  return n < cap ? n : cap;
}

bool PmcTableWalk::wants_confirmation() const {
  for (const Column& c : m_columns) {
    if (c.in_walk && c.cells.empty() && c.confirm_end) return true;
  }
  return false;
}

bool PmcTableWalk::wants_request() const {
  for (const Column& c : m_columns) {
    if (c.in_walk && c.cells.empty()) return true;
  }
  return false;
}

int PmcTableWalk::fill_request(IPmsPdu* pdu, int32_t repetitions, size_t cap) {
  int rc = PMC_OK;
  PmcPtr<IPmcVarBindList> list(pmc_create_varbind_list(&rc));
  if (!list) return rc;
  m_asked.clear();
  for (size_t i = 0; i < m_columns.size(); ++i) {
    const Column& c = m_columns[i];
    if (!to_ask(c)) continue;
    if (m_asked.size() == cap) break;
    // The name keeps the contents it was read with, so it is not encoded anew.
    IPmcOid* name = c.position->clone(&rc);
    if (name == nullptr) return rc;
    rc = list->add(name, nullptr);
    if (rc != PMC_OK) return rc;
    m_asked.push_back(i);
  }
  m_repetitions = repetitions > 0 ? repetitions : 0;
  pdu->set_varbind_list(list.release());
  // A GetBulkRequest carries non-repeaters and max-repetitions where other
  // requests carry error-status and error-index.
  pdu->set_type(m_repetitions > 0 ? PMS_PDU_GETBULK : PMS_PDU_GETNEXT);
  pdu->set_error_status(0);
  pdu->set_error_index(static_cast<size_t>(m_repetitions));
  return PMC_OK;
}

int PmcTableWalk::take_answer(IPmsPdu* answer) {
  m_bulk = BulkAnswer();
  int32_t status = answer->get_error_status();
  if (status == kNoSuchName) {
    // SNMPv1: nothing lies beyond the name at error-index; the other
    // columns are asked again from where they stood.
    size_t index = answer->get_error_index();
    if (index >= 1 && index <= m_asked.size()) {
      leave(m_columns[m_asked[index - 1]]);
    } else {
      for (size_t i : m_asked) leave(m_columns[i]);
    }
    return PMC_OK;
  }
  if (status != 0) {
    // The bindings of a refused request are not table data.
    PMC_LOG(g_logSnmp, PMC_LOG_WARN, "[CPmcGetData::get_data] walk refused with error-status %d.", status);
    return PMC_E_NOVALUE;
  }
  IPmcVarBindList* list = answer->get_varbind_list();
  return m_repetitions > 0 ? take_bulk_answer(list) : take_next_answer(list);
}

int PmcTableWalk::take_next_answer(IPmcVarBindList* list) {
  if (list == nullptr || list->size() != m_asked.size()) {
    PMC_LOG(g_logSnmp, PMC_LOG_WARN, "[CPmcGetData::get_data] walk answer holds %zu bindings for %zu columns.",
            list == nullptr ? size_t{0} : list->size(), m_asked.size());
    return PMC_E_NOVALUE;
  }
  for (size_t i : m_asked) {
    m_columns[i].confirm_end = false;
    int rc = take_cell(m_columns[i], list->pop_front());
    if (rc != PMC_OK) return rc;
  }
  return PMC_OK;
}

int PmcTableWalk::take_bulk_answer(IPmcVarBindList* list) {
  const size_t asked = m_asked.size();
  const size_t count = list == nullptr ? 0 : list->size();
  if (count == 0 || asked == 0) {
    PMC_LOG(g_logSnmp, PMC_LOG_WARN, "[CPmcGetData::get_data] bulk answer holds no binding for %zu columns.", asked);
    return PMC_E_NOVALUE;
  }
  bool end_of_view = false;
  std::vector<bool> stopped(asked, false);
  // Binding k answers the column asked at position k modulo the columns
  // asked, repetition after repetition. Whatever an agent sends beyond the
  // repetitions asked is read the same way; a column's bindings after its
  // end are not its cells.
  for (size_t k = 0; k < count; ++k) {
    PmcPtr<IPmcVarBind> binding(list->pop_front());
    Column& c = m_columns[m_asked[k % asked]];
    const IPmcValue* value = binding ? binding->get_value() : nullptr;
    const bool end = value != nullptr && value->get_type() == PMC_TAG_END_OF_MIB_VIEW;
    end_of_view = end_of_view || end;
    if (!c.in_walk || stopped[k % asked]) continue;
    if (end) {
      // Some agents end a bulk answer with endOfMibView where more objects
      // follow: the column's end is asked once more with a GetNext.
      c.confirm_end = true;
      stopped[k % asked] = true;
      continue;
    }
    int rc = take_cell(c, binding.release());
    if (rc != PMC_OK) return rc;
  }
  m_bulk.repetitions = count / asked;
  m_bulk.cut_short = count < asked * static_cast<size_t>(m_repetitions) && !end_of_view;
  // A column that got no binding at all (an answer cut inside the first
  // repetition) is asked again from where it stood.
  return PMC_OK;
}

int PmcTableWalk::take_cell(Column& c, IPmcVarBind* raw) {
  PmcPtr<IPmcVarBind> binding(raw);
  const IPmcOid* name = binding ? binding->get_oid() : nullptr;
  const IPmcValue* value = binding ? binding->get_value() : nullptr;
  if (name == nullptr || value == nullptr || value->get_type() == PMC_TAG_END_OF_MIB_VIEW) {
    leave(c);  // nothing lies beyond
    return PMC_OK;
  }
  // Whatever the device answers must lie beyond the name asked, inside the
  // column or not: otherwise the walk would never end.
  if (compare_numeric(*name, 0, *c.position, 0) <= 0) {
    PMC_LOG(g_logSnmp, PMC_LOG_WARN, "[CPmcGetData::get_data] walk stopped: %s does not advance beyond %s.",
            dotted(*name).c_str(), dotted(*c.position).c_str());
    return PMC_E_WALK_STUCK;
  }
  if (pmc_is_absent_cell(*value) || name->compare(*c.root, nullptr) != IPmcOid::THIS_BELOW) {
    leave(c);  // the device holds no more cells in this column
    return PMC_OK;
  }
  int rc = PMC_OK;
  PmcPtr<IPmcOid> position(name->clone(&rc));
  if (!position) return rc;
  c.position = std::move(position);
  c.cells.push_back(std::move(binding));
  return PMC_OK;
}

bool PmcTableWalk::row_ready() const {
  bool any_cell = false;
  for (const Column& c : m_columns) {
    if (c.in_walk && c.cells.empty()) return false;  // its next cell is not known yet
    any_cell = any_cell || !c.cells.empty();
  }
  return any_cell;
}

bool PmcTableWalk::group_row_ready(size_t group) const {
  bool any_cell = false;
  for (const Column& c : m_columns) {
    if (c.group != group) continue;
    if (c.in_walk && c.cells.empty()) return false;
    any_cell = any_cell || !c.cells.empty();
  }
  return any_cell;
}

size_t PmcTableWalk::first_row_column(size_t group) const {
  size_t first = m_columns.size();
  for (size_t i = 0; i < m_columns.size(); ++i) {
    const Column& c = m_columns[i];
    if (c.group != group || c.cells.empty()) continue;
    if (first == m_columns.size() ||
        compare_numeric(*c.cells.front()->get_oid(), c.root_count, *m_columns[first].cells.front()->get_oid(),
                        m_columns[first].root_count) < 0) {
      first = i;
    }
  }
  return first;
}

int PmcTableWalk::take_group_cells(size_t group, std::vector<PmcPtr<IPmcVarBind>>* slots) {
  size_t first = first_row_column(group);
  int rc = PMC_OK;
  // The row's table index as text (the lead cell's name after its root),
  // and a copy of the lead name: the lead cell moves into the row. A group
  // that has ended names its absent cells by the column alone.
  std::string index;
  PmcPtr<IPmcOid> lead_name;
  size_t lead_count = 0;
  if (first != m_columns.size()) {
    const Column& lead = m_columns[first];
    index = dotted(*lead.cells.front()->get_oid()).substr(dotted(*lead.root).size() + 1);
    lead_name.reset(lead.cells.front()->get_oid()->clone(&rc));
    if (!lead_name) return rc;
    lead_count = lead.root_count;
  }
  for (size_t i = 0; i < m_columns.size(); ++i) {
    Column& c = m_columns[i];
    if (c.group != group) continue;
    if (!c.cells.empty() &&
        compare_numeric(*c.cells.front()->get_oid(), c.root_count, *lead_name, lead_count) == 0) {
      (*slots)[i] = std::move(c.cells.front());
      c.cells.pop_front();
      continue;
    }
    PmcPtr<IPmcOid> name(c.root->clone(&rc));
    if (!name) return rc;
    rc = name->append_text(index.c_str());
    if (rc != PMC_OK) return rc;
    PmcPtr<IPmcValue> none(pmc_create_value(PMC_TAG_NO_SUCH_INSTANCE, &rc));
    if (!none) return rc;
    PmcPtr<IPmcVarBind> absent(pmc_create_varbind(name.release(), none.release(), &rc));
    if (!absent) return rc;
    (*slots)[i] = std::move(absent);
  }
  return PMC_OK;
}

int PmcTableWalk::make_row(std::vector<PmcPtr<IPmcVarBind>>* slots, size_t group, PmcPtr<IPmsPdu>* row_out) const {
  int rc = PMC_OK;
  PmcPtr<IPmsPdu> row(pms_create_pdu(&rc));
  if (!row) return rc;
  row->set_type(PMS_PDU_RESPONSE);
  for (size_t i = 0; i < slots->size(); ++i) {
    if (group != SIZE_MAX && m_columns[i].group != group) continue;
    rc = row->push_back((*slots)[i].release());
    if (rc != PMC_OK) return rc;
  }
  *row_out = std::move(row);
  return PMC_OK;
}

int PmcTableWalk::take_row(PmcPtr<IPmsPdu>* row_out) {
  std::vector<PmcPtr<IPmcVarBind>> slots(m_columns.size());
  for (size_t g = 0; g < m_groupCount; ++g) {
    int rc = take_group_cells(g, &slots);
    if (rc != PMC_OK) return rc;
  }
  return make_row(&slots, SIZE_MAX, row_out);
}

int PmcTableWalk::take_group_row(size_t group, PmcPtr<IPmsPdu>* row_out) {
  if (group >= m_groupCount) return PMC_E_ARG;
  std::vector<PmcPtr<IPmcVarBind>> slots(m_columns.size());
  int rc = take_group_cells(group, &slots);
  return rc == PMC_OK ? make_row(&slots, group, row_out) : rc;
}

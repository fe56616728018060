#include "protocol/pmc_oid.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Converts the component [pos, end) up to the next dot; `*next` is the dot
// or `end`. -2 for an empty component, a non-digit or a value above 32 bits.
int read_component(const char* pos, const char* end, uint32_t* out, const char** next) {
  uint64_t value = 0;
  bool ok = pos != end && *pos != '.';
  for (; pos != end && *pos != '.'; ++pos) {
    if (!is_digit(*pos)) {
      ok = false;
    } else if (ok) {
      value = value * 10 + static_cast<uint64_t>(*pos - '0');
      ok = value <= UINT32_MAX;
    }
  }
  *next = pos;
  if (!ok) return PMC_E_ARG;
  *out = static_cast<uint32_t>(value);
  return PMC_OK;
}

// The relation of text a to text b, compared character by character.
uint32_t compare_texts(const char* a, size_t a_length, const char* b, size_t b_length) {
  size_t i = 0;
  for (; i < a_length && i < b_length; ++i) {
    if (a[i] != b[i]) {
      return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? IPmcOid::SORTS_BEFORE
                                                                                 : IPmcOid::SORTS_AFTER;
    }
  }
  if (a_length == b_length) return IPmcOid::EQUAL;
  if (a_length > b_length) return a[i] == '.' ? IPmcOid::THIS_BELOW : IPmcOid::SORTS_AFTER;
  return b[i] == '.' ? IPmcOid::OTHER_BELOW : IPmcOid::SORTS_BEFORE;
}

// The dotted text of an OID through its interface, without a copy.
const char* text_of(const IPmcOid& oid, size_t* length) {
  const unsigned char* octets = oid.get_octets(length, nullptr);
  if (octets == nullptr) {
    *length = 0;
    return "";
  }
  return reinterpret_cast<const char*>(octets);
}

// True when every component of the text converts to a number.
bool all_components_convert(const std::string& text) {
  PmcOidReader in(text.data(), text.size());
  uint32_t subid = 0;
  for (size_t i = 0; i < in.count(); ++i) {
    if (in.next(&subid) != PMC_OK) return false;
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Text helpers and the reader
// ---------------------------------------------------------------------------

size_t pmc_count_subids(const char* text, size_t length) {
  if (length == 0) return 0;
  return 1 + static_cast<size_t>(std::count(text, text + length, '.'));
}

bool pmc_is_valid_oid_text(const char* text, size_t length) {
  if (length == 0) return true;
  size_t i = 0;
  for (;;) {
    if (i == length || !is_digit(text[i])) return false;  // empty component or other character
    if (text[i] == '0') {
      ++i;  // a lone 0; a digit after it is a leading zero and fails below
    } else {
      while (i < length && is_digit(text[i])) ++i;
    }
    if (i == length) return true;
    if (text[i] != '.') return false;
    ++i;
  }
}

void pmc_undo_append(IPmcOid& oid, size_t before) {
  if (oid.size() > before && before <= UINT32_MAX) oid.remove(static_cast<uint32_t>(before), PMC_ALL_SUBIDS);
}

PmcOidReader::PmcOidReader(const IPmcOid& oid) : m_count(oid.size()), m_done(false) {
  size_t length = 0;
  m_pos = text_of(oid, &length);
  m_end = m_pos + length;
}

PmcOidReader::PmcOidReader(const char* text, size_t length)
    : m_pos(text), m_end(text + length), m_count(pmc_count_subids(text, length)), m_done(false) {}

int PmcOidReader::next(uint32_t* out) {
  if (m_count == 0) return PMC_E_EMPTY;
  if (m_done) return PMC_E_NOVALUE;
  const char* stop = nullptr;
  int rc = read_component(m_pos, m_end, out, &stop);
  if (stop == m_end) {
    m_done = true;
    m_pos = m_end;
  } else {
    m_pos = stop + 1;
  }
  return rc;
}

// ---------------------------------------------------------------------------
// Value face
// ---------------------------------------------------------------------------

CPmcOid* CPmcOid::clone(int* err) const {
  CPmcOid* copy = pmc_make<CPmcOid>(err);
  if (copy == nullptr) return nullptr;
  int rc = copy->set_text(m_text.data(), m_text.size(), m_count);
  if (rc != PMC_OK) {
    copy->release();
    pmc_set_err(err, rc);
    return nullptr;
  }
  copy->keep_wire_contents(m_wire, m_wireLength);
  return copy;
}

int CPmcOid::clear() {
  edit_text().clear();
  m_count = 0;
  return PMC_OK;
}

int CPmcOid::query_interface(int id, void** out) {
  if (out == nullptr) return PMC_E_ARG;
  if (id == PMC_IID_OID || id == PMC_IID_OID_SHORT) {
    *out = static_cast<IPmcOid*>(this);
    return PMC_OK;
  }
  return CPmcValueBase::query_interface(id, out);
}

bool CPmcOid::is_valid() const { return pmc_is_valid_oid_text(m_text.data(), m_text.size()); }

uint32_t CPmcOid::get_uint32(int* err) const { return get_element(0, err); }

const unsigned char* CPmcOid::get_octets(size_t* length, int* err) const {
  if (length == nullptr) {
    pmc_set_err(err, PMC_E_ARG);
    return nullptr;
  }
  *length = m_text.size();
  pmc_set_err(err, PMC_OK);
  return reinterpret_cast<const unsigned char*>(m_text.c_str());
}

int CPmcOid::set_uint32(uint32_t number) {
  char digits[16];
  int n = std::snprintf(digits, sizeof digits, "%" PRIu32, number);
  return set_text(digits, static_cast<size_t>(n), 1);
}

size_t CPmcOid::size() const {
  if (m_count == kUnknown) m_count = pmc_count_subids(m_text.data(), m_text.size());
  return m_count;
}

size_t CPmcOid::index_length(bool implied) const { return size() + (implied ? 0 : 1); }

uint32_t CPmcOid::get_element(size_t position, int* err) const {
  int rc = PMC_OK;
  uint32_t subid = 0xFFFFFFFFu;
  if (m_text.empty()) {
    rc = PMC_E_EMPTY;
  } else if (position >= size()) {
    rc = PMC_E_NOVALUE;
  } else {
    const char* text = m_text.data();
    size_t start = position == 0 ? 0 : prefix_length(position) + 1;
    const char* stop = nullptr;
    rc = read_component(text + start, text + m_text.size(), &subid, &stop);
    if (rc != PMC_OK) subid = 0xFFFFFFFFu;
  }
  pmc_set_err(err, rc);
  return subid;
}

int CPmcOid::copy_from(const IPmcValue& other) {
  const IPmcOid* from = impl_of<IPmcOid>(other, PMC_IID_OID);
  if (from == nullptr) return PMC_E_ARG;
  size_t length = 0;
  const char* text = text_of(*from, &length);
  return set_text(text, length, from->size());
}

bool CPmcOid::same_content(const IPmcValue& other) const {
  const IPmcOid* with = impl_of<IPmcOid>(other, PMC_IID_OID);
  if (with == nullptr) return false;
  size_t length = 0;
  const char* text = text_of(*with, &length);
  return length == m_text.size() && m_text.compare(0, length, text, length) == 0;
}

int CPmcOid::write_text(IPmcText& out) const { return out.assign(m_text.data(), m_text.size()); }

int CPmcOid::parse_text(const char* text, size_t length) { return set_text(text, length, kUnknown); }

int CPmcOid::store_octets(const void* data, size_t length) {
  return set_text(static_cast<const char*>(data), length, kUnknown);
}

int CPmcOid::set_text(const char* text, size_t length, size_t count) {
  try {
    edit_text().assign(text, length);
  } catch (...) {
    return PMC_E_NOMEM;
  }
  m_count = count;
  return PMC_OK;
}

int CPmcOid::set_wire_text(const char* text, size_t length, const unsigned char* contents, size_t contents_length) {
  const int rc = set_text(text, length, kUnknown);
  if (rc == PMC_OK && contents != nullptr) keep_wire_contents(contents, contents_length);
  return rc;
}

size_t CPmcOid::prefix_length(size_t count) const {
  if (count == 0) return 0;
  const char* text = m_text.data();
  for (size_t i = 0; i < m_text.size(); ++i) {
    if (text[i] == '.' && --count == 0) return i;
  }
  return m_text.size();
}

// ---------------------------------------------------------------------------
// Index form of an OID value: [count unless implied] the sub-identifiers
// ---------------------------------------------------------------------------

int CPmcOid::append_index_form(IPmcOid& oid, const std::string& text, bool implied) {
  // Checked first, so that a text that does not convert leaves `oid` as it was.
  if (!all_components_convert(text)) return PMC_E_ARG;
  PmcOidReader in(text.data(), text.size());
  if (in.count() > UINT32_MAX) return PMC_E_ARG;
  const size_t before = oid.size();
  int rc = implied ? PMC_OK : oid.append_subid(static_cast<uint32_t>(in.count()));
  uint32_t subid = 0;
  for (size_t i = 0; rc == PMC_OK && i < in.count(); ++i) {
    in.next(&subid);
    rc = oid.append_subid(subid);
  }
  if (rc != PMC_OK) pmc_undo_append(oid, before);
  return rc;
}

int CPmcOid::append_to_oid(IPmcOid& oid, bool implied) const {
  if (&oid != static_cast<const IPmcOid*>(this)) return append_index_form(oid, m_text, implied);
  try {
    return append_index_form(oid, std::string(m_text), implied);
  } catch (...) {
    return PMC_E_NOMEM;
  }
}

int CPmcOid::to_oid(IPmcOid& oid, bool implied) const {
  try {
    // Reading from a copy lets an OID become its own index form.
    const std::string source(m_text);
    if (!all_components_convert(source)) return PMC_E_ARG;
    oid.clear();
    return append_index_form(oid, source, implied);
  } catch (...) {
    return PMC_E_NOMEM;
  }
}

int CPmcOid::from_oid(const IPmcOid& oid, bool implied, uint32_t count) {
  if (&oid != static_cast<const IPmcOid*>(this)) {
    PmcOidReader in(oid);
    return read_index_form(in, implied, count);
  }
  try {
    const std::string source(m_text);
    PmcOidReader in(source.data(), source.size());
    return read_index_form(in, implied, count);
  } catch (...) {
    return PMC_E_NOMEM;
  }
}

int CPmcOid::read_index_form(PmcOidReader& in, bool implied, uint32_t count) {
  clear();
  size_t wanted = 0;
  int rc = PMC_OK;
  if (!implied) {
    uint32_t length = 0;
    if ((rc = in.next(&length)) != PMC_OK) return rc;
    if (length > in.count()) return PMC_E_BAD_INDEX;
    wanted = length;
  } else {
    wanted = (count == PMC_ALL_SUBIDS || count > in.count()) ? in.count() : count;
  }
  uint32_t subid = 0;
  for (size_t i = 0; i < wanted; ++i) {
    if ((rc = in.next(&subid)) != PMC_OK) return rc;
    if ((rc = append_subid(subid)) != PMC_OK) return rc;
  }
  return PMC_OK;
}

// ---------------------------------------------------------------------------
// Comparing and stripping
// ---------------------------------------------------------------------------

uint32_t CPmcOid::compare(const char* text, int* err) const {
  if (text == nullptr) {
    pmc_set_err(err, PMC_E_ARG);
    return COMPARE_FAILED;
  }
  pmc_set_err(err, PMC_OK);
  return compare_texts(m_text.data(), m_text.size(), text, std::strlen(text));
}

uint32_t CPmcOid::compare(const IPmcOid& other, int* err) const {
  size_t length = 0;
  const char* text = text_of(other, &length);
  pmc_set_err(err, PMC_OK);
  return compare_texts(m_text.data(), m_text.size(), text, length);
}

int CPmcOid::strip_prefix(const char* prefix) {
  if (prefix == nullptr) return PMC_E_ARG;
  return strip_prefix_text(prefix, std::strlen(prefix));
}

int CPmcOid::strip_prefix(const IPmcOid& prefix) {
  size_t length = 0;
  const char* text = text_of(prefix, &length);
  return strip_prefix_text(text, length);
}

int CPmcOid::strip_prefix_text(const char* prefix, size_t length) {
  uint32_t relation = compare_texts(m_text.data(), m_text.size(), prefix, length);
  if (relation == EQUAL) return clear();
  if (relation != THIS_BELOW) return PMC_E_ARG;
  // The prefix and the dot after it go: that is one dot more than the
  // prefix holds, so as many sub-identifiers. Worked out before the text
  // changes, because `prefix` may point into it.
  const size_t removed = static_cast<size_t>(std::count(prefix, prefix + length, '.')) + 1;
  const size_t known = size();
  edit_text().erase(0, length + 1);
  m_count = m_text.empty() ? 0 : known - removed;
  return PMC_OK;
}

// ---------------------------------------------------------------------------
// Appending
// ---------------------------------------------------------------------------

int CPmcOid::append_component_text(const char* text, size_t length, size_t added) {
  if (length == 0) return PMC_OK;
  std::less<const char*> before;
  const char* mine = m_text.data();
  if (!before(text, mine) && before(text, mine + m_text.size() + 1)) {
    // Text taken from this OID: growing would move it, so copy it first.
    try {
      const std::string copy(text, length);
      return append_component_text(copy.data(), copy.size(), added);
    } catch (...) {
      return PMC_E_NOMEM;
    }
  }
  const bool was_empty = m_text.empty();
  try {
    // Reserved first, so the appends below cannot fail halfway.
    edit_text().reserve(m_text.size() + length + 1);
  } catch (...) {
    return PMC_E_NOMEM;
  }
  if (!was_empty) m_text.push_back('.');
  m_text.append(text, length);
  if (added == kUnknown) {
    m_count = kUnknown;
  } else if (m_count != kUnknown) {
    m_count += added;
  }
  return PMC_OK;
}

int CPmcOid::append_text(const char* text) {
  if (text == nullptr) return PMC_OK;
  return append_component_text(text, std::strlen(text), kUnknown);
}

int CPmcOid::append_subid(uint32_t subid) {
  char digits[16];
  int n = std::snprintf(digits, sizeof digits, "%" PRIu32, subid);
  return append_component_text(digits, static_cast<size_t>(n), 1);
}

int CPmcOid::append_oid(const IPmcOid& other) {
  size_t length = 0;
  const char* text = text_of(other, &length);
  return append_component_text(text, length, other.size());
}

int CPmcOid::append_value_text(const char* text, int tag, bool implied) {
  if (text == nullptr) return PMC_E_ARG;
  int rc = PMC_OK;
  PmcPtr<IPmcValue> value(pmc_create_value_from_text(text, tag, &rc));
  if (!value) return rc;
  return append_value(*value, implied);
}

int CPmcOid::append_value(const IPmcValue& value, bool implied) {
  // The value's own append keeps this OID unchanged when it fails.
  return value.append_to_oid(*this, implied);
}

// ---------------------------------------------------------------------------
// Taking from the front and removing
// ---------------------------------------------------------------------------

int CPmcOid::remove(uint32_t start, uint32_t count) {
  const size_t total = size();
  if (start > total) return PMC_E_ARG;
  const size_t removed = std::min<size_t>(count, total - start);
  if (removed == 0) return PMC_OK;
  const size_t end = prefix_length(start + removed);
  if (start == 0) {
    // The components and the dot after them (the whole text at the end).
    edit_text().erase(0, end < m_text.size() ? end + 1 : end);
  } else {
    // The dot before the first removed component through the last one.
    const size_t begin = prefix_length(start);
    edit_text().erase(begin, end - begin);
  }
  m_count = m_text.empty() ? 0 : total - removed;
  return PMC_OK;
}

IPmcOid* CPmcOid::split_front(uint32_t count, int* err) {
  const size_t taken = std::min<size_t>(count, size());
  CPmcOid* front = pmc_make<CPmcOid>(err);
  if (front == nullptr) return nullptr;
  // Text such as "." has empty components: an empty front counts 0.
  const size_t length = prefix_length(taken);
  int rc = front->set_text(m_text.data(), length, length == 0 ? 0 : taken);
  if (rc != PMC_OK) {
    front->release();
    pmc_set_err(err, rc);
    return nullptr;
  }
  remove(0, static_cast<uint32_t>(taken));
  return front;
}

int CPmcOid::take_front_into(IPmcValue& out, uint32_t count) {
  if (is_self(out)) return PMC_E_ARG;
  const size_t taken = std::min<size_t>(count, size());
  int rc = PMC_OK;
  try {
    const std::string front(m_text, 0, prefix_length(taken));
    rc = out.from_text(front.c_str());
  } catch (...) {
    return PMC_E_NOMEM;
  }
  if (rc != PMC_OK) return rc;
  return remove(0, static_cast<uint32_t>(taken));
}

uint32_t CPmcOid::pop_subid(int* err) {
  int rc = PMC_OK;
  uint32_t subid = get_element(0, &rc);
  if (rc == PMC_OK) remove(0, 1);
  pmc_set_err(err, rc);
  return subid;
}

int CPmcOid::take_front_text(IPmcText& out, uint32_t count) {
  const size_t taken = std::min<size_t>(count, size());
  int rc = out.assign(m_text.data(), prefix_length(taken));
  if (rc != PMC_OK) return rc;
  return remove(0, static_cast<uint32_t>(taken));
}

IPmcText* CPmcOid::take_front_text(uint32_t count, int* err) {
  PmcPtr<IPmcText> text(pmc_create_text(err));
  if (!text) return nullptr;
  int rc = take_front_text(*text, count);
  pmc_set_err(err, rc);
  return rc == PMC_OK ? text.release() : nullptr;
}

// What the value used is its index length once read; for the implied forms
// of fixed size that is its size, whatever `count` says.
int CPmcOid::take_value(IPmcValue& value, bool implied, uint32_t count) {
  if (is_self(value)) return PMC_E_ARG;
  int rc = value.from_oid(*this, implied, count);
  if (rc != PMC_OK) return rc;
  const size_t used = value.index_length(implied);
  return remove(0, static_cast<uint32_t>(std::min<size_t>(used, UINT32_MAX)));
}

IPmcValue* CPmcOid::pop_value(int tag, int* err, bool implied, uint32_t count) {
  PmcPtr<IPmcValue> value(pmc_create_value(tag, err));
  if (!value) return nullptr;
  int rc = take_value(*value, implied, count);
  pmc_set_err(err, rc);
  return rc == PMC_OK ? value.release() : nullptr;
}

int CPmcOid::read_value(IPmcValue& value, bool implied) const {
  return value.from_oid(*this, implied, PMC_ALL_SUBIDS);
}

IPmcValue* CPmcOid::read_value(int tag, int* err, bool implied) const {
  PmcPtr<IPmcValue> value(pmc_create_value(tag, err));
  if (!value) return nullptr;
  int rc = read_value(*value, implied);
  pmc_set_err(err, rc);
  return rc == PMC_OK ? value.release() : nullptr;
}

int CPmcOid::set_from_value(const IPmcValue& value, bool implied) {
  std::string saved;
  try {
    saved = m_text;
  } catch (...) {
    return PMC_E_NOMEM;
  }
  const size_t saved_count = m_count;
  int rc = value.to_oid(*this, implied);
  if (rc != PMC_OK) {
    edit_text().swap(saved);
    m_count = saved_count;
  }
  return rc;
}

// ---------------------------------------------------------------------------
// Factories
// ---------------------------------------------------------------------------

IPmcOid* pmc_create_oid(int* err) { return pmc_make<CPmcOid>(err); }

IPmcOid* pmc_create_oid_from_text(const char* text, int* err) {
  if (text == nullptr) {
    pmc_set_err(err, PMC_E_ARG);
    return nullptr;
  }
  PmcPtr<CPmcOid> oid(pmc_make<CPmcOid>(err));
  if (!oid) return nullptr;
  int rc = oid->from_text(text);
  if (rc == PMC_OK && !oid->is_valid()) rc = PMC_E_ARG;
  pmc_set_err(err, rc);
  return rc == PMC_OK ? oid.release() : nullptr;
}

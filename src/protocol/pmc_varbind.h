// Variable bindings (an OID with a value and a mark) and the ordered binding
// list a PDU owns.
//
// Ownership: every operation that takes an OID, a value or a binding by
// pointer adopts it, on failure as well (it is then released), so callers
// hand objects over and forget them. Getters lend; detach and remove hand
// ownership back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/pmc_oid.h"

// The mark every binding but the failed one gets in an error response.
constexpr int32_t PMC_MARK_OTHER = 100;

// ---------------------------------------------------------------------------
// ---------------------------------------------------------------------------
class IPmcVarBind {
 public:
  virtual void release() = 0;
  // Copies OID, value and mark.
  virtual IPmcVarBind* clone(int* err) const = 0;
  // OIDs equal, values equal (or both absent) and marks equal.
  virtual bool equals(const IPmcVarBind& other) const = 0;
  // Releases what the binding held and adopts both; a null value becomes a
  // new NULL value (-3 when that cannot be made: the binding then has none).
  virtual int set(IPmcOid* oid, IPmcValue* value) = 0;
  // Hands each part out, or releases it when its out pointer is null; the
  // binding is empty afterwards.
  virtual void detach(IPmcOid** oid_out, IPmcValue** value_out) = 0;
  virtual void set_oid(IPmcOid* oid) = 0;
  virtual void set_value(IPmcValue* value) = 0;
  virtual IPmcOid* get_oid() const = 0;
  virtual IPmcValue* get_value() const = 0;
  // The error status of this binding in a response.
  virtual int32_t get_mark() const = 0;
  virtual void set_mark(int32_t mark) = 0;

 protected:
  virtual ~IPmcVarBind() = default;
};

// A binding adopting `oid` and `value` (a null value becomes NULL).
IPmcVarBind* pmc_create_varbind(IPmcOid* oid, IPmcValue* value, int* err);

// ---------------------------------------------------------------------------
// IPmcVarBindList. Positions count from 0.
// ---------------------------------------------------------------------------
class IPmcVarBindList {
 public:
  virtual void release() = 0;
  virtual IPmcVarBindList* clone(int* err) const = 0;
  virtual bool equals(const IPmcVarBindList& other) const = 0;
  virtual size_t size() const = 0;
  // New binding at the end adopting both; null OID gives -2.
  virtual int add(IPmcOid* oid, IPmcValue* value) = 0;
  virtual int push_back(IPmcVarBind* binding) = 0;
  virtual int add_front(IPmcOid* oid, IPmcValue* value) = 0;
  virtual int push_front(IPmcVarBind* binding) = 0;
  // Hands the binding out (or releases it when `out` is null); -2 past the end.
  virtual int remove(size_t position, IPmcVarBind** out) = 0;
  // Removes the first binding and hands out or releases its parts; on an
  // empty list nothing is written and -7 returned.
  virtual int pop_value(IPmcOid** oid_out, IPmcValue** value_out) = 0;
  // Removes and returns the first binding, null when empty.
  virtual IPmcVarBind* pop_front() = 0;
  // The binding (lent), null past the end.
  virtual IPmcVarBind* at(size_t position) const = 0;
  // New list with copies of at most `count` bindings from `start`; -2 when
  // `start` is past the end.
  virtual IPmcVarBindList* sub_list(size_t start, size_t count, int* err) const = 0;
  // New list to which the first `count` bindings (at most all) move.
  virtual IPmcVarBindList* split_front(size_t count, int* err) = 0;
  // Marks the binding at `position` - 1 (an error-index counts from 1) with
  // `mark` and every other binding with PMC_MARK_OTHER.
  virtual void mark_sequence(int32_t mark, size_t position) = 0;
  virtual void mark_all(int32_t mark) = 0;

 protected:
  virtual ~IPmcVarBindList() = default;
};

IPmcVarBindList* pmc_create_varbind_list(int* err);

// ---------------------------------------------------------------------------
// Implementations
// ---------------------------------------------------------------------------
// release() is defined out of line in both classes: inlined into a caller
// that knows the final class, `delete this` on the CPmcObject base draws a
// false free-of-non-heap-object warning from g++ in sanitizer builds.
class CPmcVarBind final : public IPmcVarBind, public CPmcObject {
 public:
  void release() override;
  IPmcVarBind* clone(int* err) const override;
  bool equals(const IPmcVarBind& other) const override;
  int set(IPmcOid* oid, IPmcValue* value) override;
  void detach(IPmcOid** oid_out, IPmcValue** value_out) override;
  void set_oid(IPmcOid* oid) override { m_oid.reset(oid); }
  void set_value(IPmcValue* value) override { m_value.reset(value); }
  IPmcOid* get_oid() const override { return m_oid.get(); }
  IPmcValue* get_value() const override { return m_value.get(); }
  int32_t get_mark() const override { return m_mark; }
  void set_mark(int32_t mark) override { m_mark = mark; }

 private:
  PmcPtr<IPmcOid> m_oid;
  PmcPtr<IPmcValue> m_value;
  int32_t m_mark = 0;
};

class CPmcVarBindList final : public IPmcVarBindList, public CPmcObject {
 public:
  void release() override;
  IPmcVarBindList* clone(int* err) const override;
  bool equals(const IPmcVarBindList& other) const override;
  size_t size() const override { return m_items.size(); }
  int add(IPmcOid* oid, IPmcValue* value) override;
  int push_back(IPmcVarBind* binding) override;
  int add_front(IPmcOid* oid, IPmcValue* value) override;
  int push_front(IPmcVarBind* binding) override;
  int remove(size_t position, IPmcVarBind** out) override;
  int pop_value(IPmcOid** oid_out, IPmcValue** value_out) override;
  IPmcVarBind* pop_front() override;
  IPmcVarBind* at(size_t position) const override;
  IPmcVarBindList* sub_list(size_t start, size_t count, int* err) const override;
  IPmcVarBindList* split_front(size_t count, int* err) override;
  void mark_sequence(int32_t mark, size_t position) override;
  void mark_all(int32_t mark) override;

 private:
  int insert(size_t position, IPmcVarBind* binding);
  int insert_new(size_t position, IPmcOid* oid, IPmcValue* value);

  std::vector<PmcPtr<IPmcVarBind>> m_items;
};

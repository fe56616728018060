// The implementation base shared by every value class, the template that
// writes each class's tag, visitor dispatch, clone and interface query once,
// and the small text scanner the parsers are built on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/pmc_printf.h"
#include "protocol/pmc_value.h"

// ---------------------------------------------------------------------------
// CPmcValueBase: answers every operation of IPmcValue the way a class without
// meaning for it must (-5 and the getter's filler), and writes the
// operations that only forward once. Classes override what they support and
// the protected hooks below.
// ---------------------------------------------------------------------------
class CPmcValueBase : public virtual IPmcValue, public CPmcObject {
 public:
  void release() override;  // out of line, see CPmcVarBind
  int assign(const IPmcValue& other) override;
  int clear() override { return PMC_OK; }
  bool equals(const IPmcValue& other) const override;
  IPmcOid* as_oid() override { return nullptr; }
  int query_interface(int id, void** out) override;
  bool is_valid() const override { return true; }
  int32_t get_int32(int* err) const override;
  uint32_t get_uint32(int* err) const override;
  IPmcText* to_text(int* err) const final;
  int to_text(IPmcText& out) const final;
  const unsigned char* get_octets(size_t* length, int* err) const override;
  IPmcText* to_octet_text(int* err) const final;
  int to_octet_text(IPmcText& out) const final;
  uint16_t get_uint16(int* err) const override;
  uint32_t get_high32(int* err) const override;
  uint32_t get_low32(int* err) const override;
  int set_int32(int32_t number) override;
  int set_uint32(uint32_t number) override;
  int from_text(const char* text) final;
  int from_text(const IPmcText& text) final;
  int set_octets(const void* data, size_t length) final;
  int set_octets(const IPmcText& octets) final;
  int set_uint16(uint16_t number) override;
  int set_high32(uint32_t number) override;
  int set_low32(uint32_t number) override;
  size_t size() const override { return 0; }
  size_t index_length(bool implied) const override;
  uint32_t get_element(size_t position, int* err) const override;
  int append_to_oid(IPmcOid& oid, bool implied) const override;
  int to_oid(IPmcOid& oid, bool implied) const override;
  int from_oid(const IPmcOid& oid, bool implied, uint32_t count) override;

 protected:
  // Copies the content of `other`, which has this value's tag.
  virtual int copy_from(const IPmcValue& other) = 0;
  // True when `other`, which has this value's tag, holds the same content.
  virtual bool same_content(const IPmcValue& other) const = 0;
  // Writes the display text (to_text); -5 for classes without one.
  virtual int write_text(IPmcText& out) const;
  // Parses `length` bytes of display text (from_text); never reads further.
  virtual int parse_text(const char* text, size_t length);
  // from_text with a null text: -2 unless the class empties itself.
  virtual int parse_null_text() { return PMC_E_ARG; }
  // Stores raw octets (set_octets); -5 for classes without octets.
  virtual int store_octets(const void* data, size_t length);
  // True for the classes that have a table-index form.
  virtual bool has_index_form() const { return false; }

  // The implementation of another value reached by its interface identifier
  // (null when it does not answer it). query_interface hands out a mutable
  // pointer, so the const view is restored here, in one place.
  template <class Impl>
  static const Impl* impl_of(const IPmcValue& value, int iid) {
    void* found = nullptr;
    const_cast<IPmcValue&>(value).query_interface(iid, &found);
    return static_cast<const Impl*>(found);
  }
};

// Stores the unsupported-operation code and returns the getter's filler.
template <class T>
T pmc_unsupported(int* err, T filler) {
  pmc_set_err(err, PMC_E_UNSUPPORTED);
  return filler;
}

// A new value of the same class as `from`, with its content.
template <class Impl>
Impl* pmc_clone_value(const Impl& from, int* err) {
  Impl* copy = pmc_make<Impl>(err);
  if (copy == nullptr) return nullptr;
  int rc = copy->assign(from);
  if (rc != PMC_OK) {
    copy->release();
    pmc_set_err(err, rc);
    return nullptr;
  }
  return copy;
}

// ---------------------------------------------------------------------------
// CPmcValueClass: what differs between classes only by constants. `Visit` is
// the visitor operation of the class; `Iid` its own interface identifier
// (answered with a Derived*) before the request passes to `Base`, so a class
// answers its own identifier and those of the classes it is built on.
// `HiddenIid` names an identifier of a base that this class must not answer.
// ---------------------------------------------------------------------------
template <class Derived, class Base, int Tag, int Iid, auto Visit, int HiddenIid = 0>
class CPmcValueClass : public Base {
 public:
  int accept(IPmcValueVisitor& visitor) override {
    return (visitor.*Visit)(static_cast<Derived&>(*this));
  }
  int get_type() const override { return Tag; }
  IPmcValue* clone(int* err) const override {
    return pmc_clone_value(static_cast<const Derived&>(*this), err);
  }
  int query_interface(int id, void** out) override {
    if (out == nullptr) return PMC_E_ARG;
    if (id == Iid) {
      *out = static_cast<Derived*>(this);
      return PMC_OK;
    }
    if (HiddenIid != 0 && id == HiddenIid) {
      *out = nullptr;
      return PMC_E_NOINTERFACE;
    }
    return Base::query_interface(id, out);
  }
};

// ---------------------------------------------------------------------------
// PmcTextScanner: reads a text of known length from left to right, never
// past its end; the parsers of the value classes are written with it.
// ---------------------------------------------------------------------------
class PmcTextScanner {
 public:
  PmcTextScanner(const char* text, size_t length) : m_pos(text), m_end(text + length) {}

  bool at_end() const { return m_pos == m_end; }
  // Consumes `c` when it is the next character.
  bool take(char c);
  // One or more decimal digits whose value is at most `max`.
  bool decimal(uint64_t max, uint64_t* out);
  // Between `min_digits` and `max_digits` hexadecimal digits whose value is
  // at most `max`.
  bool hex(size_t min_digits, size_t max_digits, uint64_t max, uint64_t* out);
  // One or more hexadecimal digits of which only the low 16 bits are kept.
  bool hex_low16(uint16_t* out);
  // The C library's lenient integer reading: white space, an optional sign,
  // digits, stopping at the first other character; no digits read as 0.
  // False only when the number lies outside [min, max].
  bool lenient_integer(int64_t min, int64_t max, int64_t* out);

 private:
  bool number(unsigned radix, size_t min_digits, size_t max_digits, uint64_t max, uint64_t* out);

  const char* m_pos;
  const char* m_end;
};

// Writes printf-style text into `out` (-3 when it cannot take it).
int pmc_write_text(IPmcText& out, const char* format, ...) PMC_PRINTF(2, 3);

// Object identifiers: the OBJECT IDENTIFIER value class, its own interface
// IPmcOid, and the sub-identifier reader the index forms and the codec use.
//
// An OID is kept as its dotted decimal text ("1.3.6.1.2.1.1.2.0") with a
// cached count of sub-identifiers. Its value face stores any text it is
// given (from_text, set_octets); is_valid tells whether that text is an
// OID. Operations that convert components to numbers never read past the
// text and answer -2 for a component that is not a decimal number of at most
// 32 bits.
#pragma once

#include <cstring>
#include <string>

#include "protocol/pmc_value_base.h"

// ---------------------------------------------------------------------------
// IPmcOid. An OID is released through its value face.
// ---------------------------------------------------------------------------
class IPmcOid : public virtual IPmcValue {
 public:
  // The relations `compare` answers.
  enum ERelation : uint32_t {
    EQUAL = 0,
    OTHER_BELOW = 1,   // the other OID lies below this one
    THIS_BELOW = 2,    // this OID lies below the other one
    SORTS_BEFORE = 3,  // by character codes of the texts
    SORTS_AFTER = 4,
    COMPARE_FAILED = 0xFFFFFFFFu,
  };

  IPmcOid* clone(int* err) const override = 0;
  // Relation of this OID to `text` (null: COMPARE_FAILED and -2). The order
  // is that of the texts, so 1.3.6.1.10 sorts before 1.3.6.1.9.
  virtual uint32_t compare(const char* text, int* err) const = 0;
  virtual uint32_t compare(const IPmcOid& other, int* err) const = 0;
  // When this equals `prefix` or lies below it, removes the prefix; else -2.
  virtual int strip_prefix(const char* prefix) = 0;
  virtual int strip_prefix(const IPmcOid& prefix) = 0;
  // Appends text as further components (null or empty: no change).
  virtual int append_text(const char* text) = 0;
  virtual int append_subid(uint32_t subid) = 0;
  virtual int append_oid(const IPmcOid& other) = 0;
  // Appends the index form of a value of `tag` parsed from `text`.
  virtual int append_value_text(const char* text, int tag, bool implied) = 0;
  virtual int append_value(const IPmcValue& value, bool implied) = 0;
  // New OID with the first `count` sub-identifiers (at most all), which are
  // removed from this one.
  virtual IPmcOid* split_front(uint32_t count, int* err) = 0;
  // Gives `out` the text of the first `count` sub-identifiers (at most all)
  // through its from_text and removes them when it accepts the text.
  virtual int take_front_into(IPmcValue& out, uint32_t count) = 0;
  // Removes and returns the first sub-identifier (0xFFFFFFFF on error).
  virtual uint32_t pop_subid(int* err) = 0;
  virtual IPmcText* take_front_text(uint32_t count, int* err) = 0;
  virtual int take_front_text(IPmcText& out, uint32_t count) = 0;
  // New value of `tag` read from the leading index form, which is removed.
  virtual IPmcValue* pop_value(int tag, int* err, bool implied, uint32_t count) = 0;
  // Reads `value` from the leading index form and removes what it used.
  virtual int take_value(IPmcValue& value, bool implied, uint32_t count) = 0;
  // Removes `count` sub-identifiers from `start` (-2 when start is past the end).
  virtual int remove(uint32_t start, uint32_t count) = 0;
  // New value of `tag` read from all sub-identifiers; nothing removed.
  virtual IPmcValue* read_value(int tag, int* err, bool implied) const = 0;
  virtual int read_value(IPmcValue& value, bool implied) const = 0;
  // This OID becomes the index form of `value`.
  virtual int set_from_value(const IPmcValue& value, bool implied) = 0;

 protected:
  ~IPmcOid() override = default;
};

// An empty OID.
IPmcOid* pmc_create_oid(int* err);
// An OID holding `text`; null text or text that is not a valid OID gives -2.
IPmcOid* pmc_create_oid_from_text(const char* text, int* err);

// ---------------------------------------------------------------------------
// PmcOidReader: the sub-identifiers of an OID from the first on, one pass,
// no allocation. Used by the index forms and by the codec.
// ---------------------------------------------------------------------------
class PmcOidReader {
 public:
  explicit PmcOidReader(const IPmcOid& oid);
  PmcOidReader(const char* text, size_t length);

  // Number of sub-identifiers of the whole OID.
  size_t count() const { return m_count; }
  // The next sub-identifier: 0; -8 when the OID is empty; -7 when none is
  // left; -2 when the component is not a decimal number of at most 32 bits.
  int next(uint32_t* out);

 private:
  const char* m_pos;
  const char* m_end;
  size_t m_count;
  bool m_done;
};

// Number of components of a dotted text: 0 when empty, else 1 + its dots.
size_t pmc_count_subids(const char* text, size_t length);
// True when the text is empty or is components separated by single dots,
// each 0 or a digit 1 to 9 followed by digits.
bool pmc_is_valid_oid_text(const char* text, size_t length);
// Removes what was appended to `oid` since it held `before` sub-identifiers.
void pmc_undo_append(IPmcOid& oid, size_t before);

// ---------------------------------------------------------------------------
// CPmcOid: the OBJECT IDENTIFIER class.
// ---------------------------------------------------------------------------
class CPmcOid : public CPmcValueClass<CPmcOid, CPmcValueBase, PMC_TAG_OID, 0, &IPmcValueVisitor::visit_oid>,
                public virtual IPmcOid {
 public:
  // Direct access for the codec: the dotted text.
  const std::string& text() const { return m_text; }

  // For the codec: the BER contents of the text when known, else null. The
  // codec keeps the contents it builds or reads here, so an OID sent again
  // (a retry, a name taken from a response for the next request) is copied
  // instead of encoded anew. Any change of the text forgets them.
  const unsigned char* wire_contents(size_t* length) const {
    *length = m_wireLength;
    return m_wireLength != 0 ? m_wire : nullptr;
  }
  // For the codec: the text read from a message, with its BER contents
  // kept when `contents` is not null (they must encode exactly this text).
  int set_wire_text(const char* text, size_t length, const unsigned char* contents, size_t contents_length);
  // Remembers `contents` as the exact BER contents of the current text (too
  // long ones are not kept). The caller vouches that they encode this text.
  void keep_wire_contents(const unsigned char* contents, size_t length) {
    if (length == 0 || length > sizeof m_wire) return;
    std::memcpy(m_wire, contents, length);
    m_wireLength = static_cast<unsigned char>(length);
  }

  // Value face
  CPmcOid* clone(int* err) const override;
  int clear() override;
  IPmcOid* as_oid() override { return this; }
  int query_interface(int id, void** out) override;
  bool is_valid() const override;
  uint32_t get_uint32(int* err) const override;
  const unsigned char* get_octets(size_t* length, int* err) const override;
  int set_uint32(uint32_t number) override;
  size_t size() const override;
  size_t index_length(bool implied) const override;
  uint32_t get_element(size_t position, int* err) const override;
  int append_to_oid(IPmcOid& oid, bool implied) const override;
  int to_oid(IPmcOid& oid, bool implied) const override;
  int from_oid(const IPmcOid& oid, bool implied, uint32_t count) override;

  // IPmcOid
  uint32_t compare(const char* text, int* err) const override;
  uint32_t compare(const IPmcOid& other, int* err) const override;
  int strip_prefix(const char* prefix) override;
  int strip_prefix(const IPmcOid& prefix) override;
  int append_text(const char* text) override;
  int append_subid(uint32_t subid) override;
  int append_oid(const IPmcOid& other) override;
  int append_value_text(const char* text, int tag, bool implied) override;
  int append_value(const IPmcValue& value, bool implied) override;
  IPmcOid* split_front(uint32_t count, int* err) override;
  int take_front_into(IPmcValue& out, uint32_t count) override;
  uint32_t pop_subid(int* err) override;
  IPmcText* take_front_text(uint32_t count, int* err) override;
  int take_front_text(IPmcText& out, uint32_t count) override;
  IPmcValue* pop_value(int tag, int* err, bool implied, uint32_t count) override;
  int take_value(IPmcValue& value, bool implied, uint32_t count) override;
  int remove(uint32_t start, uint32_t count) override;
  IPmcValue* read_value(int tag, int* err, bool implied) const override;
  int read_value(IPmcValue& value, bool implied) const override;
  int set_from_value(const IPmcValue& value, bool implied) override;

 protected:
  int copy_from(const IPmcValue& other) override;
  bool same_content(const IPmcValue& other) const override;
  int write_text(IPmcText& out) const override;
  int parse_text(const char* text, size_t length) override;
  int parse_null_text() override { return clear(); }
  int store_octets(const void* data, size_t length) override;
  bool has_index_form() const override { return true; }

 private:
  static constexpr size_t kUnknown = static_cast<size_t>(-1);

  bool is_self(const IPmcValue& value) const { return &value == static_cast<const IPmcValue*>(this); }
  // Length of the text of the first `count` components (all when fewer).
  size_t prefix_length(size_t count) const;
  // Stores a new text whose count is `count` (kUnknown when not known).
  int set_text(const char* text, size_t length, size_t count);
  int strip_prefix_text(const char* prefix, size_t length);
  int take_front_into_text(IPmcText& out, uint32_t count);
  // Appends ".text" (or "text" when empty) and adds `added` to a known count.
  int append_component_text(const char* text, size_t length, size_t added);
  // Appends the index form of the dotted text `text`, checked first.
  static int append_index_form(IPmcOid& oid, const std::string& text, bool implied);
  int read_index_form(PmcOidReader& in, bool implied, uint32_t count);

  // Every change of m_text goes through here or set_text.
  std::string& edit_text() {
    m_wireLength = 0;
    return m_text;
  }

  std::string m_text;
  mutable size_t m_count = 0;  // kUnknown until size() counts it
  // BER contents of m_text (m_wireLength 0: not known). Most names fit.
  unsigned char m_wireLength = 0;
  unsigned char m_wire[39];
};

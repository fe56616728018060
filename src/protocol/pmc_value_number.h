// The number values: INTEGER, the unsigned 32-bit classes (Gauge32, and
// Counter32 and TimeTicks built on it) and Counter64.
//
// The 32-bit classes have a one-sub-identifier index form (INTEGER as its
// unsigned bit pattern); Counter64 has none.
#pragma once

#include "protocol/pmc_value_base.h"

// INTEGER (0x02): a signed 32-bit number.
class CPmcInteger : public CPmcValueClass<CPmcInteger, CPmcValueBase, PMC_TAG_INTEGER, PMC_IID_INTEGER,
                                          &IPmcValueVisitor::visit_integer> {
 public:
  int32_t value() const { return m_value; }
  void set_value(int32_t number) { m_value = number; }

  int clear() override;
  int32_t get_int32(int* err) const override;
  int set_int32(int32_t number) override;
  size_t size() const override { return 1; }
  size_t index_length(bool) const override { return 1; }
  int append_to_oid(IPmcOid& oid, bool implied) const override;
  int from_oid(const IPmcOid& oid, bool implied, uint32_t count) override;

 protected:
  int copy_from(const IPmcValue& other) override;
  bool same_content(const IPmcValue& other) const override;
  int write_text(IPmcText& out) const override;
  int parse_text(const char* text, size_t length) override;
  bool has_index_form() const override { return true; }

 private:
  int32_t m_value = 0;
};

// The unsigned 32-bit number shared by Gauge32, Counter32 and TimeTicks.
class CPmcUnsigned32Base : public CPmcValueBase {
 public:
  uint32_t value() const { return m_value; }
  void set_value(uint32_t number) { m_value = number; }

  int clear() override;
  uint32_t get_uint32(int* err) const override;
  int set_uint32(uint32_t number) override;
  size_t size() const override { return 1; }
  size_t index_length(bool) const override { return 1; }
  int append_to_oid(IPmcOid& oid, bool implied) const override;
  int from_oid(const IPmcOid& oid, bool implied, uint32_t count) override;

 protected:
  int copy_from(const IPmcValue& other) override;
  bool same_content(const IPmcValue& other) const override;
  int write_text(IPmcText& out) const override;
  int parse_text(const char* text, size_t length) override;
  bool has_index_form() const override { return true; }

 private:
  uint32_t m_value = 0;
};

// Gauge32 (0x42): the unsigned 32-bit class the counters are built on.
class CPmcGauge32 : public CPmcValueClass<CPmcGauge32, CPmcUnsigned32Base, PMC_TAG_GAUGE32,
                                          PMC_IID_UNSIGNED32, &IPmcValueVisitor::visit_gauge32> {};

// Counter32 (0x41).
class CPmcCounter32 : public CPmcValueClass<CPmcCounter32, CPmcGauge32, PMC_TAG_COUNTER32, PMC_IID_COUNTER32,
                                            &IPmcValueVisitor::visit_counter32> {};

// TimeTicks (0x43).
class CPmcTimeTicks : public CPmcValueClass<CPmcTimeTicks, CPmcGauge32, PMC_TAG_TIMETICKS, PMC_IID_TIMETICKS,
                                            &IPmcValueVisitor::visit_timeticks> {};

// Counter64 (0x46): two unsigned 32-bit halves. Its text is the unsigned
// decimal of the whole 64-bit number.
class CPmcCounter64 : public CPmcValueClass<CPmcCounter64, CPmcValueBase, PMC_TAG_COUNTER64, PMC_IID_COUNTER64,
                                            &IPmcValueVisitor::visit_counter64> {
 public:
  uint32_t high() const { return m_high; }
  uint32_t low() const { return m_low; }
  uint64_t value() const { return (uint64_t{m_high} << 32) | m_low; }
  void set_value(uint64_t number) {
    m_high = static_cast<uint32_t>(number >> 32);
    m_low = static_cast<uint32_t>(number);
  }

  int clear() override;
  uint32_t get_uint32(int* err) const override;
  uint32_t get_high32(int* err) const override;
  uint32_t get_low32(int* err) const override;
  int set_uint32(uint32_t number) override;
  int set_high32(uint32_t number) override;
  int set_low32(uint32_t number) override;
  size_t size() const override { return 1; }

 protected:
  int copy_from(const IPmcValue& other) override;
  bool same_content(const IPmcValue& other) const override;
  int write_text(IPmcText& out) const override;
  int parse_text(const char* text, size_t length) override;

 private:
  uint32_t m_high = 0;
  uint32_t m_low = 0;
};

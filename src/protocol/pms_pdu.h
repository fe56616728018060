// The PDU: the header of one SNMP request or response (type, request-id,
// error-status, error-index, and for traps the time-stamp and enterprise)
// with its variable-binding list. PDUs travel between the request objects
// and the protocol engine; the message codec writes them to the wire and
// reads them back.
//
// Ownership follows the core's rule: whatever is handed over by pointer is
// adopted, on failure as well; getters lend; detach operations hand back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/pmc_varbind.h"

// PDU type codes: the low bits of the PDU tag (0xA0 | code).
enum PmsPduType : int32_t {
  PMS_PDU_NONE = -1,  // not set
  PMS_PDU_GET = 0,
  PMS_PDU_GETNEXT = 1,
  PMS_PDU_RESPONSE = 2,
  PMS_PDU_SET = 3,
  PMS_PDU_TRAP = 4,
  PMS_PDU_GETBULK = 5,
  PMS_PDU_INFORM = 6,
  PMS_PDU_REPORT = 8,
};

// ---------------------------------------------------------------------------
// ---------------------------------------------------------------------------
class IPmsPdu {
 public:
  // Releases the list, time-stamp and enterprise, then the PDU.
  virtual void release() = 0;
  // Releases list, time-stamp and enterprise; type -1, error-status -1,
  // error-index 0; the request-id stays.
  virtual void reset() = 0;
  virtual IPmsPdu* clone(int* err) const = 0;
  // copy_header, then a deep copy of other's list (or none).
  virtual int assign(const IPmsPdu& other) = 0;
  // Type, request-id, error-status, error-index and copies of time-stamp
  // and enterprise; on failure (-3) this PDU is unchanged.
  virtual int copy_header(const IPmsPdu& other) = 0;
  // Same type (not -1); traps: equal time-stamps and enterprises; others:
  // equal request-id, error-status and error-index; then equal bindings
  // (a PDU without a list counts as one with an empty list).
  virtual bool equals(const IPmsPdu& other) const = 0;
  virtual int32_t get_type() const = 0;
  virtual void set_type(int32_t type) = 0;
  // The binding list, null before the first binding; ownership stays.
  virtual IPmcVarBindList* get_varbind_list() const = 0;
  // Releases the old list and adopts `list` (null: no list).
  virtual void set_varbind_list(IPmcVarBindList* list) = 0;
  virtual IPmcVarBindList* detach_varbind_list() = 0;
  // The binding-list operations, creating the list when needed.
  virtual int add(IPmcOid* oid, IPmcValue* value) = 0;
  virtual int push_back(IPmcVarBind* binding) = 0;
  virtual int add_front(IPmcOid* oid, IPmcValue* value) = 0;
  virtual int push_front(IPmcVarBind* binding) = 0;
  // Removes the first binding and hands out (or releases) its parts; -7
  // and nothing written when there is none.
  virtual int pop_value(IPmcOid** oid_out, IPmcValue** value_out) = 0;
  // Removes and returns the first binding, null when there is none.
  virtual IPmcVarBind* pop_front() = 0;
  virtual int32_t get_request_id() const = 0;
  virtual int32_t get_error_status() const = 0;
  virtual size_t get_error_index() const = 0;
  virtual void set_request_id(int32_t id) = 0;
  virtual void set_error_status(int32_t status) = 0;
  virtual void set_error_index(size_t index) = 0;
  // Trap fields (lent; may be null).
  virtual IPmcValue* get_time_stamp() const = 0;
  virtual IPmcValue* get_enterprise() const = 0;
  virtual IPmcValue* detach_time_stamp() = 0;
  virtual IPmcValue* detach_enterprise() = 0;
  // Adopts a TimeTicks value (tag 0x43), releasing the old one; any other
  // value (or null) gives -2, is released, and the old one stays.
  virtual int set_time_stamp(IPmcValue* value) = 0;
  // The same for an OBJECT IDENTIFIER (tag 6).
  virtual int set_enterprise(IPmcValue* value) = 0;

 protected:
  virtual ~IPmsPdu() = default;
};

// A new PDU: type -1, no list, request-id, error-status and error-index 0.
IPmsPdu* pms_create_pdu(int* err);

// ---------------------------------------------------------------------------
// Implementation
// ---------------------------------------------------------------------------
class CPmsPdu final : public IPmsPdu, public CPmcObject {
 public:
  void release() override { destroy(); }
  void reset() override;
  IPmsPdu* clone(int* err) const override;
  int assign(const IPmsPdu& other) override;
  int copy_header(const IPmsPdu& other) override;
  bool equals(const IPmsPdu& other) const override;
  int32_t get_type() const override { return m_type; }
  void set_type(int32_t type) override { m_type = type; }
  IPmcVarBindList* get_varbind_list() const override { return m_pList.get(); }
  void set_varbind_list(IPmcVarBindList* list) override { m_pList.reset(list); }
  IPmcVarBindList* detach_varbind_list() override { return m_pList.release(); }
  int add(IPmcOid* oid, IPmcValue* value) override;
  int push_back(IPmcVarBind* binding) override;
  int add_front(IPmcOid* oid, IPmcValue* value) override;
  int push_front(IPmcVarBind* binding) override;
  int pop_value(IPmcOid** oid_out, IPmcValue** value_out) override;
  IPmcVarBind* pop_front() override;
  int32_t get_request_id() const override { return m_requestId; }
  int32_t get_error_status() const override { return m_errorStatus; }
  size_t get_error_index() const override { return m_errorIndex; }
  void set_request_id(int32_t id) override { m_requestId = id; }
  void set_error_status(int32_t status) override { m_errorStatus = status; }
  void set_error_index(size_t index) override { m_errorIndex = index; }
  IPmcValue* get_time_stamp() const override { return m_pTimeStamp.get(); }
  IPmcValue* get_enterprise() const override { return m_pEnterprise.get(); }
  IPmcValue* detach_time_stamp() override { return m_pTimeStamp.release(); }
  IPmcValue* detach_enterprise() override { return m_pEnterprise.release(); }
  int set_time_stamp(IPmcValue* value) override { return set_trap_field(m_pTimeStamp, value, PMC_TAG_TIMETICKS); }
  int set_enterprise(IPmcValue* value) override { return set_trap_field(m_pEnterprise, value, PMC_TAG_OID); }

 private:
  // The list, created on first need; null when it cannot be made.
  IPmcVarBindList* list();
  // Releases what could not be added for want of a list; -3.
  static int drop(IPmcOid* oid, IPmcValue* value);
  static int drop(IPmcVarBind* binding);
  static int set_trap_field(PmcPtr<IPmcValue>& field, IPmcValue* value, int tag);

  int32_t m_type = PMS_PDU_NONE;
  PmcPtr<IPmcVarBindList> m_pList;
  int32_t m_requestId = 0;
  int32_t m_errorStatus = 0;
  size_t m_errorIndex = 0;
  PmcPtr<IPmcValue> m_pTimeStamp;
  PmcPtr<IPmcValue> m_pEnterprise;
};

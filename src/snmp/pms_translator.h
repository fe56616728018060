// The codec front end: a process-wide registry of codec factories by name,
// one of which is current, and the encode and decode calls the sessions
// make through it. The one factory, "TransStream", is registered while the
// library is loaded (which also makes it current) and removed at unload;
// afterwards the registry is only read, without a lock.
//
//   IPmsTranslator* codec = pms_translator();
//   size_t encoded = 0;
//   int rc = codec->encode(pdu, target, buffer, &encoded);       // request
//   PmsMessageHeader head;
//   rc = codec->decode_header(reply, &head, 0);                  // what, and whose answer?
//   rc = codec->decode(reply, pdu, target, PMS_TRANSLATE_UNKNOWN);  // into the request
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "snmp/pms_decoder.h"
#include "snmp/pms_encoder.h"

// The fields of a message that tell what it is and which request it answers.
struct PmsMessageHeader {
  int32_t pdu_type = PMS_PDU_NONE;  // PMS_PDU_* (an SNMPv1 trap is PMS_PDU_TRAP)
  int32_t request_id = 0;           // 0 for an SNMPv1 trap, which has none
  int32_t error_status = 0;
};

// A codec: its name and its per-message encoder and decoder.
class IPmsTransStreamFactory {
 public:
  virtual const char* name() const = 0;
  // -3 when memory runs out.
  virtual IPmsEncoder* create_encoder(IPmsMessageBuffer* buffer, int* err) = 0;
  virtual IPmsDecoder* create_decoder(IPmsMessageBuffer* buffer, int translate_type, int* err) = 0;

 protected:
  ~IPmsTransStreamFactory() = default;
};

class IPmsTranslator {
 public:
  // Adds a factory (not owned) and makes it current; -2 for null, -3 when
  // the registry is full.
  virtual int register_factory(IPmsTransStreamFactory* factory) = 0;
  // Removes one factory (it stops being current); -2 when not registered.
  virtual int unregister_factory(IPmsTransStreamFactory* factory) = 0;
  virtual void unregister_all() = 0;
  // Makes the first factory named `name` current (-2 when none is); a null
  // name leaves none current.
  virtual int select(const char* name) = 0;
  // Encodes the packet's PDU with its target as header into `buffer`; the
  // bindings that fitted go to `encoded_bindings` (may be null). -2 for a
  // null packet or buffer, -8 when no codec is current, else the encoder's
  // result.
  virtual int encode(IPmsSnmpPacket* packet, IPmsMessageBuffer* buffer, size_t* encoded_bindings) = 0;
  virtual int encode(IPmsPdu* pdu, IPmsSnmpTarget* header, IPmsMessageBuffer* buffer,
                     size_t* encoded_bindings) = 0;
  // Decodes `buffer` into the packet (missing parts are created; a missing
  // header by `translate_type`). -2 for a null buffer or packet, -8 when no
  // codec is current, else the decoder's result.
  virtual int decode(IPmsMessageBuffer* buffer, IPmsSnmpPacket* packet, int translate_type) = 0;
  virtual int decode(IPmsMessageBuffer* buffer, IPmsPdu* pdu, IPmsSnmpTarget* header, int translate_type) = 0;
  // Reads the message only up to the PDU's header fields and hands out its
  // error-status and request-id (written only on success). -2 when any
  // pointer is null.
  virtual int decode_header(IPmsMessageBuffer* buffer, int32_t* error_status, int32_t* request_id,
                            int translate_type) = 0;
  // The same, with the PDU type; `*out` is written only on success.
  virtual int decode_header(IPmsMessageBuffer* buffer, PmsMessageHeader* out, int translate_type) = 0;

 protected:
  ~IPmsTranslator() = default;
};

// The process-wide front end, created on first use.
IPmsTranslator* pms_translator();

// The "TransStream" codec: CPmsEncoder and CPmsDecoder.
class CPmsTransStreamFactory final : public IPmsTransStreamFactory {
 public:
  constexpr CPmsTransStreamFactory() = default;
  const char* name() const override { return "TransStream"; }
  IPmsEncoder* create_encoder(IPmsMessageBuffer* buffer, int* err) override;
  IPmsDecoder* create_decoder(IPmsMessageBuffer* buffer, int translate_type, int* err) override;
};

class CPmsTranslator final : public IPmsTranslator {
 public:
  int register_factory(IPmsTransStreamFactory* factory) override;
  int unregister_factory(IPmsTransStreamFactory* factory) override;
  void unregister_all() override;
  int select(const char* name) override;
  int encode(IPmsSnmpPacket* packet, IPmsMessageBuffer* buffer, size_t* encoded_bindings) override;
  int encode(IPmsPdu* pdu, IPmsSnmpTarget* header, IPmsMessageBuffer* buffer,
             size_t* encoded_bindings) override;
  int decode(IPmsMessageBuffer* buffer, IPmsSnmpPacket* packet, int translate_type) override;
  int decode(IPmsMessageBuffer* buffer, IPmsPdu* pdu, IPmsSnmpTarget* header, int translate_type) override;
  int decode_header(IPmsMessageBuffer* buffer, int32_t* error_status, int32_t* request_id,
                    int translate_type) override;
  int decode_header(IPmsMessageBuffer* buffer, PmsMessageHeader* out, int translate_type) override;

 private:
  static constexpr size_t kSlots = 8;

  // An encoder or decoder of the current factory; -8 when there is none.
  IPmsEncoder* new_encoder(IPmsMessageBuffer* buffer, int* err);
  IPmsDecoder* new_decoder(IPmsMessageBuffer* buffer, int translate_type, int* err);

  IPmsTransStreamFactory* m_factories[kSlots] = {};
  // Read by every encode and decode while select may run elsewhere.
  std::atomic<IPmsTransStreamFactory*> m_current{nullptr};
};

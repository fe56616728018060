// The codec front end and the registration of the "TransStream" codec.
#include "snmp/pms_translator.h"

#include <cstring>

namespace {

// Encoders and decoders are released on every path.
using EncoderPtr = PmcPtr<IPmsEncoder>;
using DecoderPtr = PmcPtr<IPmsDecoder>;

}  // namespace

IPmsTranslator* pms_translator() {
  static CPmsTranslator translator;
  return &translator;
}

// ---------------------------------------------------------------------------
// "TransStream"
// ---------------------------------------------------------------------------

IPmsEncoder* CPmsTransStreamFactory::create_encoder(IPmsMessageBuffer* buffer, int* err) {
  return pmc_make<CPmsEncoder>(err, buffer);
}

IPmsDecoder* CPmsTransStreamFactory::create_decoder(IPmsMessageBuffer* buffer, int translate_type, int* err) {
  return pmc_make<CPmsDecoder>(err, buffer, translate_type);
}

namespace {

CPmsTransStreamFactory g_transStream;

// Registers the codec while the library is loaded and removes it at unload.
// The front end is built inside the constructor, so it outlives this object.
struct TransStreamRegistration {
  TransStreamRegistration() { pms_translator()->register_factory(&g_transStream); }
  ~TransStreamRegistration() { pms_translator()->unregister_factory(&g_transStream); }
} g_registration;

}  // namespace

// ---------------------------------------------------------------------------
// Registry
// ---------------------------------------------------------------------------

int CPmsTranslator::register_factory(IPmsTransStreamFactory* factory) {
  if (factory == nullptr) return PMC_E_ARG;
  for (IPmsTransStreamFactory*& slot : m_factories) {
    if (slot == nullptr || slot == factory) {
      slot = factory;
      m_current.store(factory);
      return PMC_OK;
    }
  }
  return PMC_E_NOMEM;
}

int CPmsTranslator::unregister_factory(IPmsTransStreamFactory* factory) {
  if (factory == nullptr) return PMC_E_ARG;
  for (size_t i = 0; i < kSlots; ++i) {
    if (m_factories[i] != factory) continue;
    // Keep the registered ones together, in order.
    for (size_t j = i; j + 1 < kSlots; ++j) m_factories[j] = m_factories[j + 1];
    m_factories[kSlots - 1] = nullptr;
    IPmsTransStreamFactory* expected = factory;
    m_current.compare_exchange_strong(expected, nullptr);
    return PMC_OK;
  }
  return PMC_E_ARG;
}

void CPmsTranslator::unregister_all() {
  for (IPmsTransStreamFactory*& slot : m_factories) slot = nullptr;
  m_current.store(nullptr);
}

int CPmsTranslator::select(const char* name) {
  if (name == nullptr) {
    m_current.store(nullptr);
    return PMC_OK;
  }
  for (IPmsTransStreamFactory* factory : m_factories) {
    if (factory != nullptr && std::strcmp(factory->name(), name) == 0) {
      m_current.store(factory);
      return PMC_OK;
    }
  }
  return PMC_E_ARG;
}

IPmsEncoder* CPmsTranslator::new_encoder(IPmsMessageBuffer* buffer, int* err) {
  IPmsTransStreamFactory* factory = m_current.load();
  if (factory == nullptr) {
    *err = PMC_E_EMPTY;
    return nullptr;
  }
  return factory->create_encoder(buffer, err);
}

IPmsDecoder* CPmsTranslator::new_decoder(IPmsMessageBuffer* buffer, int translate_type, int* err) {
  IPmsTransStreamFactory* factory = m_current.load();
  if (factory == nullptr) {
    *err = PMC_E_EMPTY;
    return nullptr;
  }
  return factory->create_decoder(buffer, translate_type, err);
}

// ---------------------------------------------------------------------------
// Encoding and decoding
// ---------------------------------------------------------------------------

int CPmsTranslator::encode(IPmsSnmpPacket* packet, IPmsMessageBuffer* buffer, size_t* encoded_bindings) {
  if (packet == nullptr || buffer == nullptr) return PMC_E_ARG;
  return encode(packet->get_pdu(), packet->get_target(), buffer, encoded_bindings);
}

int CPmsTranslator::encode(IPmsPdu* pdu, IPmsSnmpTarget* header, IPmsMessageBuffer* buffer,
                           size_t* encoded_bindings) {
  if (encoded_bindings != nullptr) *encoded_bindings = 0;
  if (buffer == nullptr) return PMC_E_ARG;
  int rc = PMC_OK;
  EncoderPtr encoder(new_encoder(buffer, &rc));
  if (!encoder) return rc;
  rc = encoder->encode(pdu, header);
  if (encoded_bindings != nullptr) *encoded_bindings = encoder->encoded_bindings();
  return rc;
}

int CPmsTranslator::decode(IPmsMessageBuffer* buffer, IPmsSnmpPacket* packet, int translate_type) {
  if (buffer == nullptr || packet == nullptr) return PMC_E_ARG;
  int rc = PMC_OK;
  DecoderPtr decoder(new_decoder(buffer, translate_type, &rc));
  if (!decoder) return rc;
  return decoder->decode(packet);
}

int CPmsTranslator::decode(IPmsMessageBuffer* buffer, IPmsPdu* pdu, IPmsSnmpTarget* header, int translate_type) {
  if (buffer == nullptr) return PMC_E_ARG;
  int rc = PMC_OK;
  DecoderPtr decoder(new_decoder(buffer, translate_type, &rc));
  if (!decoder) return rc;
  return decoder->decode(pdu, header);
}

int CPmsTranslator::decode_header(IPmsMessageBuffer* buffer, int32_t* error_status, int32_t* request_id,
                                  int translate_type) {
  if (error_status == nullptr || request_id == nullptr) return PMC_E_ARG;
  PmsMessageHeader header;
  int rc = decode_header(buffer, &header, translate_type);
  if (rc != PMC_OK) return rc;
  *error_status = header.error_status;
  *request_id = header.request_id;
  return PMC_OK;
}

int CPmsTranslator::decode_header(IPmsMessageBuffer* buffer, PmsMessageHeader* out, int translate_type) {
  if (buffer == nullptr || out == nullptr) return PMC_E_ARG;
  int rc = PMC_OK;
  DecoderPtr decoder(new_decoder(buffer, translate_type, &rc));
  if (!decoder) return rc;
  PmcPtr<IPmsPdu> pdu(pms_create_pdu(&rc));
  if (!pdu) return rc;
  decoder->set_header_only(true);
  rc = decoder->decode(pdu.get(), nullptr);
  if (rc != PMC_OK) return rc;
  out->pdu_type = pdu->get_type();
  out->error_status = pdu->get_error_status();
  out->request_id = pdu->get_request_id();
  return PMC_OK;
}

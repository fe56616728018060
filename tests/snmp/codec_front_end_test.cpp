// The codec front end's registry and the message buffer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "snmp/codec_test_support.h"

using namespace codec_test;

namespace {

// A second codec that counts what it is asked for and delegates to the
// real one.
class CountingFactory final : public IPmsTransStreamFactory {
 public:
  explicit CountingFactory(const char* name) : m_name(name) {}
  const char* name() const override { return m_name; }
  IPmsEncoder* create_encoder(IPmsMessageBuffer* buffer, int* err) override {
    ++encoders;
    return m_real.create_encoder(buffer, err);
  }
  IPmsDecoder* create_decoder(IPmsMessageBuffer* buffer, int translate_type, int* err) override {
    ++decoders;
    return m_real.create_decoder(buffer, translate_type, err);
  }
  int encoders = 0;
  int decoders = 0;

 private:
  const char* m_name;
  CPmsTransStreamFactory m_real;
};

// Leaves "TransStream" current whatever a test did.
class FrontEnd : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(pms_translator()->select("TransStream"), PMC_OK); }
};

Bytes a_request() {
  PmcPtr<IPmsPdu> request = pdu(PMS_PDU_GET, 9);
  add(*request, "1.3.6.1.2.1.1.1.0");
  return encode(*request, *header()).bytes;
}

}  // namespace

TEST_F(FrontEnd, TransStreamIsRegisteredAndCurrentAtLoad) {
  PmcPtr<IPmsPdu> request = pdu(PMS_PDU_GET, 9);
  EXPECT_EQ(encode(*request, *header()).rc, PMC_OK);
  EXPECT_EQ(pms_translator()->select("TransStream"), PMC_OK);
  EXPECT_EQ(pms_translator()->select("transstream"), PMC_E_ARG);
  EXPECT_EQ(pms_translator()->select("TransStream "), PMC_E_ARG);
}

TEST_F(FrontEnd, WithoutACurrentCodecNothingIsEncodedOrDecoded) {
  const Bytes message = a_request();
  ASSERT_EQ(pms_translator()->select(nullptr), PMC_OK);
  PmcPtr<IPmsPdu> request = pdu(PMS_PDU_GET, 9);
  EXPECT_EQ(encode(*request, *header()).rc, PMC_E_EMPTY);
  EXPECT_EQ(decode(message, request.get(), header().get()), PMC_E_EMPTY);
  int32_t status = 0;
  int32_t id = 0;
  EXPECT_EQ(decode_header(message, &status, &id), PMC_E_EMPTY);
  // Argument checks come first.
  EXPECT_EQ(pms_translator()->decode(nullptr, request.get(), nullptr, 0), PMC_E_ARG);
}

TEST_F(FrontEnd, RegisteringMakesCurrentAndSelectChooses) {
  CountingFactory other("Other");
  ASSERT_EQ(pms_translator()->register_factory(&other), PMC_OK);
  const Bytes message = a_request();
  EXPECT_EQ(other.encoders, 1);

  ASSERT_EQ(pms_translator()->select("TransStream"), PMC_OK);
  PmcPtr<IPmsPdu> answer = pdu(PMS_PDU_NONE);
  EXPECT_EQ(decode(message, answer.get(), header().get()), PMC_OK);
  EXPECT_EQ(other.decoders, 0);
  ASSERT_EQ(pms_translator()->select("Other"), PMC_OK);
  EXPECT_EQ(decode(message, answer.get(), header().get()), PMC_OK);
  EXPECT_EQ(other.decoders, 1);

  // Removing the current one leaves none current.
  ASSERT_EQ(pms_translator()->unregister_factory(&other), PMC_OK);
  EXPECT_EQ(encode(*answer, *header()).rc, PMC_E_EMPTY);
  EXPECT_EQ(pms_translator()->select("Other"), PMC_E_ARG);
  EXPECT_EQ(pms_translator()->unregister_factory(&other), PMC_E_ARG);
  EXPECT_EQ(pms_translator()->register_factory(nullptr), PMC_E_ARG);
}

TEST(MessageBuffer, AllocateAssignAttachDetach) {
  int err = 1;
  PmcPtr<IPmsMessageBuffer> buffer(pms_create_message_buffer(&err));
  ASSERT_EQ(err, PMC_OK);
  EXPECT_EQ(buffer->get_capacity(), 0u);
  EXPECT_EQ(buffer->get_content_length(), 0u);

  ASSERT_EQ(buffer->allocate(100), PMC_OK);
  EXPECT_EQ(buffer->get_capacity(), 100u);
  EXPECT_EQ(buffer->get_content_length(), 0u);  // the start is at the end
  ASSERT_EQ(buffer->set_start(60), PMC_OK);
  EXPECT_EQ(buffer->get_start(), buffer->get_data() + 60);
  EXPECT_EQ(buffer->get_content_length(), 40u);
  EXPECT_EQ(buffer->set_start(101), PMC_E_ARG);
  EXPECT_EQ(buffer->get_content_length(), 40u);

  ASSERT_EQ(buffer->assign("abcdef", 6), PMC_OK);
  EXPECT_EQ(buffer->get_content_length(), 6u);
  EXPECT_EQ(std::memcmp(buffer->get_start(), "abcdef", 6), 0);
  // Bytes taken from the buffer's own block are copied safely.
  ASSERT_EQ(buffer->assign(buffer->get_data() + 2, 3), PMC_OK);
  EXPECT_EQ(std::memcmp(buffer->get_start(), "cde", 3), 0);
  EXPECT_EQ(buffer->assign(nullptr, 3), PMC_E_ARG);

  size_t capacity = 0;
  unsigned char* block = buffer->detach(&capacity);
  EXPECT_EQ(capacity, 3u);
  EXPECT_EQ(buffer->get_data(), nullptr);
  EXPECT_EQ(buffer->get_content_length(), 0u);
  buffer->attach(block, capacity);
  EXPECT_EQ(buffer->get_start(), block);
  EXPECT_EQ(buffer->get_content_length(), 3u);

  unsigned char* other = static_cast<unsigned char*>(std::malloc(8));
  buffer->attach(other, 8);  // frees the old block
  EXPECT_EQ(buffer->get_capacity(), 8u);
  ASSERT_EQ(buffer->allocate(0), PMC_OK);
  EXPECT_EQ(buffer->get_data(), nullptr);
}

TEST(MessageBuffer, EncodingMovesTheStartToTheMessage) {
  PmcPtr<IPmsPdu> request = pdu(PMS_PDU_GET, 9);
  add(*request, "1.3.6.1.2.1.1.1.0");
  PmcPtr<IPmsMessageBuffer> buffer(pms_create_message_buffer(nullptr));
  size_t encoded = 0;
  ASSERT_EQ(pms_translator()->encode(request.get(), header(PMS_VERSION_V1, "public", 484).get(), buffer.get(), &encoded),
            PMC_OK);
  EXPECT_EQ(buffer->get_capacity(), 484u);
  EXPECT_EQ(buffer->get_start() + buffer->get_content_length(), buffer->get_data() + 484);
  EXPECT_EQ(buffer->get_start()[0], 0x30);
  EXPECT_EQ(static_cast<size_t>(buffer->get_start()[1]) + 2, buffer->get_content_length());
  // A maximum size no datagram can carry allocates only what one can.
  ASSERT_EQ(pms_translator()->encode(request.get(), header(PMS_VERSION_V1, "public", 1u << 30).get(), buffer.get(),
                                     &encoded),
            PMC_OK);
  EXPECT_EQ(buffer->get_capacity(), PMS_MAX_BLOCK);
}

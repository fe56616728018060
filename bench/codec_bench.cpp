// Times our message codec against Net-SNMP's on the messages Net-SNMP
// built (shared/fixtures/ber), both directions, and prints the ratio per
// message at the end.
//
//   encode/ours      our encoder: PDU and header to bytes, as a retry or
//                    the next step of a walk sends them (names keep the
//                    contents they were last sent or read with)
//   encode/cold      the same with every name's text set anew first (that
//                    store is timed too), as a request made from texts
//   encode/netsnmp   snmp_build of the same message
//   decode/ours      our decoder into the PDU of the previous message, as a
//                    session decodes into its request: bindings and values
//                    reused in place; the message alternates with a twin
//                    whose names differ, so every name is read anew
//   decode/echo      the same with the names the PDU already holds, as a
//                    Get response echoes its request's
//   decode/fresh     our decoder into a new PDU each time
//   decode/netsnmp   snmp_parse into a new Net-SNMP PDU each time
//
// Nothing is sent: both codecs run in-process.
#include <benchmark/benchmark.h>

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "netsnmp/netsnmp_glue.h"
#include "snmp/pms_translator.h"

namespace {

using Bytes = std::vector<unsigned char>;

const std::string kFixtureDir = std::string(PSW_SHARED_DIR) + "/fixtures/ber/";

std::vector<std::string> fixture_names() {
  std::vector<std::string> names;
  if (DIR* dir = opendir(kFixtureDir.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string file = entry->d_name;
      if (file.size() > 4 && file.compare(file.size() - 4, 4, ".ber") == 0) names.push_back(file.substr(0, file.size() - 4));
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

Bytes read_fixture(const std::string& name) {
  std::ifstream in(kFixtureDir + name + ".ber", std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

PmcPtr<IPmsMessageBuffer> buffer_of(const Bytes& bytes) {
  PmcPtr<IPmsMessageBuffer> buffer(pms_create_message_buffer(nullptr));
  buffer->assign(bytes.data(), bytes.size());
  return buffer;
}

// Our PDU and header of a message.
struct Decoded {
  PmcPtr<IPmsPdu> pdu{pms_create_pdu(nullptr)};
  PmcPtr<IPmsSnmpTarget> header{pms_create_community_target(nullptr)};
};

Decoded decoded(const Bytes& message) {
  Decoded out;
  PmcPtr<IPmsMessageBuffer> buffer = buffer_of(message);
  if (pms_translator()->decode(buffer.get(), out.pdu.get(), out.header.get(), PMS_TRANSLATE_UNKNOWN) != PMC_OK) {
    std::fprintf(stderr, "our decoder refused a fixture\n");
    std::exit(1);
  }
  out.header->set_max_message_size(1400);
  return out;
}

void encode_ours(benchmark::State& state, const Bytes& message) {
  Decoded parts = decoded(message);
  PmcPtr<IPmsMessageBuffer> out(pms_create_message_buffer(nullptr));
  size_t encoded = 0;
  for (auto _ : state) {
    int rc = pms_translator()->encode(parts.pdu.get(), parts.header.get(), out.get(), &encoded);
    benchmark::DoNotOptimize(rc);
    benchmark::DoNotOptimize(out->get_start());
  }
  if (Bytes(out->get_start(), out->get_start() + out->get_content_length()) != message) {
    state.SkipWithError("our encoding differs from the fixture");
  }
}

void encode_cold(benchmark::State& state, const Bytes& message) {
  Decoded parts = decoded(message);
  PmcPtr<IPmsMessageBuffer> out(pms_create_message_buffer(nullptr));
  IPmcVarBindList* list = parts.pdu->get_varbind_list();
  std::vector<std::string> names;
  for (size_t i = 0; i < list->size(); ++i) {
    size_t length = 0;
    const unsigned char* text = list->at(i)->get_oid()->get_octets(&length, nullptr);
    names.emplace_back(reinterpret_cast<const char*>(text), length);
  }
  size_t encoded = 0;
  for (auto _ : state) {
    for (size_t i = 0; i < names.size(); ++i) list->at(i)->get_oid()->set_octets(names[i].data(), names[i].size());
    int rc = pms_translator()->encode(parts.pdu.get(), parts.header.get(), out.get(), &encoded);
    benchmark::DoNotOptimize(rc);
    benchmark::DoNotOptimize(out->get_start());
  }
  if (Bytes(out->get_start(), out->get_start() + out->get_content_length()) != message) {
    state.SkipWithError("our encoding differs from the fixture");
  }
}

// The message with ".1" added to every name, encoded by us.
Bytes twin_of(const Bytes& message) {
  Decoded parts = decoded(message);
  IPmcVarBindList* list = parts.pdu->get_varbind_list();
  for (size_t i = 0; i < list->size(); ++i) list->at(i)->get_oid()->append_subid(1);
  PmcPtr<IPmsMessageBuffer> out(pms_create_message_buffer(nullptr));
  size_t encoded = 0;
  if (pms_translator()->encode(parts.pdu.get(), parts.header.get(), out.get(), &encoded) != PMC_OK) {
    std::fprintf(stderr, "our encoder refused a twin message\n");
    std::exit(1);
  }
  return Bytes(out->get_start(), out->get_start() + out->get_content_length());
}

// Two decodes per iteration (the message and its twin): the ratio table
// halves the time.
void decode_ours(benchmark::State& state, const Bytes& message) {
  PmcPtr<IPmsMessageBuffer> in = buffer_of(message);
  PmcPtr<IPmsMessageBuffer> twin = buffer_of(twin_of(message));
  Decoded parts = decoded(message);  // the PDU a session would decode into
  for (auto _ : state) {
    int rc = pms_translator()->decode(twin.get(), parts.pdu.get(), parts.header.get(), PMS_TRANSLATE_UNKNOWN);
    benchmark::DoNotOptimize(rc);
    rc = pms_translator()->decode(in.get(), parts.pdu.get(), parts.header.get(), PMS_TRANSLATE_UNKNOWN);
    benchmark::DoNotOptimize(rc);
  }
}

void decode_echo(benchmark::State& state, const Bytes& message) {
  PmcPtr<IPmsMessageBuffer> in = buffer_of(message);
  Decoded parts = decoded(message);
  for (auto _ : state) {
    int rc = pms_translator()->decode(in.get(), parts.pdu.get(), parts.header.get(), PMS_TRANSLATE_UNKNOWN);
    benchmark::DoNotOptimize(rc);
  }
}

void decode_fresh(benchmark::State& state, const Bytes& message) {
  PmcPtr<IPmsMessageBuffer> in = buffer_of(message);
  PmcPtr<IPmsSnmpTarget> header(pms_create_community_target(nullptr));
  for (auto _ : state) {
    PmcPtr<IPmsPdu> pdu(pms_create_pdu(nullptr));
    int rc = pms_translator()->decode(in.get(), pdu.get(), header.get(), PMS_TRANSLATE_UNKNOWN);
    benchmark::DoNotOptimize(rc);
  }
}

void encode_netsnmp(benchmark::State& state, const Bytes& message) {
  netsnmp_glue::PduPtr pdu = netsnmp_glue::parse(message.data(), message.size());
  netsnmp_glue::Block block(1400);
  unsigned char* start = nullptr;
  size_t length = 0;
  for (auto _ : state) {
    bool ok = block.build(pdu.get(), &start, &length);
    benchmark::DoNotOptimize(ok);
  }
  if (Bytes(start, start + length) != message) state.SkipWithError("Net-SNMP's encoding differs from the fixture");
}

void decode_netsnmp(benchmark::State& state, const Bytes& message) {
  Bytes mutable_copy = message;  // snmp_parse takes a non-const buffer
  for (auto _ : state) {
    netsnmp_glue::PduPtr pdu(snmp_pdu_create(0));
    int rc = snmp_parse(nullptr, netsnmp_glue::session(), pdu.get(), mutable_copy.data(), mutable_copy.size());
    benchmark::DoNotOptimize(rc);
  }
}

// Keeps the console output and remembers each run's CPU time per iteration
// (CPU time, not wall time: the machine is shared).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // One repetition: its time; several: their median.
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const bool single = run.run_type == Run::RT_Iteration && run.iterations > 0 && run.repetitions <= 1;
      if (median || single) m_ns[run.run_name.str()] = run.GetAdjustedCPUTime() * time_factor(run.time_unit);
    }
  }

  void print_ratios(const std::vector<std::string>& names) const {
    std::printf("\n%-13s %7s %7s %7s %6s %6s  %7s %7s %7s %7s %6s %6s %6s\n", "ns/message", "enc", "cold",
                "netsnmp", "ratio", "cold", "dec", "echo", "fresh", "netsnmp", "ratio", "echo", "fresh");
    for (const std::string& name : names) {
      const double enc_ours = at("encode/ours/" + name);
      const double enc_cold = at("encode/cold/" + name);
      const double enc_them = at("encode/netsnmp/" + name);
      const double dec_ours = at("decode/ours/" + name) / 2;  // two decodes per iteration
      const double dec_echo = at("decode/echo/" + name);
      const double dec_fresh = at("decode/fresh/" + name);
      const double dec_them = at("decode/netsnmp/" + name);
      std::printf("%-13s %7.0f %7.0f %7.0f %5.1fx %5.1fx  %7.0f %7.0f %7.0f %7.0f %5.1fx %5.1fx %5.1fx\n", name.c_str(),
                  enc_ours, enc_cold, enc_them, enc_them / enc_ours, enc_them / enc_cold, dec_ours, dec_echo, dec_fresh,
                  dec_them, dec_them / dec_ours, dec_them / dec_echo, dec_them / dec_fresh);
    }
  }

 private:
  static double time_factor(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kSecond: return 1e9;
      case benchmark::kMillisecond: return 1e6;
      case benchmark::kMicrosecond: return 1e3;
      default: return 1.0;
    }
  }
  double at(const std::string& key) const {
    auto found = m_ns.find(key);
    return found == m_ns.end() ? 0.0 : found->second;
  }

  std::map<std::string, double> m_ns;
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> names = fixture_names();
  if (names.empty()) {
    std::fprintf(stderr, "no fixtures in %s\n", kFixtureDir.c_str());
    return 1;
  }
  std::vector<Bytes> messages;
  for (const std::string& name : names) messages.push_back(read_fixture(name));
  for (size_t i = 0; i < names.size(); ++i) {
    const Bytes& message = messages[i];
    benchmark::RegisterBenchmark(("encode/ours/" + names[i]).c_str(), encode_ours, message);
    benchmark::RegisterBenchmark(("encode/cold/" + names[i]).c_str(), encode_cold, message);
    benchmark::RegisterBenchmark(("encode/netsnmp/" + names[i]).c_str(), encode_netsnmp, message);
    benchmark::RegisterBenchmark(("decode/ours/" + names[i]).c_str(), decode_ours, message);
    benchmark::RegisterBenchmark(("decode/echo/" + names[i]).c_str(), decode_echo, message);
    benchmark::RegisterBenchmark(("decode/fresh/" + names[i]).c_str(), decode_fresh, message);
    benchmark::RegisterBenchmark(("decode/netsnmp/" + names[i]).c_str(), decode_netsnmp, message);
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_ratios(names);
  benchmark::Shutdown();
  return 0;
}

#include <gtest/gtest.h>

#include "agent/mini_ber.h"
#include "agent/netns_network.h"
#include "agent/udp_socket.h"

namespace psw_test {
namespace {

TEST(NetnsNetwork, Broadcast) {
  std::vector<SnmpdOptions> agents(3);
  for (size_t i = 0; i < agents.size(); ++i) agents[i].sys_name = "printer-" + std::to_string(i);
  NetnsNetwork net(agents);
  std::vector<Datagram> answers;
  net.run_in_client([&] {
    UdpSocket s("0.0.0.0");
    s.enable_broadcast();
    ber::Message m;
    m.request_id = 77;
    m.bindings.push_back({ber::parse_oid("1.3.6.1.2.1.1.5.0"), ber::Value::Null()});
    s.send_to(ber::encode_message(m), "255.255.255.255", 161);
    answers = s.receive_for(std::chrono::milliseconds(500));
  });
  for (auto& d : answers) std::cout << d.address << " " << d.data.size() << "\n";
  EXPECT_EQ(answers.size(), 3u);
}

}  // namespace
}  // namespace psw_test

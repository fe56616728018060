#include <gtest/gtest.h>

#include <climits>

#include "api/psw_transport_map.h"
#include "psw/psw.h"

namespace {

TEST(TransportMap, InterfaceValuesMapToProtocolValues) {
  const struct {
    int32_t transport;
    int32_t protocol;
  } table[] = {{PSW_TRANSPORT_UDP, 1}, {PSW_TRANSPORT_IPX, 2}, {PSW_TRANSPORT_RESERVED, 3},
               {PSW_TRANSPORT_UDP6, 4}};
  for (const auto& row : table) {
    int32_t protocol = -99;
    EXPECT_EQ(psw_map_transport(row.transport, &protocol), 0) << row.transport;
    EXPECT_EQ(protocol, row.protocol) << row.transport;
  }
}

TEST(TransportMap, OtherValuesAreRefusedAndNothingIsStored) {
  for (int32_t transport : {0, 4, 6, 7, 23, -1, -5, INT32_MIN, INT32_MAX}) {
    int32_t protocol = -99;
    EXPECT_EQ(psw_map_transport(transport, &protocol), PSW_ERR_ARGUMENT) << transport;
    EXPECT_EQ(protocol, -99) << transport;
  }
  EXPECT_EQ(psw_map_transport(PSW_TRANSPORT_UDP, nullptr), PSW_ERR_ARGUMENT);
}

}  // namespace

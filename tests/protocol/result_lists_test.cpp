// The lists of request results: table rows (PDUs) and broadcast replies
// (packets).
#include <gtest/gtest.h>

#include "base/pmc_object_list.h"
#include "protocol/pms_pdu.h"
#include "protocol/pms_snmp_packet.h"

namespace {

// The two lists of request results hold real PDUs and packets; what they
// still hold when released they release (the leak checker of the sanitizer
// build sees any that are left).
TEST(ResultLists, PduAndPacketListsOwnTheirElements) {
  int err = 1;
  PmcPtr<IPmsPduList> rows(pmc_create_pdu_list(&err));
  ASSERT_TRUE(rows);
  EXPECT_EQ(err, PMC_OK);
  PmcPtr<IPmsSnmpPacketList> replies(pmc_create_packet_list(&err));
  ASSERT_TRUE(replies);
  IPmsPdu* first = pms_create_pdu(nullptr);
  ASSERT_EQ(rows->push_back(first), PMC_OK);
  ASSERT_EQ(rows->push_back(pms_create_pdu(nullptr)), PMC_OK);
  ASSERT_EQ(replies->push_front(pms_create_snmp_packet(nullptr)), PMC_OK);
  EXPECT_EQ(rows->size(), 2u);
  PmcPtr<IPmcListIterator> it(rows->create_iterator(nullptr));
  EXPECT_EQ(rows->current(it.get()), first);
  PmcPtr<IPmsPdu> taken(rows->erase(it.get()));
  EXPECT_EQ(taken.get(), first);
  EXPECT_EQ(rows->size(), 1u);
}

}  // namespace

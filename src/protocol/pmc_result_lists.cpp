// The two lists through which request results travel: table rows as PDUs
// and broadcast replies as packets.
#include "base/pmc_object_list.h"
#include "protocol/pms_pdu.h"
#include "protocol/pms_snmp_packet.h"

IPmsPduList* pmc_create_pdu_list(int* err) { return pmc_make<CPmcObjectList<IPmsPdu>>(err); }

IPmsSnmpPacketList* pmc_create_packet_list(int* err) { return pmc_make<CPmcObjectList<IPmsSnmpPacket>>(err); }

// A supply's level as a percentage and a state: the one reading of the
// Printer MIB's level values for every caller (the C interface, pswctl,
// the exporter).
//
//   level -1 other, -2 unknown, -3 some remaining; a maximum of -1 means
//   no limit and -2 unknown; supplyUnit 19 is percent. A receptacle's
//   (class 4) level is the space still left in it, so the percentage is
//   what is left for every class.
#pragma once

#include <cstdint>

struct PSWSupplyLevel {
  int32_t percent;  // 0-100, or PSW_VALUE_ABSENT
  int32_t state;    // PSW_LEVEL_*
};

PSWSupplyLevel psw_supply_level(int32_t supply_class, int32_t supply_unit, int32_t max_capacity, int32_t level);

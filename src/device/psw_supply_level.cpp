#include "device/psw_supply_level.h"

#include "psw/psw.h"

namespace {

constexpr int32_t kUnitPercent = 19;  // prtMarkerSuppliesSupplyUnit percent(19)
constexpr int32_t kLevelOther = -1;
constexpr int32_t kLevelSomeRemaining = -3;

// level / maximum in whole percent, rounded to the nearest, at most 100.
int32_t rounded_percent(int64_t level, int64_t maximum) {
  const int64_t percent = (level * 100 + maximum / 2) / maximum;
  return static_cast<int32_t>(percent > 100 ? 100 : percent);
}

}  // namespace

PSWSupplyLevel psw_supply_level(int32_t supply_class, int32_t supply_unit, int32_t max_capacity, int32_t level) {
  const PSWSupplyLevel none{PSW_VALUE_ABSENT, PSW_LEVEL_UNKNOWN};
  if (level == kLevelSomeRemaining) return {PSW_VALUE_ABSENT, PSW_LEVEL_SOME_REMAINING};
  if (level == kLevelOther) return {PSW_VALUE_ABSENT, PSW_LEVEL_OTHER};
  // -2 unknown, the absent marker, and negatives the MIB does not define
  // (some makers send -100 for empty: nothing says so in the MIB).
  if (level < 0) return none;
  const int32_t known = supply_class == PSW_SUPPLY_CLASS_RECEPTACLE ? PSW_LEVEL_RECEPTACLE : PSW_LEVEL_KNOWN;
  // A level in percent is one whatever the maximum says.
  if (supply_unit == kUnitPercent) return {level > 100 ? 100 : level, known};
  if (max_capacity > 0) return {rounded_percent(level, max_capacity), known};
  return {PSW_VALUE_ABSENT, PSW_LEVEL_NO_MAXIMUM};
}

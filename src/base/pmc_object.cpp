#include "base/pmc_object.h"

void CPmcObject::destroy() { delete this; }

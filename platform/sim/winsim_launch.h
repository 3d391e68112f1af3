#pragma once

// Control API of this area; filled in with the area.
#include "platform/sim/winsim.h"

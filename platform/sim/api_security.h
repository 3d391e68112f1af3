#pragma once

// Calls of this area; filled in with the area.
#include "platform/sim/win32_types.h"

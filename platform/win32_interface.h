#pragma once

// The Windows types the module's exported interface names (TOKEN_TYPE), for the public
// headers: the SDK on Windows, the simulated Windows on Linux. Module code includes
// platform/win32.h instead.
#if defined(_WIN32)
#  include <windows.h>
#else
#  include "platform/sim/api_process.h"
#endif

#pragma once

// The one header module code includes for operating-system calls. On Windows it is
// the SDK (plus what mingw-w64 lacks); on Linux the simulated Windows, which serves
// the same names with the same types and layouts.
#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#  include <aclapi.h>
#  include <rpc.h>
#  include <userenv.h>
#  include <winternl.h>
#  include <wtsapi32.h>
#  include "platform/compat/compat.h"
#else
#  include "platform/sim/win32_api.h"
#endif

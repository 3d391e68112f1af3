#pragma once

// The Win32 surface the module calls, served by the simulated Windows on Linux.
// Names, types, structure layouts and constants are Windows's own.
#include "platform/sim/win32_types.h"
#include "platform/sim/api_kernel.h"
#include "platform/sim/api_version.h"
#include "platform/sim/api_process.h"
#include "platform/sim/api_rpc.h"
#include "platform/sim/api_wintrust.h"
#include "platform/sim/api_security.h"
#include "platform/sim/api_appmodel.h"
#include "platform/sim/api_wts.h"
#include "platform/sim/api_shell.h"
#include "platform/sim/api_launch.h"
#include "platform/sim/api_module.h"

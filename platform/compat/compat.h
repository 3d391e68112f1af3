#pragma once

// The Windows SDK surface the module calls, completed where mingw-w64 falls short of
// the SDK. Included by platform/win32.h on Windows only; the simulated Windows offers
// the same names on Linux.
#include <windows.h>

#include "platform/compat/wintrust_compat.h"  // first: it replaces WINTRUST_DATA
#include "platform/compat/rpc_compat.h"
#include "platform/compat/appmodel_compat.h"

#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>
#include <userenv.h>
#include <winver.h>
#include <wtsapi32.h>

#include "platform/compat/record_layouts.h"

#pragma once

#include "platform/sim/win32_types.h"

// Splits a command line the way Windows does; the array and its strings are one
// block of local memory, freed with a single LocalFree.
WINSIM_EXTERN LPWSTR* WINAPI CommandLineToArgvW(LPCWSTR lpCmdLine, int* pNumArgs);

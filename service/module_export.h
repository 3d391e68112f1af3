#pragma once

// Marks what the module exports: everything else stays hidden (Linux) or unexported
// (Windows, where the link excludes all other symbols). Host modules that include the
// installed headers import the same names from the DLL.
#if defined(_WIN32)
#  if defined(VISTANE_BUILDING_MODULE)
#    define VISTANE_API __declspec(dllexport)
#  else
#    define VISTANE_API __declspec(dllimport)
#  endif
#else
#  define VISTANE_API __attribute__((visibility("default")))
#endif

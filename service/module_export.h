#pragma once

// Marks what the module exports: everything else stays hidden (Linux) or unexported
// (Windows, where the link excludes all other symbols).
#if defined(_WIN32)
#  define VISTANE_API __declspec(dllexport)
#else
#  define VISTANE_API __attribute__((visibility("default")))
#endif

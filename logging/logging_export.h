#pragma once

#if defined(_WIN32)
#  if defined(VISTANE_LOGGING_BUILDING)
#    define LOGGING_API __declspec(dllexport)
#  else
#    define LOGGING_API __declspec(dllimport)
#  endif
#else
#  define LOGGING_API __attribute__((visibility("default")))
#endif

#pragma once

#include <cstdint>

#include "logging/logging_export.h"

namespace Qv::Vantix::Logging {

// Passed by value: the format, the context text the caller received, and a value the
// library carries without interpreting.
struct LoggingData {
    const wchar_t* format;
    const wchar_t* context;
    std::uint64_t value;
};

// Formats follow the Microsoft wide-printf rules on every platform: %s and %ls wide,
// %S narrow, %d and %ld 32-bit.
class LOGGING_API TraceLogger {
public:
    void LogInfo(const wchar_t* format, ...);
    void LogWarning(const wchar_t* format, ...);
    void LogError(const wchar_t* format, ...);

    void LogInfo(LoggingData data, ...);
    void LogWarning(LoggingData data, ...);

    // The text is logged as it stands; it is never read as a format.
    void LogError(const char* text, ...);
};

}  // namespace Qv::Vantix::Logging

#pragma once

#include <memory>

#include "logging/log_sinks.h"
#include "logging/trace_logger.h"

namespace Qv::Vantix::Logging {

class LOGGING_API LogManager {
public:
    // The process-wide logger; never freed by callers.
    static TraceLogger* GetLogger();
    // Selects a provider and returns the logger for it.
    static TraceLogger* SetProvider(const char* provider);

    // Where records go (stderr when nothing was set).
    static void SetSink(std::shared_ptr<LogSink> sink);
    static std::shared_ptr<LogSink> GetSink();
    static const char* ProviderName();

    // Makes the next GetLogger() calls throw, so callers' recovery can be exercised.
    static void SetGetLoggerFailure(bool fail);
};

}  // namespace Qv::Vantix::Logging

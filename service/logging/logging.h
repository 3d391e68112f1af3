#pragma once

// The module's view of the maker's logging library.
#include "logging/log_manager.h"
#include "logging/trace_logger.h"

namespace Qv::Vantix {
using Logging::LoggingData;
using Logging::LogManager;
using Logging::TraceLogger;
}  // namespace Qv::Vantix

#include "logging/trace_logger.h"

#include <cstdarg>

#include "logging/log_manager.h"
#include "logging/ms_format.h"
#include "logging/text_encoding.h"

namespace Qv::Vantix::Logging {

namespace {

// A log call never fails towards its caller.
void Emit(Level level, std::wstring text, const wchar_t* context) {
    try {
        if (auto sink = LogManager::GetSink()) {
            sink->Write(LogRecord{level, std::move(text), context ? context : L""});
        }
    } catch (...) {
    }
}

std::wstring FormatOrEmpty(const wchar_t* format, va_list args) {
    try {
        return FormatMicrosoftWideV(format, args);
    } catch (...) {
        return std::wstring();
    }
}

}  // namespace

#define VISTANE_LOG_WIDE(level, format)                 \
    va_list args;                                       \
    va_start(args, format);                             \
    std::wstring text = FormatOrEmpty(format, args);    \
    va_end(args);                                       \
    Emit(level, std::move(text), nullptr)

#define VISTANE_LOG_RECORD(level, data)                     \
    va_list args;                                           \
    va_start(args, data);                                   \
    std::wstring text = FormatOrEmpty(data.format, args);   \
    va_end(args);                                           \
    Emit(level, std::move(text), data.context)

void TraceLogger::LogInfo(const wchar_t* format, ...) { VISTANE_LOG_WIDE(Level::Info, format); }
void TraceLogger::LogWarning(const wchar_t* format, ...) { VISTANE_LOG_WIDE(Level::Warning, format); }
void TraceLogger::LogError(const wchar_t* format, ...) { VISTANE_LOG_WIDE(Level::Error, format); }
void TraceLogger::LogInfo(LoggingData data, ...) { VISTANE_LOG_RECORD(Level::Info, data); }
void TraceLogger::LogWarning(LoggingData data, ...) { VISTANE_LOG_RECORD(Level::Warning, data); }

void TraceLogger::LogError(const char* text, ...) {
    try {
        Emit(Level::Error, text ? WidenText(text) : std::wstring(), nullptr);
    } catch (...) {
    }
}

}  // namespace Qv::Vantix::Logging

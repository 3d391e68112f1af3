#pragma once

#include <cstdint>
#include <string>

#include "logging/logging_export.h"

namespace Qv::Vantix::Logging {

enum class Level { Info, Warning, Error };

struct LogRecord {
    Level level;
    std::wstring text;
    std::wstring context;

    bool operator==(const LogRecord& other) const {
        return level == other.level && text == other.text && context == other.context;
    }
};

LOGGING_API const wchar_t* LevelName(Level level);

}  // namespace Qv::Vantix::Logging

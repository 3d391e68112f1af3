#pragma once

#include <string>
#include <string_view>

#include "logging/logging_export.h"

namespace Qv::Vantix::Logging {

// Narrow texts (exception texts, type names, "yes"/"no") are UTF-8 or ASCII; invalid
// bytes are kept as single characters so nothing is lost.
LOGGING_API std::wstring WidenText(std::string_view narrow);
LOGGING_API std::string NarrowText(std::wstring_view wide);

}  // namespace Qv::Vantix::Logging

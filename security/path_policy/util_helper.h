#pragma once

#include <string>
#include <utility>
#include <vector>

namespace Qv::Vantix::Server::Services {

class UtilHelper {
public:
    // Logs a warning for each null value (every pair is visited) and answers whether
    // any was null. Each pair is a value and the name of the argument it came from.
    static bool NullChecker(std::vector<std::pair<const void*, const char*>> arguments, const wchar_t* context);

    // Environment variables expanded, then the full path; the empty text when any step
    // fails or does not fit in MAX_PATH. On a thread serving an RPC call the variables
    // take the calling process's user's values. `context` travels into the log records.
    static std::wstring GetFullExpandedPath(const wchar_t* filePath, const wchar_t* context);

    // The same, with the variables always taking the service's own values: for the texts
    // that anchor a decision (allowed folders, listed tools), which no caller may move by
    // defining windir or ProgramFiles in their own environment. The records are those
    // GetFullExpandedPath writes on the same thread.
    static std::wstring GetFullExpandedPathInServiceEnvironment(const wchar_t* filePath, const wchar_t* context);
};

}  // namespace Qv::Vantix::Server::Services

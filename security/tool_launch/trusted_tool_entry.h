#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace Qv::Vantix::Security {

// What a white-listed tool admits.
struct TrustedToolEntry {
    // Package family names allowed to start the tool; empty: any caller, unidentified.
    std::vector<std::wstring> allowedCallers;
    // Whether requests with the option flag set are admitted.
    bool allowsOption = false;
    // Judges the argument string; empty: arguments are not examined.
    std::function<bool(std::wstring)> argumentValidator;
};

// Tool path as written (with %variables%) to its entry, searched in key order.
using TrustedToolTable = std::map<std::wstring, TrustedToolEntry>;

}  // namespace Qv::Vantix::Security

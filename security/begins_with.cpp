#include "security/begins_with.h"

#include <cwctype>

namespace Qv::Vantix::Security {

bool BeginsWith(const std::wstring& text, const std::wstring& prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::towlower(text[i]) != std::towlower(prefix[i])) return false;
    }
    return true;
}

}  // namespace Qv::Vantix::Security

#pragma once

#include <string>

namespace Qv::Vantix::Security {

// Case-insensitive prefix test, each UTF-16 unit lowered with towlower. An empty prefix
// begins every text; a prefix longer than the text begins none.
bool BeginsWith(const std::wstring& text, const std::wstring& prefix);

}  // namespace Qv::Vantix::Security

#pragma once

#include <string>

namespace Qv::Vantix::Security {

// Prefix test that ignores the letter case of ASCII letters only (the same answer in
// every locale). An empty prefix begins every text; a prefix longer than the text
// begins none.
bool BeginsWith(const std::wstring& text, const std::wstring& prefix);

}  // namespace Qv::Vantix::Security

#pragma once

#include <string>
#include <vector>

namespace Qv::Vantix::Security {

// Items of a comma-separated list, as written (blanks kept). An empty text gives no
// item, a trailing comma no trailing item; adjacent or leading commas give an empty one.
std::vector<std::wstring> SplitCommaList(const std::wstring& text);

}  // namespace Qv::Vantix::Security

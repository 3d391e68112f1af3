#include "security/argument_rules/comma_list.h"

#include <sstream>

namespace Qv::Vantix::Security {

std::vector<std::wstring> SplitCommaList(const std::wstring& text) {
    std::vector<std::wstring> items;
    std::wistringstream stream(text);
    std::wstring item;
    while (std::getline(stream, item, L',')) items.push_back(item);
    return items;
}

}  // namespace Qv::Vantix::Security

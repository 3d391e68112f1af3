#include "security/tool_argument_validators.h"

#include <optional>
#include <sstream>
#include <vector>

#include "platform/scoped_local_memory.h"
#include "platform/win32.h"
#include "security/authenticode_facade.h"

namespace Qv::Vantix::Security {

namespace {

// The arguments after a dummy program name, split by CommandLineToArgvW; nothing when
// Windows cannot split them.
std::optional<std::vector<std::wstring>> SplitArguments(const std::wstring& arguments) {
    const std::wstring line = L"test.exe " + arguments;
    int count = 0;
    const Platform::ScopedLocalMemory<LPWSTR> elements(CommandLineToArgvW(line.c_str(), &count));
    if (!elements) return std::nullopt;
    std::vector<std::wstring> split;
    for (int i = 1; i < count; ++i) split.emplace_back(elements.get()[i]);
    return split;
}

bool IsLibraryTrusted(const std::wstring& path) {
    QvAuthenticodeFacade facade;
    return facade.IsFileTrustedExtended(path.c_str());
}

}  // namespace

bool ValidateRegsvr32Arguments(std::wstring arguments) {
    const auto elements = SplitArguments(arguments);
    if (!elements) return false;
    // regsvr32 registers every library it is given, so each one is checked.
    for (const std::wstring& element : *elements) {
        if (!element.empty() && element.front() == L'/') continue;
        if (!IsLibraryTrusted(element)) return false;
    }
    return true;
}

bool ValidateRundll32Arguments(std::wstring arguments) {
    const auto elements = SplitArguments(arguments);
    if (!elements) return false;
    if (elements->empty()) return true;
    std::wistringstream first(elements->front());
    std::wstring library;
    if (!std::getline(first, library, L',')) return true;  // an empty element names nothing
    return IsLibraryTrusted(library);
}

}  // namespace Qv::Vantix::Security

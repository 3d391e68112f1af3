#include <cstring>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

using namespace winsim::detail;

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The program name ends at the next quote when it starts with one, otherwise at the
// next blank; backslashes and doubled quotes mean nothing in it.
std::wstring_view::size_type TakeProgramName(std::wstring_view line, std::wstring& name) {
    std::wstring_view::size_type at = 0;
    if (!line.empty() && line[0] == L'"') {
        const auto close = line.find(L'"', 1);
        name.assign(line.substr(1, close == std::wstring_view::npos ? std::wstring_view::npos : close - 1));
        return close == std::wstring_view::npos ? line.size() : close + 1;
    }
    while (at < line.size() && !IsBlank(line[at])) ++at;
    name.assign(line.substr(0, at));
    return at < line.size() ? at + 1 : at;  // the blank that ends the name is consumed
}

// The arguments after the program name: blanks outside quotes separate them; 2n
// backslashes before a quote give n and the quote toggles quoting, 2n+1 give n and a
// literal quote; a third quote in a row gives a literal quote and leaves quoting.
void SplitArguments(std::wstring_view line, std::wstring_view::size_type at, std::vector<std::wstring>& elements) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at == line.size()) return;

    std::wstring current;
    unsigned quotes = 0;
    std::size_t backslashes = 0;
    while (at < line.size()) {
        const wchar_t c = line[at];
        if (IsBlank(c) && quotes == 0) {
            elements.push_back(std::move(current));
            current.clear();
            backslashes = 0;
            while (at < line.size() && IsBlank(line[at])) ++at;
            if (at == line.size()) return;
            continue;
        }
        if (c == L'\\') {
            current.push_back(c);
            ++backslashes;
            ++at;
            continue;
        }
        if (c == L'"') {
            if (backslashes % 2 == 0) {
                current.erase(current.size() - backslashes / 2);
                ++quotes;
            } else {
                current.erase(current.size() - backslashes / 2 - 1);
                current.push_back(L'"');
            }
            backslashes = 0;
            ++at;
            while (at < line.size() && line[at] == L'"') {
                if (++quotes == 3) {
                    current.push_back(L'"');
                    quotes = 0;
                }
                ++at;
            }
            if (quotes == 2) quotes = 0;
            continue;
        }
        current.push_back(c);
        backslashes = 0;
        ++at;
    }
    elements.push_back(std::move(current));
}

}  // namespace

LPWSTR* WINAPI CommandLineToArgvW(LPCWSTR lpCmdLine, int* pNumArgs) {
    if (Enter("CommandLineToArgvW", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
    // A missing line is refused rather than read.
    if (pNumArgs == nullptr || lpCmdLine == nullptr) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }

    std::vector<std::wstring> elements;
    const std::wstring_view line(lpCmdLine);
    if (line.empty()) {
        MachineLock lock(MachineMutex());
        elements.push_back(TheMachine().hostExecutablePath);
    } else {
        std::wstring program;
        const auto rest = TakeProgramName(line, program);
        elements.push_back(std::move(program));
        SplitArguments(line, rest, elements);
    }

    // One block: the pointer array (closed by a null pointer), then the strings.
    SIZE_T bytes = (elements.size() + 1) * sizeof(LPWSTR);
    for (const std::wstring& element : elements) bytes += (element.size() + 1) * sizeof(WCHAR);
    auto* block = static_cast<LPWSTR*>(AllocateLocal(bytes));
    if (block == nullptr) {
        SetThreadLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* text = reinterpret_cast<WCHAR*>(block + elements.size() + 1);
    for (std::size_t i = 0; i < elements.size(); ++i) {
        block[i] = text;
        std::memcpy(text, elements[i].c_str(), (elements[i].size() + 1) * sizeof(WCHAR));
        text += elements[i].size() + 1;
    }
    block[elements.size()] = nullptr;
    *pNumArgs = static_cast<int>(elements.size());
    return block;
}

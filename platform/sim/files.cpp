#include <algorithm>
#include <cwctype>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace winsim::detail {

namespace {

constexpr size_t kLongestPath = 32767;

bool IsSeparator(wchar_t unit) { return unit == L'\\' || unit == L'/'; }

bool SameDrive(std::wstring_view a, std::wstring_view b) {
    return a.size() >= 2 && b.size() >= 2 && a[1] == L':' && b[1] == L':' &&
           std::towlower(static_cast<wint_t>(a[0])) == std::towlower(static_cast<wint_t>(b[0]));
}

// Splits a full path into its root ("C:" or "\\server\share") and the rest.
std::pair<std::wstring, std::wstring> SplitRoot(std::wstring_view path) {
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        size_t server = path.find(L'\\', 2);
        if (server == std::wstring_view::npos) return {std::wstring(path), L""};
        size_t share = path.find(L'\\', server + 1);
        if (share == std::wstring_view::npos) return {std::wstring(path), L""};
        return {std::wstring(path.substr(0, share)), std::wstring(path.substr(share + 1))};
    }
    if (path.size() >= 2 && path[1] == L':') return {std::wstring(path.substr(0, 2)), std::wstring(path.substr(std::min<size_t>(3, path.size())))};
    return {L"", std::wstring(path)};
}

}  // namespace

std::wstring FullPathOf(std::wstring_view input) { return FullPathFrom(input, TheMachine().currentDirectory); }

std::wstring FullPathFrom(std::wstring_view input, std::wstring_view current) {
    std::wstring path(input);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (path.empty()) return L"";

    std::wstring root;
    std::wstring rest;
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        std::tie(root, rest) = SplitRoot(path);
    } else if (path.size() >= 2 && path[1] == L':') {
        root = path.substr(0, 2);
        if (path.size() >= 3 && path[2] == L'\\') {
            rest = path.substr(3);
        } else if (SameDrive(path, current)) {
            rest = SplitRoot(current).second + L"\\" + path.substr(2);
        } else {
            rest = path.substr(2);
        }
    } else if (path[0] == L'\\') {
        root = SplitRoot(current).first;
        rest = path.substr(1);
    } else {
        auto [currentRoot, currentRest] = SplitRoot(current);
        root = currentRoot;
        rest = currentRest + L"\\" + path;
    }

    std::vector<std::wstring> parts;
    size_t at = 0;
    while (at <= rest.size()) {
        size_t next = rest.find(L'\\', at);
        if (next == std::wstring::npos) next = rest.size();
        std::wstring part = rest.substr(at, next - at);
        if (part == L"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != L".") {
            // A name ending in one period loses it ("b.\" is "b\"); "..." is a name.
            if (part.size() >= 2 && part.back() == L'.' && part[part.size() - 2] != L'.') part.pop_back();
            parts.push_back(part);
        }
        at = next + 1;
    }
    const bool trailing = IsSeparator(input.back());
    if (!trailing && !parts.empty()) {
        // Windows drops trailing dots and blanks from the last name.
        std::wstring& last = parts.back();
        while (!last.empty() && (last.back() == L'.' || last.back() == L' ')) last.pop_back();
        if (last.empty()) parts.pop_back();
    }
    std::wstring full = root + L"\\";
    for (size_t i = 0; i < parts.size(); ++i) full += (i ? L"\\" : L"") + parts[i];
    if (trailing && !parts.empty()) full += L"\\";
    return full;
}

}  // namespace winsim::detail

using namespace winsim::detail;

DWORD WINAPI GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart) {
    if (Enter("GetFullPathNameW", ERROR_INVALID_NAME)) return 0;
    if (fileName == nullptr) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring current;
    {
        MachineLock lock(MachineMutex());
        current = TheMachine().currentDirectory;
    }
    const std::wstring full = FullPathFrom(fileName, current);
    if (full.empty()) {
        SetThreadLastError(ERROR_INVALID_NAME);
        return 0;
    }
    if (full.size() >= kLongestPath) {
        SetThreadLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    if (buffer == nullptr || bufferLength < full.size() + 1) return static_cast<DWORD>(full.size() + 1);
    CopyOut(full, buffer, bufferLength);
    if (filePart) {
        const size_t slash = full.rfind(L'\\');
        *filePart = (slash + 1 < full.size()) ? buffer + slash + 1 : nullptr;
    }
    return static_cast<DWORD>(full.size());
}

HANDLE WINAPI CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES /*securityAttributes*/, DWORD creationDisposition,
                          DWORD /*flagsAndAttributes*/, HANDLE /*templateFile*/) {
    if (Enter("CreateFileW", ERROR_FILE_NOT_FOUND)) return INVALID_HANDLE_VALUE;
    if (fileName == nullptr || *fileName == L'\0') {
        SetThreadLastError(fileName ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    MachineLock lock(MachineMutex());
    SimFile* file = FindFile(fileName);
    const bool existed = file != nullptr;
    if (existed && creationDisposition == CREATE_NEW) {
        SetThreadLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
    }
    if (file == nullptr && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS ||
                            creationDisposition == CREATE_NEW)) {
        winsim::AddFile(fileName);
        file = FindFile(fileName);
    }
    if (file == nullptr) {
        SetThreadLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (file->folder) {
        SetThreadLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    const std::wstring key = FoldCase(file->path);
    if (const DWORD error = CheckFileSharing(key, desiredAccess, shareMode)) {
        SetThreadLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    if (existed && (creationDisposition == CREATE_ALWAYS || creationDisposition == TRUNCATE_EXISTING))
        *file = SimFile{file->path, std::make_shared<const std::string>(), false, winsim::VersionResource::None, {}};
    auto object = std::make_shared<FileObject>();
    object->kind = "file";
    object->key = key;
    object->access = desiredAccess;
    object->share = shareMode;
    const bool reopened = existed && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS);
    SetThreadLastError(reopened ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return AddHandle(object);
}

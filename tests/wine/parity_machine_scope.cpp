#include "tests/wine/parity_machine_scope.h"

#include <windows.h>

#include "tests/parity/parity_machine.h"

namespace {

std::optional<std::wstring> VariableValue(const wchar_t* name) {
    const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::wstring();
    }
    std::wstring value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), needed);
    value.resize(length);
    return value;
}

std::wstring CurrentFolder() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(needed, L'\0');
    folder.resize(GetCurrentDirectoryW(needed, folder.data()));
    return folder;
}

}  // namespace

ParityMachineScope::ParityMachineScope() : savedFolder_(CurrentFolder()) {
    for (const parity::Variable& variable : parity::kVariables) {
        savedVariables_.emplace_back(variable.name, VariableValue(variable.name));
        SetEnvironmentVariableW(variable.name, variable.value);
    }
    madeParent_ = CreateDirectoryW(parity::kCurrentFolderParent, nullptr) != FALSE;
    madeFolder_ = CreateDirectoryW(parity::kCurrentFolder, nullptr) != FALSE;
    SetCurrentDirectoryW(parity::kCurrentFolder);
}

ParityMachineScope::~ParityMachineScope() {
    SetCurrentDirectoryW(savedFolder_.c_str());
    if (madeFolder_) RemoveDirectoryW(parity::kCurrentFolder);
    if (madeParent_) RemoveDirectoryW(parity::kCurrentFolderParent);
    for (const auto& [name, value] : savedVariables_) SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
}

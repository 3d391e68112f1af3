#include <map>

#include "platform/sim/sim_machine.h"

using namespace winsim::detail;

namespace {

struct ApiSetMachine {
    BYTE major = 10;
    BYTE minor = 0;
    WORD build = 19045;
    std::map<std::wstring, winsim::ApiSetState> contracts{
        {L"ext-ms-win-session-wtsapi32-l1-1-0", winsim::ApiSetState::Present}};
};

ApiSetMachine& ApiSets() {
    static auto* state = new ApiSetMachine();
    return *state;
}

const ResetHookRegistrar resetApiSets([] { ApiSets() = ApiSetMachine(); });

// Contract names are matched without case and without a ".dll" suffix.
std::wstring ContractKey(std::wstring_view name) {
    std::wstring key = FoldCase(name);
    if (key.size() > 4 && key.ends_with(L".dll")) key.resize(key.size() - 4);
    return key;
}

NTSTATUS QueryPresence(PCUNICODE_STRING contract, BOOLEAN* inSchema, BOOLEAN* present) {
    if (contract == nullptr || present == nullptr || (contract->Length > 0 && contract->Buffer == nullptr) ||
        contract->Length % sizeof(WCHAR) != 0)
        return STATUS_INVALID_PARAMETER;
    MachineLock lock(MachineMutex());
    // The entries exist from Windows 10 on.
    if (ApiSets().major < 10) return STATUS_NOT_IMPLEMENTED;
    const std::wstring name(contract->Buffer, contract->Length / sizeof(WCHAR));
    auto found = ApiSets().contracts.find(ContractKey(name));
    const auto state = found == ApiSets().contracts.end() ? winsim::ApiSetState::NotInSchema : found->second;
    if (inSchema) *inSchema = state != winsim::ApiSetState::NotInSchema;
    *present = state == winsim::ApiSetState::Present;
    return STATUS_SUCCESS;
}

}  // namespace

DWORD WINAPI GetVersion(void) {
    Enter("GetVersion", 0, FaultScope::ExplicitOnly);
    MachineLock lock(MachineMutex());
    const ApiSetMachine& machine = ApiSets();
    return static_cast<DWORD>(machine.major) | (static_cast<DWORD>(machine.minor) << 8) |
           (static_cast<DWORD>(machine.build) << 16);
}

NTSTATUS NTAPI ApiSetQueryApiSetPresence(PCUNICODE_STRING contract, BOOLEAN* present) {
    if (Enter("ApiSetQueryApiSetPresence", ERROR_INVALID_PARAMETER)) return STATUS_INVALID_PARAMETER;
    return QueryPresence(contract, nullptr, present);
}

NTSTATUS NTAPI ApiSetQueryApiSetPresenceEx(PCUNICODE_STRING contract, BOOLEAN* inSchema, BOOLEAN* present) {
    if (Enter("ApiSetQueryApiSetPresenceEx", ERROR_INVALID_PARAMETER)) return STATUS_INVALID_PARAMETER;
    if (inSchema == nullptr) return STATUS_INVALID_PARAMETER;
    return QueryPresence(contract, inSchema, present);
}

namespace winsim {

void SetWindowsVersion(BYTE major, BYTE minor, WORD build) {
    MachineLock lock(MachineMutex());
    ApiSets().major = major;
    ApiSets().minor = minor;
    ApiSets().build = build;
}

void SetApiSet(const std::wstring& contract, ApiSetState state) {
    MachineLock lock(MachineMutex());
    ApiSets().contracts[ContractKey(contract)] = state;
}

}  // namespace winsim

#include "server/api_set_presence.h"

#include <string>

#include "platform/win32.h"

namespace Qv::Vantix::Server::Services {

namespace {

using PresenceQuery = NTSTATUS(NTAPI*)(PCUNICODE_STRING contract, BOOLEAN* present);
using PresenceQueryEx = NTSTATUS(NTAPI*)(PCUNICODE_STRING contract, BOOLEAN* inSchema, BOOLEAN* present);

struct PresenceEntries {
    PresenceQueryEx extended = nullptr;
    PresenceQuery plain = nullptr;
};

PresenceEntries ResolvePresenceEntries() {
#if defined(_WIN32)
    PresenceEntries entries;
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
        entries.extended = reinterpret_cast<PresenceQueryEx>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "ApiSetQueryApiSetPresenceEx")));
        entries.plain = reinterpret_cast<PresenceQuery>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "ApiSetQueryApiSetPresence")));
    }
    return entries;
#else
    // The simulated Windows serves ntdll's entries directly.
    return {&ApiSetQueryApiSetPresenceEx, &ApiSetQueryApiSetPresence};
#endif
}

// Looked up once, while the module loads.
const PresenceEntries presenceEntries = ResolvePresenceEntries();

constexpr BYTE kFirstVersionWithSchemaQuery = 10;

}  // namespace

bool IsApiSetPresent(const wchar_t* contract) {
    if (LOBYTE(GetVersion()) < kFirstVersionWithSchemaQuery) return true;
    if (presenceEntries.extended == nullptr && presenceEntries.plain == nullptr) return false;

    std::wstring name(contract);
    const size_t bytes = name.size() * sizeof(WCHAR);
    if (bytes + sizeof(WCHAR) > 0xFFFF) return false;  // a counted string holds at most 64 KB
    UNICODE_STRING counted;
    counted.Length = static_cast<USHORT>(bytes);
    counted.MaximumLength = static_cast<USHORT>(bytes + sizeof(WCHAR));
    counted.Buffer = name.data();

    BOOLEAN present = FALSE;
    NTSTATUS status;
    if (presenceEntries.extended != nullptr) {
        BOOLEAN inSchema = FALSE;
        status = presenceEntries.extended(&counted, &inSchema, &present);
    } else {
        status = presenceEntries.plain(&counted, &present);
    }
    return NT_SUCCESS(status) && present != FALSE;
}

}  // namespace Qv::Vantix::Server::Services

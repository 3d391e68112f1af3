#if !defined(_WIN32)
#include "tools/PluginHost/default_machine.h"

#include <cstdio>

#include "platform/sim/winsim.h"

namespace {

const wchar_t* const kCompanionPath = L"C:\\Program Files\\Orlent Works\\QV Vistane Service\\VistaneService.exe";

bool ParseVersion(const std::string& text, winsim::FileVersion& version) {
    unsigned parts[4] = {0, 0, 0, 0};
    int read = std::sscanf(text.c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]);
    if (read < 3) return false;
    for (unsigned part : parts)
        if (part > 0xFFFF) return false;
    version = {static_cast<WORD>(parts[0]), static_cast<WORD>(parts[1]), static_cast<WORD>(parts[2]),
               static_cast<WORD>(parts[3])};
    return true;
}

}  // namespace

std::string BuildDefaultMachine(const HostOptions& options) {
    winsim::Reset();
    winsim::SetHostExecutablePath(L"C:\\Program Files\\Orlent Works\\Host\\PluginHost.exe");
    if (options.companionVersion != "missing") {
        winsim::FileVersion version;
        if (!ParseVersion(options.companionVersion, version)) return "--companion-version takes A.B.C[.D] or missing";
        winsim::AddFile(kCompanionPath, "companion", version);
    }
    return "";
}
#endif

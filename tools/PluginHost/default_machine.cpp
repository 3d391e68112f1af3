#if !defined(_WIN32)
#include "tools/PluginHost/default_machine.h"

#include <cstdio>

#include "logging/text_encoding.h"
#include "platform/sim/winsim.h"

namespace {

using Qv::Vantix::Logging::NarrowText;
using Qv::Vantix::Logging::WidenText;

const wchar_t* const kCompanionPath = L"C:\\Program Files\\Orlent Works\\QV Vistane Service\\VistaneService.exe";
constexpr winsim::FileVersion kInstalledBySetup{5, 2, 60, 0};

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

// Places the setup program as asked; false for an unknown kind. The signing
// certificates chain to the test root, which the machine trusts.
bool PlaceSetupProgram(const std::wstring& path, const std::string& kind) {
    if (kind == "missing") return true;
    const char* signer = kind == "pinned" ? "pinned-2048-a" : kind == "unpinned" ? "unpinned-2048" : nullptr;
    if (signer == nullptr && kind != "unsigned") return false;
    winsim::AddFile(path, "MZ QVVSSetup");
    if (signer != nullptr) {
        winsim::TrustRoot(winsim::LoadCertificate("test-root"));
        winsim::SignFile(path, winsim::SignatureSpec{winsim::LoadCertificate(signer)});
    }
    winsim::SetProgramBehaviour(path, {[](const winsim::StartedProcess&) {
                                           winsim::AddFile(kCompanionPath, "MZ companion", kInstalledBySetup);
                                       },
                                       false, 0});
    return true;
}

}  // namespace

std::string BuildDefaultMachine(const HostOptions& options) {
    winsim::SetFixturesDirectory(VISTANE_FIXTURES_DIR);
    winsim::Reset();
    std::wstring hostFolder = WidenText(options.hostFolder);
    while (!hostFolder.empty() && (hostFolder.back() == L'\\' || hostFolder.back() == L'/')) hostFolder.pop_back();
    if (hostFolder.empty()) return "--host-folder takes a folder such as C:\\Tools";
    winsim::SetHostExecutablePath(hostFolder + L"\\PluginHost.exe");
    if (options.companionVersion != "missing") {
        winsim::FileVersion version;
        if (!ParseVersion(options.companionVersion, version)) return "--companion-version takes A.B.C[.D] or missing";
        winsim::AddFile(kCompanionPath, "MZ companion", version);
    }
    if (!PlaceSetupProgram(hostFolder + L"\\QVVSSetup.exe", options.setup))
        return "--setup takes pinned, unpinned, unsigned or missing";
    return "";
}

std::string DescribeNewlyStartedPrograms(std::size_t& alreadyDescribed) {
    const auto started = winsim::StartedProcesses();
    std::string description;
    for (; alreadyDescribed < started.size(); ++alreadyDescribed) {
        const winsim::StartedProcess& process = started[alreadyDescribed];
        description += "PluginHost: started " + NarrowText(process.program) + " as " + NarrowText(process.user) +
                       " with the command line " + NarrowText(process.commandLine) + "\n";
    }
    return description.empty() ? "PluginHost: nothing was started\n" : description;
}
#endif

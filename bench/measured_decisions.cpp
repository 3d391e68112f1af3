// Runs one kind of decision a given number of times inside one function, so that
// callgrind can count the instructions of exactly those decisions
// (--toggle-collect=vistane_measured_decisions). One decision runs before, unmeasured,
// to leave one-time set-up (certificate parsing, static tables) out of the count.
//
//   measured_decisions KIND COUNT      (KIND: see usage)
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "platform/sim/winsim.h"
#include "security/access_policy/exemption_white_list.h"
#include "security/access_policy/no_manifest_check_criteria.h"
#include "security/access_policy/vantix_access_manager.h"
#include "security/file_trust/authenticode_facade.h"
#include "server/uwp_information.h"
#include "server/win32_information.h"

namespace {

namespace security = Qv::Vantix::Security;

struct Decision {
    std::function<bool()> decide;
    bool expected;
};

Decision FileTrustDecision() {
    vistane_bench::ResetQuietMachine();
    vistane_bench::AddDecisionFile(vistane_bench::kTrustedSetup, "pinned-2048-a");
    return {[] { return security::QvAuthenticodeFacade().IsFileTrusted(vistane_bench::kTrustedSetup); }, true};
}

// Asked on this thread as an RPC thread serving the support application, which stays
// the served call until the program ends.
Decision ToolLaunchDecision(const wchar_t* tool, const wchar_t* arguments) {
    vistane_bench::ResetQuietMachine();
    vistane_bench::AddSignedFile(L"C:\\Windows\\System32\\sfc.exe", "unpinned-2048");
    vistane_bench::AddSignedFile(L"C:\\Windows\\System32\\regsvr32.exe", "unpinned-2048");
    vistane_bench::AddSignedFile(L"C:\\Windows\\System32\\orlent.dll", "pinned-extended-only");
    winsim::BeginRpcCall(winsim::AddProcess(
        {L"user1", L"C:\\Program Files\\WindowsApps\\hub\\hub.exe", L"C7E4A920.QVCompanionHub_k4m2x9pq7wd3t"}));
    return {[tool, arguments] {
                return security::QvAuthenticodeFacade().IsTrustedToolLaunch(tool, false, arguments, L"");
            },
            true};
}

Decision UwpExemptionDecision() {
    auto client = std::make_shared<Qv::Vantix::Server::Uwp::UwpInformation>(
        L"C7E4A920.QVVeilscreen", L"C7E4A920.QVVeilscreen_k4m2x9pq7wd3t", 2, 0);
    auto manager = std::make_shared<security::VantixAccessManager>();
    manager->SetUwpChecker(std::make_shared<security::UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion>(
        security::UwpWithNoQVManifestExemptionWhiteList().GetExemption(), client));
    return {[manager] { return manager->IsUwpExempt(); }, true};
}

Decision Win32ExemptionDecision() {
    auto client = std::make_shared<Qv::Vantix::Server::Win32::Win32Information>(L"KeyEventServiceDSU", 8, 9);
    auto manager = std::make_shared<security::VantixAccessManager>();
    manager->SetWin32Checker(std::make_shared<security::Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion>(
        security::Win32WithNoQVManifestExemptionWhiteList().GetExemption(), client));
    return {[manager] { return manager->IsWin32Exempt(); }, true};
}

}  // namespace

// The only function callgrind collects in.
extern "C" __attribute__((noinline)) int vistane_measured_decisions(const std::function<bool()>* decide,
                                                                     long count) {
    int granted = 0;
    for (long index = 0; index < count; ++index) granted += (*decide)() ? 1 : 0;
    return granted;
}

int main(int argc, char** argv) {
    const std::map<std::string, std::function<Decision()>> kinds = {
        {"is-file-trusted", FileTrustDecision},
        {"exemption-uwp", UwpExemptionDecision},
        {"exemption-win32", Win32ExemptionDecision},
        {"tool-launch", [] { return ToolLaunchDecision(L"C:\\Windows\\System32\\sfc.exe", L"/scannow"); }},
        {"tool-launch-library",
         [] {
             return ToolLaunchDecision(L"C:\\Windows\\System32\\regsvr32.exe", L"/s C:\\Windows\\System32\\orlent.dll");
         }},
    };
    const auto kind = argc == 3 ? kinds.find(argv[1]) : kinds.end();
    const long count = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 0;
    if (kind == kinds.end() || count <= 0) {
        std::fprintf(stderr, "usage: %s KIND COUNT\nkinds:", argv[0]);
        for (const auto& [name, make] : kinds) std::fprintf(stderr, " %s", name.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    const Decision decision = kind->second();
    if (decision.decide() != decision.expected) {
        std::fprintf(stderr, "%s: the warm-up decision gave the wrong answer\n", argv[1]);
        return 1;
    }
    const int granted = vistane_measured_decisions(&decision.decide, count);
    vistane_bench::ForgetCalls();
    Qv::Vantix::Logging::LogManager::SetSink(nullptr);
    const long wanted = decision.expected ? count : 0;
    std::printf("%s: %d of %ld granted\n", argv[1], granted, count);
    return granted == wanted ? 0 : 1;
}

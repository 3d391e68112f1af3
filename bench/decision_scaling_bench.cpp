#include <benchmark/benchmark.h>

#include <memory>

#include "bench/bench_support.h"
#include "platform/sim/winsim.h"
#include "security/access_policy/exemption_white_list.h"
#include "security/access_policy/no_manifest_check_criteria.h"
#include "security/access_policy/vantix_access_manager.h"
#include "security/file_trust/authenticode_facade.h"
#include "server/win32_information.h"

namespace {

using Qv::Vantix::Security::QvAuthenticodeFacade;

// One machine for all threads of a run, built before they start.
void BuildMachine(const benchmark::State&) {
    vistane_bench::ResetQuietMachine();
    vistane_bench::AddDecisionFile(vistane_bench::kTrustedSetup, "pinned-2048-a");
}

void ForgetMachine(const benchmark::State&) {
    vistane_bench::ForgetCalls();
    Qv::Vantix::Logging::LogManager::SetSink(nullptr);
}

// Whole IsFileTrusted decisions from one and from two threads, each thread with its own
// facade as callers make them. Wall-clock throughput (items per second) is the figure:
// the simulated machine holds its lock only over its own records, so what two threads
// gain is the module's concurrency and the hashing and signature checks of the platform.
void TrustedDecisionThroughput(benchmark::State& state) {
    QvAuthenticodeFacade facade;
    for (auto _ : state) {
        if (!facade.IsFileTrusted(vistane_bench::kTrustedSetup)) {
            state.SkipWithError("the pinned setup program was refused");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(TrustedDecisionThroughput)
    ->Setup(BuildMachine)
    ->Teardown(ForgetMachine)
    ->Threads(1)
    ->Threads(2)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// The support application's process, whose RPC call every thread serves.
DWORD supportApplication = 0;

void BuildToolMachine(const benchmark::State&) {
    vistane_bench::ResetQuietMachine();
    vistane_bench::AddSignedFile(L"C:\\Windows\\System32\\sfc.exe", "unpinned-2048");
    supportApplication = winsim::AddProcess(
        {L"user1", L"C:\\Program Files\\WindowsApps\\hub\\hub.exe", L"C7E4A920.QVCompanionHub_k4m2x9pq7wd3t"});
}

// Granted tool-launch checks, each thread an RPC thread serving the support application
// as the host's RPC threads do: caller identified, tool listed, tool file verified.
void ToolLaunchThroughput(benchmark::State& state) {
    winsim::RpcCallScope call(supportApplication);
    QvAuthenticodeFacade facade;
    for (auto _ : state) {
        if (!facade.IsTrustedToolLaunch(L"C:\\Windows\\System32\\sfc.exe", false, L"/scannow", L"")) {
            state.SkipWithError("the support application's sfc check was refused");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ToolLaunchThroughput)
    ->Setup(BuildToolMachine)
    ->Teardown(ForgetMachine)
    ->Threads(1)
    ->Threads(2)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

namespace security = Qv::Vantix::Security;

// The same measure for a question that never reaches the platform: each thread asks
// its own manager about its own client, as the criterion's rewrite of the record asks.
void ExemptionCheckThroughput(benchmark::State& state) {
    auto client = std::make_shared<Qv::Vantix::Server::Win32::Win32Information>(L"KeyEventServiceDSU", 8, 9);
    security::VantixAccessManager manager;
    manager.SetWin32Checker(std::make_shared<security::Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion>(
        security::Win32WithNoQVManifestExemptionWhiteList().GetExemption(), client));
    for (auto _ : state) {
        if (!manager.IsWin32Exempt()) {
            state.SkipWithError("the listed client was not exempt");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ExemptionCheckThroughput)->Threads(1)->Threads(2)->UseRealTime();

}  // namespace

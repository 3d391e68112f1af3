#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "platform/sim/winsim.h"
#include "security/file_trust/authenticode_facade.h"

namespace {

using Qv::Vantix::Security::QvAuthenticodeFacade;

const wchar_t* const kSupportFamily = L"C7E4A920.QVCompanionHub_k4m2x9pq7wd3t";

// A tool-launch check as an RPC thread makes it: the caller identified through the call
// it serves, the tool found in the white list, the tool file verified and the arguments
// validated. The tools and the library are 64 KiB files, as in the file-trust figures.
void ToolLaunchCheck(benchmark::State& state, const wchar_t* family, const wchar_t* tool, const wchar_t* arguments,
                     bool expected) {
    vistane_bench::ResetQuietMachine();
    vistane_bench::AddSignedFile(L"C:\\Windows\\System32\\sfc.exe", "unpinned-2048");
    vistane_bench::AddSignedFile(L"C:\\Windows\\System32\\regsvr32.exe", "unpinned-2048");
    vistane_bench::AddSignedFile(L"C:\\Windows\\System32\\orlent.dll", "pinned-extended-only");
    winsim::RpcCallScope call(
        winsim::AddProcess({L"user1", L"C:\\Program Files\\WindowsApps\\hub\\hub.exe", family}));
    bool granted = false;
    for (auto _ : state)
        benchmark::DoNotOptimize(granted = QvAuthenticodeFacade().IsTrustedToolLaunch(tool, false, arguments, L""));
    if (granted != expected) state.SkipWithError("unexpected answer");
    state.counters["granted"] = granted ? 1 : 0;
    vistane_bench::ForgetCalls();
    Qv::Vantix::Logging::LogManager::SetSink(nullptr);
}
BENCHMARK_CAPTURE(ToolLaunchCheck, sfc_granted, kSupportFamily, L"C:\\Windows\\System32\\sfc.exe", L"/scannow", true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ToolLaunchCheck, regsvr32_with_library_granted, kSupportFamily,
                  L"C:\\Windows\\System32\\regsvr32.exe", L"/s C:\\Windows\\System32\\orlent.dll", true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ToolLaunchCheck, stranger_refused, L"Other.App_abc123", L"C:\\Windows\\System32\\sfc.exe",
                  L"/scannow", false)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ToolLaunchCheck, unlisted_tool_refused, kSupportFamily, L"C:\\Windows\\System32\\cmd.exe", L"",
                  false)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "security/authenticode_facade.h"

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
// the simulated machine serialises every platform call behind one lock, so two threads
// scale only by the share of work done outside it.
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

}  // namespace

#include <benchmark/benchmark.h>

#include <memory>

#include "security/access_policy/exemption_white_list.h"
#include "security/access_policy/no_manifest_check_criteria.h"
#include "security/access_policy/vantix_access_manager.h"
#include "server/uwp_information.h"
#include "server/win32_information.h"

namespace {

namespace security = Qv::Vantix::Security;
using Qv::Vantix::Server::Uwp::UwpInformation;
using Qv::Vantix::Server::Win32::Win32Information;

void UwpGetExemption(benchmark::State& state) {
    security::UwpWithNoQVManifestExemptionWhiteList list;
    for (auto _ : state) benchmark::DoNotOptimize(list.GetExemption());
}
BENCHMARK(UwpGetExemption);

void Win32GetExemption(benchmark::State& state) {
    security::Win32WithNoQVManifestExemptionWhiteList list;
    for (auto _ : state) benchmark::DoNotOptimize(list.GetExemption());
}
BENCHMARK(Win32GetExemption);

// The question as host modules ask it: rows and client already in the manager's checker.
void UwpExemptionCheck(benchmark::State& state, std::uint16_t major, std::uint16_t minor) {
    auto client = std::make_shared<UwpInformation>(L"C7E4A920.QVVeilscreen", L"C7E4A920.QVVeilscreen_k4m2x9pq7wd3t",
                                                   major, minor);
    security::VantixAccessManager manager;
    manager.SetUwpChecker(std::make_shared<security::UwpWithNoQvManifestCheckBasedOnMajorAndMinorVersion>(
        security::UwpWithNoQVManifestExemptionWhiteList().GetExemption(), client));
    bool exempt = false;
    for (auto _ : state) benchmark::DoNotOptimize(exempt = manager.IsUwpExempt());
    state.counters["exempt"] = exempt ? 1 : 0;
}
BENCHMARK_CAPTURE(UwpExemptionCheck, exempt_2_0, 2, 0);
BENCHMARK_CAPTURE(UwpExemptionCheck, too_new_2_1, 2, 1);

// The desktop check lowers the client's name in place on every call: the first call
// changes it, the rest find it lower case already, as repeated questions do.
void Win32ExemptionCheck(benchmark::State& state, const wchar_t* name, std::uint16_t major, std::uint16_t minor) {
    auto client = std::make_shared<Win32Information>(name, major, minor);
    security::VantixAccessManager manager;
    manager.SetWin32Checker(std::make_shared<security::Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion>(
        security::Win32WithNoQVManifestExemptionWhiteList().GetExemption(), client));
    bool exempt = false;
    for (auto _ : state) benchmark::DoNotOptimize(exempt = manager.IsWin32Exempt());
    state.counters["exempt"] = exempt ? 1 : 0;
}
BENCHMARK_CAPTURE(Win32ExemptionCheck, last_row_exempt, L"KeyEventServiceDSU", 8, 9);
BENCHMARK_CAPTURE(Win32ExemptionCheck, unlisted, L"SomethingElse", 1, 0);

// The whole question from scratch: copy the rows, build the criterion, ask.
void Win32ExemptionFromScratch(benchmark::State& state) {
    for (auto _ : state) {
        auto client = std::make_shared<Win32Information>(L"KeyEventServiceUWP", 8, 9);
        security::VantixAccessManager manager;
        manager.SetWin32Checker(std::make_shared<security::Win32WithNoQvManifestCheckBasedOnMajorAndMinorVersion>(
            security::Win32WithNoQVManifestExemptionWhiteList().GetExemption(), client));
        benchmark::DoNotOptimize(manager.IsWin32Exempt());
    }
}
BENCHMARK(Win32ExemptionFromScratch);

}  // namespace

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "security/file_trust/authenticode_facade.h"
#include "security/file_trust/pinned_publishers.h"
#include "security/file_trust/publisher_rules.h"

namespace {

using namespace Qv::Vantix::Security;

SignerInformation Signer(std::string key, std::int32_t status = 0) {
    SignerInformation signer;
    signer.publicKey = std::move(key);
    signer.status = status;
    signer.commonName = L"Orlent Works Test Signer";
    return signer;
}

// A key text of the pinned length that differs from every entry in its last digit.
std::string UnpinnedKeyOfSameLength() {
    std::string key = TrustedPublicKeysExtended.front();
    key[key.size() - 20] = key[key.size() - 20] == '0' ? '1' : '0';
    return key;
}

void PinnedKeyRuleNoMatch(benchmark::State& state) {
    const std::vector<SignerInformation> signers{Signer(UnpinnedKeyOfSameLength()), Signer(UnpinnedKeyOfSameLength())};
    for (auto _ : state) benchmark::DoNotOptimize(IsTrustedByMeridel(signers, &TrustedPublicKeysExtended));
}
BENCHMARK(PinnedKeyRuleNoMatch);

void PinnedKeyRuleLastEntry(benchmark::State& state) {
    const std::vector<SignerInformation> signers{Signer(TrustedPublicKeysExtended.back())};
    for (auto _ : state) benchmark::DoNotOptimize(IsTrustedByMeridel(signers, &TrustedPublicKeysExtended));
}
BENCHMARK(PinnedKeyRuleLastEntry);

void WindowsRule(benchmark::State& state) {
    const std::vector<SignerInformation> signers{Signer("k", static_cast<std::int32_t>(0x800B0109)), Signer("k", 0)};
    for (auto _ : state) benchmark::DoNotOptimize(IsTrustedByWindows(signers));
}
BENCHMARK(WindowsRule);

void IdentityRule(benchmark::State& state) {
    const std::vector<SignerInformation> signers{Signer("k"), Signer("k")};
    for (auto _ : state) benchmark::DoNotOptimize(IsSignedByIdentity(signers, DropboxSignerIdentities));
}
BENCHMARK(IdentityRule);

void SameKeyRuleNoMatch(benchmark::State& state) {
    const std::vector<SignerInformation> first{Signer(TrustedPublicKeys[0]), Signer(TrustedPublicKeys[1])};
    const std::vector<SignerInformation> second{Signer(TrustedPublicKeys[2]), Signer(TrustedPublicKeys[3])};
    for (auto _ : state) benchmark::DoNotOptimize(AreSignedWithSameKey(first, second));
}
BENCHMARK(SameKeyRuleNoMatch);

// A whole IsFileTrusted decision on the simulated machine: catalog pass, embedded pass
// (primary and nested signature), rules and path policy.
void WholeDecision(benchmark::State& state, const char* certificate, const wchar_t* path) {
    vistane_bench::ResetQuietMachine();
    vistane_bench::AddDecisionFile(path, certificate);
    QvAuthenticodeFacade facade;
    bool verdict = false;
    for (auto _ : state) benchmark::DoNotOptimize(verdict = facade.IsFileTrusted(path));
    state.counters["trusted"] = verdict ? 1 : 0;
    vistane_bench::ForgetCalls();
    Qv::Vantix::Logging::LogManager::SetSink(nullptr);
}
BENCHMARK_CAPTURE(WholeDecision, pinned_in_program_files, "pinned-2048-a", vistane_bench::kTrustedSetup);
BENCHMARK_CAPTURE(WholeDecision, pinned_outside_allowed_folders, "pinned-2048-a", L"D:\\Data\\QVVSSetup.exe");

}  // namespace

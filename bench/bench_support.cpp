#include "bench/bench_support.h"

#include <memory>

#include "platform/sim/winsim.h"

namespace vistane_bench {

void ResetQuietMachine() {
    winsim::SetFixturesDirectory(VISTANE_FIXTURES_DIR);
    winsim::Reset();
    Qv::Vantix::Logging::LogManager::SetSink(std::make_shared<DiscardingSink>());
    winsim::TrustRoot(winsim::LoadCertificate("test-root"));
}

void AddDecisionFile(const wchar_t* path, const char* certificate) {
    winsim::AddFile(path, std::string(64 * 1024, 'x'));
    winsim::SignFile(path, {winsim::SignatureSpec{winsim::LoadCertificate(certificate)},
                            winsim::SignatureSpec{winsim::LoadCertificate("pinned-3072-a")}});
}

void AddSignedFile(const wchar_t* path, const char* certificate) {
    winsim::AddFile(path, std::string(64 * 1024, 'x'));
    winsim::SignFile(path, winsim::SignatureSpec{winsim::LoadCertificate(certificate)});
}

void ForgetCalls() { winsim::ClearCallLog(); }

}  // namespace vistane_bench

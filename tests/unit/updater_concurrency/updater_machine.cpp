#include "tests/unit/updater_concurrency/updater_machine.h"

namespace updater_test {

void InstallCompanion(winsim::FileVersion version) { winsim::AddFile(kCompanionPath, "MZ companion", version); }

void PlaceSetup(const std::wstring& path, Signing signing) {
    winsim::AddFile(path, "MZ QVVSSetup");
    if (signing == Signing::Unsigned) return;
    winsim::TrustRoot(winsim::LoadCertificate("test-root"));
    winsim::SignFile(path, winsim::SignatureSpec{
                               winsim::LoadCertificate(signing == Signing::PinnedKey ? "pinned-2048-a" : "unpinned-2048")});
}

}  // namespace updater_test

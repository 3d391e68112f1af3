#include "tests/unit/updater_concurrency/updater_machine.h"

namespace updater_test {

using vistane_test::Warning;

void InstallCompanion(winsim::FileVersion version) { winsim::AddFile(kCompanionPath, "MZ companion", version); }

void PlaceSetup(const std::wstring& path, Signing signing) {
    winsim::AddFile(path, signing == Signing::PinnedKey ? "MZ signed-by-pinned-key" : "MZ");
}

std::vector<vistane_test::LogRecord> TrustedSetupLog() { return {}; }

std::vector<vistane_test::LogRecord> UntrustedSetupLog(Signing) {
    return {Warning(L"Failed to create QVVSSetup.exe. The error code is -2146762496")};
}

}  // namespace updater_test

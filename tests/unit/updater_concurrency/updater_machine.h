#pragma once

// The machine the update task runs on in these tests: the host, its companion and the
// setup program beside it.
#include <string>
#include <vector>

#include "platform/sim/winsim.h"
#include "tests/support/sim_test.h"

namespace updater_test {

inline constexpr const wchar_t* kSetupPath = L"C:\\Program Files\\Orlent Works\\Host\\QVVSSetup.exe";
inline constexpr const wchar_t* kCompanionPath =
    L"C:\\Program Files\\Orlent Works\\QV Vistane Service\\VistaneService.exe";

enum class Signing { PinnedKey, UnpinnedKey, Unsigned };

void InstallCompanion(winsim::FileVersion version);
// Signing certificates chain to the test root, which the machine then trusts.
void PlaceSetup(const std::wstring& path, Signing signing);

}  // namespace updater_test

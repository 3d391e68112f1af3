// One tool's command-line validator (FUZZ_VALIDATOR at build time) on fuzzed
// arguments: no crash, no leak, no impersonation left behind. One library on the
// machine is trusted, so both answers are reachable.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "security/tool_launch/tool_argument_validators.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vistane_fuzz::PrepareMachine();
    winsim::TrustRoot(winsim::LoadCertificate("test-root"));
    for (const wchar_t* library : {L"C:\\Windows\\System32\\x.dll", L"C:\\Program Files\\A B\\y.dll"}) {
        winsim::AddFile(library, "library");
        winsim::SignFile(library, winsim::SignatureSpec{winsim::LoadCertificate("pinned-extended-only")});
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring arguments = vistane_fuzz::Widen(std::string(reinterpret_cast<const char*>(data), size));
    Qv::Vantix::Security::FUZZ_VALIDATOR(arguments);
    vistane_fuzz::RequireCleanMachine();
    return 0;
}

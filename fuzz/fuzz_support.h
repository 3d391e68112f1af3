#pragma once

// Shared by the fuzz targets: input decoding, a silent log, and the checks that turn
// a leaked resource or a thread left impersonating into a reported failure.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "logging/log_manager.h"
#include "platform/sim/winsim.h"

namespace vistane_fuzz {

// Bytes as Latin-1 characters: every syntax character the parsers care about is
// reachable and seeds stay readable.
inline std::wstring Widen(const std::string& bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (const unsigned char byte : bytes) text.push_back(static_cast<wchar_t>(byte));
    return text;
}

class DiscardingSink : public Qv::Vantix::Logging::LogSink {
public:
    void Write(const Qv::Vantix::Logging::LogRecord&) override {}
};

// A default machine and no log output; call from LLVMFuzzerInitialize.
inline void PrepareMachine() {
    winsim::SetFixturesDirectory(VISTANE_FIXTURES_DIR);
    winsim::Reset();
    Qv::Vantix::Logging::LogManager::SetSink(std::make_shared<DiscardingSink>());
}

// After each input: nothing may stay held, no thread may stay impersonating.
inline void RequireCleanMachine() {
    if (!winsim::LedgerBalanced()) {
        std::fprintf(stderr, "resources left held: %s\n", winsim::LedgerReport().c_str());
        std::abort();
    }
    if (!winsim::ThreadsStillImpersonating().empty()) {
        std::fprintf(stderr, "a thread is left impersonating\n");
        std::abort();
    }
    winsim::ClearCallLog();
}

#define FUZZ_REQUIRE(condition)                                                       \
    do {                                                                              \
        if (!(condition)) {                                                           \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                             \
        }                                                                             \
    } while (0)

}  // namespace vistane_fuzz

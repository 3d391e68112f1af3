#include "tests/support/sim_test.h"

#include "logging/text_encoding.h"

namespace vistane_test {

using Qv::Vantix::Logging::LevelName;
using Qv::Vantix::Logging::NarrowText;

// Named before any test runs, plain TEST bodies included.
const bool fixturesNamed = (winsim::SetFixturesDirectory(VISTANE_SOURCE_DIR "/tests/fixtures"), true);

std::string Describe(const std::vector<LogRecord>& records) {
    std::wstring text;
    for (const LogRecord& record : records) {
        text += std::wstring(LevelName(record.level)) + L" \"" + record.text + L"\"";
        if (!record.context.empty()) text += L" [context " + record.context + L"]";
        text += L"\n";
    }
    return NarrowText(text);
}

void SimTest::SetUp() {
    winsim::Reset();
    sink_ = std::make_shared<Qv::Vantix::Logging::MemorySink>();
    Qv::Vantix::Logging::LogManager::SetSink(sink_);
}

void SimTest::TearDown() {
    EXPECT_LEDGER_BALANCED();
    EXPECT_TRUE(winsim::ThreadsStillImpersonating().empty()) << "a thread still impersonates";
    Qv::Vantix::Logging::LogManager::SetSink(nullptr);
}

}  // namespace vistane_test

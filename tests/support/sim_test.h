#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "logging/log_manager.h"
#include "logging/log_sinks.h"
#include "platform/sim/winsim.h"

namespace vistane_test {

using Qv::Vantix::Logging::Level;
using Qv::Vantix::Logging::LogRecord;

// Builds the record the log must hold (no context text).
inline LogRecord Info(const std::wstring& text) { return {Level::Info, text, L""}; }
inline LogRecord Warning(const std::wstring& text) { return {Level::Warning, text, L""}; }
inline LogRecord Error(const std::wstring& text) { return {Level::Error, text, L""}; }
// A record carrying a context text (the record form of the logging interface).
inline LogRecord WithContext(LogRecord record, const std::wstring& context) {
    record.context = context;
    return record;
}

std::string Describe(const std::vector<LogRecord>& records);

// Compares the log taken so far with the expected records, level and exact text.
#define EXPECT_LOG(...) EXPECT_EQ(::vistane_test::Describe(TakeLog()), ::vistane_test::Describe({__VA_ARGS__}))

#define EXPECT_NO_LOG() EXPECT_LOG()

#define EXPECT_LEDGER_BALANCED() EXPECT_EQ(winsim::LedgerReport(), "balanced")

// Every test starts on the default simulated machine with an empty log and ledger,
// and ends with a balanced ledger and no thread left impersonating.
class SimTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Records logged since the last call (or the start of the test).
    std::vector<LogRecord> TakeLog() { return sink_->Take(); }
    std::shared_ptr<Qv::Vantix::Logging::MemorySink> sink_;
};

// A test of the simulated Windows itself: besides the above, its calls log nothing.
class SimCallTest : public SimTest {
protected:
    void TearDown() override {
        EXPECT_NO_LOG();
        SimTest::TearDown();
    }
};

}  // namespace vistane_test


#include <gtest/gtest.h>

#include <climits>

#include "logging/ms_format.h"
#include "service/logging/logging.h"
#include "tests/support/sim_test.h"

namespace {

using Qv::Vantix::Logging::BoundedArguments;
using Qv::Vantix::Logging::FormatMicrosoftWide;

// Formats through the varargs path, the one the logger uses.
std::wstring Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = Qv::Vantix::Logging::FormatMicrosoftWideV(format, args);
    va_end(args);
    return text;
}

TEST(MicrosoftFormat, StringConversionsFollowMicrosoftWidths) {
    EXPECT_EQ(Format(L"[%s] [%ls] [%S] [%hs] [%lS]", L"wide", L"also wide", "narrow", "narrow too", L"wide again"),
              L"[wide] [also wide] [narrow] [narrow too] [wide again]");
    EXPECT_EQ(Format(L"%s|%S", static_cast<const wchar_t*>(nullptr), static_cast<const char*>(nullptr)), L"(null)|(null)");
    EXPECT_EQ(Format(L"%.3s|%-6S|%6s", L"abcdef", "ab", L"xy"), L"abc|ab    |    xy");
    EXPECT_EQ(Format(L"%c%C", L'w', 'n'), L"wn");
}

TEST(MicrosoftFormat, LongIntegersAre32Bit) {
    // %ld reads 32 bits, as long is 32-bit on Windows; a 64-bit read would take the
    // next argument's bits too.
    const std::int32_t status = 1725;
    EXPECT_EQ(Format(L"%ld %d", status, static_cast<std::int32_t>(-5)), L"1725 -5");
    EXPECT_EQ(Format(L"%d", INT32_MIN), L"-2147483648");
    EXPECT_EQ(Format(L"%u %lu", 0xFFFFFFFFu, 7u), L"4294967295 7");
    EXPECT_EQ(Format(L"%lld %I64u", static_cast<std::int64_t>(-1234567890123), static_cast<std::uint64_t>(1) << 40),
              L"-1234567890123 1099511627776");
    EXPECT_EQ(Format(L"%x %X %02X %08x %#x", 255u, 255u, 10u, 0xBEEFu, 16u), L"ff FF 0A 0000beef 0x10");
    EXPECT_EQ(Format(L"%5d|%-5d|%05d|%+d|% d", 42, 42, -42, 7, 7), L"   42|42   |-0042|+7| 7");
    EXPECT_EQ(Format(L"%hd %hhu", 70000, 300), L"4464 44");
}

TEST(MicrosoftFormat, PercentSignsAndUnknownConversionsStayAsWritten) {
    EXPECT_EQ(Format(L"100%% sure"), L"100% sure");
    EXPECT_EQ(Format(L"a %k b"), L"a %k b");
    EXPECT_EQ(Format(L"ends with %"), L"ends with %");
    EXPECT_EQ(Format(L"%.2f %g", 1.005, 1e21), L"1.00 1e+21");
}

TEST(MicrosoftFormat, BoundedArgumentsNeverReadPastTheList) {
    BoundedArguments args({7}, {L"only"});
    EXPECT_EQ(FormatMicrosoftWide(L"%d %d %s %s %n|", args), L"7 0 only (null) |");
    BoundedArguments wide({}, {}, {});
    EXPECT_EQ(FormatMicrosoftWide(L"%999999999d|%.999999999s", wide).size(), 4096u + 1u + 6u);
}

class LoggerTest : public vistane_test::SimTest {};

TEST_F(LoggerTest, WritesEachLevelWithExactText) {
    auto* logger = Qv::Vantix::LogManager::GetLogger();
    logger->LogInfo(L"Subject = %s", L"CN=Test");
    logger->LogWarning(L"Failed with %S and %d", "narrow", 5);
    logger->LogError(L"Error Code = %d", 0x57);
    EXPECT_LOG(vistane_test::Info(L"Subject = CN=Test"), vistane_test::Warning(L"Failed with narrow and 5"),
               vistane_test::Error(L"Error Code = 87"));
}

TEST_F(LoggerTest, RecordFormCarriesTheContextText) {
    auto* logger = Qv::Vantix::LogManager::GetLogger();
    logger->LogInfo(Qv::Vantix::LoggingData{L"GetFullPathName: [%s]", L"request 7", 0}, L"C:\\x");
    logger->LogWarning(Qv::Vantix::LoggingData{L"%S.%S - %S cannot be null", L"", 0}, "A", "B", "filePath");
    EXPECT_LOG(vistane_test::WithContext(vistane_test::Info(L"GetFullPathName: [C:\\x]"), L"request 7"),
               vistane_test::Warning(L"A.B - filePath cannot be null"));
}

TEST_F(LoggerTest, NarrowErrorFormNeverReadsItsTextAsAFormat) {
    // A what() text with percent signs must not pull arguments that were not passed.
    Qv::Vantix::LogManager::GetLogger()->LogError("stoi: 100% of %s %d %n failed");
    EXPECT_LOG(vistane_test::Error(L"stoi: 100% of %s %d %n failed"));
}

TEST_F(LoggerTest, SetProviderReturnsAUsableLogger) {
    auto* logger = Qv::Vantix::LogManager::SetProvider("Qv-Vantix-SystemInformation");
    ASSERT_NE(logger, nullptr);
    EXPECT_STREQ(Qv::Vantix::LogManager::ProviderName(), "Qv-Vantix-SystemInformation");
    logger->LogInfo(L"ready");
    EXPECT_LOG(vistane_test::Info(L"ready"));
}

}  // namespace

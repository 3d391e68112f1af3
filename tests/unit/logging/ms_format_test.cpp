#include <gtest/gtest.h>

#include <climits>

#include "logging/ms_format.h"
#include "logging/text_encoding.h"
#include "service/logging/logging.h"
#include "tests/support/sim_test.h"

namespace {

using namespace Qv::Vantix::Logging;
using vistane_test::Error;
using vistane_test::Info;
using vistane_test::Warning;

// Formats through the varargs path, the one the logger uses.
std::wstring Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatMicrosoftWideV(format, args);
    va_end(args);
    return text;
}

int unwritten = 0;
void* const kBeef = reinterpret_cast<void*>(0xBEEF);

// What the formatter made, and what Microsoft's wide printf makes of the same call.
const std::pair<std::wstring, std::wstring> kFormatRows[] = {
    {Format(L"[%s] [%ls] [%ws] [%S] [%hs] [%lS]", L"w1", L"w2", L"w3", "n1", "n2", L"w4"), L"[w1] [w2] [w3] [n1] [n2] [w4]"},
    {Format(L"%s|%S", static_cast<const wchar_t*>(nullptr), static_cast<const char*>(nullptr)), L"(null)|(null)"},
    {Format(L"%.3s|%.3S|%.0s|%.0S|%-6S|%6s", L"abcdef", "abcdef", L"abc", "abc", "ab", L"xy"), L"abc|abc|||ab    |    xy"},
    {Format(L"%c%C%c|%3c|%-3C|", L'w', 'n', L'\u9F8D', L'x', 'y'), L"wn\u9F8D|  x|y  |"},
    {Format(L"%ld|%d|%i|%d", -5, 7, -1, INT32_MIN), L"-5|7|-1|-2147483648"},
    {Format(L"%u %lu|%hd %hhu %hhd", 0xFFFFFFFFu, 7u, 70000, 300, 200), L"4294967295 7|4464 44 -56"},
    {Format(L"%lld %I64u %I32d", std::int64_t{-1234567890123}, std::uint64_t{1} << 40, -5), L"-1234567890123 1099511627776 -5"},
    {Format(L"%Iu|%zu|%jd|%td", std::uint64_t{1} << 33, std::size_t{1} << 34, std::int64_t{-1} << 35, std::int64_t{9}),
     L"8589934592|17179869184|-34359738368|9"},
    {Format(L"%x %X %02X %08x %#x %#X %#x %o %#o", 255u, 255u, 10u, 0xBEEFu, 16u, 255u, 0u, 8u, 8u),
     L"ff FF 0A 0000beef 0x10 0XFF 0 10 010"},
    {Format(L"%5d|%-5d|%05d|%+d|% d|%+u|%-05d", 42, 42, -42, 7, 7, 7u, 3), L"   42|42   |-0042|+7| 7|7|3    "},
    {Format(L"%05.0d|%.0d|%.3d|%08.3d", 42, 0, 7, -7), L"   42||007|    -007"},
    {Format(L"%*d|%*d|%-*d|%.*s|%.*s|", 5, 42, -5, 42, 3, 1, 2, L"abc", -1, L"abc"), L"   42|42   |1  |ab|abc|"},
    {Format(L"%p", kBeef), L"000000000000BEEF"},
    {Format(L"100%% %k %n|ends with %", &unwritten), L"100% %k |ends with %"},
    {Format(L"%.2f %g|%-8.1f|%+08.2f|% .1e", 1.005, 1e21, 2.25, -3.5, 12.0), L"1.00 1e+21|2.2     |-0003.50| 1.2e+01"},
};

TEST(MicrosoftFormat, EachRowFormatsAsWindowsDoes) {
    for (const auto& [actual, expected] : kFormatRows) EXPECT_EQ(actual, expected);
    EXPECT_EQ(unwritten, 0) << "%n writes nothing";
}

TEST(MicrosoftFormat, BoundedArgumentsNeverReadPastTheList) {
    BoundedArguments args({7, std::int64_t{1} << 32 | 5}, {L"only"});
    EXPECT_EQ(FormatMicrosoftWide(L"%d %ld %d %s %s %n|", args), L"7 5 0 only (null) |");
    BoundedArguments wide({}, {}, {});
    EXPECT_EQ(FormatMicrosoftWide(L"%999999999d|%.999999999s", wide).size(), 4096u + 1u + 6u);
    EXPECT_EQ(FormatMicrosoftWide(nullptr, wide), L"");
}

// UTF-8 and the module's wide text: what is valid goes both ways; invalid bytes are kept.
TEST(TextEncoding, Utf8AndWideTextConvertBothWays) {
    const std::pair<std::string, std::wstring> both[] = {
        {"A~", L"A~"}, {"\xC2\x80\xDF\xBF", L"\u0080\u07FF"}, {"\xE0\xA0\x80\xE4\xB8\xAD", L"\u0800\u4E2D"},
        {"\xE9\xBE\x8D\xEF\xBF\xBD", L"\u9F8D\uFFFD"}, {"\xF0\x9F\x98\x80", L"\U0001F600"}, {"ab\xC3\xA9", L"ab\u00E9"},
    };
    for (const auto& [narrow, wide] : both) {
        EXPECT_EQ(WidenText(narrow), wide);
        EXPECT_EQ(NarrowText(wide), narrow);
    }
    EXPECT_EQ(WidenText("\x80|\xC3(|\xF8|\xE9\xBE"), L"\u0080|\u00C3(|\u00F8|\u00E9\u00BE");
}

class LoggerTest : public vistane_test::SimTest {};

TEST_F(LoggerTest, WritesEachLevelAndFormWithExactText) {
    auto* logger = Qv::Vantix::LogManager::SetProvider("Qv-Vantix-SystemInformation");
    logger->LogInfo(L"Subject = %s", L"CN=Test");
    logger->LogWarning(L"Failed with %S and %d", "narrow", 5);
    logger->LogError(L"Error Code = %d", 0x57);
    logger->LogInfo(Qv::Vantix::LoggingData{L"GetFullPathName: [%s]", L"request 7", 0}, L"C:\\x");
    logger->LogWarning(Qv::Vantix::LoggingData{L"%S.%S - %S cannot be null", L"", 0}, "A", "B", "filePath");
    // A what() text with percent signs must not pull arguments that were not passed.
    logger->LogError("stoi: 100% of %s %d %n failed \xC3\xA9");
    const std::vector<LogRecord> expected = {
        Info(L"Subject = CN=Test"), Warning(L"Failed with narrow and 5"), Error(L"Error Code = 87"),
        vistane_test::WithContext(Info(L"GetFullPathName: [C:\\x]"), L"request 7"),
        Warning(L"A.B - filePath cannot be null"), Error(L"stoi: 100% of %s %d %n failed \u00E9")};
    const std::vector<LogRecord> log = TakeLog();
    EXPECT_EQ(vistane_test::Describe(log), vistane_test::Describe(expected));
    EXPECT_TRUE(log == expected);
    EXPECT_NE(Info(L"x"), Warning(L"x"));
    EXPECT_NE(Info(L"x"), Info(L"y"));
    EXPECT_NE(Info(L"x"), vistane_test::WithContext(Info(L"x"), L"c"));
}

}  // namespace

#include <gtest/gtest.h>

#include "security/begins_with.h"

namespace {

using Qv::Vantix::Security::BeginsWith;

TEST(BeginsWithTest, EmptyPrefixBeginsEveryTextAndLongerPrefixNone) {
    EXPECT_TRUE(BeginsWith(L"", L""));
    EXPECT_TRUE(BeginsWith(L"C:\\x", L""));
    EXPECT_FALSE(BeginsWith(L"", L"C"));
    EXPECT_FALSE(BeginsWith(L"C:\\Windows", L"C:\\Windows\\"));
}

TEST(BeginsWithTest, ComparesWithoutRegardToLetterCase) {
    EXPECT_TRUE(BeginsWith(L"c:\\WINDOWS\\system32\\x.dll", L"C:\\Windows\\"));
    EXPECT_TRUE(BeginsWith(L"C:\\Windows\\", L"c:\\windows\\"));
    EXPECT_FALSE(BeginsWith(L"C:\\WindowsApps\\x.exe", L"C:\\Windows\\"));
    EXPECT_FALSE(BeginsWith(L"D:\\Windows\\x.dll", L"C:\\Windows\\"));
}

TEST(BeginsWithTest, OnlyThePrefixLengthIsCompared) {
    EXPECT_TRUE(BeginsWith(L"C:\\Program Files (x86)\\A", L"C:\\Program Files"));
    EXPECT_FALSE(BeginsWith(L"C:\\Program Files\\A", L"C:\\Program Files (x86)\\"));
    // Only letter case is folded: a forward slash is not a backslash.
    EXPECT_FALSE(BeginsWith(L"C:/Windows/x", L"C:\\Windows\\"));
}

}  // namespace

#include <gtest/gtest.h>

#include <cwctype>

#include "security/path_policy/begins_with.h"
#include "tests/support/locale_scope.h"

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

// A host may set a locale in which towlower folds U+0130 (I with a dot) to 'i': a folder
// a user names so at the drive's root is still not the Windows folder.
TEST(BeginsWithTest, FoldsAsciiLettersOnlyWhateverTheLocale) {
    const vistane_test::LocaleScope utf8("C.UTF-8");
    ASSERT_TRUE(utf8.applied());
    ASSERT_EQ(std::towlower(0x130), L'i') << "the locale must fold beyond ASCII for this test to mean anything";
    EXPECT_FALSE(BeginsWith(L"C:\\W\u0130ndows\\x.dll", L"C:\\Windows\\"));
    EXPECT_FALSE(BeginsWith(L"C:\\Windows\\x.dll", L"C:\\W\u0130ndows\\"));
    EXPECT_TRUE(BeginsWith(L"C:\\WINDOWS\\x.dll", L"c:\\windows\\"));
    EXPECT_TRUE(BeginsWith(L"AZ", L"az")) << "both ends of A-Z";
    EXPECT_FALSE(BeginsWith(L"@[", L"`{")) << "the units beside A-Z are not letters";
}

}  // namespace

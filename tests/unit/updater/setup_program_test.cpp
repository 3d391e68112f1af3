#include <gtest/gtest.h>

#include "service/vistane/setup_program.h"

namespace {

using Qv::Vantix::Server::Services::Vistane::SetupCommandLine;
using Qv::Vantix::Server::Services::Vistane::SetupPathFromHostPath;

TEST(SetupProgramTest, SetupPathReplacesTheFourteenCharacterHostName) {
    EXPECT_EQ(SetupPathFromHostPath(L"C:\\Program Files\\Host\\PluginHost.exe"), L"C:\\Program Files\\Host\\QVVSSetup.exe");
    EXPECT_EQ(SetupPathFromHostPath(L"D:\\h\\ABCDEFGHIJ.exe"), L"D:\\h\\QVVSSetup.exe");
    // The rule counts characters only: another host name length leaves a wrong path,
    // which then fails the trust check.
    EXPECT_EQ(SetupPathFromHostPath(L"C:\\Host\\svchost.exe"), L"C:\\HoQVVSSetup.exe");
}

TEST(SetupProgramTest, PathsOfFourteenCharactersOrFewerAreKeptWhole) {
    EXPECT_EQ(SetupPathFromHostPath(L"PluginHost.exe"), L"QVVSSetup.exe") << "exactly 14: nothing is left";
    EXPECT_EQ(SetupPathFromHostPath(L"C:\\H\\Host.exe"), L"C:\\H\\Host.exeQVVSSetup.exe") << "13 characters";
    EXPECT_EQ(SetupPathFromHostPath(L""), L"QVVSSetup.exe");
}

TEST(SetupProgramTest, CommandLineQuotesThePathAndKeepsTheSilentArguments) {
    EXPECT_EQ(SetupCommandLine(L"C:\\Program Files\\Host\\QVVSSetup.exe"),
              L"\"C:\\Program Files\\Host\\QVVSSetup.exe\" /S /v\" Reboot=ReallySupress /qn\"");
}

}  // namespace

// Every public decision, over a machine that holds grants and refusals of each kind,
// repeated on several threads: alone and with platform calls failing at random.
#include <gtest/gtest.h>

#include <functional>
#include <latch>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "logging/text_encoding.h"
#include "security/file_trust/authenticode_facade.h"
#include "server/launcher.h"
#include "tests/support/launcher_machine.h"
#include "tests/support/sim_test.h"

namespace {

using Qv::Vantix::Logging::NarrowText;
using Qv::Vantix::Security::QvAuthenticodeFacade;
using Qv::Vantix::Server::Services::Launcher;

// ThreadSanitizer slows every call down tenfold or more: fewer rounds keep the stage short
// while every call still meets every other on several threads.
#if defined(__SANITIZE_THREAD__)
constexpr int kRounds = 6;
#else
constexpr int kRounds = 60;
#endif
constexpr int kThreads = 4;

struct SoakCall {
    std::string name;
    std::string expected;  // "yes" or "no", then what else the answer carries
    std::function<std::string()> run;
};

// Each call starts from the same last error, whichever call the thread made before: the
// store-folder check logs a last error that no call of its own set.
std::string Ask(const SoakCall& call) {
    SetLastError(0xdeadbeef);
    return call.run();
}

std::string Answer(bool granted, const std::wstring& detail = L"") {
    return (granted ? "yes" : "no") + (detail.empty() ? "" : " " + NarrowText(detail));
}

void AddSignedFile(const std::wstring& path, const std::vector<std::string>& certificates) {
    winsim::AddFile(path, NarrowText(path));
    std::vector<winsim::SignatureSpec> signatures;
    for (const std::string& certificate : certificates) {
        signatures.push_back({winsim::LoadCertificate(certificate)});
        if (certificate == "untrusted-root-pinned") signatures.back().chain.push_back(winsim::LoadCertificate("rogue-root"));
    }
    winsim::SignFile(path, signatures);
}

void StoreFolder(const std::wstring& folder, bool systemHasFullControl) {
    winsim::ObjectSecurity security;
    security.entries = {{winsim::AceKind::Allowed, L"Users", READ_CONTROL | FILE_READ_DATA | FILE_EXECUTE, 0},
                        {winsim::AceKind::Allowed, L"TrustedInstaller", GENERIC_ALL, 0}};
    if (systemHasFullControl) security.entries.push_back({winsim::AceKind::Allowed, L"SYSTEM", GENERIC_ALL, 0});
    winsim::SetObjectSecurity(folder, security);
}

// Builds the machine on a reset simulator and returns the calls the soak repeats.
std::vector<SoakCall> BuildSoakMachine() {
    const std::wstring host = L"C:\\Program Files\\Orlent Works\\Host\\", system32 = L"C:\\Windows\\System32\\";
    winsim::TrustRoot(winsim::LoadCertificate("test-root"));
    AddSignedFile(host + L"QVVSSetup.exe", {"pinned-2048-a", "pinned-3072-a"});
    winsim::AddFile(host + L"unsigned.exe", "unsigned");
    AddSignedFile(host + L"rogue.exe", {"untrusted-root-pinned"});
    AddSignedFile(host + L"tampered.exe", {"pinned-2048-a"});
    winsim::SetFileContent(host + L"tampered.exe", "tampered after signing");
    AddSignedFile(system32 + L"expired.exe", {"expired-pinned"});
    AddSignedFile(L"D:\\Data\\QVVSSetup.exe", {"pinned-2048-a"});
    const std::wstring catalog = system32 + L"CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\orlent.cat";
    winsim::AddFile(system32 + L"catalogued.dll", "library");
    winsim::AddCatalog(catalog, {winsim::LoadCertificate("pinned-3072-a")});
    winsim::AddCatalogMember(catalog, system32 + L"catalogued.dll");
    StoreFolder(L"D:\\WindowsApps", true);
    StoreFolder(L"E:\\WindowsApps", false);  // refused after the retries, which only advance the virtual clock
    for (const wchar_t* tool : {L"sfc.exe", L"regsvr32.exe", L"rundll32.exe", L"tool.exe"})
        AddSignedFile(system32 + tool, {"unpinned-2048"});
    winsim::AddFile(system32 + L"mmc.exe", "unsigned tool");
    AddSignedFile(system32 + L"orlent.dll", {"pinned-extended-only"});
    AddSignedFile(L"D:\\Data\\orlent.dll", {"pinned-extended-only"});
    vistane_test::InstallViewer();
    const std::wstring storeApp = L"C:\\Program Files\\WindowsApps\\app\\app.exe";
    const DWORD support = winsim::AddProcess({L"user1", storeApp, L"C7E4A920.QVCompanionHub_k4m2x9pq7wd3t"});
    const DWORD stranger = winsim::AddProcess({L"user1", storeApp, L"Other.App_abc123"});

    std::vector<SoakCall> calls;
    const auto facade = [&](const char* operation, bool (QvAuthenticodeFacade::*ask)(const wchar_t*),
                            const std::wstring& path, const char* expected) {
        calls.push_back({operation + (" " + NarrowText(path)), expected,
                         [ask, path] { return Answer((QvAuthenticodeFacade().*ask)(path.c_str())); }});
    };
    for (const auto& [path, expected] : {std::pair{host + L"QVVSSetup.exe", "yes"}, {host + L"unsigned.exe", "no"},
                                         {host + L"rogue.exe", "no"}, {host + L"tampered.exe", "no"},
                                         {system32 + L"tool.exe", "no"}, {system32 + L"catalogued.dll", "yes"},
                                         {system32 + L"expired.exe", "yes"}, {L"D:\\Data\\QVVSSetup.exe", "no"}})
        facade("IsFileTrusted", &QvAuthenticodeFacade::IsFileTrusted, path, expected);
    facade("IsFileTrustedByWindows", &QvAuthenticodeFacade::IsFileTrustedByWindows, system32 + L"tool.exe", "yes");
    facade("IsFileTrustedByWindows", &QvAuthenticodeFacade::IsFileTrustedByWindows, host + L"rogue.exe", "no");
    for (const auto& [path, expected] : {std::pair{L"D:\\WindowsApps\\" + vistane_test::kViewerFullName + L"\\Viewer.exe", "yes"},
                                         {std::wstring(L"E:\\WindowsApps\\Other.App_1.0.0.0_x64__abc\\app.exe"), "no"}})
        facade("IsPathAllowed", &QvAuthenticodeFacade::IsPathAllowed, path, expected);

    const auto toolLaunch = [&](DWORD client, const std::wstring& tool, bool option, const std::wstring& arguments,
                                const char* expected) {
        calls.push_back({"IsTrustedToolLaunch " + std::to_string(client) + " " + NarrowText(tool + L" " + arguments),
                         expected, [=] {
                             winsim::RpcCallScope call(client);
                             return Answer(QvAuthenticodeFacade().IsTrustedToolLaunch(tool.c_str(), option,
                                                                                       arguments.c_str(), L"soak"));
                         }});
    };
    toolLaunch(support, system32 + L"sfc.exe", true, L"/scannow", "yes");
    toolLaunch(support, system32 + L"regsvr32.exe", false, L"/s " + system32 + L"orlent.dll", "yes");
    toolLaunch(support, system32 + L"regsvr32.exe", false, L"/s D:\\Data\\orlent.dll", "no");
    toolLaunch(support, L"%windir%\\System32\\rundll32.exe", false, L"\"" + system32 + L"orlent.dll\",Entry 1", "yes");
    toolLaunch(support, system32 + L"mmc.exe", false, L"", "no");
    toolLaunch(support, system32 + L"tool.exe", false, L"", "no");
    toolLaunch(stranger, system32 + L"sfc.exe", false, L"/scannow", "no");

    calls.push_back({"IsRealUserSession", "yes C:\\Users\\user1", [] {
                         std::wstring profile;
                         const bool real = Launcher().IsRealUserSession(profile);
                         return Answer(real, profile);
                     }});
    for (const auto& [family, found] :
         {std::pair{vistane_test::kViewerFamily, true}, {std::wstring(L"Orlent.Missing_qv5n2x8z1k3m4"), false}}) {
        calls.push_back({"GetPackageFullNameByFamilyName " + NarrowText(family),
                         found ? "yes " + NarrowText(vistane_test::kViewerFullName) : "no", [family] {
                             Launcher launcher;
                             const std::wstring name = launcher.GetPackageFullNameByFamilyName(
                                 family, launcher.GetUserTokenForCurrentUser(TokenImpersonation));
                             return Answer(!name.empty(), name);
                         }});
        calls.push_back({"Run viewer.exe " + NarrowText(family), found ? "yes" : "no",
                         [family] { return Answer(Launcher().Run(vistane_test::kViewerAlias, family, L"-n")); }});
    }
    return calls;
}

std::map<std::string, int> CountRecords(const std::vector<vistane_test::LogRecord>& records, int times = 1) {
    std::map<std::string, int> counts;
    for (const auto& record : records) counts[vistane_test::Describe({record})] += times;
    return counts;
}

// The call made, and its answer or what() of an exception it let out.
using Outcome = std::pair<std::size_t, std::string>;

class SoakTest : public vistane_test::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        calls_ = BuildSoakMachine();
        for (const SoakCall& call : calls_) {
            EXPECT_EQ(Ask(call), call.expected) << call.name;
            for (const auto& [record, count] : CountRecords(TakeLog(), kThreads * kRounds)) records_[record] += count;
            runsGranted_ += call.name.starts_with("Run ") && call.expected == "yes";
        }
        ASSERT_EQ(winsim::LedgerReport(), "balanced");
        ASSERT_FALSE(HasFailure()) << "the machine must answer as written before the soak means anything";
    }
    void TearDown() override {
        EXPECT_GE(vistane_test::PairedImpersonations(), 0) << "an impersonation nested or a revert without one";
        SimTest::TearDown();
    }

    // Every thread runs every call kRounds times, each thread starting at another call so
    // that different operations overlap.
    std::vector<Outcome> RunOnThreads() {
        std::vector<std::vector<Outcome>> perThread(kThreads);
        std::latch start(kThreads);
        std::vector<std::thread> threads;
        for (int thread = 0; thread < kThreads; ++thread) {
            threads.emplace_back([&, thread] {
                start.arrive_and_wait();
                for (std::size_t step = 0; step < kRounds * calls_.size(); ++step) {
                    const std::size_t call = (step + static_cast<std::size_t>(thread) * 5) % calls_.size();
                    try {
                        perThread[thread].push_back({call, Ask(calls_[call])});
                    } catch (const std::exception& error) {
                        perThread[thread].push_back({call, std::string("threw ") + error.what()});
                    }
                }
            });
        }
        for (std::thread& thread : threads) thread.join();
        std::vector<Outcome> all;
        for (auto& outcomes : perThread) all.insert(all.end(), outcomes.begin(), outcomes.end());
        return all;
    }

    std::vector<SoakCall> calls_;
    std::map<std::string, int> records_;  // what the calls wrote alone, as many times as the soak makes them
    int runsGranted_ = 0;
};

TEST_F(SoakTest, ConcurrentAnswersAndLogEqualTheSequentialOnes) {
    int mismatches = 0;
    for (const auto& [call, answer] : RunOnThreads()) {
        if (answer != calls_[call].expected && ++mismatches <= 5) ADD_FAILURE() << calls_[call].name << ": " << answer;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(CountRecords(TakeLog()), records_) << "the same records, as many times each, in any order";
    EXPECT_EQ(winsim::StartedProcesses().size(), static_cast<std::size_t>((1 + kThreads * kRounds) * runsGranted_));
}

TEST_F(SoakTest, FaultsAtRandomPointsNeverTurnARefusalIntoAGrant) {
    winsim::FailRandomCalls(20261206, 2, 0);
    const std::vector<Outcome> outcomes = RunOnThreads();
    winsim::ClearFaults();
    int wrong = 0, refusedByFaults = 0, grantsKept = 0;
    for (const auto& [call, answer] : outcomes) {
        const std::string& alone = calls_[call].expected;
        if (((answer.starts_with("yes") && answer != alone) || answer.starts_with("threw")) && ++wrong <= 5)
            ADD_FAILURE() << calls_[call].name << ": " << answer << " under faults";
        refusedByFaults += alone.starts_with("yes") && answer == "no";
        grantsKept += alone.starts_with("yes") && answer == alone;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(refusedByFaults, 0) << "the faults reached no granting call";
    EXPECT_GT(grantsKept, 0) << "the faults left no call whole";
    TakeLog();
    EXPECT_LEDGER_BALANCED();
    for (const SoakCall& call : calls_) EXPECT_EQ(Ask(call), call.expected) << call.name << ": the faults left a trace";
    TakeLog();
}

}  // namespace

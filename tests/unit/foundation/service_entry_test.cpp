#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "service/qv_service.h"
#include "service/vistane/vistane_service.h"
#include "tests/support/sim_test.h"

namespace {

using Qv::Vantix::Server::Services::QvService;
using Qv::Vantix::Server::Services::Vistane::VistaneService;
using vistane_test::Info;

const wchar_t* const kCompanion = L"C:\\Program Files\\Orlent Works\\QV Vistane Service\\VistaneService.exe";

class ServiceEntryTest : public vistane_test::SimTest {};

TEST_F(ServiceEntryTest, FactoryDeclinesWhenCompanionIsCurrent) {
    winsim::AddFile(kCompanion, "MZ", winsim::FileVersion{5, 2, 60, 0});
    EXPECT_EQ(QvCreateService(), nullptr);
    EXPECT_LOG(Info(L"StartUpTask QVVS services."), Info(L"QVVS is up to date"));
}

TEST_F(ServiceEntryTest, FactoryOffersTheServiceWhenCompanionIsMissingOrOld) {
    std::unique_ptr<QvService> missing(QvCreateService());
    ASSERT_NE(missing, nullptr);
    EXPECT_NE(dynamic_cast<VistaneService*>(missing.get()), nullptr);
    TakeLog();

    winsim::AddFile(kCompanion, "MZ", winsim::FileVersion{5, 2, 59, 9999});
    std::unique_ptr<QvService> old(QvCreateService());
    EXPECT_NE(old, nullptr);
    EXPECT_LOG(Info(L"StartUpTask QVVS services."), Info(L"Upgrade QVVS: version out of date"));
}

TEST_F(ServiceEntryTest, HandleRequestDestroysTheCallbackUncalled) {
    VistaneService service;
    auto witness = std::make_shared<int>(0);
    bool called = false;
    Qv::Vantix::Server::Services::HostCallback callback = [witness, &called](std::uint32_t, void*, std::uint32_t) {
        called = true;
    };
    ASSERT_EQ(witness.use_count(), 2);
    const std::uint32_t status = service.HandleRequest(nullptr, nullptr, nullptr, nullptr, std::move(callback));
    EXPECT_EQ(status, 0x20000001u);
    EXPECT_FALSE(called);
    EXPECT_EQ(witness.use_count(), 1) << "the callback must be destroyed by the call";
    EXPECT_NO_LOG();
}

TEST_F(ServiceEntryTest, BaseOperationsKeepTheirContract) {
    VistaneService service;
    QvService& base = service;
    EXPECT_EQ(base.RequiredOperation1(nullptr), 0u);
    EXPECT_EQ(base.RequiredOperation2(nullptr), 0u);
    EXPECT_TRUE(base.QueryFlag(nullptr));
    base.FreeBuffer(nullptr);
    base.FreeBuffer(std::malloc(32));  // released on the module's heap (checked by ASan)
    base.OnHostEvent1(nullptr);
    base.OnHostEvent4(nullptr);
    EXPECT_NO_LOG();
    EXPECT_TRUE(winsim::CallLog().empty()) << "base operations touch no platform call";
}

}  // namespace

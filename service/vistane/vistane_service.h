#pragma once

#include "service/qv_service.h"

namespace Qv::Vantix::Server::Services::Vistane {

// Session-change event types that start the companion update task.
constexpr std::uint32_t kSessionLogon = 5;   // WTS_SESSION_LOGON
constexpr std::uint32_t kSessionUnlock = 8;  // WTS_SESSION_UNLOCK

// Answer of HandleRequest: this service serves no requests.
constexpr std::uint32_t kRequestNotHandled = 0x20000001;

class VistaneService : public QvService {
public:
    std::uint32_t RequiredOperation1(HostValue value) override;
    std::uint32_t RequiredOperation2(HostValue value) override;
    std::uint32_t HandleRequest(HostValue first, HostValue second, HostValue third, HostValue fourth,
                                HostCallback callback) override;
    void OnSessionChange(std::uint32_t eventType, HostValue sessionData, HostValue hostData) override;
};

}  // namespace Qv::Vantix::Server::Services::Vistane

#include "service/vistane/vistane_service.h"

namespace Qv::Vantix::Server::Services::Vistane {

std::uint32_t VistaneService::RequiredOperation1(HostValue) { return 0; }
std::uint32_t VistaneService::RequiredOperation2(HostValue) { return 0; }

std::uint32_t VistaneService::HandleRequest(HostValue, HostValue, HostValue, HostValue, HostCallback callback) {
    // The callback is destroyed here, never called: this service serves no requests.
    { HostCallback discarded = std::move(callback); }
    return kRequestNotHandled;
}

void VistaneService::OnSessionChange(std::uint32_t, HostValue, HostValue) {}

}  // namespace Qv::Vantix::Server::Services::Vistane

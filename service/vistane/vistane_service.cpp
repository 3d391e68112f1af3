#include "service/vistane/vistane_service.h"

#include <system_error>
#include <thread>

#include "service/vistane/module_reference.h"
#include "service/vistane/startup_task.h"

namespace Qv::Vantix::Server::Services::Vistane {

std::uint32_t VistaneService::RequiredOperation1(HostValue) { return 0; }
std::uint32_t VistaneService::RequiredOperation2(HostValue) { return 0; }

std::uint32_t VistaneService::HandleRequest(HostValue, HostValue, HostValue, HostValue, HostCallback callback) {
    // The callback is destroyed here, never called: this service serves no requests.
    { HostCallback discarded = std::move(callback); }
    return kRequestNotHandled;
}

void VistaneService::OnSessionChange(std::uint32_t eventType, HostValue, HostValue) {
    if (eventType != kSessionLogon && eventType != kSessionUnlock) return;
    // The task runs module code for over a minute: it keeps the module loaded until its
    // end. Without that reference the task is not started, failing as a thread that
    // cannot be created does.
    ModuleReference module = ModuleReference::ToThisModule();
    if (!module) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    std::thread task(RunUpdateThread, module.get());
    module.release();  // the thread owns it now
    task.detach();
}

}  // namespace Qv::Vantix::Server::Services::Vistane

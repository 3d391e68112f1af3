#include "service/vistane/vistane_service.h"

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
    // end. Should no reference be had, the task still runs, as it always did.
    ModuleReference module = ModuleReference::ToThisModule();
    std::thread task(RunUpdateThread, module.get());
    module.release();  // the thread owns it now
    task.detach();
}

}  // namespace Qv::Vantix::Server::Services::Vistane

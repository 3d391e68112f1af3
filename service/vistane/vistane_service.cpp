#include "service/vistane/vistane_service.h"

#include <system_error>

#include "platform/resources.h"
#include "service/vistane/module_reference.h"
#include "service/vistane/startup_task.h"

namespace Qv::Vantix::Server::Services::Vistane {

namespace {

DWORD WINAPI UpdateThreadMain(LPVOID heldModule) {
    RunUpdateThread(static_cast<HMODULE>(heldModule));
    return 0;  // never reached: the thread ends inside RunUpdateThread
}

}  // namespace

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
    // end and drops it in FreeLibraryAndExitThread. That call skips the cleanup of a
    // thread library, so the task is a plain Windows thread and leaves nothing behind.
    // Without the reference or the thread no task starts: the host sees the error of a
    // thread that cannot be created.
    ModuleReference module = ReferenceThisModule();
    if (!module) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    const Platform::ScopedHandle task(CreateThread(nullptr, 0, UpdateThreadMain, module.get(), 0, nullptr));
    if (!task) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    module.release();  // the thread owns it now
}

}  // namespace Qv::Vantix::Server::Services::Vistane

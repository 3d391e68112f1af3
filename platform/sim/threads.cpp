// CreateThread: a real thread of this process runs the start routine; the handle the
// caller gets is counted until closed, and the thread outlives it.
#include <system_error>
#include <thread>

#include "platform/sim/sim_machine.h"

using namespace winsim::detail;

namespace {

struct CreatedThreadObject : HandleObject {
    DWORD id = 0;
};

}  // namespace

// Only the default stack and an immediate start are modelled: a suspended start has
// no ResumeThread here to end it.
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES /*threadAttributes*/, SIZE_T /*stackSize*/,
                           LPTHREAD_START_ROUTINE startAddress, LPVOID parameter, DWORD creationFlags,
                           LPDWORD threadId) {
    if (Enter("CreateThread", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
    if (startAddress == nullptr || creationFlags != 0) {
        SetThreadLastError(startAddress == nullptr ? ERROR_INVALID_PARAMETER : ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    std::thread thread;
    try {
        thread = std::thread([startAddress, parameter] { startAddress(parameter); });
    } catch (const std::system_error&) {
        SetThreadLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto object = std::make_shared<CreatedThreadObject>();
    object->kind = "thread";
    object->id = static_cast<DWORD>(std::hash<std::thread::id>()(thread.get_id()));  // as GetCurrentThreadId says
    thread.detach();
    if (threadId) *threadId = object->id;
    return AddHandle(object);
}

#pragma once

#include <cstdint>
#include <functional>

#include "service/module_export.h"

namespace Qv::Vantix::Server::Services {

// Values whose meaning the host defines; this module never reads them.
using HostValue = void*;
// The host's completion callback for HandleRequest.
using HostCallback = std::function<void(std::uint32_t status, void* buffer, std::uint32_t size)>;

// Calling contract with the host. The order of the virtual operations is the contract:
// do not reorder, insert or remove any.
class QvService {
public:
    virtual ~QvService();
    virtual std::uint32_t RequiredOperation1(HostValue value) = 0;
    virtual std::uint32_t RequiredOperation2(HostValue value) = 0;
    virtual std::uint32_t HandleRequest(HostValue first, HostValue second, HostValue third, HostValue fourth,
                                        HostCallback callback) = 0;
    // Buffers the module hands out go back to the module's own heap.
    virtual void FreeBuffer(void* buffer);
    virtual void OnHostEvent1(HostValue value);
    virtual void OnHostEvent2(HostValue value);
    virtual void OnHostEvent3(HostValue value);
    virtual bool QueryFlag(HostValue value);
    virtual void OnSessionChange(std::uint32_t eventType, HostValue sessionData, HostValue hostData);
    virtual void OnHostEvent4(HostValue value);
};

}  // namespace Qv::Vantix::Server::Services

// The factory the host looks up by this plain name; null when no service is needed.
extern "C" VISTANE_API Qv::Vantix::Server::Services::QvService* QvCreateService();

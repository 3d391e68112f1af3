#include "service/qv_service.h"

#include <cstdlib>

namespace Qv::Vantix::Server::Services {

QvService::~QvService() = default;

void QvService::FreeBuffer(void* buffer) {
    if (buffer != nullptr) std::free(buffer);
}

void QvService::OnHostEvent1(HostValue) {}
void QvService::OnHostEvent2(HostValue) {}
void QvService::OnHostEvent3(HostValue) {}
bool QvService::QueryFlag(HostValue) { return true; }
void QvService::OnSessionChange(std::uint32_t, HostValue, HostValue) {}
void QvService::OnHostEvent4(HostValue) {}

}  // namespace Qv::Vantix::Server::Services

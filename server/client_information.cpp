#include "server/client_information.h"

#include <utility>

namespace Qv::Vantix::Server {

IClientInformation::IClientInformation() : IClientInformation(ClientType::Uwp) {}

IClientInformation::IClientInformation(ClientType type) : type{type} {}

IClientInformation::IClientInformation(ClientType type, std::wstring identifier)
    : type{type}, identifier{std::move(identifier)} {}

IClientInformation::IClientInformation(const IClientInformation& other) = default;
IClientInformation& IClientInformation::operator=(const IClientInformation& other) = default;
IClientInformation::~IClientInformation() = default;

}  // namespace Qv::Vantix::Server

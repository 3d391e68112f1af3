#include "server/uwp_information.h"

#include <utility>

namespace Qv::Vantix::Server::Uwp {

UwpInformation::UwpInformation() : IClientInformation(ClientType::Uwp) {}

UwpInformation::UwpInformation(std::wstring packageName, std::wstring packageFamilyName, std::uint16_t major,
                               std::uint16_t minor)
    : IClientInformation(ClientType::Uwp, packageFamilyName),
      packageName{std::move(packageName)},
      packageFamilyName{std::move(packageFamilyName)},
      major{major},
      minor{minor} {}

// Member-wise, base part first; std::wstring makes self-assignment safe.
UwpInformation::UwpInformation(const UwpInformation& other) = default;
UwpInformation& UwpInformation::operator=(const UwpInformation& other) = default;
UwpInformation::~UwpInformation() = default;

}  // namespace Qv::Vantix::Server::Uwp

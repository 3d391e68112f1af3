#include "security/access_policy/matching_descriptor.h"

#include <utility>

namespace Qv::Vantix::Security {

MatchingDescriptor::MatchingDescriptor() : _operation{Operation::UpToMajorAndMinor} {}

MatchingDescriptor& MatchingDescriptor::operator=(const MatchingDescriptor& other) = default;

UwpMatchingDescriptor::UwpMatchingDescriptor(Server::Uwp::UwpInformation information, Operation operation)
    : _information{std::move(information)} {
    _operation = operation;
}

UwpMatchingDescriptor::UwpMatchingDescriptor(const UwpMatchingDescriptor& other) = default;
UwpMatchingDescriptor& UwpMatchingDescriptor::operator=(const UwpMatchingDescriptor& other) = default;
UwpMatchingDescriptor::~UwpMatchingDescriptor() = default;

Win32MatchingDescriptor::Win32MatchingDescriptor(Server::Win32::Win32Information information, Operation operation)
    : _information{std::move(information)} {
    _operation = operation;
}

Win32MatchingDescriptor::Win32MatchingDescriptor(const Win32MatchingDescriptor& other) = default;
Win32MatchingDescriptor& Win32MatchingDescriptor::operator=(const Win32MatchingDescriptor& other) = default;
Win32MatchingDescriptor::~Win32MatchingDescriptor() = default;

}  // namespace Qv::Vantix::Security

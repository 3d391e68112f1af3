// The built-in exemption rows: each client is exempt up to and including (major, minor).
#include "security/access_policy/exemption_white_list.h"

namespace Qv::Vantix::Security {

namespace {
using Server::Uwp::UwpInformation;
using Server::Win32::Win32Information;
constexpr auto kUpTo = MatchingDescriptor::Operation::UpToMajorAndMinor;
}  // namespace

const std::vector<UwpMatchingDescriptor> UwpWithNoQVManifestExemptionWhiteList::_white_list = {
    {UwpInformation(L"C7E4A920.QVVeilscreen", L"C7E4A920.QVVeilscreen_k4m2x9pq7wd3t", 2, 0), kUpTo},
};

// Lower case: the criterion lowers the client's name before comparing.
const std::vector<Win32MatchingDescriptor> Win32WithNoQVManifestExemptionWhiteList::_white_list = {
    {Win32Information(L"keyeventserviceuwp", 8, 9), kUpTo},
    {Win32Information(L"qvkeyeventnotice", 8, 9), kUpTo},
    {Win32Information(L"keyeventservicedsu", 8, 9), kUpTo},
};

}  // namespace Qv::Vantix::Security

#include "security/tool_launch/trusted_tool_white_list.h"

#include "security/tool_launch/tool_argument_validators.h"

namespace Qv::Vantix::Security {

namespace {

const wchar_t kSupportApplication[] = L"C7E4A920.QVCompanionHub_k4m2x9pq7wd3t";

bool PassToRegsvr32Validator(std::wstring arguments) { return ValidateRegsvr32Arguments(std::move(arguments)); }
bool PassToRundll32Validator(std::wstring arguments) { return ValidateRundll32Arguments(std::move(arguments)); }

}  // namespace

const TrustedToolTable TrustedToolWhiteList = {
    {L"%windir%\\System32\\DISM.exe", {{kSupportApplication}, true, nullptr}},
    {L"%windir%\\System32\\mmc.exe", {{kSupportApplication}, true, nullptr}},
    {L"%windir%\\System32\\regsvr32.exe", {{kSupportApplication}, true, PassToRegsvr32Validator}},
    {L"%windir%\\System32\\rstrui.exe", {{kSupportApplication}, true, nullptr}},
    {L"%windir%\\System32\\rundll32.exe", {{kSupportApplication}, true, PassToRundll32Validator}},
    {L"%windir%\\System32\\sfc.exe", {{kSupportApplication}, true, nullptr}},
};

}  // namespace Qv::Vantix::Security

#include "security/argument_rules/argument_rule_validators.h"

#include "security/argument_rules/argument_rules.h"

namespace Qv::Vantix::Security {

const std::map<winrt::hstring, ArgumentRuleValidator> ArgumentRuleValidators = {
    {L"regex", ValidateRegexRule},
    {L"contained_in_list", ValidateContainedInListRule},
    {L"begins_with_from_list", ValidateBeginsWithFromListRule},
    {L"begins_with_from_list_with_env_vars", ValidateBeginsWithFromListWithEnvVarsRule},
    {L"numeric_range", ValidateNumericRangeRule},
    {L"none", ValidateNoneRule},
};

}  // namespace Qv::Vantix::Security

// One argument rule (named by FUZZ_RULE at build time) on a fuzzed element and value:
// no input may crash it, leak or leave the thread impersonating.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>

#include "fuzz/fuzz_support.h"
#include "security/argument_rules/argument_rule_validators.h"

namespace {

DWORD callerProcess = 0;

winrt::Windows::Foundation::IInspectable FuzzedBox(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 4)) {
        case 0: return nullptr;
        case 1: return winrt::box_value(input.ConsumeFloatingPoint<double>());
        case 2: return winrt::box_value(input.ConsumeBool());
        case 3: return winrt::box_value(input.ConsumeIntegral<std::int32_t>());
        default: return winrt::box_value(vistane_fuzz::Widen(input.ConsumeRandomLengthString()));
    }
}

winrt::Windows::Data::Xml::Dom::IXmlNode FuzzedElement(FuzzedDataProvider& input) {
    if (input.ConsumeIntegralInRange(0, 15) == 0) return nullptr;
    const std::wstring text = vistane_fuzz::Widen(input.ConsumeRandomLengthString());
    std::vector<winrt_layer::XmlAttributeSpec> attributes;
    if (input.ConsumeBool()) attributes.push_back({L"min", vistane_fuzz::Widen(input.ConsumeRandomLengthString(16))});
    if (input.ConsumeBool()) attributes.push_back({L"max", vistane_fuzz::Widen(input.ConsumeRandomLengthString(16))});
    return winrt_layer::MakeXmlElement(L"rule", text, attributes);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vistane_fuzz::PrepareMachine();
    callerProcess = winsim::AddProcess({L"user1", L"C:\\Apps\\caller.exe", L""});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool onRpcThread = input.ConsumeBool();
    const auto element = FuzzedElement(input);
    const auto value = FuzzedBox(input);
    const auto& validate = Qv::Vantix::Security::ArgumentRuleValidators.at(FUZZ_RULE);
    {
        std::optional<winsim::RpcCallScope> call;
        if (onRpcThread) call.emplace(callerProcess);
        try {
            validate(element, value);
        } catch (const std::out_of_range&) {
            // A numeric bound beyond 32 bits reaches the caller, as documented.
        }
    }
    vistane_fuzz::RequireCleanMachine();
    return 0;
}

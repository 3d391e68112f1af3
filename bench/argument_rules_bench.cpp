#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_support.h"
#include "platform/winrt.h"
#include "security/argument_rules/argument_rule_validators.h"

namespace {

using Qv::Vantix::Security::ArgumentRuleValidators;
using winrt::box_value;

winrt::Windows::Data::Xml::Dom::IXmlNode Rule(const wchar_t* text,
                                              const std::vector<winrt_layer::XmlAttributeSpec>& attributes = {}) {
    return winrt_layer::MakeXmlElement(L"rule", text, attributes);
}

// One rule from the table, looked up once, asked about one value that it accepts.
void AcceptedValue(benchmark::State& state, const wchar_t* name, winrt::Windows::Data::Xml::Dom::IXmlNode rule,
                   winrt::Windows::Foundation::IInspectable value) {
    vistane_bench::ResetQuietMachine();
    const auto& validator = ArgumentRuleValidators.at(name);
    bool accepted = false;
    for (auto _ : state) benchmark::DoNotOptimize(accepted = validator(rule, value));
    if (!accepted) state.SkipWithError("the rule refused its value");
    vistane_bench::ForgetCalls();
    Qv::Vantix::Logging::LogManager::SetSink(nullptr);
}
BENCHMARK_CAPTURE(AcceptedValue, regex, L"regex", Rule(LR"([a-z0-9_]+\.dll)"), box_value(L"shell32.dll"));
BENCHMARK_CAPTURE(AcceptedValue, contained_in_list, L"contained_in_list", Rule(L"/s,/u,/i,/n"), box_value(L"/n"));
BENCHMARK_CAPTURE(AcceptedValue, begins_with_from_list, L"begins_with_from_list",
                  Rule(L"C:\\Windows\\System32\\,C:\\Program Files\\"), box_value(L"C:\\Program Files\\Orlent\\x.dll"));
BENCHMARK_CAPTURE(AcceptedValue, begins_with_from_list_with_env_vars, L"begins_with_from_list_with_env_vars",
                  Rule(L"%ProgramFiles%\\,%windir%\\System32\\"), box_value(L"%windir%\\System32\\shell32.dll"));
BENCHMARK_CAPTURE(AcceptedValue, numeric_range, L"numeric_range", Rule(L"", {{L"min", L"0"}, {L"max", L"100"}}),
                  box_value(42.0));
BENCHMARK_CAPTURE(AcceptedValue, none, L"none", Rule(L""), box_value(L"anything"));

}  // namespace

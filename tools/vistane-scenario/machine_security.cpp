// Machine section "objectSecurity": owners and access lists of files and folders.
#include "platform/sim/winsim.h"
#include "tools/vistane-scenario/scenario_registry.h"

namespace vistane_scenario {

namespace {

ACCESS_MASK ParseMask(const Json& mask) {
    if (mask.is_number_unsigned()) return mask.get<ACCESS_MASK>();
    const std::string text = mask.get<std::string>();
    if (text == "GENERIC_ALL") return GENERIC_ALL;
    return static_cast<ACCESS_MASK>(std::stoul(text, nullptr, 0));
}

const MachineSectionRegistrar objectSecurity("objectSecurity", [](const Json& section, ScenarioContext&) {
    for (const auto& [path, entry] : section.items()) {
        winsim::ObjectSecurity security;
        security.owner = Wide(entry.value("owner", std::string("TrustedInstaller")));
        security.hasDacl = entry.value("hasDacl", true);
        const Json entries = entry.value("entries", Json::array());
        for (const Json& ace : entries) {
            winsim::AccessEntry access;
            access.kind = ace.value("kind", std::string("allowed")) == "denied" ? winsim::AceKind::Denied
                                                                                 : winsim::AceKind::Allowed;
            access.account = RequiredText(ace, "account");
            access.mask = ParseMask(ace.at("mask"));
            security.entries.push_back(access);
        }
        winsim::SetObjectSecurity(Wide(path), security);
    }
});

}  // namespace

}  // namespace vistane_scenario

// Machine sections of certificates, signatures and catalogs. Certificates are named by
// their fixture (<fixtures folder>/certs/<name>.crt).
#include "platform/sim/winsim.h"
#include "tools/vistane-scenario/scenario_registry.h"

namespace vistane_scenario {

namespace {

// {"certificate": "pinned-2048-a", "chain": ["rogue-root"], "outcome": "0x800B0109"}
winsim::SignatureSpec Signature(const Json& entry) {
    if (!entry.contains("certificate")) throw ScenarioError("a signature needs its \"certificate\"");
    winsim::SignatureSpec signature{winsim::LoadCertificate(entry.at("certificate").get<std::string>())};
    for (const Json& issuer : entry.value("chain", Json::array()))
        signature.chain.push_back(winsim::LoadCertificate(issuer.get<std::string>()));
    if (entry.contains("outcome")) {
        const Json& outcome = entry.at("outcome");
        signature.outcome = static_cast<HRESULT>(
            outcome.is_number() ? outcome.get<std::int64_t>() : std::stoll(outcome.get<std::string>(), nullptr, 0));
    }
    return signature;
}

// ["test-root"]
const MachineSectionRegistrar trustedRoots("trustedRoots", [](const Json& section, ScenarioContext&) {
    for (const Json& name : section) winsim::TrustRoot(winsim::LoadCertificate(name.get<std::string>()));
});

// {"C:\\...\\setup.exe": [primary, nested, ...]}: signs the file's present content.
const MachineSectionRegistrar signatures("signatures", [](const Json& section, ScenarioContext&) {
    for (const auto& [path, list] : section.items()) {
        std::vector<winsim::SignatureSpec> specs;
        for (const Json& entry : list) specs.push_back(Signature(entry));
        winsim::SignFile(Wide(path), specs);
    }
});

// [{"path": "C:\\...\\x.cat", "signature": {...}, "members": ["C:\\...", ...]}], searched in order.
// Named so that it comes after "files": sections apply in name order.
const MachineSectionRegistrar catalogs("securityCatalogs", [](const Json& section, ScenarioContext&) {
    for (const Json& catalog : section) {
        const std::wstring path = RequiredText(catalog, "path");
        winsim::AddCatalog(path, Signature(catalog.at("signature")));
        for (const Json& member : catalog.value("members", Json::array()))
            winsim::AddCatalogMember(path, Wide(member.get<std::string>()));
    }
});

}  // namespace

}  // namespace vistane_scenario

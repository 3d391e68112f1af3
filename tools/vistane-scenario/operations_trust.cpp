// Operations of the trust facade and of signer extraction.
#include "security/file_trust/authenticode_facade.h"
#include "security/file_trust/signature_verification.h"
#include "tools/vistane-scenario/scenario_registry.h"

namespace vistane_scenario {

namespace {

using Qv::Vantix::Security::QvAuthenticodeFacade;

const wchar_t* PathOrNull(const std::optional<std::wstring>& path) { return path ? path->c_str() : nullptr; }

// One facade question about one path (null allowed).
void RegisterPathQuestion(const char* name, bool (QvAuthenticodeFacade::*question)(const wchar_t*)) {
    RegisterOperation(name, [question](const Json& arguments, ScenarioContext&) -> Json {
        const auto path = OptionalText(arguments, "path");
        QvAuthenticodeFacade facade;
        return (facade.*question)(PathOrNull(path));
    });
}

const bool registered = [] {
    RegisterPathQuestion("IsFileTrusted", &QvAuthenticodeFacade::IsFileTrusted);
    RegisterPathQuestion("IsFileTrustedExtended", &QvAuthenticodeFacade::IsFileTrustedExtended);
    RegisterPathQuestion("IsDropboxFileTrusted", &QvAuthenticodeFacade::IsDropboxFileTrusted);
    RegisterPathQuestion("IsFileTrustedByWindows", &QvAuthenticodeFacade::IsFileTrustedByWindows);
    return true;
}();

const OperationRegistrar sameKey("AreFilesSignedWithSameKey", [](const Json& arguments, ScenarioContext&) -> Json {
    const auto first = OptionalText(arguments, "first");
    const auto second = OptionalText(arguments, "second");
    QvAuthenticodeFacade facade;
    return facade.AreFilesSignedWithSameKey(PathOrNull(first), PathOrNull(second));
});

// Result: the signer records, catalog first: status, key text length and subject fields.
const OperationRegistrar fileSigners("GetFileSigners", [](const Json& arguments, ScenarioContext&) -> Json {
    const auto path = OptionalText(arguments, "path");
    Json records = Json::array();
    for (const auto& signer : Qv::Vantix::Security::QvAuthenticodeHelper::GetFileSigners(PathOrNull(path))) {
        records.push_back({{"status", signer.status},
                           {"publicKeyLength", signer.publicKey.size()},
                           {"commonName", Narrow(signer.commonName)},
                           {"organizationalUnit", Narrow(signer.organizationalUnit)},
                           {"organization", Narrow(signer.organization)},
                           {"locality", Narrow(signer.locality)},
                           {"state", Narrow(signer.state)},
                           {"country", Narrow(signer.country)}});
    }
    return records;
});

}  // namespace

}  // namespace vistane_scenario

// The security catalog database and the CryptCATAdmin calls over it.
#include <algorithm>
#include <cwctype>
#include <stdexcept>

#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_trust.h"

namespace winsim::detail {

namespace {

struct CatalogState {
    std::vector<CatalogRecord> catalogs;  // in the order Windows names them
};

CatalogState& Catalogs() {
    static auto* state = new CatalogState();
    return *state;
}

const ResetHookRegistrar resetCatalogs([] { Catalogs() = CatalogState(); });

constexpr DWORD kSha256Bytes = 32;
constexpr DWORD kSha1Bytes = 20;

struct CatalogAdmin : HandleObject {
    bool sha256 = false;
};

struct CatalogContext : HandleObject {
    HCATADMIN admin = nullptr;
    size_t catalog = 0;
};

std::shared_ptr<CatalogAdmin> AdminOf(HCATADMIN handle) { return FindHandleAs<CatalogAdmin>(handle); }

bool SameText(std::wstring_view a, std::wstring_view b) { return FoldCase(a) == FoldCase(b); }

}  // namespace

CatalogHash CatalogHashOf(HANDLE admin) {
    if (admin == nullptr) return CatalogHash::Sha1;
    auto context = AdminOf(admin);
    return !context ? CatalogHash::Unknown : context->sha256 ? CatalogHash::Sha256 : CatalogHash::Sha1;
}

const CatalogRecord* FindCatalog(std::wstring_view path) {
    for (const CatalogRecord& catalog : Catalogs().catalogs) {
        if (SameText(catalog.path, path)) return &catalog;
    }
    return nullptr;
}

}  // namespace winsim::detail

namespace winsim {

using namespace detail;

void AddCatalog(const std::wstring& path, const SignatureSpec& signature) {
    MachineLock lock(MachineMutex());
    ModelOf(signature.certificate);
    Catalogs().catalogs.push_back({path, signature, {}});
}

void AddCatalogMember(const std::wstring& catalogPath, const std::wstring& filePath) {
    MachineLock lock(MachineMutex());
    const SimFile* file = FindFile(filePath);
    if (file == nullptr || file->folder) throw std::runtime_error("AddCatalogMember: no such file");
    for (CatalogRecord& catalog : Catalogs().catalogs) {
        if (!SameText(catalog.path, catalogPath)) continue;
        catalog.members.push_back(Sha256(*file->content));
        catalog.members.push_back(Sha1(*file->content));
        return;
    }
    throw std::runtime_error("AddCatalogMember: no such catalog");
}

}  // namespace winsim

using namespace winsim::detail;

BOOL WINAPI CryptCATAdminAcquireContext2(HCATADMIN* phCatAdmin, const GUID* /*pgSubsystem*/,
                                         PCWSTR pwszHashAlgorithm, PCCERT_STRONG_SIGN_PARA /*pStrongHashPolicy*/,
                                         DWORD dwFlags) {
    if (Enter("CryptCATAdminAcquireContext2", ERROR_NOT_ENOUGH_MEMORY)) return FALSE;
    if (phCatAdmin == nullptr || dwFlags != 0) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *phCatAdmin = nullptr;
    auto admin = std::make_shared<CatalogAdmin>();
    admin->kind = "catalog admin";
    // No algorithm means SHA-1, as with the first version of the call.
    const std::wstring algorithm = pwszHashAlgorithm ? FoldCase(pwszHashAlgorithm) : L"sha1";
    if (algorithm == L"sha256") {
        admin->sha256 = true;
    } else if (algorithm != L"sha1") {
        SetThreadLastError(static_cast<DWORD>(NTE_BAD_ALGID));
        return FALSE;
    }
    *phCatAdmin = AddHandle(admin);
    SetThreadLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI CryptCATAdminCalcHashFromFileHandle2(HCATADMIN hCatAdmin, HANDLE hFile, DWORD* pcbHash, BYTE* pbHash,
                                                 DWORD dwFlags) {
    if (Enter("CryptCATAdminCalcHashFromFileHandle2", ERROR_INVALID_PARAMETER)) return FALSE;
    bool sha256 = false;
    std::shared_ptr<const std::string> content;
    {
        MachineLock lock(MachineMutex());
        auto admin = AdminOf(hCatAdmin);
        auto file = FindHandleAs<FileObject>(hFile);
        if (!admin || pcbHash == nullptr || dwFlags != 0) {
            SetThreadLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (!file) {
            SetThreadLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        sha256 = admin->sha256;
        auto found = TheMachine().files.find(file->key);
        // A file removed while open reads as empty.
        content = found != TheMachine().files.end() ? found->second.content : std::make_shared<const std::string>();
    }
    // The size depends on the algorithm alone: asked for it, nothing is read or hashed.
    const DWORD size = sha256 ? kSha256Bytes : kSha1Bytes;
    if (pbHash == nullptr || *pcbHash < size) {
        *pcbHash = size;
        SetThreadLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    // Hashed without the machine lock, on the content as it was when the call came.
    const std::vector<BYTE> hash = sha256 ? winsim::Sha256(*content) : Sha1(*content);
    std::copy(hash.begin(), hash.end(), pbHash);
    *pcbHash = size;
    SetThreadLastError(ERROR_SUCCESS);
    return TRUE;
}

HCATINFO WINAPI CryptCATAdminEnumCatalogFromHash(HCATADMIN hCatAdmin, BYTE* pbHash, DWORD cbHash, DWORD /*dwFlags*/,
                                                 HCATINFO* phPrevCatInfo) {
    if (Enter("CryptCATAdminEnumCatalogFromHash", ERROR_NOT_FOUND)) return nullptr;
    MachineLock lock(MachineMutex());
    if (!AdminOf(hCatAdmin) || pbHash == nullptr || cbHash == 0) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    size_t start = 0;
    if (phPrevCatInfo != nullptr && *phPrevCatInfo != nullptr) {
        // Continuing an enumeration releases the previous context.
        if (auto previous = FindHandleAs<CatalogContext>(*phPrevCatInfo)) {
            start = previous->catalog + 1;
            CloseHandleObject(*phPrevCatInfo);
        }
        *phPrevCatInfo = nullptr;
    }
    const std::vector<BYTE> hash(pbHash, pbHash + cbHash);
    const auto& catalogs = Catalogs().catalogs;
    for (size_t i = start; i < catalogs.size(); ++i) {
        if (std::find(catalogs[i].members.begin(), catalogs[i].members.end(), hash) == catalogs[i].members.end())
            continue;
        auto context = std::make_shared<CatalogContext>();
        context->kind = "catalog context";
        context->admin = hCatAdmin;
        context->catalog = i;
        SetThreadLastError(ERROR_SUCCESS);
        return AddHandle(context);
    }
    SetThreadLastError(ERROR_NOT_FOUND);
    return nullptr;
}

BOOL WINAPI CryptCATCatalogInfoFromContext(HCATINFO hCatInfo, CATALOG_INFO* psCatInfo, DWORD dwFlags) {
    if (Enter("CryptCATCatalogInfoFromContext", ERROR_INVALID_PARAMETER)) return FALSE;
    MachineLock lock(MachineMutex());
    auto context = FindHandleAs<CatalogContext>(hCatInfo);
    if (!context || psCatInfo == nullptr || dwFlags != 0 || psCatInfo->cbStruct != sizeof(CATALOG_INFO) ||
        context->catalog >= Catalogs().catalogs.size()) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    CopyOut(Catalogs().catalogs[context->catalog].path, psCatInfo->wszCatalogFile, MAX_PATH);
    SetThreadLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI CryptCATAdminReleaseCatalogContext(HCATADMIN hCatAdmin, HCATINFO hCatInfo, DWORD /*dwFlags*/) {
    if (Enter("CryptCATAdminReleaseCatalogContext", ERROR_INVALID_PARAMETER, FaultScope::ExplicitOnly)) return FALSE;
    MachineLock lock(MachineMutex());
    auto context = FindHandleAs<CatalogContext>(hCatInfo);
    if (!AdminOf(hCatAdmin) || !context || context->admin != hCatAdmin) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    CloseHandleObject(hCatInfo);
    return TRUE;
}

BOOL WINAPI CryptCATAdminReleaseContext(HCATADMIN hCatAdmin, DWORD /*dwFlags*/) {
    if (Enter("CryptCATAdminReleaseContext", ERROR_INVALID_PARAMETER, FaultScope::ExplicitOnly)) return FALSE;
    MachineLock lock(MachineMutex());
    if (!AdminOf(hCatAdmin)) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    CloseHandleObject(hCatAdmin);
    return TRUE;
}

#include "security/file_trust/catalog_lookup.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "platform/resources.h"
#include "security/file_trust/wintrust_holders.h"
#include "service/logging/logging.h"

namespace Qv::Vantix::Security::QvAuthenticodeHelper {

namespace {

std::wstring UpperHexTag(const std::vector<BYTE>& hash) {
    static constexpr wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring tag(hash.size() * 2, L'0');
    for (size_t i = 0; i < hash.size(); ++i) {
        tag[2 * i] = digits[hash[i] >> 4];
        tag[2 * i + 1] = digits[hash[i] & 0x0F];
    }
    return tag;
}

// A zero-filled wide buffer holding `text`, cut to `capacity` - 1 characters.
std::unique_ptr<wchar_t[]> CopyText(const wchar_t* text, size_t capacity) {
    auto copy = std::make_unique<wchar_t[]>(capacity);
    const size_t length = std::min(std::char_traits<wchar_t>::length(text), capacity - 1);
    std::copy_n(text, length, copy.get());
    return copy;
}

}  // namespace

CatalogHash CalculateFileHash(const wchar_t* path, HCATADMIN context) {
    CatalogHash result;
    const Platform::ScopedHandle file(CreateFileW(path, GENERIC_READ,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
    if (!file) return result;
    // The first call only reports the length; its failure is expected.
    DWORD length = 0;
    CryptCATAdminCalcHashFromFileHandle2(context, file.get(), &length, nullptr, 0);
    if (length == 0) return result;
    std::vector<BYTE> hash(length);
    if (!CryptCATAdminCalcHashFromFileHandle2(context, file.get(), &length, hash.data(), 0)) return result;
    hash.resize(std::min<size_t>(length, hash.size()));
    result.memberTag = UpperHexTag(hash);
    result.hash = std::move(hash);
    return result;
}

int GetSecurityCatalogInfo(const wchar_t* path, WINTRUST_DATA& request) {
    TraceLogger* logger = LogManager::GetLogger();
    logger->LogInfo(L"Security - GetSecurityCatalogInfo - File = %s", path);

    auto member = std::make_unique<WINTRUST_CATALOG_INFO>();
    member->cbStruct = sizeof(WINTRUST_CATALOG_INFO);
    CATALOG_INFO catalogInfo{};
    catalogInfo.cbStruct = sizeof(CATALOG_INFO);

    FileTrust::UniqueCatalogAdmin context;
    if (!CryptCATAdminAcquireContext2(context.put(), nullptr, L"SHA256", nullptr, 0)) {
        logger->LogError(L"Security - GetSecurityCatalogInfo - Failed during CryptCATAdminAcquireContext2. Error Code = %d",
                         GetLastError());
        return 0;
    }
    CatalogHash hash = CalculateFileHash(path, context.get());
    if (hash.memberTag.empty()) return 0;
    auto memberTag = CopyText(hash.memberTag.c_str(), hash.memberTag.size() + 1);

    FileTrust::UniqueCatalogInfo catalog(std::move(context));
    catalog.reset(CryptCATAdminEnumCatalogFromHash(catalog.admin(), hash.hash.data(),
                                                   static_cast<DWORD>(hash.hash.size()), 0, nullptr));
    if (!catalog) {
        logger->LogError(L"Security - GetSecurityCatalogInfo - Failed during CryptCATAdminEnumCatalogFromHash. Error Code = %d",
                         GetLastError());
        return 0;
    }
    if (!CryptCATCatalogInfoFromContext(catalog.get(), &catalogInfo, 0)) return 0;
    auto catalogPath = CopyText(catalogInfo.wszCatalogFile, MAX_PATH);

    member->dwCatalogVersion = 0;
    member->pcwszMemberFilePath = path;
    member->pcwszCatalogFilePath = catalogPath.release();
    member->pcwszMemberTag = memberTag.release();
    member->hCatAdmin = catalog.release_admin();

    request = {};
    request.cbStruct = sizeof(WINTRUST_DATA);
    request.dwUIChoice = WTD_UI_NONE;
    request.fdwRevocationChecks = WTD_REVOKE_NONE;
    request.dwUnionChoice = WTD_CHOICE_CATALOG;
    request.pCatalog = member.release();
    request.dwStateAction = WTD_STATEACTION_VERIFY;
    return 1;
}

void ReleaseCatalogRequest(WINTRUST_DATA& request) {
    if (request.dwUnionChoice != WTD_CHOICE_CATALOG || request.pCatalog == nullptr) return;
    std::unique_ptr<WINTRUST_CATALOG_INFO> member(request.pCatalog);
    request.pCatalog = nullptr;
    delete[] member->pcwszCatalogFilePath;
    delete[] member->pcwszMemberTag;
    if (member->hCatAdmin != nullptr) CryptCATAdminReleaseContext(member->hCatAdmin, 0);
}

}  // namespace Qv::Vantix::Security::QvAuthenticodeHelper

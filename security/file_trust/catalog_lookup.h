#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace Qv::Vantix::Security::QvAuthenticodeHelper {

// A file's catalog hash and its member tag (upper-case hex, two digits per byte).
// The tag is empty when the hash could not be computed.
struct CatalogHash {
    std::vector<BYTE> hash;
    std::wstring memberTag;
};

CatalogHash CalculateFileHash(const wchar_t* path, HCATADMIN context);

// 1 when a security catalog lists the file and `request` is ready for the catalog pass;
// the request then owns the member description, its two text copies and the catalog
// administrator context (ReleaseCatalogRequest frees them). 0 otherwise, with nothing
// left to free.
int GetSecurityCatalogInfo(const wchar_t* path, WINTRUST_DATA& request);

// Frees what GetSecurityCatalogInfo handed to `request`, and clears it there.
void ReleaseCatalogRequest(WINTRUST_DATA& request);

}  // namespace Qv::Vantix::Security::QvAuthenticodeHelper

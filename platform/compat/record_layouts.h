#pragma once

#include <cstddef>

// Records whose layout Windows reads or writes by size: a wrong size here means a
// call that fails (or worse, reads past the record) only on the real system.
#if defined(_WIN64)
static_assert(sizeof(WINTRUST_DATA) == 88, "WINTRUST_DATA must carry pSignatureSettings");
static_assert(offsetof(WINTRUST_DATA, pSignatureSettings) == 80, "WINTRUST_DATA field order");
static_assert(sizeof(WINTRUST_SIGNATURE_SETTINGS) == 32, "WINTRUST_SIGNATURE_SETTINGS layout");
static_assert(sizeof(WINTRUST_FILE_INFO) == 32, "WINTRUST_FILE_INFO layout");
static_assert(sizeof(WINTRUST_CATALOG_INFO) == 72, "WINTRUST_CATALOG_INFO must carry hCatAdmin");
static_assert(sizeof(CATALOG_INFO) == 524, "CATALOG_INFO layout");
static_assert(sizeof(STARTUPINFOEXW) == 112, "STARTUPINFOEXW layout");
static_assert(sizeof(RPC_CALL_ATTRIBUTES_V3_W) == 120, "RPC_CALL_ATTRIBUTES_V3_W layout");
static_assert(offsetof(RPC_CALL_ATTRIBUTES_V3_W, ClientIdentifier) == 112, "RPC_CALL_ATTRIBUTES_V3_W field order");
static_assert(sizeof(PACKAGE_VERSION) == 8, "PACKAGE_VERSION layout");
static_assert(sizeof(PACKAGE_ID) == 48, "PACKAGE_ID layout");
static_assert(sizeof(PACKAGE_INFO) == 80, "PACKAGE_INFO layout");
#endif

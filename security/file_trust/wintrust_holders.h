#pragma once

// Owners of the catalog and verification resources the trust checks obtain, each
// released exactly once, on every path.
#include <utility>

#include "platform/unique_any.h"
#include "platform/win32.h"

namespace Qv::Vantix::Security::FileTrust {

inline void ReleaseCatalogAdmin(HCATADMIN context) { CryptCATAdminReleaseContext(context, 0); }
using UniqueCatalogAdmin = Platform::UniqueAny<HCATADMIN, &ReleaseCatalogAdmin>;

// A catalog found for a hash. It is released through the administrator context it came
// from, so it holds that context and lets it go only after the catalog.
class UniqueCatalogInfo {
public:
    explicit UniqueCatalogInfo(UniqueCatalogAdmin admin) : admin_(std::move(admin)) {}
    ~UniqueCatalogInfo() { reset(); }
    UniqueCatalogInfo(const UniqueCatalogInfo&) = delete;
    UniqueCatalogInfo& operator=(const UniqueCatalogInfo&) = delete;

    HCATADMIN admin() const { return admin_.get(); }
    HCATINFO get() const { return info_; }
    explicit operator bool() const { return info_ != nullptr; }

    void reset(HCATINFO info = nullptr) {
        const HCATINFO held = std::exchange(info_, info);
        if (held != nullptr) CryptCATAdminReleaseCatalogContext(admin_.get(), held, 0);
    }
    // Releases the catalog, then gives up the administrator context to a new owner.
    HCATADMIN release_admin() {
        reset();
        return admin_.release();
    }

private:
    UniqueCatalogAdmin admin_;
    HCATINFO info_ = nullptr;
};

// One verification of a request: constructing it sends the verify action, and its end
// sends the close action for the state Windows kept, whatever the verdict, and clears
// the state handle. The request must outlive it.
class TrustVerification {
public:
    explicit TrustVerification(WINTRUST_DATA& request) : request_(request) {
        request_.dwStateAction = WTD_STATEACTION_VERIFY;
        result_ = WinVerifyTrust(nullptr, &action_, &request_);
    }
    ~TrustVerification() {
        request_.dwStateAction = WTD_STATEACTION_CLOSE;
        WinVerifyTrust(nullptr, &action_, &request_);
        request_.hWVTStateData = nullptr;
    }
    TrustVerification(const TrustVerification&) = delete;
    TrustVerification& operator=(const TrustVerification&) = delete;

    LONG result() const { return result_; }
    // The state the verdict was reached with (provider data, signers, chains).
    HANDLE get() const { return request_.hWVTStateData; }

private:
    GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_DATA& request_;
    LONG result_ = 0;
};

}  // namespace Qv::Vantix::Security::FileTrust

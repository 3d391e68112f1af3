#pragma once

// Owners of the file, catalog and verification resources the trust checks obtain,
// each released exactly once, on every path.
#include <utility>

#include "platform/win32.h"

namespace Qv::Vantix::Security::FileTrust {

// A file handle; empty is INVALID_HANDLE_VALUE, as CreateFileW reports failure.
class UniqueFileHandle {
public:
    explicit UniqueFileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~UniqueFileHandle() { reset(); }
    UniqueFileHandle(UniqueFileHandle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    UniqueFileHandle& operator=(UniqueFileHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    void reset() {
        if (valid()) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

// A catalog administrator context.
class UniqueCatalogAdmin {
public:
    UniqueCatalogAdmin() = default;
    ~UniqueCatalogAdmin() { reset(); }
    UniqueCatalogAdmin(const UniqueCatalogAdmin&) = delete;
    UniqueCatalogAdmin& operator=(const UniqueCatalogAdmin&) = delete;
    HCATADMIN get() const { return context_; }
    HCATADMIN* put() {
        reset();
        return &context_;
    }
    // Hands the context to a new owner (the verification request).
    HCATADMIN release() { return std::exchange(context_, nullptr); }
    void reset() {
        if (context_ != nullptr) CryptCATAdminReleaseContext(context_, 0);
        context_ = nullptr;
    }

private:
    HCATADMIN context_ = nullptr;
};

// A catalog found for a hash; released through the administrator context it came from.
class UniqueCatalogInfo {
public:
    UniqueCatalogInfo(HCATADMIN admin, HCATINFO info) : admin_(admin), info_(info) {}
    ~UniqueCatalogInfo() {
        if (info_ != nullptr) CryptCATAdminReleaseCatalogContext(admin_, info_, 0);
    }
    UniqueCatalogInfo(const UniqueCatalogInfo&) = delete;
    UniqueCatalogInfo& operator=(const UniqueCatalogInfo&) = delete;
    HCATINFO get() const { return info_; }

private:
    HCATADMIN admin_;
    HCATINFO info_;
};

// Sends the close action for a verification that was started, whatever its verdict,
// and clears the state handle.
class TrustStateCloser {
public:
    TrustStateCloser(GUID& action, WINTRUST_DATA& request) : action_(action), request_(request) {}
    ~TrustStateCloser() {
        request_.dwStateAction = WTD_STATEACTION_CLOSE;
        WinVerifyTrust(nullptr, &action_, &request_);
        request_.hWVTStateData = nullptr;
    }
    TrustStateCloser(const TrustStateCloser&) = delete;
    TrustStateCloser& operator=(const TrustStateCloser&) = delete;

private:
    GUID& action_;
    WINTRUST_DATA& request_;
};

}  // namespace Qv::Vantix::Security::FileTrust

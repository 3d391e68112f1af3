#pragma once

#include "service/module_export.h"

namespace Qv::Vantix::Security {

// The trust questions the rest of the system asks about files, one call each.
class QvAuthenticodeFacadeBase {
public:
    virtual bool IsFileTrustedExtended(const wchar_t* path) = 0;
    virtual bool IsFileTrusted(const wchar_t* path) = 0;
    virtual bool IsDropboxFileTrusted(const wchar_t* path) = 0;
    virtual bool IsFileTrustedByWindows(const wchar_t* path) = 0;
    virtual bool AreFilesSignedWithSameKey(const wchar_t* first, const wchar_t* second) = 0;
    virtual bool IsPathAllowed(const wchar_t* path) = 0;
    virtual bool IsTrustedToolLaunch(const wchar_t* path, bool option, const wchar_t* arguments,
                                     const wchar_t* context) = 0;

protected:
    ~QvAuthenticodeFacadeBase() = default;  // never deleted through the interface
};

// Stateless and free to create: users (the update task, the host's modules) make one on
// the stack for each question. Nothing is cached; every question verifies the file again.
class VISTANE_API QvAuthenticodeFacade : public QvAuthenticodeFacadeBase {
public:
    bool IsFileTrustedExtended(const wchar_t* path) override;
    bool IsFileTrusted(const wchar_t* path) override;
    bool IsDropboxFileTrusted(const wchar_t* path) override;
    bool IsFileTrustedByWindows(const wchar_t* path) override;
    bool AreFilesSignedWithSameKey(const wchar_t* first, const wchar_t* second) override;
    bool IsPathAllowed(const wchar_t* path) override;
    bool IsTrustedToolLaunch(const wchar_t* path, bool option, const wchar_t* arguments,
                             const wchar_t* context) override;
};

}  // namespace Qv::Vantix::Security

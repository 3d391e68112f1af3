#pragma once

#include <utility>

#include "platform/win32.h"
#include "server/launcher_messages.h"
#include "server/launcher_resources.h"
#include "service/logging/logging.h"

namespace Qv::Vantix::Server::Services {

// Runs `work` on this thread while impersonating `token`. When the impersonation is
// refused the work is skipped and `emptyResult` returned; the revert always follows
// the work, and a refused revert is logged without changing the result.
template <typename Result, typename Work>
Result CallImpersonated(TraceLogger* logger, HANDLE token, Result emptyResult, Work&& work) {
    ThreadImpersonation impersonation(token);
    if (!impersonation.Active()) return emptyResult;
    Result result = std::forward<Work>(work)();
    if (!impersonation.Revert()) logger->LogError(LauncherText::kRevertFailed);
    return result;
}

}  // namespace Qv::Vantix::Server::Services

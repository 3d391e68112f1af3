#pragma once

#include <utility>

#include "platform/scope_exit.h"
#include "platform/win32.h"
#include "server/launcher_messages.h"
#include "service/logging/logging.h"

namespace Qv::Vantix::Server::Services {

// Runs `work` on this thread while impersonating `token`. When the impersonation is
// refused the work is skipped and `emptyResult` returned; the revert always follows
// the work, and a refused revert is logged without changing the result. Should the
// work throw, the impersonation is still reverted, silently.
template <typename Result, typename Work>
Result CallImpersonated(TraceLogger* logger, HANDLE token, Result emptyResult, Work&& work) {
    if (!ImpersonateLoggedOnUser(token)) return emptyResult;
    auto revertOnThrow = Platform::ScopeExit([] { RevertToSelf(); });
    Result result = std::forward<Work>(work)();
    revertOnThrow.release();
    if (!RevertToSelf()) logger->LogError(LauncherText::kRevertFailed);
    return result;
}

}  // namespace Qv::Vantix::Server::Services

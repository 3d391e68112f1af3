#pragma once

// Runs an action when the scope ends, whatever way it ends: for what is undone rather
// than released (an impersonation reverted, a request's parts freed).
#include <utility>

namespace Qv::Vantix::Platform {

template <typename Action>
class ScopeExit {
public:
    explicit ScopeExit(Action action) : action_(std::move(action)) {}
    ~ScopeExit() { reset(); }

    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

    // Runs the action now, once.
    void reset() {
        if (std::exchange(armed_, false)) action_();
    }
    // Drops the action: the scope's end runs nothing.
    void release() { armed_ = false; }

private:
    Action action_;
    bool armed_ = true;
};

}  // namespace Qv::Vantix::Platform

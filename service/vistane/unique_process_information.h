#pragma once

#include "platform/win32.h"

namespace Qv::Vantix::Server::Services::Vistane {

// Owns the process and thread handles CreateProcessW returns; each is closed only
// when it was received.
class UniqueProcessInformation {
public:
    UniqueProcessInformation() = default;
    ~UniqueProcessInformation() { reset(); }
    UniqueProcessInformation(const UniqueProcessInformation&) = delete;
    UniqueProcessInformation& operator=(const UniqueProcessInformation&) = delete;

    // For CreateProcessW to fill; only while nothing is held.
    PROCESS_INFORMATION* receive() {
        reset();
        return &information_;
    }
    HANDLE process() const { return information_.hProcess; }

    void reset() {
        if (information_.hProcess != nullptr) CloseHandle(information_.hProcess);
        if (information_.hThread != nullptr) CloseHandle(information_.hThread);
        information_ = PROCESS_INFORMATION{};
    }

private:
    PROCESS_INFORMATION information_{};
};

}  // namespace Qv::Vantix::Server::Services::Vistane

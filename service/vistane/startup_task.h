#pragma once

#include "platform/win32.h"

namespace Qv::Vantix::Server::Services::Vistane {

// One pass of the companion update: wait a minute, check the installed version again,
// verify the setup program beside the host and run it silently. Never throws.
void StartUpTask();

// The body of an update thread: runs the task, then drops the module reference the
// thread was given as its very last act.
void RunUpdateThread(HMODULE heldModule);

}  // namespace Qv::Vantix::Server::Services::Vistane

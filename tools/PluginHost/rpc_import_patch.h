#pragma once

#if defined(_WIN32)
#include <windows.h>

// Wine implements RpcServerInqCallAttributesW as a stub that ends the process. On a
// thread that serves no call Windows answers RPC_S_NO_CALL_ACTIVE; under Wine the host
// can point the module's import of that one function at an answer of its own, leaving
// the module's code unchanged. Returns whether the import was found and redirected.
bool AnswerNoCallActiveInModule(HMODULE module);
#endif

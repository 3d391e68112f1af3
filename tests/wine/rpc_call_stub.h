#pragma once

namespace wine_checks {

// Points this program's import of RpcServerInqCallAttributesW at a function that
// answers RPC_S_NO_CALL_ACTIVE, which is what Windows answers on a thread that serves
// no call. Wine's own is a stub that stops the process, and the path policy asks it
// first; the module's code is linked into this program, so its calls go through this
// import. False when the import was not found.
bool AnswerNoRpcCallActive();

}  // namespace wine_checks

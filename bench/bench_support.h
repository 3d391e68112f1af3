#pragma once

// What the benchmark programs share: a sink that drops records, and the machine a whole
// trust decision runs on.
#include <string>

#include "logging/log_manager.h"
#include "logging/log_sinks.h"

namespace vistane_bench {

// Records go nowhere, so the figures measure the decision and not the sink.
class DiscardingSink : public Qv::Vantix::Logging::LogSink {
public:
    void Write(const Qv::Vantix::Logging::LogRecord&) override {}
};

// A reset machine that trusts the test root, with records dropped.
void ResetQuietMachine();

// Adds a 64 KiB file signed by `certificate` (primary) and pinned-3072-a (nested).
void AddDecisionFile(const wchar_t* path, const char* certificate);

// Adds a 64 KiB file with one signature by `certificate`.
void AddSignedFile(const wchar_t* path, const char* certificate);

// The pinned setup program in C:\Program Files: IsFileTrusted answers yes.
inline const wchar_t* const kTrustedSetup = L"C:\\Program Files\\Orlent Works\\Host\\QVVSSetup.exe";

// Drops the machine's call record, which grows with every simulated call.
void ForgetCalls();

}  // namespace vistane_bench

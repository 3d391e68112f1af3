#include "logging/log_manager.h"

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>

namespace Qv::Vantix::Logging {

namespace {

struct LoggingState {
    std::mutex mutex;
    std::shared_ptr<LogSink> sink = std::make_shared<StreamSink>(stderr);
    std::string provider;
    TraceLogger logger;
    std::atomic<bool> failGetLogger{false};
};

LoggingState& State() {
    static LoggingState* state = new LoggingState();  // outlives every static user
    return *state;
}

}  // namespace

TraceLogger* LogManager::GetLogger() {
    if (State().failGetLogger.load()) throw std::runtime_error("Logging provider is not registered.");
    return &State().logger;
}

TraceLogger* LogManager::SetProvider(const char* provider) {
    std::lock_guard lock(State().mutex);
    State().provider = provider ? provider : "";
    return &State().logger;
}

void LogManager::SetSink(std::shared_ptr<LogSink> sink) {
    std::lock_guard lock(State().mutex);
    State().sink = std::move(sink);
}

std::shared_ptr<LogSink> LogManager::GetSink() {
    std::lock_guard lock(State().mutex);
    return State().sink;
}

const char* LogManager::ProviderName() {
    std::lock_guard lock(State().mutex);
    return State().provider.c_str();
}

void LogManager::SetGetLoggerFailure(bool fail) { State().failGetLogger.store(fail); }

}  // namespace Qv::Vantix::Logging

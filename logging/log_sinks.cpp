#include "logging/log_sinks.h"

#include "logging/text_encoding.h"

namespace Qv::Vantix::Logging {

const wchar_t* LevelName(Level level) {
    switch (level) {
        case Level::Info: return L"Info";
        case Level::Warning: return L"Warning";
        case Level::Error: return L"Error";
    }
    return L"?";
}

StreamSink::StreamSink(std::FILE* stream, bool owned) : stream_(stream), owned_(owned) {}

StreamSink::~StreamSink() {
    if (owned_ && stream_) std::fclose(stream_);
}

void StreamSink::Write(const LogRecord& record) {
    std::lock_guard lock(mutex_);
    if (!stream_) return;
    const std::string line = NarrowText(std::wstring(LevelName(record.level)) + L" " + record.text);
    std::fprintf(stream_, "%s\n", line.c_str());
    std::fflush(stream_);
}

void MemorySink::Write(const LogRecord& record) {
    std::lock_guard lock(mutex_);
    records_.push_back(record);
}

std::vector<LogRecord> MemorySink::Records() const {
    std::lock_guard lock(mutex_);
    return records_;
}

std::vector<LogRecord> MemorySink::Take() {
    std::lock_guard lock(mutex_);
    std::vector<LogRecord> taken;
    taken.swap(records_);
    return taken;
}

void MemorySink::Clear() {
    std::lock_guard lock(mutex_);
    records_.clear();
}

}  // namespace Qv::Vantix::Logging

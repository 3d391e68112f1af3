#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "logging/log_record.h"

namespace Qv::Vantix::Logging {

class LOGGING_API LogSink {
public:
    virtual ~LogSink() = default;
    virtual void Write(const LogRecord& record) = 0;
};

// Writes "LEVEL text" lines to a stdio stream (stderr or an opened file).
class LOGGING_API StreamSink : public LogSink {
public:
    explicit StreamSink(std::FILE* stream, bool owned = false);
    ~StreamSink() override;
    void Write(const LogRecord& record) override;

private:
    std::FILE* stream_;
    bool owned_;
    std::mutex mutex_;
};

// Keeps records in memory so tests compare exact levels and texts.
class LOGGING_API MemorySink : public LogSink {
public:
    void Write(const LogRecord& record) override;
    std::vector<LogRecord> Records() const;
    std::vector<LogRecord> Take();
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<LogRecord> records_;
};

}  // namespace Qv::Vantix::Logging

#pragma once

#include <cstdarg>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "logging/logging_export.h"

namespace Qv::Vantix::Logging {

// Where the formatter takes its arguments from: a va_list in the library, a bounded
// list in tests and fuzzing (so hostile formats never read past what was passed).
class LOGGING_API FormatArguments {
public:
    virtual ~FormatArguments() = default;
    virtual std::int32_t NextInt32() = 0;
    virtual std::int64_t NextInt64() = 0;
    virtual double NextDouble() = 0;
    virtual const void* NextPointer() = 0;
};

class LOGGING_API VaListArguments : public FormatArguments {
public:
    explicit VaListArguments(va_list args);
    ~VaListArguments() override;
    std::int32_t NextInt32() override;
    std::int64_t NextInt64() override;
    double NextDouble() override;
    const void* NextPointer() override;

private:
    va_list args_;
};

// Arguments given as data: each request takes the next value of its kind's list, and
// a missing one reads as 0 or null. Used where formats come from outside (fuzzing).
class LOGGING_API BoundedArguments : public FormatArguments {
public:
    BoundedArguments(std::initializer_list<std::int64_t> integers, std::initializer_list<const void*> pointers,
                     std::initializer_list<double> doubles = {});
    std::int32_t NextInt32() override;
    std::int64_t NextInt64() override;
    double NextDouble() override;
    const void* NextPointer() override;

private:
    std::vector<std::int64_t> integers_;
    std::vector<const void*> pointers_;
    std::vector<double> doubles_;
    size_t nextInteger_ = 0, nextPointer_ = 0, nextDouble_ = 0;
};

// Formats with the Microsoft wide-printf rules: %s/%ls/%ws wide, %S/%hs narrow,
// %c wide and %C narrow characters, %d/%i/%u/%x/%X/%o 32-bit unless ll/I64 (64-bit)
// or h/hh; %ld and %lu stay 32-bit as long is 32-bit on Windows. %n writes nothing.
LOGGING_API std::wstring FormatMicrosoftWide(const wchar_t* format, FormatArguments& args);
LOGGING_API std::wstring FormatMicrosoftWideV(const wchar_t* format, va_list args);

}  // namespace Qv::Vantix::Logging

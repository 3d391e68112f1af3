// The log formatter with hostile formats given as data: any format, with a bounded
// argument list, formats without reading past it and within a bounded size; the
// narrow error form logs its text exactly as given, never as a format.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "logging/log_sinks.h"
#include "logging/ms_format.h"
#include "logging/text_encoding.h"
#include "logging/trace_logger.h"

namespace {

// Valid read as wide or as narrow text, whatever a conversion asks for.
const wchar_t kText[] = L"text\0\0\0";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace Qv::Vantix::Logging;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::wstring format = vistane_fuzz::Widen(bytes);

    BoundedArguments arguments({-1, 0, 42, INT32_MIN}, {kText, kText, nullptr, kText}, {3.5, -0.0, 1e300});
    const std::wstring formatted = FormatMicrosoftWide(format.c_str(), arguments);
    // Each conversion writes at most one clamped field of 4096 characters plus a
    // floating-point text; the rest is copied from the format.
    FUZZ_REQUIRE(formatted.size() <= (format.size() + 1) * (4096 + 400));

    auto sink = std::make_shared<MemorySink>();
    LogManager::SetSink(sink);
    LogManager::GetLogger()->LogError(bytes.c_str());
    const auto records = sink->Records();
    FUZZ_REQUIRE(records.size() == 1);
    FUZZ_REQUIRE(records[0].text == WidenText(std::string(bytes.c_str())));
    LogManager::SetSink(std::make_shared<vistane_fuzz::DiscardingSink>());
    return 0;
}

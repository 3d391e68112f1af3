// SplitCommaList: joining the items with commas gives the text back, less one
// trailing comma.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "security/argument_rules/comma_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = vistane_fuzz::Widen(std::string(reinterpret_cast<const char*>(data), size));
    const auto items = Qv::Vantix::Security::SplitCommaList(text);
    std::wstring joined;
    for (std::size_t i = 0; i < items.size(); ++i) joined += (i ? L"," : L"") + items[i];
    std::wstring expected = text;
    if (!expected.empty() && expected.back() == L',') expected.pop_back();
    FUZZ_REQUIRE(joined == expected);
    return 0;
}

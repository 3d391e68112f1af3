// The safety test against a model written without regular expressions.
#include <cstddef>
#include <cstdint>
#include <cwctype>

#include "fuzz/fuzz_support.h"
#include "security/argument_rules/argument_value_safety.h"
#include "security/argument_rules/regex_limits.h"

namespace {

bool IsWord(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_'; }

bool ModelRooted(std::wstring_view text) {
    if (text.size() >= 2 && IsWord(text[0]) && text[1] == L':') return true;
    if (!text.empty() && text[0] == L'\\') return true;
    if (text.substr(0, 5) == L"http:" || text.substr(0, 6) == L"https:") return true;
    if (!text.empty() && text[0] == L'%') {
        std::size_t at = 1;
        while (at < text.size() && (IsWord(text[at]) || text[at] == L'(' || text[at] == L')' || text[at] == L'|')) ++at;
        return at > 1 && at < text.size() && text[at] == L'%';
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace Qv::Vantix::Security;
    const std::wstring value = vistane_fuzz::Widen(std::string(reinterpret_cast<const char*>(data), size));
    const std::wstring_view upToNul(value.c_str());
    const bool safe = IsArgumentValueSafe(value);
    if (value.size() > kMaxMatchedValueLength) {
        FUZZ_REQUIRE(!safe);
        return 0;
    }
    const bool rooted = IsRootedPathLike(value);
    const bool climbs = HasParentTraversal(value);
    // \w of the wide expression may know more letters than ASCII; only ASCII is modelled.
    bool ascii = true;
    for (const wchar_t c : upToNul) ascii = ascii && c < 0x80;
    if (ascii) FUZZ_REQUIRE(rooted == ModelRooted(upToNul));
    FUZZ_REQUIRE(climbs == (upToNul.find(L"..") != std::wstring_view::npos));
    FUZZ_REQUIRE(safe == !(rooted && climbs));
    return 0;
}

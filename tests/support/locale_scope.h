#pragma once

#include <clocale>
#include <string>

namespace vistane_test {

// Sets the C library's character-type locale for a scope, as a host program may, and
// puts back the one before.
class LocaleScope {
public:
    explicit LocaleScope(const char* name) : saved_(std::setlocale(LC_CTYPE, nullptr)) {
        applied_ = std::setlocale(LC_CTYPE, name) != nullptr;
    }
    ~LocaleScope() { std::setlocale(LC_CTYPE, saved_.c_str()); }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;
    bool applied() const { return applied_; }

private:
    std::string saved_;
    bool applied_ = false;
};

}  // namespace vistane_test

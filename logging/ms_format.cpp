#include "logging/ms_format.h"

#include <cstdio>
#include <cwchar>

#include "logging/text_encoding.h"

namespace Qv::Vantix::Logging {

VaListArguments::VaListArguments(va_list args) { va_copy(args_, args); }
VaListArguments::~VaListArguments() { va_end(args_); }
std::int32_t VaListArguments::NextInt32() { return va_arg(args_, std::int32_t); }
std::int64_t VaListArguments::NextInt64() { return va_arg(args_, std::int64_t); }
double VaListArguments::NextDouble() { return va_arg(args_, double); }
const void* VaListArguments::NextPointer() { return va_arg(args_, const void*); }

BoundedArguments::BoundedArguments(std::initializer_list<std::int64_t> integers,
                                   std::initializer_list<const void*> pointers, std::initializer_list<double> doubles)
    : integers_(integers), pointers_(pointers), doubles_(doubles) {}
std::int32_t BoundedArguments::NextInt32() { return static_cast<std::int32_t>(NextInt64()); }
std::int64_t BoundedArguments::NextInt64() { return nextInteger_ < integers_.size() ? integers_[nextInteger_++] : 0; }
double BoundedArguments::NextDouble() { return nextDouble_ < doubles_.size() ? doubles_[nextDouble_++] : 0.0; }
const void* BoundedArguments::NextPointer() { return nextPointer_ < pointers_.size() ? pointers_[nextPointer_++] : nullptr; }

namespace {

enum class Size { Default, Char, Short, Long, Wide, Int64, Int32 };

struct Spec {
    bool left = false, plus = false, space = false, alternate = false, zero = false;
    int width = 0;
    int precision = -1;
    Size size = Size::Default;
    wchar_t type = 0;
};

// Upper bounds keep a hostile width or precision from asking for gigabytes.
constexpr int kMaxFieldWidth = 4096;

int ClampField(long long value) {
    return value > kMaxFieldWidth ? kMaxFieldWidth : static_cast<int>(value);
}

void Pad(std::wstring& out, const std::wstring& body, const Spec& spec, wchar_t fill = L' ') {
    const int padding = spec.width - static_cast<int>(body.size());
    if (padding <= 0) {
        out += body;
    } else if (spec.left) {
        out += body;
        out.append(static_cast<size_t>(padding), L' ');
    } else {
        out.append(static_cast<size_t>(padding), fill);
        out += body;
    }
}

bool Is64Bit(Size size) { return size == Size::Int64; }

void FormatInteger(std::wstring& out, const Spec& spec, FormatArguments& args) {
    const bool isSigned = spec.type == L'd' || spec.type == L'i';
    std::uint64_t magnitude = 0;
    bool negative = false;
    if (Is64Bit(spec.size)) {
        const std::int64_t value = args.NextInt64();
        negative = isSigned && value < 0;
        magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    } else {
        std::int32_t value = args.NextInt32();
        if (spec.size == Size::Short) value = isSigned ? static_cast<std::int16_t>(value) : static_cast<std::uint16_t>(value);
        if (spec.size == Size::Char) value = isSigned ? static_cast<std::int8_t>(value) : static_cast<std::uint8_t>(value);
        negative = isSigned && value < 0;
        const std::uint32_t bits = static_cast<std::uint32_t>(value);
        magnitude = negative ? (0u - bits) : bits;
    }
    const unsigned base = (spec.type == L'x' || spec.type == L'X') ? 16 : spec.type == L'o' ? 8 : 10;
    const wchar_t* digitsTable = spec.type == L'X' ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring digits;
    for (std::uint64_t rest = magnitude; rest != 0; rest /= base) digits.insert(digits.begin(), digitsTable[rest % base]);
    const int precision = spec.precision < 0 ? 1 : spec.precision;
    while (static_cast<int>(digits.size()) < precision) digits.insert(digits.begin(), L'0');

    std::wstring prefix;
    if (negative) prefix = L"-";
    else if (isSigned && spec.plus) prefix = L"+";
    else if (isSigned && spec.space) prefix = L" ";
    if (spec.alternate && magnitude != 0) {
        if (base == 16) prefix += spec.type == L'X' ? L"0X" : L"0x";
        if (base == 8 && digits.front() != L'0') prefix += L"0";
    }
    if (spec.zero && !spec.left && spec.precision < 0) {
        const int padding = spec.width - static_cast<int>(prefix.size() + digits.size());
        if (padding > 0) digits.insert(0, static_cast<size_t>(padding), L'0');
    }
    Pad(out, prefix + digits, spec);
}

void FormatFloat(std::wstring& out, const Spec& spec, FormatArguments& args) {
    const double value = args.NextDouble();
    std::string narrowSpec = "%";
    if (spec.left) narrowSpec += '-';
    if (spec.plus) narrowSpec += '+';
    if (spec.space) narrowSpec += ' ';
    if (spec.alternate) narrowSpec += '#';
    if (spec.zero) narrowSpec += '0';
    narrowSpec += std::to_string(spec.width);
    if (spec.precision >= 0) narrowSpec += "." + std::to_string(spec.precision);
    narrowSpec += static_cast<char>(spec.type);
    char buffer[kMaxFieldWidth * 2 + 400];
    const int written = std::snprintf(buffer, sizeof buffer, narrowSpec.c_str(), value);
    if (written > 0) out += WidenText(std::string_view(buffer, static_cast<size_t>(written) < sizeof buffer ? static_cast<size_t>(written) : sizeof buffer - 1));
}

void FormatString(std::wstring& out, const Spec& spec, bool wide, FormatArguments& args) {
    const void* pointer = args.NextPointer();
    std::wstring text;
    if (pointer == nullptr) {
        text = L"(null)";
    } else if (wide) {
        const wchar_t* source = static_cast<const wchar_t*>(pointer);
        size_t length = 0;
        while ((spec.precision < 0 || length < static_cast<size_t>(spec.precision)) && source[length] != L'\0') ++length;
        text.assign(source, length);
    } else {
        const char* source = static_cast<const char*>(pointer);
        size_t length = 0;
        while ((spec.precision < 0 || length < static_cast<size_t>(spec.precision)) && source[length] != '\0') ++length;
        text = WidenText(std::string_view(source, length));
    }
    Pad(out, text, spec);
}

void FormatCharacter(std::wstring& out, const Spec& spec, bool wide, FormatArguments& args) {
    const std::int32_t value = args.NextInt32();
    std::wstring text(1, wide ? static_cast<wchar_t>(static_cast<std::uint16_t>(value))
                              : static_cast<wchar_t>(static_cast<unsigned char>(value)));
    Pad(out, text, spec);
}

void FormatPointer(std::wstring& out, const Spec& spec, FormatArguments& args) {
    const auto value = reinterpret_cast<std::uintptr_t>(args.NextPointer());
    std::wstring digits;
    for (int shift = static_cast<int>(sizeof(void*)) * 8 - 4; shift >= 0; shift -= 4)
        digits.push_back(L"0123456789ABCDEF"[(value >> shift) & 0xF]);
    Pad(out, digits, spec);
}

// Reads flags, width, precision and size of one conversion; returns the position of
// its type character (or the end of the format).
const wchar_t* ParseSpec(const wchar_t* cursor, Spec& spec, FormatArguments& args) {
    for (;; ++cursor) {
        if (*cursor == L'-') spec.left = true;
        else if (*cursor == L'+') spec.plus = true;
        else if (*cursor == L' ') spec.space = true;
        else if (*cursor == L'#') spec.alternate = true;
        else if (*cursor == L'0') spec.zero = true;
        else break;
    }
    if (*cursor == L'*') {
        long long width = args.NextInt32();
        if (width < 0) { spec.left = true; width = -width; }
        spec.width = ClampField(width);
        ++cursor;
    } else {
        long long width = 0;
        for (; *cursor >= L'0' && *cursor <= L'9'; ++cursor)
            if (width <= kMaxFieldWidth) width = width * 10 + (*cursor - L'0');
        spec.width = ClampField(width);
    }
    if (*cursor == L'.') {
        ++cursor;
        if (*cursor == L'*') {
            const std::int32_t precision = args.NextInt32();
            spec.precision = precision < 0 ? -1 : ClampField(precision);
            ++cursor;
        } else {
            long long precision = 0;
            for (; *cursor >= L'0' && *cursor <= L'9'; ++cursor)
                if (precision <= kMaxFieldWidth) precision = precision * 10 + (*cursor - L'0');
            spec.precision = ClampField(precision);
        }
    }
    if (cursor[0] == L'h' && cursor[1] == L'h') { spec.size = Size::Char; cursor += 2; }
    else if (cursor[0] == L'h') { spec.size = Size::Short; ++cursor; }
    else if (cursor[0] == L'l' && cursor[1] == L'l') { spec.size = Size::Int64; cursor += 2; }
    else if (cursor[0] == L'l' || cursor[0] == L'w') { spec.size = Size::Long; ++cursor; }
    else if (cursor[0] == L'L') { spec.size = Size::Long; ++cursor; }
    else if (cursor[0] == L'I' && cursor[1] == L'6' && cursor[2] == L'4') { spec.size = Size::Int64; cursor += 3; }
    else if (cursor[0] == L'I' && cursor[1] == L'3' && cursor[2] == L'2') { spec.size = Size::Int32; cursor += 3; }
    else if (cursor[0] == L'I' || cursor[0] == L'z' || cursor[0] == L'j' || cursor[0] == L't') { spec.size = Size::Int64; ++cursor; }
    return cursor;
}

}  // namespace

std::wstring FormatMicrosoftWide(const wchar_t* format, FormatArguments& args) {
    std::wstring out;
    if (format == nullptr) return out;
    for (const wchar_t* cursor = format; *cursor != L'\0'; ++cursor) {
        if (*cursor != L'%') {
            out.push_back(*cursor);
            continue;
        }
        const wchar_t* start = cursor;
        if (cursor[1] == L'%') {
            out.push_back(L'%');
            ++cursor;
            continue;
        }
        Spec spec;
        cursor = ParseSpec(cursor + 1, spec, args);
        spec.type = *cursor;
        const bool narrowSize = spec.size == Size::Short || spec.size == Size::Char;
        const bool wideSize = spec.size == Size::Long;
        switch (spec.type) {
            case L'd': case L'i': case L'u': case L'o': case L'x': case L'X':
                FormatInteger(out, spec, args);
                break;
            case L'e': case L'E': case L'f': case L'F': case L'g': case L'G': case L'a': case L'A':
                FormatFloat(out, spec, args);
                break;
            case L's':
                FormatString(out, spec, !narrowSize, args);
                break;
            case L'S':
                FormatString(out, spec, wideSize, args);
                break;
            case L'c':
                FormatCharacter(out, spec, !narrowSize, args);
                break;
            case L'C':
                FormatCharacter(out, spec, wideSize, args);
                break;
            case L'p':
                FormatPointer(out, spec, args);
                break;
            case L'n':
                args.NextPointer();  // never written: a format must not write memory
                break;
            default:
                // Unknown or cut conversion: kept as written.
                out.append(start, *cursor == L'\0' ? cursor : cursor + 1);
                if (*cursor == L'\0') return out;
                break;
        }
    }
    return out;
}

std::wstring FormatMicrosoftWideV(const wchar_t* format, va_list args) {
    VaListArguments source(args);
    return FormatMicrosoftWide(format, source);
}

}  // namespace Qv::Vantix::Logging

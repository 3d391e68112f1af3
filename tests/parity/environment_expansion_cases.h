#pragma once

// ExpandEnvironmentStringsW: source text and its expansion on the machine of
// parity_machine.h. The call answers the expansion's length counting the NUL, also
// when the buffer is too small for it, and writes nothing past the buffer.
namespace parity {

struct ExpansionCase {
    const wchar_t* source;
    const wchar_t* expanded;
    unsigned bufferSize = 260;
};

inline constexpr ExpansionCase kExpansionCases[] = {
    {L"%PARITY_DIR%\\x.exe", L"C:\\Parity Dir\\x.exe"},
    {L"%parity_dir%|%PARITY_DIR%", L"C:\\Parity Dir|C:\\Parity Dir"},
    {L"%windir%\\System32", L"C:\\Windows\\System32"},
    {L"%UNKNOWN%\\x", L"%UNKNOWN%\\x"},
    {L"%UNKNOWN%%windir%", L"%UNKNOWN%C:\\Windows"},
    {L"%windir%%UNKNOWN%", L"C:\\Windows%UNKNOWN%"},
    {L"%", L"%"},
    {L"100%", L"100%"},
    {L"%%", L"%%"},
    {L"%%windir%", L"%%windir%"},
    {L"50% of %windir%", L"50% of %windir%"},
    {L"%windir", L"%windir"},
    {L"", L""},
    {L"no variables", L"no variables"},
    {L"%PARITY_PERCENT%", L"%windir%"},
    {L"[%PARITY_EMPTY%]", L"[]"},
    {L"%PARITY DIR%", L"%PARITY DIR%"},
    // Buffers too small.
    {L"%windir%", L"C:\\Windows", 4},
    {L"%windir%", L"C:\\Windows", 10},
    {L"%windir%", L"C:\\Windows", 0},
    {L"%PARITY_DIR%\\x", L"C:\\Parity Dir\\x", 1},
};

}  // namespace parity

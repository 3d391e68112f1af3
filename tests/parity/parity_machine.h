#pragma once

// The machine state both platforms set before the shared case tables run: a few
// variables and a current folder, so each table row means the same everywhere.
namespace parity {

struct Variable {
    const wchar_t* name;
    const wchar_t* value;
};

inline constexpr Variable kVariables[] = {
    {L"windir", L"C:\\Windows"},
    {L"PARITY_DIR", L"C:\\Parity Dir"},
    {L"PARITY_PERCENT", L"%windir%"},  // a value is not expanded again
    {L"PARITY_EMPTY", L""},
};

// The current folder the relative rows resolve against; the Wine check creates it.
inline constexpr const wchar_t* kCurrentFolder = L"C:\\Parity\\Work Dir";

}  // namespace parity

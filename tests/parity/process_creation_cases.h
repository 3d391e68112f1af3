#pragma once

// CreateProcessW: which program runs for an application name and a command line.
// Every row runs on a machine that holds kProgramFiles, and nothing else under
// kProgramRoot; an empty `runs` means the start fails with `error`.
namespace parity {

inline constexpr const wchar_t* kProgramRoot = L"C:\\Parity Run";

inline constexpr const wchar_t* kProgramFiles[] = {
    L"C:\\Parity Run\\Program.exe",
    L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe",
    L"C:\\Parity Run\\Program Files\\Tool Dir\\Other.exe",
};

struct ProcessCreationCase {
    const wchar_t* applicationName;  // nullptr: none
    const wchar_t* commandLine;
    const wchar_t* runs;
    unsigned long error = 0;
};

inline constexpr ProcessCreationCase kProcessCreationCases[] = {
    // Unquoted, the first space-separated prefix that names a program wins.
    {nullptr, L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe /s", L"C:\\Parity Run\\Program.exe"},
    {nullptr, L"\"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe\" /s",
     L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe"},
    {nullptr, L"\"C:\\Parity Run\\Program Files\\Tool Dir\\Tool\" /s",
     L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe"},
    // The application name is the program, whatever the command line says.
    {L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe", L"\"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe\" /s",
     L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe"},
    {L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe", L"C:\\Parity Run\\Program Files\\Tool Dir\\Other.exe /s",
     L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe"},
    {L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe", L"/s", L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe"},
    // No extension is added to an application name.
    {L"C:\\Parity Run\\Program", L"Program /s", L"", 2 /* ERROR_FILE_NOT_FOUND */},
    {nullptr, L"\"C:\\Parity Run\\No Such.exe\" /s", L"", 2 /* ERROR_FILE_NOT_FOUND */},
};

}  // namespace parity

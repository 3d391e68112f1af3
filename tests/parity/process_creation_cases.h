#pragma once

// CreateProcessW and CreateProcessAsUserW: which program runs for an application name
// and a command line. Every row runs on the parity machine (parity_machine.h) holding
// kProgramFiles, and nothing else under C:\Parity Run; an empty `runs` means the start
// fails with `error`.
namespace parity {

inline constexpr const wchar_t* kProgramFiles[] = {
    L"C:\\Parity Run\\Program.exe",
    L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe",
    L"C:\\Parity Run\\Program Files\\Tool Dir\\Other.exe",
    L"C:\\Parity Run\\Sub Dir\\Two Words.exe",
    L"C:\\Parity\\Work Dir\\Here.exe",  // in the current folder
};

struct ProcessCreationCase {
    const wchar_t* applicationName;  // nullptr: none
    const wchar_t* commandLine;
    const wchar_t* runs;
    unsigned long error = 0;
    unsigned padTo = 0;                 // the command line made this long with trailing "a"s
    const char* wineDiffers = nullptr;  // what Wine does instead, where it strays
};

inline constexpr ProcessCreationCase kProcessCreationCases[] = {
    // Unquoted, the first prefix ending before a blank that names a program wins, the
    // whole line last; a tab ends a prefix as a space does.
    {nullptr, L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe /s", L"C:\\Parity Run\\Program.exe"},
    {nullptr, L"C:\\Parity Run\\Sub Dir\\Two Words", L"C:\\Parity Run\\Sub Dir\\Two Words.exe"},
    {nullptr, L"C:\\Parity Run\\Sub Dir\\Two Words.exe\t/s", L"C:\\Parity Run\\Sub Dir\\Two Words.exe"},
    // A leading blank stays part of the name, quoted or not.
    {nullptr, L" C:\\Parity Run\\Program.exe /s", L"", 2 /* ERROR_FILE_NOT_FOUND */},
    {nullptr, L"\t\"C:\\Parity Run\\Program.exe\" /s", L"", 2 /* ERROR_FILE_NOT_FOUND */},
    // A quoted first token is the name, whole, with ".exe" added when it has none.
    {nullptr, L"\"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe\" /s",
     L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe"},
    {nullptr, L"\"C:\\Parity Run\\Program Files\\Tool Dir\\Tool\" /s",
     L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe"},
    {nullptr, L"\"C:\\Parity Run\\No Such.exe\" /s", L"", 2 /* ERROR_FILE_NOT_FOUND */},
    // A name without folder is searched for; the current folder is one of the places.
    {nullptr, L"Here /s", L"C:\\Parity\\Work Dir\\Here.exe"},
    // The application name is the program, whatever the command line says: completed
    // against the current folder, never searched, no extension added.
    {L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe", L"C:\\Parity Run\\Program Files\\Tool Dir\\Other.exe /s",
     L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe"},
    {L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe", L"/s", L"C:\\Parity Run\\Program Files\\Tool Dir\\Tool.exe"},
    {L"Here.exe", L"Program /s", L"C:\\Parity\\Work Dir\\Here.exe"},
    {L"C:\\Parity Run\\Program", L"Program /s", L"", 2 /* ERROR_FILE_NOT_FOUND */},
    // The longest command line is 32766 characters, 32767 with its NUL.
    {nullptr, L"\"C:\\Parity Run\\Program.exe\" ", L"C:\\Parity Run\\Program.exe", 0, 32766},
    {nullptr, L"\"C:\\Parity Run\\Program.exe\" ", L"", 206 /* ERROR_FILENAME_EXCED_RANGE */, 32767,
     "a command line of 32767 characters starts"},
};

}  // namespace parity

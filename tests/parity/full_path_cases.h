#pragma once

// GetFullPathNameW: input and its full path on the machine of parity_machine.h
// (current folder C:\Parity\Work Dir). The call answers the length without the NUL;
// to a buffer too small, the size it needs, NUL included, writing nothing past it.
namespace parity {

struct FullPathCase {
    const wchar_t* input;
    const wchar_t* full;
    const char* wineDiffers = nullptr;  // what Wine does instead, where it strays
    unsigned bufferSize = 260;
};

inline constexpr FullPathCase kFullPathCases[] = {
    {L"C:\\Windows\\System32\\sfc.exe", L"C:\\Windows\\System32\\sfc.exe"},
    {L"c:\\windows\\x.dll", L"c:\\windows\\x.dll"},
    {L".", L"C:\\Parity\\Work Dir"},
    {L"..", L"C:\\Parity"},
    {L"..\\..\\..\\x", L"C:\\x"},
    {L"x.dll", L"C:\\Parity\\Work Dir\\x.dll"},
    {L".\\a\\..\\b.txt", L"C:\\Parity\\Work Dir\\b.txt"},
    {L"C:x.dll", L"C:\\Parity\\Work Dir\\x.dll"},
    {L"\\x.dll", L"C:\\x.dll"},
    {L"/x.dll", L"C:\\x.dll", "a leading slash names a Unix path (Z:)"},
    {L"C:/Windows/./x.dll", L"C:\\Windows\\x.dll"},
    {L"a/b\\c/", L"C:\\Parity\\Work Dir\\a\\b\\c\\"},
    {L"C:\\Windows\\System32\\..\\System32\\sfc.exe", L"C:\\Windows\\System32\\sfc.exe"},
    {L"C:\\..\\..\\x", L"C:\\x"},
    {L"C:\\Windows\\", L"C:\\Windows\\"},
    {L"C:\\", L"C:\\"},
    {L"C:\\a\\\\b", L"C:\\a\\b"},
    {L"C:\\a\\b. ", L"C:\\a\\b"},
    {L"C:\\a\\b...", L"C:\\a\\b"},
    {L"C:\\a\\b.\\", L"C:\\a\\b\\"},
    {L"C:\\a. \\b", L"C:\\a. \\b"},
    {L"C:\\a.\\b", L"C:\\a\\b"},
    {L"C:\\a\\...\\b", L"C:\\a\\...\\b", "three periods lose one, as if a name ending in a period"},
    {L"\\\\server\\share\\x", L"\\\\server\\share\\x"},
    {L"\\\\server\\share\\..\\x", L"\\\\server\\share\\x"},
    {L"//server/share/a/./b", L"\\\\server\\share\\a\\b"},
    {L"D:\\WindowsApps\\A\\b.exe", L"D:\\WindowsApps\\A\\b.exe"},
    // Buffers too small.
    {L"C:\\Windows", L"C:\\Windows", nullptr, 4},
    {L"C:\\Windows", L"C:\\Windows", nullptr, 10},
    {L"C:\\Windows", L"C:\\Windows", nullptr, 0},
    {L"x.dll", L"C:\\Parity\\Work Dir\\x.dll", nullptr, 5},
};

}  // namespace parity

// Stands in for the companion's setup program under Wine: records that it ran, and with
// which command line, as one line of QVVSSetup.ran.txt beside itself.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain() {
    wchar_t self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 2;
    std::wstring record(self, length);
    record = record.substr(0, record.find_last_of(L'\\') + 1) + L"QVVSSetup.ran.txt";
    FILE* file = _wfopen(record.c_str(), L"ab");
    if (file == nullptr) return 3;
    // The command line is ASCII here; anything else is written as '?'.
    for (const wchar_t* unit = GetCommandLineW(); *unit != L'\0'; ++unit)
        std::fputc(*unit < 0x80 ? static_cast<int>(*unit) : '?', file);
    std::fputc('\n', file);
    std::fclose(file);
    return 0;
}

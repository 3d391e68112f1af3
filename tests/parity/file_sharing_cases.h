#pragma once

// Share modes: what may be done to a file while another handle holds it open. Each row
// lays out kHeldFile (a program) and kOtherFile, opens kHeldFile with the row's held
// access and share mode, makes its one attempt, and only then closes the held handle.
// `error` 0 means the attempt succeeds.
#include "platform/win32.h"

namespace parity {

inline constexpr const wchar_t* kHeldFile = L"C:\\Parity Share\\Held.exe";
inline constexpr const wchar_t* kOtherFile = L"C:\\Parity Share\\Other.exe";
inline constexpr const wchar_t* kFreeName = L"C:\\Parity Share\\Free.exe";  // never lies there beforehand

enum class SharingAttempt {
    Open,         // CreateFileW(kHeldFile, access, share, OPEN_EXISTING)
    Delete,       // DeleteFileW(kHeldFile)
    MoveAway,     // MoveFileExW(kHeldFile, kFreeName, 0)
    ReplaceHeld,  // MoveFileExW(kOtherFile, kHeldFile, MOVEFILE_REPLACE_EXISTING)
    Start,        // CreateProcessW(kHeldFile, ...)
};
using enum SharingAttempt;

struct FileSharingCase {
    DWORD heldAccess;
    DWORD heldShare;
    SharingAttempt attempt;
    DWORD access = 0;  // Open only
    DWORD share = 0;   // Open only
    DWORD error = 0;
};

inline constexpr DWORD kRead = GENERIC_READ, kWrite = GENERIC_WRITE, kShareRead = FILE_SHARE_READ;
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
inline constexpr DWORD kViolation = ERROR_SHARING_VIOLATION;

inline constexpr FileSharingCase kFileSharingCases[] = {
    // A program held for read, sharing read only (the update task's hold): readers that
    // share read come in (catalog hashing shares everything, signature checks share
    // read), and so does its start; writing, deleting and renaming it fail.
    {kRead, kShareRead, Open, kRead, kShareAll},
    {kRead, kShareRead, Open, kRead, kShareRead},
    {kRead, kShareRead, Start},
    {kRead, kShareRead, Open, kRead, FILE_SHARE_WRITE | FILE_SHARE_DELETE, kViolation},
    {kRead, kShareRead, Open, kWrite, kShareAll, kViolation},
    {kRead, kShareRead, Open, DELETE, kShareAll, kViolation},
    {kRead, kShareRead, Open, FILE_READ_ATTRIBUTES, 0},  // no data access, no part in sharing
    {kRead, kShareRead, Delete, 0, 0, kViolation},
    {kRead, kShareRead, MoveAway, 0, 0, kViolation},
    // A file open in any way is not replaced, whatever it shares.
    {kRead, kShareRead, ReplaceHeld, 0, 0, ERROR_ACCESS_DENIED},
    {kRead, kShareAll, ReplaceHeld, 0, 0, ERROR_ACCESS_DENIED},
    // Sharing delete lets the file be deleted or renamed under the handle.
    {kRead, kShareRead | FILE_SHARE_DELETE, MoveAway},
    {kRead, kShareRead | FILE_SHARE_DELETE, Delete},
    // A file somebody writes: a reader must share write, and it cannot be started.
    {kWrite, kShareAll, Open, kRead, kShareRead, kViolation},
    {kWrite, kShareAll, Open, kRead, kShareRead | FILE_SHARE_WRITE},
    {kWrite, kShareAll, Start, 0, 0, kViolation},
    // A handle without data access restricts nobody.
    {FILE_READ_ATTRIBUTES, 0, Open, kRead | kWrite, 0},
};

}  // namespace parity

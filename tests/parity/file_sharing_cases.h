#pragma once

// Share modes: what may be done to a file while another handle holds it open. Each row
// lays out kHeldFile (a program) and kOtherFile, opens kHeldFile with the row's held
// access and share mode, makes its one attempt, and only then closes the held handle.
// `error` 0 means the attempt succeeds.
namespace parity {

inline constexpr const wchar_t* kSharingFolder = L"C:\\Parity Share";
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

struct FileSharingCase {
    unsigned long heldAccess;
    unsigned long heldShare;
    SharingAttempt attempt;
    unsigned long access = 0;  // Open only
    unsigned long share = 0;   // Open only
    unsigned long error = 0;
};

// The Windows values, spelled out so the table reads the same on both platforms.
inline constexpr unsigned long kRead = 0x80000000;     // GENERIC_READ
inline constexpr unsigned long kWrite = 0x40000000;    // GENERIC_WRITE
inline constexpr unsigned long kDelete = 0x00010000;   // DELETE
inline constexpr unsigned long kAttributes = 0x0080;   // FILE_READ_ATTRIBUTES
inline constexpr unsigned long kShareRead = 1, kShareWrite = 2, kShareDelete = 4;
inline constexpr unsigned long kShareAll = kShareRead | kShareWrite | kShareDelete;
inline constexpr unsigned long kSharingViolation = 32;  // ERROR_SHARING_VIOLATION
inline constexpr unsigned long kAccessDenied = 5;       // ERROR_ACCESS_DENIED

inline constexpr FileSharingCase kFileSharingCases[] = {
    // A program held for read, sharing read only (the update task's hold): readers that
    // share read come in (catalog hashing shares everything, signature checks share
    // read), and so does its start; writing, deleting and renaming it fail.
    {kRead, kShareRead, SharingAttempt::Open, kRead, kShareAll},
    {kRead, kShareRead, SharingAttempt::Open, kRead, kShareRead},
    {kRead, kShareRead, SharingAttempt::Start},
    {kRead, kShareRead, SharingAttempt::Open, kRead, kShareWrite | kShareDelete, kSharingViolation},
    {kRead, kShareRead, SharingAttempt::Open, kWrite, kShareAll, kSharingViolation},
    {kRead, kShareRead, SharingAttempt::Open, kDelete, kShareAll, kSharingViolation},
    {kRead, kShareRead, SharingAttempt::Open, kAttributes, 0},  // no data access, no part in sharing
    {kRead, kShareRead, SharingAttempt::Delete, 0, 0, kSharingViolation},
    {kRead, kShareRead, SharingAttempt::MoveAway, 0, 0, kSharingViolation},
    // A file open in any way is not replaced, whatever it shares.
    {kRead, kShareRead, SharingAttempt::ReplaceHeld, 0, 0, kAccessDenied},
    {kRead, kShareAll, SharingAttempt::ReplaceHeld, 0, 0, kAccessDenied},
    // Sharing delete lets the file be deleted or renamed under the handle.
    {kRead, kShareRead | kShareDelete, SharingAttempt::MoveAway},
    {kRead, kShareRead | kShareDelete, SharingAttempt::Delete},
    // A file somebody writes: a reader must share write, and it cannot be started.
    {kWrite, kShareAll, SharingAttempt::Open, kRead, kShareRead, kSharingViolation},
    {kWrite, kShareAll, SharingAttempt::Open, kRead, kShareRead | kShareWrite},
    {kWrite, kShareAll, SharingAttempt::Start, 0, 0, kSharingViolation},
    // A handle without data access restricts nobody.
    {kAttributes, 0, SharingAttempt::Open, kRead | kWrite, 0},
};

}  // namespace parity

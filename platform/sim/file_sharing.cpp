// Share modes of open files, and the calls that meet them when they change a file's
// name: DeleteFileW and MoveFileExW. The check is the I/O manager's: only data access
// counts (read or execute, write or append, delete), and every open that has some must
// share what a new open asks for, as the new open must share what it holds.
#include <vector>

#include "platform/sim/sim_machine.h"

namespace winsim::detail {

namespace {

struct DataAccess {
    bool read = false;
    bool write = false;
    bool remove = false;
    bool any() const { return read || write || remove; }
};

// Generic rights as files map them. The model keeps no access lists on files, so
// MAXIMUM_ALLOWED grants what GENERIC_ALL does.
DataAccess DataAccessOf(DWORD desired) {
    DWORD rights = desired;
    if (desired & GENERIC_READ) rights |= FILE_READ_DATA;
    if (desired & GENERIC_WRITE) rights |= FILE_WRITE_DATA | FILE_APPEND_DATA;
    if (desired & GENERIC_EXECUTE) rights |= FILE_EXECUTE;
    if (desired & (GENERIC_ALL | MAXIMUM_ALLOWED)) rights |= FILE_ALL_ACCESS;
    return {(rights & (FILE_READ_DATA | FILE_EXECUTE)) != 0, (rights & (FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0,
            (rights & DELETE) != 0};
}

bool Conflicts(const DataAccess& access, DWORD share, const FileObject& open) {
    const DataAccess held = DataAccessOf(open.access);
    if (!held.any()) return false;
    return (access.read && !(open.share & FILE_SHARE_READ)) || (access.write && !(open.share & FILE_SHARE_WRITE)) ||
           (access.remove && !(open.share & FILE_SHARE_DELETE)) || (held.read && !(share & FILE_SHARE_READ)) ||
           (held.write && !(share & FILE_SHARE_WRITE)) || (held.remove && !(share & FILE_SHARE_DELETE));
}

std::vector<std::function<void(const std::wstring&, const std::wstring&)>>& MoveHooks() {
    static auto* hooks = new std::vector<std::function<void(const std::wstring&, const std::wstring&)>>();
    return *hooks;
}

bool IsOpen(const std::wstring& key) {
    bool open = false;
    ForEachHandleObject([&](HandleObject& object) {
        const auto* file = dynamic_cast<const FileObject*>(&object);
        open = open || (file && file->key == key);
    });
    return open;
}

// How DeleteFileW and MoveFileExW open the file they act on.
constexpr DWORD kDeleteAccess = DELETE | SYNCHRONIZE | FILE_READ_ATTRIBUTES;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The file a name-changing call acts on: its folded key, or an error.
DWORD FileToRename(LPCWSTR path, std::wstring& key) {
    const SimFile* file = path ? FindFile(path) : nullptr;
    if (file == nullptr) return path ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_PARAMETER;
    if (file->folder) return ERROR_NOT_SUPPORTED;
    key = FoldCase(file->path);
    return CheckFileSharing(key, kDeleteAccess, kShareAll);
}

}  // namespace

DWORD CheckFileSharing(const std::wstring& key, DWORD desiredAccess, DWORD shareMode) {
    const DataAccess access = DataAccessOf(desiredAccess);
    if (!access.any()) return ERROR_SUCCESS;
    bool conflict = false;
    ForEachHandleObject([&](HandleObject& object) {
        const auto* file = dynamic_cast<const FileObject*>(&object);
        conflict = conflict || (file && file->key == key && Conflicts(access, shareMode, *file));
    });
    return conflict ? ERROR_SHARING_VIOLATION : ERROR_SUCCESS;
}

DWORD ImageOpenError(const std::wstring& program) {
    MachineLock lock(MachineMutex());
    const SimFile* file = FindFile(program);
    if (file == nullptr) return ERROR_FILE_NOT_FOUND;
    return CheckFileSharing(FoldCase(file->path), SYNCHRONIZE | FILE_EXECUTE | FILE_READ_DATA | FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_DELETE);
}

void RegisterFileMoveHook(std::function<void(const std::wstring&, const std::wstring&)> hook) {
    MachineLock lock(MachineMutex());
    MoveHooks().push_back(std::move(hook));
}

}  // namespace winsim::detail

using namespace winsim::detail;

// The name goes at once, as on current Windows; a handle still open (it shared delete)
// then finds no content.
BOOL WINAPI DeleteFileW(LPCWSTR fileName) {
    if (Enter("DeleteFileW", ERROR_ACCESS_DENIED)) return FALSE;
    MachineLock lock(MachineMutex());
    std::wstring key;
    if (const DWORD error = FileToRename(fileName, key)) {
        SetThreadLastError(error == ERROR_NOT_SUPPORTED ? ERROR_ACCESS_DENIED : error);
        return FALSE;
    }
    TheMachine().files.erase(key);
    for (const auto& hook : MoveHooks()) hook(key, L"");
    return TRUE;
}

BOOL WINAPI MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags) {
    if (Enter("MoveFileExW", ERROR_ACCESS_DENIED)) return FALSE;
    constexpr DWORD kModelled = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
    if (newFileName == nullptr || (flags & ~kModelled)) {
        SetThreadLastError(newFileName == nullptr ? ERROR_INVALID_PARAMETER : ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    MachineLock lock(MachineMutex());
    std::wstring from;
    if (const DWORD error = FileToRename(existingFileName, from)) {
        SetThreadLastError(error);
        return FALSE;
    }
    const std::wstring targetPath = FullPathOf(newFileName);
    const std::wstring to = FoldCase(targetPath);
    if (to != from) {
        const SimFile* target = FindFile(targetPath);
        if (target && !(flags & MOVEFILE_REPLACE_EXISTING)) {
            SetThreadLastError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
        // A file that is open in any way is never replaced, whatever it shares.
        if (target && (target->folder || IsOpen(to))) {
            SetThreadLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (target) {
            for (const auto& hook : MoveHooks()) hook(to, L"");
        }
    }
    SimFile moved = TheMachine().files.at(from);
    moved.path = targetPath;
    TheMachine().files.erase(from);
    TheMachine().files[to] = std::move(moved);
    ForEachHandleObject([&](HandleObject& object) {
        if (auto* file = dynamic_cast<FileObject*>(&object); file && file->key == from) file->key = to;
    });
    if (to != from) {
        for (const auto& hook : MoveHooks()) hook(from, to);
    }
    return TRUE;
}

#include <cstring>
#include <string>

#include "platform/sim/sim_machine.h"

using namespace winsim::detail;

namespace {

// A VS_VERSIONINFO block as Windows lays it out: header, "VS_VERSION_INFO", padding
// to a 32-bit boundary, then the fixed record.
constexpr char16_t kVersionKey[] = u"VS_VERSION_INFO";
constexpr size_t kKeyBytes = sizeof(kVersionKey);  // with terminator
constexpr size_t kHeaderBytes = 6;
constexpr size_t kValueOffset = (kHeaderBytes + kKeyBytes + 3) & ~size_t{3};
constexpr size_t kBlockBytes = kValueOffset + sizeof(VS_FIXEDFILEINFO);

std::string BuildBlock(const winsim::FileVersion& version) {
    std::string block(kBlockBytes, '\0');
    const WORD length = static_cast<WORD>(kBlockBytes);
    const WORD valueLength = static_cast<WORD>(sizeof(VS_FIXEDFILEINFO));
    std::memcpy(&block[0], &length, 2);
    std::memcpy(&block[2], &valueLength, 2);
    std::memcpy(&block[kHeaderBytes], kVersionKey, kKeyBytes);
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = 0x00010000;
    fixed.dwFileVersionMS = (DWORD{version.major} << 16) | version.minor;
    fixed.dwFileVersionLS = (DWORD{version.build} << 16) | version.revision;
    fixed.dwProductVersionMS = fixed.dwFileVersionMS;
    fixed.dwProductVersionLS = fixed.dwFileVersionLS;
    fixed.dwFileOS = 0x00040004;  // VOS_NT_WINDOWS32
    fixed.dwFileType = 1;         // VFT_APP
    std::memcpy(&block[kValueOffset], &fixed, sizeof fixed);
    return block;
}

// Looks the file up; sets the last error as Windows does when there is no resource.
const SimFile* FileWithResource(LPCWSTR fileName) {
    if (fileName == nullptr || *fileName == L'\0') {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const SimFile* file = FindFile(fileName);
    if (file == nullptr || file->folder) {
        SetThreadLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    if (file->versionResource == winsim::VersionResource::None) {
        SetThreadLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    return file;
}

}  // namespace

DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle) {
    if (handle) *handle = 0;
    if (Enter("GetFileVersionInfoSizeW", ERROR_RESOURCE_TYPE_NOT_FOUND)) return 0;
    MachineLock lock(MachineMutex());
    if (!FileWithResource(fileName)) return 0;
    return static_cast<DWORD>(kBlockBytes);
}

BOOL WINAPI GetFileVersionInfoW(LPCWSTR fileName, DWORD /*handle*/, DWORD length, LPVOID data) {
    if (Enter("GetFileVersionInfoW", ERROR_RESOURCE_DATA_NOT_FOUND)) return FALSE;
    MachineLock lock(MachineMutex());
    const SimFile* file = FileWithResource(fileName);
    if (!file) return FALSE;
    if (file->versionResource == winsim::VersionResource::Unreadable) {
        SetThreadLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return FALSE;
    }
    if (data == nullptr) {
        SetThreadLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string block = BuildBlock(file->version);
    std::memcpy(data, block.data(), std::min<size_t>(length, block.size()));
    if (length < block.size()) {
        // A short buffer still succeeds with what fits; the block's own length says so.
        const WORD truncated = static_cast<WORD>(length);
        if (length >= 2) std::memcpy(data, &truncated, 2);
    }
    return TRUE;
}

BOOL WINAPI VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length) {
    if (Enter("VerQueryValueW", ERROR_RESOURCE_TYPE_NOT_FOUND)) return FALSE;
    if (block == nullptr || subBlock == nullptr || buffer == nullptr) return FALSE;
    const auto* bytes = static_cast<const BYTE*>(block);
    WORD blockLength = 0;
    WORD valueLength = 0;
    std::memcpy(&blockLength, bytes, 2);
    std::memcpy(&valueLength, bytes + 2, 2);
    const bool rootQuery = std::wstring(subBlock) == L"\\";
    if (!rootQuery || valueLength != sizeof(VS_FIXEDFILEINFO) || blockLength < kBlockBytes ||
        std::memcmp(bytes + kHeaderBytes, kVersionKey, kKeyBytes) != 0) {
        SetThreadLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    *buffer = const_cast<BYTE*>(bytes + kValueOffset);
    if (length) *length = valueLength;
    return TRUE;
}

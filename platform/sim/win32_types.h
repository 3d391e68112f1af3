#pragma once

// Windows base types with their Windows sizes: DWORD, LONG and BOOL are 32-bit even
// though long is 64-bit on Linux. wchar_t is 32-bit here; texts stay std::wstring.
#include <cstddef>
#include <cstdint>

#include "platform/sim/sim_export.h"

#define WINAPI
#define APIENTRY
#define CALLBACK
#define __stdcall
#define FAR
#define CONST const
#define IN
#define OUT
#define OPTIONAL

typedef std::uint8_t BYTE;
typedef BYTE* PBYTE;
typedef BYTE* LPBYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef DWORD* PDWORD;
typedef DWORD* LPDWORD;
typedef std::int32_t LONG;
typedef LONG* PLONG;
typedef std::uint32_t ULONG;
typedef ULONG* PULONG;
typedef std::int32_t INT;
typedef std::uint32_t UINT;
typedef UINT* PUINT;
typedef std::int32_t BOOL;
typedef BOOL* PBOOL;
typedef BOOL* LPBOOL;
typedef std::uint8_t BOOLEAN;
typedef std::int64_t LONGLONG;
typedef std::uint64_t ULONGLONG;
typedef std::uint64_t UINT64;
typedef std::uint32_t UINT32;
typedef std::uint16_t UINT16;
typedef std::int32_t INT32;
typedef std::uint64_t DWORD64;
typedef std::uint64_t ULONG_PTR;
typedef std::int64_t LONG_PTR;
typedef std::uint64_t DWORD_PTR;
typedef std::uint64_t SIZE_T;
typedef SIZE_T* PSIZE_T;
typedef std::uint64_t UINT_PTR;
typedef std::int64_t INT_PTR;
typedef LONG HRESULT;
typedef char CHAR;
typedef wchar_t WCHAR;
typedef WCHAR* PWSTR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef const WCHAR* PCWSTR;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef const CHAR* PCSTR;
typedef void VOID;
typedef void* PVOID;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef void* HANDLE;
typedef HANDLE* PHANDLE;
typedef HANDLE* LPHANDLE;
typedef HANDLE HMODULE;
typedef HANDLE HINSTANCE;
typedef HANDLE HLOCAL;
typedef HANDLE HWND;
typedef LONG NTSTATUS;
typedef DWORD ACCESS_MASK;
typedef ULONG_PTR* PULONG_PTR;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INFINITE 0xFFFFFFFFu
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))

#define MAKELONG(low, high) (static_cast<LONG>((static_cast<DWORD>(static_cast<WORD>(low))) | (static_cast<DWORD>(static_cast<WORD>(high)) << 16)))
#define LOWORD(value) (static_cast<WORD>(static_cast<DWORD_PTR>(value) & 0xFFFF))
#define HIWORD(value) (static_cast<WORD>((static_cast<DWORD_PTR>(value) >> 16) & 0xFFFF))
#define LOBYTE(value) (static_cast<BYTE>(static_cast<DWORD_PTR>(value) & 0xFF))
#define SUCCEEDED(hr) ((static_cast<HRESULT>(hr)) >= 0)
#define FAILED(hr) ((static_cast<HRESULT>(hr)) < 0)
#define _HRESULT_TYPEDEF_(value) (static_cast<HRESULT>(value))

// Error codes the simulated calls report.
#define ERROR_SUCCESS 0L
#define NO_ERROR 0L
#define ERROR_INVALID_FUNCTION 1L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_BAD_ENVIRONMENT 10L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_NOT_SUPPORTED 50L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_NAME 123L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_BAD_EXE_FORMAT 193L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_NOT_FOUND 1168L
#define ERROR_NO_TOKEN 1008L
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_NONE_MAPPED 1332L
#define ERROR_PRIVILEGE_NOT_HELD 1314L
#define ERROR_BAD_IMPERSONATION_LEVEL 1346L
#define ERROR_CANT_OPEN_ANONYMOUS 1347L
#define ERROR_NO_SUCH_LOGON_SESSION 1312L
#define ERROR_ENVVAR_NOT_FOUND 203L

#pragma once
// The few registry functions of ntdll that the bare walk calls directly. advapi32 adds nothing
// that the walk needs, and on 64-bit Windows under Wine it turns every open in the 32-bit view
// into several more requests to the server.

#include <windows.h>
#include <winternl.h>

#include <string>

namespace hivebench {

// KEY_BASIC_INFORMATION: a subkey's name, without a terminating NUL.
struct KeyBasicInformation {
    LARGE_INTEGER lastWriteTime;
    ULONG titleIndex;
    ULONG nameLength; // in bytes
    WCHAR name[1];
};

// KEY_FULL_INFORMATION: what a walk needs to know of a key before it lists it.
struct KeyFullInformation {
    LARGE_INTEGER lastWriteTime;
    ULONG titleIndex;
    ULONG classOffset;
    ULONG classLength;
    ULONG subKeys;
    ULONG maxNameLength;  // in bytes
    ULONG maxClassLength;
    ULONG values;
    ULONG maxValueNameLength; // in bytes
    ULONG maxValueDataLength;
    WCHAR classText[1];
};

// KEY_VALUE_FULL_INFORMATION: a value's name, type and data in one answer.
struct KeyValueFullInformation {
    ULONG titleIndex;
    ULONG type;
    ULONG dataOffset;
    ULONG dataLength;
    ULONG nameLength; // in bytes
    WCHAR name[1];
};

// KEY_NAME_INFORMATION: the kernel's name of the key object.
struct KeyNameInformation {
    ULONG nameLength; // in bytes
    WCHAR name[1];
};

inline constexpr int kKeyBasicInformation = 0;
inline constexpr int kKeyFullInformation = 2;
inline constexpr int kKeyNameInformation = 3;
inline constexpr int kKeyValueFullInformation = 1;
// OBJ_OPENLINK: a registry link is opened as itself, not followed.
inline constexpr ULONG kOpenLink = 0x100;

struct NtRegistry {
    using OpenKeyEx = NTSTATUS(NTAPI*)(HANDLE* key, ACCESS_MASK access, OBJECT_ATTRIBUTES* attributes, ULONG options);
    using QueryKey = NTSTATUS(NTAPI*)(HANDLE key, int informationClass, void* information, ULONG length,
                                      ULONG* resultLength);
    using EnumerateKey = NTSTATUS(NTAPI*)(HANDLE key, ULONG index, int informationClass, void* information,
                                          ULONG length, ULONG* resultLength);
    using EnumerateValueKey = NTSTATUS(NTAPI*)(HANDLE key, ULONG index, int informationClass, void* information,
                                               ULONG length, ULONG* resultLength);
    using Close = NTSTATUS(NTAPI*)(HANDLE handle);

    OpenKeyEx openKeyEx;
    QueryKey queryKey;
    EnumerateKey enumerateKey;
    EnumerateValueKey enumerateValueKey;
    Close close;
};

// ntdll's functions, looked up once; throws when one is missing.
[[nodiscard]] const NtRegistry& Ntdll();

// The kernel's name of the key, "\REGISTRY\MACHINE\SOFTWARE\Classes\CLSID": the same for every
// name and view that reaches the same key.
[[nodiscard]] std::wstring KernelNameOf(HKEY key);

} // namespace hivebench

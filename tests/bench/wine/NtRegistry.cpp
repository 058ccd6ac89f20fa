#include "NtRegistry.h"

#include "DriverError.h"

#include <vector>

namespace hivebench {

namespace {

template <class Function>
Function Lookup(HMODULE ntdll, const char* name)
{
    const auto function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(ntdll, name)));
    if (!function) {
        throw hivedrive::DriverError(std::string("ntdll has no ") + name);
    }
    return function;
}

} // namespace

const NtRegistry& Ntdll()
{
    static const NtRegistry functions = [] {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return NtRegistry{
            Lookup<NtRegistry::OpenKeyEx>(ntdll, "NtOpenKeyEx"),
            Lookup<NtRegistry::QueryKey>(ntdll, "NtQueryKey"),
            Lookup<NtRegistry::EnumerateKey>(ntdll, "NtEnumerateKey"),
            Lookup<NtRegistry::EnumerateValueKey>(ntdll, "NtEnumerateValueKey"),
            Lookup<NtRegistry::Close>(ntdll, "NtClose"),
        };
    }();
    return functions;
}

std::wstring KernelNameOf(HKEY key)
{
    std::vector<ULONG> buffer(1024);
    ULONG needed = 0;
    NTSTATUS status = Ntdll().queryKey(key, kKeyNameInformation, buffer.data(),
                                       static_cast<ULONG>(buffer.size() * sizeof(ULONG)), &needed);
    if (status < 0 && needed > buffer.size() * sizeof(ULONG)) {
        buffer.resize(needed / sizeof(ULONG) + 1);
        status = Ntdll().queryKey(key, kKeyNameInformation, buffer.data(),
                                  static_cast<ULONG>(buffer.size() * sizeof(ULONG)), &needed);
    }
    if (status < 0) {
        throw hivedrive::DriverError("NtQueryKey KeyNameInformation failed (status " + std::to_string(status) + ")");
    }
    const auto* info = reinterpret_cast<const KeyNameInformation*>(buffer.data());
    return std::wstring(info->name, info->nameLength / sizeof(WCHAR));
}

} // namespace hivebench

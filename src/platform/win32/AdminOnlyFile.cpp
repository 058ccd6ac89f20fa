#include "platform/win32/AdminOnlyFile.h"

#include "platform/win32/Win32FileSystem.h"

#include <sddl.h>

namespace hivetidy::win32 {

namespace {

// Full control for the built-in Administrators and SYSTEM, nothing from the folder.
constexpr wchar_t kAdminOnlyAccess[] = L"D:P(A;;FA;;;BA)(A;;FA;;;SY)";

// A security descriptor from its text form; empty when it cannot be made.
UniqueLocalMemory DescriptorOf(const wchar_t* sddl)
{
    UniqueLocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                              reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()),
                                                              nullptr)) {
        descriptor.reset();
    }
    return descriptor;
}

} // namespace

UniqueFile OpenAdminOnlyFile(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition, DWORD flags)
{
    UniqueLocalMemory folderAccess = DescriptorOf(kProtectedFolderSddl);
    UniqueLocalMemory fileAccess = DescriptorOf(kAdminOnlyAccess);
    if (!folderAccess || !fileAccess) {
        return {};
    }
    SECURITY_ATTRIBUTES folderAttributes{sizeof folderAttributes, folderAccess.get(), FALSE};
    (void)CreateDirectoryW(kWorkingFolder, &folderAttributes);
    SECURITY_ATTRIBUTES fileAttributes{sizeof fileAttributes, fileAccess.get(), FALSE};
    return UniqueFile(CreateFileW(path, access, sharing, &fileAttributes, disposition,
                                  flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

} // namespace hivetidy::win32

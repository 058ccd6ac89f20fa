#pragma once
// The program's own files in the working folder that only Administrators and SYSTEM may open: the
// run lock and the record of loaded hives. Any user who could make one of them first could stop
// every run, or plant a record that has a run unload another user's hive.

#include "platform/win32/UniqueResource.h"

namespace hivetidy::win32 {

// The working folder, made protected as the run makes it.
inline constexpr wchar_t kWorkingFolder[] = L"C:\\REGISTRY";

// CreateFileW on a file of the working folder (made first where it is missing; one that is there
// is taken as it is, as the run takes it), a file it makes getting an access list of its own
// that lets Administrators and SYSTEM alone in. A link in the file's place is not followed. An
// empty handle when it cannot be opened.
[[nodiscard]] UniqueFile OpenAdminOnlyFile(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                                           DWORD flags);

} // namespace hivetidy::win32

#pragma once
// The file system over kernel32's wide functions.

#include "platform/FileSystem.h"

namespace hivetidy::win32 {

// The access list of a protected folder: full control (FA) for SYSTEM and Administrators, read and
// execute (FRFX, 0x1200A9) for Users, nothing taken from the parent (P), and every entry passed on
// to the files and folders made in it (OICI).
inline constexpr wchar_t kProtectedFolderSddl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";

class Win32FileSystem final : public FileSystem {
public:
    [[nodiscard]] std::string CurrentDirectory() override;
    [[nodiscard]] bool SetCurrentDirectory(std::string_view path) override;
    [[nodiscard]] bool CreateDirectory(std::string_view path) override;
    [[nodiscard]] bool CreateProtectedDirectory(std::string_view path) override;
    // Asks GetFileAttributesW about each folder on the way, which describes a link itself rather
    // than what it leads to.
    [[nodiscard]] bool IsRealFolder(std::string_view path) override;
    // FindFirstFileW reports the long name even when it is given a short alias.
    [[nodiscard]] std::string FindFirst(std::string_view fullName) override;
    [[nodiscard]] std::optional<std::string> ShortPathOf(std::string_view path) override;
    // GetFullPathNameW, then FindFirstFileW on each component that exists for its long name.
    [[nodiscard]] std::optional<std::string> FullPathOf(std::string_view path) override;
    [[nodiscard]] std::unique_ptr<WritableFile> Create(std::string_view path) override;
    [[nodiscard]] std::optional<std::string> ReadAll(std::string_view path) override;
    [[nodiscard]] std::unique_ptr<HeldFile> HoldForReading(std::string_view path) override;
    [[nodiscard]] bool Delete(std::string_view path) override;
};

} // namespace hivetidy::win32

#pragma once
// The file system over kernel32's wide functions.

#include "platform/FileSystem.h"

namespace hivetidy::win32 {

class Win32FileSystem final : public FileSystem {
public:
    [[nodiscard]] std::string CurrentDirectory() override;
    [[nodiscard]] bool SetCurrentDirectory(std::string_view path) override;
    [[nodiscard]] bool CreateDirectory(std::string_view path) override;
    // FindFirstFileW reports the long name even when it is given a short alias.
    [[nodiscard]] std::string FindFirst(std::string_view fullName) override;
    [[nodiscard]] std::optional<std::string> ShortPathOf(std::string_view path) override;
    [[nodiscard]] std::unique_ptr<WritableFile> Create(std::string_view path) override;
    [[nodiscard]] std::optional<std::string> ReadAll(std::string_view path) override;
    [[nodiscard]] bool Delete(std::string_view path) override;
};

} // namespace hivetidy::win32

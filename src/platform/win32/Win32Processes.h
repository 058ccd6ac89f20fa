#pragma once
// Starting programs with CreateProcessW and waiting on their process handle.

#include "platform/Processes.h"

namespace hivetidy::win32 {

class Win32Processes final : public Processes {
public:
    [[nodiscard]] std::unique_ptr<StartedProcess> Start(std::string_view commandLine) override;
    // %windir%\regedit.exe, the 64-bit one on 64-bit Windows also from the 32-bit build.
    [[nodiscard]] std::unique_ptr<StartedProcess> StartRegistryEditor(std::string_view commandLine) override;
    // Every Windows since 2000, and Wine, export UTF-16LE in format version 5.
    [[nodiscard]] ExportFormat RegistryEditorFormat() const override;
};

} // namespace hivetidy::win32

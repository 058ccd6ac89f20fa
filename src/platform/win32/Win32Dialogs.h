#pragma once
// The save-file dialog (GetSaveFileNameW) and the message box, modal to the main window.

#include "platform/Dialogs.h"

#include "platform/win32/Win32Api.h"

#include <string>
#include <string_view>

namespace hivetidy::win32 {

// A '|'-separated filter as the NUL-separated pairs that OPENFILENAMEW wants, closed by two NULs.
[[nodiscard]] std::wstring DialogFilterOf(std::string_view filter);

class Win32Dialogs final : public Dialogs {
public:
    // owner: the main window; null for none.
    explicit Win32Dialogs(HWND owner) : m_owner(owner) {}

    [[nodiscard]] std::optional<std::string> ShowSave(const SaveDialogSettings& settings) override;
    int MessageBox(std::string_view text, std::string_view title, std::uint32_t style) override;

private:
    HWND m_owner;
};

} // namespace hivetidy::win32

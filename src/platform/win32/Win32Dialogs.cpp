#include "platform/win32/Win32Dialogs.h"

#include "platform/win32/WideText.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace hivetidy::win32 {

namespace {

// Room for a long path, whatever the user types.
constexpr std::size_t kFileNameBufferLength = 32768;

// A null pointer for an empty text: the dialog then uses its own default.
const wchar_t* OrNull(const std::wstring& text)
{
    return text.empty() ? nullptr : text.c_str();
}

} // namespace

std::wstring DialogFilterOf(std::string_view filter)
{
    std::wstring pairs = Widen(filter);
    std::replace(pairs.begin(), pairs.end(), L'|', L'\0');
    if (!pairs.empty() && pairs.back() != L'\0') {
        pairs.push_back(L'\0');
    }
    pairs.push_back(L'\0');
    return pairs;
}

std::optional<std::string> Win32Dialogs::ShowSave(const SaveDialogSettings& settings)
{
    const std::wstring title = Widen(settings.dialogTitle);
    const std::wstring initialDir = Widen(settings.initDir);
    const std::wstring filter = DialogFilterOf(settings.filter);
    const std::wstring defaultExt = Widen(settings.defaultExt);

    // The dialog writes the chosen path into the buffer that holds the initial file name.
    const std::wstring initialName = Widen(settings.fileName);
    std::vector<wchar_t> file(std::max(kFileNameBufferLength, initialName.size() + 1), L'\0');
    std::copy(initialName.begin(), initialName.end(), file.begin());

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = m_owner;
    dialog.lpstrFilter = filter.size() > 1 ? filter.c_str() : nullptr;
    dialog.nFilterIndex = static_cast<DWORD>(std::max(settings.filterIndex, 0));
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = OrNull(initialDir);
    dialog.lpstrTitle = OrNull(title);
    dialog.Flags = settings.flags;
    dialog.lpstrDefExt = OrNull(defaultExt);

    // FALSE both for Cancel and for a dialog that could not be shown; the caller treats them alike.
    if (!GetSaveFileNameW(&dialog)) {
        return std::nullopt;
    }
    return Narrow(file.data());
}

int Win32Dialogs::MessageBox(std::string_view text, std::string_view title, std::uint32_t style)
{
    return MessageBoxW(m_owner, Widen(text).c_str(), Widen(title).c_str(), style);
}

} // namespace hivetidy::win32

#include "Dialogs.h"

#include "DriverError.h"
#include "Text.h"
#include "WindowQueries.h"

namespace hivedrive {

namespace {

constexpr std::wstring_view kDialogClass = L"#32770";
// How often a name is typed into a dialog that keeps putting its own one in its place.
constexpr int kTypingAttempts = 20;
// A bound that only a hung dialog reaches.
constexpr DWORD kSettleTimeoutMs = 5000;
// cmb13, the file-name field of the Explorer-style file dialog. Wine builds it as a ComboBoxEx32
// holding a combo box holding the edit field, all three with this id; the edit is what is typed in.
constexpr int kFileNameFieldId = 0x47C;
// edt1, the file-name field of the older dialog layout, a plain edit field.
constexpr int kOldFileNameFieldId = 0x480;

HWND FileNameEditOf(HWND dialog)
{
    for (HWND child : DescendantsOf(dialog)) {
        const int id = ::GetDlgCtrlID(child);
        if ((id == kFileNameFieldId || id == kOldFileNameFieldId) && ClassNameOf(child) == L"Edit") {
            return child;
        }
    }
    return nullptr;
}

// A message box is a dialog with static text but no edit field; its text is one of its statics.
bool ShowsText(HWND box, std::wstring_view text)
{
    for (HWND child : DescendantsOf(box)) {
        if (ClassNameOf(child) == L"Static" && StoredTextOf(child) == text) {
            return true;
        }
    }
    return false;
}

bool IsMessageBox(HWND window)
{
    return ClassNameOf(window) == kDialogClass && !FileNameEditOf(window) &&
           (::GetDlgItem(window, IDOK) || ::GetDlgItem(window, IDYES) || ::GetDlgItem(window, IDNO));
}

} // namespace

std::optional<SaveDialog> SaveDialog::FindIn(DWORD processId)
{
    for (HWND window : VisibleTopLevelWindowsOf(processId)) {
        if (ClassNameOf(window) != kDialogClass) {
            continue;
        }
        if (HWND edit = FileNameEditOf(window)) {
            return SaveDialog(window, edit);
        }
    }
    return std::nullopt;
}

bool SaveDialog::IsOpen() const
{
    return ::IsWindow(m_dialog) && ::IsWindowVisible(m_dialog);
}

std::wstring SaveDialog::Title() const
{
    return StoredTextOf(m_dialog);
}

std::wstring SaveDialog::FileName() const
{
    return ReportedTextOf(m_fileNameEdit).value_or(L"");
}

void SaveDialog::EnterFileName(std::wstring_view name)
{
    // The dialog fills its file-name field itself while it settles (the suggested name, the name
    // of what its file list selects), and under load that can come after it shows and after a
    // name was typed: the dialog would then save under its own suggestion. So the name is typed
    // until the field still holds it once the dialog has nothing left to do.
    const std::wstring text(name);
    for (int attempt = 0; attempt < kTypingAttempts; ++attempt) {
        WaitUntilSettled();
        SendWithTimeout(m_fileNameEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        WaitUntilSettled();
        if (FileName() == text) {
            return;
        }
    }
    throw DriverError("the save dialog's file-name field did not keep " + ToUtf8(text));
}

void SaveDialog::WaitUntilSettled() const
{
    DWORD processId = 0;
    ::GetWindowThreadProcessId(m_dialog, &processId);
    if (HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)) {
        (void)::WaitForInputIdle(process, kSettleTimeoutMs);
        ::CloseHandle(process);
    }
    // A message sent to the dialog is answered only once its thread is back in its message loop,
    // past whatever it was doing.
    SendWithTimeout(m_dialog, WM_NULL, 0, 0);
}

void SaveDialog::PressSave()
{
    Click(::GetDlgItem(m_dialog, IDOK));
}

void SaveDialog::PressCancel()
{
    Click(::GetDlgItem(m_dialog, IDCANCEL));
}

std::optional<MessageBoxWindow> MessageBoxWindow::FindIn(DWORD processId, std::wstring_view text)
{
    for (HWND window : VisibleTopLevelWindowsOf(processId)) {
        if (IsMessageBox(window) && ShowsText(window, text)) {
            return MessageBoxWindow(window);
        }
    }
    return std::nullopt;
}

std::optional<MessageBoxWindow> MessageBoxWindow::AnyIn(DWORD processId)
{
    for (HWND window : VisibleTopLevelWindowsOf(processId)) {
        if (IsMessageBox(window)) {
            return MessageBoxWindow(window);
        }
    }
    return std::nullopt;
}

std::optional<MessageBoxWindow> MessageBoxWindow::TitledIn(DWORD processId, std::wstring_view title)
{
    for (HWND window : VisibleTopLevelWindowsOf(processId)) {
        if (IsMessageBox(window) && StoredTextOf(window) == title) {
            return MessageBoxWindow(window);
        }
    }
    return std::nullopt;
}

bool MessageBoxWindow::IsOpen() const
{
    return ::IsWindow(m_box) && ::IsWindowVisible(m_box);
}

std::wstring MessageBoxWindow::Title() const
{
    return StoredTextOf(m_box);
}

std::wstring MessageBoxWindow::Text() const
{
    // The message is the box's one static with text; the icon beside it is a static without.
    std::wstring text;
    for (HWND child : DescendantsOf(m_box)) {
        if (ClassNameOf(child) == L"Static") {
            std::wstring shown = StoredTextOf(child);
            text = shown.size() > text.size() ? std::move(shown) : std::move(text);
        }
    }
    return text;
}

bool MessageBoxWindow::HasButton(int id) const
{
    return ::GetDlgItem(m_box, id) != nullptr;
}

void MessageBoxWindow::Press(int id)
{
    Click(::GetDlgItem(m_box, id));
}

} // namespace hivedrive

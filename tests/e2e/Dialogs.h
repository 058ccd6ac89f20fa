#pragma once
// The modal dialogs that hivetidy.exe (and the registry editor it starts) put up: the save-file
// dialog for the backup file and message boxes. Both are top-level windows of class #32770.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace hivedrive {

// The common save-file dialog in which the user names the backup file.
class SaveDialog {
public:
    // The process's visible dialog that has a file-name field; nullopt when none is up.
    [[nodiscard]] static std::optional<SaveDialog> FindIn(DWORD processId);

    [[nodiscard]] HWND Handle() const { return m_dialog; }
    [[nodiscard]] bool IsOpen() const;
    [[nodiscard]] std::wstring Title() const;
    // What the file-name field shows now.
    [[nodiscard]] std::wstring FileName() const;
    // Types a name into the file-name field, replacing what it showed, until the field keeps it;
    // throws when it does not.
    void EnterFileName(std::wstring_view name);
    void PressSave();
    void PressCancel();

private:
    SaveDialog(HWND dialog, HWND fileNameEdit) : m_dialog(dialog), m_fileNameEdit(fileNameEdit) {}

    // Waits until the dialog's process waits for input and the dialog answers a message.
    void WaitUntilSettled() const;

    HWND m_dialog;
    HWND m_fileNameEdit;
};

// A message box, known by the text it shows.
class MessageBoxWindow {
public:
    // The process's visible message box whose text is this one; nullopt when none is up.
    [[nodiscard]] static std::optional<MessageBoxWindow> FindIn(DWORD processId, std::wstring_view text);
    // Any visible message box of the process, whatever it says.
    [[nodiscard]] static std::optional<MessageBoxWindow> AnyIn(DWORD processId);
    // The process's visible message box with this title; nullopt when none is up.
    [[nodiscard]] static std::optional<MessageBoxWindow> TitledIn(DWORD processId, std::wstring_view title);

    [[nodiscard]] HWND Handle() const { return m_box; }
    [[nodiscard]] bool IsOpen() const;
    [[nodiscard]] std::wstring Title() const;
    // The message it shows, with the line ends the program gave it.
    [[nodiscard]] std::wstring Text() const;
    [[nodiscard]] bool HasButton(int id) const;
    // Presses the button with this id (IDYES, IDNO, IDOK, ...).
    void Press(int id);

private:
    explicit MessageBoxWindow(HWND box) : m_box(box) {}

    HWND m_box;
};

} // namespace hivedrive

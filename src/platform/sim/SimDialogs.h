#pragma once
// Scripted answers for the save dialog and the message box, and a record of what was shown.

#include "platform/Dialogs.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace hivetidy::sim {

class SimFileSystem;

// Thrown when a dialog comes up that the test gave no answer for, so a test never loops forever.
// Deliberately no std::exception and no Failure, so the program cannot take it for a failure.
struct ScriptExhausted {};

// One message box as it was shown.
struct ShownMessageBox {
    std::string text;
    std::string title;
    std::uint32_t style = 0;
};

class SimDialogs final : public Dialogs {
public:
    // The file system whose current directory the save dialog moves, as the system's dialog does.
    explicit SimDialogs(SimFileSystem& files);

    // Record what is shown and answer from the queue; throw ScriptExhausted when it is empty.
    [[nodiscard]] std::optional<std::string> ShowSave(const SaveDialogSettings& settings) override;
    int MessageBox(std::string_view text, std::string_view title, std::uint32_t style) override;

    // The next save dialog confirms this full path; nullopt: the user cancels it.
    void QueueSave(std::optional<std::string> fullPath);
    // The next message box is answered with this button (kIdYes, kIdNo, ...).
    void QueueMessageBoxAnswer(int answer);

    // Every showing, in order, answered or not.
    [[nodiscard]] const std::vector<SaveDialogSettings>& SaveDialogsShown() const { return m_savesShown; }
    [[nodiscard]] const std::vector<ShownMessageBox>& MessageBoxesShown() const { return m_boxesShown; }

private:
    SimFileSystem& m_files;
    std::deque<std::optional<std::string>> m_saves;
    std::deque<int> m_answers;
    std::vector<SaveDialogSettings> m_savesShown;
    std::vector<ShownMessageBox> m_boxesShown;
};

} // namespace hivetidy::sim

#include "platform/sim/SimDialogs.h"

#include "platform/sim/SimFileSystem.h"

#include <utility>

namespace hivetidy::sim {

namespace {

constexpr std::uint32_t kOfnNoChangeDir = 0x8;

} // namespace

SimDialogs::SimDialogs(SimFileSystem& files) : m_files(files) {}

std::optional<std::string> SimDialogs::ShowSave(const SaveDialogSettings& settings)
{
    m_savesShown.push_back(settings);
    if (m_saves.empty()) {
        throw ScriptExhausted{};
    }
    std::optional<std::string> chosen = std::move(m_saves.front());
    m_saves.pop_front();
    // Unless told to keep it, the system's file dialog leaves the chosen folder current.
    if (chosen && (settings.flags & kOfnNoChangeDir) == 0) {
        const std::size_t slash = chosen->rfind('\\');
        if (slash != std::string::npos) {
            (void)m_files.SetCurrentDirectory(chosen->substr(0, slash + 1));
        }
    }
    return chosen;
}

int SimDialogs::MessageBox(std::string_view text, std::string_view title, std::uint32_t style)
{
    m_boxesShown.push_back(ShownMessageBox{std::string(text), std::string(title), style});
    if (m_answers.empty()) {
        throw ScriptExhausted{};
    }
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

void SimDialogs::QueueSave(std::optional<std::string> fullPath)
{
    m_saves.push_back(std::move(fullPath));
}

void SimDialogs::QueueMessageBoxAnswer(int answer)
{
    m_answers.push_back(answer);
}

} // namespace hivetidy::sim

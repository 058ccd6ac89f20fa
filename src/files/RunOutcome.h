#pragma once
// How a run ended, built up key by key as it goes: the keys removed, removed in part, or kept
// with their reasons, and the trees that could not be read. The window's last state, the beeps,
// the message and the removal log's closing lines all come from this one value, so that no ending
// says more than happened.

#include "files/KeyOutcome.h"

#include <string>
#include <string_view>
#include <vector>

namespace hivetidy {

class RunOutcome {
public:
    // One key the run set out to remove.
    void Add(const KeyOutcome& key);
    // A tree a pass could not walk: whatever in it was to go may still be there.
    void TreeUnreadable(std::string name);
    // A user's hive the run loaded stayed loaded although it was tried again and again: its user
    // would get a temporary profile at his next logon.
    void HiveLeftLoaded(std::string name);
    // The backup or the log stopped taking writes; nothing was deleted after that.
    void FilesBroken() { m_filesBroken = true; }

    // Keys deleted, the partly deleted ones among them.
    [[nodiscard]] int Removed() const { return m_removed; }
    [[nodiscard]] int RemovedInPart() const { return m_removedInPart; }
    // Keys that stayed, with their reasons.
    [[nodiscard]] int Stayed() const { return m_stayed; }
    [[nodiscard]] const std::vector<std::string>& UnreadableTrees() const { return m_unreadable; }
    [[nodiscard]] bool FilesWereBroken() const { return m_filesBroken; }
    // The names of the keys removed (whole or in part), in the order the run removed them.
    [[nodiscard]] const std::vector<std::string>& RemovedNames() const { return m_removedNames; }
    // Every key that was to go went, whole, and every tree was read.
    [[nodiscard]] bool Complete() const
    {
        return m_stayed == 0 && m_removedInPart == 0 && m_unreadable.empty() && m_leftLoaded.empty() && !m_filesBroken;
    }

    // The lines that close the removal log, after the removed keys: none when nothing stayed and
    // every tree was read; otherwise a head of their own and one line for each, "<reason>: <key>",
    // which no reader can take for a removed key's "[<key>]".
    [[nodiscard]] std::vector<std::string> ClosingLogLines() const;
    // The lines that count the ending, as the window's closing message and the console give them:
    // "Gel\u00f6scht: <n> Schl\u00fcssel." (with those removed only in part), "Geblieben: <n>
    // Schl\u00fcssel.", "Nicht lesbar: <tree>" for each tree that could not be read and "Nicht
    // entladen: <hive>" for each user's hive that stayed loaded.
    [[nodiscard]] std::vector<std::string> CountLines() const;

private:
    int m_removed = 0;
    int m_removedInPart = 0;
    int m_stayed = 0;
    std::vector<std::string> m_unreadable;
    std::vector<std::string> m_leftLoaded;
    bool m_filesBroken = false;
    std::vector<std::string> m_notRemoved; // the log lines, in the order the run met them
    std::vector<std::string> m_removedNames;
};

// "1 Schl\u00fcssel", "3 Schl\u00fcssel": the word is the same in both numbers.
[[nodiscard]] std::string CountOfKeys(int count);

// Said of a run whose backup or log stopped taking writes.
inline constexpr std::string_view kFilesBrokenText =
    "Die Sicherungskopie oder das L\u00f6schprotokoll konnte nicht mehr geschrieben werden. Danach wurde kein "
    "Schl\u00fcssel mehr gel\u00f6scht.";

} // namespace hivetidy

#pragma once
// Undo: a backup imported by the registry editor only as far as the backup record vouches for its
// bytes, from a private copy of exactly those bytes in the working folder (so that what the editor
// reads cannot have changed since the check), and then read back from the registry, since the
// editor itself does not say what it imported.

#include "platform/Platform.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivetidy {

inline constexpr std::string_view kImportCopyPath = "C:\\REGISTRY\\UNDO.REG";

struct UndoResult {
    enum class Ending {
        Refused,          // nothing imported, for the reason in refusal
        EditorNotStarted, // nothing imported: the registry editor could not be started
        Imported,         // the editor ran; notBack and leftOut say what is not back
    };
    Ending ending = Ending::Refused;
    std::string refusal;              // German, one sentence
    std::vector<std::string> notBack; // the backup's keys the registry does not hold as saved
    std::uint64_t leftOut = 0;        // bytes at the backup's end that no note vouches for
    std::string unchecked;            // why what was imported could not be read back; empty when it was
    // The users' hives the backup names that could not be loaded for the import, each as
    // "HKEY_USERS\<name> (Profil <folder>: <reason>)"; their keys are among notBack.
    std::vector<std::string> hivesNotLoaded;
    // The names below HKEY_USERS of the hives Undo loaded that stayed loaded after it.
    std::vector<std::string> hivesLeftLoaded;
    // Every key of the backup is back, and nothing of it was left out.
    [[nodiscard]] bool Complete() const
    {
        return ending == Ending::Imported && notBack.empty() && leftOut == 0 && unchecked.empty() &&
               hivesNotLoaded.empty() && hivesLeftLoaded.empty();
    }
};

// Imports the backup's bytes (read through a handle that keeps them from changing; nullopt when
// they could not be read) as far as a note of this machine's backup record vouches for them, and
// reads every key of them back. The hives of users who are not logged on that the backup names are
// loaded for the import and the reading back, and unloaded after. silent: the editor asks nothing and reports nothing (/s).
[[nodiscard]] UndoResult ImportBackup(const RunPlatform& platform, const std::optional<std::string>& contents, bool silent);

// The file begins with the head line of a registry export, in the encoding the editor writes it:
// version 5 in UTF-16LE with its byte-order mark, version 4 in the ANSI code page.
[[nodiscard]] bool IsRegistryExport(std::string_view contents);

// The lines that tell the user what an Undo that ran did not bring back (German); none when
// everything is back. Past mostKeys keys, one line counts the rest (a message box must fit the
// screen; the console names them all).
[[nodiscard]] std::vector<std::string> UndoShortfallLines(const UndoResult& result,
                                                          std::size_t mostKeys = static_cast<std::size_t>(-1));

} // namespace hivetidy

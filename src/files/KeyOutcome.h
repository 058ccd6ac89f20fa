#pragma once
// What became of one key that the run set out to remove.

#include <string>
#include <string_view>

namespace hivetidy {

// Why a key that was to go is still there.
enum class StayReason {
    ExportNotMade,           // the editor is missing, failed, or wrote nothing
    ExportIncomplete,        // the export is not the whole key
    ExportFileBusy,          // the temporary export file could not be freed
    DeleteDenied,            // the registry refused the delete
    SharedWithOtherSoftware, // the key also registers files of other software
    DeletingStopped,         // the backup or the log could no longer be written
    KeyUnreadable,           // a part of the key cannot be read, so it cannot be saved whole
    NoEditorName,            // the key cannot be named to the registry editor
    KeyUnopenable,           // the key is there, but the registry refuses to open it
    LeadsOutOfHive,          // a link in a user's hive that leads out of it: never followed
};

// The reason as the removal log words it.
[[nodiscard]] std::string_view ReasonText(StayReason reason);

struct KeyOutcome {
    enum class Kind {
        NotThere,      // nothing to remove: the key is not (or no longer) there
        NotSelected,   // its own data says it is not the controller's
        Removed,       // exported, deleted and logged
        RemovedInPart, // exported and logged; the registry kept part of it
        Stayed,        // still there, for the reason given
    };

    Kind kind = Kind::NotThere;
    std::string name;     // the key's full name as the editor and the log write it
    StayReason reason{};  // for Stayed

    [[nodiscard]] static KeyOutcome Of(Kind kind, std::string name = {}) { return {kind, std::move(name), {}}; }
    [[nodiscard]] static KeyOutcome Stay(std::string name, StayReason reason)
    {
        return {Kind::Stayed, std::move(name), reason};
    }
};

} // namespace hivetidy

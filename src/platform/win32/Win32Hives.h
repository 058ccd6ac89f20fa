#pragma once
// Users' hives over RegLoadKeyW and RegUnLoadKeyW on HKEY_USERS, and the record of loaded hives in
// a file of the working folder that only administrators can change.

#include "platform/Hives.h"

namespace hivetidy::win32 {

class Win32Hives final : public Hives {
public:
    // Enables the backup and restore privileges of the process token first; error 32 is InUse,
    // 2 and 3 Missing, 1009, 1010, 1015 and 1017 NotAHive, 1314 NotAllowed. A key that a refused
    // load left below HKEY_USERS (Wine leaves one for a file that is no hive) is unloaded again.
    [[nodiscard]] HiveLoad Load(std::string_view name, std::string_view file) override;
    [[nodiscard]] bool Unload(std::string_view name) override;
    // A quarter of a second.
    void PauseBeforeRetry() override;
    [[nodiscard]] std::vector<std::string> LoadedNames() override;
    // ExpandEnvironmentStringsW; the text itself when that fails.
    [[nodiscard]] std::string ExpandEnvironment(std::string_view text) override;
    // C:\REGISTRY\HIVETIDY.HIV, read only as a plain file of its own (no link, no second name).
    [[nodiscard]] std::optional<std::string> ReadRecord() override;
    // Written whole into a new file with the access list of the run lock, flushed, and then put in
    // the record's place, so that a record is either the old one or the new one, never half.
    [[nodiscard]] bool WriteRecord(std::string_view text) override;
    void RemoveRecord() override;
};

} // namespace hivetidy::win32

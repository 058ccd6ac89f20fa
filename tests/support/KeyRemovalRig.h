#pragma once
// The removal of single keys with the run's files open, as a run has them between its passes, but
// without the run's passes around them: the run's own objects, wired as the run wires them.

#include "files/ExportAndDeleteKey.h"
#include "files/RealKey.h"
#include "files/RunComponent.h"
#include "files/RunFiles.h"
#include "files/RunOutcome.h"
#include "passes/RunDriver.h"
#include "platform/Platform.h"

#include <string_view>

namespace hivetidy::testing {

class KeyRemovalRig {
public:
    // The driver names the backup and watches every export, as it does in a run.
    KeyRemovalRig(const RunPlatform& platform, RunDriver& driver)
        : m_platform(platform),
          m_driver(driver),
          m_files(platform.files, platform.system),
          m_component(platform.components),
          m_realKey(platform.components),
          m_removal(m_component, m_outcome, driver, m_files, m_realKey, platform.processes)
    {
    }

    // Takes the backup the driver names and creates it and the removal log.
    void OpenRunFiles()
    {
        m_files.NameBackup(m_driver.ChooseBackupFile());
        m_files.CreateBackupFile(m_platform.processes.RegistryEditorFormat());
        m_files.CreateRemovalLog();
    }
    KeyOutcome ExportAndDeleteKey(std::string_view hiveName, std::string_view keyPrefix, std::string_view keyName)
    {
        return m_removal.ExportAndDeleteKey(hiveName, keyPrefix, keyName);
    }
    KeyOutcome ExportAndDeleteKey(const RegLocation& location) { return m_removal.ExportAndDeleteKey(location, false); }
    void CloseRunFiles() { m_files.Close(m_outcome.ClosingLogLines()); }

    [[nodiscard]] RunFiles& Files() { return m_files; }

private:
    RunPlatform m_platform;
    RunDriver& m_driver;
    RunFiles m_files;
    RunComponent m_component;
    RealKey m_realKey;
    RunOutcome m_outcome;
    KeyRemoval m_removal;
};

} // namespace hivetidy::testing

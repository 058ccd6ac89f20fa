#include "passes/CleaningRun.h"

#include "files/LocateInstallation.h"
#include "files/WorkingFiles.h"
#include "shared/Failure.h"
#include "shared/Text.h"

#include <algorithm>
#include <array>
#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace hivetidy {

std::string_view FailureText(RunStage stage)
{
    switch (stage) {
    case RunStage::CheckingWorkingFolder:
        return "Der Arbeitsordner C:\\REGISTRY ist kein gew\u00f6hnlicher Ordner, sondern verweist an einen anderen Ort.";
    case RunStage::ChoosingBackup:
        return "Der Ordner der Sicherungskopie kann nicht ge\u00f6ffnet werden.";
    case RunStage::CreatingBackup:
        return "Die Sicherungskopie kann nicht angelegt werden.";
    case RunStage::CreatingLog:
        return "Das L\u00f6schprotokoll C:\\REGISTRY\\HIVETIDY.BAK kann nicht angelegt werden.";
    case RunStage::ReadingClasses:
        return "Der Schl\u00fcssel HKEY_CLASSES_ROOT\\CLSID kann nicht gelesen werden.";
    case RunStage::ReadingWow32Classes:
        return "Der Schl\u00fcssel HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID kann nicht gelesen werden.";
    case RunStage::ReadingTypeLibraries:
        return "Der Schl\u00fcssel HKEY_CLASSES_ROOT\\TypeLib kann nicht gelesen werden.";
    case RunStage::RemovingKeys:
        break;
    }
    return "Beim L\u00f6schen ist ein unerwarteter Fehler aufgetreten.";
}

CleaningRun::CleaningRun(const RunPlatform& platform, RunDriver& driver)
    : m_platform(platform),
      m_driver(driver),
      m_files(platform.files, platform.system),
      m_component(platform.components),
      m_realKey(platform.components),
      m_removal(m_component, m_outcome, driver, m_files, m_realKey, platform.processes),
      m_userHives(platform.components, platform.hives),
      m_passes(m_component, platform.components, m_state, m_realKey, m_removal, m_outcome, driver, m_preview, m_userHives)
{
    m_state.UserHiveNames.Reset();
    m_state.InvalidClasses.Reset();
    m_state.InvalidKeyNames.Reset();
}

CleaningRun::~CleaningRun() = default;

bool CleaningRun::FindMakerKeys(bool loggedOff)
{
    if (!loggedOff) {
        return m_passes.FindMakerKeys();
    }
    UserHives probe(m_platform.components, m_platform.hives);
    probe.LoadLoggedOff();
    const bool found = m_passes.FindMakerKeys();
    m_component.Release();
    (void)probe.UnloadAll(); // what stayed loaded stays in the record for the next start
    m_passes.ListUserHives();
    return found;
}

void CleaningRun::Start()
{
    m_preview = false;
    Go();
}

void CleaningRun::Preview()
{
    m_preview = true;
    Go();
}

void CleaningRun::Go()
{
    LocateInstallation();
    std::vector<RegView> views;
    try {
        // A junction or link in the working folder's place could lead the export, the log and the
        // temporary file anywhere: such a folder is not worked in. A preview writes nothing there.
        m_stage = RunStage::CheckingWorkingFolder;
        if (!m_preview && !m_platform.files.IsRealFolder(kWorkingFolder)) {
            throw Failure("the working folder is no real folder");
        }
        if (!m_preview) {
            m_stage = RunStage::ChoosingBackup;
            OpenRunFiles();
        }
        m_state.InvalidClasses.Reset();
        m_state.InvalidKeyNames.Reset();

        // The users who are not logged on: their hives loaded, each that cannot be told as a tree
        // not read, and every user's hive listed anew.
        m_userHives.LoadLoggedOff();
        for (const std::string& notLoaded : m_userHives.NotLoaded()) {
            m_outcome.TreeUnreadable(notLoaded);
        }
        m_passes.ListUserHives();

        // The native view first; on 64-bit Windows then the 32-bit one, where the controller's own
        // registrations live. A view whose key is the very key of the native view is not walked
        // again.
        views = m_platform.components.Views();
        if (views.empty()) {
            views.push_back(RegView::Native); // every machine has its own view
        }
        // Every view is walked before anything is removed: a class that points into the
        // controller folders only through a type library that both views share is found in both,
        // before the native view's removals take that library away.
        std::vector<std::pair<RegView, std::vector<ClassEntry>>> classes;
        for (const RegView view : views) {
            m_stage = view == RegView::Native ? RunStage::ReadingClasses : RunStage::ReadingWow32Classes;
            if (m_passes.HasOwnClassTree(view)) {
                classes.emplace_back(view, m_passes.CollectClasses(view));
            }
        }
        for (const auto& [view, found] : classes) {
            m_passes.RemoveClasses(view, found);
        }

        // A machine whose type libraries cannot be read at all is no machine to clean further.
        m_stage = RunStage::ReadingTypeLibraries;
        m_component().OpenKey(kHkeyClassesRoot, TaggedValue::Text("TypeLib"), views.front());

        // From here on no failure ends the run: a step that fails is abandoned and the next runs.
        m_stage = RunStage::RemovingKeys;
        m_passes.RemoveTypeLibraries(views);
        m_passes.RemoveAppPaths(views);
        m_passes.RemoveUserClasses();
        if (m_driver.MakerKeysSelected()) {
            m_passes.RemoveMakerKeys(views);
        }
    } catch (const std::exception&) {
        // The program's own failures and any other (no memory, a broken string): the run ends
        // here with its files closed and the driver told, never half-way and silent.
        UnloadUserHives();
        CloseRunFiles();
        m_driver.RunEnded(true);
        return;
    }
    UnloadUserHives();
    CloseRunFiles();
    m_driver.RunEnded(false);
}

void CleaningRun::LocateInstallation()
{
    InstallationFolders found = hivetidy::LocateInstallation(
        m_platform.files, m_platform.components, m_component, m_preview);
    m_state.InstallFolder = std::move(found.InstallFolder);
    m_state.InstallFolderShort = std::move(found.InstallFolderShort);
}

void CleaningRun::OpenRunFiles()
{
    m_files.NameBackup(m_driver.ChooseBackupFile());
    m_driver.RunStarted();
    m_stage = RunStage::CreatingBackup;
    m_files.CreateBackupFile(m_platform.processes.RegistryEditorFormat());
    m_stage = RunStage::CreatingLog;
    m_files.CreateRemovalLog();
}

void CleaningRun::UnloadUserHives()
{
    m_component.Release();
    for (const std::string& name : m_userHives.UnloadAll()) {
        m_outcome.HiveLeftLoaded("HKEY_USERS\\" + name);
    }
}

std::vector<std::string> CleaningRun::EndNow() noexcept
{
    m_component.Release();
    std::vector<std::string> stayed = m_userHives.UnloadAll();
    m_files.CloseAll();
    return stayed;
}

void CleaningRun::CloseRunFiles()
{
    if (m_preview) {
        return; // it opened none
    }
    m_files.Close(m_outcome.ClosingLogLines());
}

} // namespace hivetidy

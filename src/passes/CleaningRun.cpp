#include "passes/CleaningRun.h"

#include "files/LocateInstallation.h"
#include "files/WorkingFiles.h"
#include "passes/MakerKeys.h"
#include "passes/KeyClaim.h"
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
      m_realKey(platform.components),
      m_removal(*this, m_files, m_realKey, platform.processes),
      m_callbacks(m_state, platform.components, [this] { Yield(); }),
      m_claims(platform.components, m_state),
      m_scope([this]() -> RegistryComponent& { return Registry(); }, m_realKey, m_claims, m_removal, m_preview,
              [this](const KeyOutcome& key) { Account(key); })
{
    m_state.UserHiveNames.Reset();
    m_state.InvalidClasses.Reset();
    m_state.InvalidKeyNames.Reset();
}

CleaningRun::~CleaningRun() = default;

RegistryComponent& CleaningRun::Registry()
{
    if (!m_registry) {
        m_registry = m_platform.components.Create();
    }
    return *m_registry;
}

void CleaningRun::Yield()
{
    m_driver.Yield();
}

bool CleaningRun::FindMakerKeys()
{
    bool found = false;
    // Skip mode to the end: each probe is judged by its own OpenKey alone, and no failure of the
    // registry keeps the program from going on.
    if (SkipOnFailure([&] { Registry().OpenKey(kHkeyCurrentUser, TaggedValue::Text(kMakerKeyUser)); })) {
        found = true;
    }
    // The machine's key in each view: on 64-bit Windows the controller keeps it in the 32-bit one.
    std::vector<RegView> views{RegView::Native};
    SkipOnFailure([&] { views = m_platform.components.Views(); });
    for (const RegView view : views) {
        if (SkipOnFailure([&] { Registry().OpenKey(kHkeyLocalMachine, TaggedValue::Text(kMakerKeyMachine), view); })) {
            found = true;
        }
    }

    m_state.UserHiveNames.Reset();
    std::unique_ptr<RegistryComponent> users;
    const auto usersComponent = [&]() -> RegistryComponent& {
        if (!users) {
            throw Failure("no component for the user hives");
        }
        return *users;
    };
    SkipOnFailure([&] { users = m_platform.components.Create(); });
    SkipOnFailure([&] { usersComponent().OpenKey(kBindToHive, TaggedValue::Whole(static_cast<std::int32_t>(kHkeyUsers))); });
    SkipOnFailure([&] { usersComponent().WalkSubkeys(m_callbacks.TheForm6(), 0); });

    const int hiveCount = m_state.UserHiveNames.UpperBound();
    for (int i = 1; i <= hiveCount; ++i) {
        const std::string path = m_state.UserHiveNames[i] + "\\" + std::string(kMakerKeyUser);
        if (SkipOnFailure([&] { usersComponent().OpenKey(kHkeyUsers, TaggedValue::Text(path)); })) {
            found = true;
        }
    }
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
            ChooseBackupFile();
            m_driver.RunStarted();
            OpenRunFiles();
        }
        m_state.InvalidClasses.Reset();
        m_state.InvalidKeyNames.Reset();

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
            if (HasOwnClassTree(view)) {
                classes.emplace_back(view, CollectClasses(view));
            }
        }
        for (const auto& [view, found] : classes) {
            RemoveClasses(view, found);
        }

        m_stage = RunStage::ReadingTypeLibraries;
        Registry().OpenKey(kHkeyClassesRoot, TaggedValue::Text("TypeLib"), views.front());

        m_stage = RunStage::RemovingKeys;
        RunRemainingPasses(views);
    } catch (const std::exception&) {
        // The program's own failures and any other (no memory, a broken string): the run ends
        // here with its files closed and the driver told, never half-way and silent.
        CloseRunFiles();
        m_driver.RunEnded(true);
        return;
    }
    CloseRunFiles();
    m_driver.RunEnded(false);
}

void CleaningRun::ChooseBackupFile()
{
    m_files.NameBackup(m_driver.ChooseBackupFile());
}

void CleaningRun::Account(const KeyOutcome& key)
{
    m_outcome.Add(key);
    if (key.kind == KeyOutcome::Kind::Removed || key.kind == KeyOutcome::Kind::RemovedInPart ||
        key.kind == KeyOutcome::Kind::Stayed) {
        m_driver.KeyDone(key);
    }
}

std::vector<ClassEntry> CleaningRun::CollectClasses(RegView view)
{
    m_state.InvalidClasses.Reset();
    m_state.CheckedTypeLibs.clear();
    m_state.CurrentView = view;
    Registry().OpenKey(kHkeyClassesRoot, TaggedValue::Text("CLSID"), view);
    Registry().WalkSubkeys(*this, 0);

    std::vector<ClassEntry> found;
    const int classCount = m_state.InvalidClasses.UpperBound();
    found.reserve(static_cast<std::size_t>(classCount));
    for (int i = 1; i <= classCount; ++i) {
        found.push_back(m_state.InvalidClasses[i]);
    }
    return found;
}

void CleaningRun::RemoveClasses(RegView view, const std::vector<ClassEntry>& classes)
{
    for (const ClassEntry& entry : classes) {
        // The ProgID and TypeLib texts come from the registry. Each half of a pair is removed only
        // where its own key says it belongs to this class: what a user writes below his own
        // Classes key, which HKEY_CLASSES_ROOT shows too, never decides for the machine's keys.
        const RemovalScope::Guard namesClass = [&](const RegLocation& at) {
            return m_claims.ProgIdKeyNamesClass(at, entry.ClassId) ? KeyClaim::Controllers : KeyClaim::Foreign;
        };
        if (!entry.ProgId.empty() && HasProgIdForm(entry.ProgId)) {
            m_scope.RemoveBelow(view, kClassesRoot, "", entry.ProgId, namesClass);
            m_scope.RemoveBelow(view, kLocalMachine, kMachineClassesPrefix, entry.ProgId, namesClass);
        }
        if (!entry.ClassId.empty()) {
            // The walk judged the class by what HKEY_CLASSES_ROOT shows of it; where that is the
            // user's key over a machine's one, the user's key must refer to the controller itself.
            m_scope.RemoveBelow(view, kClassesRoot, kClsidPrefix, entry.ClassId, {}, m_scope.RefersToController());
            m_scope.RemoveBelow(view, kLocalMachine, kMachineClsidPrefix, entry.ClassId, m_scope.RefersToController());
        }
        if (!entry.TypeLibId.empty() && IsBracedGuid(entry.TypeLibId)) {
            m_scope.RemoveBelow(view, kClassesRoot, kTypeLibPrefix, entry.TypeLibId, m_scope.ControllersLibrary());
            m_scope.RemoveBelow(view, kLocalMachine, kMachineTypeLibPrefix, entry.TypeLibId, m_scope.ControllersLibrary());
        }
        Yield();
    }
}

void CleaningRun::RunRemainingPasses(const std::vector<RegView>& views)
{
    // Skip mode to the end of the run: a failing step is abandoned and the next one runs, and a
    // tree that cannot be walked is told as such. The native view's TypeLib key is already bound.
    for (const RegView view : views) {
        if (view != views.front() && !OpenTree({kHkeyClassesRoot, view, "TypeLib"})) {
            continue;
        }
        m_state.InvalidKeyNames.Reset();
        if (!SkipOnFailure([&] { Registry().WalkTree(m_callbacks.TheForm4(), Registry(), 0); })) {
            m_outcome.TreeUnreadable(NameForLog({kHkeyClassesRoot, view, "TypeLib"}));
        }
        const int typeLibCount = m_state.InvalidKeyNames.UpperBound();
        for (int i = 1; i <= typeLibCount; ++i) {
            const std::string name = m_state.InvalidKeyNames[i];
            m_scope.RemoveBelow(view, kClassesRoot, kTypeLibPrefix, name, m_scope.ControllersLibrary());
            m_scope.RemoveBelow(view, kLocalMachine, kMachineTypeLibPrefix, name, m_scope.ControllersLibrary());
            Yield();
        }
    }

    for (const RegView view : views) {
        const RegLocation appPaths{kHkeyLocalMachine, view, std::string(kAppPathsKey)};
        if (!OpenTree(appPaths)) {
            continue;
        }
        m_state.InvalidKeyNames.Reset();
        if (!SkipOnFailure([&] { Registry().WalkSubkeys(m_callbacks.TheForm5(), 0); })) {
            m_outcome.TreeUnreadable(NameForLog(appPaths));
        }
        const int appPathCount = m_state.InvalidKeyNames.UpperBound();
        for (int i = 1; i <= appPathCount; ++i) {
            m_scope.RemoveBelow(view, kLocalMachine, kAppPathsPrefix, m_state.InvalidKeyNames[i]);
            Yield();
        }
    }

    if (m_driver.MakerKeysSelected()) {
        m_scope.RemoveMakerKey(kCurrentUser, RegView::Native, "");
        for (const RegView view : views) {
            m_scope.RemoveMakerKey(kLocalMachine, view, "");
        }
        const int hiveCount = m_state.UserHiveNames.UpperBound();
        for (int i = 1; i <= hiveCount; ++i) {
            m_scope.RemoveMakerKey(kUsers, RegView::Native, m_state.UserHiveNames[i]);
        }
    }
}

bool CleaningRun::HasOwnClassTree(RegView view)
{
    if (view == RegView::Native) {
        return true;
    }
    const RegLocation tree{kHkeyClassesRoot, view, "CLSID"};
    bool own = false;
    if (SkipOnFailure([&] { own = m_realKey.NativeLocationOf(tree).path != tree.path; })) {
        return own;
    }
    // Either view's class tree that is there but cannot be read ends the run alike, before
    // anything is deleted; only a tree that is not there at all has nothing to clean.
    if (m_realKey.ListedIdentity(tree)) {
        throw Failure("the 32-bit view's class tree cannot be opened");
    }
    return false;
}

bool CleaningRun::OpenTree(const RegLocation& tree)
{
    // A 32-bit view's tree that is the native view's very key (shared, or linked as Wine links
    // them) was walked there already.
    bool told = true;
    bool own = true;
    if (tree.view != RegView::Native) {
        told = SkipOnFailure([&] { own = m_realKey.NativeLocationOf(tree).path != tree.path; });
    }
    if (told && !own) {
        return false;
    }
    if (told && SkipOnFailure([&] { Registry().OpenKey(tree.hive, TaggedValue::Text(tree.path), tree.view); })) {
        return true;
    }
    // A machine without the tree has nothing to clean there; one whose tree is there but cannot be
    // opened, or not told from the native one, may, and is told so.
    if (m_realKey.ListedIdentity(tree)) {
        m_outcome.TreeUnreadable(NameForLog(tree));
    }
    return false;
}

void CleaningRun::LocateInstallation()
{
    InstallationFolders found = hivetidy::LocateInstallation(
        m_platform.files, m_platform.components, [this]() -> RegistryComponent& { return Registry(); }, m_preview);
    m_state.InstallFolder = std::move(found.InstallFolder);
    m_state.InstallFolderShort = std::move(found.InstallFolderShort);
}

KeyOutcome CleaningRun::ExportAndDeleteKey(std::string_view hiveName, std::string_view keyPrefix, std::string_view keyName)
{
    return ExportAndDeleteKey(RegLocation{RootHandleOf(hiveName), RegView::Native, std::string(keyPrefix) + std::string(keyName)});
}

KeyOutcome CleaningRun::ExportAndDeleteKey(const RegLocation& location)
{
    return m_removal.ExportAndDeleteKey(location, m_preview);
}

void CleaningRun::OpenRunFiles()
{
    m_stage = RunStage::CreatingBackup;
    m_files.CreateBackupFile(m_platform.processes.RegistryEditorFormat());
    m_stage = RunStage::CreatingLog;
    m_files.CreateRemovalLog();
}

void CleaningRun::CloseRunFiles()
{
    if (m_preview) {
        return; // it opened none
    }
    m_files.Close(m_outcome.ClosingLogLines());
}

void CleaningRun::CloseAll() noexcept
{
    m_files.CloseAll();
}

} // namespace hivetidy

#include "app/Form1.h"

#include "app/Form1Text.h"
#include "files/WorkingFiles.h"
#include "passes/ScopeGuard.h"
#include "shared/Failure.h"
#include "shared/Text.h"

#include <algorithm>
#include <array>
#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace hivetidy {

namespace {

constexpr std::string_view kClassesRoot = "HKEY_CLASSES_ROOT";
constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";
constexpr std::string_view kCurrentUser = "HKEY_CURRENT_USER";
constexpr std::string_view kUsers = "HKEY_USERS";

constexpr std::string_view kClsidPrefix = "CLSID\\";
constexpr std::string_view kMachineClsidPrefix = "SOFTWARE\\Classes\\CLSID\\";
constexpr std::string_view kTypeLibPrefix = "TypeLib\\";
constexpr std::string_view kMachineTypeLibPrefix = "SOFTWARE\\Classes\\TypeLib\\";
constexpr std::string_view kMachineClassesPrefix = "SOFTWARE\\Classes\\";
constexpr std::string_view kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
constexpr std::string_view kAppPathsPrefix = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

// Every place below which the run removes keys; nothing else is ever deleted.
constexpr std::array<std::pair<std::string_view, std::string_view>, 7> kRemovalPrefixes{{
    {kClassesRoot, ""},
    {kLocalMachine, kMachineClassesPrefix},
    {kClassesRoot, kClsidPrefix},
    {kLocalMachine, kMachineClsidPrefix},
    {kClassesRoot, kTypeLibPrefix},
    {kLocalMachine, kMachineTypeLibPrefix},
    {kLocalMachine, kAppPathsPrefix},
}};


// What the user is told when the run cannot go on at that stage.
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
    case RunStage::ReadingTypeLibraries:
        return "Der Schl\u00fcssel HKEY_CLASSES_ROOT\\TypeLib kann nicht gelesen werden.";
    case RunStage::RemovingKeys:
        break;
    }
    return "Beim L\u00f6schen ist ein unerwarteter Fehler aufgetreten.";
}

// One key's name, never a path: not empty and without a backslash.
bool IsSingleKeyName(std::string_view name)
{
    return !name.empty() && name.find('\\') == std::string_view::npos;
}

} // namespace

void Form1::Command1_Click()
{
    Window& window = m_platform.window;
    window.SetEnabled(Control::Command1, false);
    window.SetEnabled(Control::Command2, false);
    window.SetEnabled(Control::Check1, false);

    LocateInstallation();
    std::vector<RegView> views;
    try {
        // A junction or link in the working folder's place could lead the export, the log and the
        // temporary file anywhere: such a folder is not worked in.
        m_stage = RunStage::CheckingWorkingFolder;
        if (!m_platform.files.IsRealFolder(kWorkingFolder)) {
            throw Failure("the working folder is no real folder");
        }
        m_stage = RunStage::ChoosingBackup;
        AskBackupFile();

        window.EnableTimer(true);
        window.SetEnabled(Control::Command2, true);
        window.SetFocus(Control::Command2);
        window.SetVisible(Control::Label2, false);
        window.SetVisible(Control::Label1, true);

        OpenRunFiles();
        m_state.InvalidClasses.Reset();
        m_state.InvalidKeyNames.Reset();

        // The native view first; on 64-bit Windows then the 32-bit one, where the controller's own
        // registrations live. A view whose key is the very key of the native view is not walked
        // again.
        views = m_platform.components.Views();
        if (views.empty()) {
            views.push_back(RegView::Native); // every machine has its own view
        }
        m_stage = RunStage::ReadingClasses;
        for (const RegView view : views) {
            if (IsOwnKeyOfView({kHkeyClassesRoot, view, "CLSID"})) {
                RunClassPass(view);
            }
        }

        m_stage = RunStage::ReadingTypeLibraries;
        Registry().OpenKey(kHkeyClassesRoot, TaggedValue::Text("TypeLib"), views.front());
    } catch (const std::exception&) {
        // The program's own failures and any other (no memory, a broken string): the run ends
        // here with its files closed and the user told, never half-way and silent.
        ReportFailedRun();
        return;
    }

    try {
        m_stage = RunStage::RemovingKeys;
        RunRemainingPasses(views);
    } catch (const std::exception&) {
        ReportFailedRun();
        return;
    }
    if (m_filesBroken || m_partialCount > 0) {
        ReportPartialRun();
        return;
    }
    m_platform.system.Beep();
    m_platform.system.Beep();
}

void Form1::RunClassPass(RegView view)
{
    m_state.InvalidClasses.Reset();
    m_state.CheckedTypeLibs.clear();
    m_state.CurrentView = view;
    Registry().OpenKey(kHkeyClassesRoot, TaggedValue::Text("CLSID"), view);
    Registry().WalkSubkeys(*this, 0);

    const int classCount = m_state.InvalidClasses.UpperBound();
    for (int i = 1; i <= classCount; ++i) {
        const ClassEntry entry = m_state.InvalidClasses[i];
        // The ProgID and TypeLib texts come from the registry. Each half of a pair is removed only
        // where its own key says it belongs to this class: what a user writes below his own
        // Classes key, which HKEY_CLASSES_ROOT shows too, never decides for the machine's keys.
        const auto namesClass = [&](const RegLocation& at) { return ProgIdKeyNamesClass(at, entry.ClassId); };
        const auto controllersLibrary = [&](const RegLocation& at) { return TypeLibIsControllersOwn(at); };
        if (!entry.ProgId.empty() && HasProgIdForm(entry.ProgId)) {
            RemoveBelow(view, kClassesRoot, "", entry.ProgId, namesClass);
            RemoveBelow(view, kLocalMachine, kMachineClassesPrefix, entry.ProgId, namesClass);
        }
        if (!entry.ClassId.empty()) {
            RemoveBelow(view, kClassesRoot, kClsidPrefix, entry.ClassId);
            RemoveBelow(view, kLocalMachine, kMachineClsidPrefix, entry.ClassId, RefersToController());
        }
        if (!entry.TypeLibId.empty() && IsBracedGuid(entry.TypeLibId)) {
            RemoveBelow(view, kClassesRoot, kTypeLibPrefix, entry.TypeLibId, controllersLibrary);
            RemoveBelow(view, kLocalMachine, kMachineTypeLibPrefix, entry.TypeLibId, controllersLibrary);
        }
        Yield();
    }
}

void Form1::RunRemainingPasses(const std::vector<RegView>& views)
{
    // Skip mode to the end of the run: a failing step is abandoned and the next one runs. The
    // native view's TypeLib key is already bound.
    for (const RegView view : views) {
        if (view != views.front()) {
            if (!SkipOnFailure([&] { Registry().OpenKey(kHkeyClassesRoot, TaggedValue::Text("TypeLib"), view); }) ||
                !IsOwnKeyOfView({kHkeyClassesRoot, view, "TypeLib"})) {
                continue;
            }
        }
        m_state.InvalidKeyNames.Reset();
        SkipOnFailure([&] { Registry().WalkTree(m_callbacks.TheForm4(), Registry(), 0); });
        const int typeLibCount = m_state.InvalidKeyNames.UpperBound();
        for (int i = 1; i <= typeLibCount; ++i) {
            const std::string name = m_state.InvalidKeyNames[i];
            RemoveBelow(view, kClassesRoot, kTypeLibPrefix, name);
            RemoveBelow(view, kLocalMachine, kMachineTypeLibPrefix, name, RefersToController());
            Yield();
        }
    }

    for (const RegView view : views) {
        if (view != views.front() && !IsOwnKeyOfView({kHkeyLocalMachine, view, std::string(kAppPathsKey)})) {
            continue;
        }
        m_state.InvalidKeyNames.Reset();
        // The walk runs even when the open failed; it then fails on its own and lists nothing.
        SkipOnFailure([&] { Registry().OpenKey(kHkeyLocalMachine, TaggedValue::Text(kAppPathsKey), view); });
        SkipOnFailure([&] { Registry().WalkSubkeys(m_callbacks.TheForm5(), 0); });
        const int appPathCount = m_state.InvalidKeyNames.UpperBound();
        for (int i = 1; i <= appPathCount; ++i) {
            RemoveBelow(view, kLocalMachine, kAppPathsPrefix, m_state.InvalidKeyNames[i]);
            Yield();
        }
    }

    if (m_platform.window.CheckValue(Control::Check1) == 1) {
        RemoveMakerKey(kCurrentUser, RegView::Native, "");
        for (const RegView view : views) {
            RemoveMakerKey(kLocalMachine, view, "");
        }
        const int hiveCount = m_state.UserHiveNames.UpperBound();
        for (int i = 1; i <= hiveCount; ++i) {
            RemoveMakerKey(kUsers, RegView::Native, m_state.UserHiveNames[i]);
        }
    }

    CloseRunFiles();
    EnterFinishedState();
}

bool Form1::IsOwnKeyOfView(const RegLocation& location)
{
    if (location.view == RegView::Native) {
        return true;
    }
    bool own = false;
    SkipOnFailure([&] { own = NativeLocationOf(location).path != location.path; });
    return own;
}

void Form1::RemoveBelow(RegView view, std::string_view hiveName, std::string_view keyPrefix, std::string_view keyName,
                        const RemovalGuard& guard)
{
    const bool fixedPrefix = std::any_of(kRemovalPrefixes.begin(), kRemovalPrefixes.end(), [&](const auto& place) {
        return place.first == hiveName && place.second == keyPrefix;
    });
    if (!fixedPrefix || !IsSingleKeyName(keyName)) {
        return;
    }
    const RegLocation location{RootHandleOf(hiveName), view, std::string(keyPrefix) + std::string(keyName)};
    if (!guard || guard(location)) {
        ExportAndDeleteKey(location);
    }
}

Form1::RemovalGuard Form1::RefersToController()
{
    return [this](const RegLocation& at) { return KeyRefersToControllerDir(at); };
}

void Form1::RemoveMakerKey(std::string_view hiveName, RegView view, std::string_view userHive)
{
    const RootHandle hive = RootHandleOf(hiveName);
    if (hive == kHkeyUsers) {
        if (IsSingleKeyName(userHive)) {
            ExportAndDeleteKey(RegLocation{hive, view, std::string(userHive) + "\\" + std::string(kMakerKeyUser)});
        }
    } else if (hive == kHkeyCurrentUser) {
        ExportAndDeleteKey(RegLocation{hive, view, std::string(kMakerKeyUser)});
    } else if (hive == kHkeyLocalMachine) {
        ExportAndDeleteKey(RegLocation{hive, view, std::string(kMakerKeyMachine)});
    }
}

void Form1::EnterFinishedState()
{
    Window& window = m_platform.window;
    window.EnableTimer(false);
    window.SetCaption(Control::Command2, kExitCaption);
    window.SetEnabled(Control::Command3, m_backupHold != nullptr);
    window.SetVisible(Control::Label1, false);
    window.SetVisible(Control::Label2, true);
    window.SetCaption(Control::Label2, kUndoHint);
}

void Form1::ReportFailedRun()
{
    CloseRunFiles();
    EnterFinishedState();
    Window& window = m_platform.window;
    window.SetEnabled(Control::Command2, true);
    // Undo imports this run's backup and nothing else: without one there is nothing to undo.
    if (!m_backupHold) {
        window.SetCaption(Control::Label2, kNothingDeletedHint);
    }
    std::string text = std::string(FailureText(m_stage)) + "\r\n\r\nDer Bereinigungslauf wurde abgebrochen. ";
    if (m_removedCount == 0) {
        text += "Es wurde kein Schl\u00fcssel gel\u00f6scht.";
    } else {
        text += "Die bis dahin gel\u00f6schten Schl\u00fcssel sind in der Sicherungskopie " + BackupFilePath() +
                " gesichert und im L\u00f6schprotokoll " + std::string(kRemovalLogPath) + " aufgef\u00fchrt.";
    }
    m_platform.dialogs.MessageBox(text, "Hivetidy", kMbOk | kMbIconExclamation);
}

void Form1::ReportPartialRun()
{
    m_platform.window.SetCaption(Control::Label2, kPartialHint);
    std::string text;
    if (m_filesBroken) {
        text += "Die Sicherungskopie oder das L\u00f6schprotokoll konnte nicht mehr geschrieben werden. Danach wurde "
                "kein Schl\u00fcssel mehr gel\u00f6scht.\r\n\r\n";
    }
    if (m_partialCount > 0) {
        text += std::to_string(m_partialCount) +
                (m_partialCount == 1 ? " Schl\u00fcssel konnte" : " Schl\u00fcssel konnten") +
                " nur zum Teil gel\u00f6scht werden; sie sind im L\u00f6schprotokoll aufgef\u00fchrt.\r\n\r\n";
    }
    text += "Sicherungskopie: " + BackupFilePath() + "\r\nL\u00f6schprotokoll: " + std::string(kRemovalLogPath);
    m_platform.dialogs.MessageBox(text, "Hivetidy", kMbOk | kMbIconExclamation);
}

} // namespace hivetidy

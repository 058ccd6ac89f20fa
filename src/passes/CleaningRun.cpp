#include "app/Form1.h"

#include "app/Form1Text.h"
#include "files/WorkingFiles.h"
#include "shared/Failure.h"
#include "shared/Text.h"

#include <algorithm>
#include <array>
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
    case RunStage::ChoosingBackup:
        return "Der Ordner der Sicherungskopie kann nicht ge\u00f6ffnet werden.";
    case RunStage::CreatingBackup:
        return "Die Sicherungskopie kann nicht angelegt werden.";
    case RunStage::CreatingLog:
        return "Das L\u00f6schprotokoll C:\\REGISTRY\\HIVETIDY.BAK kann nicht angelegt werden.";
    case RunStage::ReadingClasses:
        return "Der Schl\u00fcssel HKEY_CLASSES_ROOT\\CLSID kann nicht gelesen werden.";
    case RunStage::ReadingTypeLibraries:
        break;
    }
    return "Der Schl\u00fcssel HKEY_CLASSES_ROOT\\TypeLib kann nicht gelesen werden.";
}

// One key's name, never a path: not empty and without a backslash.
bool IsSingleKeyName(std::string_view name)
{
    return !name.empty() && name.find('\\') == std::string_view::npos;
}

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" with hexadecimal digits.
bool IsBracedGuid(std::string_view text)
{
    constexpr std::string_view kPattern = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    if (text.size() != kPattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (kPattern[i] == 'x' ? !hex : c != kPattern[i]) {
            return false;
        }
    }
    return true;
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
        m_stage = RunStage::ReadingClasses;
        for (const RegView view : views) {
            if (IsOwnKeyOfView({kHkeyClassesRoot, view, "CLSID"})) {
                RunClassPass(view);
            }
        }

        m_stage = RunStage::ReadingTypeLibraries;
        Registry().OpenKey(kHkeyClassesRoot, TaggedValue::Text("TypeLib"), views.front());
    } catch (const Failure&) {
        ReportFailedRun();
        return;
    }

    RunRemainingPasses(views);
}

void Form1::RunClassPass(RegView view)
{
    m_state.InvalidClasses.Reset();
    m_state.CurrentView = view;
    Registry().OpenKey(kHkeyClassesRoot, TaggedValue::Text("CLSID"), view);
    Registry().WalkSubkeys(*this, 0);

    const int classCount = m_state.InvalidClasses.UpperBound();
    for (int i = 1; i <= classCount; ++i) {
        const ClassEntry entry = m_state.InvalidClasses[i];
        // The ProgID and TypeLib texts come from the registry: they are used as key names only
        // when they really name this class's ProgID key and a type library.
        if (!entry.ProgId.empty() && ProgIdBelongsToClass(entry, view)) {
            RemoveBelow(view, kClassesRoot, "", entry.ProgId);
            RemoveBelow(view, kLocalMachine, kMachineClassesPrefix, entry.ProgId);
        }
        if (!entry.ClassId.empty()) {
            RemoveBelow(view, kClassesRoot, kClsidPrefix, entry.ClassId);
            RemoveBelow(view, kLocalMachine, kMachineClsidPrefix, entry.ClassId);
        }
        if (!entry.TypeLibId.empty() && IsBracedGuid(entry.TypeLibId)) {
            RemoveBelow(view, kClassesRoot, kTypeLibPrefix, entry.TypeLibId);
            RemoveBelow(view, kLocalMachine, kMachineTypeLibPrefix, entry.TypeLibId);
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
            RemoveBelow(view, kLocalMachine, kMachineTypeLibPrefix, name);
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
    m_platform.system.Beep();
    m_platform.system.Beep();
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

void Form1::RemoveBelow(RegView view, std::string_view hiveName, std::string_view keyPrefix, std::string_view keyName)
{
    const bool fixedPrefix = std::any_of(kRemovalPrefixes.begin(), kRemovalPrefixes.end(), [&](const auto& place) {
        return place.first == hiveName && place.second == keyPrefix;
    });
    if (fixedPrefix && IsSingleKeyName(keyName)) {
        ExportAndDeleteKey(RegLocation{RootHandleOf(hiveName), view, std::string(keyPrefix) + std::string(keyName)});
    }
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

bool Form1::ProgIdBelongsToClass(const ClassEntry& entry, RegView view)
{
    if (!IsSingleKeyName(entry.ProgId)) {
        return false;
    }
    bool belongs = false;
    SkipOnFailure([&] {
        auto lookup = m_platform.components.Create();
        lookup->OpenKey(kHkeyClassesRoot, TaggedValue::Text(entry.ProgId + "\\CLSID"), view);
        const TaggedValue classId = lookup->DefaultValue();
        belongs = classId.IsText() && EqualsIgnoreCase(classId.ToText(), entry.ClassId);
    });
    return belongs;
}

void Form1::EnterFinishedState()
{
    Window& window = m_platform.window;
    window.EnableTimer(false);
    window.SetCaption(Control::Command2, kExitCaption);
    window.SetEnabled(Control::Command3, true);
    window.SetVisible(Control::Label1, false);
    window.SetVisible(Control::Label2, true);
    window.SetCaption(Control::Label2, kUndoHint);
}

void Form1::ReportFailedRun()
{
    CloseRunFiles();
    EnterFinishedState();
    m_platform.window.SetEnabled(Control::Command2, true);
    m_platform.dialogs.MessageBox(std::string(FailureText(m_stage)) +
                                      "\r\n\r\nDer Bereinigungslauf wurde abgebrochen. Alle bis dahin gel\u00f6schten "
                                      "Schl\u00fcssel sind in der Sicherungskopie enthalten.",
                                  "Hivetidy", kMbOk | kMbIconExclamation);
}

} // namespace hivetidy

#include "passes/RunPasses.h"

#include "files/UserHives.h"
#include "passes/MakerKeys.h"
#include "shared/Failure.h"

#include <memory>
#include <string>
#include <vector>

namespace hivetidy {

namespace {

// Where HKEY_LOCAL_MACHINE keeps the machine's half of a name below HKEY_CLASSES_ROOT.
std::string_view MachinePrefixOf(std::string_view classesRootPrefix)
{
    if (classesRootPrefix == kClsidPrefix) {
        return kMachineClsidPrefix;
    }
    return classesRootPrefix == kTypeLibPrefix ? kMachineTypeLibPrefix : kMachineClassesPrefix;
}

} // namespace

RunPasses::RunPasses(RunComponent& registry, RegistryComponentFactory& components, SharedState& state,
                     RealKey& realKey, KeyRemoval& removal, RunOutcome& outcome, RunDriver& driver,
                     const bool& preview, const UserHives& loaded)
    : m_registry(registry),
      m_components(components),
      m_state(state),
      m_realKey(realKey),
      m_outcome(outcome),
      m_driver(driver),
      m_callbacks(state, components, [this] { m_driver.Yield(); }),
      m_collector(state, m_callbacks, [this] { m_driver.Yield(); }),
      m_claims(components, state),
      m_scope(registry, realKey, m_claims, removal, preview, loaded, [this](const KeyOutcome& key) { Account(key); })
{
}

bool RunPasses::FindMakerKeys()
{
    bool found = false;
    // Skip mode to the end: each probe is judged by its own OpenKey alone, and no failure of the
    // registry keeps the program from going on.
    if (SkipOnFailure([&] { m_registry().OpenKey(kHkeyCurrentUser, TaggedValue::Text(kMakerKeyUser)); })) {
        found = true;
    }
    // The machine's key in each view: on 64-bit Windows the controller keeps it in the 32-bit one.
    std::vector<RegView> views{RegView::Native};
    SkipOnFailure([&] { views = m_components.Views(); });
    for (const RegView view : views) {
        if (SkipOnFailure([&] { m_registry().OpenKey(kHkeyLocalMachine, TaggedValue::Text(kMakerKeyMachine), view); })) {
            found = true;
        }
    }

    ListUserHives();
    std::unique_ptr<RegistryComponent> users;
    SkipOnFailure([&] { users = m_components.Create(); });
    const int hiveCount = m_state.UserHiveNames.UpperBound();
    for (int i = 1; i <= hiveCount && users; ++i) {
        // A user's own key, and in his classes hive the two keys of his virtual store.
        const std::string& hive = m_state.UserHiveNames[i];
        std::vector<std::string_view> keys{kMakerKeyUser};
        if (IsClassesHiveName(hive)) {
            keys = {kMakerKeyVirtualStore, kMakerKeyVirtualStore32};
        }
        for (const std::string_view key : keys) {
            const std::string path = hive + "\\" + std::string(key);
            if (SkipOnFailure([&] { users->OpenKey(kHkeyUsers, TaggedValue::Text(path)); })) {
                found = true;
            }
        }
    }
    return found;
}

void RunPasses::ListUserHives()
{
    m_state.UserHiveNames.Reset();
    std::unique_ptr<RegistryComponent> users;
    SkipOnFailure([&] {
        users = m_components.Create();
        users->OpenKey(kBindToHive, TaggedValue::Whole(static_cast<std::int32_t>(kHkeyUsers)));
        users->WalkSubkeys(m_callbacks.TheForm6(), 0);
    });
}

bool RunPasses::HasOwnClassTree(RegView view)
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

std::vector<ClassEntry> RunPasses::CollectClasses(RegView view)
{
    m_state.InvalidClasses.Reset();
    m_state.CheckedTypeLibs.clear();
    m_state.CurrentView = view;
    m_registry().OpenKey(kHkeyClassesRoot, TaggedValue::Text("CLSID"), view);
    m_registry().WalkSubkeys(m_collector, 0);

    std::vector<ClassEntry> found;
    const int classCount = m_state.InvalidClasses.UpperBound();
    found.reserve(static_cast<std::size_t>(classCount));
    for (int i = 1; i <= classCount; ++i) {
        found.push_back(m_state.InvalidClasses[i]);
    }
    return found;
}

void RunPasses::RemoveClasses(RegView view, const std::vector<ClassEntry>& classes)
{
    for (const ClassEntry& entry : classes) {
        RemoveClassKeys(entry, [&](std::string_view prefix, std::string_view name, const RemovalScope::Guard& guard) {
            // The walk judged the class by what HKEY_CLASSES_ROOT shows of it; where that is the
            // user's class key over a machine's one, the user's key must refer to the controller
            // itself. The machine's half of each pair answers to the guard alone.
            const bool classKey = prefix == kClsidPrefix;
            m_scope.RemoveBelow(view, kClassesRoot, prefix, name, classKey ? RemovalScope::Guard{} : guard,
                                classKey ? guard : RemovalScope::Guard{});
            m_scope.RemoveBelow(view, kLocalMachine, MachinePrefixOf(prefix), name, guard);
        });
    }
}

void RunPasses::RemoveClassKeys(const ClassEntry& entry, const ClassKeyRemoval& remove)
{
    // The ProgID and TypeLib texts come from the registry. Each key is removed only where its own
    // data says it belongs to this class: what a user writes below his own Classes key, which
    // HKEY_CLASSES_ROOT shows too, never decides for the machine's keys.
    const RemovalScope::Guard namesClass = [&](const RegLocation& at) {
        return m_claims.ProgIdKeyNamesClass(at, entry.ClassId) ? KeyClaim::Controllers : KeyClaim::Foreign;
    };
    if (!entry.ProgId.empty() && HasProgIdForm(entry.ProgId)) {
        remove("", entry.ProgId, namesClass);
    }
    if (!entry.ClassId.empty()) {
        remove(kClsidPrefix, entry.ClassId, m_scope.RefersToController());
    }
    if (!entry.TypeLibId.empty() && IsBracedGuid(entry.TypeLibId)) {
        remove(kTypeLibPrefix, entry.TypeLibId, m_scope.ControllersLibrary());
    }
    m_driver.Yield();
}

void RunPasses::RemoveTypeLibraries(const std::vector<RegView>& views)
{
    // Skip mode to the end of the run: a failing step is abandoned and the next one runs, and a
    // tree that cannot be walked is told as such.
    for (const RegView view : views) {
        if (!OpenTree({kHkeyClassesRoot, view, "TypeLib"})) {
            continue;
        }
        m_state.InvalidKeyNames.Reset();
        if (!SkipOnFailure([&] { m_registry().WalkTree(m_callbacks.TheForm4(), m_registry(), 0); })) {
            m_outcome.TreeUnreadable(NameForLog({kHkeyClassesRoot, view, "TypeLib"}));
        }
        const int typeLibCount = m_state.InvalidKeyNames.UpperBound();
        for (int i = 1; i <= typeLibCount; ++i) {
            const std::string name = m_state.InvalidKeyNames[i];
            m_scope.RemoveBelow(view, kClassesRoot, kTypeLibPrefix, name, m_scope.ControllersLibrary());
            m_scope.RemoveBelow(view, kLocalMachine, kMachineTypeLibPrefix, name, m_scope.ControllersLibrary());
            m_driver.Yield();
        }
    }
}

void RunPasses::RemoveAppPaths(const std::vector<RegView>& views)
{
    for (const RegView view : views) {
        const RegLocation appPaths{kHkeyLocalMachine, view, std::string(kAppPathsKey)};
        if (!OpenTree(appPaths)) {
            continue;
        }
        m_state.InvalidKeyNames.Reset();
        if (!SkipOnFailure([&] { m_registry().WalkSubkeys(m_callbacks.TheForm5(), 0); })) {
            m_outcome.TreeUnreadable(NameForLog(appPaths));
        }
        const int appPathCount = m_state.InvalidKeyNames.UpperBound();
        for (int i = 1; i <= appPathCount; ++i) {
            m_scope.RemoveBelow(view, kLocalMachine, kAppPathsPrefix, m_state.InvalidKeyNames[i]);
            m_driver.Yield();
        }
    }
}

void RunPasses::RemoveUserClasses()
{
    // Each user's classes hive: those of users who are not logged on, which HKEY_CLASSES_ROOT
    // never shows, and the logged-on users' (whose keys the class pass met already are taken up
    // once). The same checks and guards as for HKEY_CLASSES_ROOT, and no name outside the hive.
    std::vector<std::string> hives;
    for (int i = 1; i <= m_state.UserHiveNames.UpperBound(); ++i) {
        if (IsClassesHiveName(m_state.UserHiveNames[i])) {
            hives.push_back(m_state.UserHiveNames[i]);
        }
    }
    for (const std::string& hive : hives) {
        const RegLocation classTree{kHkeyUsers, RegView::Native, hive + "\\CLSID"};
        std::vector<ClassEntry> classes;
        if (OpenTree(classTree)) {
            m_state.InvalidClasses.Reset();
            m_state.CheckedTypeLibs.clear();
            m_state.CurrentView = RegView::Native;
            if (!SkipOnFailure([&] { m_registry().WalkSubkeys(m_collector, 0); })) {
                m_outcome.TreeUnreadable(NameForLog(classTree));
            }
            for (int i = 1; i <= m_state.InvalidClasses.UpperBound(); ++i) {
                classes.push_back(m_state.InvalidClasses[i]);
            }
        }
        for (const ClassEntry& entry : classes) {
            RemoveClassKeys(entry, [&](std::string_view prefix, std::string_view name, const RemovalScope::Guard& guard) {
                m_scope.RemoveBelowUser(hive, prefix, name, guard);
            });
        }

        const RegLocation libraries{kHkeyUsers, RegView::Native, hive + "\\TypeLib"};
        if (!OpenTree(libraries)) {
            continue;
        }
        m_state.InvalidKeyNames.Reset();
        if (!SkipOnFailure([&] { m_registry().WalkTree(m_callbacks.TheForm4(), m_registry(), 0); })) {
            m_outcome.TreeUnreadable(NameForLog(libraries));
        }
        for (int i = 1; i <= m_state.InvalidKeyNames.UpperBound(); ++i) {
            m_scope.RemoveBelowUser(hive, kTypeLibPrefix, m_state.InvalidKeyNames[i], m_scope.ControllersLibrary());
            m_driver.Yield();
        }
    }
}

void RunPasses::RemoveMakerKeys(const std::vector<RegView>& views)
{
    m_scope.RemoveMakerKey(kCurrentUser, RegView::Native, "");
    for (const RegView view : views) {
        m_scope.RemoveMakerKey(kLocalMachine, view, "");
    }
    const int hiveCount = m_state.UserHiveNames.UpperBound();
    for (int i = 1; i <= hiveCount; ++i) {
        m_scope.RemoveMakerKey(kUsers, RegView::Native, m_state.UserHiveNames[i]);
    }
}

bool RunPasses::OpenTree(const RegLocation& tree)
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
    if (told && SkipOnFailure([&] { m_registry().OpenKey(tree.hive, TaggedValue::Text(tree.path), tree.view); })) {
        return true;
    }
    // A machine without the tree has nothing to clean there; one whose tree is there but cannot be
    // opened, or not told from the native one, may, and is told so.
    if (m_realKey.ListedIdentity(tree)) {
        m_outcome.TreeUnreadable(NameForLog(tree));
    }
    return false;
}

void RunPasses::Account(const KeyOutcome& key)
{
    m_outcome.Add(key);
    if (key.kind == KeyOutcome::Kind::Removed || key.kind == KeyOutcome::Kind::RemovedInPart ||
        key.kind == KeyOutcome::Kind::Stayed) {
        m_driver.KeyDone(key);
    }
}

} // namespace hivetidy

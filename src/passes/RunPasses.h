#pragma once
// The run's passes over the registry: the class pass (collect in one view, then remove), the type
// libraries, the application paths and the maker's keys. Each pass walks with one of the callback
// classes, then hands what it found, one key name at a time, to the removal scope. The run says
// their order; a preview walks them alike, the removal scope then only naming what would go.

#include "component/RegistryComponent.h"
#include "files/ExportAndDeleteKey.h"
#include "files/KeyOutcome.h"
#include "files/RealKey.h"
#include "files/RunComponent.h"
#include "files/RunOutcome.h"
#include "files/UserHives.h"
#include "passes/Callbacks.h"
#include "passes/ClassKeyCollector.h"
#include "passes/KeyClaim.h"
#include "passes/RemovalScope.h"
#include "passes/RunDriver.h"
#include "passes/SharedState.h"

#include <functional>
#include <string_view>
#include <vector>

namespace hivetidy {

class RunPasses final {
public:
    // preview is read at each removal. The driver is told of every key taken up and yields between
    // the steps of a walk.
    RunPasses(RunComponent& registry, RegistryComponentFactory& components, SharedState& state, RealKey& realKey,
              KeyRemoval& removal, RunOutcome& outcome, RunDriver& driver, const bool& preview,
              const UserHives& loaded);

    RunPasses(const RunPasses&) = delete;
    RunPasses& operator=(const RunPasses&) = delete;

    // Lists the user hives and looks for the maker's own keys; true when one is there. Nothing
    // here fails: each probe is judged by itself.
    [[nodiscard]] bool FindMakerKeys();
    // Lists the hives below HKEY_USERS now, the users' classes hives among them, in UserHiveNames.
    void ListUserHives();
    // True when the view has a class tree of its own to walk (the native view always). Throws
    // Failure for one that is there but cannot be opened or told from the native view's.
    [[nodiscard]] bool HasOwnClassTree(RegView view);
    // The walk of HKEY_CLASSES_ROOT\CLSID in one view: the classes to remove, in the walk's order.
    // Throws Failure when the tree cannot be walked.
    [[nodiscard]] std::vector<ClassEntry> CollectClasses(RegView view);
    // The removals of the classes found in one view: each with its ProgID and type library.
    void RemoveClasses(RegView view, const std::vector<ClassEntry>& classes);
    // The type libraries that refer into the controller folders, in every view that has a tree of
    // its own. The passes from here on end with nothing: a tree that cannot be walked is told.
    void RemoveTypeLibraries(const std::vector<RegView>& views);
    // The application paths into the controller folders.
    void RemoveAppPaths(const std::vector<RegView>& views);
    // The classes, ProgIDs and type libraries in each user's classes hive (HKEY_USERS\<SID>_Classes)
    // that refer into the controller folders.
    void RemoveUserClasses();
    // The maker's own keys: the current user's, the machine's in each view, each user hive's, and
    // the two in each user's virtual store.
    void RemoveMakerKeys(const std::vector<RegView>& views);

private:
    // Removes one of a class's keys: the prefix below HKEY_CLASSES_ROOT ("", "CLSID\\" or
    // "TypeLib\\"), its name, and the guard that must claim it.
    using ClassKeyRemoval = std::function<void(std::string_view prefix, std::string_view name, const RemovalScope::Guard& guard)>;

    // The keys of one class, found by a walk: its ProgID, its class key and its type library, each
    // with the guard that must claim it, handed to remove.
    void RemoveClassKeys(const ClassEntry& entry, const ClassKeyRemoval& remove);
    // Binds the run's component to the tree, where the view has one of its own (not the native
    // view's very key) that is there; false otherwise. A tree that is there but cannot be opened
    // or told from the native view's is told as unreadable.
    [[nodiscard]] bool OpenTree(const RegLocation& tree);
    // Into the outcome, and told to the driver where it is a key taken up.
    void Account(const KeyOutcome& key);

    RunComponent& m_registry;
    RegistryComponentFactory& m_components;
    SharedState& m_state;
    RealKey& m_realKey;
    RunOutcome& m_outcome;
    RunDriver& m_driver;
    CallbackObjects m_callbacks;
    ClassKeyCollector m_collector;
    // Whose a key is by its own data, asked just before it is removed.
    KeyClaims m_claims;
    // The fixed places below which keys are removed, and the claims each must pass.
    RemovalScope m_scope;
};

} // namespace hivetidy

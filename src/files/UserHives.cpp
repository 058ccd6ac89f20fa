#include "files/UserHives.h"

#include "component/RegistryStore.h"
#include "shared/Failure.h"
#include "shared/Hives.h"
#include "shared/Text.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hivetidy {

namespace {

// The record's first line; a file that does not begin so is no record of this program's.
constexpr std::string_view kRecordHead = "Hivetidy: geladene Benutzerprofile";
// How often a hive is tried to be unloaded before it is told as left loaded.
constexpr int kUnloadTries = 5;

bool SameName(std::string_view a, std::string_view b)
{
    return ToUpperText(a) == ToUpperText(b);
}

bool Contains(const std::vector<std::string>& names, std::string_view name)
{
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return SameName(n, name); });
}

// A name the record may name: a user's hive, "S-1-…" or "S-1-…_Classes". Anything else below
// HKEY_USERS (.DEFAULT, or a name someone wrote into the record) is never unloaded from it.
bool IsUserHiveName(std::string_view name)
{
    return IsHiveName(name) && ToUpperText(name).starts_with("S-1-");
}

std::string RecordText(const std::vector<std::string>& names)
{
    std::string text = std::string(kRecordHead) + "\r\n";
    for (const std::string& name : names) {
        text += name + "\r\n";
    }
    return text;
}

std::vector<std::string> RecordedNames(std::string_view text)
{
    std::vector<std::string> names;
    std::size_t at = 0;
    bool head = true;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(at, end - at);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        at = end + 1;
        if (head) {
            if (line != kRecordHead) {
                return {};
            }
            head = false;
        } else if (IsUserHiveName(line) && !Contains(names, line)) {
            names.emplace_back(line);
        }
    }
    return names;
}

// Unloads the hive, tried again while others still have keys of it open.
bool UnloadTried(Hives& hives, std::string_view name)
{
    for (int attempt = 1; attempt <= kUnloadTries; ++attempt) {
        if (hives.Unload(name)) {
            return true;
        }
        if (attempt < kUnloadTries) {
            hives.PauseBeforeRetry();
        }
    }
    return false;
}

std::string JoinedPath(std::string_view folder, std::string_view file)
{
    std::string path(folder);
    while (path.ends_with('\\')) {
        path.pop_back();
    }
    return path + "\\" + std::string(file);
}

} // namespace

std::vector<UserProfile> ReadProfiles(RegistryComponentFactory& components, Hives& hives)
{
    std::vector<UserProfile> profiles;
    std::vector<std::string> sids;
    std::unique_ptr<RegistryComponent> list;
    if (!SkipOnFailure([&] {
            list = components.Create();
            list->OpenKey(kHkeyLocalMachine, TaggedValue::Text(kProfileListKey), RegView::Native);
            sids = list->SubkeyNames();
        })) {
        return profiles;
    }
    for (const std::string& sid : sids) {
        if (!IsUserHiveName(sid) || IsClassesHiveName(sid)) {
            continue;
        }
        SkipOnFailure([&] {
            list->OpenKey(kHkeyLocalMachine, TaggedValue::Text(std::string(kProfileListKey) + "\\" + sid), RegView::Native);
            for (const RawValue& value : list->RawValues()) {
                if (!SameName(value.name, "ProfileImagePath") || (value.type != kRegSz && value.type != kRegExpandSz)) {
                    continue;
                }
                const TaggedValue text = list->GetItem(TaggedValue::Text("ProfileImagePath"))->Value();
                if (!text.IsText() || text.ToText().empty()) {
                    continue;
                }
                const std::string folder = value.type == kRegExpandSz ? hives.ExpandEnvironment(text.ToText()) : text.ToText();
                profiles.push_back({sid, folder});
            }
        });
    }
    return profiles;
}

std::string_view HiveLoadText(HiveLoad load)
{
    switch (load) {
    case HiveLoad::InUse:
        return "in Benutzung";
    case HiveLoad::Missing:
        return "Datei fehlt";
    case HiveLoad::NotAHive:
        return "keine Registrierungsdatei";
    case HiveLoad::NotAllowed:
        return "keine Berechtigung";
    case HiveLoad::Loaded:
    case HiveLoad::Failed:
        break;
    }
    return "nicht ladbar";
}

bool IsClassesHiveName(std::string_view name)
{
    return IsUserHiveName(name) && ToUpperText(name).ends_with(ToUpperText(kClassesHiveSuffix)) &&
           name.size() > kClassesHiveSuffix.size() + 4;
}

UserHives::UserHives(RegistryComponentFactory& components, Hives& hives) : m_components(components), m_hives(hives) {}

UserHives::~UserHives()
{
    (void)UnloadAll();
}

void UserHives::LoadLoggedOff()
{
    std::vector<std::string> present;
    SkipOnFailure([&] { present = m_hives.LoadedNames(); });
    for (const UserProfile& profile : ReadProfiles(m_components, m_hives)) {
        // A user who is logged on has his hives loaded by Windows, the classes hive with them where
        // he has one: they are his session's, and are never loaded or unloaded here.
        if (Contains(present, profile.sid)) {
            continue;
        }
        LoadOne(profile, profile.sid, kUserHiveFile);
        const std::string classes = profile.sid + std::string(kClassesHiveSuffix);
        if (!Contains(present, classes)) {
            LoadOne(profile, classes, kClassesHiveFile);
        }
    }
}

void UserHives::LoadNamed(const std::set<std::string>& names)
{
    std::vector<std::string> present;
    SkipOnFailure([&] { present = m_hives.LoadedNames(); });
    const std::vector<UserProfile> profiles = ReadProfiles(m_components, m_hives);
    for (const std::string& name : names) {
        if (Contains(present, name) || Contains(m_loaded, name)) {
            continue;
        }
        const bool classes = IsClassesHiveName(name);
        const std::string sid = classes ? name.substr(0, name.size() - kClassesHiveSuffix.size()) : name;
        const auto profile = std::find_if(profiles.begin(), profiles.end(),
                                          [&](const UserProfile& p) { return SameName(p.sid, sid); });
        if (profile == profiles.end()) {
            m_notLoaded.push_back("HKEY_USERS\\" + name + " (kein Benutzerprofil)");
            continue;
        }
        LoadOne(*profile, classes ? profile->sid + std::string(kClassesHiveSuffix) : profile->sid,
                classes ? kClassesHiveFile : kUserHiveFile);
    }
}

void UserHives::LoadOne(const UserProfile& profile, const std::string& name, std::string_view file)
{
    // Into the record before it is loaded: a process killed right after the load leaves a hive
    // the next start knows of.
    std::vector<std::string> recorded = m_loaded;
    recorded.push_back(name);
    HiveLoad load = HiveLoad::Failed;
    if (Record(recorded)) {
        SkipOnFailure([&] { load = m_hives.Load(name, JoinedPath(profile.folder, file)); });
    }
    if (load == HiveLoad::Loaded) {
        m_loaded.push_back(name);
        return;
    }
    (void)Record(m_loaded);
    m_notLoaded.push_back("HKEY_USERS\\" + name + " (Profil " + profile.folder + ": " + std::string(HiveLoadText(load)) + ")");
}

std::vector<std::string> UserHives::UnloadAll() noexcept
{
    if (m_loaded.empty()) {
        return {}; // the record is none of this object's business
    }
    std::vector<std::string> stayed;
    for (const std::string& name : m_loaded) {
        bool gone = false;
        try {
            gone = UnloadTried(m_hives, name);
        } catch (const std::exception&) {
            gone = false;
        }
        if (!gone) {
            stayed.push_back(name);
        }
    }
    m_loaded = stayed;
    // What stayed loaded stays in the record, for the next start to unload.
    (void)Record(m_loaded);
    return stayed;
}

bool UserHives::Record(const std::vector<std::string>& names) noexcept
{
    try {
        // What the record names from before and is still loaded stays in it (a hive a killed run
        // left that could not be unloaded since): this object's record is its own names beside those.
        std::vector<std::string> recorded = names;
        if (const auto before = m_hives.ReadRecord()) {
            const std::vector<std::string> present = m_hives.LoadedNames();
            for (const std::string& name : RecordedNames(*before)) {
                if (Contains(present, name) && !Contains(recorded, name)) {
                    recorded.push_back(name);
                }
            }
        }
        if (recorded.empty()) {
            m_hives.RemoveRecord();
            return true;
        }
        return m_hives.WriteRecord(RecordText(recorded));
    } catch (const std::exception&) {
        return false;
    }
}

bool UserHivesWaiting(RegistryComponentFactory& components, Hives& hives)
{
    std::vector<std::string> present;
    std::optional<std::string> record;
    SkipOnFailure([&] {
        present = hives.LoadedNames();
        record = hives.ReadRecord();
    });
    if (record && !RecordedNames(*record).empty()) {
        return true;
    }
    const std::vector<UserProfile> profiles = ReadProfiles(components, hives);
    return std::any_of(profiles.begin(), profiles.end(), [&](const UserProfile& p) { return !Contains(present, p.sid); });
}

LeftoverHives UnloadLeftovers(Hives& hives)
{
    LeftoverHives found;
    std::optional<std::string> record;
    std::vector<std::string> present;
    if (!SkipOnFailure([&] {
            record = hives.ReadRecord();
            present = hives.LoadedNames();
        }) ||
        !record) {
        return found;
    }
    for (const std::string& name : RecordedNames(*record)) {
        if (!Contains(present, name)) {
            continue; // gone already: the machine was restarted since, say
        }
        bool gone = false;
        SkipOnFailure([&] { gone = UnloadTried(hives, name); });
        (gone ? found.unloaded : found.stillLoaded).push_back(name);
    }
    SkipOnFailure([&] {
        if (found.stillLoaded.empty()) {
            hives.RemoveRecord();
        } else {
            (void)hives.WriteRecord(RecordText(found.stillLoaded));
        }
    });
    return found;
}

std::vector<std::string> LeftoverLines(const LeftoverHives& leftovers)
{
    std::vector<std::string> lines;
    if (!leftovers.unloaded.empty()) {
        lines.emplace_back("Ein abgebrochener Lauf hatte Benutzerprofile geladen gelassen; sie wurden jetzt entladen:");
        for (const std::string& name : leftovers.unloaded) {
            lines.push_back("HKEY_USERS\\" + name);
        }
    }
    const std::vector<std::string> stayed = LeftLoadedLines(leftovers.stillLoaded);
    lines.insert(lines.end(), stayed.begin(), stayed.end());
    return lines;
}

std::vector<std::string> LeftLoadedLines(const std::vector<std::string>& names)
{
    std::vector<std::string> lines;
    if (!names.empty()) {
        lines.emplace_back("Diese Benutzerprofile sind noch geladen und konnten nicht entladen werden; der n\u00e4chste "
                           "Start versucht es erneut:");
        for (const std::string& name : names) {
            lines.push_back("HKEY_USERS\\" + name);
        }
    }
    return lines;
}

} // namespace hivetidy

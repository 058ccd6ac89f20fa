#include "files/LocateInstallation.h"

#include "files/WorkingFiles.h"
#include "shared/Failure.h"
#include "shared/Text.h"

#include <optional>
#include <string>
#include <vector>

namespace hivetidy {

namespace {

constexpr std::string_view kVersionKey = "SOFTWARE\\ORVA Roboter GmbH\\Version";
constexpr std::string_view kInstallationDirValue = "InstallationDir";
constexpr std::string_view kDefaultFolder = "Programme";
constexpr std::string_view kDefaultFolderShort = "Progra~1";
// The alias search gives up here; Windows itself numbers plain aliases only up to ~4 before it
// switches to hashed ones, so no real folder is ever found past this.
constexpr int kLastAliasNumber = 9999;

// Lengths and positions here count UTF-16 characters, as Windows' own text functions do.

// Eight characters, a tilde in 7th place and a digit at the end: "PROGRA~1".
bool IsShortAlias(std::u16string_view folder)
{
    return folder.size() == 8 && folder[6] == u'~' && folder[7] >= u'0' && folder[7] <= u'9';
}

// The folder directly below the drive root of "C:\Programme\OMX": the text between the first two
// backslashes; nullopt when there are fewer than two.
std::optional<std::u16string> FirstFolderOf(std::u16string_view installationDir)
{
    const auto p1 = installationDir.find(u'\\');
    if (p1 == std::u16string_view::npos) {
        return std::nullopt;
    }
    const auto p2 = installationDir.find(u'\\', p1 + 1);
    if (p2 == std::u16string_view::npos) {
        return std::nullopt;
    }
    return std::u16string(installationDir.substr(p1 + 1, p2 - p1 - 1));
}

} // namespace

InstallationFolders LocateInstallation(FileSystem& files, RegistryComponentFactory& components,
                                       RunComponent& registry, bool preview)
{
    // Skip mode throughout: nothing here may keep the run from going on.
    // A preview leaves C:\REGISTRY as it is, there or not.
    if (!preview) {
        const std::string remembered = files.CurrentDirectory();
        if (!files.SetCurrentDirectory(kWorkingFolder)) {
            // Made in C:\ it would be every user's to write in; made by us, only administrators may.
            (void)files.CreateProtectedDirectory(kWorkingFolder);
        }
        (void)files.SetCurrentDirectory(remembered);
    }

    // The controller is a 32-bit program: on 64-bit Windows its record is in the 32-bit view, so
    // that view is asked first and the native one after it.
    std::vector<RegView> views{RegView::Native};
    SkipOnFailure([&] { views = components.Views(); });
    std::optional<std::u16string> folder;
    for (auto view = views.rbegin(); view != views.rend() && !folder; ++view) {
        std::optional<TaggedValue> recorded;
        SkipOnFailure([&] {
            registry().OpenKey(kHkeyLocalMachine, TaggedValue::Text(kVersionKey), *view);
            recorded = registry().GetItem(TaggedValue::Text(kInstallationDirValue))->Value();
        });
        if (recorded && recorded->IsText()) {
            folder = FirstFolderOf(Utf8ToUtf16(recorded->ToText()));
        }
    }
    if (!folder) {
        // Not recorded, or unusable: no value, no text, or no folder below the drive root.
        return {std::string(kDefaultFolder), std::string(kDefaultFolderShort)};
    }

    InstallationFolders found;
    if (IsShortAlias(*folder)) {
        found.InstallFolderShort = Utf16ToUtf8(*folder);
        found.InstallFolder = files.FindFirst("C:\\" + found.InstallFolderShort);
        return found;
    }

    found.InstallFolder = Utf16ToUtf8(*folder);
    const std::string prefix = Utf16ToUtf8(folder->substr(0, 6));
    for (int n = 1; n <= kLastAliasNumber; ++n) {
        const std::string alias = prefix + "~" + std::to_string(n);
        if (EqualsIgnoreCase(files.FindFirst("c:\\" + alias), found.InstallFolder)) {
            found.InstallFolderShort = alias;
            return found;
        }
    }
    // No numbered alias leads back (the name needs none, short names are off, or the system hashes
    // its aliases): take the system's own short name, else the long name serves for both.
    const auto shortPath = files.ShortPathOf("C:\\" + found.InstallFolder);
    const auto slash = shortPath ? shortPath->rfind('\\') : std::string::npos;
    found.InstallFolderShort =
        slash != std::string::npos && slash + 1 < shortPath->size() ? shortPath->substr(slash + 1) : found.InstallFolder;
    return found;
}

} // namespace hivetidy

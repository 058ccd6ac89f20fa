#include "shared/Failure.h"
#include "shared/RegLocation.h"

#include <gtest/gtest.h>

namespace hivetidy {
namespace {

struct Redirection {
    RootHandle hive;
    const char* path;
    const char* redirected; // nullptr: the 32-bit view has no copy of its own there
};

TEST(RegLocation, TheThirtyTwoBitViewsOwnCopyIsNamedAsTheNativeEditorNamesIt)
{
    const Redirection rows[] = {
        {kHkeyClassesRoot, "CLSID\\{1}", "WOW6432Node\\CLSID\\{1}"},
        {kHkeyClassesRoot, "Omx.Achse.1", "WOW6432Node\\Omx.Achse.1"},
        {kHkeyLocalMachine, "SOFTWARE\\Classes\\CLSID\\{1}", "SOFTWARE\\Classes\\WOW6432Node\\CLSID\\{1}"},
        {kHkeyLocalMachine, "Software\\classes\\TypeLib", "Software\\classes\\WOW6432Node\\TypeLib"},
        {kHkeyLocalMachine, "SOFTWARE\\ORVA Roboter GmbH", "SOFTWARE\\WOW6432Node\\ORVA Roboter GmbH"},
        {kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\x.exe",
         "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\x.exe"},
        {kHkeyCurrentUser, "Software\\Classes\\CLSID\\{1}", "Software\\Classes\\WOW6432Node\\CLSID\\{1}"},
        {kHkeyUsers, "S-1-5-21-7\\Software\\Classes\\CLSID\\{1}", "S-1-5-21-7\\Software\\Classes\\WOW6432Node\\CLSID\\{1}"},
        // The user's own software, the roots of the redirection and keys already named through
        // WOW6432Node have no second copy.
        {kHkeyCurrentUser, "Software\\ORVA Roboter GmbH", nullptr},
        {kHkeyUsers, ".DEFAULT\\Software\\ORVA Roboter GmbH", nullptr},
        {kHkeyLocalMachine, "SOFTWARE", nullptr},
        {kHkeyLocalMachine, "SOFTWARE\\Classes", nullptr},
        {kHkeyLocalMachine, "SYSTEM\\CurrentControlSet", nullptr},
        {kHkeyLocalMachine, "SOFTWARE\\Wow6432Node\\ORVA Roboter GmbH", nullptr},
        {kHkeyClassesRoot, "WOW6432Node\\CLSID\\{1}", nullptr},
        {kHkeyClassesRoot, "CLSID\\\\{1}", nullptr},
        // An empty last component: catches a split that stops short of it, so the empty-part check never sees it.
        {kHkeyClassesRoot, "CLSID\\{1}\\", nullptr},
        {kHkeyLocalMachine, "SOFTWARE\\ORVA Roboter GmbH\\", nullptr},
    };
    for (const Redirection& row : rows) {
        const auto redirected = RedirectedLocation(RegLocation{row.hive, RegView::Wow32, row.path});
        if (row.redirected == nullptr) {
            EXPECT_EQ(redirected, std::nullopt) << row.path;
        } else {
            EXPECT_EQ(redirected, (RegLocation{row.hive, RegView::Native, row.redirected})) << row.path;
        }
    }
    // A native key is its own name.
    EXPECT_EQ(RedirectedLocation(RegLocation{kHkeyClassesRoot, RegView::Native, "CLSID\\{1}"}), std::nullopt);
}

TEST(RegLocation, OnlyANativeKeyHasAnEditorName)
{
    EXPECT_EQ(EditorName(RegLocation{kHkeyLocalMachine, RegView::Native, "SOFTWARE\\WOW6432Node\\X"}),
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\X");
    EXPECT_THROW((void)EditorName(RegLocation{kHkeyLocalMachine, RegView::Wow32, "SOFTWARE\\X"}), Failure);
    EXPECT_THROW((void)EditorName(RegLocation{kNoRoot, RegView::Native, "SOFTWARE\\X"}), Failure);
}

} // namespace
} // namespace hivetidy

#include "support/ProgramFixture.h"

namespace hivetidy::testing {
namespace {

constexpr std::string_view kVersionKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVA Roboter GmbH\\Version";

class LocateInstallation : public ProgramFixture {
protected:
    void Record(std::string_view installationDir)
    {
        Registry().SetString(std::string(kVersionKey), "InstallationDir", std::string(installationDir));
    }

    std::pair<std::string, std::string> Locate()
    {
        form.Run().LocateInstallation();
        return {form.Run().State().InstallFolder, form.Run().State().InstallFolderShort};
    }
};

using Names = std::pair<std::string, std::string>;

TEST_F(LocateInstallation, CreatesTheWorkingFolderAndKeepsTheCurrentDirectory)
{
    Files().AddDirectory("C:\\Daten", std::nullopt);
    ASSERT_TRUE(Files().SetCurrentDirectory("C:\\Daten"));
    ASSERT_FALSE(Files().IsDirectory("C:\\REGISTRY"));
    Locate();
    EXPECT_TRUE(Files().IsDirectory("C:\\REGISTRY"));
    // Only administrators may write in it: made in C:\ it would be every user's.
    EXPECT_TRUE(Files().IsProtected("C:\\REGISTRY"));
    EXPECT_EQ(Files().CurrentDirectory(), "C:\\Daten");
    // A second time it exists already; nothing changes.
    Locate();
    EXPECT_EQ(Files().CurrentDirectory(), "C:\\Daten");
}

TEST_F(LocateInstallation, FallsBackToProgrammeWhenNothingUsableIsRecorded)
{
    const Names fallback{"Programme", "Progra~1"};
    EXPECT_EQ(Locate(), fallback); // key missing

    Registry().CreateKey(std::string(kVersionKey));
    EXPECT_EQ(Locate(), fallback); // value missing

    Registry().SetDword(std::string(kVersionKey), "InstallationDir", 7);
    EXPECT_EQ(Locate(), fallback); // not text

    Record("C:\\Steuerung");
    EXPECT_EQ(Locate(), fallback); // only one backslash
}

TEST_F(LocateInstallation, ReadsTheThirtyTwoBitViewsRecordFirstThenTheNativeOne)
{
    constexpr std::string_view kVersionKey32 = "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\ORVA Roboter GmbH\\Version";
    Files().AddDirectory("C:\\Steuerung", std::string("STEUER~1"));
    Files().AddDirectory("C:\\Programme", std::string("PROGRA~2"));
    Record("C:\\Programme\\OMX");
    Registry().SetString(std::string(kVersionKey32), "InstallationDir", "C:\\Steuerung\\OMX");
    EXPECT_EQ(Locate(), (Names{"Steuerung", "Steuer~1"}));

    // A record there that is of no use leaves the native view's one to decide.
    Registry().SetDword(std::string(kVersionKey32), "InstallationDir", 7);
    EXPECT_EQ(Locate(), (Names{"Programme", "Progra~2"}));
}

TEST_F(LocateInstallation, TakesTheLongNameOfARecordedShortAlias)
{
    Files().AddDirectory("C:\\Programme", std::string("PROGRA~2"));
    Record("C:\\PROGRA~2\\OMX");
    EXPECT_EQ(Locate(), (Names{"Programme", "PROGRA~2"}));
}

TEST_F(LocateInstallation, LeavesTheLongNameEmptyForAnAliasWithoutFolder)
{
    Record("C:\\ROBOTI~4\\OMX");
    EXPECT_EQ(Locate(), (Names{"", "ROBOTI~4"}));
}

TEST_F(LocateInstallation, SearchesTheNumberedAliasesForALongName)
{
    Files().AddDirectory("C:\\Programme alt", std::string("PROGRA~2"));
    Files().AddDirectory("C:\\Programme", std::string("PROGRA~3"));
    Record("C:\\Programme\\OMX");
    // Program Files holds ~1 on every machine; the search goes on to ~3 and keeps the letter case.
    EXPECT_EQ(Locate(), (Names{"Programme", "Progra~3"}));
}

TEST_F(LocateInstallation, TreatsATildeNameWithoutFinalDigitAsLongName)
{
    Files().AddDirectory("C:\\Abcdef~x", std::string("ABCDEF~1"));
    Record("C:\\Abcdef~x\\OMX");
    EXPECT_EQ(Locate(), (Names{"Abcdef~x", "Abcdef~1"}));
}

TEST_F(LocateInstallation, EndsTheSearchWithTheSystemsOwnShortName)
{
    // A hashed alias, as Wine gives them: no numbered alias leads back.
    Files().AddDirectory("C:\\Steuerungen", std::string("STEU~1F2"));
    Record("C:\\Steuerungen\\OMX");
    EXPECT_EQ(Locate(), (Names{"Steuerungen", "STEU~1F2"}));

    // A name that needs no alias at all serves as both spellings.
    Files().AddDirectory("C:\\OMXROOT", std::nullopt);
    Record("C:\\OMXROOT\\OMX");
    EXPECT_EQ(Locate(), (Names{"OMXROOT", "OMXROOT"}));
}

} // namespace
} // namespace hivetidy::testing

#include "passes/ControllerPath.h"

#include <gtest/gtest.h>

namespace hivetidy {
namespace {

SharedState Folders(std::string longName, std::string shortName)
{
    SharedState state;
    state.InstallFolder = std::move(longName);
    state.InstallFolderShort = std::move(shortName);
    return state;
}

const SharedState kFallback = Folders("Programme", "Progra~1");

TEST(RefersToControllerDir, FindsEveryControllerFolderInEitherSpellingAnywhereInTheText)
{
    EXPECT_TRUE(RefersToControllerDir(kFallback, "C:\\Programme\\OMX\\LIB\\x.dll"));
    EXPECT_TRUE(RefersToControllerDir(kFallback, "C:\\PROGRAMME\\OMX\\BIN\\Tool.exe /automation"));
    EXPECT_TRUE(RefersToControllerDir(kFallback, "\"C:\\Progra~1\\OMX\\UTIL\\x.exe\""));
    EXPECT_TRUE(RefersToControllerDir(kFallback, "C:\\Progra~1\\OMX\\LOG\\"));
    EXPECT_TRUE(RefersToControllerDir(kFallback, "rundll32 c:\\programme\\omx\\lib\\a.dll,Entry"));
}

TEST(RefersToControllerDir, NeedsDriveCAndTheClosingBackslash)
{
    EXPECT_FALSE(RefersToControllerDir(kFallback, "D:\\Programme\\OMX\\LIB\\x.dll"));
    EXPECT_FALSE(RefersToControllerDir(kFallback, "C:\\Programme\\OMX\\LIBRARY\\x.dll"));
    EXPECT_FALSE(RefersToControllerDir(kFallback, "C:\\Programme\\OMX\\x.dll"));
    EXPECT_FALSE(RefersToControllerDir(kFallback, "C:\\Program Files\\OMX\\LIB\\x.dll"));
    EXPECT_FALSE(RefersToControllerDir(kFallback, ""));
}

TEST(RefersToControllerDir, NeverCountsTheComponentsOwnLibrary)
{
    EXPECT_FALSE(RefersToControllerDir(kFallback, "C:\\Programme\\OMX\\LIB\\ORVAREG.DLL"));
    EXPECT_FALSE(RefersToControllerDir(kFallback, "C:\\Programme\\OMX\\BIN\\x.exe c:\\other\\orvareg.dll"));
    EXPECT_FALSE(RefersToControllerDir(kFallback, "orvareg.dllC:\\Programme\\OMX\\BIN\\x.exe"));
}

TEST(RefersToControllerDir, UsesTheFolderNamesAsTheyAreAtTheCall)
{
    SharedState state = Folders("Robotik Steuerung", "ROBOTI~2");
    EXPECT_TRUE(RefersToControllerDir(state, "C:\\Robotik Steuerung\\OMX\\BIN\\x.exe"));
    EXPECT_TRUE(RefersToControllerDir(state, "C:\\roboti~2\\OMX\\BIN\\x.exe"));
    EXPECT_FALSE(RefersToControllerDir(state, "C:\\Programme\\OMX\\BIN\\x.exe"));
    state.InstallFolder = "Programme";
    EXPECT_TRUE(RefersToControllerDir(state, "C:\\Programme\\OMX\\BIN\\x.exe"));
}

TEST(RefersToControllerDir, IgnoresCaseOfNonAsciiFolderNames)
{
    const SharedState state = Folders("Pr\u00fcfstand", "PRFSTA~1");
    EXPECT_TRUE(RefersToControllerDir(state, "C:\\PR\u00dcFSTAND\\OMX\\LIB\\x.tlb"));
}

} // namespace
} // namespace hivetidy

// Not tests: the two steps of scripts/demo, run only when named
// (--gtest_also_run_disabled_tests --gtest_filter=DemoRun.DISABLED_...). Both leave the
// installation in the demo prefix for a person to look at.

#include "ControllerInstallation.h"
#include "DriverError.h"
#include "Files.h"
#include "HivetidyTest.h"
#include "Polling.h"

#include <cstdlib>

namespace hivedrive {
namespace {

constexpr wchar_t kDemoBackupPath[] = L"C:\\registry\\sicherungskopie.reg";
// Long enough for the script to take its screenshot of the finished window.
constexpr std::chrono::milliseconds kScreenshotTimeout = 60s;

class DemoRun : public HivetidyTest {};

// The script's screenshot point: the driver says "ready" in the folder named by
// HIVEDRIVE_SCREENSHOT_DIR and waits for the script's "done" before it leaves the window.
void WaitForScreenshot()
{
    const wchar_t* folder = _wgetenv(L"HIVEDRIVE_SCREENSHOT_DIR");
    if (!folder) {
        return;
    }
    WriteBytes(std::wstring(folder) + L"\\ready", "");
    if (!PollFor([&] { return FileExists(std::wstring(folder) + L"\\done"); }, kScreenshotTimeout)) {
        throw DriverError("no screenshot was taken");
    }
}

TEST_F(DemoRun, DISABLED_SeedsTheControllerInstallation)
{
    ControllerInstallation::Realistic().Seed(m_seeds);
    m_seeds.Keep();
}

TEST_F(DemoRun, DISABLED_CleansTheInstallationAsAUserWould)
{
    ControllerInstallation::Realistic().Seed(m_seeds);
    m_seeds.Keep();

    Hivetidy program = Hivetidy::Start();
    TickMakerKeys(program);
    RunToTheEnd(program, kDemoBackupPath);
    WaitForScreenshot();
    program.Window().Click(Control::Command2);
    EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
}

} // namespace
} // namespace hivedrive

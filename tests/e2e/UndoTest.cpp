// Undo after a run: the registry editor imports the backup and the program ends.

#include "ControllerInstallation.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Registry.h"

namespace hivedrive {
namespace {

class Undo : public HivetidyTest {};

TEST_F(Undo, RestoresEveryRemovedKeyByteForByteAndEndsTheProgram)
{
    ControllerInstallation::Realistic().Seed(m_seeds);
    const RegistrySnapshot before = RegistrySnapshot::OfSoftware();

    Hivetidy program = Hivetidy::Start();
    TickMakerKeys(program);
    RunToTheEnd(program);
    ASSERT_FALSE(before.DifferencesTo(RegistrySnapshot::OfSoftware()).empty());

    program.Window().Click(Control::Command3);
    ASSERT_TRUE(program.WaitForEndConfirmingEditor(kRunTimeout));

    const auto differences = before.DifferencesTo(RegistrySnapshot::OfSoftware());
    EXPECT_TRUE(differences.empty()) << Listed(differences);
}

} // namespace
} // namespace hivedrive

// Undo after a run: the registry editor imports the backup and the program ends.

#include "ControllerInstallation.h"
#include "HivetidyTest.h"
#include "Polling.h"
#include "Registry.h"
#include "StandInEditor.h"
#include "Text.h"

#include <optional>

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

// Catches a window that ends after the editor as if everything were back. The stand-in in the
// editor's place imports nothing and says nothing, as Windows' editor does when its question is
// answered No, or Wine's when it cannot read the file: the window must name what is not back.
TEST_F(Undo, NamesWhatTheImportLeftOutBeforeTheProgramEnds)
{
    const std::optional<std::wstring> standIn = StandInEditor(NativeMachine());
    if (!standIn) {
        GTEST_SKIP() << "no stand-in editor for " << NameOf(NativeMachine()) << " in this build";
    }
    const ControllerInstallation installation = ControllerInstallation::OneOfEachKind();
    installation.Seed(m_seeds);
    const std::vector<std::wstring> removals = installation.ExpectedRemovals(false);
    ASSERT_FALSE(removals.empty());
    // Put in the editor's place after the run, which needs the real one for its exports; declared
    // before the program, so that it is put back only after the program has ended.
    std::optional<ReplacedRegistryEditor> replaced;
    Hivetidy program = Hivetidy::Start();
    RunToTheEnd(program);
    replaced.emplace(*standIn);

    program.Window().Click(Control::Command3);
    std::optional<MessageBoxWindow> box = program.WaitForEndOrMessageBoxConfirmingEditor(L"Undo", kRunTimeout);

    ASSERT_TRUE(box.has_value()) << "Undo ended the program without saying what is not back";
    const std::wstring text = box->Text();
    EXPECT_NE(text.find(L"Nicht wiederhergestellt"), std::wstring::npos) << ToUtf8(text);
    for (const std::wstring& key : removals) {
        EXPECT_NE(text.find(key), std::wstring::npos) << ToUtf8(key) << " not named in:\n" << ToUtf8(text);
    }
    box->Press(IDOK);
    EXPECT_TRUE(program.WaitForEnd(kEndTimeout));
}

} // namespace
} // namespace hivedrive

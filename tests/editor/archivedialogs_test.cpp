// The archive component's questions in the programs: the overwrite question
// and the password prompt, answered through the one dialog road.

#include "editor/archivedialogs.h"

#include "zip/zaarchiver.h"

#include "platform/gui/dialogs.h"

#include <QDialog>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

TEST(ArchiveDialogs, OverwriteQuestionAndPasswordPrompt)
{
    InstallArchiveDialogs();
    const fs::path dir = fs::temp_directory_path() / ("archivedialogs-" + std::to_string(::getpid()));
    fs::create_directories(dir / "out");
    {
        TZipArchiver z;
        z.FileName = (dir / "a.zip").string();
        z.OpenArchiveWithMode(fmCreate);
        z.BeginUpdate();
        z.AddStream("plain.txt", std::make_shared<TZAMemoryStream>(std::string("new")), true);
        z.Password = "Gleis 7";
        z.AddStream("secret.txt", std::make_shared<TZAMemoryStream>(std::string("hidden")), true);
        z.EndUpdate();
    }
    std::ofstream(dir / "out" / "plain.txt") << "old";
    std::ofstream(dir / "out" / "secret.txt") << "old";

    std::vector<std::string> asked;
    TScopedDialogResponder answer([&](const TDialogRequest& r) {
        TDialogAnswer a;
        if (r.Kind == TDialogKind::MessageBox) {
            asked.push_back(r.Text);
            a.Result = asked.size() == 1 ? mrYes : mrYesToAll;
        } else if (r.Kind == TDialogKind::ModalWindow && r.Window->objectName() == "InputQuery") {
            asked.push_back(r.Title);
            r.Window->findChild<QLineEdit*>("Edit")->setText("Gleis 7");
            a.Result = mrOk;
        }
        return a;
    });
    TZipArchiver z;
    z.FileName = (dir / "a.zip").string();
    z.BaseDir = (dir / "out").string();
    z.Options.OverwriteMode = omPrompt;
    z.Password = "wrong";
    z.OpenArchiveWithMode(fmOpenRead);
    z.ExtractFiles("*.*", 63, "");
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].rfind("Overwrite file \"", 0), 0u) << asked[0];
    EXPECT_EQ(asked[2], "Password for \"secret.txt\"");
    std::ifstream in(dir / "out" / "secret.txt");
    std::string text;
    in >> text;
    EXPECT_EQ(text, "hidden");
    // Yes-to-all: later conflicts are replaced without a question.
    EXPECT_EQ(z.Options.OverwriteMode, omAlways);
    fs::remove_all(dir);
}

} // namespace

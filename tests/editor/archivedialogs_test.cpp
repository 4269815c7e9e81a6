// The archive component's questions in the programs: the overwrite question
// and the password prompt, answered through the one dialog road.

#include "zip/gui/zadialogs.h"
#include "zip/zaarchiver.h"

#include "platform/gui/dialogs.h"

#include <QDialog>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

TEST(ArchiveDialogs, OverwriteQuestionAndPasswordPrompt)
{
    namespace fs = std::filesystem;
    InstallArchiveDialogs();
    const fs::path dir = fs::temp_directory_path() / ("archivedialogs-" + std::to_string(::getpid()));
    fs::create_directories(dir / "out");
    TZipArchiver z;
    z.FileName = (dir / "a.zip").string();
    z.OpenArchiveWithMode(fmCreate);
    z.BeginUpdate();
    z.AddStream("plain.txt", std::make_shared<TZAMemoryStream>(std::string("new")), true);
    z.Password = "Gleis 7";
    z.AddStream("secret.txt", std::make_shared<TZAMemoryStream>(std::string("hidden")), true);
    z.EndUpdate();
    std::ofstream(dir / "out" / "plain.txt") << "old";
    std::ofstream(dir / "out" / "secret.txt") << "old";

    std::vector<std::string> asked;
    TScopedDialogResponder answer([&](const TDialogRequest& r) {
        asked.push_back(r.Kind == TDialogKind::MessageBox ? r.Text : r.Title);
        if (r.Kind == TDialogKind::ModalWindow && r.Window->objectName() == "InputQuery")
            r.Window->findChild<QLineEdit*>("Edit")->setText("Gleis 7");
        return TDialogAnswer{r.Kind == TDialogKind::MessageBox ? (asked.size() == 1 ? mrYes : mrYesToAll) : mrOk, {}};
    });
    z.BaseDir = (dir / "out").string();
    z.Options.OverwriteMode = omPrompt;
    z.Password = "wrong";
    z.ExtractFiles("*.*", 63, "");
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].rfind("Overwrite file \"", 0), 0u) << asked[0];
    EXPECT_EQ(asked[2], "Password for \"secret.txt\"");
    std::string text;
    std::ifstream(dir / "out" / "secret.txt") >> text;
    EXPECT_EQ(text, "hidden");
    EXPECT_EQ(z.Options.OverwriteMode, omAlways); // after Yes-to-all
    fs::remove_all(dir);
}

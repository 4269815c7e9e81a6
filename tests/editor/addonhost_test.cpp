// The add-on manager with real add-on libraries: the shipped station-sign
// add-on and the small test add-ons (tests/addons/stationsigns/testaddon.c),
// loaded from the program folder's "addons" at the window's creation.

#include "editor/formaddons.h"
#include "editor/formmain.h"
#include "editor/formoptions.h"
#include "editor/frmeditor.h"
#include "editor/startupforms.h"

#include "startuptesthelpers.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <dlfcn.h>

namespace fs = std::filesystem;

namespace {

std::string TestAddon(const std::string& kind)
{
    return QCoreApplication::applicationDirPath().toStdString() + "/testaddons/testaddon_" + kind + ".so";
}

const std::string Plakett = std::string(VELKAST_PROGRAM_DIR) + "/addons/Plakett.so";

class AddonHostTest : public StartupTest {
protected:
    // The program folder's "addons" with the real add-on, the four test
    // add-ons, a file that is no library and a folder named like one.
    void PrepareAddons()
    {
        const fs::path addons = Dir / "program/addons";
        fs::create_directories(addons / "folder.so");
        fs::copy_file(Plakett, addons / "Plakett.so");
        for (const char* kind : {"good", "noname", "false", "noinit"})
            fs::copy_file(TestAddon(kind), addons / ("testaddon_" + std::string(kind) + ".so"));
        PutFile("addons/broken.so", "not a library");
        PutFile("addons/readme.txt", "not an add-on");
    }

    // An entry point of the test add-on on line `row`.
    template <class F>
    F Export(int row, const char* name)
    {
        return reinterpret_cast<F>(dlsym(FormAddons->Addons.at(static_cast<std::size_t>(row)).Handle, name));
    }

    std::vector<std::string> Lines() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < FormAddons->AddonList->count(); ++i)
            out.push_back(FormAddons->AddonList->item(i)->text().toStdString());
        return out;
    }
};

} // namespace

TEST_F(AddonHostTest, ListsTheAddonsThatRegisterAndNamesTheOthers)
{
    ASSERT_TRUE(fs::exists(Plakett)) << Plakett;
    PrepareAddons();
    testing::internal::CaptureStderr();
    CreateForm(FormAddons);
    const std::string errors = testing::internal::GetCapturedStderr();

    EXPECT_EQ(Lines(), (std::vector<std::string>{"Plakett", "Test Addon", ""}));
    ASSERT_EQ(FormAddons->Addons.size(), 3u);
    EXPECT_NE(FormAddons->Addons[0].Run, nullptr);
    EXPECT_EQ(FormAddons->Addons[2].Run, nullptr);
    for (const char* skipped : {"broken.so", "testaddon_false.so", "testaddon_noinit.so"})
        EXPECT_NE(errors.find(std::string(skipped) + " skipped"), std::string::npos) << skipped << "\n" << errors;
    EXPECT_NE(errors.find("VLAddonInit returned false"), std::string::npos);
    EXPECT_NE(errors.find("no entry point VLAddonInit"), std::string::npos);
    EXPECT_EQ(errors.find("folder.so"), std::string::npos);
    EXPECT_EQ(errors.find("readme"), std::string::npos);
    // The host record the add-on received.
    EXPECT_EQ(Export<uint16_t (*)()>(1, "TestAddonVersion")(), 1);

    // Details: hidden, buttons off until a line is chosen.
    EXPECT_FALSE(FormAddons->AddonStart->isEnabled());
    EXPECT_FALSE(FormAddons->AddonInformations->isEnabled());
    EXPECT_EQ(FormAddons->height(), TFormAddons::ShortHeight);
    FormAddons->AddonListClick(); // no line: nothing changes
    EXPECT_FALSE(FormAddons->AddonStart->isEnabled());
    FormAddons->AddonList->setCurrentRow(1);
    EXPECT_TRUE(FormAddons->AddonStart->isEnabled());
    EXPECT_TRUE(FormAddons->AddonInformations->isEnabled());
    EXPECT_EQ(FormAddons->lName->text(), "Name: Test Addon");
    EXPECT_EQ(FormAddons->lAuthor->text(), "Author: Ann Author");
    EXPECT_EQ(FormAddons->lVersion->text(), "Version: 2.5");
    EXPECT_EQ(FormAddons->lWebsite->text(), "Website: http://example.org/addon");
    EXPECT_EQ(FormAddons->lEmail->text(), "E-mail adress: ann@example.org");
    EXPECT_EQ(FormAddons->lDescription->text(), "Description: Counts its runs");
    EXPECT_EQ(FormAddons->lCopyright->text(), "Copyright: (c) Ann");
    FormAddons->AddonList->setCurrentRow(0);
    EXPECT_EQ(FormAddons->lDescription->text(), "Description: Create stations signs (Deutsche Bahnhofschilder)");
    FormAddons->AddonList->setCurrentRow(2);
    EXPECT_EQ(FormAddons->lName->text(), "Name: ");
    EXPECT_EQ(FormAddons->lCopyright->text(), "Copyright: ");

    FormAddons->AddonInformations->click();
    EXPECT_EQ(FormAddons->height(), TFormAddons::TallHeight);
    EXPECT_EQ(FormAddons->AddonInformations->text(), "Hide info");
    EXPECT_FALSE(FormAddons->GroupBox2->isHidden());
    FormAddons->AddonInformations->click();
    EXPECT_EQ(FormAddons->height(), TFormAddons::ShortHeight);
    EXPECT_EQ(FormAddons->AddonInformations->text(), "Info");
    EXPECT_TRUE(FormAddons->GroupBox2->isHidden());
}

TEST_F(AddonHostTest, RunCallsTheSelectedAddon)
{
    PrepareAddons();
    // A second copy under another file name: two lines of the same name.
    fs::copy_file(TestAddon("good"), Dir / "program/addons/testaddon_good2.so");
    CreateForm(FormAddons);
    ASSERT_EQ(Lines(), (std::vector<std::string>{"Plakett", "Test Addon", "Test Addon", ""}));
    auto runs = Export<int (*)()>(1, "TestAddonRuns");
    auto runs2 = Export<int (*)()>(2, "TestAddonRuns");
    ASSERT_NE(runs, nullptr);
    ASSERT_NE(runs, runs2);
    FormAddons->AddonStartClick(); // no line chosen
    EXPECT_EQ(runs(), 0);
    FormAddons->AddonList->setCurrentRow(1);
    FormAddons->AddonStart->click();
    emit FormAddons->AddonList->itemDoubleClicked(FormAddons->AddonList->item(1));
    EXPECT_EQ(runs(), 2);
    EXPECT_EQ(runs2(), 0);
    FormAddons->AddonList->setCurrentRow(2);
    FormAddons->AddonStartClick();
    EXPECT_EQ(runs(), 2);
    EXPECT_EQ(runs2(), 1);
    // An add-on without a run entry point does nothing.
    FormAddons->AddonList->setCurrentRow(3);
    FormAddons->AddonStartClick();
    EXPECT_EQ(runs(), 2);
    // The shipped add-on opens its designer (answered at once without a
    // screen) and comes back.
    FormAddons->AddonList->setCurrentRow(0);
    FormAddons->AddonStartClick();
}

TEST_F(AddonHostTest, QueriesAnswerFromTheProjectAndTheOptions)
{
    PrepareAddons();
    // An object folder name longer than the 254 characters of the project
    // texts: the add-ons write into it, so it comes whole.
    const std::string longFolder = "objects/" + std::string(150, 'o') + "/" + std::string(150, 'p');
    PutFile("set.ini", "[Settings]\r\nObjectFolder=" + longFolder + "\r\n");
    CreateForm(FormMain);
    CreateForm(FormOptions);
    CreateForm(FormAddons);
    auto query = Export<const char* (*)(uint16_t)>(1, "TestAddonQuery");
    ASSERT_NE(query, nullptr);

    EXPECT_STREQ(query(1), "1.0 (2003-04-21)");
    EXPECT_STREQ(query(2), ""); // no project open
    EXPECT_STREQ(query(3), "");
    EXPECT_EQ(query(0), nullptr);
    EXPECT_EQ(query(5), nullptr);
    EXPECT_EQ(std::string(query(4)), Program + longFolder + "/");

    FormMain->FrmEditor->SetProject(std::make_unique<TVLProject>());
    FormMain->FrmEditor->Project->ProjectName = std::string(300, 'N');
    FormMain->FrmEditor->Project->Author = "Ann \xC4uthor";
    EXPECT_EQ(std::string(query(2)), std::string(254, 'N'));
    EXPECT_STREQ(query(3), "Ann \xC4uthor");

    FormOptions->edObjFolder->setText("lib");
    EXPECT_EQ(std::string(query(4)), Program + "lib/");
}

TEST_F(AddonHostTest, ClosingWritesTheListIntoTheScannedFolder)
{
    PrepareAddons();
    CreateForm(FormAddons);
    EXPECT_EQ(FormAddons->AddonFolder, Program + "addons/");
    FormAddons->show();
    FormAddons->reject(); // Escape
    EXPECT_EQ(FileBytes("addons/list.vlf"), "Plakett\r\nTest Addon\r\n\r\n");
}

TEST_F(AddonHostTest, WithoutAnAddonsFolderTheListIsEmpty)
{
    CreateApplicationForms();
    ASSERT_EQ(ApplicationForms().at(3), FormAddons);
    EXPECT_EQ(FormAddons->AddonList->count(), 0);
    FormAddons->show();
    FormAddons->reject();
    EXPECT_FALSE(fs::exists(Dir / "program/addons"));
}

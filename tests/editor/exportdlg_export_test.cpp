// The export dialog end to end: a sample project exported into a temporary
// BVE folder and compared with the writer's golden files, the copied object
// files, the station choice, and every refusal (names, stations, BVE folder,
// failed copies, a simulator that is not there).

#include "editor/formexport.h"
#include "editor/formoptions.h"
#include "editor/formtracktypes.h"
#include "editor/formtrain.h"
#include "editor/vclwidgets.h"
#include "model/vlobject.h"

#include "startuptesthelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <set>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::string Golden(const std::string& name)
{
    return std::string(VELKAST_SOURCE_DIR) + "/tests/export/golden/" + name;
}

std::string Bytes(const std::string& path)
{
    std::string data;
    EXPECT_TRUE(ReadFileBytes(path, data)) << path;
    return data;
}

class ExportDialogTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        SavedObjectsRoot = ObjectsRoot;
        ObjectsRoot.clear();
        fs::copy(fs::path(VELKAST_SOURCE_DIR) / "sample/program/lib", Program + "lib",
                 fs::copy_options::recursive);
        Bve = (Dir / "bve").string();
        fs::create_directories(Bve + "/Train/train");
        fs::create_directories(Bve + "/Train/other");
        PutFile("set.ini", "[Settings]\r\nBVE_Folder=" + Bve + "\r\n");
        CreateForm(FormOptions);
        ASSERT_EQ(FormOptions->BveFolder, Bve);
        CreateForm(FormTrackTypes);
        CreateForm(FormTrain);
        CreateForm(FormExport);
        Form = FormExport;
    }
    void TearDown() override
    {
        SetPackageHandler({});
        ObjectsRoot = SavedObjectsRoot;
        StartupTest::TearDown();
    }

    void Open(const std::string& goldenProject)
    {
        ASSERT_TRUE(Project.LoadFromFile(Golden(goldenProject)));
        Form->Project = &Project;
        Form->show();
    }
    void Choose(const std::string& train, const std::string& sub, const std::string& name)
    {
        Form->export_set_Trains->setCurrentIndex(Form->export_set_Trains->findText(QString::fromStdString(train)));
        Form->leSubdir->SetText(sub);
        Form->leRoutefilename->SetText(name);
    }
    // Exports "siding" as the golden run did: train "train", "route\route".
    void ExportSiding()
    {
        Open("siding.vlp");
        Choose("train", "route", "route");
        Form->ExportBtn->click();
        ASSERT_EQ(Form->ActivePage(), 2);
    }
    int Count(const std::string& key) const { return CountMessageKey(key); }
    std::set<std::string> FilesBelow(const std::string& folder) const
    {
        std::set<std::string> files;
        if (!fs::exists(folder))
            return files;
        for (const auto& e : fs::recursive_directory_iterator(folder))
            if (e.is_regular_file())
                files.insert(fs::relative(e.path(), folder).generic_string());
        return files;
    }
    std::set<std::string> ExpectedObjects() const
    {
        std::set<std::string> files;
        for (const std::string& line : SplitLines(Bytes(Golden("siding_filelist.txt"))))
            files.insert(ToNativePath(line));
        return files;
    }

    TFormExport* Form = nullptr;
    TVLProject Project;
    std::string Bve;
    std::string SavedObjectsRoot;
};

} // namespace

TEST_F(ExportDialogTest, ShowingFillsTheChoices)
{
    Open("siding.vlp");
    EXPECT_EQ(Form->ActivePage(), 0);
    ASSERT_EQ(Form->export_set_Routes->count(), 1);
    EXPECT_EQ(Form->export_set_Routes->currentText(), "ID1: Branch");
    EXPECT_EQ(Form->cbStartStation->count(), 2);
    EXPECT_EQ(Form->cbStartStation->currentText(), "A");
    EXPECT_EQ(Form->cbNextStation->currentText(), "B");
    EXPECT_EQ(Form->export_set_Trains->count(), 2);
    EXPECT_EQ(Form->export_set_Trains->currentIndex(), -1);
    Choose("", "route", "route");
    Form->ExportBtn->click(); // not without a train
    EXPECT_TRUE(Count("texport_no_train") == 1 && Form->ActivePage() == 0);
    Form->hide();
    fs::remove(Bve + "/Train/other");
    Form->show(); // the only one is chosen
    EXPECT_EQ(Form->export_set_Trains->currentText(), "train");
    EXPECT_EQ(Form->leSubdir->Text(), Project.RouteFilesSubDir);
    EXPECT_EQ(Form->leDepartureTime->Text(), "09:00");
    EXPECT_TRUE(Form->cbSmoothing->isChecked());
    EXPECT_FALSE(Form->bTimetable->isEnabled());
    // Without a package builder the choice is there but cannot be made.
    EXPECT_FALSE(Form->cbRunPackageWizard->isEnabled());
    Form->hide();
}

TEST_F(ExportDialogTest, StationListsNeverPickTheSameStationWhenThereIsAChoice)
{
    Open("siding.vlp");
    Form->cbStartStation->setCurrentIndex(1);
    Form->cbNextStation->setCurrentIndex(1);
    Form->cbStartStationChange();
    EXPECT_EQ(Form->cbNextStation->currentIndex(), 0); // wrapped from the last to the first
    Form->cbStartStation->setCurrentIndex(0);
    Form->cbNextStationChange();
    EXPECT_EQ(Form->cbStartStation->currentIndex(), 1);

    // Changing the route definition leaves both lists without a selection.
    Form->export_set_RoutesChange();
    EXPECT_EQ(Form->cbStartStation->currentIndex(), -1);
    EXPECT_EQ(Form->cbNextStation->currentIndex(), -1);
    Form->hide();
}

TEST_F(ExportDialogTest, DepartureTimesAndPlainNames)
{
    EXPECT_EQ(TFormExport::ParseDepartureTime("7:30"), 7 * 3600 + 30 * 60);
    EXPECT_EQ(TFormExport::ParseDepartureTime("23:59:30"), 23 * 3600 + 59 * 60 + 30);
    EXPECT_EQ(TFormExport::ParseDepartureTime("abc"), 9 * 3600);
    EXPECT_EQ(TFormExport::ParseDepartureTime("24:00"), 9 * 3600);
    EXPECT_EQ(TFormExport::ParseDepartureTime("7:"), 9 * 3600);
    EXPECT_EQ(TFormExport::ParseDepartureTime(""), 9 * 3600);

    EXPECT_TRUE(TFormExport::IsPlainName("My Route"));
    EXPECT_TRUE(TFormExport::IsPlainName("route.v2"));
    for (const char* bad : {"", ".", "..", " . ", "a/b", "a\\b", "/abs", "c:x", "a*", "x|y", "..\\..\\up"})
        EXPECT_FALSE(TFormExport::IsPlainName(bad)) << bad;
}

TEST_F(ExportDialogTest, PackageChoiceForcesTheCopy)
{
    SetPackageHandler([](const TPackageRequest&) {});
    EXPECT_TRUE(Form->cbRunPackageWizard->isEnabled());
    Form->cbCopyfiles->setChecked(false);
    Form->cbRunPackageWizard->setChecked(true);
    Form->cbRunPackageWizardClick();
    EXPECT_TRUE(Form->cbCopyfiles->isChecked());
    EXPECT_FALSE(Form->cbCopyfiles->isEnabled());
    Form->cbRunPackageWizard->setChecked(false);
    Form->cbRunPackageWizardClick();
    EXPECT_TRUE(Form->cbCopyfiles->isChecked());
    EXPECT_TRUE(Form->cbCopyfiles->isEnabled());
}

TEST_F(ExportDialogTest, ExportWritesTheGoldenRouteAndCopiesTheObjects)
{
    ExportSiding();
    EXPECT_TRUE(Requests.empty()) << Requests.front().Text;
    EXPECT_EQ(JoinLines(Form->RouteFileLines), Bytes(Golden("siding.csv")));
    EXPECT_EQ(Form->lbFilelist->count(), static_cast<int>(Form->FileListLines.size()));
    EXPECT_FALSE(Form->MemoStatus1->toPlainText().isEmpty());
    EXPECT_FALSE(Form->lCopy->isVisible());
    // The progress map shows the route.
    const QImage& map = Form->PaintBox1->Surface();
    bool drawn = false;
    for (int y = 0; y < map.height() && !drawn; ++y)
        for (int x = 0; x < map.width() && !drawn; ++x)
            drawn = (map.pixel(x, y) & 0xffffff) != 0xffffff;
    EXPECT_TRUE(drawn);

    Form->bCloseClick();
    EXPECT_TRUE(Requests.empty());
    EXPECT_FALSE(Form->isVisible());
    const std::string routeDir = Bve + "/railway/route/route/";
    EXPECT_EQ(Bytes(routeDir + "route.csv"), Bytes(Golden("siding.csv")));
    EXPECT_EQ(Bytes(routeDir + "route_credits.txt"), Bytes(Golden("siding_credits.txt")));
    EXPECT_EQ(FilesBelow(routeDir), (std::set<std::string>{"route.csv", "route_credits.txt"}));
    EXPECT_EQ(FilesBelow(Bve + "/railway/object/route"), ExpectedObjects());
    for (const std::string& entry : ExpectedObjects())
        EXPECT_EQ(Bytes(Bve + "/railway/object/route/" + entry), Bytes(Program + "lib/" + entry)) << entry;
}

TEST_F(ExportDialogTest, SecondExportReplacesTheResults)
{
    ExportSiding();
    const TStrings firstCredits = Form->CreditsLines;
    Form->show();
    Choose("train", "route", "route");
    Form->ExportBtn->click();
    ASSERT_EQ(Form->ActivePage(), 2);
    EXPECT_EQ(Form->CreditsLines, firstCredits);
    EXPECT_EQ(JoinLines(Form->RouteFileLines), Bytes(Golden("siding.csv")));
    EXPECT_EQ(Form->lbFilelist->count(), static_cast<int>(ExpectedObjects().size()));
    Form->hide();
}

TEST_F(ExportDialogTest, NoExportWithoutTwoDifferentStations)
{
    Open("siding.vlp");
    Choose("train", "route", "route");
    Form->export_set_RoutesChange(); // no selection in either list
    Form->ExportBtn->click();
    EXPECT_EQ(Count("texport_no_stations"), 1);
    EXPECT_EQ(Form->ActivePage(), 0);
    EXPECT_TRUE(Form->RouteFileLines.empty());

    Form->cbStartStation->setCurrentIndex(1);
    Form->cbNextStation->setCurrentIndex(1);
    Form->ExportBtn->click();
    EXPECT_EQ(Count("texport_same_station"), 1);
    EXPECT_EQ(Form->ActivePage(), 0);
    EXPECT_TRUE(Form->RouteFileLines.empty());

    // A route definition without stations offers none.
    for (TVLStation* s : Project.Stations)
        s->Lines.clear();
    Form->export_set_RoutesChange();
    EXPECT_EQ(Form->cbStartStation->count(), 0);
    EXPECT_EQ(Form->cbNextStation->count(), 0);
    Form->ExportBtn->click();
    EXPECT_EQ(Count("texport_no_stations"), 2);
    EXPECT_EQ(Form->ActivePage(), 0);
    Form->hide();
}

TEST_F(ExportDialogTest, OneStationIsOfferedOnBothSidesButRefused)
{
    Open("tiny.vlp");
    Project.Stations.Delete(1);
    Form->export_set_RoutesChange();
    ASSERT_EQ(Form->cbStartStation->count(), 1);
    Form->cbStartStation->setCurrentIndex(0);
    Form->cbNextStation->setCurrentIndex(0);
    Form->cbStartStationChange();
    EXPECT_EQ(Form->cbNextStation->currentIndex(), 0);
    Choose("train", "route", "route");
    Form->ExportBtn->click();
    EXPECT_EQ(Count("texport_same_station"), 1);
    EXPECT_EQ(Form->ActivePage(), 0);
    Form->hide();
}

TEST_F(ExportDialogTest, EmptyAndEscapingNamesAreRefused)
{
    Open("siding.vlp");
    Choose("train", "route", "");
    Form->ExportBtn->click();
    EXPECT_EQ(Count("texport_no_filename"), 1);
    Choose("train", "", "route");
    Form->ExportBtn->click();
    EXPECT_EQ(Count("texport_no_dir"), 1);

    int refusals = 0;
    for (auto [sub, name] : std::vector<std::pair<std::string, std::string>>{
             {"..", "route"}, {"../../etc", "route"}, {"route", "../escape"}, {Dir.string() + "/abs", "r"},
             {"route", "sub\\name"}, {"c:", "route"}}) {
        Choose("train", sub, name);
        Form->ExportBtn->click();
        EXPECT_EQ(Count("texport_bad_name"), ++refusals) << sub << " " << name;
        EXPECT_EQ(Form->ActivePage(), 0);
    }
    EXPECT_TRUE(Form->RouteFileLines.empty());
    EXPECT_FALSE(fs::exists(Bve + "/railway"));
    EXPECT_FALSE(fs::exists(Dir / "escape.csv"));
    Form->hide();
}

TEST_F(ExportDialogTest, EmptyBveFolderIsRefusedNotRooted)
{
    ExportSiding();
    FormOptions->BveFolder.clear();
    Form->bCloseClick(); // the question to choose a folder is answered "No"
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].MsgType, mtWarning);
    EXPECT_TRUE(Form->isVisible()); // nothing done, the dialog stays
    EXPECT_FALSE(fs::exists("/railway/route/route/route.csv"));
    EXPECT_FALSE(fs::exists(Bve + "/railway"));
    Form->hide();
}

TEST_F(ExportDialogTest, FailedCopiesAreReportedTogetherAndNotCalledSuccess)
{
    ExportSiding();
    fs::remove(Program + "lib/tracks/brown.b3d");
    fs::remove(Program + "lib/misc/tree1.b3d");
    Form->cbRunBVE->setChecked(true);
    Form->bCloseClick();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].MsgType, mtWarning);
    EXPECT_EQ(Requests[0].Text, GetMessageText("texport_copy_failed") + "tracks\\brown.b3d\r\nmisc\\tree1.b3d\r\n");
    EXPECT_TRUE(Form->isVisible());
    // The rest arrived; the simulator was not started on an incomplete route.
    std::set<std::string> expected = ExpectedObjects();
    expected.erase("tracks/brown.b3d");
    expected.erase("misc/tree1.b3d");
    EXPECT_EQ(FilesBelow(Bve + "/railway/object/route"), expected);
    Form->hide();
}

TEST_F(ExportDialogTest, SimulatorNotFoundIsSaid)
{
    ExportSiding();
    Form->cbRunBVE->setChecked(true);
    Form->bCloseClick();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Kind, TDialogKind::MessageBox);
    EXPECT_EQ(Requests[0].Text, GetMessageText("texport_no_bve") + Bve + "/Bve.exe");
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(ExportDialogTest, SimulatorStartsOnTheRouteFile)
{
    std::ofstream(Bve + "/Bve.exe") << "#!/bin/sh\n";
    fs::permissions(Bve + "/Bve.exe", fs::perms::owner_exec, fs::perm_options::add);
    ExportSiding();
    Form->cbRunBVE->setChecked(true);
    Answer = [](const TDialogRequest& r) {
        TDialogAnswer a;
        a.Result = r.Kind == TDialogKind::ShellOpen ? int(mrOk) : DefaultMessageAnswer(r.Buttons);
        return a;
    };
    Form->bCloseClick();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Kind, TDialogKind::ShellOpen);
    EXPECT_EQ(Requests[0].File, Bve + "/Bve.exe");
    EXPECT_EQ(Requests[0].Parameters, "\"" + Bve + "/railway/route/route/route.csv\" /d=7");
    EXPECT_EQ(Requests[0].Directory, Bve + "/railway/route/route");

    // With the developer mode option off the choice does nothing.
    Requests.clear();
    FormOptions->UseDeveloperMod = false;
    EXPECT_TRUE(Form->StartDevelopermode());
    EXPECT_TRUE(Requests.empty());
}

TEST_F(ExportDialogTest, PackageBuilderGetsTheFileList)
{
    std::vector<TPackageRequest> got;
    SetPackageHandler([&got](const TPackageRequest& r) { got.push_back(r); });
    ExportSiding();
    Form->cbRunPackageWizard->setChecked(true);
    Form->cbRunPackageWizardClick();
    Form->bCloseClick();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].ObjectFiles, Form->FileListLines);
    EXPECT_EQ(got[0].RouteFiles, (TStrings{"route.csv", "route_credits.txt"}));
    EXPECT_EQ(got[0].RouteDir, "route");
    EXPECT_EQ(got[0].RouteName, Project.ProjectName);
    EXPECT_EQ(got[0].Root, Program);
    EXPECT_TRUE(fs::exists(Bve + "/railway/route/route/route.csv"));

    // A builder that fails is reported, not passed over.
    SetPackageHandler([](const TPackageRequest&) { throw std::runtime_error("disk full"); });
    Requests.clear();
    Form->show();
    Choose("train", "route", "route");
    Form->ExportBtn->click();
    Form->cbRunPackageWizard->setChecked(true);
    Form->bCloseClick();
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Text, "disk full");

    // Its messages name folders on disk in UTF-8; the box shows them in ANSI.
    SetPackageHandler(
        [](const TPackageRequest&) { throw std::runtime_error("Cannot create folder \"/M\xC3\xBCnchen\""); });
    Requests.clear();
    EXPECT_FALSE(RunPackageHandler(TPackageRequest{}));
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Text, "Cannot create folder \"/M\xFCnchen\"");
}

TEST_F(ExportDialogTest, EscapeDuringTheExportDoesNotCloseTheDialog)
{
    Open("siding.vlp");
    Choose("train", "route", "route");
    bool triedDuringExport = false;
    // Runs when the writer lets the user interface process its messages.
    QTimer::singleShot(0, Form, [&] {
        triedDuringExport = Form->Exporting();
        Form->reject();
    });
    Form->ExportBtn->click();
    EXPECT_TRUE(triedDuringExport);
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Form->ActivePage(), 2);
    Form->reject();
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(ExportDialogTest, ObjectsLeftOutAreCountedAndNamed)
{
    Open("siding.vlp");
    for (const char* file : {"gone.b3d", "gone.b3d", "S\xE4ule.b3d"}) {
        Project.AddObject(new TVLObject("misc", file));
        Project.FreeObjects.Items(Project.FreeObjects.Count() - 1)->X = 50;
    }
    Choose("train", "route", "route");
    Form->ExportBtn->click();
    ASSERT_EQ(Form->ActivePage(), 2); // a warning: the route is written
    ASSERT_EQ(Requests.size(), 1u);
    std::string text = GetMessageText("texport_left_out");
    EXPECT_EQ(Requests[0].Text, text.replace(text.find("%d"), 2, "3") + "misc\\gone.b3d (2)\r\nmisc\\S\xE4ule.b3d\r\n");
    Form->hide();
}
